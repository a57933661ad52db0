#include "release_util.h"

#include <algorithm>
#include <vector>

#include "window_ids.h"

namespace tk::release {

std::wstring setting(const std::wstring& name) {
    std::wstring value;
    return wintest::readString(HKEY_CURRENT_USER, kProgramsKey, name, value) ? value : L"<absent>";
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text(4096, '\0');
    DWORD read = 0;
    BOOL ok = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    text.resize(read);
    return text;
}

void removeFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeFolder(folder + name + L"\\");
            else
                DeleteFileW((folder + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring freshTempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"\\";
    removeFolder(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

WindowsVersion::WindowsVersion(const wchar_t* version) {
    std::wstring old;
    if (wintest::readString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", old)) previous_ = old;
    if (version)
        wintest::writeString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", version);
    else
        wintest::deleteValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
}

WindowsVersion::~WindowsVersion() {
    if (previous_)
        wintest::writeString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", *previous_);
    else
        wintest::deleteValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
}

Tonekeep::Tonekeep(const std::wstring& exe, const std::wstring& folder) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &pi_) != FALSE;
    if (started_) CloseHandle(pi_.hThread);
}

Tonekeep::~Tonekeep() {
    if (!started_) return;
    if (!ended()) {
        if (main_) exitThroughTray();
        if (!ended(5s)) {
            TerminateProcess(pi_.hProcess, 99);  // after a failed test only
            WaitForSingleObject(pi_.hProcess, 5000);
        }
    }
    CloseHandle(pi_.hProcess);
}

bool Tonekeep::ended(std::chrono::milliseconds wait) const {
    return WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(wait.count())) == WAIT_OBJECT_0;
}

DWORD Tonekeep::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

HWND Tonekeep::shownMainWindow(std::chrono::milliseconds timeout) {
    wintest::waitFor(
        [&] {
            for (HWND h : wintest::windowsOf(pid(), win::kMainWindowClass))
                if (IsWindowVisible(h)) main_ = h;
            return main_ != nullptr || ended();
        },
        timeout);
    return main_;
}

HWND Tonekeep::messageBox(const std::wstring& text, std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    wintest::waitFor(
        [&] {
            for (HWND h : wintest::windowsOf(pid(), L"#32770"))
                for (const std::wstring& t : wintest::childTexts(h))
                    if (t.find(text) != std::wstring::npos) found = h;
            return found != nullptr || ended();
        },
        timeout);
    return found;
}

HWND Tonekeep::trayWindow() const {
    auto trays = wintest::windowsOf(pid(), win::kTrayWindowClass);
    return trays.empty() ? nullptr : trays.front();
}

std::wstring Tonekeep::trayTip() const {
    HWND tray = trayWindow();
    return tray ? wintest::windowText(tray) : L"<no tray window>";
}

void Tonekeep::select(int id, int index) const {
    HWND box = control(id);
    SendMessageW(box, CB_SETCURSEL, index, 0);
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

int Tonekeep::selected(int id) const {
    return static_cast<int>(SendMessageW(control(id), CB_GETCURSEL, 0, 0));
}

void Tonekeep::press(int id) const {
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(id)));
}

LRESULT Tonekeep::timerState(WPARAM which) const {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(main_, win::mainmsg::kTimerState, which, 0, SMTO_ABORTIFHUNG, 5000,
                             &answer))
        return -1;
    return static_cast<LRESULT>(answer);
}

bool Tonekeep::exitThroughTray() const {
    int entries = static_cast<int>(SendMessageW(control(win::mainid::kPrgName), CB_GETCOUNT, 0, 0));
    int last = std::max(entries, 1) + 4;  // the entries, a separator and four commands
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(win::mainid::kTrayItemFirst + last, 0), 0);
    return ended(20s);
}

}  // namespace tk::release
