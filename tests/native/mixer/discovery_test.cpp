#include <gtest/gtest.h>

#include "fake_mixer.h"
#include "modules/mixer_discovery.h"

namespace tk {
namespace {

using namespace mixercode;
using test::FakeMixer;
using test::FakeMixerDevice;
using test::fakeSelector;
using test::fakeSwitch;
using test::fakeVolume;
namespace me = mixerentry;

void expectAt(const MixerControlEntry& e, int destination, int line, int control, float value) {
    EXPECT_EQ(e.destination, destination);
    EXPECT_EQ(e.line, line);
    EXPECT_EQ(e.control, control);
    EXPECT_FLOAT_EQ(e.value, value);
    EXPECT_EQ(e.reserved, 0);
}

void expectNotFound(const MixerControlEntry& e) {
    expectAt(e, -1, -1, -1, -1.0f);
}

struct Discovery : ::testing::Test {
    FakeMixer mixer;
    Publics publics;
    void run() { SetUpSoundControls(mixer, publics); }
};

TEST_F(Discovery, TypicalCardFindsEveryRole) {
    mixer.devices = {test::typicalSoundCard()};
    run();
    const auto& e = publics.MixerControls;
    // Playback destination 0: sources wave 0, microphone 1, line in 2, master line 3.
    expectAt(e[me::kMaster], 0, 3, 0, 52428 / 655.35f);
    expectAt(e[me::kMasterMute], 0, 3, 1, 0);
    expectAt(e[me::kWave], 0, 0, 0, 45000 / 655.35f);
    expectAt(e[me::kWaveMute], 0, 0, 1, 0);
    expectAt(e[me::kMicPlay], 0, 1, 0, 10000 / 655.35f);
    expectAt(e[me::kMicPlayMute], 0, 1, 1, 1);
    expectAt(e[me::kLinePlay], 0, 2, 0, 20000 / 655.35f);
    expectAt(e[me::kLinePlayMute], 0, 2, 1, 1);
    // Recording destination 1: microphone 0, line in 1, wave-in line 2.
    expectAt(e[me::kMicRecord], 1, 0, 0, 30000 / 655.35f);
    expectAt(e[me::kMicBoost], 1, 0, 1, 1);
    expectAt(e[me::kLineRecord], 1, 1, 0, 40000 / 655.35f);
    expectAt(e[me::kMonitor], 1, 1, 1, 0);
    expectAt(e[me::kMicSelect], 1, 2, 0, 1);
    expectAt(e[me::kLineSelect], 1, 2, 0, 0);
    // Index 14 is never used.
    expectAt(e[14], 0, 0, 0, 0);
}

TEST_F(Discovery, VolumeIsPercentUnroundedOtherValuesRaw) {
    mixer.devices = {test::typicalSoundCard()};
    mixer.control(0, 0, 3, 0).values = {65535, 65535};
    mixer.control(0, 0, 0, 0).values = {1, 1};
    run();
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kMaster].value, 100.0f);
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kWave].value, static_cast<float>(1 / 655.35));
}

TEST_F(Discovery, LineInVolumeReachedOnlyThroughTheLineScan) {
    FakeMixerDevice d = test::typicalSoundCard();
    // The line-in source reports another line code, so the direct search misses it;
    // its second control carries the name the scan looks for, but the scan looks at
    // the control a line selection makes current: control 0.
    auto& lineIn = d.destinations[0].sources[2];
    lineIn.lineCode = 26;
    lineIn.controls = {fakeVolume("Aux Line Volume", 1000), fakeSwitch("Mute", kTypeMute, 0)};
    mixer.devices = {d};
    run();
    const auto& e = publics.MixerControls;
    expectAt(e[me::kLinePlay], 0, 2, 0, 1000 / 655.35f);
    // The mute search scans the same way, then picks the first mute-like control.
    expectAt(e[me::kLinePlayMute], 0, 2, 1, 0);
}

