// Ready-made topologies for the library tests, shaped like a typical HD-audio codec.
//
// Playback: endpoint -> "Speaker" (start part) <- "Master Mute" <- "Bass" <- "Treble"
//   <- "Sum" <- inputs: "Line Mute" <- "Line Volume" <- "Line In",
//                       "Mic Mute"  <- "Mic Volume"  <- "Microphone",
//                       "Wave Volume" <- "Wave".
// Capture: endpoint -> "ADC" whose adapter topology has the connectors
//   "Mic In" -> "Mic Boost" (AGC) -> "Capture Mux", and
//   "Line In" -> "Line Capture Volume" -> "Line Monitor" (AGC).
#pragma once

#include <memory>

#include "core/library.h"
#include "fake_audio_system.h"

namespace havro::fake {

struct PlaybackRig {
    FakeDevice* device = nullptr;
    FakePart* start = nullptr;
    FakePart* sum = nullptr;
    std::shared_ptr<FakeLevelControl> bass, treble, lineLevel, micLevel;
    std::shared_ptr<FakeMuteControl> lineMute, micMute;
};

struct CaptureRig {
    FakeDevice* device = nullptr;
    FakePart* adc = nullptr;
    FakeDeviceTopology* adapter = nullptr;
    std::shared_ptr<FakeSwitchControl> boost, monitor;
};

inline PlaybackRig BuildPlayback(FakeAudioSystem& sys, const std::u16string& guid,
                                 const std::u16string& name) {
    PlaybackRig r;
    r.device = &sys.AddDevice(Flow::kRender, guid, name);
    FakePart& speaker = sys.AddPart(u"Speaker");
    FakePart& masterMute = sys.AddPart(u"Master Mute");
    FakePart& bass = sys.AddPart(u"Bass");
    FakePart& treble = sys.AddPart(u"Treble");
    FakePart& sum = sys.AddPart(u"Sum");
    sys.Link(masterMute, speaker);
    sys.Link(bass, masterMute);
    sys.Link(treble, bass);
    sys.Link(sum, treble);
    r.bass = sys.AddLevel(bass, LevelKind::kBass, -12, 12, 2.5f);
    r.treble = sys.AddLevel(treble, LevelKind::kTreble, -12, 12, -1.5f);

    FakePart& lineMute = sys.AddPart(u"Line Mute");
    FakePart& lineVolume = sys.AddPart(u"Line Volume");
    FakePart& lineJack = sys.AddPart(u"Line In");
    sys.Link(lineJack, lineVolume);
    sys.Link(lineVolume, lineMute);
    sys.Link(lineMute, sum);
    r.lineLevel = sys.AddLevel(lineVolume, LevelKind::kVolumeLevel, -34.5f, 12, -6);
    r.lineLevel->channelDb = {-6, -7.5f};  // off balance: channel 0 and each channel count
    r.lineMute = sys.AddMute(lineMute, true);

    FakePart& micMute = sys.AddPart(u"Mic Mute");
    FakePart& micVolume = sys.AddPart(u"Mic Volume");
    FakePart& micJack = sys.AddPart(u"Microphone");
    sys.Link(micJack, micVolume);
    sys.Link(micVolume, micMute);
    sys.Link(micMute, sum);
    r.micLevel = sys.AddLevel(micVolume, LevelKind::kVolumeLevel, -34.5f, 12, 0);
    r.micMute = sys.AddMute(micMute, false);

    FakePart& waveVolume = sys.AddPart(u"Wave Volume");
    FakePart& wave = sys.AddPart(u"Wave");
    sys.Link(wave, waveVolume);
    sys.Link(waveVolume, sum);
    sys.AddLevel(waveVolume, LevelKind::kVolumeLevel, -34.5f, 12, 0);

    sys.AddAdapterTopology({&speaker});
    sys.ConnectEndpoint(*r.device, speaker);
    r.start = &speaker;
    r.sum = &sum;
    return r;
}

inline CaptureRig BuildCapture(FakeAudioSystem& sys, const std::u16string& guid,
                               const std::u16string& name) {
    CaptureRig r;
    r.device = &sys.AddDevice(Flow::kCapture, guid, name);
    r.device->volume = std::make_shared<FakeEndpointVolume>(-12.0f, 30.0f, 2, 20.0f);
    FakePart& adc = sys.AddPart(u"ADC");
    FakePart& micIn = sys.AddPart(u"Mic In");
    FakePart& boost = sys.AddPart(u"Mic Boost");
    FakePart& mux = sys.AddPart(u"Capture Mux");
    sys.Link(micIn, boost);
    sys.Link(boost, mux);
    sys.Link(mux, adc);
    r.boost = sys.AddSwitch(boost, SwitchKind::kAutoGainControl, true);
    FakePart& lineIn = sys.AddPart(u"Line In");
    FakePart& lineVolume = sys.AddPart(u"Line Capture Volume");
    FakePart& monitor = sys.AddPart(u"Line Monitor");
    sys.Link(lineIn, lineVolume);
    sys.Link(lineVolume, monitor);
    r.monitor = sys.AddSwitch(monitor, SwitchKind::kAutoGainControl, true);
    r.adapter = &sys.AddAdapterTopology({&adc, &micIn, &lineIn});
    sys.ConnectEndpoint(*r.device, adc);
    r.adc = &adc;
    return r;
}

}  // namespace havro::fake
