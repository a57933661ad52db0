// The installer under Wine, as a user runs it silently: it installs per user, the
// installed program starts from its folder, a running copy stops an upgrade and an
// uninstall, an upgrade and an uninstall leave the user's settings alone, and the
// uninstall removes everything the installer made.
#include <windows.h>

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Havro Tonekeep";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out = SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) ? path : L"";
    CoTaskMemFree(path);
    return out;
}
const std::wstring kSetup = unixToWine(TK_PACKAGE_DIR) + L"" TK_SETUP_NAME;

std::wstring uninstallValue(const wchar_t* name) {
    std::wstring value;
    return readString(HKEY_CURRENT_USER, kUninstallKey, name, value) ? value : L"<absent>";
}

// Runs a command line to its end; its exit code, or -1 when it did not start or end.
long runToEnd(const std::wstring& exe, const std::wstring& arguments) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return -1;
    CloseHandle(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, code);
    CloseHandle(pi.hProcess);
    return static_cast<long>(code);
}

std::wstring shortcutTarget(const std::wstring& link) {
    Microsoft::WRL::ComPtr<IShellLinkW> shell;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH * 2] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&shell))) ||
        FAILED(shell.As(&file)) || FAILED(file->Load(link.c_str(), STGM_READ)))
        return {};
    shell->GetPath(target, ARRAYSIZE(target), nullptr, 0);
    return target;
}

class InstallerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fileExists(kSetup)) << "no installer at the path the build names";
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        uninstall();  // what a run that failed half-way left behind
        ASSERT_FALSE(fileExists(folder + L"\\Tonekeep.exe"))
            << "an earlier installation is in the way";
        deleteTree(HKEY_CURRENT_USER, kAppKey);  // the program's first start
    }
    void TearDown() override {
        uninstall();
        deleteTree(HKEY_CURRENT_USER, kAppKey);
        CoUninitialize();
    }
    // The uninstaller copies itself to a temporary folder, starts that copy and ends:
    // the removal is done once the install folder and the entry are gone.
    bool uninstall() {
        if (!fileExists(folder + L"\\Uninstall.exe")) return false;
        return runToEnd(folder + L"\\Uninstall.exe", L"/S") == 0 &&
               waitFor(
                   [&] {
                       return !fileExists(folder) && uninstallValue(L"DisplayName") == L"<absent>";
                   },
                   30s);
    }
    // Starts the installed program, runs `meanwhile`, and ends it through File > Exit.
    void whileTheProgramRuns(const std::function<void()>& meanwhile) {
        Tonekeep program(folder + L"\\Tonekeep.exe", folder);
        HWND main = program.shownMainWindow();
        ASSERT_NE(main, nullptr) << "the installed program showed no main window";
        meanwhile();
        EXPECT_FALSE(program.ended());
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(tk::win::mainid::kMnuExit, 0), 0);
        ASSERT_TRUE(program.ended(20s));
    }
    const std::wstring folder = knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Havro Tonekeep";
    const std::wstring shortcut = knownFolder(FOLDERID_Programs) + L"\\Havro Tonekeep.lnk";
};

TEST_F(InstallerTest, InstallsForTheUserAndUninstallsKeepingTheSettings) {
    ASSERT_EQ(runToEnd(kSetup, L"/S"), 0);
    for (const wchar_t* name :
         {L"Tonekeep.exe", L"HavroVista.dll", L"README.txt", L"LICENSE.txt", L"Uninstall.exe"})
        EXPECT_TRUE(fileExists(folder + L"\\" + name)) << "missing " << name;
    EXPECT_EQ(_wcsicmp(shortcutTarget(shortcut).c_str(), (folder + L"\\Tonekeep.exe").c_str()), 0);
    // The uninstall entry in the user's part of the registry.
    EXPECT_EQ(uninstallValue(L"DisplayName"), L"Havro Tonekeep");
    EXPECT_EQ(uninstallValue(L"DisplayVersion"), L"" TK_VERSION);
    EXPECT_EQ(_wcsicmp(uninstallValue(L"InstallLocation").c_str(), folder.c_str()), 0);
    const std::wstring uninstaller = L"\"" + folder + L"\\Uninstall.exe\"";
    EXPECT_EQ(_wcsicmp(uninstallValue(L"UninstallString").c_str(), uninstaller.c_str()), 0);
    EXPECT_NE(uninstallValue(L"QuietUninstallString"), L"<absent>");

    // The installed program starts from its folder and creates its settings; a silent
    // upgrade gives up while it runs.
    whileTheProgramRuns([&] {
        EXPECT_EQ(setting(L"Name 0"), L"Normal Windows");
        EXPECT_NE(runToEnd(kSetup, L"/S"), 0);
    });

    // An upgrade over the installed copy, then the uninstall: the user's list stays.
    ASSERT_TRUE(writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", L"C:\\Games\\game.exe"));
    ASSERT_EQ(runToEnd(kSetup, L"/S"), 0);
    EXPECT_TRUE(fileExists(folder + L"\\Tonekeep.exe"));
    EXPECT_EQ(setting(L"Name 1"), L"C:\\Games\\game.exe");
    ASSERT_TRUE(uninstall());
    EXPECT_FALSE(fileExists(shortcut));
    EXPECT_EQ(setting(L"Name 0"), L"Normal Windows");
    EXPECT_EQ(setting(L"Name 1"), L"C:\\Games\\game.exe");
}

TEST_F(InstallerTest, ASilentUninstallGivesUpWhileTheProgramRuns) {
    ASSERT_EQ(runToEnd(kSetup, L"/S"), 0);
    // Run in place (_?=), the uninstaller reports its own outcome.
    whileTheProgramRuns([&] {
        EXPECT_NE(runToEnd(folder + L"\\Uninstall.exe", L"/S _?=" + folder), 0);
        EXPECT_TRUE(fileExists(folder + L"\\Tonekeep.exe"));
        EXPECT_EQ(uninstallValue(L"DisplayName"), L"Havro Tonekeep");
    });
    EXPECT_TRUE(uninstall());
}

}  // namespace
}  // namespace tk::wintest
