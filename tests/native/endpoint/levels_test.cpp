// Level, mute, switch and tone exports on an open endpoint set, and the restore on close.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "test_support/rig.h"

namespace havro {
namespace {

using L = Library;
using Set = int32_t (Library::*)(int32_t, int32_t*);
using Get = int32_t (Library::*)(int32_t*);

// Every percent and flag export.
// clang-format off
const std::pair<Set, Get> kExports[] = {
    {&L::SetMasterVolume, &L::GetMasterVolume}, {&L::SetLinePlayBack, &L::GetLinePlayBack},
    {&L::SetMicPlayBack, &L::GetMicPlayBack}, {&L::SetMicRecordVolume, &L::GetMicRecordVolume},
    {&L::SetLineRecordVolume, &L::GetLineRecordVolume}, {&L::SetMasterMute, &L::GetMasterMute},
    {&L::SetLinePlayBackMute, &L::GetLinePlayBackMute}, {&L::SetMicBoost, &L::GetMicBoost},
    {&L::SetMicPlayBackMute, &L::GetMicPlayBackMute}, {&L::SetNoMonitor, &L::GetNoMonitor}};
// clang-format on

// A playback, a microphone and a line-in endpoint; the playback volume spans -96..0 dB and
// stands at -20 dB.
struct Endpoints {
    fake::FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig play = fake::BuildPlayback(sys, u"P", u"Speakers");
    fake::CaptureRig mic = fake::BuildCapture(sys, u"M", u"Microphone");
    fake::CaptureRig line = fake::BuildCapture(sys, u"L", u"Line In");
    fake::FakeControl& master = *(play.device->volume = std::make_shared<fake::FakeControl>(
                                      -96, 0, std::vector<float>{-20, -20}));
};

struct LevelsTest : ::testing::Test, Endpoints {
    void Open() { ASSERT_EQ(lib.OpenSoundCard("{p}", "{m}", "{l}"), 0); }
    int32_t status = -1;
};

// Before an open every export answers status 3 (tested before 1, a missing control), and
// again after a close.
TEST_F(LevelsTest, EveryExportAnswersStatus3WithoutAnOpenSet) {
    for (int round = 0; round < 2; ++round) {
        for (auto [set, get] : kExports) {
            EXPECT_EQ((lib.*set)(50, &status), 0);
            EXPECT_EQ(std::exchange(status, -1), 3);
            EXPECT_EQ((lib.*get)(&status), 0);
            EXPECT_EQ(std::exchange(status, -1), 3);
        }
        std::vector<double> range(4, 1);
        EXPECT_EQ(lib.GetTreble(&range[3], &status), 1);
        EXPECT_EQ(status, 3);
        EXPECT_EQ(lib.GetEQRange(&range[0], &range[1], &range[2]), 3);
        EXPECT_EQ(range, std::vector<double>(4, 0));
        ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
        lib.GetMicRecordVolume(&status);
        EXPECT_EQ(status, 1);
        lib.CloseSoundCard();
    }
}

TEST_F(LevelsTest, PercentLevelsGoToEveryChannelAndComeFromChannel0) {
    Open();
    EXPECT_EQ(lib.SetMasterVolume(100, &status), 100);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(master.channelDb, (std::vector<float>{0, 0}));
    master.channelDb = {-40, -6};
    EXPECT_EQ(lib.GetMasterVolume(&status), 1);
    EXPECT_EQ(lib.GetLinePlayBack(&status), 12);  // -6 dB of +12: truncated from 12.6
    // The recording volumes go through the master level; the line-in's 0 is 40 dB below its
    // maximum, the microphone's the range minimum.
    EXPECT_EQ(lib.SetLineRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(line.device->volume->masterDb, 30 - 40);
    EXPECT_EQ(lib.SetMicRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, -12);
    EXPECT_EQ(lib.GetMicRecordVolume(&status), 0);
    master.channelDb.clear();  // no channels: nothing is set, not even the master
    EXPECT_EQ(lib.SetMasterVolume(40, &status), 40);
    EXPECT_EQ(status, 2);
    EXPECT_FLOAT_EQ(master.masterDb, 0);
}

// Each row gives one control's method an answer (none for "") on a fresh open set; then a
// Set export with the argument and a Get export (either may be missing) are called, and the
// last must give this result and status. The master mute looks at the low 8 bits only.
TEST(LevelAnswers, FailuresQuirksAndFlags) {
    const struct {
        const char *control, *method;
        HResult code;
        Set set;
        Get get;
        int32_t argument, result, status;
    } rows[] = {
        {"master", "SetChannelVolumeLevel", kEFail, &L::SetMasterVolume, nullptr, 60, 60, 2},
        {"master", "GetChannelCount", kENotImpl, &L::SetMasterVolume, nullptr, 60, 60, 0},
        {"master", "SetChannelVolumeLevel", kENotImpl, &L::SetMasterVolume, nullptr, 60, 60, 0},
        {"master", "GetChannelVolumeLevel", kENotImpl, nullptr, &L::GetMasterVolume, 0, 10, 0},
        {"master", "SetMute", kSFalse, &L::SetMasterMute, nullptr, 0, 0, 0},
        {"master", "SetMute", kEInvalidArg, &L::SetMasterMute, nullptr, 0, 0, kEInvalidArg},
        {"mic record", "SetMasterVolumeLevel", kEFail, &L::SetMicRecordVolume, nullptr, 6, 6, 2},
        {"mic level", "GetLevel", kEFail, nullptr, &L::GetMicPlayBack, 0, 0, 2},  // still taken
        {"mic level", "SetLevel", kEInvalidFunction, &L::SetMicPlayBack, nullptr, 60, 60, 0},
        {"mic mute", "SetMute", kEInvalidFunction, &L::SetMicPlayBackMute, nullptr, 1, 0, 0},
        {"line level", "SetLevel", kEInvalidFunction, &L::SetLinePlayBack, nullptr, 60, 0, 2},
        {"line mute", "SetMute", kEInvalidFunction, &L::SetLinePlayBackMute, nullptr, 1, 0, 2},
        {"mic input", "ActivateMute", kENoInterface, &L::SetMicPlayBackMute, nullptr, 1, 0, 1},
        {"monitor", "GetEnabled", kEFail, nullptr, &L::GetNoMonitor, 0, 0, 2},
        {"", "", 0, &L::SetMasterMute, &L::GetMasterMute, -1, 1, 0},
        {"", "", 0, &L::SetMasterMute, &L::GetMasterMute, 256, 0, 0},
        {"", "", 0, &L::SetLinePlayBackMute, &L::GetLinePlayBackMute, 256, 1, 0},
        {"", "", 0, &L::SetMicPlayBackMute, &L::GetMicPlayBackMute, 2, 1, 0},
        {"", "", 0, &L::SetMicBoost, &L::GetMicBoost, 7, 1, 0},
        {"", "", 0, &L::SetNoMonitor, &L::GetNoMonitor, 5, 1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.control) + " " + row.method + " " +
                     std::to_string(row.argument));
        Endpoints e;
        // clang-format off
        const std::map<std::string, fake::Faults*> controls = {
            {"master", &e.master}, {"mic record", e.mic.device->volume.get()},
            {"mic level", e.play.micLevel.get()}, {"mic mute", e.play.micMute.get()},
            {"line level", e.play.lineLevel.get()}, {"line mute", e.play.lineMute.get()},
            {"mic input", e.play.sum->incoming[2]}, {"monitor", e.line.monitor.get()},
            {"", e.play.start}};
        // clang-format on
        controls.at(row.control)->Fail(row.method, row.code);
        ASSERT_EQ(e.lib.OpenSoundCard("{p}", "{m}", "{l}"), 0);
        int32_t status = -1, result = row.set ? (e.lib.*row.set)(row.argument, &status) : 0;
        if (row.get) result = (e.lib.*row.get)(&status);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(status, row.status);
    }
}

// A close puts back exactly the dB values (each channel its own) and flags read at open,
// once: a second close restores nothing.
TEST_F(LevelsTest, CloseRestoresEveryCapturedValue) {
    Open();  // every flag off; the mic endpoint at +20 dB of a +30 dB maximum
    for (auto [set, get] : kExports) (lib.*set)(3, &status);
    lib.SetBass(-9, &status);
    lib.SetTreble(9, &status);
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_EQ(master.channelDb, (std::vector<float>{-20, -20}));
    EXPECT_EQ(play.lineLevel->channelDb, (std::vector<float>{-6, -7.5f}));
    EXPECT_EQ(play.micLevel->channelDb, (std::vector<float>{0, 0}));
    EXPECT_EQ(play.bass->channelDb, (std::vector<float>{2.5f, -1}));
    EXPECT_EQ(play.treble->channelDb, (std::vector<float>{-1.5f, -1.5f}));
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 20);
    EXPECT_FLOAT_EQ(line.device->volume->masterDb, 20);
    EXPECT_EQ((std::vector<bool>{master.flag, play.lineMute->flag, play.micMute->flag,
                                 mic.boost->flag, line.monitor->flag}),
              std::vector<bool>(5, false));
    master.masterDb = 5;
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_FLOAT_EQ(master.masterDb, 5);
}

// A value captured goes with its control: a microphone opened in place of another, whose
// level could not be read, gets nothing of the first one's on close.
TEST_F(LevelsTest, CloseRestoresOnlyValuesCapturedForTheSetNowOpen) {
    Open();
    auto other = fake::BuildCapture(sys, u"X", u"USB Microphone");
    other.device->volume->Fail("GetMasterVolumeLevel");
    ASSERT_EQ(lib.OpenSoundCard("", "{x}", ""), 0);
    lib.SetMicRecordVolume(100, &status);
    mic.device->volume->masterDb = master.masterDb = 7;
    lib.CloseSoundCard();
    EXPECT_FLOAT_EQ(other.device->volume->masterDb, 30);
    EXPECT_FLOAT_EQ(mic.device->volume->masterDb, 7);
    EXPECT_FLOAT_EQ(master.masterDb, 7);
}

// Tone: the first bass on the way up the chain is the one used, read at channel 0; values
// without a float form are refused; the range comes from the first tone control in bass,
// mid-range, treble order; mid-range always answers 1.
TEST_F(LevelsTest, ToneControls) {
    fake::FakePart* chain[] = {play.start->incoming[0], play.start->incoming[0]->incoming[0]};
    sys.AddLevel(*chain[1], LevelKind::kBass, -12, 12, {7, 7});
    sys.AddLevel(*chain[0], LevelKind::kMidrange, -10, 10, {1, 1});
    std::tie(play.treble->minDb, play.treble->maxDb, play.treble->stepDb) = std::tuple{-6, 6, .5f};
    Open();
    double db = 0;
    EXPECT_EQ(lib.GetBass(&db, &status), 0);
    EXPECT_EQ(db, 2.5);
    EXPECT_EQ(lib.SetMidRange(3, &status), 1);
    EXPECT_EQ(lib.GetMidRange(&db, &status), 1);
    EXPECT_EQ(db, 3);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_EQ(lib.SetBass(bad, &status), 1);
        EXPECT_EQ(status, 2);
    }
    const std::pair<std::vector<LevelKind>, std::vector<double>> rows[] = {
        {{}, {-12, 12, 1.5}},
        {{LevelKind::kBass}, {-10, 10, 1.5}},
        {{LevelKind::kBass, LevelKind::kMidrange}, {-6, 6, 0.5}}};
    for (const auto& [removed, expected] : rows) {
        for (LevelKind kind : removed) {
            for (fake::FakePart* part : chain) part->levels.erase(kind);
        }
        ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
        std::vector<double> range(3, 1);
        EXPECT_EQ(lib.GetEQRange(&range[0], &range[1], &range[2]), 0);
        EXPECT_EQ(range, expected);
    }
}

}  // namespace
}  // namespace havro
