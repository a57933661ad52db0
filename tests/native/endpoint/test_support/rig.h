// Endpoints for the library tests, written as data and shaped like a typical HD-audio codec.
// Data flows along each path, from its first part to its last; the endpoint's connector leads
// to the first of the adapter's connectors. Levels with two channels are off balance where it
// matters (channel 0 differs from 1); every mute and switch is off unless marked on.
#pragma once

#include <cstring>

#include "core/library.h"
#include "fake_audio_system.h"

namespace havro::fake {

struct Rig {
    struct Control {
        const char* part;
        int slot;
        FakeControl control;
    };
    std::vector<std::vector<const char*>> paths;
    std::vector<const char*> connectors;
    std::vector<Control> controls;
    FakeControl volume;
};

// The speaker's chain: "Tone 1" (its bass is the one used), "Tone 2" (a bass further up the
// chain, the mid-range and the treble), "Sum" with the inputs: "Line Out" (a line name, but no
// level: the walk moves on), the line known by its jack's colour only, and the microphone.
const Rig kPlayback = {{{"Sum", "Tone 2", "Tone 1", "Speaker"},
                        {"Line Out", "Aux", "Sum"},
                        {"Rear Green", "Volume 1", "Mute 1", "Sum"},
                        {"Microphone", "Volume 2", "Mute 2", "Sum"}},
                       {"Speaker"},
                       {{"Tone 1", kBass, {-12, 12, {2.5f, -1}}},
                        {"Tone 2", kBass, {-12, 12, {7, 7}}},
                        {"Tone 2", kMidrange, {-10, 10, {1, 1}}},
                        {"Tone 2", kTreble, {-6, 6, {-1.5f, -1.5f}}},
                        {"Volume 1", kVolume, {-34.5f, 12, {-6, -7.5f}}},
                        {"Mute 1", kMute, {0, 0, {}}},
                        {"Volume 2", kVolume, {-34.5f, 12, {0, 0}}},
                        {"Mute 2", kMute, {0, 0, {}}}},
                       {-96, 0, {-20, -20}}};

// The microphone's boost is known by its "+2" only ("Gain", on, is not named like a boost);
// the no-monitor switch sits on the line's second part.
const Rig kCapture = {{{"Mic In", "Gain", "+20 dB", "Capture Mux", "ADC"},
                       {"Line In", "Line Capture Volume", "Line Monitor"}},
                      {"ADC", "Mic In", "Line In"},
                      {{"Gain", kAgc, {0, 0, {}, true}},
                       {"+20 dB", kAgc, {0, 0, {}}},
                       {"Line Monitor", kAgc, {0, 0, {}}}},
                      {-12, 30, {20, 20}}};

inline FakeDevice& Build(FakeAudioSystem& sys, Flow flow, const std::u16string& guid,
                         const std::u16string& name, const Rig& rig) {
    FakeDevice& d = sys.AddDevice(flow, guid, name);
    auto part = [&](const char* n) -> FakePart& {
        FakePart*& p = d.parts[n];
        return p ? *p : *(p = &sys.AddPart(std::u16string(n, n + std::strlen(n))));
    };
    for (const auto& path : rig.paths) {
        for (size_t i = 1; i < path.size(); ++i) sys.Link({&part(path[i - 1]), &part(path[i])});
    }
    std::vector<FakePart*> connectors;
    for (const char* c : rig.connectors) connectors.push_back(&part(c));
    sys.ConnectEndpoint(d, *sys.AddAdapterTopology(connectors).parts[0]);
    for (const auto& c : rig.controls) sys.Add(part(c.part), c.slot, c.control);
    d.volume = std::make_shared<FakeControl>(rig.volume);
    return d;
}

}  // namespace havro::fake
