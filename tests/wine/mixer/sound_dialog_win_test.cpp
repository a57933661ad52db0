// The legacy sound card controls dialog as a real window over Wine's mixer: opened
// through its window function, driven by the messages a user's actions send, its
// levels read back through the mixer.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "fake_services.h"
#include "forms/frmMain.h"
#include "mixer_win.h"
#include "sound_dialog_win.h"
#include "user_input.h"

namespace tk::test {
namespace {

using namespace tk::win;
using wintest::clickButton;
using wintest::dragSlider;
using namespace mixercode;

void pumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() < end);
}

std::wstring text(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

// Forwards the main window's "changed outside" to the dialog, as the program's host does.
struct Host : FakeFormHost {
    void soundChangedOutside() override {
        FakeFormHost::soundChangedOutside();
        soundChangedOutsideWindow();
    }
};

class SoundDialogWin : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        for (int i = 0; i < mixer.mixerCount(); ++i) {
            mixer.setCurrentMixer(static_cast<int16_t>(i));
            if (mixer.mixerName() == "Speakers") speakers = i;
        }
        if (speakers < 0) FAIL() << "Wine offers no \"Speakers\" mixer: no sound server";
        publics.OSMajor = 5;
        main = std::make_unique<frmMain>(services, publics);
        main->PrgName.onClick = nullptr;  // no profile is applied here
        main->PrgName.addItem("Normal Windows");
        main->PrgName.addItem("game.exe");
        main->PrgName.setListIndex(0);
        main->MixerIndex = static_cast<int16_t>(speakers);
        setMaster(40000);
        mixer.setCurrentMixer(static_cast<int16_t>(speakers));
        pumpFor(150);  // the write's own notification
        publics.OwnMixerChange = false;
    }
    void TearDown() override {
        unloadSoundWindow();
        pumpFor(50);
    }

    int32_t master() {
        EXPECT_EQ(mixer.findVolume(kSidePlayback, kLineMaster), 0);
        return mixer.controlValue(0);
    }
    void setMaster(int32_t v) {
        mixer.setCurrentMixer(static_cast<int16_t>(speakers));
        ASSERT_EQ(mixer.findVolume(kSidePlayback, kLineMaster), 0);
        mixer.setControlValue(0, v);
        mixer.setControlValue(1, v);
        mixer.applyControl();
    }

    Rig rig;
    WinmmMixer mixer;
    Host host;
    Services services{rig.settings,  mixer,          rig.tray,      rig.library, rig.messages,
                      rig.processes, rig.fileDialog, rig.shortcuts, rig.shell,   rig.system,
                      host};
    Publics publics;
    std::unique_ptr<frmMain> main;
    int speakers = -1;
};

TEST_F(SoundDialogWin, SlidersActOnTheMixerAndCloseStoresTheLevels) {
    showSoundWindow(nullptr, *main);
    pumpFor(200);
    HWND dlg = soundWindow();
    ASSERT_TRUE(dlg);
    namespace id = soundid;
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_TRUE(publics.SoundFormLoaded);
    EXPECT_EQ(text(dlg), L"Sound Card Controls [Normal Windows]");
    EXPECT_EQ(text(GetDlgItem(dlg, id::kLblPlay)), L"Speakers");
    HWND masterOut = GetDlgItem(dlg, id::kMasterOut);
    EXPECT_EQ(SendMessageW(masterOut, TBM_GETPOS, 0, 0), -61);  // 40000 / 655.35
    EXPECT_TRUE(IsWindowEnabled(masterOut));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, id::kMasterMute)));
    // A playback device has nothing to record from.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id::kMicIn)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id::kChkmic)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id::kChk20Db)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id::kCommand1)));

    // To the top: 100 percent on both channels; the dialog's own write offers no Apply.
    dragSlider(dlg, masterOut, -100);
    EXPECT_EQ(master(), 65535);
    dragSlider(dlg, masterOut, -50);
    EXPECT_EQ(master(), 32768);
    pumpFor(300);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id::kCommand1)));
    EXPECT_EQ(host.count("soundChangedOutside"), 0);

    clickButton(dlg, id::kMasterMute);
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, id::kMasterMute), BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_EQ(mixer.findSwitch(kSidePlayback, kLineMaster), 0);
    EXPECT_EQ(mixer.controlValue(0), 1);
    clickButton(dlg, id::kMasterMute);
    EXPECT_EQ(mixer.controlValue(0), 0);
    pumpFor(300);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id::kCommand1)));

    // Close stores the levels now in force under the selected entry, and unloads.
    clickButton(dlg, id::kCmdOk);
    pumpFor(50);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(publics.SoundFormLoaded);
    mixer.setCurrentMixer(static_cast<int16_t>(speakers));
    EXPECT_EQ(rig.settings.at("SoundSettings 0"), mixer.getLevelState(0));
    EXPECT_EQ(rig.settings.at("Mixer 0"), std::to_string(speakers));

    // The stored text brings the level back after a change.
    setMaster(1000);
    EXPECT_TRUE(mixer.setLevelState(rig.settings.at("SoundSettings 0")));
    EXPECT_EQ(master(), 32768);
}

TEST_F(SoundDialogWin, OutsideChangeReloadsAndOffersApply) {
    main->PrgName.setListIndex(1);
    showSoundWindow(nullptr, *main);
    pumpFor(200);
    HWND dlg = soundWindow();
    ASSERT_TRUE(dlg);
    namespace id = soundid;
    EXPECT_EQ(text(dlg), L"Sound Card Controls [game.exe]");

    // Another mixer handle stands for the system's volume control; Wine reports its
    // change to nobody, so the main window's notification is given by hand.
    WinmmMixer other;
    other.setCurrentMixer(static_cast<int16_t>(speakers));
    ASSERT_EQ(other.findVolume(kSidePlayback, kLineMaster), 0);
    other.setControlValue(0, 6554);
    other.setControlValue(1, 6554);
    other.applyControl();
    main->Mixer_ControlChanged();
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, id::kMasterOut), TBM_GETPOS, 0, 0), -10);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, id::kCommand1)));

    rig.settings.values.erase("SoundSettings 1");
    clickButton(dlg, id::kCommand1);  // Apply stores and stays
    EXPECT_TRUE(rig.settings.has("SoundSettings 1"));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, id::kCommand1)));
    EXPECT_TRUE(IsWindow(dlg));

    // The close box stores too, and the dialog opens again afterwards.
    rig.settings.values.erase("SoundSettings 1");
    SendMessageW(dlg, WM_CLOSE, 0, 0);
    pumpFor(50);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(rig.settings.has("SoundSettings 1"));
    showSoundWindow(nullptr, *main);
    EXPECT_TRUE(IsWindow(soundWindow()));
}

}  // namespace
}  // namespace tk::test
