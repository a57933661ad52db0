#include "wine_util.h"

#include <commctrl.h>
#include <mmdeviceapi.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "window_ids.h"

namespace tk::wintest {

namespace id = win::mainid;
constexpr int kList = id::kPrgName;  // the program list

std::wstring ownFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    std::wstring text(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path)));
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

std::wstring unixToWine(const std::string& unixPath) {
    std::wstring out = L"Z:";
    for (char c : unixPath) out += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return out.back() == L'\\' ? out : out + L'\\';
}

std::string narrowText(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   out.data(), static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    for (const auto end = std::chrono::steady_clock::now() + timeout;; Sleep(50)) {
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
    }
}

std::vector<HWND> windowsOf(DWORD pid, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, className, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid) found.push_back(h);
    }
    return found;
}

// The window's text and its children's (a message box's texts and buttons), joined.
static std::wstring allTexts(HWND hwnd) {
    std::wstring text = windowText(hwnd);
    for (HWND c = nullptr; (c = FindWindowExW(hwnd, c, nullptr, nullptr));)
        text += L" | " + windowText(c);
    return text;
}

std::wstring windowText(HWND hwnd) {
    // Both messages are marshalled across processes; a program path may be very long.
    DWORD_PTR length = 0, copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, LPARAM(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    return text.substr(0, copied);
}

bool deleteTree(HKEY root, const std::wstring& path) {
    const LSTATUS rc = RegDeleteTreeW(root, path.c_str());  // leaves the key itself
    RegDeleteKeyW(root, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& out) {
    wchar_t buffer[4096] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size))
        return false;
    out = buffer;
    return true;
}

bool writeString(HKEY root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& value) {
    return !RegSetKeyValueW(root, path.c_str(), name.c_str(), REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring setting(const std::wstring& name) {
    std::wstring value;
    return readString(HKEY_CURRENT_USER, kProgramsKey, name, value) ? value : L"<absent>";
}

RawValue textValue(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, {p, p + (text.size() + 1) * sizeof(wchar_t)}};
}

Snapshot readPrograms() {
    Snapshot out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramsKey.c_str(), 0, KEY_QUERY_VALUE, &key))
        return out;
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                     &maxData, nullptr, nullptr);
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    DWORD nameLen, dataLen, type;
    for (DWORD i = 0; nameLen = DWORD(name.size()), dataLen = DWORD(data.size()),
               !RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
         ++i)
        out[std::wstring(name.data(), nameLen)] = {type, {data.begin(), data.begin() + dataLen}};
    RegCloseKey(key);
    return out;
}

bool writePrograms(const Snapshot& values) {
    HKEY key = nullptr;
    if (!deleteTree(HKEY_CURRENT_USER, kAppKey) ||
        RegCreateKeyExW(HKEY_CURRENT_USER, kProgramsKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr))
        return false;
    bool ok = true;
    for (const auto& [name, v] : values) {
        // The registry terminates a string value whose next character is NUL; a non-NUL
        // guard after the bytes keeps an unterminated value exactly as given.
        std::vector<BYTE> data = v.bytes;
        data.insert(data.end(), {0xff, 0xff, 0xff});
        ok = ok && !RegSetValueExW(key, name.c_str(), 0, v.type, data.data(),
                                   static_cast<DWORD>(v.bytes.size()));
    }
    RegCloseKey(key);
    return ok;
}

std::wstring describe(const RawValue& v) {
    std::wstring text =
        L"<type " + std::to_wstring(v.type) + L", " + std::to_wstring(v.bytes.size()) + L" bytes>";
    if (v.type == REG_SZ && v.bytes.size() % 2 == 0)
        text.assign(reinterpret_cast<const wchar_t*>(v.bytes.data()), v.bytes.size() / 2);
    text.resize(std::min(text.size(), text.find(L'\0')));
    if (text.size() > 60)
        text = text.substr(0, 60) + L"... (" + std::to_wstring(text.size()) + L")";
    return text;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> readFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void removeFolder(const std::wstring& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder.substr(0, folder.find_last_not_of(L'\\') + 1), ignored);
}

