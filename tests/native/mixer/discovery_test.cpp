#include <gtest/gtest.h>

#include <functional>

#include "fake_mixer.h"
#include "modules/mixer_discovery.h"

namespace tk {
namespace {

using namespace mixercode;
using test::fakeSwitch;
using test::fakeVolume;
using Card = test::FakeMixerDevice;
namespace me = mixerentry;

float percent(int32_t raw) {
    return static_cast<float>(raw / 655.35);
}

// Variants of the typical card: each row changes it, then the named entries must hold the
// given place and value. Every entry starts at 7s: a role the card lacks becomes -1s, a
// boost or monitor it lacks keeps its place with the value 2.
TEST(Discovery, TheTypicalCardAndItsVariants) {
    const auto boost = [](const char* name, int16_t type, MixerControlEntry want) {
        return std::pair{
            [=](Card& d) { d.destinations[1].sources[0].controls[1] = fakeSwitch(name, type, 1); },
            std::vector{std::pair{me::kMicBoost, want}}};
    };
    const MixerControlEntry none{-1, -1, -1, -1, 0}, absent{7, 7, 7, 2, 0};
    const MixerControlEntry boostFound{1, 0, 1, 1, 0};
    const std::pair<std::function<void(Card&)>, std::vector<std::pair<int, MixerControlEntry>>>
        rows[] = {
            // Playback: wave 0, microphone 1, line in 2, master 3; recording: microphone 0,
            // line in 1, the selector's line 2.
            {[](Card&) {},
             {{me::kMaster, {0, 3, 0, percent(52428), 0}},
              {me::kMasterMute, {0, 3, 1, 0, 0}},
              {me::kWave, {0, 0, 0, percent(45000), 0}},
              {me::kWaveMute, {0, 0, 1, 0, 0}},
              {me::kMicPlay, {0, 1, 0, percent(10000), 0}},
              {me::kMicPlayMute, {0, 1, 1, 1, 0}},
              {me::kLinePlay, {0, 2, 0, percent(20000), 0}},
              {me::kLinePlayMute, {0, 2, 1, 1, 0}},
              {me::kMicRecord, {1, 0, 0, percent(30000), 0}},
              {me::kMicBoost, boostFound},
              {me::kLineRecord, {1, 1, 0, percent(40000), 0}},
              {me::kMonitor, {1, 1, 1, 0, 0}},
              {me::kMicSelect, {1, 2, 0, 1, 0}},
              {me::kLineSelect, {1, 2, 0, 0, 0}}}},
            // A line-in of another line code: the line scan looks at the control a line
            // selection makes current (control 0), the mute scan at each.
            {[](Card& d) {
                 d.destinations[0].sources[2] = {
                     26, {fakeVolume("Aux Line Volume", 1000), fakeSwitch("Mute", kTypeMute, 0)}};
             },
             {{me::kLinePlay, {0, 2, 0, percent(1000), 0}}, {me::kLinePlayMute, {0, 2, 1, 0, 0}}}},
            {[](Card& d) {
                 d.destinations[0].sources[2].controls = {fakeSwitch("Aux Mute", kTypeMute, 0)};
             },
             {{me::kLinePlay, none}, {me::kLinePlayMute, {0, 2, 0, 0, 0}}}},
            {[](Card& d) { d.destinations[0].sources[0].controls.pop_back(); },
             {{me::kWave, {0, 0, 0, percent(45000), 0}}, {me::kWaveMute, none}}},
            {[](Card& d) {
                 d.destinations[0].sources[0] = {
                     27,
                     {fakeVolume("PCM Wave", 100), fakeSwitch("Wave Off", kTypeOnOff, 0),
                      fakeSwitch("Wave Mute", kTypeMute, 1)}};
             },
             {{me::kWave, {0, 0, 0, percent(100), 0}}, {me::kWaveMute, {0, 0, 2, 1, 0}}}},
            // The monitor: the first on/off control whose name holds no "MUT".
            {[](Card& d) {
                 d.destinations[1].sources[1].controls = {
                     fakeVolume("Line In", 40000), fakeSwitch("Line Mute", kTypeOnOff, 1),
                     fakeSwitch("Monitor Off", kTypeOnOff, 1), fakeSwitch("Loop", kTypeOnOff, 0)};
             },
             {{me::kMonitor, {1, 1, 2, 1, 0}}}},
            {[](Card& d) { d.destinations[1].sources[1].controls.pop_back(); },
             {{me::kMonitor, absent}}},
            // The boost, second, on the playback microphone line.
            {[](Card& d) {
                 d.destinations[1].sources[0].controls.pop_back();
                 d.destinations[0].sources[1].controls.push_back(
                     fakeSwitch("Mic Boost", kTypeOnOff, 1));
             },
             {{me::kMicBoost, {0, 1, 2, 1, 0}}}},
            // The boost's name test is case-sensitive, and it must be a switch.
            boost("Mic Boost", kTypeOnOff, boostFound),
            boost("Mic Gain", kTypeOtherSwitch, boostFound),
            boost("+20dB", kTypeOnOff, boostFound),
            boost("MIC BOOST GAIN", kTypeOnOff, absent),
            boost("Mic Boost", kTypeMute, absent),
            // A card with a master mute alone.
            {[](Card& d) {
                 d.destinations = {
                     {kDestPlayback, {}, {kLineMaster, {fakeSwitch("Mute", kTypeMute, 1)}}}};
             },
             {{me::kMaster, none},
              {me::kMasterMute, {0, 0, 0, 1, 0}},
              {me::kWave, none},
              {me::kMicPlay, none},
              {me::kMicPlayMute, none},
              {me::kLinePlay, none},
              {me::kMicRecord, none},
              {me::kLineRecord, none},
              {me::kMicSelect, none},
              {me::kLineSelect, none},
              {me::kMicBoost, absent},
              {me::kMonitor, absent}}},
        };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        test::FakeMixer mixer;
        mixer.devices = {test::typicalSoundCard()};
        rows[i].first(mixer.devices[0]);
        Publics publics;
        publics.MixerControls.fill({7, 7, 7, 7, 0});
        SetUpSoundControls(mixer, publics);
        for (const auto& [entry, want] : rows[i].second) {
            const MixerControlEntry& e = publics.MixerControls[entry];
            EXPECT_EQ(std::tuple(e.destination, e.line, e.control, e.value, e.reserved),
                      std::tuple(want.destination, want.line, want.control, want.value, 0))
                << "row " << i << ", entry " << entry;
        }
    }
}

// A mixer error ends the search; what was found before it stays.
TEST(Discovery, AMixerErrorEndsTheSearch) {
    test::FakeMixer mixer;
    mixer.devices = {test::typicalSoundCard()};
    mixer.failOn = {"findSwitch"};
    Publics publics;
    EXPECT_THROW(SetUpSoundControls(mixer, publics), MixerError);
    EXPECT_EQ(publics.MixerControls[me::kMaster].value, percent(52428));
}

}  // namespace
}  // namespace tk
