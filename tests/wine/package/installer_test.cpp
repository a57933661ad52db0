// The installer under Wine, as a user runs it silently: it installs per user, the
// installed program starts from its folder, a running copy stops an upgrade, an
// upgrade and an uninstall leave the user's settings alone, and the uninstall removes
// everything the installer made.
#include <windows.h>

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

using namespace std::chrono_literals;

const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Havro Tonekeep";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = path;
    CoTaskMemFree(path);
    return out;
}

std::wstring installFolder() {
    return knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Havro Tonekeep";
}
std::wstring shortcutPath() {
    return knownFolder(FOLDERID_Programs) + L"\\Havro Tonekeep.lnk";
}
std::wstring setupPath() {
    return unixToWine(TK_PACKAGE_DIR) + L"" TK_SETUP_NAME;
}

bool folderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
bool keyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
std::wstring lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

// The machine a Windows binary is built for (IMAGE_FILE_MACHINE_*); 0 when unreadable.
WORD machineOf(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 nt{};
    DWORD n = 0;
    WORD machine = 0;
    if (ReadFile(f, &dos, sizeof dos, &n, nullptr) && n == sizeof dos &&
        dos.e_magic == IMAGE_DOS_SIGNATURE &&
        SetFilePointer(f, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadFile(f, &nt, sizeof nt, &n, nullptr) && n == sizeof nt &&
        nt.Signature == IMAGE_NT_SIGNATURE)
        machine = nt.FileHeader.Machine;
    CloseHandle(f);
    return machine;
}

// Runs a command line to its end; returns its exit code, or -1 when it could not be
// started or did not end in time.
long runToEnd(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 60000) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return -1;
    CloseHandle(pi.hThread);
    long code = -1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        GetExitCodeProcess(pi.hProcess, &exit);
        code = static_cast<long>(exit);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hProcess);
    return code;
}

// The uninstaller copies itself to a temporary folder, starts that copy and ends: the
// removal is done once the install folder is gone.
bool uninstallSilently(const std::wstring& folder) {
    if (runToEnd(folder + L"\\Uninstall.exe", L"/S") != 0) return false;
    return waitFor([&] { return !folderExists(folder) && !keyExists(kUninstallKey); }, 30s);
}

// The target of a shell link.
std::wstring shortcutTarget(const std::wstring& link) {
    using Microsoft::WRL::ComPtr;
    ComPtr<IShellLinkW> shell;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH * 2] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&shell))) ||
        FAILED(shell.As(&file)) || FAILED(file->Load(link.c_str(), STGM_READ)) ||
        FAILED(shell->GetPath(target, ARRAYSIZE(target), nullptr, 0)))
        return {};
    return target;
}

std::wstring productVersion(const std::wstring& exe) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> data(size);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                        reinterpret_cast<void**>(&text), &length))
        return {};
    return text;
}

class InstallerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fileExists(setupPath())) << "no installer at the path the build names";
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // A run that failed half-way may have left an installation behind.
        if (folderExists(installFolder()) && fileExists(installFolder() + L"\\Uninstall.exe"))
            uninstallSilently(installFolder());
        ASSERT_FALSE(folderExists(installFolder())) << "an earlier installation is in the way";
        deleteTree(HKEY_CURRENT_USER, kAppKey);  // the program's first start
    }
    void TearDown() override {
        if (fileExists(installFolder() + L"\\Uninstall.exe")) uninstallSilently(installFolder());
        deleteTree(HKEY_CURRENT_USER, kAppKey);
        CoUninitialize();
    }
};

