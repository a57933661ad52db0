#include "wine_util.h"

#include <commctrl.h>
#include <mmdeviceapi.h>
#include <propsys.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>

#include <algorithm>
#include <cstddef>

#include "tray_win.h"
#include "window_ids.h"

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

bool trayIconPresent(HWND trayWindow) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = trayWindow;
    nid.uID = 1;
    nid.uFlags = NIF_MESSAGE;
    nid.uCallbackMessage = win::TrayIcon::kCallbackMessage;
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

namespace {
// A tool's description as a 64-bit process lays out TTTOOLINFOW, for a 32-bit test
// reading the tips of a 64-bit tray host.
struct Tool64 {
    UINT cbSize, uFlags;
    UINT64 hwnd, uId;
    RECT rect;
    UINT64 hinst, lpszText, lParam, lpReserved;
};
static_assert(offsetof(Tool64, rect) == 24 && sizeof(Tool64) == 72);

// Reads the tips of `tip` (a tool tip window of the host), with the tool description
// laid out as `Tool`, through a block of the host's memory: the messages carry pointers.
template <class Tool>
void readTips(HANDLE process, HWND tip, std::vector<std::wstring>& tips) {
    struct Block {
        Tool tool;
        wchar_t text[1024];
    };
    auto* remote = static_cast<Block*>(
        VirtualAllocEx(process, nullptr, sizeof(Block), MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return;
    const int tools = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < tools; ++i) {
        Block local{};
        local.tool.cbSize = sizeof local.tool;
        local.tool.lpszText = reinterpret_cast<decltype(local.tool.lpszText)>(remote->text);
        SIZE_T moved = 0;
        if (!WriteProcessMemory(process, remote, &local, sizeof local, &moved) ||
            !SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&remote->tool)) ||
            !ReadProcessMemory(process, remote, &local, sizeof local, &moved))
            continue;
        local.text[ARRAYSIZE(local.text) - 1] = L'\0';
        tips.emplace_back(local.text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}
}  // namespace

std::vector<std::wstring> trayHostTips() {
    std::vector<std::wstring> tips;
    HWND host = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD hostPid = 0;
    if (!host || !GetWindowThreadProcessId(host, &hostPid)) return tips;
    HANDLE process = OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
        FALSE, hostPid);
    if (!process) return tips;
    // A 32-bit test on 64-bit Windows: the host is a 64-bit process unless it runs
    // under WOW64 too.
    BOOL selfWow = FALSE, hostWow = FALSE;
    const bool host64 = sizeof(void*) == 4 && IsWow64Process(GetCurrentProcess(), &selfWow) &&
                        selfWow && IsWow64Process(process, &hostWow) && !hostWow;
    for (HWND tip : windowsOf(hostPid, TOOLTIPS_CLASSW)) {
        if (host64)
            readTips<Tool64>(process, tip, tips);
        else
            readTips<TTTOOLINFOW>(process, tip, tips);
    }
    CloseHandle(process);
    return tips;
}

