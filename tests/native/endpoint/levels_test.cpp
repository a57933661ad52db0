// Level, mute, switch and tone exports on an open endpoint set, and the restore on close.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::FakeAudioSystem;

// A playback, a microphone and a line-in endpoint of the typical codec.
struct Endpoints {
    Endpoints() {
        // Playback endpoint: -96..0 dB, both channels at -20 dB.
        play.device->volume =
            std::make_shared<fake::FakeControl>(-96.0f, 0.0f, std::vector<float>{-20, -20});
        line.device->volume =
            std::make_shared<fake::FakeControl>(-34.5f, 12.0f, std::vector<float>{0, 0});
    }
    FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig play = fake::BuildPlayback(sys, u"P", u"Speakers");
    fake::CaptureRig mic = fake::BuildCapture(sys, u"M", u"Microphone");
    fake::CaptureRig line = fake::BuildCapture(sys, u"L", u"Line In");
};

class LevelsTest : public ::testing::Test, protected Endpoints {
  protected:
    void Open() { ASSERT_EQ(lib.OpenSoundCard("{p}", "{m}", "{l}"), 0); }
    int32_t status = -1;
};

// Before an open every export answers status 3 (before status 1 for a missing control),
// and again after a close.
TEST_F(LevelsTest, EveryExportAnswersStatus3WithoutAnOpenSet) {
    using Set = int32_t (Library::*)(int32_t, int32_t*);
    using Get = int32_t (Library::*)(int32_t*);
    auto all3 = [&] {
        for (Set set :
             {&Library::SetMasterVolume, &Library::SetLinePlayBack, &Library::SetMicPlayBack,
              &Library::SetMicRecordVolume, &Library::SetLineRecordVolume, &Library::SetMasterMute,
              &Library::SetLinePlayBackMute, &Library::SetMicPlayBackMute, &Library::SetMicBoost,
              &Library::SetNoMonitor}) {
            EXPECT_EQ((lib.*set)(50, &status), 0);
            EXPECT_EQ(std::exchange(status, -1), 3);
        }
        for (Get get :
             {&Library::GetMasterVolume, &Library::GetLinePlayBack, &Library::GetMicPlayBack,
              &Library::GetMicRecordVolume, &Library::GetLineRecordVolume, &Library::GetMasterMute,
              &Library::GetLinePlayBackMute, &Library::GetMicPlayBackMute, &Library::GetMicBoost,
              &Library::GetNoMonitor}) {
            EXPECT_EQ((lib.*get)(&status), 0);
            EXPECT_EQ(std::exchange(status, -1), 3);
        }
        double db = 1, mn = 1, mx = 1, st = 1;
        EXPECT_EQ(lib.SetBass(1, &status), 1);
        EXPECT_EQ(std::exchange(status, -1), 3);
        EXPECT_EQ(lib.GetTreble(&db, &status), 1);
        EXPECT_EQ(std::exchange(status, -1), 3);
        EXPECT_EQ(lib.GetEQRange(&mn, &mx, &st), 3);
        EXPECT_EQ(std::vector<double>({db, mn, mx, st}), std::vector<double>(4, 0));
    };
    all3();
    EXPECT_EQ(lib.SetMasterVolume(50, nullptr), 0);  // a null status is tolerated
    ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
    lib.GetMicRecordVolume(&status);
    EXPECT_EQ(status, 1);
    lib.CloseSoundCard();
    all3();
}

