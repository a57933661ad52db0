// The real Tonekeep.exe on the endpoint path, asked from outside: `/launch "<path>"`
// with and without a running copy, an unregistered path, and the desktop shortcut as
// the shell reads it back.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "cycle_util.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
using Microsoft::WRL::ComPtr;

int mainWindowCount() {
    int count = 0;
    for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, win::kMainWindowClass, nullptr));)
        ++count;
    return count;
}

struct ComScope {
    ComScope() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result)) CoUninitialize();
    }
    HRESULT result;
};

std::wstring upperCase(std::wstring text) {
    CharUpperW(text.data());
    return text;
}

class Outside : public CycleTest {
  protected:
    // A program to register, under a name with a blank: it runs 3 s, or 12 s when `long`.
    std::wstring program(const wchar_t* as, bool longRun = false) {
        return copyLaunched(longRun ? L"tk_cycle_long" : L"tk_cycle_short", as);
    }
    std::wstring exe() const { return bin_ + L"Tonekeep.exe"; }
    // Waits until `tk` watches entry `k`: the list locked on it, the timer on.
    static bool watching(Tonekeep& tk, int k) {
        return tk.waitUntil(
            [&] {
                return !IsWindowEnabled(tk.control(id::kPrgName)) && tk.selectedEntry() == k &&
                       tk.timerState(1) == 1;
            },
            20s);
    }
};

TEST_F(Outside, LaunchOnTheCommandLineStartsTheProgramWithItsProfile) {
    const std::wstring path = program(L"Launch Me.exe");
    registerPrograms({path});
    Tonekeep tk(exe(), bin_, L"/launch \"" + upperCase(path) + L"\"");
    ASSERT_NE(tk.mainWindow(), nullptr) << messagesOf(tk);
    ASSERT_TRUE(watching(tk, 1)) << messagesOf(tk);
    EXPECT_TRUE(waitFor([&] { return fileExists(launchedBase(path) + L".started"); }))
        << "the program did not start";
    EXPECT_FALSE(IsWindowVisible(tk.main()));
    EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Launch Me.exe");
    EXPECT_TRUE(tk.messages.empty()) << messagesOf(tk);
    EXPECT_EQ(mainWindowCount(), 1);
}

TEST_F(Outside, AnUnregisteredPathIsNamedAndNothingIsLaunchedOrStored) {
    const std::wstring path = program(L"Launch Me.exe");
    registerPrograms({path});
    for (const wchar_t* option : {L"EscKey", L"Exit", L"StartMin"})
        writeString(HKEY_CURRENT_USER, kProgramsKey, option, L"0");
    {  // A first start stores "Normal Windows"' devices once; that is not the launch's doing.
        Tonekeep first(exe(), bin_, L"");
        ASSERT_TRUE(first.waitStarted()) << messagesOf(first);
        ASSERT_TRUE(first.exitThroughTray());
    }
    const Snapshot before = readPrograms();
    const std::wstring other = folder_ + L"Not Listed.exe";

    Tonekeep tk(exe(), bin_, L"/launch \"" + other + L"\"");
    ASSERT_NE(tk.messageBox(L"is not in the list of programs"), nullptr);
    ASSERT_NE(tk.shownMainWindow(), nullptr) << messagesOf(tk);
    ASSERT_TRUE(tk.settle());
    ASSERT_EQ(tk.messages.size(), 1u) << messagesOf(tk);
    EXPECT_NE(tk.messages[0].find(other + L" is not in the list of programs"), std::wstring::npos)
        << messagesOf(tk);
    EXPECT_EQ(tk.selectedEntry(), 0);
    EXPECT_EQ(tk.timerState(1), 0);
    EXPECT_FALSE(fileExists(launchedBase(path) + L".started"));
    EXPECT_EQ(readPrograms(), before);
}

// The shortcut from the File menu, read back through the shell; started as the shell
// would start it while a copy runs, it hands the launch over and ends at once.
TEST_F(Outside, TheDesktopShortcutHandsItsLaunchToTheRunningCopy) {
    const std::wstring path = program(L"Shortcut Game.exe", true);
    registerPrograms({path});
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE,
                                           nullptr, SHGFP_TYPE_CURRENT, desktop)));
    const std::wstring file = std::wstring(desktop) + L"\\Shortcut Game (Tonekeep).lnk";
    DeleteFileW(file.c_str());

    Tonekeep tk(bin_);
    ASSERT_TRUE(tk.waitStarted()) << messagesOf(tk);
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    SendMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kMnuCreateShortcut, 0), 0);
    ASSERT_TRUE(tk.settle());
    ASSERT_TRUE(fileExists(file)) << messagesOf(tk);

    ComScope com;
    ComPtr<IShellLinkW> link;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))));
    ComPtr<IPersistFile> persist;
    ASSERT_TRUE(SUCCEEDED(link.As(&persist)));
    ASSERT_TRUE(SUCCEEDED(persist->Load(file.c_str(), STGM_READ)));
    wchar_t target[MAX_PATH] = {}, arguments[1024] = {}, icon[MAX_PATH] = {};
    int iconIndex = -1;
    ASSERT_TRUE(SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)));
    ASSERT_TRUE(SUCCEEDED(link->GetArguments(arguments, 1024)));
    ASSERT_TRUE(SUCCEEDED(link->GetIconLocation(icon, MAX_PATH, &iconIndex)));
    EXPECT_EQ(upperCase(target), upperCase(exe()));
    EXPECT_EQ(std::wstring(arguments), L"/launch \"" + path + L"\"");
    EXPECT_EQ(std::wstring(icon), path);
    EXPECT_EQ(iconIndex, 0);
    DeleteFileW(file.c_str());

    {
        Tonekeep second(target, bin_, arguments);
        ASSERT_TRUE(second.started());
        EXPECT_TRUE(second.ended(15s)) << "the second copy did not end";
        EXPECT_EQ(second.exitCode(), 0u);
    }
    ASSERT_TRUE(watching(tk, 1)) << messagesOf(tk);
    EXPECT_TRUE(waitFor([&] { return fileExists(launchedBase(path) + L".started"); }));
    EXPECT_FALSE(IsWindowVisible(tk.main()));
    EXPECT_TRUE(tk.messages.empty()) << messagesOf(tk);
    EXPECT_EQ(mainWindowCount(), 1);

    // While it is watched, the running copy refuses another launch with its message.
    {
        Tonekeep third(exe(), bin_, L"/launch \"" + path + L"\"");
        EXPECT_TRUE(third.ended(15s));
        EXPECT_NE(tk.messageBox(L"Only one program may be launched at a time. Shortcut Game.exe is "
                                L"running"),
                  nullptr);
    }
    EXPECT_EQ(mainWindowCount(), 1);
}

}  // namespace
}  // namespace tk::wintest