void clickTray(HWND trayWindow, UINT button) {
    PostMessageW(trayWindow, win::TrayIcon::kCallbackMessage, 1, button);
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

std::wstring setting(const std::wstring& name) {
    std::wstring value;
    return readString(HKEY_CURRENT_USER, kProgramsKey, name, value) ? value : L"<absent>";
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0) {
        text.append(chunk, read);
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
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

std::string narrowText(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

RawValue textValue(const std::wstring& text) {
    RawValue v;
    v.type = REG_SZ;
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    v.bytes.assign(p, p + (text.size() + 1) * sizeof(wchar_t));
    return v;
}

Snapshot readPrograms() {
    Snapshot out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramsKey.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return out;
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                     &maxData, nullptr, nullptr);
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LSTATUS rc =
            RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (rc != ERROR_SUCCESS) break;
        out[std::wstring(name.data(), nameLen)] = {type, {data.begin(), data.begin() + dataLen}};
    }
    RegCloseKey(key);
    return out;
}

bool writePrograms(const Snapshot& values) {
    if (!deleteTree(HKEY_CURRENT_USER, kAppKey)) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramsKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& [name, v] : values) {
        // The registry adds a terminator to a string value when the character after
        // the given length is NUL (as Windows does); a non-NUL guard after the bytes
        // keeps an unterminated value exactly as given.
        std::vector<BYTE> data = v.bytes;
        data.insert(data.end(), {0xff, 0xff, 0xff});
        ok = ok && RegSetValueExW(key, name.c_str(), 0, v.type, data.data(),
                                  static_cast<DWORD>(v.bytes.size())) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

std::wstring describe(const RawValue& v) {
    std::wstring text;
    if (v.type == REG_SZ && v.bytes.size() % 2 == 0)
        text.assign(reinterpret_cast<const wchar_t*>(v.bytes.data()), v.bytes.size() / 2);
    else
        text = L"<type " + std::to_wstring(v.type) + L", " + std::to_wstring(v.bytes.size()) +
               L" bytes>";
    if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    if (text.size() > 60)
        text = text.substr(0, 60) + L"... (" + std::to_wstring(text.size()) + L")";
    return text;
}

WindowsVersion::WindowsVersion(const wchar_t* version) {
    std::wstring old;
    if (readString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", old)) previous_ = old;
    if (version)
        writeString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", version);
    else
        deleteValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
}

WindowsVersion::~WindowsVersion() {
    if (previous_)
        writeString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", *previous_);
    else
        deleteValue(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
}

Tonekeep::Tonekeep(const std::wstring& binFolder)
    : Tonekeep(binFolder + L"Tonekeep.exe", binFolder) {}

Tonekeep::Tonekeep(const std::wstring& exe, const std::wstring& folder,
                   const std::wstring& arguments) {
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!arguments.empty()) cmd += L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &si, &pi_))
        pi_ = {};
    else
        CloseHandle(pi_.hThread);
}

Tonekeep::~Tonekeep() {
    if (!pi_.hProcess) return;
    if (!ended()) {
        if (main_) exitThroughTray(10s);
        if (!ended(5s)) {
            TerminateProcess(pi_.hProcess, 99);  // after a failed test only
            WaitForSingleObject(pi_.hProcess, 5000);
        }
    }
    CloseHandle(pi_.hProcess);
}

bool Tonekeep::ended(std::chrono::milliseconds wait) const {
    return !pi_.hProcess ||
           WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(wait.count())) == WAIT_OBJECT_0;
}

DWORD Tonekeep::exitCode() const {
    DWORD code = 0;
    if (pi_.hProcess) GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

HWND Tonekeep::mainWindow(std::chrono::milliseconds timeout) {
    waitFor(
        [&] {
            auto all = windowsOf(pid(), win::kMainWindowClass);
            if (!all.empty()) main_ = all.front();
            return main_ != nullptr || ended();
        },
        timeout);
    return main_;
}

HWND Tonekeep::shownMainWindow(std::chrono::milliseconds timeout) {
    waitFor(
        [&] {
            for (HWND h : windowsOf(pid(), win::kMainWindowClass))
                if (IsWindowVisible(h)) main_ = h;
            return main_ != nullptr || ended();
        },
        timeout);
    return main_;
}

HWND Tonekeep::messageBox(const std::wstring& text, std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    waitFor(
        [&] {
            for (HWND h : windowsOf(pid(), L"#32770"))
                for (const std::wstring& t : childTexts(h))
                    if (t.find(text) != std::wstring::npos) found = h;
            return found != nullptr || ended();
        },
        timeout);
    return found;
}

HWND Tonekeep::trayWindow() const {
    auto trays = windowsOf(pid(), win::kTrayWindowClass);
    return trays.empty() ? nullptr : trays.front();
}

std::wstring Tonekeep::trayTip() const {
    const std::vector<std::wstring> tips = trayHostTips();
    if (tips.size() == 1) return tips.front();
    return L"<" + std::to_wstring(tips.size()) + L" icons in the tray>";
}

void Tonekeep::pick(int id, int index) const {
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

int Tonekeep::answerMessageBoxes(bool confirm) {
    int answered = 0;
    for (HWND box : windowsOf(pid(), L"#32770")) {
        if (!IsWindowVisible(box)) continue;
        std::wstring text;
        for (const std::wstring& t : childTexts(box))
            if (!t.empty()) text += (text.empty() ? L"" : L" | ") + t;
        messages.push_back(text);
        const bool question = GetDlgItem(box, IDNO) != nullptr;
        PostMessageW(box, WM_COMMAND, question ? (confirm ? IDYES : IDNO) : IDOK, 0);
        // Wine hides an ended box at once but destroys it only seconds later.
        for (int i = 0; i < 100 && IsWindowVisible(box); ++i) Sleep(20);
        ++answered;
    }
    return answered;
}

bool Tonekeep::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        answerMessageBoxes();
        if (ended()) return false;
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(40);
    }
}

bool Tonekeep::settle() {
    for (int round = 0; round < 2; ++round) {
        // A message box's own loop answers too; wait until none is shown.
        if (!waitUntil(
                [&] {
                    DWORD_PTR r = 0;
                    const std::vector<HWND> boxes = windowsOf(pid(), L"#32770");
                    return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) &&
                           std::none_of(boxes.begin(), boxes.end(), IsWindowVisible);
                },
                20s))
            return false;
        Sleep(60);
    }
    return true;
}

