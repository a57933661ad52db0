// The program list, the tray menu and the shutdown of the real Tonekeep.exe: programs
// and a shortcut added through the Add button's open dialog, an entry removed with the
// stored keys renumbered, a program picked from the tray's pop-up menu, and the tray's
// "Exit Tonekeep" ending Tonekeep while the launched program goes on.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>

#include "cycle_util.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;

// A shortcut at `at` to `target`, made through the shell-link service.
bool makeShortcut(const std::wstring& at, const std::wstring& target) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool made = false;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        made = SUCCEEDED(link->SetPath(target.c_str())) &&
               SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
               SUCCEEDED(file->Save(at.c_str(), TRUE));
        if (file) file->Release();
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return made && fileExists(at);
}

// Chooses `path` in the open dialog of the Add button as a user types it.
bool addThroughDialog(Tonekeep& tk, const std::wstring& path) {
    PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kCmdAdd, BN_CLICKED),
                 reinterpret_cast<LPARAM>(tk.control(id::kCmdAdd)));
    HWND dialog = nullptr;
    if (!waitFor([&] {
            for (HWND h : windowsOf(tk.pid(), L"#32770"))
                if (IsWindowVisible(h) && windowText(h) == L"Add Program - Havro Tonekeep")
                    dialog = h;
            return dialog != nullptr;
        }))
        return false;
    // The file name box (edt1, or cmb13 in the explorer-style dialog).
    HWND name = GetDlgItem(dialog, 0x480);
    if (!name) name = GetDlgItem(dialog, 0x47c);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return waitFor([&] { return !IsWindow(dialog); }) && tk.settle();
}

// The stored keys as they are after removing entry `removed`: later entries move down
// one place with the keys they have.
Snapshot afterRemoval(const Snapshot& before, int removed) {
    Snapshot after;
    for (const auto& [name, value] : before) {
        const size_t blank = name.rfind(L' ');
        const int index = blank == std::wstring::npos ? -1 : _wtoi(name.c_str() + blank + 1);
        if (index < removed)
            after[name] = value;
        else if (index > removed)
            after[name.substr(0, blank + 1) + std::to_wstring(index - 1)] = value;
    }
    return after;
}

class ListAndTray : public CycleTest {};