TEST_F(LevelsTest, PercentLevelsGoToEveryChannelAndComeFromChannel0) {
    Open();
    auto& v = *play.device->volume;
    EXPECT_EQ(lib.SetMasterVolume(10, &status), 10);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(v.channelDb, (std::vector<float>{-20, -20}));
    EXPECT_EQ(lib.SetMasterVolume(0, &status), 0);
    EXPECT_EQ(v.channelDb, (std::vector<float>{-96, -96}));
    v.channelDb = {-20, -6};
    EXPECT_EQ(lib.GetMasterVolume(&status), 10);
    EXPECT_EQ(v.Calls("GetVolumeRange"), 3);      // the range is queried on every call
    EXPECT_EQ(lib.GetLinePlayBack(&status), 12);  // -6 dB of +12: truncated from 12.6
    EXPECT_EQ(lib.SetLinePlayBack(50, &status), 50);
    EXPECT_EQ(play.lineLevel->channelDb[0], play.lineLevel->channelDb[1]);
    // The recording volumes go through the master level; the line-in's 0 is 40 dB below its
    // maximum, the microphone's the range minimum.
    EXPECT_EQ(lib.SetLineRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(line.device->volume->masterDb, 12 - 40);
    EXPECT_EQ(lib.SetMicRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, -12);
    EXPECT_EQ(lib.SetMicRecordVolume(10, &status), 10);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 10);  // max 30 - 20
    EXPECT_EQ(lib.GetMicRecordVolume(&status), 10);
}

// Each row sets up one answer of one control on a fresh open set; then one export's result
// and status must be as given.
TEST_F(LevelsTest, FailuresAndQuirkyAnswers) {
    using Row = std::tuple<const char*, std::function<void(Endpoints&)>,
                           std::function<int32_t(Library&, int32_t*)>, int32_t, int32_t>;
    const auto setMaster = [](Library& l, int32_t* s) { return l.SetMasterVolume(40, s); };
    const auto setMic = [](Library& l, int32_t* s) { return l.SetMicPlayBack(60, s); };
    const auto setLine = [](Library& l, int32_t* s) { return l.SetLinePlayBack(60, s); };
    const auto muteMic = [](Library& l, int32_t* s) { return l.SetMicPlayBackMute(-1, s); };
    const auto muteLine = [](Library& l, int32_t* s) { return l.SetLinePlayBackMute(-1, s); };
    const Row rows[] = {
        {"master set fails: the percent all the same",
         [](Endpoints& e) { e.play.device->volume->Fail("SetChannelVolumeLevel"); }, setMaster, 40,
         2},
        {"no channels: nothing set, not even the master",
         [](Endpoints& e) { e.play.device->volume->channelDb.clear(); }, setMaster, 40, 2},
        {"no per-channel levels: the master",
         [](Endpoints& e) { e.play.device->volume->Fail("GetChannelCount", kENotImpl); }, setMaster,
         40, 0},
        {"no per-channel set: the master",
         [](Endpoints& e) { e.play.device->volume->Fail("SetChannelVolumeLevel", kENotImpl); },
         setMaster, 40, 0},
        {"no per-channel read: the master",
         [](Endpoints& e) { e.play.device->volume->Fail("GetChannelVolumeLevel", kENotImpl); },
         [](Library& l, int32_t* s) { return l.GetMasterVolume(s); }, 10, 0},
        {"range query fails", [](Endpoints& e) { e.play.device->volume->Fail("GetVolumeRange"); },
         [](Library& l, int32_t* s) { return l.GetMasterVolume(s); }, 0, 2},
        {"recording set fails: the percent",
         [](Endpoints& e) { e.mic.device->volume->Fail("SetMasterVolumeLevel"); },
         [](Library& l, int32_t* s) { return l.SetMicRecordVolume(40, s); }, 40, 2},
        {"read fails", [](Endpoints& e) { e.play.micLevel->Fail("GetLevel"); },
         [](Library& l, int32_t* s) { return l.GetMicPlayBack(s); }, 0, 2},
        {"invalid function on the microphone playback is success",
         [](Endpoints& e) { e.play.micLevel->Fail("SetLevel", kEInvalidFunction); }, setMic, 60, 0},
        {"...and on its mute",
         [](Endpoints& e) { e.play.micMute->Fail("SetMute", kEInvalidFunction); }, muteMic, 0, 0},
        {"...but not on the line",
         [](Endpoints& e) { e.play.lineLevel->Fail("SetLevel", kEInvalidFunction); }, setLine, 0,
         2},
        {"...nor on its mute",
         [](Endpoints& e) { e.play.lineMute->Fail("SetMute", kEInvalidFunction); }, muteLine, 0, 2},
        {"S_FALSE from the master mute is success",
         [](Endpoints& e) { e.play.device->volume->Fail("SetMute", kSFalse); },
         [](Library& l, int32_t* s) { return l.SetMasterMute(0, s); }, 0, 0},
        {"a failed master mute reports the system's code",
         [](Endpoints& e) { e.play.device->volume->Fail("SetMute", kEInvalidArg); },
         [](Library& l, int32_t* s) { return l.SetMasterMute(0, s); }, 0, kEInvalidArg},
        {"no mute on the microphone input",
         [](Endpoints& e) { e.play.sum->incoming[1]->mute.reset(); }, muteMic, 0, 1},
        {"switch set fails", [](Endpoints& e) { e.line.monitor->Fail("SetEnabled"); },
         [](Library& l, int32_t* s) { return l.SetNoMonitor(0, s); }, 0, 2},
        {"switch read fails", [](Endpoints& e) { e.line.monitor->Fail("GetEnabled"); },
         [](Library& l, int32_t* s) { return l.GetNoMonitor(s); }, 0, 2},
    };
    for (const auto& [what, setUp, call, result, expected] : rows) {
        SCOPED_TRACE(what);
        Endpoints e;
        setUp(e);
        ASSERT_EQ(e.lib.OpenSoundCard("{p}", "{m}", "{l}"), 0);
        int32_t s = -1;
        EXPECT_EQ(call(e.lib, &s), result);
        EXPECT_EQ(s, expected);
    }
}

