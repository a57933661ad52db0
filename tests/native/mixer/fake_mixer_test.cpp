// The fake's position rules are the ones the Windows mixer layer keeps; other tests
// rely on them, so they are pinned here.
#include <gtest/gtest.h>

#include "fake_mixer.h"

namespace tk::test {
namespace {

using namespace mixercode;

TEST(FakeMixerRules, PositionsAndResets) {
    FakeMixer m;
    m.devices = {typicalSoundCard("A"), typicalSoundCard("B")};
    EXPECT_EQ(m.mixerCount(), 2);
    m.setCurrentMixer(1);
    EXPECT_EQ(m.mixerName(), "B");
    EXPECT_EQ(m.lineCount(), 4);  // three sources and the destination line
    m.setCurrentLine(3);
    EXPECT_EQ(m.getLineInfo().lineCode, kLineMaster);
    EXPECT_EQ(m.getLineInfo().connections, 3);
    m.setCurrentControl(1);
    m.setCurrentLine(0);
    EXPECT_EQ(m.currentControl(), 0);  // control 0 of the new line
    m.setCurrentDestination(1);
    EXPECT_EQ(m.getDestinationInfo().code, kDestRecording);
    EXPECT_EQ(m.getDestinationInfo().subCode, kSubRecording);
    EXPECT_EQ(m.currentLine(), 0);

    EXPECT_THROW(m.setCurrentDestination(-1), MixerError);
    EXPECT_THROW(m.setCurrentLine(-1), MixerError);
    EXPECT_THROW(m.setCurrentControl(-1), MixerError);
    EXPECT_THROW(m.setCurrentMixer(2), MixerError);
    EXPECT_EQ(m.currentDestination(), 1);
}

TEST(FakeMixerRules, ValuesAreStagedUntilApplied) {
    FakeMixer m;
    m.devices = {typicalSoundCard()};
    int raised = 0;
    m.controlChanged = [&] { ++raised; };
    ASSERT_EQ(m.findVolume(kSidePlayback, kLineMaster), 0);
    m.setControlValue(0, 65535);
    m.setControlValue(1, 0);
    EXPECT_EQ(m.controlValue(0), 52428);
    m.applyControl();
    EXPECT_EQ(m.controlValue(0), 65535);
    EXPECT_EQ(m.controlValue(1), 0);
    EXPECT_EQ(m.writes, 1);
    EXPECT_EQ(raised, 1);

    // A switch takes -1 as on.
    ASSERT_EQ(m.findSwitch(kSidePlayback, kLineMaster), 0);
    m.setControlValue(0, -1);
    m.setControlValue(1, -1);
    m.applyControl();
    EXPECT_EQ(m.controlValue(0), 1);
}

TEST(FakeMixerRules, RecordSelectorAndQueuedNotifications) {
    FakeMixer m;
    m.devices = {typicalSoundCard()};
    m.queueNotifications = true;
    int raised = 0;
    m.controlChanged = [&] { ++raised; };
    int16_t state = -5;
    ASSERT_EQ(m.findSwitch(kSideRecording, kLineLineIn, &state), 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(m.setSwitch(kSideRecording, kLineLineIn, 1), 0);
    ASSERT_EQ(m.findSwitch(kSideRecording, kLineMicrophone, &state), 0);
    EXPECT_EQ(state, 0);  // selecting line in cleared the microphone
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(m.deliverNotifications(), 1);
    EXPECT_EQ(raised, 1);
    EXPECT_NE(m.setSwitch(kSideRecording, kLineWave, 1), 0);
}

}  // namespace
}  // namespace tk::test
