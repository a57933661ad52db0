// Topologies modelled on real hardware, in the stand-in's description language
// (standin.cpp). Part ids in them are what the tests read back from the report.
#pragma once

#include <string>

namespace tk::topology {

// Playback of an on-board codec: master volume and mute, a tone stage with bass and
// treble, a mixing point whose inputs mute1/mute2/cdmute (with their own mutes) are fed
// by volumes vol1/vol2/cdvol behind the jacks named `first`, `second` and "CD".
std::string CodecPlayback(const std::string& first, const std::string& second);
// Capture of the same codec: "Mic" -> "Microphone Boost" (part boost, offering
// `boostControl`), and "Line In" whose second part downstream (nomon) offers automatic
// gain control, the no-monitor switch.
std::string CodecCapture(const std::string& boostControl);
// The codec with "Line In" and "Microphone" jacks and a boost with automatic gain control.
std::string CodecDescription();
// A USB headset: one volume stage and no mixing point; capture with its endpoint volume
// only; no line in.
std::string UsbHeadsetDescription();

}  // namespace tk::topology
