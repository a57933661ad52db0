// The winmm mixer layer against Wine's mixer devices. Wine maps a mixer's controls
// onto the calling process's own audio session, so every change is made and checked
// from inside this process.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mixer_win.h"
#include "win_util.h"

namespace tk::win {
namespace {

using namespace mixercode;

// Runs posted messages (the driver's notifications) for `ms`, or until `done`.
void pumpFor(
    DWORD ms, const std::function<bool()>& done = [] { return false; }) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms && !done(); Sleep(10)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
}

struct WineMixer : ::testing::Test {
    void SetUp() override { ASSERT_GT(mixer.mixerCount(), 0) << "no sound server reached"; }
    // Makes the device named `name` current; false when there is none.
    bool use(const std::string& name) {
        for (int i = 0; i < mixer.mixerCount(); ++i) {
            mixer.setCurrentMixer(static_cast<int16_t>(i));
            if (mixer.mixerName() == name) return true;
        }
        return false;
    }
    WinmmMixer mixer;
};

// Device names are compared in the form the library hands over (the ANSI code page, 1252
// in the test prefix): a character outside it becomes its nearest letter, or "?".
TEST(AnsiForm, IsTheCodePagesRoundTrip) {
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(ansiToUtf8(utf8ToAnsi("\xD0\x94\xC4\x88"
                                    "esk\xC3\xA1")),
              "?Cesk\xC3\xA1");
}

TEST_F(WineMixer, TheDevicesAreWinesWaveDevicesEachWithItsOwnSide) {
    // One device per wave device; their names are found below.
    ASSERT_EQ(mixer.mixerCount(), static_cast<int>(waveOutGetNumDevs() + waveInGetNumDevs()));
    for (int i = 0; i < mixer.mixerCount(); ++i) {
        mixer.setCurrentMixer(static_cast<int16_t>(i));
        EXPECT_EQ(mixer.currentMixer(), i);
    }
    EXPECT_THROW(mixer.setCurrentMixer(static_cast<int16_t>(mixer.mixerCount())), MixerError);
    EXPECT_THROW(mixer.setCurrentMixer(-1), MixerError);

    struct Row {
        const char* name;
        int side, other, destination, subCode;
    };
    for (const Row& r :
         {Row{"Speakers", kSidePlayback, kSideRecording, kDestPlayback, kSubPlayback},
          Row{"Headphones", kSidePlayback, kSideRecording, kDestPlayback, kSubPlayback},
          Row{"Microphone", kSideRecording, kSidePlayback, kDestRecording, kSubRecording},
          Row{"Line In", kSideRecording, kSidePlayback, kDestRecording, kSubRecording}}) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(use(r.name));
        EXPECT_NE(mixer.findVolume(r.other, kLineMaster), 0);
        EXPECT_NE(mixer.findSwitch(r.other, kLineMicrophone), 0);
        // Found on the destination line, which comes after the source lines.
        ASSERT_EQ(mixer.findVolume(r.side, kLineMaster), 0);
        EXPECT_EQ(mixer.currentLine(), mixer.lineCount() - 1);
        EXPECT_EQ(mixer.getLineInfo().lineCode, kLineMaster);
        EXPECT_EQ(mixer.getDestinationInfo().code, r.destination);
        EXPECT_EQ(mixer.getDestinationInfo().subCode, r.subCode);
        EXPECT_EQ(mixer.getControlInfo().type, kTypeVolume);
        EXPECT_EQ(mixer.getControlInfo().maximum, 65535);
    }

    // The -1 of a not-found entry is refused and moves nothing.
    ASSERT_TRUE(use("Speakers"));
    ASSERT_EQ(mixer.findSwitch(kSidePlayback, kLineMaster), 0);
    EXPECT_EQ(mixer.getControlInfo().type, kTypeMute);
    const int16_t line = mixer.currentLine(), control = mixer.currentControl();
    EXPECT_THROW(mixer.setCurrentDestination(-1), MixerError);
    EXPECT_THROW(mixer.setCurrentLine(-1), MixerError);
    EXPECT_THROW(mixer.setCurrentControl(-1), MixerError);
    EXPECT_EQ(mixer.currentLine(), line);
    EXPECT_EQ(mixer.currentControl(), control);
}

TEST_F(WineMixer, ALevelTextThatIsDamagedOrOfAnotherDeviceChangesNothing) {
    ASSERT_TRUE(use("Speakers"));
    ASSERT_EQ(mixer.findVolume(kSidePlayback, kLineMaster), 0);
    mixer.setControlValue(0, 20000);
    mixer.setControlValue(1, 20000);
    mixer.applyControl();
    const std::string before = mixer.getLevelState(0);
    std::string damaged = before;  // the level changed, the checksum left alone
    const std::size_t at = damaged.find(":20000");
    ASSERT_NE(at, std::string::npos) << damaged;
    damaged.replace(at, 6, ":65535");
    for (const std::string& text : {damaged, std::string(), before.substr(0, before.size() / 2),
                                    std::string("1,2,3,4,5,6,7,8,9,10,11,12,13,")})
        EXPECT_FALSE(mixer.setLevelState(text)) << text;
    EXPECT_EQ(mixer.getLevelState(0), before);
    ASSERT_TRUE(use("Microphone"));
    EXPECT_FALSE(mixer.setLevelState(before));
    ASSERT_TRUE(use("Speakers"));
    EXPECT_EQ(mixer.getLevelState(0), before);
}

TEST_F(WineMixer, AChangeIsAnnouncedOnceOnTheMessageLoop) {
    ASSERT_TRUE(use("Speakers"));
    ASSERT_EQ(mixer.findVolume(kSidePlayback, kLineMaster), 0);
    int raised = 0;
    DWORD thread = 0;
    mixer.controlChanged = [&] {
        ++raised;
        thread = GetCurrentThreadId();
    };
    const int32_t next = mixer.controlValue(0) == 30000 ? 31000 : 30000;
    mixer.setControlValue(0, next);
    mixer.setControlValue(1, next);
    mixer.applyControl();
    EXPECT_EQ(raised, 0);  // not from inside the write
    pumpFor(3000, [&] { return raised > 0; });
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(thread, GetCurrentThreadId());

    // A burst of writes (a slider dragged) is announced once; a refused text not at all.
    raised = 0;
    for (int32_t v : {1000, 2000, 3000}) {
        mixer.setControlValue(0, v);
        mixer.applyControl();
    }
    pumpFor(1000);
    EXPECT_EQ(raised, 1);
    raised = 0;
    EXPECT_FALSE(mixer.setLevelState("TKL1|x|0||00000000"));
    pumpFor(300);
    EXPECT_EQ(raised, 0);
}

}  // namespace
}  // namespace tk::win