int Tonekeep::entryCount() const {
    return static_cast<int>(SendMessageW(control(win::mainid::kPrgName), CB_GETCOUNT, 0, 0));
}

int Tonekeep::selectedEntry() const {
    return static_cast<int>(SendMessageW(control(win::mainid::kPrgName), CB_GETCURSEL, 0, 0));
}

std::wstring Tonekeep::entryText(int k) const {
    HWND list = control(win::mainid::kPrgName);
    LRESULT len = SendMessageW(list, CB_GETLBTEXTLEN, k, 0);
    if (len < 0) return {};
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    LRESULT got = SendMessageW(list, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::wstring Tonekeep::title() const {
    DWORD_PTR len = 0;
    SendMessageTimeoutW(main_, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len);
    std::wstring text(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(main_, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &got);
    text.resize(got);
    return text;
}

bool Tonekeep::waitStarted(std::chrono::milliseconds timeout) {
    const bool ok = waitUntil(
        [&] {
            if (!main_) {
                auto mains = windowsOf(pid(), win::kMainWindowClass);
                if (mains.empty()) return false;
                main_ = mains.front();
            }
            return entryCount() > 0 && selectedEntry() == 0 &&
                   !windowsOf(pid(), win::kTrayWindowClass).empty() &&
                   title().rfind(L"Havro Tonekeep  [", 0) == 0;
        },
        timeout);
    return ok && settle();
}

bool Tonekeep::select(int k, std::chrono::milliseconds timeout) {
    HWND list = control(win::mainid::kPrgName);
    if (SendMessageW(list, CB_SETCURSEL, k, 0) != k) return false;
    // Posted, not sent: the handler may show a message box that this thread answers.
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(win::mainid::kPrgName, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    std::wstring text = entryText(k);
    std::wstring wanted = L"Havro Tonekeep  [" + text.substr(text.rfind(L'\\') + 1) + L"]";
    return waitUntil([&] { return title() == wanted; }, timeout) && settle();
}

bool Tonekeep::launch(std::chrono::milliseconds timeout) {
    const size_t before = messages.size();
    HWND list = control(win::mainid::kPrgName);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(win::mainid::kCmdLaunch, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(win::mainid::kCmdLaunch)));
    waitUntil([&] { return !IsWindowEnabled(list) || messages.size() > before; }, timeout);
    return !IsWindowEnabled(list);
}

bool Tonekeep::waitRestored(std::chrono::milliseconds timeout) {
    HWND list = control(win::mainid::kPrgName);
    return waitUntil([&] { return IsWindowEnabled(list) && selectedEntry() == 0; }, timeout) &&
           settle();
}

bool Tonekeep::exitThroughTray(std::chrono::milliseconds timeout) {
    // The tray menu: the entries, a separator and four commands; the last one exits.
    const int last = std::max(entryCount(), 1) + 4;
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(win::mainid::kTrayItemFirst + last, 0), 0);
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!ended()) {
        answerMessageBoxes(true);
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(40);
    }
    return true;
}

std::wstring endpointFragment(int flow, const std::wstring& name) {
    std::wstring result;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IMMDeviceEnumerator* e = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&e)))) {
        IMMDeviceCollection* list = nullptr;
        UINT n = 0;
        if (SUCCEEDED(e->EnumAudioEndpoints(flow == 0 ? eRender : eCapture, DEVICE_STATE_ACTIVE,
                                            &list)) &&
            SUCCEEDED(list->GetCount(&n))) {
            for (UINT i = 0; i < n && result.empty(); ++i) {
                IMMDevice* d = nullptr;
                if (FAILED(list->Item(i, &d))) continue;
                IPropertyStore* props = nullptr;
                LPWSTR id = nullptr;
                PROPVARIANT v;
                PropVariantInit(&v);
                if (SUCCEEDED(d->OpenPropertyStore(STGM_READ, &props)) &&
                    SUCCEEDED(props->GetValue(PKEY_Device_FriendlyName, &v)) && v.vt == VT_LPWSTR &&
                    name == v.pwszVal && SUCCEEDED(d->GetId(&id))) {
                    std::wstring full = id;
                    size_t p = full.find(L"}.{");
                    result = p == std::wstring::npos ? full.substr(1) : full.substr(p + 2);
                }
                PropVariantClear(&v);
                if (id) CoTaskMemFree(id);
                if (props) props->Release();
                d->Release();
            }
        }
        if (list) list->Release();
        e->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

}  // namespace tk::wintest