TEST_F(ListAndTray, AddRemovePickFromTheTrayAndExitWhileTheProgramRuns) {
    const std::wstring longer = copyLaunched(L"tk_cycle_long", L"Long Program.exe");
    const std::wstring shorter = copyLaunched(L"tk_cycle_short", L"Short Program.exe");
    const std::wstring shortcut = folder_ + L"Long Program.lnk";
    ASSERT_TRUE(makeShortcut(shortcut, longer));
    registerPrograms({folder_ + L"Old Program.exe"});
    writeString(HKEY_CURRENT_USER, kProgramsKey, L"Mixer 1", L"0");
    writeString(HKEY_CURRENT_USER, kProgramsKey, L"SoundSettings 1", L"");
    WindowsVersion legacy(L"winxp64");
    Tonekeep tk(bin_);
    ASSERT_TRUE(tk.waitStarted()) << messagesOf(tk);

    // The shortcut registers the program it points to; the program itself is then
    // already listed. A second program is added as it is.
    ASSERT_TRUE(addThroughDialog(tk, shortcut)) << messagesOf(tk);
    ASSERT_EQ(tk.entryCount(), 3) << messagesOf(tk);
    EXPECT_EQ(tk.entryText(2), L"Long Program.exe");
    EXPECT_EQ(setting(L"Name 2"), longer);
    EXPECT_EQ(setting(L"Mixer 2"), L"0");
    EXPECT_NE(setting(L"SoundSettings 2"), L"<absent>");
    const size_t before = tk.messages.size();
    ASSERT_TRUE(addThroughDialog(tk, longer)) << messagesOf(tk);
    EXPECT_EQ(tk.entryCount(), 3);
    ASSERT_EQ(tk.messages.size(), before + 1) << messagesOf(tk);
    EXPECT_NE(tk.messages.back().find(longer + L" is already listed"), std::wstring::npos)
        << messagesOf(tk);
    ASSERT_TRUE(addThroughDialog(tk, shorter)) << messagesOf(tk);
    ASSERT_EQ(tk.entryCount(), 4) << messagesOf(tk);
    EXPECT_EQ(setting(L"Name 3"), shorter);

    // Removing entry 1 moves the later entries down with every key they have.
    ASSERT_TRUE(tk.select(1)) << messagesOf(tk);
    const Snapshot stored = readPrograms();
    PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kCmdRemove, BN_CLICKED),
                 reinterpret_cast<LPARAM>(tk.control(id::kCmdRemove)));
    HWND question = tk.messageBox(L"Remove Old Program.exe from list?", 10s);
    ASSERT_NE(question, nullptr) << "no question before the removal";
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(waitFor([&] { return tk.entryCount() == 3; })) << "the entry was not removed";
    ASSERT_TRUE(tk.settle());
    EXPECT_EQ(tk.entryText(1), L"Long Program.exe");
    EXPECT_EQ(tk.entryText(2), L"Short Program.exe");
    const Snapshot renumbered = readPrograms();
    Snapshot expected = afterRemoval(stored, 1);
    // The removal selects "Normal Windows", which stores its levels in force back.
    ASSERT_TRUE(renumbered.count(L"SoundSettings 0"));
    EXPECT_NE(describe(renumbered.at(L"SoundSettings 0")), L"");
    expected[L"SoundSettings 0"] = renumbered.at(L"SoundSettings 0");
    EXPECT_EQ(renumbered.size(), expected.size());
    for (const auto& [name, value] : expected) {
        auto found = renumbered.find(name);
        if (found == renumbered.end())
            ADD_FAILURE() << narrowText(name) << " is missing";
        else
            EXPECT_EQ(found->second, value)
                << narrowText(name) << ": " << narrowText(describe(found->second)) << " instead of "
                << narrowText(describe(value));
    }
    EXPECT_EQ(setting(L"Name 3"), L"<absent>");

    // The tray icon's right click pops up the menu; its second item is the long program.
    const HWND tray = tk.trayWindow();
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(trayIconPresent(tray));
    clickTray(tray, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (HWND h : windowsOf(tk.pid(), L"#32768"))
            if (IsWindowVisible(h)) menu = h;
        return menu != nullptr;
    })) << "no pop-up menu";
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0x00010001);
    ASSERT_TRUE(waitFor([&] { return fileExists(launchedBase(longer) + L".started"); }))
        << "picking the program in the tray menu did not launch it";
    EXPECT_TRUE(waitFor([&] { return !IsWindowEnabled(tk.control(id::kPrgName)); }));
    EXPECT_EQ(tk.selectedEntry(), 1);
    EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Long Program.exe");
    const std::string started = readFile(launchedBase(longer) + L".started").value_or("");
    HANDLE launched = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                  std::strtoul(started.c_str(), nullptr, 10));
    ASSERT_NE(launched, nullptr) << "the launched program cannot be opened";

    // "Exit Tonekeep" ends Tonekeep and takes its icon away; the program runs on.
    const int exitItem = tk.entryCount() + 4;  // the entries, a separator, four commands
    PostMessageW(tk.main(), WM_COMMAND, MAKEWPARAM(id::kTrayItemFirst + exitItem, 0), 0);
    HWND confirm = tk.messageBox(L"There is a program launched. Close Havro Tonekeep ?", 10s);
    ASSERT_NE(confirm, nullptr) << "no question before ending with a program launched";
    PostMessageW(confirm, WM_COMMAND, IDYES, 0);
    const DWORD asked = GetTickCount();
    while (!tk.ended(100ms) && GetTickCount() - asked < 20000) tk.answerMessageBoxes();
    ASSERT_TRUE(tk.ended()) << messagesOf(tk);
    EXPECT_EQ(tk.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(tray)) << "the tray icon is still there";
    EXPECT_EQ(WaitForSingleObject(launched, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the launched program was ended with Tonekeep";
    EXPECT_FALSE(fileExists(launchedBase(longer) + L".ended"));
    // It goes on to its own end.
    EXPECT_EQ(WaitForSingleObject(launched, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 1;
    GetExitCodeProcess(launched, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(fileExists(launchedBase(longer) + L".ended"));
    CloseHandle(launched);
}

}  // namespace
}  // namespace tk::wintest
