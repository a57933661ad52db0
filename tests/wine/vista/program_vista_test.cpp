// The real Tonekeep.exe on the endpoint path with the harness's PulseAudio devices:
// choosing "Headphones" for a program stores its endpoint, switching away and back
// reopens it and re-applies its master level; the level dialog is driven by messages
// and its close stores the level set.
//
// Wine keeps endpoint volumes inside each process, so levels are read back through
// the program's own window and through the registry, not from this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <initguid.h>
#include <mmdeviceapi.h>
#include <functiondiscoverykeys_devpkey.h>
#include <endpointvolume.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sound_vista_win.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

const wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Havro Tonekeep";
const wchar_t kProgramsKey[] = L"Software\\VB and VBA Program Settings\\Havro Tonekeep\\Programs";

std::wstring widen(const std::string& s) {
    std::wstring w(s.size(), L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(),
                                static_cast<int>(w.size()));
    w.resize(n > 0 ? n : 0);
    return w;
}

// A Unix folder as Wine sees it through drive Z:.
std::wstring wineFolder(const std::string& unixPath) {
    std::wstring w = L"Z:" + widen(unixPath);
    for (auto& c : w)
        if (c == L'/') c = L'\\';
    if (w.back() != L'\\') w += L'\\';
    return w;
}

bool waitFor(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
    const DWORD end = GetTickCount() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount() >= end) return false;
        Sleep(50);
    }
}

struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

HWND windowOf(DWORD pid, const wchar_t* className) {
    Search s{pid, className, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t cls[128] = {};
            GetClassNameW(h, cls, 128);
            if (owner == s->pid && wcscmp(cls, s->className) == 0 && IsWindowVisible(h)) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::wstring regValue(const std::wstring& name) {
    wchar_t buf[4096] = {};
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, kProgramsKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS)
        return L"<absent>";
    return buf;
}

void setRegValue(const std::wstring& name, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProgramsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// The endpoint id fragment of the active render endpoint named `name`.
std::wstring renderFragment(const std::wstring& name) {
    std::wstring result;
    CoInitialize(nullptr);
    IMMDeviceEnumerator* e = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&e)))) {
        IMMDeviceCollection* list = nullptr;
        UINT n = 0;
        if (SUCCEEDED(e->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &list)) &&
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
    CoUninitialize();
    return result;
}

// The master volume (0..1) of the render endpoint named `name` as this process sees it;
// -1 when it cannot be read.
float renderScalar(const std::wstring& name) {
    float result = -1;
    CoInitialize(nullptr);
    IMMDeviceEnumerator* e = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&e)))) {
        IMMDeviceCollection* list = nullptr;
        UINT n = 0;
        if (SUCCEEDED(e->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &list)) &&
            SUCCEEDED(list->GetCount(&n))) {
            for (UINT i = 0; i < n; ++i) {
                IMMDevice* d = nullptr;
                if (FAILED(list->Item(i, &d))) continue;
                IPropertyStore* props = nullptr;
                PROPVARIANT v;
                PropVariantInit(&v);
                if (SUCCEEDED(d->OpenPropertyStore(STGM_READ, &props)) &&
                    SUCCEEDED(props->GetValue(PKEY_Device_FriendlyName, &v)) && v.vt == VT_LPWSTR &&
                    name == v.pwszVal) {
                    IAudioEndpointVolume* vol = nullptr;
                    if (SUCCEEDED(d->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER,
                                              nullptr, reinterpret_cast<void**>(&vol)))) {
                        vol->GetMasterVolumeLevelScalar(&result);
                        vol->Release();
                    }
                }
                PropVariantClear(&v);
                if (props) props->Release();
                d->Release();
            }
        }
        if (list) list->Release();
        e->Release();
    }
    CoUninitialize();
    return result;
}