// Flags: the master mute looks at the low 8 bits only, the others at all 32; reads give 0/1.
TEST_F(LevelsTest, FlagsSetAndReadBack) {
    Open();
    const struct {
        int32_t (Library::*set)(int32_t, int32_t*);
        int32_t (Library::*get)(int32_t*);
        int32_t flag;
        bool* state;
        bool expected;
    } rows[] = {
        {&Library::SetMasterMute, &Library::GetMasterMute, -1, &play.device->volume->flag, true},
        {&Library::SetMasterMute, &Library::GetMasterMute, 256, &play.device->volume->flag, false},
        {&Library::SetMasterMute, &Library::GetMasterMute, 257, &play.device->volume->flag, true},
        {&Library::SetLinePlayBackMute, &Library::GetLinePlayBackMute, 0, &play.lineMute->flag,
         false},
        {&Library::SetLinePlayBackMute, &Library::GetLinePlayBackMute, 256, &play.lineMute->flag,
         true},
        {&Library::SetMicPlayBackMute, &Library::GetMicPlayBackMute, 2, &play.micMute->flag, true},
        {&Library::SetMicBoost, &Library::GetMicBoost, 0, &mic.boost->flag, false},
        {&Library::SetNoMonitor, &Library::GetNoMonitor, 0, &line.monitor->flag, false},
        {&Library::SetNoMonitor, &Library::GetNoMonitor, 5, &line.monitor->flag, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flag);
        EXPECT_EQ((lib.*row.set)(row.flag, &status), 0);
        EXPECT_EQ(std::exchange(status, -1), 0);
        EXPECT_EQ(*row.state, row.expected);
        EXPECT_EQ((lib.*row.get)(&status), row.expected ? 1 : 0);
        EXPECT_EQ(std::exchange(status, -1), 0);
    }
}

