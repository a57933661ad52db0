// The winmm mixer layer against Wine's mixer devices. Wine maps a mixer's controls
// onto the calling process's own audio session, so every change is made and checked
// from inside this process.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "mixer_win.h"
#include "win_util.h"

namespace tk::win {
namespace {

using namespace mixercode;

std::vector<std::string> waveDeviceNames() {
    std::vector<std::string> names;
    for (UINT i = 0; i < waveOutGetNumDevs(); ++i) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            names.push_back(narrow(caps.szPname));
    }
    for (UINT i = 0; i < waveInGetNumDevs(); ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            names.push_back(narrow(caps.szPname));
    }
    return names;
}

// Lets posted window messages (the driver's notifications) run for up to `ms`.
void pumpMessages(DWORD ms, const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && !done()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// The first device whose playback master volume can be found; -1 when none.
int firstPlaybackDevice(WinmmMixer& mixer) {
    for (int i = 0; i < mixer.mixerCount(); ++i) {
        mixer.setCurrentMixer(static_cast<int16_t>(i));
        if (mixer.findVolume(kSidePlayback, kLineMaster) == 0) return i;
    }
    return -1;
}

TEST(WinmmCodes, ControlLineAndDestinationCodes) {
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_VOLUME), kTypeVolume);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_MUTE), kTypeMute);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_ONOFF), kTypeOnOff);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_LOUDNESS), kTypeOtherSwitch);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_BOOLEAN), kTypeOtherSwitch);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_MUX), 0);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_BASS), 0);
    EXPECT_EQ(WinmmMixer::typeCode(MIXERCONTROL_CONTROLTYPE_PEAKMETER), 0);

    EXPECT_EQ(WinmmMixer::lineCode(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, true), kLineMaster);
    EXPECT_EQ(WinmmMixer::lineCode(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, false), kLineWave);
    EXPECT_EQ(WinmmMixer::lineCode(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, false), kLineMicrophone);
    EXPECT_EQ(WinmmMixer::lineCode(MIXERLINE_COMPONENTTYPE_SRC_LINE, false), kLineLineIn);
    EXPECT_EQ(WinmmMixer::lineCode(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, false), 45);
    EXPECT_EQ(WinmmMixer::lineCode(0x9999, false), 0);

    EXPECT_EQ(WinmmMixer::destinationCode(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), kDestPlayback);
    EXPECT_EQ(WinmmMixer::destinationCode(MIXERLINE_COMPONENTTYPE_DST_WAVEIN), kDestRecording);
    EXPECT_EQ(WinmmMixer::destinationSubCode(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), kSubPlayback);
    EXPECT_EQ(WinmmMixer::destinationSubCode(MIXERLINE_COMPONENTTYPE_DST_HEADPHONES), kSubPlayback);
    EXPECT_EQ(WinmmMixer::destinationSubCode(MIXERLINE_COMPONENTTYPE_DST_WAVEIN), kSubRecording);
    EXPECT_EQ(WinmmMixer::destinationSubCode(MIXERLINE_COMPONENTTYPE_DST_VOICEIN), kSubRecording);
}

struct WineMixer : ::testing::Test {
    WinmmMixer mixer;
    void SetUp() override {
        if (mixer.mixerCount() == 0)
            FAIL() << "Wine offers no mixer device: no sound server reached";
    }
};

TEST_F(WineMixer, DevicesAndNamesAreWinesWaveDevices) {
    const std::vector<std::string> wave = waveDeviceNames();
    ASSERT_EQ(mixer.mixerCount(), static_cast<int>(wave.size()));
    std::set<std::string> names;
    for (int i = 0; i < mixer.mixerCount(); ++i) {
        mixer.setCurrentMixer(static_cast<int16_t>(i));
        EXPECT_EQ(mixer.currentMixer(), i);
        EXPECT_EQ(mixer.mixerName(), wave[i]);
        names.insert(mixer.mixerName());
    }
    // The harness's null devices.
    for (const char* expected : {"Speakers", "Headphones", "Microphone", "Line In"})
        EXPECT_TRUE(names.count(expected)) << expected;
    EXPECT_THROW(mixer.setCurrentMixer(static_cast<int16_t>(mixer.mixerCount())), MixerError);
    EXPECT_THROW(mixer.setCurrentMixer(-1), MixerError);
}

