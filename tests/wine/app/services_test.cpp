// The smaller services against the real system calls under Wine.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

#include "services_win.h"
#include "wine_util.h"

namespace tk::win {
namespace {

using wintest::ownFolder;

TEST(MessageBoxTextTest, ALoneCarriageReturnIsShownAsALineBreak) {
    EXPECT_EQ(WinMessageBoxes::displayText("a\rb"), L"a\r\nb");
    EXPECT_EQ(WinMessageBoxes::displayText("a\r\rb\r"), L"a\r\n\r\nb\r\n");
    EXPECT_EQ(WinMessageBoxes::displayText("a\r\nb"), L"a\r\nb");  // already a pair
    EXPECT_EQ(WinMessageBoxes::displayText("Gr\xc3\xb6\xc3\x9f"
                                           "e"),
              L"Gr\u00f6\u00dfe");
    EXPECT_EQ(WinMessageBoxes::displayText(""), L"");
}

TEST(FileDialogFilterTest, BarsBecomeTheSeparatorsTheDialogWants) {
    std::wstring f = WinFileDialog::filterText("(Programs) *.exe|*.exe|(All) *.*|*.*");
    EXPECT_EQ(f, std::wstring(L"(Programs) *.exe\0*.exe\0(All) *.*\0*.*\0\0", 38));
}

// A scratch folder with a blank in its name, holding a copy of the exit helper.
class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"Tonekeep process test\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        helper_ = folder_ + L"exit helper.exe";
        ASSERT_TRUE(
            CopyFileW((ownFolder() + L"tk_exit_helper.exe").c_str(), helper_.c_str(), FALSE));
        DeleteFileW((folder_ + L"cwd.txt").c_str());
    }
    void TearDown() override {
        DeleteFileW(helper_.c_str());
        DeleteFileW((folder_ + L"cwd.txt").c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring folder_, helper_;
    WinProcesses processes;
};

TEST_F(ProcessTest, StartsInItsFolderAndWatchesTheProcessToItsEnd) {
    std::string folder = narrow(folder_.substr(0, folder_.size() - 1));
    LaunchResult r = processes.start(narrow(helper_), folder);
    ASSERT_EQ(r.outcome, LaunchResult::Outcome::Started);
    EXPECT_NE(r.processId, 0u);
    ASSERT_NE(r.handle, 0u);
    uint32_t code = 0;
    ASSERT_TRUE(processes.exitCode(r.handle, code));
    EXPECT_EQ(code, 259u);  // still active
    EXPECT_FALSE(processes.hasEnded(r.handle));

    ASSERT_TRUE(wintest::waitFor([&] { return processes.hasEnded(r.handle); }));
    ASSERT_TRUE(processes.exitCode(r.handle, code));
    EXPECT_EQ(code, 7u);
    processes.close(r.handle);

    // The folder was given to the start; this program's own folder did not change.
    std::ifstream raw(narrow(folder_ + L"cwd.txt"), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(raw)), {});
    std::wstring cwd(reinterpret_cast<const wchar_t*>(content.data()), content.size() / 2);
    while (!cwd.empty() && cwd.back() == L'\\') cwd.pop_back();
    EXPECT_EQ(_wcsicmp(cwd.c_str(), widen(folder).c_str()), 0) << narrow(cwd);
    wchar_t own[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, own);
    EXPECT_NE(_wcsicmp(own, cwd.c_str()), 0);
}

TEST_F(ProcessTest, AMissingProgramIsNotFoundAndNothingStarts) {
    LaunchResult r = processes.start(narrow(folder_ + L"no such program.exe"), narrow(folder_));
    EXPECT_EQ(r.outcome, LaunchResult::Outcome::NotFound);
    EXPECT_EQ(r.handle, 0u);
    EXPECT_EQ(processes.start("", "").outcome, LaunchResult::Outcome::NotFound);
    EXPECT_EQ(processes.start(narrow(folder_), "").outcome, LaunchResult::Outcome::NotFound);
}

TEST_F(ProcessTest, AFileThatIsNoProgramFailsToStart) {
    std::wstring text = folder_ + L"notes.tkx";  // no program is registered for it
    { std::ofstream(narrow(text)) << "not a program"; }
    LaunchResult r = processes.start(narrow(text), narrow(folder_));
    DeleteFileW(text.c_str());
    EXPECT_EQ(r.outcome, LaunchResult::Outcome::Failed);
    EXPECT_EQ(r.handle, 0u);
}

TEST_F(ProcessTest, RunsCommandLinesWithoutWaiting) {
    EXPECT_TRUE(processes.run("\"" + narrow(helper_) + "\""));
    EXPECT_FALSE(processes.run("tonekeep-no-such-command -p -d0"));
    uint32_t code = 0;
    EXPECT_FALSE(processes.exitCode(0, code));
    EXPECT_TRUE(processes.hasEnded(0));
}

TEST(SystemTest, EnvironmentFilesCursorAndMessages) {
    WinSystem system;
    EXPECT_EQ(system.environment("systemdrive"), "C:");
    EXPECT_EQ(system.environment("TONEKEEP_NO_SUCH_VARIABLE"), "");

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_TRUE(system.fileExists(narrow(self)));
    EXPECT_FALSE(system.fileExists(narrow(ownFolder())));  // a folder is no file
    EXPECT_FALSE(system.fileExists(narrow(ownFolder()) + "no such file.exe"));
    EXPECT_FALSE(system.fileExists(""));

    // The form a name takes through the ANSI code page (1252 here), as in the names the
    // endpoint library reports: a character outside it turns into its nearest letter,
    // or into "?" where there is none.
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(system.ansiForm("\xD0\x94\xC4\x88"
                              "esk\xC3\xA1"),
              "?Cesk\xC3\xA1");

    system.setCursor(Cursor::Hourglass);
    EXPECT_TRUE(waitCursorActive());
    system.setCursor(Cursor::Default);
    EXPECT_FALSE(waitCursorActive());

    // doEvents runs pending messages and leaves a quit request for the main loop.
    UINT_PTR timer = SetTimer(nullptr, 0, 1, nullptr);
    Sleep(20);
    PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 3, 0);
    system.doEvents();
    KillTimer(nullptr, timer);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(SystemTest, MachineValuesAreReadForReadingOnly) {
    const std::wstring key = L"Software\\Havro Tonekeep Wine Test";
    ASSERT_TRUE(wintest::writeString(HKEY_LOCAL_MACHINE, key, L"PATH",
                                     L"C:\\Program Files\\Tools\\MSINFO32.EXE"));
    DWORD number = 0x01000A0B;  // bytes with leading zeros: 0B 0A 00 01
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Number", REG_DWORD, &number,
                              sizeof number),
              ERROR_SUCCESS);
    WinSystem system;
    EXPECT_EQ(system.machineValue("Software\\Havro Tonekeep Wine Test", "PATH"),
              "C:\\Program Files\\Tools\\MSINFO32.EXE");
    EXPECT_EQ(system.machineValue("Software\\Havro Tonekeep Wine Test", "Number"), "16779787");
    EXPECT_EQ(system.machineValue("Software\\Havro Tonekeep Wine Test", "Absent"), std::nullopt);
    EXPECT_EQ(system.machineValue("Software\\Havro Tonekeep No Such Key", "PATH"), std::nullopt);
    wintest::deleteTree(HKEY_LOCAL_MACHINE, key);
}

