// The endpoint level dialog and the tone dialog as real windows: a main window over
// the in-memory library, the dialogs opened through their window functions and
// driven by the messages a user's actions send.
//
// TK_VISTA_HOLD_MS (environment) keeps the tone dialog on screen that long before the
// test goes on, for screenshots.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "fake_services.h"
#include "forms/frmMain.h"
#include "modules/VistaSound.h"
#include "sound_vista_win.h"
#include "tone_win.h"
#include "tray_win.h"
#include "user_input.h"

namespace tk::test {
namespace {

using namespace tk::win;
using wintest::clickButton;
using wintest::dragSlider;

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring text(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

// The tone dialog of this test's own thread (other copies of this test may run in the
// same Wine prefix at the same time).
HWND toneWindowOf(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND h, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(h, cls, 64);
            if (wcscmp(cls, kToneWindowClass) != 0) return TRUE;
            *reinterpret_cast<HWND*>(lp) = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

class DialogsWin : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        rig.library.addPlayback("Speakers (High Definition Audio)", "AAAA-1111")
            .set(Ctl::MasterVolume, 64)
            .set(Ctl::Bass, -4.5)
            .set(Ctl::Treble, 3)
            .without(Ctl::Mid);
        rig.library.addCapture("Microphone (USB Audio)", "DDDD-4444").set(Ctl::MicRecord, 70);
        rig.library.capture[0].without(Ctl::NoMonitor);
        rig.library.addCapture("Line In (High Definition Audio)", "EEEE-5555")
            .set(Ctl::LineRecord, 50);
        rig.mixer.devices.push_back(typicalSoundCard("Speakers"));
        rig.settings.values["Name 0"] = "Normal Windows";
        rig.settings.values["Name 1"] = "C:\\Games\\game.exe";
        rig.system.major = 6;
        main = std::make_unique<frmMain>(rig.services, publics);
        ASSERT_TRUE(main->Form_Load());
        main->cmbLineIn.setListIndex(1);
        main->PrgName.setListIndex(1);
    }
    void TearDown() override {
        unloadSoundVistaWindow();
        pump();
    }

    Rig rig;
    Publics publics;
    std::unique_ptr<frmMain> main;
};

TEST_F(DialogsWin, SoundControlsActOnTheLibraryAndStoreOnEveryClose) {
    showSoundVistaWindow(nullptr, *main);
    pump();
    HWND dlg = soundVistaWindow();
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_TRUE(publics.VistaFormLoaded);
    EXPECT_EQ(text(dlg), L"Sound Card Controls [game.exe]");
    namespace id = soundvistaid;
    EXPECT_EQ(text(GetDlgItem(dlg, id::kLblOutputMixer)), L"Speakers (High Definition Audio)");
    HWND master = GetDlgItem(dlg, id::kSldMaster);
    EXPECT_EQ(SendMessageW(master, TBM_GETPOS, 0, 0), 64);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, id::kCmdTone)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, id::kChkNoMon)));  // from the line-in

    dragSlider(dlg, master, 35);
    EXPECT_EQ(rig.library.level(Ctl::MasterVolume), 35);
    dragSlider(dlg, id::kSldMic, 12);
    EXPECT_EQ(rig.library.level(Ctl::MicRecord), 12);
    clickButton(dlg, id::kChkMasterMute);
    EXPECT_EQ(rig.library.level(Ctl::MasterMute), 1);
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, id::kChkMasterMute), BM_GETCHECK, 0, 0), BST_CHECKED);

    // With nothing open the master slider snaps back to 0.
    rig.library.CloseSoundCard();
    dragSlider(dlg, master, 80);
    EXPECT_EQ(SendMessageW(master, TBM_GETPOS, 0, 0), 0);
    main->OpenVistaCard();

    // Close: the levels now in force are stored under the entry selected now.
    clickButton(dlg, id::kCommand1);
    pump();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(publics.VistaFormLoaded);
    EXPECT_EQ(rig.settings.at("VistaSettings 1"), CaptureVistaLevels(rig.library));

    // It opens again, and its close box stores too.
    showSoundVistaWindow(nullptr, *main);
    dlg = soundVistaWindow();
    ASSERT_TRUE(dlg);
    rig.settings.values.erase("VistaSettings 1");
    SendMessageW(dlg, WM_CLOSE, 0, 0);
    pump();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(rig.settings.has("VistaSettings 1"));
}

// Finds the tone dialog from another thread and drives it there, while the test's
// thread runs it modally. It is modal to the whole program: a window standing for the
// main window is disabled too, and the tray icon's clicks go unheard.
TEST_F(DialogsWin, ToneDialogIsModalAndSetsWholeDecibels) {
    showSoundVistaWindow(nullptr, *main);
    HWND dlg = soundVistaWindow();
    ASSERT_TRUE(dlg);
    HWND other = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    TrayIcon tray;
    int trayClicks = 0;
    tray.menuEvent = [&](int) { ++trayClicks; };
    std::atomic<bool> otherDisabled{false};
    std::atomic<bool> found{false}, ownerDisabled{false};
    std::wstring bassText, midText;
    bool midEnabled = true;
    int bassMin = 0, bassPos = 99;
    const DWORD uiThread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND tone = nullptr;
        for (int i = 0; i < 2400 && !tone; ++i) {
            tone = toneWindowOf(uiThread);
            if (!tone) Sleep(25);
        }
        if (!tone) {
            PostThreadMessageW(uiThread, WM_QUIT, 0, 0);  // ends the modal loop: the test fails
            return;
        }
        found = true;
        // The owners are disabled as the modal loop starts, which may come after the window.
        for (int i = 0; i < 200 && (IsWindowEnabled(dlg) || IsWindowEnabled(other)); ++i) Sleep(25);
        ownerDisabled = !IsWindowEnabled(dlg);
        otherDisabled = !IsWindowEnabled(other);
        SendMessageW(tray.callbackWindow(), TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
        namespace id = toneid;
        bassText = text(GetDlgItem(tone, id::kLblBassValue));
        midText = text(GetDlgItem(tone, id::kLblMidValue));
        midEnabled = IsWindowEnabled(GetDlgItem(tone, id::kSldMid));
        HWND bass = GetDlgItem(tone, id::kSldBass);
        bassMin = static_cast<int>(SendMessageW(bass, TBM_GETRANGEMIN, 0, 0));
        bassPos = static_cast<int>(SendMessageW(bass, TBM_GETPOS, 0, 0));
        if (const char* ms = std::getenv("TK_VISTA_HOLD_MS")) Sleep(std::atoi(ms));
        dragSlider(tone, id::kSldTreble, 7);
        SendMessageW(tone, WM_COMMAND, MAKEWPARAM(id::kCmdClose, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(tone, id::kCmdClose)));
    });
    clickButton(dlg, soundvistaid::kCmdTone);
    driver.join();
    ASSERT_TRUE(found);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(dlg));
    EXPECT_TRUE(otherDisabled);
    EXPECT_EQ(trayClicks, 0);
    EXPECT_TRUE(IsWindowEnabled(other));
    SendMessageW(tray.callbackWindow(), TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
    EXPECT_EQ(trayClicks, 1);
    DestroyWindow(other);
    EXPECT_EQ(bassText, L"-4 dB");
    EXPECT_EQ(bassPos, -4);
    EXPECT_EQ(bassMin, -12);
    EXPECT_EQ(midText, L"0 dB");
    EXPECT_FALSE(midEnabled);
    EXPECT_EQ(rig.library.level(Ctl::Bass), -4);
    EXPECT_EQ(rig.library.level(Ctl::Treble), 7);
}

}  // namespace
}  // namespace tk::test
