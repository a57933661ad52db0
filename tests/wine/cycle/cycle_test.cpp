// The real Tonekeep.exe with programs registered in a folder whose name has a blank: the
// profile cycle and the watch on the legacy path; the list, the tray and launches asked
// for from outside on the endpoint path. Wine's winmm mixer maps its controls onto the
// calling process's own audio session, so levels are read through Tonekeep's own level
// dialog and the registry.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "sound_dialog_win.h"
#include "user_input.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
namespace sid = win::soundid;
using Microsoft::WRL::ComPtr;

// A top-level window of `pid` of class `cls` (and title `title`) once it is visible.
HWND shownWindow(DWORD pid, const wchar_t* cls, const wchar_t* title = nullptr) {
    HWND found = nullptr;
    waitFor([&] {
        for (HWND h : windowsOf(pid, cls))
            if (IsWindowVisible(h) && (!title || windowText(h) == title)) found = h;
        return found != nullptr;
    });
    return found;
}

int sliderPosition(HWND dialog, int slider, UINT what = TBM_GETPOS) {
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, slider), what, 0, 0));
}

std::wstring upperCase(std::wstring text) {
    CharUpperW(text.data());
    return text;
}

class Cycle : public ::testing::Test {
  protected:
    void SetUp() override {
        bin_ = unixToWine(TK_BIN_DIR);
        ASSERT_TRUE(fileExists(bin_ + L"Tonekeep.exe")) << "Tonekeep.exe is not built";
        folder_ = freshTempFolder(L"Tonekeep cycle test");
        ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
        com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        deleteTree(HKEY_CURRENT_USER, kAppKey);
        removeFolder(folder_);
        if (SUCCEEDED(com_)) CoUninitialize();
    }

    // A copy of the launched program `name` in the scratch folder, as `as`.
    std::wstring copyLaunched(const wchar_t* name, const std::wstring& as) const {
        const std::wstring from = unixToWine(TK_LAUNCHED_DIR) + name + L".exe";
        EXPECT_TRUE(CopyFileW(from.c_str(), (folder_ + as).c_str(), FALSE)) << "not built";
        return folder_ + as;
    }
    // The launched program's process once it has noted its start beside itself.
    static HANDLE startedProcess(const std::wstring& path) {
        const std::wstring note = path.substr(0, path.size() - 4) + L".started";
        if (!waitFor([&] { return fileExists(note); })) return nullptr;
        return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                           std::strtoul(readFile(note).value_or("").c_str(), nullptr, 10));
    }
    // "Normal Windows" on sound card 0, then `programs` as entries 1, 2, ...
    static void registerPrograms(const std::vector<std::wstring>& programs) {
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 0", L"Normal Windows");
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"SoundSettings 0", L"");
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Mixer 0", L"0");
        int k = 1;
        for (const std::wstring& p : programs)
            writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name " + std::to_wstring(k++), p);
    }
    static std::string messagesOf(const Tonekeep& tk) {
        std::wstring all = L"messages:";
        for (const std::wstring& m : tk.messages) all += L" [" + m + L"]";
        return narrowText(all);
    }
    // Entry k is watched (the timer on): the window hidden, the list locked, the tip naming it.
    static void expectWatched(Tonekeep& tk, int k, const std::wstring& name) {
        EXPECT_TRUE(tk.waitUntil([&] { return tk.timerState(1) == 1; }, 20s)) << messagesOf(tk);
        EXPECT_FALSE(IsWindowVisible(tk.main()));
        for (int control : {id::kPrgName, id::kCmdLaunch, id::kCmdAdd, id::kCmdRemove})
            EXPECT_FALSE(IsWindowEnabled(tk.control(control))) << control;
        EXPECT_EQ(tk.selectedEntry(), k);
        EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for " + name);
    }

    std::wstring bin_, folder_;
    HRESULT com_ = E_FAIL;
};

HWND openLevels(Tonekeep& tk) {
    tk.press(id::kCmdSetup);
    return shownWindow(tk.pid(), win::kSoundWindowClass);
}

void closeLevels(Tonekeep& tk, HWND dialog) {
    clickButton(dialog, sid::kCmdOk);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); })) << "the level dialog stayed open";
    EXPECT_TRUE(tk.settle());
}

