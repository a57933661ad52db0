// The real Tonekeep.exe on the legacy path: a program with a level of its own is launched,
// watched to its end and the levels put back; the end of the session ends the program.
// Wine's winmm mixer maps its controls onto the calling process's own audio session, so
// levels are read through Tonekeep's own level dialog and the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "sound_dialog_win.h"
#include "user_input.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
namespace sid = win::soundid;

TEST(Cycle, AProgramWithItsOwnLevelIsWatchedToItsEndOnTheLegacyPath) {
    const std::wstring folder = freshTempFolder(L"Tonekeep cycle test");
    const std::wstring game = folder + L"Program 1.exe", base = folder + L"Program 1";
    ASSERT_TRUE(CopyFileW((unixToWine(TK_LAUNCHED_DIR) + L"tk_cycle_game.exe").c_str(),
                          game.c_str(), FALSE));
    ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
    for (const auto& [name, value] :
         {std::pair{L"Name 0", L"Normal Windows"}, {L"Mixer 0", L"0"}, {L"Name 1", game.c_str()}})
        writeString(HKEY_CURRENT_USER, kProgramsKey, name, value);
    WindowsVersion legacy(L"winxp64");
    Tonekeep tk(unixToWine(TK_BIN_DIR));
    ASSERT_TRUE(tk.waitStarted()) << "the program did not start up";

    // The position of Set Levels' master (else wave) slider, once moved to `to` if given;
    // INT_MIN when the dialog did not show and close.
    int slider = 0, low = 0, high = 0;
    auto levels = [&](std::optional<int> to = {}) {
        tk.press(id::kCmdSetup);
        HWND dialog = tk.shown(win::kSoundWindowClass);
        if (!dialog) return INT_MIN;
        slider =
            IsWindowEnabled(GetDlgItem(dialog, sid::kMasterOut)) ? sid::kMasterOut : sid::kWaveOut;
        low = int(SendDlgItemMessageW(dialog, slider, TBM_GETRANGEMIN, 0, 0));
        high = int(SendDlgItemMessageW(dialog, slider, TBM_GETRANGEMAX, 0, 0));
        if (to) dragSlider(dialog, slider, *to);
        const int at = int(SendDlgItemMessageW(dialog, slider, TBM_GETPOS, 0, 0));
        clickButton(dialog, sid::kCmdOk);
        return waitFor([&] { return !IsWindow(dialog); }) && tk.settle() ? at : INT_MIN;
    };
    const int normal = levels();
    ASSERT_NE(normal, INT_MIN) << "\"&Set Levels\" showed no level dialog";
    ASSERT_TRUE(tk.select(1));
    const int own =
        normal - low > (high - low) / 2 ? low + (normal - low) / 3 : high - (high - normal) / 3;
    ASSERT_EQ(levels(own), own);
    EXPECT_EQ(levels(), own) << "the mixer did not take the level";
    EXPECT_NE(setting(L"SoundSettings 1"), setting(L"SoundSettings 0"));

    // While it runs (4 s, denying query access as an elevated program does, then it returns
    // 259, the code that also means "still active"), each tick finds it active; its end is noticed
    // within a timer period (2 s) and a little.
    const LRESULT ticks = tk.timerState(0);
    ASSERT_TRUE(tk.launch());
    const DWORD launched = GetTickCount();
    ASSERT_TRUE(waitFor([&] { return readFile(base + L".started") == "started denied"; }));
    EXPECT_TRUE(tk.waitUntil([&] { return tk.timerState(1) == 1 && !IsWindowVisible(tk.main()); }));
    EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Program 1.exe");
    Sleep(std::max<int>(0, 2600 - int(GetTickCount() - launched)));
    ASSERT_FALSE(fileExists(base + L".ended")) << "ended early: the machine is too slow";
    EXPECT_EQ(tk.timerState(1), 1);
    EXPECT_EQ(windowText(tk.control(id::kLabel2)), L"259");
    EXPECT_GT(tk.timerState(0), ticks);
    ASSERT_TRUE(waitFor([&] { return fileExists(base + L".ended"); }, 15s));
    const DWORD ended = GetTickCount();
    ASSERT_TRUE(tk.waitRestored()) << "the watch did not end after the program ended";
    EXPECT_LE(GetTickCount() - ended, 4000u);
    EXPECT_EQ(levels(), normal) << "\"Normal Windows\"' level is not in force again";
    const LRESULT idle = tk.timerState(0);
    Sleep(2600);
    EXPECT_EQ(tk.timerState(0), idle) << "timer messages go on after the watch ended";

    // The end of the session ends the program; with nothing launched it agrees.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(tk.main(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, DWORD_PTR(TRUE));
    ASSERT_TRUE(tk.ended(20s));
    EXPECT_EQ(tk.exitCode(), 0u);
    EXPECT_TRUE(waitFor([&] { return tk.trayTip() == L"<0 icons in the tray>"; }));
    EXPECT_TRUE(tk.messages.empty()) << narrowText(tk.messages.front());
    deleteTree(HKEY_CURRENT_USER, kAppKey);
    removeFolder(folder);
}

}  // namespace
}  // namespace tk::wintest
