// The real Tonekeep.exe under Wine on the endpoint path, started from the folder that holds
// it and HavroVista.dll, driven through window messages, the tray and the shell and read
// back through the registry, with programs in a folder and under a name outside ASCII.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "tray_win.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
using Microsoft::WRL::ComPtr;

TEST(Program, LaunchesFromOutsideTheTrayTheListAndTheShell) {
    const std::wstring bin = unixToWine(TK_BIN_DIR), exe = bin + L"Tonekeep.exe";
    const std::wstring folder = freshTempFolder(L"Spiele Gr\u00f6\u00dfe"),
                       launched = unixToWine(TK_LAUNCHED_DIR);
    const std::wstring game = folder + L"\u00dcberfall.exe", quick = folder + L"Kurz.exe";
    ASSERT_TRUE(CopyFileW((launched + L"tk_program_long.exe").c_str(), game.c_str(), FALSE) &&
                CopyFileW((launched + L"tk_program_game.exe").c_str(), quick.c_str(), FALSE));
    ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
    writeString(HKEY_CURRENT_USER, kProgramsKey, L"StartMin", L"1");
    writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", game);
    WindowsVersion version(nullptr);
    const auto launchOf = [](const std::wstring& path) { return L"/launch \"" + path + L"\""; };
    {
        // Started with no copy running, it launches the program.
        Tonekeep tk(exe, bin, launchOf(game));
        ASSERT_TRUE(tk.waitUntil([&] { return tk.timerState(1) == 1; })) << "not launched";
        // A second copy hands its launch over to this one, which refuses it while one runs.
        Tonekeep handing(exe, bin, launchOf(game));
        EXPECT_TRUE(handing.ended(15s));
        EXPECT_TRUE(tk.answer(L"Only one program may be launched at a time.")) << "no hand-over";
        // A second copy without a request says so and ends.
        Tonekeep second(bin);
        EXPECT_TRUE(second.answer(L"Another instance of Havro Tonekeep is running"));
        EXPECT_TRUE(second.ended(20s));
        // "Exit Tonekeep" asks while a program runs, then ends Tonekeep; the program runs on.
        PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kTrayItemFirst + tk.entryCount() + 4, 0),
                     0);
        ASSERT_TRUE(tk.answer(L"There is a program launched. Close Havro Tonekeep ?", IDYES));
        ASSERT_TRUE(tk.ended(20s));
        EXPECT_FALSE(fileExists(folder + L"\u00dcberfall.ended")) << "ended with Tonekeep";
    }

    // Started in the tray, with the name outside ASCII read whole.
    Tonekeep tk(bin);
    ASSERT_TRUE(tk.waitStarted()) << "the program did not start up";
    const auto iconShown = [&] { return tk.trayTip().rfind(L"Havro Tonekeep", 0) == 0; };
    const auto visible = [&] { return IsWindowVisible(tk.main()) != FALSE; };
    const auto clickTray = [&](UINT button) {
        PostMessageW(tk.trayWindow(), win::TrayIcon::kCallbackMessage, 1, button);
    };
    ASSERT_TRUE(waitFor(iconShown));
    EXPECT_FALSE(visible());
    EXPECT_EQ(tk.entryText(1), L"\u00dcberfall.exe");

    // The shell lost its icons (as when Explorer restarts) and announces a new taskbar.
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon, icon.hWnd = tk.trayWindow(), icon.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon) && waitFor([&] { return !iconShown(); }));
    PostMessageW(tk.trayWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(waitFor(iconShown)) << "the icon did not come back";

    // The icon's left button shows the window; Esc hides it once its option is on, and so
    // does the close box.
    clickTray(WM_LBUTTONUP);
    EXPECT_TRUE(waitFor(visible));
    SendMessageW(tk.control(id::kChkEsc), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return setting(L"EscKey") == L"1"; }));
    PostMessageW(tk.control(id::kPrgName), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(waitFor([&] { return !visible(); }));
    clickTray(WM_LBUTTONUP);
    EXPECT_TRUE(waitFor(visible));
    PostMessageW(tk.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(waitFor([&] { return !visible(); }));

    // A shortcut chosen in the Add dialog, typed as a user does, registers its target.
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) &&
                SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&link))) &&
                SUCCEEDED(link->SetPath(quick.c_str())) && SUCCEEDED(link.As(&file)) &&
                SUCCEEDED(file->Save((folder + L"Kurz.lnk").c_str(), TRUE)));
    tk.click(id::kCmdAdd);
    HWND dialog = tk.shown(L"#32770", L"Add Program - Havro Tonekeep");
    ASSERT_NE(dialog, nullptr);
    HWND name = GetDlgItem(dialog, 0x480);  // edt1, or cmb13 in the explorer-style dialog
    const std::wstring typed = folder + L"Kurz.lnk";
    SendMessageW(name ? name : GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0, LPARAM(typed.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }) && tk.settle());
    EXPECT_EQ(setting(L"Name 2"), quick);

    // The icon's right button pops up the menu; its third item launches entry 2.
    clickTray(WM_RBUTTONUP);
    HWND menu = tk.shown(L"#32768");
    ASSERT_NE(menu, nullptr) << "no pop-up menu";
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0x00010001);
    EXPECT_TRUE(waitFor([&] { return fileExists(folder + L"Kurz.started"); })) << "not launched";
    ASSERT_TRUE(tk.waitRestored());

    // The desktop shortcut of entry 2 hands its launch to the running copy.
    wchar_t desktop[MAX_PATH] = {}, target[MAX_PATH] = {}, arguments[1024] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE,
                                           nullptr, SHGFP_TYPE_CURRENT, desktop)));
    const std::wstring onDesktop = desktop + std::wstring(L"\\Kurz (Tonekeep).lnk");
    DeleteFileW(onDesktop.c_str());
    ASSERT_TRUE(tk.select(2));
    SendMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kMnuCreateShortcut, 0), 0);
    ASSERT_TRUE(tk.settle() && SUCCEEDED(file->Load(onDesktop.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
                SUCCEEDED(link->GetArguments(arguments, 1024)))
        << "no shortcut on the desktop";
    DeleteFileW(onDesktop.c_str());
    EXPECT_EQ(lstrcmpiW(target, exe.c_str()), 0) << narrowText(target);
    EXPECT_EQ(arguments, launchOf(quick));

    // Removing entry 1, confirmed, moves entry 2 down in the registry.
    ASSERT_TRUE(tk.select(1));
    tk.click(id::kCmdRemove);
    ASSERT_TRUE(tk.answer(L"Remove \u00dcberfall.exe from list?", IDYES));
    ASSERT_TRUE(waitFor([&] { return tk.entryCount() == 2; }) && tk.settle());
    EXPECT_EQ(setting(L"Name 1"), quick);
    for (const wchar_t* key : {L"Name 2", L"SoundSettings 2", L"VistaSettings 2"})
        EXPECT_EQ(setting(key), L"<absent>") << narrowText(key);

    // A bare close request, as a task manager sends, ends the program and its icon.
    PostMessageW(tk.main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tk.ended(20s));
    EXPECT_EQ(tk.exitCode(), 0u);
    EXPECT_FALSE(iconShown());
    EXPECT_TRUE(tk.messages.empty()) << narrowText(tk.messages.front());
    EXPECT_TRUE(waitFor([&] { return fileExists(folder + L"\u00dcberfall.ended"); }, 30s));
    deleteTree(HKEY_CURRENT_USER, kAppKey);
    removeFolder(folder);
}

}  // namespace
}  // namespace tk::wintest