std::wstring freshTempFolder(const std::wstring& name) {
    const std::wstring folder = (std::filesystem::temp_directory_path() / name).wstring() + L"\\";
    removeFolder(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

static void setVersion(const std::optional<std::wstring>& version) {
    if (version) writeString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", *version);
    if (!version) RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine", L"Version");
}

WindowsVersion::WindowsVersion(const wchar_t* version) {
    if (std::wstring old; readString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", old))
        previous_ = old;
    setVersion(version ? std::optional<std::wstring>(version) : std::nullopt);
}

WindowsVersion::~WindowsVersion() {
    setVersion(previous_);
}

Tonekeep::Tonekeep(const std::wstring& binFolder)
    : Tonekeep(binFolder + L"Tonekeep.exe", binFolder) {}

Tonekeep::Tonekeep(const std::wstring& exe, const std::wstring& folder,
                   const std::wstring& arguments) {
    std::wstring cmd = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &si, &pi_))
        CloseHandle(pi_.hThread);
    else
        pi_ = {};
}

Tonekeep::~Tonekeep() {
    if (!ended() && (!main() || !exitThroughTray(10s)) && !ended(5s)) {
        TerminateProcess(pi_.hProcess, 99);  // after a failed test only
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    if (pi_.hProcess) CloseHandle(pi_.hProcess);
}

bool Tonekeep::ended(std::chrono::milliseconds wait) const {
    return !pi_.hProcess || !WaitForSingleObject(pi_.hProcess, DWORD(wait.count()));
}

DWORD Tonekeep::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

HWND Tonekeep::main() const {
    if (!main_)
        for (HWND h : windowsOf(pid(), win::kMainWindowClass)) main_ = h;
    return main_;
}

HWND Tonekeep::shown(const wchar_t* cls, const std::wstring& text,
                     std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    waitFor(
        [&] {
            for (HWND h : windowsOf(pid(), cls))
                if (IsWindowVisible(h) && allTexts(h).find(text) != std::wstring::npos) found = h;
            return found || ended();
        },
        timeout);
    return found;
}

bool Tonekeep::answer(const std::wstring& text, int button) const {
    HWND box = shown(L"#32770", text);
    return box && PostMessageW(box, WM_COMMAND, button, 0);
}

HWND Tonekeep::trayWindow() const {
    const auto trays = windowsOf(pid(), win::kTrayWindowClass);
    return trays.empty() ? nullptr : trays.front();
}

std::wstring Tonekeep::trayTip() const {
    // The host's tool tips take and fill in pointers: the tool description and its text go
    // through a block of the host's memory, laid out as the host has it (64-bit unless
    // both run as 32-bit programs).
    std::vector<std::wstring> tips;
    DWORD hostPid = 0;
    GetWindowThreadProcessId(FindWindowW(L"Shell_TrayWnd", nullptr), &hostPid);
    HANDLE host = OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
        FALSE, hostPid);
    auto* remote = static_cast<BYTE*>(
        host ? VirtualAllocEx(host, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE) : nullptr);
    BOOL selfWow = FALSE, hostWow = FALSE;
    IsWow64Process(GetCurrentProcess(), &selfWow);
    const bool host64 =
        sizeof(void*) == 8 || (selfWow && IsWow64Process(host, &hostWow) && !hostWow);
    for (HWND tip : remote ? windowsOf(hostPid, TOOLTIPS_CLASSW) : std::vector<HWND>{}) {
        for (int i = 0; i < SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0); ++i) {
            struct {
                UINT tool[32];  // cbSize first, lpszText at byte 48 (64-bit) or 36
                wchar_t text[1024];
            } block{{host64 ? 72u : 48u}, {}};
            const UINT64 text = reinterpret_cast<UINT_PTR>(remote) + sizeof block.tool;
            std::memcpy(&block.tool[host64 ? 12 : 9], &text, host64 ? 8 : 4);
            if (WriteProcessMemory(host, remote, &block, sizeof block, nullptr) &&
                SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote)) &&
                ReadProcessMemory(host, remote, &block, sizeof block, nullptr))
                tips.emplace_back(block.text, wcsnlen(block.text, 1023));
        }
    }
    if (remote) VirtualFreeEx(host, remote, 0, MEM_RELEASE);
    if (host) CloseHandle(host);
    return tips.size() == 1 ? tips[0]
                            : L"<" + std::to_wstring(tips.size()) + L" icons in the tray>";
}

void Tonekeep::pick(int id, int index) const {
    SendMessageW(control(id), CB_SETCURSEL, index, 0);
    SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(id)));
}

int Tonekeep::selected(int id) const {
    return static_cast<int>(SendMessageW(control(id), CB_GETCURSEL, 0, 0));
}

void Tonekeep::press(int id) const {
    SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(id)));
}

void Tonekeep::click(int id) const {
    PostMessageW(main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(control(id)));
}

LRESULT Tonekeep::timerState(WPARAM which) const {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(main(), win::mainmsg::kTimerState, which, 0, SMTO_ABORTIFHUNG, 5000,
                               &answer)
               ? LRESULT(answer)
               : -1;
}

void Tonekeep::answerMessageBoxes(bool confirm) {
    for (HWND box : windowsOf(pid(), L"#32770")) {
        if (!IsWindowVisible(box)) continue;
        messages.push_back(allTexts(box));
        const bool question = GetDlgItem(box, IDNO) != nullptr;
        PostMessageW(box, WM_COMMAND, question ? (confirm ? IDYES : IDNO) : IDOK, 0);
        // Wine hides an ended box at once but destroys it only seconds later.
        for (int i = 0; i < 100 && IsWindowVisible(box); ++i) Sleep(20);
    }
}

