#include <gtest/gtest.h>

#include <functional>

#include "fake_mixer.h"
#include "modules/mixer_discovery.h"

namespace tk {
namespace {

using namespace mixercode;
using test::FakeMixer;
using test::FakeMixerDevice;
using test::fakeSwitch;
using test::fakeVolume;
namespace me = mixerentry;

void expectAt(const MixerControlEntry& e, int destination, int line, int control, float value,
              int reserved = 0) {
    EXPECT_EQ(e.destination, destination);
    EXPECT_EQ(e.line, line);
    EXPECT_EQ(e.control, control);
    EXPECT_FLOAT_EQ(e.value, value);
    EXPECT_EQ(e.reserved, reserved);
}

void expectNotFound(const MixerControlEntry& e) {
    expectAt(e, -1, -1, -1, -1.0f);
}

struct Discovery : ::testing::Test {
    FakeMixer mixer;
    Publics publics;
    void run() { SetUpSoundControls(mixer, publics); }
};

// Variants of the typical card: each row changes it, then the named entries must hold the
// given coordinates and value (-1 coordinates: not found; value 2: not available).
TEST_F(Discovery, TheTypicalCardAndItsVariants) {
    using Change = std::function<void(FakeMixerDevice&)>;
    auto boost = [](std::string name, int16_t type) -> Change {
        return [=](FakeMixerDevice& d) {
            d.destinations[1].sources[0].controls = {fakeVolume("Microphone", 30000),
                                                     fakeSwitch(name, type, 1)};
        };
    };
    const MixerControlEntry boostFound{1, 0, 1, 1, 0}, noBoost{0, 0, 0, 2, 0},
        notFound{-1, -1, -1, -1, 0};
    const struct {
        const char* what;
        Change change;
        std::vector<std::pair<int, MixerControlEntry>> expected;
    } rows[] = {
        // Playback: wave 0, microphone 1, line in 2, master line 3; recording: microphone
        // 0, line in 1, wave-in line 2.
        {"typical card",
         [](FakeMixerDevice&) {},
         {{me::kMaster, {0, 3, 0, 52428 / 655.35f, 0}},
          {me::kMasterMute, {0, 3, 1, 0, 0}},
          {me::kWave, {0, 0, 0, 45000 / 655.35f, 0}},
          {me::kWaveMute, {0, 0, 1, 0, 0}},
          {me::kMicPlay, {0, 1, 0, 10000 / 655.35f, 0}},
          {me::kMicPlayMute, {0, 1, 1, 1, 0}},
          {me::kLinePlay, {0, 2, 0, 20000 / 655.35f, 0}},
          {me::kLinePlayMute, {0, 2, 1, 1, 0}},
          {me::kMicRecord, {1, 0, 0, 30000 / 655.35f, 0}},
          {me::kMicBoost, {1, 0, 1, 1, 0}},
          {me::kLineRecord, {1, 1, 0, 40000 / 655.35f, 0}},
          {me::kMonitor, {1, 1, 1, 0, 0}},
          {me::kMicSelect, {1, 2, 0, 1, 0}},
          {me::kLineSelect, {1, 2, 0, 0, 0}}}},
        // The direct search misses a line-in of another line code; the scan looks at the
        // control a line selection makes current (control 0), the mute scan at each.
        {"line-in through the line scan",
         [](FakeMixerDevice& d) {
             auto& lineIn = d.destinations[0].sources[2];
             lineIn.lineCode = 26;
             lineIn.controls = {fakeVolume("Aux Line Volume", 1000),
                                fakeSwitch("Mute", kTypeMute, 0)};
         },
         {{me::kLinePlay, {0, 2, 0, 1000 / 655.35f, 0}}, {me::kLinePlayMute, {0, 2, 1, 0, 0}}}},
        {"line-in without volume or name",
         [](FakeMixerDevice& d) {
             d.destinations[0].sources[2].controls = {fakeSwitch("Aux Mute", kTypeMute, 0)};
         },
         {{me::kLinePlay, notFound}, {me::kLinePlayMute, {0, 2, 0, 0, 0}}}},
        {"wave without mute",
         [](FakeMixerDevice& d) {
             d.destinations[0].sources[0].controls = {fakeVolume("Wave", 32768)};
         },
         {{me::kWave, {0, 0, 0, 32768 / 655.35f, 0}}, {me::kWaveMute, notFound}}},
        {"wave by its name, mute by the control scan",
         [](FakeMixerDevice& d) {
             auto& wave = d.destinations[0].sources[0];
             wave.lineCode = 27;
             wave.controls = {fakeVolume("PCM Wave", 100), fakeSwitch("Wave Off", kTypeOnOff, 0),
                              fakeSwitch("Wave Mute", kTypeMute, 1)};
         },
         {{me::kWave, {0, 0, 0, 100 / 655.35f, 0}}, {me::kWaveMute, {0, 0, 2, 1, 0}}}},
        {"monitor: the first on/off control without MUT",
         [](FakeMixerDevice& d) {
             d.destinations[1].sources[1].controls = {
                 fakeVolume("Line In", 40000), fakeSwitch("Line Mute", kTypeOnOff, 1),
                 fakeSwitch("Monitor Off", kTypeOnOff, 1), fakeSwitch("Loopback", kTypeOnOff, 0)};
         },
         {{me::kMonitor, {1, 1, 2, 1, 0}}}},
        {"boost on the playback microphone line, found second",
         [](FakeMixerDevice& d) {
             d.destinations[1].sources[0].controls = {fakeVolume("Microphone", 30000)};
             d.destinations[0].sources[1].controls.push_back(
                 fakeSwitch("Mic Boost", kTypeOnOff, 1));
         },
         {{me::kMicBoost, {0, 1, 2, 1, 0}}}},
        // The boost's name test is case-sensitive, and it must be a switch.
        {"MIC BOOST", boost("MIC BOOST", kTypeOnOff), {{me::kMicBoost, noBoost}}},
        {"Mic Boost", boost("Mic Boost", kTypeOnOff), {{me::kMicBoost, boostFound}}},
        {"Mic Gain", boost("Mic Gain", kTypeOtherSwitch), {{me::kMicBoost, boostFound}}},
        {"+20dB", boost("+20dB", kTypeOnOff), {{me::kMicBoost, boostFound}}},
        {"Mic Boost as mute", boost("Mic Boost", kTypeMute), {{me::kMicBoost, noBoost}}},
        {"GAIN", boost("GAIN", kTypeOtherSwitch), {{me::kMicBoost, noBoost}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        FakeMixerDevice d = test::typicalSoundCard();
        row.change(d);
        mixer.devices = {d};
        publics = Publics{};
        run();
        for (const auto& [entry, want] : row.expected)
            expectAt(publics.MixerControls[entry], want.destination, want.line, want.control,
                     want.value);
    }
    // A monitor that is not available keeps its earlier coordinates.
    FakeMixerDevice d = test::typicalSoundCard();
    d.destinations[1].sources[1].controls = {fakeVolume("Line In", 40000)};
    mixer.devices = {d};
    publics.MixerControls[me::kMonitor] = {4, 5, 6, 0, 0};
    run();
    expectAt(publics.MixerControls[me::kMonitor], 4, 5, 6, 2);
}

TEST_F(Discovery, MissingRolesBecomeNotFoundAndErrorsEndTheSearch) {
    FakeMixerDevice d;
    d.name = "Bare";
    test::FakeMixerDestination play;
    play.line.controls = {fakeSwitch("Mute", kTypeMute, 1)};  // no master volume
    d.destinations = {play};
    mixer.devices = {d};
    for (auto& e : publics.MixerControls) e = {7, 7, 7, 7, 0};
    run();
    const auto& e = publics.MixerControls;
    for (int i : {me::kMicRecord, me::kMicSelect, me::kLineRecord, me::kLineSelect, me::kMaster,
                  me::kWave, me::kMicPlay, me::kMicPlayMute, me::kLinePlay})
        expectNotFound(e[i]);
    expectAt(e[me::kMasterMute], 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(e[me::kMicBoost].value, 2.0f);
    EXPECT_FLOAT_EQ(e[me::kMonitor].value, 2.0f);
    // A device without destinations finds nothing; a mixer error ends the search and
    // keeps what was found before it.
    mixer.devices = {FakeMixerDevice{"Empty", false, {}}};
    run();
    expectNotFound(publics.MixerControls[me::kMaster]);
    expectNotFound(ReadMixerControl(mixer, -1, 0, 0));  // the fake throws on any read
    mixer.devices = {test::typicalSoundCard()};
    mixer.failOn = {"findSwitch"};
    EXPECT_THROW(run(), MixerError);
    expectAt(publics.MixerControls[me::kMaster], 0, 3, 0, 52428 / 655.35f);
}

}  // namespace
}  // namespace tk
