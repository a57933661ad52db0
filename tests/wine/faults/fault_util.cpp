#include "fault_util.h"

#include <mmdeviceapi.h>
#include <propsys.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>

#include "test_util.h"
#include "window_ids.h"

namespace tk::faults {

using namespace std::chrono_literals;

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
    if (!wintest::deleteTree(HKEY_CURRENT_USER, kAppKey)) return false;
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

Tonekeep::Tonekeep(const std::wstring& binFolder) {
    std::wstring exe = binFolder + L"Tonekeep.exe";
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        binFolder.c_str(), &si, &pi_))
        pi_ = {};
    else
        CloseHandle(pi_.hThread);
}

Tonekeep::~Tonekeep() {
    if (!pi_.hProcess) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 99);  // cleanup after a failed test only
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
}

bool Tonekeep::ended() const {
    return !pi_.hProcess || WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
}

DWORD Tonekeep::exitCode() const {
    DWORD code = 0;
    if (pi_.hProcess) GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

int Tonekeep::answerMessageBoxes() {
    int answered = 0;
    for (HWND box : wintest::windowsOf(pi_.dwProcessId, L"#32770")) {
        if (!IsWindowVisible(box)) continue;
        std::wstring text;
        for (const std::wstring& t : wintest::childTexts(box))
            if (!t.empty()) text += (text.empty() ? L"" : L" | ") + t;
        messages.push_back(text);
        // A question is answered No (keep things as they are), a message with OK.
        PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDNO) ? IDNO : IDOK, 0);
        for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
        ++answered;
    }
    return answered;
}

template <typename Done>
bool Tonekeep::waitUntil(Done done, std::chrono::milliseconds timeout) {
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
        // A message box's own loop answers too; wait until none is left.
        if (!waitUntil(
                [&] {
                    DWORD_PTR r = 0;
                    return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) &&
                           wintest::windowsOf(pi_.dwProcessId, L"#32770").empty();
                },
                20s))
            return false;
        Sleep(60);
    }
    return true;
}

int Tonekeep::entryCount() const {
    return static_cast<int>(SendMessageW(child(win::mainid::kPrgName), CB_GETCOUNT, 0, 0));
}

int Tonekeep::selectedEntry() const {
    return static_cast<int>(SendMessageW(child(win::mainid::kPrgName), CB_GETCURSEL, 0, 0));
}

std::wstring Tonekeep::entryText(int k) const {
    HWND list = child(win::mainid::kPrgName);
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
                auto mains = wintest::windowsOf(pi_.dwProcessId, win::kMainWindowClass);
                if (mains.empty()) return false;
                main_ = mains.front();
            }
            return entryCount() > 0 && selectedEntry() == 0 &&
                   !wintest::windowsOf(pi_.dwProcessId, win::kTrayWindowClass).empty() &&
                   title().rfind(L"Havro Tonekeep  [", 0) == 0;
        },
        timeout);
    return ok && settle();
}

bool Tonekeep::select(int k, std::chrono::milliseconds timeout) {
    HWND list = child(win::mainid::kPrgName);
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
    HWND list = child(win::mainid::kPrgName);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(win::mainid::kCmdLaunch, BN_CLICKED),
                 reinterpret_cast<LPARAM>(child(win::mainid::kCmdLaunch)));
    waitUntil([&] { return !IsWindowEnabled(list) || messages.size() > before; }, timeout);
    return !IsWindowEnabled(list);
}

bool Tonekeep::waitRestored(std::chrono::milliseconds timeout) {
    HWND list = child(win::mainid::kPrgName);
    return waitUntil([&] { return IsWindowEnabled(list) && selectedEntry() == 0; }, timeout) &&
           settle();
}

bool Tonekeep::exitThroughTray(std::chrono::milliseconds timeout) {
    // The tray menu: the entries, a separator and four commands; the last one exits.
    const int last = std::max(entryCount(), 1) + 4;
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(win::mainid::kTrayItemFirst + last, 0), 0);
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!ended()) {
        answerMessageBoxes();
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

}  // namespace tk::faults
