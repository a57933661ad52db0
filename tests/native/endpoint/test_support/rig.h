// Ready-made topologies for the library tests, shaped like a typical HD-audio codec.
//
// Playback: endpoint -> "Speaker" (start part) <- "Bass" <- "Treble" <- "Sum" <- inputs:
//   "Aux" <- "Line Out" (a line name, but no level: the walk moves on),
//   "Mute 1" <- "Volume 1" <- "Rear Green" (the line, known by its jack's colour only), and
//   "Mute 2" <- "Volume 2" <- "Microphone".
// Capture: endpoint -> "ADC" whose adapter topology has the connectors
//   "Mic In" -> "+20 dB" (AGC: the boost, known by its "+2" only) -> "Capture Mux", and
//   "Line In" -> "Line Capture Volume" -> "Line Monitor" (AGC).
// Every mute and switch is off; levels with two channels are off balance where it matters
// (channel 0 differs from 1).
#pragma once

#include "core/library.h"
#include "fake_audio_system.h"

namespace havro::fake {

struct PlaybackRig {
    FakeDevice* device = nullptr;
    FakePart *start = nullptr, *sum = nullptr;
    std::shared_ptr<FakeControl> bass, treble, lineLevel, micLevel, lineMute, micMute;
};

struct CaptureRig {
    FakeDevice* device = nullptr;
    FakePart* adc = nullptr;
    FakeTopology* adapter = nullptr;
    std::shared_ptr<FakeControl> boost, monitor;
};

inline PlaybackRig BuildPlayback(FakeAudioSystem& sys, const std::u16string& guid,
                                 const std::u16string& name) {
    PlaybackRig r;
    r.device = &sys.AddDevice(Flow::kRender, guid, name);
    r.start = &sys.AddPart(u"Speaker");
    r.sum = &sys.AddPart(u"Sum");
    FakePart &bass = sys.AddPart(u"Bass"), &treble = sys.AddPart(u"Treble");
    sys.Link({r.sum, &treble, &bass, r.start});
    r.bass = sys.AddLevel(bass, LevelKind::kBass, -12, 12, {2.5f, -1});
    r.treble = sys.AddLevel(treble, LevelKind::kTreble, -12, 12, {-1.5f, -1.5f});

    sys.Link({&sys.AddPart(u"Line Out"), &sys.AddPart(u"Aux"), r.sum});
    FakePart &lineJack = sys.AddPart(u"Rear Green"), &lineVolume = sys.AddPart(u"Volume 1"),
             &lineMute = sys.AddPart(u"Mute 1");
    sys.Link({&lineJack, &lineVolume, &lineMute, r.sum});
    r.lineLevel = sys.AddLevel(lineVolume, LevelKind::kVolumeLevel, -34.5f, 12, {-6, -7.5f});
    r.lineMute = sys.AddMute(lineMute, false);

    FakePart &micJack = sys.AddPart(u"Microphone"), &micVolume = sys.AddPart(u"Volume 2"),
             &micMute = sys.AddPart(u"Mute 2");
    sys.Link({&micJack, &micVolume, &micMute, r.sum});
    r.micLevel = sys.AddLevel(micVolume, LevelKind::kVolumeLevel, -34.5f, 12, {0, 0});
    r.micMute = sys.AddMute(micMute, false);

    sys.AddAdapterTopology({r.start});
    sys.ConnectEndpoint(*r.device, *r.start);
    return r;
}

inline CaptureRig BuildCapture(FakeAudioSystem& sys, const std::u16string& guid,
                               const std::u16string& name) {
    CaptureRig r;
    r.device = &sys.AddDevice(Flow::kCapture, guid, name);
    r.device->volume = std::make_shared<FakeControl>(-12.0f, 30.0f, std::vector<float>{20, 20});
    r.adc = &sys.AddPart(u"ADC");
    FakePart &micIn = sys.AddPart(u"Mic In"), &boost = sys.AddPart(u"+20 dB");
    sys.Link({&micIn, &boost, &sys.AddPart(u"Capture Mux"), r.adc});
    r.boost = sys.AddSwitch(boost, SwitchKind::kAutoGainControl, false);
    FakePart &lineIn = sys.AddPart(u"Line In"), &monitor = sys.AddPart(u"Line Monitor");
    sys.Link({&lineIn, &sys.AddPart(u"Line Capture Volume"), &monitor});
    r.monitor = sys.AddSwitch(monitor, SwitchKind::kAutoGainControl, false);
    r.adapter = &sys.AddAdapterTopology({r.adc, &micIn, &lineIn});
    sys.ConnectEndpoint(*r.device, *r.adc);
    return r;
}

}  // namespace havro::fake