TEST_F(WineMixer, PositionsCodesAndNotFoundCoordinates) {
    const int device = firstPlaybackDevice(mixer);
    ASSERT_GE(device, 0);
    // Found on the destination line, which comes after the source lines.
    EXPECT_EQ(mixer.currentLine(), mixer.lineCount() - 1);
    EXPECT_EQ(mixer.getLineInfo().lineCode, kLineMaster);
    EXPECT_EQ(mixer.getDestinationInfo().code, kDestPlayback);
    EXPECT_EQ(mixer.getDestinationInfo().subCode, kSubPlayback);
    EXPECT_EQ(mixer.getControlInfo().type, kTypeVolume);
    EXPECT_EQ(mixer.getControlInfo().maximum, 65535);
    ASSERT_EQ(mixer.findSwitch(kSidePlayback, kLineMaster), 0);
    EXPECT_EQ(mixer.getControlInfo().type, kTypeMute);
    const int16_t line = mixer.currentLine();
    const int16_t control = mixer.currentControl();

    // The -1 of a not-found entry is refused and moves nothing.
    EXPECT_THROW(mixer.setCurrentDestination(-1), MixerError);
    EXPECT_THROW(mixer.setCurrentLine(-1), MixerError);
    EXPECT_THROW(mixer.setCurrentControl(-1), MixerError);
    EXPECT_EQ(mixer.currentLine(), line);
    EXPECT_EQ(mixer.currentControl(), control);

    // A playback device has no recording side.
    EXPECT_NE(mixer.findVolume(kSideRecording, kLineMicrophone), 0);
    EXPECT_NE(mixer.findSwitch(kSideRecording, kLineMicrophone), 0);
}

TEST_F(WineMixer, RecordingDeviceHasTheWaveInDestination) {
    bool seen = false;
    for (int i = 0; i < mixer.mixerCount() && !seen; ++i) {
        mixer.setCurrentMixer(static_cast<int16_t>(i));
        if (mixer.mixerName() != "Microphone") continue;
        seen = true;
        EXPECT_EQ(mixer.getDestinationInfo().code, kDestRecording);
        EXPECT_EQ(mixer.getDestinationInfo().subCode, kSubRecording);
        EXPECT_EQ(mixer.findVolume(kSideRecording, kLineMaster), 0);
        EXPECT_NE(mixer.findVolume(kSidePlayback, kLineMaster), 0);
    }
    EXPECT_TRUE(seen);
}

TEST_F(WineMixer, DamagedOrForeignTextChangesNothing) {
    const int device = firstPlaybackDevice(mixer);
    ASSERT_GE(device, 0);
    mixer.setControlValue(0, 20000);
    mixer.setControlValue(1, 20000);
    mixer.applyControl();
    const std::string before = mixer.getLevelState(0);

    // The same text with the level changed but the checksum left alone.
    std::string damaged = before;
    const std::size_t at = damaged.find(":20000");
    ASSERT_NE(at, std::string::npos) << damaged;
    damaged.replace(at, 6, ":65535");
    EXPECT_FALSE(mixer.setLevelState(damaged));
    EXPECT_FALSE(mixer.setLevelState(""));
    EXPECT_FALSE(mixer.setLevelState(before.substr(0, before.size() / 2)));
    EXPECT_FALSE(mixer.setLevelState("1,2,3,4,5,6,7,8,9,10,11,12,13,"));
    EXPECT_EQ(mixer.getLevelState(0), before);

    // A text of another device with another name is refused too.
    bool seen = false;
    for (int i = 0; i < mixer.mixerCount() && !seen; ++i) {
        mixer.setCurrentMixer(static_cast<int16_t>(i));
        seen = mixer.mixerName() == "Microphone";
        if (seen) {
            EXPECT_FALSE(mixer.setLevelState(before));
        }
    }
    EXPECT_TRUE(seen) << "no \"Microphone\" mixer device";
    mixer.setCurrentMixer(static_cast<int16_t>(device));
    EXPECT_EQ(mixer.getLevelState(0), before);
}

TEST_F(WineMixer, ControlChangedArrivesOnTheMessageLoop) {
    ASSERT_GE(firstPlaybackDevice(mixer), 0);
    int raised = 0;
    DWORD thread = 0;
    mixer.controlChanged = [&] {
        ++raised;
        thread = GetCurrentThreadId();
    };
    const int32_t now = mixer.controlValue(0);
    const int32_t next = now == 30000 ? 31000 : 30000;
    mixer.setControlValue(0, next);
    mixer.setControlValue(1, next);
    mixer.applyControl();
    EXPECT_EQ(raised, 0);  // not from inside the write
    pumpMessages(3000, [&] { return raised > 0; });
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(thread, GetCurrentThreadId());

    // A burst of writes (a slider dragged) is announced once.
    raised = 0;
    for (int32_t v : {1000, 2000, 3000}) {
        mixer.setControlValue(0, v);
        mixer.applyControl();
    }
    pumpMessages(1000, [] { return false; });
    EXPECT_EQ(raised, 1);
    // A text that is refused writes nothing and announces nothing.
    raised = 0;
    EXPECT_FALSE(mixer.setLevelState("TKL1|x|0||00000000"));
    pumpMessages(300, [] { return false; });
    EXPECT_EQ(raised, 0);
}

}  // namespace
}  // namespace tk::win
