#include <gtest/gtest.h>

#include "fake_mixer.h"
#include "modules/mixer_discovery.h"

namespace tk {
namespace {

using namespace test;
using Card = std::vector<FakeMixerDestination>;
namespace me = mixerentry;

// The typical card (playback: wave 0, microphone 1, line in 2, master 3; recording:
// microphone 0, line in 1, the selector's line 2; a boost named by its decibels alone) and
// variants of it.
void (*const kCards[])(Card&) = {
    [](Card&) {},
    // Other line codes: wave and line-in found by name (the line scan reads the control a
    // line selection makes current); their mutes by type or name, the monitor (on/off, no
    // "MUT") and the boost (second, on the playback microphone line) by the control scans.
    [](Card& d) {
        d[0].sources[0].lineCode = 27;
        d[0].sources[2].lineCode = 26;
        for (auto* line : {&d[0].sources[0], &d[1].sources[1]})
            line->controls.insert(line->controls.begin() + 1, fakeSwitch("Mute", kTypeOnOff, 1));
        d[1].sources[0].controls.pop_back();
        d[0].sources[1].controls.push_back(fakeSwitch("Mic Boost", kTypeOnOff, 1));
    },
    // Missing parts; the boost's name test is case-sensitive.
    [](Card& d) {
        d[0].sources[0].controls.pop_back();
        d[0].sources[2].controls = {fakeSwitch("Aux Mute", kTypeMute, 0)};
        d[1].sources[1].controls.pop_back();
        d[1].sources[0].controls[1].name = "MIC BOOST GAIN";
    },
    // The boost is a switch: on/off or other.
    [](Card& d) { d[1].sources[0].controls[1] = fakeSwitch("Mic Gain", kTypeOtherSwitch, 1); },
    [](Card& d) { d[1].sources[0].controls[1].type = kTypeMute; },
};

constexpr float percent(int32_t raw) {
    return static_cast<float>(raw / 655.35);
}

// Where discovery finds an entry on a card, and its value. Entries start at 7s: a role the
// card lacks becomes -1s; a boost or monitor it lacks keeps its place with the value 2.
struct Found {
    int card, entry, destination, line, control;
    float value;
};
// clang-format off
const Found kFound[] = {
    {0, me::kMaster, 0, 3, 0, percent(52428)},     {0, me::kMasterMute, 0, 3, 1, 0},
    {0, me::kWave, 0, 0, 0, percent(45000)},       {0, me::kWaveMute, 0, 0, 1, 0},
    {0, me::kMicPlay, 0, 1, 0, percent(10000)},    {0, me::kMicPlayMute, 0, 1, 1, 1},
    {0, me::kLinePlay, 0, 2, 0, percent(20000)},   {0, me::kLinePlayMute, 0, 2, 1, 1},
    {0, me::kMicRecord, 1, 0, 0, percent(30000)},  {0, me::kMicBoost, 1, 0, 1, 1},
    {0, me::kLineRecord, 1, 1, 0, percent(40000)}, {0, me::kMonitor, 1, 1, 1, 0},
    {0, me::kMicSelect, 1, 2, 0, 1},               {0, me::kLineSelect, 1, 2, 0, 0},
    {1, me::kWave, 0, 0, 0, percent(45000)},       {1, me::kWaveMute, 0, 0, 2, 0},
    {1, me::kLinePlay, 0, 2, 0, percent(20000)},   {1, me::kLinePlayMute, 0, 2, 1, 1},
    {1, me::kMonitor, 1, 1, 2, 0},                 {1, me::kMicBoost, 0, 1, 2, 1},
    {2, me::kWaveMute, -1, -1, -1, -1},            {2, me::kLinePlay, -1, -1, -1, -1},
    {2, me::kLinePlayMute, 0, 2, 0, 0},            {2, me::kMonitor, 7, 7, 7, 2},
    {2, me::kMicBoost, 7, 7, 7, 2},                {3, me::kMicBoost, 1, 0, 1, 1},
    {4, me::kMicBoost, 7, 7, 7, 2},
};
// clang-format on

TEST(Discovery, TheTypicalCardAndItsVariants) {
    for (int card = 0; card < static_cast<int>(std::size(kCards)); ++card) {
        FakeMixer mixer;
        mixer.devices = {typicalSoundCard()};
        kCards[card](mixer.devices[0].destinations);
        Publics publics;
        publics.MixerControls.fill({7, 7, 7, 7, 0});
        SetUpSoundControls(mixer, publics);
        for (const Found& f : kFound) {
            const MixerControlEntry& e = publics.MixerControls[f.entry];
            if (f.card != card) continue;
            EXPECT_EQ(std::tuple(e.destination, e.line, e.control, e.value, e.reserved),
                      std::tuple(f.destination, f.line, f.control, f.value, 0))
                << "card " << card << ", entry " << f.entry;
        }
    }
}

}  // namespace
}  // namespace tk
