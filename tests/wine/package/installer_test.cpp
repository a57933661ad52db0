// The installer on a clean prefix, run silently as a user runs it: it installs per user
// with its Start-menu shortcut and uninstall entry, the installed program starts from its
// folder, a running copy stops an upgrade and an uninstall, and the uninstall removes what
// the installer made while the user's settings survive it and the upgrade.
#include <gtest/gtest.h>

#include <process.h>

#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

// Runs `exe` with `arguments` to its end; its exit code.
intptr_t run(const std::wstring& exe, const std::wstring& arguments) {
    return _wspawnl(_P_WAIT, exe.c_str(), (L"\"" + exe + L"\"").c_str(), arguments.c_str(),
                    nullptr);
}

TEST(Installer, InstallsUpgradesAndUninstallsKeepingTheSettings) {
    const std::wstring
        setup = unixToWine(TK_PACKAGE_DIR) + L"" TK_SETUP_NAME,
        dir = _wgetenv(L"LOCALAPPDATA") + std::wstring(L"\\Programs\\Havro Tonekeep"),
        shortcut = _wgetenv(L"APPDATA") +
                   std::wstring(L"\\Microsoft\\Windows\\Start Menu\\Programs\\Havro Tonekeep.lnk"),
        entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Havro Tonekeep";
    std::wstring uninstaller;
    const auto installed = [&] {
        return fileExists(dir) || readString(HKEY_CURRENT_USER, entry, L"DisplayName", uninstaller);
    };
    // The uninstaller copies itself away, starts that copy and ends.
    const auto uninstall = [&] {
        return run(dir + L"\\Uninstall.exe", L"/S") == 0 &&
               waitFor([&] { return !installed(); }, 30s);
    };
    if (fileExists(dir + L"\\Uninstall.exe")) uninstall();  // left by a run that failed
    ASSERT_FALSE(installed()) << "an earlier installation is in the way";
    deleteTree(HKEY_CURRENT_USER, kAppKey);  // the program's first start

    ASSERT_EQ(run(setup, L"/S"), 0);
    EXPECT_NE(readFile(shortcut).value_or("").find("Tonekeep.exe"), std::string::npos);
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, entry, L"UninstallString", uninstaller));
    EXPECT_EQ(_wcsicmp(uninstaller.c_str(), (L"\"" + dir + L"\\Uninstall.exe\"").c_str()), 0);
    {
        // The installed program starts from its folder and creates its settings; an upgrade
        // and an uninstall run in place (_?=, reporting its outcome) give up meanwhile.
        Tonekeep program(dir + L"\\Tonekeep.exe", dir);
        ASSERT_TRUE(program.waitStarted());
        EXPECT_EQ(setting(L"Name 0"), L"Normal Windows");
        EXPECT_NE(run(setup, L"/S"), 0);
        EXPECT_NE(run(dir + L"\\Uninstall.exe", L"/S _?=" + dir), 0);
        PostMessageW(program.main(), WM_COMMAND, win::mainid::kMnuExit, 0);
        ASSERT_TRUE(program.ended(20s));
    }
    ASSERT_TRUE(writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", L"C:\\game.exe"));
    ASSERT_EQ(run(setup, L"/S"), 0);
    ASSERT_TRUE(uninstall());
    EXPECT_FALSE(fileExists(shortcut));
    EXPECT_EQ(setting(L"Name 0"), L"Normal Windows");
    EXPECT_EQ(setting(L"Name 1"), L"C:\\game.exe");
    deleteTree(HKEY_CURRENT_USER, kAppKey);
}

}  // namespace
}  // namespace tk::wintest