// Programs, one with its own level, are watched to their end however they end: at once, with
// the code that also means "still active", or denying query access as an elevated one does.
// Their levels are stored, "Normal Windows" is back after each, and none is ended by Tonekeep.
TEST_F(Cycle, LaunchedProgramsGetTheirLevelsAndAreWatchedToTheirEnd) {
    const struct {
        const wchar_t* helper;
        DWORD runMs, exitCode;
        bool guarded;
    } watched[] = {{L"tk_cycle_short", 3000, 259, false},
                   {L"tk_cycle_quick", 0, 0, false},
                   {L"tk_cycle_guarded", 6000, 0, true}};
    std::vector<std::wstring> programs;
    for (const auto& w : watched)
        programs.push_back(
            copyLaunched(w.helper, L"Program " + std::to_wstring(programs.size() + 1) + L".exe"));
    registerPrograms(programs);
    WindowsVersion legacy(L"winxp64");
    Tonekeep tk(bin_);
    ASSERT_TRUE(tk.waitStarted()) << messagesOf(tk);

    // "Normal Windows"' level as the program's own mixer shows it: master, else wave.
    HWND dialog = openLevels(tk);
    ASSERT_NE(dialog, nullptr) << "\"&Set Levels\" showed no level dialog";
    int slider = IsWindowEnabled(GetDlgItem(dialog, sid::kMasterOut)) ? sid::kMasterOut
                 : IsWindowEnabled(GetDlgItem(dialog, sid::kWaveOut)) ? sid::kWaveOut
                                                                      : 0;
    const int normal = sliderPosition(dialog, slider),
              low = sliderPosition(dialog, slider, TBM_GETRANGEMIN),
              high = sliderPosition(dialog, slider, TBM_GETRANGEMAX);
    closeLevels(tk, dialog);
    ASSERT_NE(slider, 0) << "the mixer device has neither a master nor a wave level";
    const std::wstring normalStored = setting(L"SoundSettings 0");

    // Entry 1 gets a level of its own.
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    ASSERT_NE(dialog = openLevels(tk), nullptr);
    const int own =
        normal - low > (high - low) / 2 ? low + (normal - low) / 3 : high - (high - normal) / 3;
    ASSERT_NE(own, normal);
    dragSlider(dialog, slider, own);
    closeLevels(tk, dialog);
    ASSERT_NE(dialog = openLevels(tk), nullptr);
    EXPECT_EQ(sliderPosition(dialog, slider), own) << "the mixer did not take the level";
    closeLevels(tk, dialog);
    const std::wstring ownStored = setting(L"SoundSettings 1");
    EXPECT_NE(ownStored, normalStored) << "the program's level was not stored under its entry";

    for (int k = 1; k <= static_cast<int>(std::size(watched)); ++k) {
        const auto& w = watched[k - 1];
        const std::wstring name = L"Program " + std::to_wstring(k) + L".exe";
        const std::wstring base = folder_ + name.substr(0, name.size() - 4);
        const std::wstring levelsKey = L"SoundSettings " + std::to_wstring(k);
        SCOPED_TRACE(narrowText(name));
        ASSERT_TRUE(tk.select(k)) << messagesOf(tk);
        // Entry 1 keeps its own level; the others' are stored anew when they end.
        if (k > 1) deleteValue(HKEY_CURRENT_USER, kProgramsKey, levelsKey);
        const LRESULT ticks = tk.timerState(0);

        // Launch returns once the launch has run; without a window manager the first tick
        // follows at once, so a program that ends at once may already be seen as ended.
        tk.press(id::kCmdLaunch);
        const DWORD launched = GetTickCount();
        if (w.runMs > 0) expectWatched(tk, k, name);
        HANDLE process = startedProcess(base + L".exe");
        ASSERT_TRUE(fileExists(base + L".started")) << "the program did not start";
        EXPECT_EQ(readFile(base + L".started").value_or("").find(" denied") != std::string::npos,
                  w.guarded);

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

        // Its end is noticed within a timer period (2 s) and a little; the timer goes off last.
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
        const std::wstring levels = setting(levelsKey);
        EXPECT_TRUE(k == 1 ? levels == ownStored : levels.rfind(L"TKL1|", 0) == 0)
            << narrowText(levels);

        // It ended by itself with its own code; only one that had gone at once may be missing.
        DWORD code = w.exitCode;
        EXPECT_TRUE(process ? WaitForSingleObject(process, 5000) == WAIT_OBJECT_0 &&
                                  GetExitCodeProcess(process, &code) && CloseHandle(process)
                            : w.runMs == 0)
            << "could not open the launched process";
        EXPECT_EQ(code, w.exitCode);
        if (k == 1) {  // "Normal Windows"' level is in force again on the mixer device
            ASSERT_NE(dialog = openLevels(tk), nullptr);
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

// A shortcut at `at` to `target`, made through the shell-link service.
bool makeShortcut(const std::wstring& at, const std::wstring& target) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&link))) &&
           SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link.As(&file)) &&
           SUCCEEDED(file->Save(at.c_str(), TRUE));
}