class ProgramVista : public ::testing::Test {
  protected:
    void SetUp() override {
        bin = wineFolder(TK_BIN_DIR);
        if (GetFileAttributesW((bin + L"HavroVista.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "HavroVista.dll is not built next to Tonekeep.exe yet";
        if (GetFileAttributesW((bin + L"Tonekeep.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "Tonekeep.exe is not built";
        headphones = renderFragment(L"Headphones");
        if (headphones.empty())
            FAIL() << "no \"Headphones\" endpoint: the harness's sound server is not up";
        // One copy of the program per user: wait for one that another test runs in this
        // Wine prefix to end (it would also share the settings).
        ASSERT_TRUE(
            waitFor([] { return FindWindowW(win::kMainWindowClass, nullptr) == nullptr; }, 120000))
            << "another Tonekeep is running in this Wine prefix";
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        setRegValue(L"Name 0", L"Normal Windows");
        setRegValue(L"Settings 0", L"");
        setRegValue(L"Mixer 0", L"0");
        game = wineFolder(TK_GAME_HELPER);
        game.pop_back();  // a file, not a folder
        setRegValue(L"Name 1", game);
        start();
    }
    void TearDown() override {
        if (pi.hProcess) {
            if (main) PostMessageW(main, win::mainmsg::kCloseFromCode, 0, 0);
            if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    }

    void start() {
        std::wstring cmd = L"\"" + bin + L"Tonekeep.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   bin.c_str(), &si, &pi));
        ASSERT_TRUE(waitFor([&] {
            return (main = windowOf(pi.dwProcessId, win::kMainWindowClass));
        })) << "the main window did not appear";
    }

    HWND child(int id) const { return GetDlgItem(main, id); }

    void select(int id, int position) {
        HWND box = child(id);
        SendMessageW(box, CB_SETCURSEL, position, 0);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
    }
    int find(int id, const wchar_t* text) {
        return static_cast<int>(SendMessageW(child(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text)));
    }
    int selected(int id) { return static_cast<int>(SendMessageW(child(id), CB_GETCURSEL, 0, 0)); }

    HWND openLevels() {
        HWND button = child(win::mainid::kCmdSetup);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(win::mainid::kCmdSetup, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        HWND dlg = nullptr;
        waitFor([&] { return (dlg = windowOf(pi.dwProcessId, win::kSoundVistaWindowClass)); });
        return dlg;
    }
    void closeLevels(HWND dlg) {
        HWND close = GetDlgItem(dlg, win::soundvistaid::kCommand1);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(win::soundvistaid::kCommand1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(close));
        waitFor([&] { return !IsWindow(dlg); });
    }

    std::wstring bin, headphones, game;
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
};

TEST_F(ProgramVista, HeadphonesForAProgramAreStoredReopenedAndTheirLevelReapplied) {
    namespace id = win::mainid;
    const int speakersPos = find(id::kCmbSpeakers, L"Speakers");
    const int headphonesPos = find(id::kCmbSpeakers, L"Headphones");
    ASSERT_GE(speakersPos, 0);
    ASSERT_GE(headphonesPos, 0);
    // Start-up selected the system's defaults. Wine names its own default route,
    // "PulseAudio", as the default of each flow. Without a device topology under Wine the
    // capture walks fail, so the library names no capture device and both capture boxes
    // take their first position (where "PulseAudio" stands depends on the prefix).
    const int wineDefault = find(id::kCmbSpeakers, L"PulseAudio");
    EXPECT_EQ(selected(id::kCmbSpeakers), wineDefault >= 0 ? wineDefault : speakersPos);
    EXPECT_EQ(selected(id::kCmbLineIn), 0);
    EXPECT_EQ(selected(id::kCmbMic), 0);

    // "Normal Windows" on the speakers, stored.
    select(id::kCmbSpeakers, speakersPos);
    ASSERT_TRUE(waitFor([&] { return regValue(L"MixerNumber 0") != L"<absent>"; }));
    const std::wstring speakersFragment = regValue(L"PlaybackGuid 0");

    // The program on the headphones.
    select(id::kPrgName, 1);
    select(id::kCmbSpeakers, headphonesPos);
    EXPECT_EQ(regValue(L"PlaybackGuid 1"), headphones);
    EXPECT_NE(speakersFragment, headphones);

    // Its master level through the dialog: 50 % (reads back exactly).
    HWND dlg = openLevels();
    ASSERT_TRUE(dlg) << "the level dialog did not open";
    HWND master = GetDlgItem(dlg, win::soundvistaid::kSldMaster);
    ASSERT_TRUE(IsWindowEnabled(master)) << "no master volume on the headphones";
    SendMessageW(master, TBM_SETPOS, TRUE, 50);
    SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 50), reinterpret_cast<LPARAM>(master));
    SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(master));
    EXPECT_EQ(SendMessageW(master, TBM_GETPOS, 0, 0), 50);
    closeLevels(dlg);
    const std::wstring levels = regValue(L"VistaSettings 1");
    EXPECT_EQ(levels.substr(0, 3), L"50,") << levels;
    EXPECT_EQ(std::count(levels.begin(), levels.end(), L','), 13) << levels;

    // Away to "Normal Windows" and back.
    select(id::kPrgName, 0);
    EXPECT_EQ(selected(id::kCmbSpeakers), speakersPos);
    select(id::kPrgName, 1);
    EXPECT_EQ(selected(id::kCmbSpeakers), headphonesPos);
    EXPECT_EQ(regValue(L"PlaybackGuid 1"), headphones);
    EXPECT_EQ(regValue(L"VistaSettings 1").substr(0, 3), L"50,");
    dlg = openLevels();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, win::soundvistaid::kSldMaster), TBM_GETPOS, 0, 0), 50);
    closeLevels(dlg);
    // What another process sees of that level, for the record: Wine keeps endpoint
    // volumes per process (this process reads 1.0), so the window is the witness.
    std::printf("headphones volume seen from the test process: %.3f\n",
                renderScalar(L"Headphones"));

    // The level comes from the stored set: change it there and switch away and back.
    std::wstring changed = regValue(L"VistaSettings 1");
    changed.replace(0, 2, L"10");  // max - 20 dB: reads back exactly
    setRegValue(L"VistaSettings 1", changed);
    select(id::kPrgName, 0);
    select(id::kPrgName, 1);
    dlg = openLevels();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, win::soundvistaid::kSldMaster), TBM_GETPOS, 0, 0), 10);
    closeLevels(dlg);
    EXPECT_EQ(regValue(L"VistaSettings 1").substr(0, 3), L"10,");
}

