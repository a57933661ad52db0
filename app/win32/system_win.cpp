#include "services_win.h"

#include <sddl.h>

#include <vector>

namespace tk::win {
namespace {

// The hourglass is the application's cursor while set: windows of the program ask for it
// in WM_SETCURSOR (see waitCursorActive()).
bool gWaitCursor = false;

std::wstring currentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    UniqueHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return {};
    std::wstring sid = text;
    LocalFree(text);
    return sid;
}

}  // namespace

bool waitCursorActive() {
    return gWaitCursor;
}

WinSystem::WinSystem(std::wstring instanceName) : instanceName_(std::move(instanceName)) {}

int WinSystem::windowsMajorVersion() {
    // GetVersionEx reports what the program is told (a compatibility setting or, under
    // Wine, the prefix's Windows version), which is what decides the device path.
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
    return static_cast<int>(info.dwMajorVersion);
}

bool WinSystem::anotherInstanceRunning() {
    if (instanceMutex_) return false;  // this copy already holds the mark
    // Per user: the name carries the user's SID, in the session's namespace.
    std::wstring name = L"Local\\" + instanceName_ + L" " + currentUserSid();
    for (size_t i = 6; i < name.size(); ++i)
        if (name[i] == L'\\') name[i] = L'_';
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    DWORD error = GetLastError();
    if (!mutex) return error == ERROR_ACCESS_DENIED;  // held by a copy we may not open
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    instanceMutex_.reset(mutex);
    return false;
}

std::string WinSystem::environment(const std::string& name) {
    std::wstring key = widen(name);
    DWORD size = GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::vector<wchar_t> buffer(size + 1, L'\0');
    DWORD n = GetEnvironmentVariableW(key.c_str(), buffer.data(), size + 1);
    if (n == 0 || n > size) return {};
    return narrow(std::wstring_view(buffer.data(), n));
}

void WinSystem::setCursor(Cursor cursor) {
    cursor_ = cursor;
    gWaitCursor = cursor == Cursor::Hourglass;
    SetCursor(LoadCursorW(nullptr, gWaitCursor ? IDC_WAIT : IDC_ARROW));
}

bool WinSystem::fileExists(const std::string& path) {
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The same conversions the library's names go through (to the ANSI code page, where a
// character it lacks becomes the default character, and back).
std::string WinSystem::ansiForm(const std::string& text) {
    return ansiToUtf8(utf8ToAnsi(text));
}

void WinSystem::doEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main message loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::optional<std::string> WinSystem::machineValue(const std::string& key,
                                                   const std::string& valueName) {
    RegKey k;
    // Read access only: the tool must work for users without administrator rights.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(key).c_str(), 0, KEY_READ, k.receive()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring name = widen(valueName);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> buffer(bytes + sizeof(wchar_t), 0);
    DWORD size = bytes;
    if (RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(buffer.data()), size / sizeof(wchar_t));
        if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
        return narrow(text);
    }
    if (type == REG_DWORD && size >= sizeof(DWORD)) {
        DWORD value = 0;
        memcpy(&value, buffer.data(), sizeof value);
        return std::to_string(value);
    }
    return std::nullopt;
}

}  // namespace tk::win
