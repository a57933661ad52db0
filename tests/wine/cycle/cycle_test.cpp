// The profile cycle of the real Tonekeep.exe on the legacy path: registered programs
// in a folder with a blank, one of which gets its own level through the program's level
// dialog, are launched and watched to their end however they end (at once, with the code
// that also means "still active", or with query access to their process denied as an
// elevated one does); their levels are stored, after which "Normal Windows" is back in
// force, and Tonekeep never ends them itself. A registered program that is gone is
// refused with the window unchanged.
//
// Wine's winmm mixer maps its controls onto the calling process's own audio session,
// so levels are read through Tonekeep's own level dialog and the registry, never
// through this process's mixer.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cycle_util.h"
#include "sound_dialog_win.h"
#include "user_input.h"
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

class Cycle : public CycleTest {
  protected:
    // While entry k runs: the window hidden, the list locked on it, the tray tip naming
    // it and the watch timer on.
    void expectWatched(Tonekeep& tk, int k, const std::wstring& name) {
        EXPECT_FALSE(IsWindowVisible(tk.main()));
        for (int control : {id::kPrgName, id::kCmdLaunch, id::kCmdAdd, id::kCmdRemove})
            EXPECT_FALSE(IsWindowEnabled(tk.control(control))) << control;
        EXPECT_EQ(tk.selectedEntry(), k);
        EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for " + name);
        EXPECT_EQ(tk.timerState(1), 1) << "the watch timer is off";
    }
};

// A program to launch: the helper it is a copy of, how long it runs, its exit code, and
// whether it denies query access to its own process.
struct Watched {
    const wchar_t* helper;
    DWORD runMs;
    DWORD exitCode;
    bool guarded;
};

TEST_F(Cycle, LaunchedProgramsGetTheirLevelsAndAreWatchedToTheirEnd) {
    const Watched watched[] = {{L"tk_cycle_short", 3000, 259, false},
                               {L"tk_cycle_quick", 0, 0, false},
                               {L"tk_cycle_guarded", 6000, 0, true}};
    std::vector<std::wstring> programs;
    for (const Watched& w : watched)
        programs.push_back(
            copyLaunched(w.helper, L"Program " + std::to_wstring(programs.size() + 1) + L".exe"));
    registerPrograms(programs);
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

    // Entry 1 gets a level of its own.
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    EXPECT_EQ(tk.title(), L"Havro Tonekeep  [Program 1.exe]");
    EXPECT_TRUE(IsWindowEnabled(tk.control(id::kCmdLaunch)));
    dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr);
    const int own =
        normal - low > (high - low) / 2 ? low + (normal - low) / 3 : high - (high - normal) / 3;
    ASSERT_NE(own, normal);
    wintest::dragSlider(dialog, slider, own);
    closeLevels(tk, dialog);
    dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(sliderPosition(dialog, slider), own) << "the mixer did not take the level";
    closeLevels(tk, dialog);
    const std::wstring ownStored = setting(L"SoundSettings 1");
    ASSERT_NE(ownStored, L"<absent>");
    EXPECT_NE(ownStored, normalStored) << "the program's level was not stored under its entry";

    for (int k = 1; k <= static_cast<int>(std::size(watched)); ++k) {
        const Watched& w = watched[k - 1];
        const std::wstring base = launchedBase(programs[k - 1]);
        const std::wstring name = L"Program " + std::to_wstring(k) + L".exe";
        const std::wstring levelsKey = L"SoundSettings " + std::to_wstring(k);
        SCOPED_TRACE(narrowText(name));
        ASSERT_TRUE(tk.select(k)) << messagesOf(tk);
        // Entry 1 keeps its own level; the others' are stored anew when they end.
        if (k > 1) deleteValue(HKEY_CURRENT_USER, kProgramsKey, levelsKey);
        const LRESULT ticks = tk.timerState(0);

        // Launch: returns once the launch has run. Without a window manager, hiding the
        // window waits for the manager's answer, so the first tick follows at once: a
        // program that ends at once may already be seen as ended here.
        tk.press(id::kCmdLaunch);
        const DWORD launched = GetTickCount();
        if (w.runMs > 0) expectWatched(tk, k, name);
        ASSERT_TRUE(waitFor([&] { return fileExists(base + L".started"); }))
            << "the program did not start";
        const std::string started = readFile(base + L".started").value_or("");
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                     std::strtoul(started.c_str(), nullptr, 10));
        if (w.guarded) {
            EXPECT_NE(started.find(" denied"), std::string::npos) << started;
        }

        // Each tick while it runs finds it still active.
        for (DWORD at : {2600u, 4600u}) {
            if (at + 500 > w.runMs) break;
            const DWORD elapsed = GetTickCount() - launched;
            if (elapsed < at) Sleep(at - elapsed);
            if (fileExists(base + L".ended")) break;
            expectWatched(tk, k, name);
            EXPECT_EQ(windowText(tk.control(id::kLabel2)), L"259");
            EXPECT_GT(tk.timerState(0), ticks);
        }

        // Its end is noticed within one timer period (2 s) and a little; the watch timer
        // going off is the last step of the restore.
        ASSERT_TRUE(waitFor([&] { return fileExists(base + L".ended"); },
                            std::chrono::milliseconds(w.runMs + 10000)));
        const DWORD ended = GetTickCount();
        ASSERT_TRUE(waitFor([&] { return tk.timerState(1) == 0; }, 8s))
            << "the watch did not end after the program ended";
        EXPECT_LE(GetTickCount() - ended, 4000u);
        EXPECT_LE(GetTickCount() - launched, w.runMs + 6000);
        ASSERT_TRUE(tk.waitRestored()) << messagesOf(tk);
        EXPECT_EQ(tk.title(), L"Havro Tonekeep  [Normal Windows]");
        for (int control : {id::kPrgName, id::kCmdAdd, id::kCmdRemove})
            EXPECT_TRUE(IsWindowEnabled(tk.control(control))) << control;
        EXPECT_FALSE(IsWindowEnabled(tk.control(id::kCmdLaunch)));
        EXPECT_FALSE(IsWindowVisible(tk.main()));
        EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Normal Windows");
        // The levels in force at the end were stored under the program's entry.
        if (k == 1) {
            EXPECT_EQ(setting(levelsKey), ownStored);
        } else {
            EXPECT_EQ(setting(levelsKey).rfind(L"TKL1|", 0), 0u) << narrowText(setting(levelsKey));
        }

        // It ended by itself, with its own exit code.
        if (process) {
            EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
            DWORD code = 1;
            GetExitCodeProcess(process, &code);
            EXPECT_EQ(code, w.exitCode);
            CloseHandle(process);
        } else {
            // Only a program that had already gone may be missing here.
            EXPECT_EQ(w.runMs, 0u) << "could not open the launched process";
        }

        if (k == 1) {
            // "Normal Windows"' level is in force again on the mixer device.
            dialog = openLevels(tk);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(sliderPosition(dialog, slider), normal);
            closeLevels(tk, dialog);
        }
    }

    // The timer stays off once nothing is watched.
    const LRESULT ticks = tk.timerState(0);
    Sleep(2600);
    EXPECT_EQ(tk.timerState(0), ticks) << "timer messages go on after the watch ended";
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