TEST_F(Discovery, LineInWithoutVolumeAndWithoutNameIsNotFound) {
    FakeMixerDevice d = test::typicalSoundCard();
    // No volume on the line in and no name with "LIN": the scan finds nothing.
    d.destinations[0].sources[2].controls = {fakeSwitch("Aux Mute", kTypeMute, 0)};
    mixer.devices = {d};
    run();
    expectNotFound(publics.MixerControls[me::kLinePlay]);
    // The mute is found directly.
    expectAt(publics.MixerControls[me::kLinePlayMute], 0, 2, 0, 0);
}

TEST_F(Discovery, WaveVolumeWithoutMuteSwitch) {
    FakeMixerDevice d = test::typicalSoundCard();
    d.destinations[0].sources[0].controls = {fakeVolume("Wave", 32768)};
    mixer.devices = {d};
    run();
    expectAt(publics.MixerControls[me::kWave], 0, 0, 0, 32768 / 655.35f);
    expectNotFound(publics.MixerControls[me::kWaveMute]);
}

TEST_F(Discovery, WaveFoundByNameScanAndMuteByControlScan) {
    FakeMixerDevice d = test::typicalSoundCard();
    auto& wave = d.destinations[0].sources[0];
    wave.lineCode = 27;  // not the wave code: only the name finds it
    wave.controls = {fakeVolume("PCM Wave", 100), fakeSwitch("Wave Off", kTypeOnOff, 0),
                     fakeSwitch("Wave Mute", kTypeMute, 1)};
    mixer.devices = {d};
    run();
    expectAt(publics.MixerControls[me::kWave], 0, 0, 0, 100 / 655.35f);
    expectAt(publics.MixerControls[me::kWaveMute], 0, 0, 2, 1);
}

TEST_F(Discovery, MonitorSwitchIsTheFirstOnOffControlWithoutMut) {
    FakeMixerDevice d = test::typicalSoundCard();
    d.destinations[1].sources[1].controls = {
        fakeVolume("Line In", 40000), fakeSwitch("Line Mute", kTypeOnOff, 1),
        fakeSwitch("Monitor Off", kTypeOnOff, 1), fakeSwitch("Loopback", kTypeOnOff, 0)};
    mixer.devices = {d};
    run();
    expectAt(publics.MixerControls[me::kMonitor], 1, 1, 2, 1);
}

TEST_F(Discovery, MonitorNotAvailableKeepsCoordinates) {
    FakeMixerDevice d = test::typicalSoundCard();
    d.destinations[1].sources[1].controls = {fakeVolume("Line In", 40000)};
    mixer.devices = {d};
    publics.MixerControls[me::kMonitor] = {4, 5, 6, 0, 0};
    run();
    expectAt(publics.MixerControls[me::kMonitor], 4, 5, 6, 2);
}

TEST_F(Discovery, BoostNameTestIsCaseSensitive) {
    struct Case {
        std::string name;
        int16_t type;
        bool found;
    };
    const Case cases[] = {
        {"MIC BOOST", kTypeOnOff, false},     {"Mic Boost", kTypeOnOff, true},
        {"Mic Gain", kTypeOtherSwitch, true}, {"+20dB", kTypeOnOff, true},
        {"AGC", kTypeOnOff, false},           {"Mic Boost", kTypeMute, false},
        {"GAIN", kTypeOtherSwitch, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMixerDevice d = test::typicalSoundCard();
        d.destinations[1].sources[0].controls = {fakeVolume("Microphone", 30000),
                                                 fakeSwitch(c.name, c.type, 1)};
        mixer.devices = {d};
        publics = Publics{};
        run();
        if (c.found)
            expectAt(publics.MixerControls[me::kMicBoost], 1, 0, 1, 1);
        else
            EXPECT_FLOAT_EQ(publics.MixerControls[me::kMicBoost].value, 2.0f);
    }
}

TEST_F(Discovery, BoostOnThePlaybackMicrophoneLineIsFoundSecond) {
    FakeMixerDevice d = test::typicalSoundCard();
    d.destinations[1].sources[0].controls = {fakeVolume("Microphone", 30000)};
    d.destinations[0].sources[1].controls.push_back(fakeSwitch("Mic Boost", kTypeOnOff, 1));
    mixer.devices = {d};
    run();
    expectAt(publics.MixerControls[me::kMicBoost], 0, 1, 2, 1);
}

TEST_F(Discovery, MissingRolesBecomeNotFound) {
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
                  me::kWave, me::kMicPlay, me::kMicPlayMute, me::kLinePlay}) {
        SCOPED_TRACE(i);
        expectNotFound(e[i]);
    }
    expectAt(e[me::kMasterMute], 0, 0, 0, 1);
    // Without a wave or line-in line the mute scans still run, on the last line their
    // line scans visited (here the destination line); the dialog disables those pairs
    // all the same, as their volumes are missing.
    expectAt(e[me::kWaveMute], 0, 0, 0, 1);
    expectAt(e[me::kLinePlayMute], 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(e[me::kMicBoost].value, 2.0f);
    EXPECT_FLOAT_EQ(e[me::kMonitor].value, 2.0f);
}