// A close puts back exactly the dB values (each channel its own) and flags read at open.
TEST_F(LevelsTest, CloseRestoresEveryCapturedValue) {
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
    EXPECT_FALSE(play.device->volume->flag);
    EXPECT_EQ(play.lineLevel->channelDb, (std::vector<float>{-6, -7.5f}));
    EXPECT_TRUE(play.lineMute->flag);
    EXPECT_EQ(play.micLevel->channelDb, (std::vector<float>{0, 0}));
    EXPECT_FALSE(play.micMute->flag);
    EXPECT_TRUE(mic.boost->flag);
    EXPECT_TRUE(line.monitor->flag);
    EXPECT_EQ(play.bass->channelDb, (std::vector<float>{2.5f, -1}));
    EXPECT_EQ(play.treble->channelDb, (std::vector<float>{-1.5f, -1.5f}));
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 20);
    EXPECT_FLOAT_EQ(line.device->volume->masterDb, 0);
    EXPECT_FALSE(lib.IsOpen());
    // A second close restores nothing again.
    play.device->volume->ResetCalls();
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_EQ(play.device->volume->Calls("SetMasterVolumeLevel"), 0);
}

// A value captured goes with its control: a microphone opened in place of another, whose
// level could not be read, gets nothing of the first one's on close.
TEST_F(LevelsTest, CloseRestoresOnlyValuesCapturedForTheSetNowOpen) {
    Open();
    auto other = fake::BuildCapture(sys, u"X", u"USB Microphone");
    other.device->volume->Fail("GetMasterVolumeLevel");
    ASSERT_EQ(lib.OpenSoundCard("", "{x}", ""), 0);
    lib.SetMicRecordVolume(100, &status);
    mic.device->volume->masterDb = 7;
    lib.CloseSoundCard();
    EXPECT_FLOAT_EQ(other.device->volume->masterDb, 30);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 7);
    EXPECT_EQ(play.device->volume->Calls("SetMasterVolumeLevel"), 0);
}

// Tone: the first bass on the way up the chain is the one used, read at channel 0 and set
// on every channel; the range comes from the first tone control in bass, mid-range, treble
// order; mid-range always answers 1.
TEST_F(LevelsTest, ToneControls) {
    fake::FakePart* chain[] = {play.start->incoming[0], play.start->incoming[0]->incoming[0]};
    auto laterBass = sys.AddLevel(*chain[1], LevelKind::kBass, -12, 12, {7, 7});
    sys.AddLevel(*chain[0], LevelKind::kMidrange, -10, 10, {1, 1});
    play.treble->minDb = -6;
    play.treble->maxDb = 6;
    play.treble->stepDb = 0.5f;
    Open();
    double db = 0;
    EXPECT_EQ(lib.GetBass(&db, &status), 0);
    EXPECT_EQ(db, 2.5);
    EXPECT_EQ(laterBass->Calls("GetLevel"), 0);
    EXPECT_EQ(lib.SetMidRange(3, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lib.GetMidRange(&db, &status), 1);
    EXPECT_EQ(db, 3);
    EXPECT_EQ(lib.SetBass(-4.5, &status), 0);
    EXPECT_EQ(play.bass->channelDb, (std::vector<float>{-4.5f, -4.5f}));
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_EQ(lib.SetBass(bad, &status), 1);
        EXPECT_EQ(status, 2);
    }
    EXPECT_EQ(play.bass->channelDb[0], -4.5f);
    const struct {
        std::vector<LevelKind> removed;
        std::vector<double> range;
    } rows[] = {{{}, {-12, 12, 1.5}},
                {{LevelKind::kBass}, {-10, 10, 1.5}},
                {{LevelKind::kBass, LevelKind::kMidrange}, {-6, 6, 0.5}}};
    for (const auto& row : rows) {
        for (LevelKind kind : row.removed) {
            for (fake::FakePart* part : chain) part->levels.erase(kind);
        }
        ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
        std::vector<double> range(3, 1);
        EXPECT_EQ(lib.GetEQRange(&range[0], &range[1], &range[2]), 0);
        EXPECT_EQ(range, row.range);
    }
}

}  // namespace
}  // namespace havro