TEST_F(InstallerTest, InstallsForTheUserAndUninstallsKeepingTheSettings) {
    const std::wstring folder = installFolder();
    ASSERT_EQ(runToEnd(setupPath(), L"/S"), 0);

    // The files, for this user only and without administrator rights.
    for (const wchar_t* name :
         {L"Tonekeep.exe", L"HavroVista.dll", L"README.txt", L"LICENSE.txt", L"Uninstall.exe"})
        EXPECT_TRUE(fileExists(folder + L"\\" + name)) << "missing " << name;
    EXPECT_EQ(productVersion(folder + L"\\Tonekeep.exe"), L"" TK_VERSION);
    // The binaries of this build's architecture, the installer's own.
    const WORD machine = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    EXPECT_EQ(machineOf(folder + L"\\Tonekeep.exe"), machine);
    EXPECT_EQ(machineOf(folder + L"\\HavroVista.dll"), machine);

    // The Start-menu entry starts the installed program.
    ASSERT_TRUE(fileExists(shortcutPath()));
    EXPECT_EQ(lower(shortcutTarget(shortcutPath())), lower(folder + L"\\Tonekeep.exe"));

    // The uninstall entry in the user's part of the registry.
    std::wstring value;
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName", value));
    EXPECT_EQ(value, L"Havro Tonekeep");
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion", value));
    EXPECT_EQ(value, L"" TK_VERSION);
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation", value));
    EXPECT_EQ(lower(value), lower(folder));
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kUninstallKey, L"UninstallString", value));
    EXPECT_EQ(lower(value), lower(L"\"" + folder + L"\\Uninstall.exe\""));
    EXPECT_TRUE(readString(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString", value));

    {
        // The installed program starts from its folder (the library beside it) and,
        // on its first start, creates its settings.
        Tonekeep program(folder + L"\\Tonekeep.exe", folder);
        ASSERT_TRUE(program.started());
        HWND main = program.shownMainWindow();
        ASSERT_NE(main, nullptr) << "the installed program showed no main window";
        ASSERT_TRUE(readString(HKEY_CURRENT_USER, kProgramsKey, L"Name 0", value));
        EXPECT_EQ(value, L"Normal Windows");

        // A silent upgrade gives up while the program runs, and changes nothing.
        EXPECT_NE(runToEnd(setupPath(), L"/S"), 0);
        EXPECT_FALSE(program.ended());
        EXPECT_TRUE(fileExists(folder + L"\\Tonekeep.exe"));

        // File > Exit ends it.
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(tk::win::mainid::kMnuExit, 0), 0);
        ASSERT_TRUE(program.ended(20s)) << "the program did not end through File > Exit";
    }

    // The user's own program list, which an upgrade and an uninstall must keep.
    ASSERT_TRUE(writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", L"C:\\Games\\game.exe"));

    // An upgrade over the installed copy.
    ASSERT_EQ(runToEnd(setupPath(), L"/S"), 0);
    EXPECT_TRUE(fileExists(folder + L"\\Tonekeep.exe"));
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", value));
    EXPECT_EQ(value, L"C:\\Games\\game.exe");

    // The uninstall removes the files, the shortcut and the entry, not the settings.
    ASSERT_TRUE(uninstallSilently(folder));
    EXPECT_FALSE(folderExists(folder));
    EXPECT_FALSE(fileExists(shortcutPath()));
    EXPECT_FALSE(keyExists(kUninstallKey));
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kProgramsKey, L"Name 0", value));
    EXPECT_EQ(value, L"Normal Windows");
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", value));
    EXPECT_EQ(value, L"C:\\Games\\game.exe");
}

TEST_F(InstallerTest, ASilentUninstallGivesUpWhileTheProgramRuns) {
    const std::wstring folder = installFolder();
    ASSERT_EQ(runToEnd(setupPath(), L"/S"), 0);
    Tonekeep program(folder + L"\\Tonekeep.exe", folder);
    ASSERT_TRUE(program.started());
    HWND main = program.shownMainWindow();
    ASSERT_NE(main, nullptr);

    // Run in place (_?=) the uninstaller reports its own outcome: it gives up and
    // removes nothing.
    EXPECT_NE(runToEnd(folder + L"\\Uninstall.exe", L"/S _?=" + folder), 0);
    EXPECT_TRUE(fileExists(folder + L"\\Tonekeep.exe"));
    EXPECT_TRUE(keyExists(kUninstallKey));
    EXPECT_FALSE(program.ended());

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(tk::win::mainid::kMnuExit, 0), 0);
    ASSERT_TRUE(program.ended(20s));
    EXPECT_TRUE(uninstallSilently(folder));
}

}  // namespace
}  // namespace tk::wintest
