// Tone exports and the second playback endpoint.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::FakeAudioSystem;

class ToneTest : public ::testing::Test {
  protected:
    void SetUp() override { play = fake::BuildPlayback(sys, u"P", u"Speakers"); }
    FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig play;
    int32_t status = -1;
    double db = 99;
};

TEST_F(ToneTest, EqRangeComesFromTheFirstToneControlInBassMidTrebleOrder) {
    fake::FakePart& midPart = *play.start->incoming[0];
    fake::FakePart& bassPart = *midPart.incoming[0];
    sys.AddLevel(midPart, LevelKind::kMidrange, -10, 10, 0);
    play.treble->minDb = -6;
    play.treble->maxDb = 6;
    play.treble->stepDb = 0.5f;
    // Each row takes one more tone control away, bass first.
    const struct {
        fake::FakePart* part;
        LevelKind removed;
        double min, max, step;
    } rows[] = {{nullptr, LevelKind::kBass, -12, 12, 1.5},
                {&bassPart, LevelKind::kBass, -10, 10, 1.5},
                {&midPart, LevelKind::kMidrange, -6, 6, 0.5}};
    for (const auto& row : rows) {
        if (row.part) row.part->levels.erase(row.removed);
        ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
        double mn = 1, mx = 1, st = 1;
        EXPECT_EQ(lib.GetEQRange(&mn, &mx, &st), 0);
        EXPECT_EQ(mn, row.min);
        EXPECT_EQ(mx, row.max);
        EXPECT_EQ(st, row.step);
        lib.CloseSoundCard();
    }
}

// Without an open set the range is 3, without tone controls 1, and zeros either way.
TEST_F(ToneTest, EqRangeWithoutToneControls) {
    double mn = 1, mx = 1, st = 1;
    EXPECT_EQ(lib.GetEQRange(&mn, &mx, &st), 3);
    EXPECT_EQ(std::vector<double>({mn, mx, st}), std::vector<double>(3, 0));
    FakeAudioSystem s;
    s.AddDevice(Flow::kRender, u"Q", u"Plain");
    Library l(s);
    l.OpenSoundCard("{q}", "", "");  // no topology: no tone controls, but open
    mn = mx = st = 1;
    EXPECT_EQ(l.GetEQRange(&mn, &mx, &st), 1);
    EXPECT_EQ(std::vector<double>({mn, mx, st}), std::vector<double>(3, 0));
    EXPECT_EQ(l.GetEQRange(nullptr, nullptr, nullptr), 1);
}

TEST_F(ToneTest, SetBassGoesToEveryChannelUnroundedAndReturns0) {
    ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
    EXPECT_EQ(lib.SetBass(-4.5, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(play.bass->channelDb[0], -4.5f);
    EXPECT_FLOAT_EQ(play.bass->channelDb[1], -4.5f);
    EXPECT_EQ(lib.SetTreble(40.25, &status), 0);  // beyond the range: not clamped
    EXPECT_FLOAT_EQ(play.treble->channelDb[1], 40.25f);
    EXPECT_EQ(lib.GetBass(&db, &status), 0);
    EXPECT_DOUBLE_EQ(db, -4.5);
}

TEST_F(ToneTest, MidRangeAlwaysReturns1) {
    auto mid = sys.AddLevel(*play.start->incoming[0], LevelKind::kMidrange, -10, 10, 1.5f);
    ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
    EXPECT_EQ(lib.SetMidRange(3, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(mid->channelDb[0], 3);
    EXPECT_EQ(lib.GetMidRange(&db, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_DOUBLE_EQ(db, 3);
}

TEST_F(ToneTest, MissingOrFailingToneControls) {
    EXPECT_EQ(lib.SetBass(1, &status), 1);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(lib.GetTreble(&db, &status), 1);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(db, 0);
    ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
    db = 99;
    EXPECT_EQ(lib.GetMidRange(&db, &status), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(db, 0);
    play.bass->Fail("GetLevel");
    db = 99;
    EXPECT_EQ(lib.GetBass(&db, &status), 1);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(db, 0);
    play.treble->Fail("SetLevel");
    EXPECT_EQ(lib.SetTreble(1, &status), 1);
    EXPECT_EQ(status, 2);
}

TEST_F(ToneTest, ValuesWithoutAFloatFormAreRefused) {
    ASSERT_EQ(lib.OpenSoundCard("{p}", "", ""), 0);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_EQ(lib.SetBass(bad, &status), 1);
        EXPECT_EQ(status, 2);
    }
    EXPECT_FLOAT_EQ(play.bass->channelDb[0], 2.5f);
}

class SecondEndpointTest : public ToneTest {};

// Beyond what the DLL's own test covers: the statuses before an open, any nonzero flag
// mutes, and the endpoint set's open and close leave the second endpoint alone.
TEST_F(SecondEndpointTest, FlagsAndTheEndpointSetLeaveItAlone) {
    EXPECT_EQ(lib.SetVirtualMute(-1, &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(lib.GetVirtualMute(&status), 0);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(lib.OpenVirtual_1("{P}"), 0);
    EXPECT_EQ(lib.SetVirtualVolume(10, &status), 10);
    EXPECT_FLOAT_EQ(play.device->volume->channelDb[1], -20);
    EXPECT_EQ(lib.SetVirtualMute(256, &status), 0);
    EXPECT_TRUE(play.device->volume->muted);
    lib.OpenSoundCard("{p}", "", "");
    lib.CloseSoundCard();
    EXPECT_EQ(lib.GetVirtualVolume(&status), 10);
    EXPECT_EQ(status, 0);
}

TEST_F(SecondEndpointTest, FailuresAndMissingTopology) {
    EXPECT_EQ(lib.OpenVirtual_1("no-such"), 1);
    EXPECT_FALSE(lib.IsOpen());
    play.device->topology.reset();
    EXPECT_EQ(lib.OpenVirtual_1("{P}"), 1);        // no device topology...
    EXPECT_EQ(lib.GetVirtualVolume(&status), 31);  // ...but the volume is usable (-10 dB)
    EXPECT_EQ(status, 0);
    play.device->volume->Fail("SetMute");
    lib.SetVirtualMute(0, &status);
    EXPECT_EQ(status, 1);
    play.device->volume->Fail("GetMute");
    lib.GetVirtualMute(&status);
    EXPECT_EQ(status, 2);
    play.device->volume->Fail("SetChannelVolumeLevel");
    EXPECT_EQ(lib.SetVirtualVolume(33, &status), 33);
    EXPECT_EQ(status, 2);
    play.device->Fail("ActivateEndpointVolume");
    EXPECT_EQ(lib.OpenVirtual_1("{P}"), 1);
    lib.GetVirtualVolume(&status);
    EXPECT_EQ(status, 1);  // the previous one was released
}

}  // namespace
}  // namespace havro