// Chooses `path` in the open dialog of the Add button as a user types it.
bool addThroughDialog(Tonekeep& tk, const std::wstring& path) {
    PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kCmdAdd, BN_CLICKED),
                 reinterpret_cast<LPARAM>(tk.control(id::kCmdAdd)));
    HWND dialog = shownWindow(tk.pid(), L"#32770", L"Add Program - Havro Tonekeep");
    if (!dialog) return false;
    // The file name box (edt1, or cmb13 in the explorer-style dialog).
    HWND name = GetDlgItem(dialog, 0x480);
    SendMessageW(name ? name : GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return waitFor([&] { return !IsWindow(dialog); }) && tk.settle();
}

// On the endpoint path: `/launch` with no copy running, refused by the running copy while
// one is watched; the tray's exit while the program runs, which goes on; a shortcut added
// through the open dialog registers its target; a program picked from the tray's menu; and
// the desktop shortcut, read back through the shell, hands its launch to the running copy.
TEST_F(Cycle, TheListTheTrayAndLaunchesFromOutside) {
    const std::wstring longer = copyLaunched(L"tk_cycle_long", L"Launch Me.exe");
    const std::wstring shorter = copyLaunched(L"tk_cycle_short", L"Short Program.exe");
    const std::wstring exe = bin_ + L"Tonekeep.exe", link = folder_ + L"Short Program.lnk";
    ASSERT_TRUE(makeShortcut(link, shorter));
    registerPrograms({longer});
    auto launchOf = [](const std::wstring& path) { return L"/launch \"" + path + L"\""; };

    HANDLE running = nullptr;
    {
        Tonekeep tk(exe, bin_, launchOf(upperCase(longer)));
        ASSERT_NE(tk.mainWindow(), nullptr) << messagesOf(tk);
        ASSERT_NE(running = startedProcess(longer), nullptr) << "the program did not start";
        expectWatched(tk, 1, L"Launch Me.exe");
        EXPECT_TRUE(tk.messages.empty()) << messagesOf(tk);
        {
            Tonekeep other(exe, bin_, launchOf(longer));
            EXPECT_TRUE(other.ended(15s));
            EXPECT_NE(tk.messageBox(L"Only one program may be launched at a time. Launch Me.exe "
                                    L"is running"),
                      nullptr);
        }
        tk.answerMessageBoxes();

        // "Exit Tonekeep" asks, then ends Tonekeep; the program runs on.
        PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kTrayItemFirst + tk.entryCount() + 4, 0),
                     0);
        HWND confirm = tk.messageBox(L"There is a program launched. Close Havro Tonekeep ?", 10s);
        ASSERT_NE(confirm, nullptr) << "no question before ending with a program launched";
        PostMessageW(confirm, WM_COMMAND, IDYES, 0);
        for (const DWORD asked = GetTickCount();
             !tk.ended(100ms) && GetTickCount() - asked < 20000;)
            tk.answerMessageBoxes();
        ASSERT_TRUE(tk.ended()) << messagesOf(tk);
        EXPECT_EQ(tk.exitCode(), 0u);
        EXPECT_EQ(WaitForSingleObject(running, 0), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the launched program was ended with Tonekeep";
    }

    Tonekeep tk(bin_);
    ASSERT_TRUE(tk.waitStarted()) << messagesOf(tk);
    // The shortcut registers the program it points to.
    ASSERT_TRUE(addThroughDialog(tk, link)) << messagesOf(tk);
    ASSERT_EQ(tk.entryCount(), 3) << messagesOf(tk);
    EXPECT_EQ(setting(L"Name 2"), shorter);

    // The tray icon's right click pops up the menu; its third item is the short program.
    const HWND tray = tk.trayWindow();
    ASSERT_TRUE(tray && trayIconPresent(tray));
    clickTray(tray, WM_RBUTTONUP);
    HWND menu = shownWindow(tk.pid(), L"#32768");
    ASSERT_NE(menu, nullptr) << "no pop-up menu";
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0x00010001);
    HANDLE picked = startedProcess(shorter);
    EXPECT_NE(picked, nullptr) << "picking the program in the tray menu did not launch it";
    CloseHandle(picked);
    expectWatched(tk, 2, L"Short Program.exe");
    ASSERT_TRUE(tk.waitRestored()) << messagesOf(tk);

    // The desktop shortcut of entry 2, started as the shell does, hands its launch over.
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE,
                                           nullptr, SHGFP_TYPE_CURRENT, desktop)));
    const std::wstring file = std::wstring(desktop) + L"\\Short Program (Tonekeep).lnk";
    DeleteFileW(file.c_str());
    ASSERT_TRUE(tk.select(2)) << messagesOf(tk);
    SendMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kMnuCreateShortcut, 0), 0);
    ASSERT_TRUE(tk.settle());
    ComPtr<IShellLinkW> shortcut;
    ComPtr<IPersistFile> persist;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&shortcut))) &&
                SUCCEEDED(shortcut.As(&persist)) &&
                SUCCEEDED(persist->Load(file.c_str(), STGM_READ)))
        << "no shortcut on the desktop";
    wchar_t target[MAX_PATH] = {}, arguments[1024] = {}, icon[MAX_PATH] = {};
    int iconIndex = -1;
    ASSERT_TRUE(SUCCEEDED(shortcut->GetPath(target, MAX_PATH, nullptr, 0)) &&
                SUCCEEDED(shortcut->GetArguments(arguments, 1024)) &&
                SUCCEEDED(shortcut->GetIconLocation(icon, MAX_PATH, &iconIndex)));
    DeleteFileW(file.c_str());
    EXPECT_EQ(upperCase(target), upperCase(exe));
    EXPECT_EQ(std::wstring(arguments), launchOf(shorter));
    EXPECT_EQ(std::wstring(icon), shorter);
    EXPECT_EQ(iconIndex, 0);
    const size_t said = tk.messages.size();
    DeleteFileW((folder_ + L"Short Program.started").c_str());
    {
        Tonekeep second(target, bin_, arguments);
        EXPECT_TRUE(second.ended(15s)) << "the second copy did not end";
        EXPECT_EQ(second.exitCode(), 0u);
    }
    EXPECT_TRUE(waitFor([&] { return fileExists(folder_ + L"Short Program.started"); }));
    expectWatched(tk, 2, L"Short Program.exe");
    EXPECT_EQ(tk.messages.size(), said) << messagesOf(tk);
    ASSERT_TRUE(tk.waitRestored()) << messagesOf(tk);

    // Removing entry 1, confirmed, moves entry 2 down in the registry.
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kCmdRemove, BN_CLICKED),
                 reinterpret_cast<LPARAM>(tk.control(id::kCmdRemove)));
    HWND remove = tk.messageBox(L"Remove Launch Me.exe from list?", 10s);
    ASSERT_NE(remove, nullptr) << "no question before removing";
    PostMessageW(remove, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(waitFor([&] { return tk.entryCount() == 2; }) && tk.settle()) << messagesOf(tk);
    EXPECT_EQ(setting(L"Name 1"), shorter);
    for (const wchar_t* key : {L"Name 2", L"SoundSettings 2", L"VistaSettings 2"})
        EXPECT_EQ(setting(key), L"<absent>") << narrowText(key);
    EXPECT_TRUE(tk.exitThroughTray());

    // The program Tonekeep left running at its exit went on to its own end.
    DWORD code = 1;
    EXPECT_EQ(WaitForSingleObject(running, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(GetExitCodeProcess(running, &code) && code == 0) << code;
    CloseHandle(running);
}

}  // namespace
}  // namespace tk::wintest
