// The profile cycle of the real Tonekeep.exe on the legacy path: a registered program
// in a folder with a blank gets its own level through the program's level dialog, is
// launched, watched to its end and stored, after which "Normal Windows" is back in
// force; and a registered program that is gone is refused with the window unchanged.
//
// Wine's winmm mixer maps its controls onto the calling process's own audio session,
// so levels are read through Tonekeep's own level dialog and the registry, never
// through this process's mixer.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "cycle_util.h"
#include "sound_dialog_win.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
namespace sid = win::soundid;

// Opens the legacy level dialog through "&Set Levels"; nullptr when it does not show.
HWND openLevels(Tonekeep& tk) {
    tk.press(id::kCmdSetup);
    HWND dialog = nullptr;
    waitFor([&] {
        for (HWND h : windowsOf(tk.pid(), win::kSoundWindowClass))
            if (IsWindowVisible(h)) dialog = h;
        return dialog != nullptr;
    });
    return dialog;
}

void closeLevels(Tonekeep& tk, HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(sid::kCmdOk, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, sid::kCmdOk)));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); })) << "the level dialog stayed open";
    EXPECT_TRUE(tk.settle());
}

// The first level slider the mixer device offers (master, then wave).
int levelSlider(HWND dialog) {
    for (int slider : {sid::kMasterOut, sid::kWaveOut})
        if (HWND h = GetDlgItem(dialog, slider); h && IsWindowEnabled(h)) return slider;
    return 0;
}

int sliderPosition(HWND dialog, int slider) {
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, slider), TBM_GETPOS, 0, 0));
}

// Moves the slider as a user's drag ends: new position, then the scroll notification.
void moveSlider(HWND dialog, int slider, int position) {
    HWND h = GetDlgItem(dialog, slider);
    SendMessageW(h, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(h));
    SendMessageW(dialog, WM_VSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(h));
}

class Cycle : public CycleTest {};

TEST_F(Cycle, ALaunchedProgramGetsItsLevelsAndNormalWindowsComesBack) {
    const std::wstring program = copyLaunched(L"tk_cycle_short", L"Cycle Program.exe");
    registerPrograms({program});
    WindowsVersion legacy(L"winxp64");
    Tonekeep tk(bin_);
    ASSERT_TRUE(tk.waitStarted()) << messagesOf(tk);

    // "Normal Windows"' level as the program's own mixer shows it.
    HWND dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr) << "\"&Set Levels\" showed no level dialog";
    const int slider = levelSlider(dialog);
    if (!slider) {
        closeLevels(tk, dialog);
        FAIL() << "the mixer device has neither a master nor a wave level";
    }
    const int normal = sliderPosition(dialog, slider);
    const int low =
        static_cast<int>(SendMessageW(GetDlgItem(dialog, slider), TBM_GETRANGEMIN, 0, 0));
    const int high =
        static_cast<int>(SendMessageW(GetDlgItem(dialog, slider), TBM_GETRANGEMAX, 0, 0));
    closeLevels(tk, dialog);
    const std::wstring normalStored = setting(L"SoundSettings 0");

    // The program gets a level of its own.
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    EXPECT_EQ(tk.title(), L"Havro Tonekeep  [Cycle Program.exe]");
    EXPECT_TRUE(IsWindowEnabled(tk.control(id::kCmdLaunch)));
    dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr);
    const int own =
        normal - low > (high - low) / 2 ? low + (normal - low) / 3 : high - (high - normal) / 3;
    ASSERT_NE(own, normal);
    moveSlider(dialog, slider, own);
    closeLevels(tk, dialog);
    dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(sliderPosition(dialog, slider), own) << "the mixer did not take the level";
    closeLevels(tk, dialog);
    const std::wstring ownStored = setting(L"SoundSettings 1");
    ASSERT_NE(ownStored, L"<absent>");
    EXPECT_NE(ownStored, normalStored) << "the program's level was not stored under its entry";

    // Launch: the window goes to the tray, whose tip names the program.
    const DWORD before = GetTickCount();
    ASSERT_TRUE(tk.launch()) << messagesOf(tk);
    EXPECT_TRUE(waitFor([&] { return fileExists(launchedBase(program) + L".started"); }))
        << "the program did not start";
    EXPECT_FALSE(IsWindowVisible(tk.main()));
    EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Cycle Program.exe");
    EXPECT_EQ(tk.timerState(1), 1) << "the watch timer is off";

    // It ends by itself with 259 after 3 s; the watch notices within about 2 s.
    ASSERT_TRUE(tk.waitRestored(15s)) << messagesOf(tk);
    EXPECT_TRUE(fileExists(launchedBase(program) + L".ended"));
    EXPECT_LE(GetTickCount() - before, 9000u);
    EXPECT_EQ(tk.timerState(1), 0);
    EXPECT_EQ(tk.selectedEntry(), 0);
    EXPECT_EQ(tk.title(), L"Havro Tonekeep  [Normal Windows]");
    EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Normal Windows");
    EXPECT_EQ(setting(L"SoundSettings 1"), ownStored) << "the levels at the end were not stored";

    // "Normal Windows"' level is in force again on the mixer device.
    dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(sliderPosition(dialog, slider), normal);
    closeLevels(tk, dialog);
    EXPECT_TRUE(tk.exitThroughTray());
}

TEST_F(Cycle, AProgramThatIsGoneIsRefusedAndTheWindowStaysAsItWas) {
    const std::wstring gone = folder_ + L"Gone Program.exe";
    registerPrograms({gone});
    WindowsVersion legacy(L"winxp64");
    Tonekeep tk(bin_);
    ASSERT_TRUE(tk.waitStarted()) << messagesOf(tk);
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    const std::wstring title = tk.title();
    const std::wstring tip = tk.trayTip();
    const size_t before = tk.messages.size();

    EXPECT_FALSE(tk.launch()) << "the launch was not refused";
    ASSERT_TRUE(tk.settle());
    ASSERT_EQ(tk.messages.size(), before + 1) << messagesOf(tk);
    EXPECT_NE(tk.messages.back().find(L"Unable to find " + gone), std::wstring::npos)
        << narrowText(tk.messages.back());

    EXPECT_TRUE(IsWindowVisible(tk.main()));
    EXPECT_TRUE(IsWindowEnabled(tk.main()));
    for (int control : {id::kPrgName, id::kCmdAdd, id::kCmdRemove, id::kCmdLaunch})
        EXPECT_TRUE(IsWindowEnabled(tk.control(control))) << control;
    EXPECT_EQ(tk.timerState(1), 0) << "the watch timer runs";
    EXPECT_EQ(tk.selectedEntry(), 1);
    EXPECT_EQ(tk.title(), title);
    EXPECT_EQ(tk.trayTip(), tip);
    EXPECT_TRUE(tk.exitThroughTray());
}

}  // namespace
}  // namespace tk::wintest