TEST_F(Discovery, DeviceWithoutDestinationsMatchesNothing) {
    mixer.devices = {FakeMixerDevice{"Empty", {}}};
    run();
    expectNotFound(publics.MixerControls[me::kMaster]);
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kMonitor].value, 2.0f);
}

TEST_F(Discovery, MixerErrorsReachTheCaller) {
    mixer.devices = {test::typicalSoundCard()};
    mixer.failOn = {"findSwitch"};
    EXPECT_THROW(run(), MixerError);
    // What was found before the failure is kept.
    expectAt(publics.MixerControls[me::kMaster], 0, 3, 0, 52428 / 655.35f);

    mixer.failOn.clear();
    mixer.devices.clear();  // no device at all
    EXPECT_THROW(run(), MixerError);
}

TEST_F(Discovery, ReadMixerControlOfMinusOneIsNotFound) {
    mixer.devices = {test::typicalSoundCard()};
    expectNotFound(ReadMixerControl(mixer, -1, 0, 0));
    EXPECT_EQ(mixer.calls["getControlInfo"], 0);
}

TEST_F(Discovery, VistaVariantTouchesOnlyEntriesSixAndSeven) {
    FakeMixerDevice d;
    d.name = "Speakers (Wine)";
    test::FakeMixerDestination play;
    play.line.controls = {fakeVolume("Master Volume", 30000),
                          fakeSwitch("Master Mute", kTypeMute, 1)};
    play.sources = {
        {kLineWave, 2, {fakeVolume("Wave Volume", 12345), fakeSwitch("Mute", kTypeMute, 0)}}};
    d.destinations = {play};
    mixer.devices = {d};
    publics.OSMajor = 6;
    for (auto& e : publics.MixerControls) e = {9, 9, 9, 9.5f, 9};
    run();
    const auto& e = publics.MixerControls;
    for (int i = 0; i < 15; ++i) {
        if (i == me::kMasterMute || i == me::kWave) continue;
        SCOPED_TRACE(i);
        EXPECT_EQ(e[i].destination, 9);
        EXPECT_EQ(e[i].line, 9);
        EXPECT_EQ(e[i].control, 9);
        EXPECT_FLOAT_EQ(e[i].value, 9.5f);
        EXPECT_EQ(e[i].reserved, 9);
    }
    // The scan runs over every line: the last match wins, values are raw.
    EXPECT_EQ(e[me::kWave].line, 1);
    EXPECT_EQ(e[me::kWave].control, 0);
    EXPECT_EQ(e[me::kWave].destination, 0);
    EXPECT_FLOAT_EQ(e[me::kWave].value, 30000.0f);
    EXPECT_EQ(e[me::kMasterMute].line, 1);
    EXPECT_EQ(e[me::kMasterMute].control, 1);
    EXPECT_FLOAT_EQ(e[me::kMasterMute].value, 1.0f);
}

}  // namespace
}  // namespace tk
