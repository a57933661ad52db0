// The winmm mixer layer against Wine's mixer devices (one per sink and source of the
// harness's sound server). Wine maps a mixer's controls onto this process's own audio
// session, so every change is made and checked from inside this process.
#include <gtest/gtest.h>

#include "mixer_win.h"
#include "win_util.h"
#include "wine_util.h"

namespace tk::win {
namespace {

using namespace mixercode;
using wintest::waitFor;

// Makes the device named `name` current; false when there is none.
bool use(WinmmMixer& mixer, const std::string& name) {
    for (int16_t i = 0; i < mixer.mixerCount(); ++i)
        if (mixer.setCurrentMixer(i); mixer.mixerName() == name) return true;
    return false;
}

// Each wave device is a mixer device of its side, its volume on the destination line after
// the source lines. Wine's controls are uniform (every channel reads the one value); a write,
// or a burst of them, is announced once on the message loop after it returned; the level
// text takes the value back, and another device refuses it.
TEST(WineMixer, DevicesValuesLevelTextAndAnnouncements) {
    // The program compares device names in their ANSI form (code page 1252 in the prefix):
    // a character outside it becomes its nearest letter, or "?".
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(ansiToUtf8(utf8ToAnsi("\xD0\x94\xC4\x88\x65sk\xC3\xA1")), "?Cesk\xC3\xA1");
    WinmmMixer mixer;
    for (const auto& [name, play] : {std::pair{"Microphone", false}, {"Speakers", true}}) {
        ASSERT_TRUE(use(mixer, name));
        EXPECT_NE(mixer.findVolume(play ? kSideRecording : kSidePlayback, kLineMaster), 0) << name;
        ASSERT_EQ(mixer.findVolume(play ? kSidePlayback : kSideRecording, kLineMaster), 0);
        EXPECT_EQ(mixer.currentLine(), mixer.lineCount() - 1) << name;
        EXPECT_EQ(mixer.getDestinationInfo().code, play ? kDestPlayback : kDestRecording);
        EXPECT_EQ(mixer.getDestinationInfo().subCode, play ? kSubPlayback : kSubRecording);
    }

    int raised = 0;  // announcements on this thread
    const DWORD self = GetCurrentThreadId();
    mixer.controlChanged = [&] { raised += GetCurrentThreadId() == self; };
    mixer.setControlValue(0, 13107);
    mixer.applyControl();
    EXPECT_EQ(raised, 0);
    EXPECT_TRUE(waitFor([&] { return raised == 1; }, std::chrono::seconds(1)));
    float left = 0, right = 0;
    ASSERT_EQ(mixer.findVolume(kSidePlayback, kLineMaster, &left, &right), 0);
    EXPECT_EQ(std::pair(left, right), std::pair(20.0f, 20.0f));
    EXPECT_EQ(mixer.controlValue(1), 13107);
    const std::string text = mixer.getLevelState(0);
    for (int32_t v : {1000, 2000, 3000}) {
        mixer.setControlValue(0, v);
        mixer.applyControl();
    }
    waitFor([] { return false; }, std::chrono::milliseconds(500));  // every announcement
    EXPECT_EQ(raised, 2);
    EXPECT_EQ(mixer.controlValue(0), 3000);
    ASSERT_TRUE(mixer.setLevelState(text));
    EXPECT_EQ(mixer.controlValue(0), 13107);
    ASSERT_TRUE(use(mixer, "Kopfh\u00f6rer"));
    const std::string own = mixer.getLevelState(0);
    EXPECT_FALSE(mixer.setLevelState(text));
    EXPECT_EQ(mixer.getLevelState(0), own);
}

}  // namespace
}  // namespace tk::win
