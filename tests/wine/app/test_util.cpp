#include "test_util.h"

namespace tk::wintest {

std::wstring ownFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring text(path, n);
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

std::wstring unixToWine(const std::string& unixPath) {
    std::wstring out = L"Z:";
    for (char c : unixPath) out += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    if (out.back() != L'\\') out += L'\\';
    return out;
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pumpMessages();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(50);
    }
}

namespace {
struct Search {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND> found;
};
BOOL CALLBACK collect(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid) return TRUE;
    if (s->className) {
        wchar_t name[256] = {};
        GetClassNameW(hwnd, name, ARRAYSIZE(name));
        if (lstrcmpiW(name, s->className) != 0) return TRUE;
    }
    s->found.push_back(hwnd);
    return TRUE;
}
BOOL CALLBACK collectChild(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(windowText(hwnd));
    return TRUE;
}
}  // namespace

std::vector<HWND> windowsOf(DWORD pid, const wchar_t* className) {
    Search s{pid, className, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::wstring windowText(HWND hwnd) {
    // WM_GETTEXT works across processes (the system marshals the buffer).
    wchar_t buffer[1024] = {};
    SendMessageTimeoutW(hwnd, WM_GETTEXT, ARRAYSIZE(buffer), reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return buffer;
}

std::vector<std::wstring> childTexts(HWND hwnd) {
    std::vector<std::wstring> texts;
    EnumChildWindows(hwnd, collectChild, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool deleteTree(HKEY root, const std::wstring& path) {
    LSTATUS rc = RegDeleteTreeW(root, path.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(root, path.c_str());
        return true;
    }
    return false;
}

bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& out) {
    wchar_t buffer[4096] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return false;
    out = buffer;
    return true;
}

bool writeString(HKEY root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& value) {
    return RegSetKeyValueW(root, path.c_str(), name.c_str(), REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

bool deleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    return RegDeleteKeyValueW(root, path.c_str(), name.c_str()) == ERROR_SUCCESS;
}

}  // namespace tk::wintest