// The common open dialog, answered from another thread as a user would.
class FileDialogTest : public ::testing::Test {
  protected:
    // Finds this process's dialog with `title`, then runs `answer` on it.
    std::thread answerer(const std::wstring& title, std::function<void(HWND)> answer) {
        DWORD pid = GetCurrentProcessId();
        return std::thread([=] {
            for (int i = 0; i < 400; ++i) {
                for (HWND h : wintest::windowsOf(pid, L"#32770"))
                    if (wintest::windowText(h) == title) {
                        seenTitle = true;
                        Sleep(300);
                        answer(h);
                        return;
                    }
                Sleep(25);
            }
        });
    }
    std::atomic<bool> seenTitle{false};
    WinFileDialog dialog;
};

TEST_F(FileDialogTest, CancellingChoosesNothing) {
    FileDialogOptions options{"Select Program to add", narrow(ownFolder()),
                              "(Programs) *.exe|*.exe|(All Files) *.*|*.*", 1, 0x1004};
    std::thread t = answerer(L"Select Program to add",
                             [](HWND h) { PostMessageW(h, WM_COMMAND, IDCANCEL, 0); });
    auto chosen = dialog.openFile(options);
    t.join();
    EXPECT_TRUE(seenTitle);
    EXPECT_EQ(chosen, std::nullopt);
}

class ShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override { com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        if (SUCCEEDED(com_)) CoUninitialize();
    }
    HRESULT com_ = E_FAIL;
};

// (A shortcut to a program is resolved by the program's own Add.)
TEST_F(ShortcutTest, UnreadableShortcutsHaveNoTargetAndOthersHaveOne) {
    using Microsoft::WRL::ComPtr;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    WinShortcuts shortcuts;
    std::wstring broken = std::wstring(temp) + L"Tonekeep broken.lnk";
    { std::ofstream(narrow(broken)) << "this is no shortcut"; }
    EXPECT_EQ(shortcuts.targetPath(narrow(broken)), std::nullopt);
    DeleteFileW(broken.c_str());
    EXPECT_EQ(shortcuts.targetPath(narrow(std::wstring(temp) + L"absent.lnk")), std::nullopt);

    // A readable shortcut to something that is no file (the Control Panel) has a target
    // all the same: it is refused as pointing to no program, not as unreadable.
    std::wstring panel = std::wstring(temp) + L"Tonekeep panel shortcut.lnk";
    PIDLIST_ABSOLUTE controls = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, &controls));
    ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)));
    ASSERT_HRESULT_SUCCEEDED(link->SetIDList(controls));
    CoTaskMemFree(controls);
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(panel.c_str(), TRUE));
    auto target = shortcuts.targetPath(narrow(panel));
    DeleteFileW(panel.c_str());
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->find(".exe"), std::string::npos) << *target;
}

}  // namespace
}  // namespace tk::win
