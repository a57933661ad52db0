// Level, mute and switch exports, and the restore on close.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/level_math.h"
#include "test_support/rig.h"

namespace havro {
namespace {

using fake::FakeAudioSystem;

// A playback, a microphone and a line-in endpoint of the typical codec.
struct Endpoints {
    Endpoints() {
        play = fake::BuildPlayback(sys, u"P", u"Speakers");
        mic = fake::BuildCapture(sys, u"M", u"Microphone");
        line = fake::BuildCapture(sys, u"L", u"Line In");
        // Playback endpoint: -96..0 dB, stores exactly what it is given.
        play.device->volume = std::make_shared<fake::FakeEndpointVolume>(-96.0f, 0.0f, 2, -20.0f);
        line.device->volume = std::make_shared<fake::FakeEndpointVolume>(-34.5f, 12.0f, 2, 0.0f);
    }
    FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig play;
    fake::CaptureRig mic, line;
};

class LevelsTest : public ::testing::Test, protected Endpoints {
  protected:
    void Open() { ASSERT_EQ(lib.OpenSoundCard("{p}", "{m}", "{l}"), 0); }
    int32_t status = -1;
};

TEST_F(LevelsTest, EveryLevelExportAnswersStatus3BeforeAnyOpen) {
    using Set = int32_t (Library::*)(int32_t, int32_t*);
    using Get = int32_t (Library::*)(int32_t*);
    for (Set set : {&Library::SetMasterVolume, &Library::SetLinePlayBack, &Library::SetMicPlayBack,
                    &Library::SetMicRecordVolume, &Library::SetLineRecordVolume,
                    &Library::SetMasterMute, &Library::SetLinePlayBackMute,
                    &Library::SetMicPlayBackMute, &Library::SetMicBoost, &Library::SetNoMonitor}) {
        status = -1;
        EXPECT_EQ((lib.*set)(50, &status), 0);
        EXPECT_EQ(status, 3);
    }
    for (Get get : {&Library::GetMasterVolume, &Library::GetLinePlayBack, &Library::GetMicPlayBack,
                    &Library::GetMicRecordVolume, &Library::GetLineRecordVolume,
                    &Library::GetMasterMute, &Library::GetLinePlayBackMute,
                    &Library::GetMicPlayBackMute, &Library::GetMicBoost, &Library::GetNoMonitor}) {
        status = -1;
        EXPECT_EQ((lib.*get)(&status), 0);
        EXPECT_EQ(status, 3);
    }
    EXPECT_EQ(lib.SetMasterVolume(50, nullptr), 0);  // a null status is tolerated
    // Status 3 is tested before status 1.
    ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
    lib.GetMicRecordVolume(&status);
    EXPECT_EQ(status, 1);
    lib.CloseSoundCard();
    lib.GetMicRecordVolume(&status);
    EXPECT_EQ(status, 3);
}

TEST_F(LevelsTest, MasterVolumeSetsEveryChannelAndReadsChannel0) {
    Open();
    auto& v = *play.device->volume;
    EXPECT_EQ(lib.SetMasterVolume(100, &status), 100);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(v.channelDb[0], 0);
    EXPECT_FLOAT_EQ(v.channelDb[1], 0);
    EXPECT_EQ(lib.SetMasterVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(v.channelDb[0], -96);
    EXPECT_FLOAT_EQ(v.channelDb[1], -96);
    v.channelDb = {-20, -6};
    EXPECT_EQ(lib.GetMasterVolume(&status), 10);
    lib.SetMasterVolume(50, &status);
    EXPECT_EQ(v.channelDb[0], v.channelDb[1]);
    EXPECT_EQ(v.Calls("GetVolumeRange"), 4);  // the range is queried on every call
}

TEST_F(LevelsTest, LineRecordZeroIsFortyDecibelsBelowMaxButMicZeroIsTheMinimum) {
    Open();
    EXPECT_EQ(lib.SetLineRecordVolume(0, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(line.device->volume->masterDb, 12 - 40);
    EXPECT_EQ(lib.SetMicRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, -12);
    EXPECT_EQ(lib.SetMicRecordVolume(10, &status), 10);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 10);  // max 30 - 20
    EXPECT_EQ(lib.GetMicRecordVolume(&status), 10);
}

// A failing or quirky control: each row breaks one thing on a fresh open set, then one
// export's result and status must be as given.
TEST_F(LevelsTest, FailuresAndQuirkyAnswers) {
    const struct {
        const char* what;
        std::function<void(Endpoints&)> breakIt;
        std::function<int32_t(Library&, int32_t*)> call;
        int32_t result, status;
    } rows[] = {
        {"master set fails: the percent all the same",
         [](Endpoints& e) { e.play.device->volume->Fail("SetChannelVolumeLevel"); },
         [](Library& l, int32_t* s) { return l.SetMasterVolume(40, s); }, 40, 2},
        {"line set fails: 0", [](Endpoints& e) { e.play.lineLevel->Fail("SetLevel"); },
         [](Library& l, int32_t* s) { return l.SetLinePlayBack(40, s); }, 0, 2},
        {"recording set fails: the percent",
         [](Endpoints& e) { e.mic.device->volume->Fail("SetMasterVolumeLevel"); },
         [](Library& l, int32_t* s) { return l.SetMicRecordVolume(40, s); }, 40, 2},
        {"read fails", [](Endpoints& e) { e.play.micLevel->Fail("GetLevel"); },
         [](Library& l, int32_t* s) { return l.GetMicPlayBack(s); }, 0, 2},
        {"every channel answers a failure",
         [](Endpoints& e) { e.play.lineLevel->setLevelResult = kEFail; },
         [](Library& l, int32_t* s) { return l.SetLinePlayBack(30, s); }, 0, 2},
        {"invalid function on the microphone playback is success",
         [](Endpoints& e) { e.play.micLevel->setLevelResult = kEInvalidFunction; },
         [](Library& l, int32_t* s) { return l.SetMicPlayBack(60, s); }, 60, 0},
        {"...and on its mute",
         [](Endpoints& e) { e.play.micMute->setMuteResult = kEInvalidFunction; },
         [](Library& l, int32_t* s) { return l.SetMicPlayBackMute(-1, s); }, 0, 0},
        {"...but not on the line",
         [](Endpoints& e) { e.play.lineLevel->setLevelResult = kEInvalidFunction; },
         [](Library& l, int32_t* s) { return l.SetLinePlayBack(60, s); }, 0, 2},
        {"...nor on its mute",
         [](Endpoints& e) { e.play.lineMute->setMuteResult = kEInvalidFunction; },
         [](Library& l, int32_t* s) { return l.SetLinePlayBackMute(-1, s); }, 0, 2},
        {"no channels: nothing set", [](Endpoints& e) { e.play.device->volume->channelDb.clear(); },
         [](Library& l, int32_t* s) { return l.SetMasterVolume(70, s); }, 70, 2},
        {"no line channels", [](Endpoints& e) { e.play.lineLevel->channelDb.clear(); },
         [](Library& l, int32_t* s) { return l.SetLinePlayBack(70, s); }, 0, 2},
        {"range query fails on set",
         [](Endpoints& e) { e.play.device->volume->Fail("GetVolumeRange"); },
         [](Library& l, int32_t* s) { return l.SetMasterVolume(70, s); }, 70, 2},
        {"range query fails on read",
         [](Endpoints& e) { e.play.device->volume->Fail("GetVolumeRange"); },
         [](Library& l, int32_t* s) { return l.GetMasterVolume(s); }, 0, 2},
        {"S_FALSE from the master mute is success",
         [](Endpoints& e) { e.play.device->volume->setMuteResult = kSFalse; },
         [](Library& l, int32_t* s) { return l.SetMasterMute(0, s); }, 0, 0},
        {"S_FALSE from a line mute is success",
         [](Endpoints& e) { e.play.lineMute->setMuteResult = kSFalse; },
         [](Library& l, int32_t* s) { return l.SetLinePlayBackMute(-1, s); }, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Endpoints e;
        ASSERT_EQ(e.lib.OpenSoundCard("{p}", "{m}", "{l}"), 0);
        row.breakIt(e);
        e.play.device->volume->ResetCalls();
        int32_t s = -1;
        EXPECT_EQ(row.call(e.lib, &s), row.result);
        EXPECT_EQ(s, row.status);
        if (row.status != 0) EXPECT_EQ(e.play.device->volume->Calls("SetMasterVolumeLevel"), 0);
    }
}

TEST_F(LevelsTest, EndpointWithoutPerChannelLevelsIsDrivenThroughItsMaster) {
    Open();
    auto& v = *play.device->volume;
    v.Fail("GetChannelCount", kENotImpl);
    v.Fail("SetChannelVolumeLevel", kENotImpl);
    v.Fail("GetChannelVolumeLevel", kENotImpl);
    EXPECT_EQ(lib.SetMasterVolume(50, &status), 50);
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(v.masterDb, -6.02, 0.01);
    EXPECT_EQ(lib.GetMasterVolume(&status), 50);
    EXPECT_EQ(status, 0);
    v.Heal("GetChannelCount");  // a count, but channel calls not implemented
    EXPECT_EQ(lib.SetMasterVolume(10, &status), 10);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(v.masterDb, -20);
    v.Fail("SetMasterVolumeLevel");
    lib.SetMasterVolume(10, &status);
    EXPECT_EQ(status, 2);
}

TEST_F(LevelsTest, MasterMuteLooksAtTheLow8BitsAndReportsTheSystemCode) {
    Open();
    auto& v = *play.device->volume;
    EXPECT_EQ(lib.SetMasterMute(-1, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(v.muted);
    EXPECT_EQ(lib.GetMasterMute(&status), 1);
    lib.SetMasterMute(256, &status);
    EXPECT_FALSE(v.muted);
    lib.SetMasterMute(257, &status);
    EXPECT_TRUE(v.muted);
    v.Fail("SetMute", kEInvalidArg);
    lib.SetMasterMute(0, &status);
    EXPECT_EQ(status, kEInvalidArg);
    v.Fail("GetMute");
    EXPECT_EQ(lib.GetMasterMute(&status), 0);
    EXPECT_EQ(status, 2);
}

TEST_F(LevelsTest, FlagExportsTakeAnyNonzeroAndReadBack0Or1) {
    play.sum->incoming[1]->mute.reset();  // "Mic Mute" offers no IAudioMute: status 1
    Open();
    EXPECT_EQ(lib.SetMicPlayBackMute(-1, &status), 0);
    EXPECT_EQ(status, 1);
    lib.SetLinePlayBackMute(256, &status);  // full 32 bits here
    EXPECT_TRUE(play.lineMute->muted);
    EXPECT_EQ(lib.GetLinePlayBackMute(&status), 1);
    lib.SetMicBoost(0, &status);
    EXPECT_FALSE(mic.boost->enabled);
    EXPECT_EQ(lib.GetMicBoost(&status), 0);
    lib.SetNoMonitor(5, &status);
    EXPECT_TRUE(line.monitor->enabled);
    line.monitor->Fail("SetEnabled");
    EXPECT_EQ(lib.SetNoMonitor(0, &status), 0);
    EXPECT_EQ(status, 2);
    line.monitor->Fail("GetEnabled");
    EXPECT_EQ(lib.GetNoMonitor(&status), 0);
    EXPECT_EQ(status, 2);
}

TEST_F(LevelsTest, CloseRestoresExactDecibelsAndFlagsAboveZeroDbMaximums) {
    Open();  // mic endpoint at +20 dB of a +30 dB maximum, line input muted, boost on
    lib.SetMasterVolume(3, &status);
    lib.SetMasterMute(-1, &status);
    lib.SetLinePlayBack(100, &status);
    lib.SetLinePlayBackMute(0, &status);
    lib.SetMicPlayBack(1, &status);
    lib.SetMicPlayBackMute(-1, &status);
    lib.SetMicBoost(0, &status);
    lib.SetNoMonitor(0, &status);
    lib.SetBass(-9, &status);
    lib.SetTreble(9, &status);
    lib.SetMicRecordVolume(0, &status);
    lib.SetLineRecordVolume(0, &status);
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_FLOAT_EQ(play.device->volume->masterDb, -20);
    EXPECT_FALSE(play.device->volume->muted);
    EXPECT_FLOAT_EQ(play.lineLevel->channelDb[0], -6);
    EXPECT_FLOAT_EQ(play.lineLevel->channelDb[1], -7.5f);
    EXPECT_TRUE(play.lineMute->muted);
    EXPECT_FLOAT_EQ(play.micLevel->channelDb[1], 0);
    EXPECT_FALSE(play.micMute->muted);
    EXPECT_TRUE(mic.boost->enabled);
    EXPECT_TRUE(line.monitor->enabled);
    EXPECT_FLOAT_EQ(play.bass->channelDb[0], 2.5f);
    EXPECT_FLOAT_EQ(play.treble->channelDb[1], -1.5f);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 20);
    EXPECT_FLOAT_EQ(line.device->volume->masterDb, 0);
    EXPECT_FALSE(lib.IsOpen());
}

// Channels that differ: levels are read from channel 0, and a close gives each channel
// its own level back, so the balance survives.
TEST_F(LevelsTest, ChannelsThatDifferAreReadAtChannel0AndRestoredOneByOne) {
    play.lineLevel->channelDb = {-20, 0};
    play.bass->channelDb = {2, -4};
    Open();
    EXPECT_EQ(lib.GetLinePlayBack(&status), 2);  // -32 dB below the +12 dB top
    double db = 0;
    lib.GetBass(&db, &status);
    EXPECT_EQ(db, 2);
    lib.SetLinePlayBack(50, &status);
    lib.SetBass(0, &status);
    lib.CloseSoundCard();
    EXPECT_EQ(play.lineLevel->channelDb, (std::vector<float>{-20, 0}));
    EXPECT_EQ(play.bass->channelDb, (std::vector<float>{2, -4}));
}

TEST_F(LevelsTest, CloseRestoresOnlyValuesCapturedForTheSetNowOpen) {
    Open();
    // A second microphone whose level cannot be read when it is opened.
    auto other = fake::BuildCapture(sys, u"X", u"USB Microphone");
    other.device->volume->masterDb = 5;
    other.device->volume->Fail("GetMasterVolumeLevel");
    ASSERT_EQ(lib.OpenSoundCard("", "{x}", ""), 0);
    lib.SetMicRecordVolume(100, &status);
    EXPECT_EQ(status, 0);
    mic.device->volume->masterDb = 7;
    lib.CloseSoundCard();
    EXPECT_FLOAT_EQ(other.device->volume->masterDb, 30);  // not set from the first microphone
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 7);     // no longer part of the set
    EXPECT_EQ(play.device->volume->Calls("SetMasterVolumeLevel"), 0);
}

TEST_F(LevelsTest, CloseAfterAWalkWithoutTopologyPutsBackTheEndpointLevelOnly) {
    play.device->topology.reset();
    EXPECT_EQ(lib.OpenSoundCard("{p}", "", ""), 1);
    lib.SetMasterVolume(100, &status);
    lib.SetLinePlayBack(10, &status);
    EXPECT_EQ(status, 1);
    lib.CloseSoundCard();
    EXPECT_FLOAT_EQ(play.device->volume->masterDb, -20);
    EXPECT_EQ(play.lineLevel->Calls("SetLevel"), 0);
}

TEST_F(LevelsTest, CloseIgnoresFailuresAndCompletes) {
    Open();
    play.device->volume->Fail("SetMasterVolumeLevel");
    play.lineLevel->Fail("SetLevel");
    mic.boost->Fail("SetEnabled");
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_FALSE(lib.IsOpen());
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 20);  // later steps still ran
}

}  // namespace
}  // namespace havro