bool Tonekeep::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return waitFor([&] { return answerMessageBoxes(), ended() || done(); }, timeout) && !ended();
}

bool Tonekeep::settle() {
    // A sent message is answered between posted ones, so two rounds are made; a message
    // box's own loop answers too, so none may be shown.
    const auto idle = [&] {
        DWORD_PTR r = 0;
        const std::vector<HWND> boxes = windowsOf(pid(), L"#32770");
        return SendMessageTimeoutW(main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) &&
               std::none_of(boxes.begin(), boxes.end(), IsWindowVisible);
    };
    return waitUntil(idle) && (Sleep(60), waitUntil(idle));
}

int Tonekeep::entryCount() const {
    return static_cast<int>(SendMessageW(control(kList), CB_GETCOUNT, 0, 0));
}

std::wstring Tonekeep::entryText(int k) const {
    std::wstring text(std::max(0, int(SendMessageW(control(kList), CB_GETLBTEXTLEN, k, 0))), L'\0');
    SendMessageW(control(kList), CB_GETLBTEXT, k, LPARAM(text.data()));  // and its terminator
    return text;
}

bool Tonekeep::waitStarted(std::chrono::milliseconds timeout) {
    return waitUntil(
               [&] {
                   return main() && entryCount() > 0 && selected(kList) == 0 && trayWindow() &&
                          windowText(main()).rfind(L"Havro Tonekeep  [", 0) == 0;
               },
               timeout) &&
           settle();
}

bool Tonekeep::select(int k, std::chrono::milliseconds timeout) {
    HWND list = control(kList);
    if (SendMessageW(list, CB_SETCURSEL, k, 0) != k) return false;
    // Posted, not sent: the handler may show a message box that this thread answers.
    PostMessageW(main(), WM_COMMAND, MAKEWPARAM(kList, CBN_SELCHANGE), LPARAM(list));
    const std::wstring text = entryText(k);
    const std::wstring wanted = L"Havro Tonekeep  [" + text.substr(text.rfind(L'\\') + 1) + L"]";
    return waitUntil([&] { return windowText(main()) == wanted; }, timeout) && settle();
}

bool Tonekeep::launch(std::chrono::milliseconds timeout) {
    const size_t before = messages.size();
    HWND list = control(kList);
    click(id::kCmdLaunch);
    waitUntil([&] { return !IsWindowEnabled(list) || messages.size() > before; }, timeout);
    return !IsWindowEnabled(list);
}

bool Tonekeep::waitRestored(std::chrono::milliseconds timeout) {
    HWND list = control(kList);
    return waitUntil([&] { return IsWindowEnabled(list) && selected(kList) == 0; }, timeout) &&
           settle();
}

bool Tonekeep::exitThroughTray(std::chrono::milliseconds timeout) {
    // The tray menu: the entries, a separator and four commands; the last one exits.
    PostMessageW(main(), WM_COMMAND, MAKEWPARAM(id::kTrayItemFirst + entryCount() + 4, 0), 0);
    return waitFor([&] { return answerMessageBoxes(true), ended(40ms); }, timeout);
}

std::wstring endpointFragment(int flow, const std::wstring& name) {
    using Microsoft::WRL::ComPtr;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring result;
    ComPtr<IMMDeviceEnumerator> devices;
    ComPtr<IMMDeviceCollection> list;
    UINT n = 0;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&devices))) &&
        SUCCEEDED(
            devices->EnumAudioEndpoints(flow ? eCapture : eRender, DEVICE_STATE_ACTIVE, &list)))
        list->GetCount(&n);
    for (UINT i = 0; i < n && result.empty(); ++i) {
        ComPtr<IMMDevice> device;
        ComPtr<IPropertyStore> properties;
        PROPVARIANT v{};
        LPWSTR id = nullptr;
        if (SUCCEEDED(list->Item(i, &device)) &&
            SUCCEEDED(device->OpenPropertyStore(STGM_READ, &properties)) &&
            SUCCEEDED(properties->GetValue(PKEY_Device_FriendlyName, &v)) && v.vt == VT_LPWSTR &&
            name == v.pwszVal && SUCCEEDED(device->GetId(&id))) {
            const std::wstring full = id;
            const size_t p = full.find(L"}.{");
            result = p == std::wstring::npos ? full.substr(1) : full.substr(p + 2);
        }
        PropVariantClear(&v);
        CoTaskMemFree(id);
    }
    list.Reset();
    devices.Reset();
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

}  // namespace tk::wintest