TEST_F(ProgramVista, AfterALaunchedProgramEndsNormalWindowsDevicesAreBack) {
    namespace id = win::mainid;
    const int speakersPos = find(id::kCmbSpeakers, L"Speakers");
    const int headphonesPos = find(id::kCmbSpeakers, L"Headphones");
    ASSERT_GE(speakersPos, 0);
    ASSERT_GE(headphonesPos, 0);
    select(id::kCmbSpeakers, speakersPos);  // "Normal Windows" on the speakers, stored
    select(id::kPrgName, 1);
    select(id::kCmbSpeakers, headphonesPos);
    ASSERT_EQ(regValue(L"PlaybackGuid 1"), headphones);
    setRegValue(L"VistaSettings 1", L"");

    HWND launch = child(id::kCmdLaunch);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(id::kCmdLaunch, BN_CLICKED),
                 reinterpret_cast<LPARAM>(launch));
    // The game runs for 1.5 s; the watch looks every 2 s.
    ASSERT_TRUE(waitFor([&] { return selected(id::kPrgName) == 0; }, 20000))
        << "\"Normal Windows\" was not selected after the game ended";
    EXPECT_EQ(selected(id::kCmbSpeakers), speakersPos);
    // The game's levels were stored when it ended, its devices kept.
    EXPECT_EQ(regValue(L"PlaybackGuid 1"), headphones);
    const std::wstring levels = regValue(L"VistaSettings 1");
    EXPECT_EQ(std::count(levels.begin(), levels.end(), L','), 13) << levels;
    EXPECT_NE(regValue(L"PlaybackGuid 0"), headphones);
}

}  // namespace
}  // namespace tk::wintest
