// Tonekeep.exe against yardsticks, measured in one run under Wine (or on Windows):
//   start-up to a visible main window   vs  a minimal Win32 window program
//   working set once started            vs  the same minimal program
//   a profile switch (select -> applied -> stored, one synchronous message)
//                                       vs  the same registry and Core Audio calls
//                                           made directly by this program
//   WM_TIMER messages per minute, idle and while a launched program is watched
//       (the program's message loop counts every WM_TIMER it takes; read through the
//        main window's kTimerState message)
// Prints a table; a benchmark, not a test.
//
//   program_bench.exe [runs] [wake-up seconds] [folder of Tonekeep.exe]
//
// The folder (a Unix path) defaults to the build's own; another build's folder measures
// that build against the same yardsticks, e.g. the one before a change.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <devicetopology.h>
#include <psapi.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "havro_vista.h"
#include "window_ids.h"

namespace {

namespace id = tk::win::mainid;

const wchar_t kProgramsKey[] = L"Software\\VB and VBA Program Settings\\Havro Tonekeep\\Programs";
const wchar_t kAppKey[] = L"Software\\VB and VBA Program Settings\\Havro Tonekeep";
const wchar_t kMinimalClass[] = L"TonekeepBenchMinimalWindow";

double nowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::wstring ownFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring text(path, n);
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

std::wstring unixToWine(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* c = unixPath; *c; ++c) out += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    if (out.back() != L'\\') out += L'\\';
    return out;
}

void setValue(const std::wstring& name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kProgramsKey, name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring getValue(const std::wstring& name) {
    wchar_t buffer[2048] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kProgramsKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return {};
    return buffer;
}

// A window of process `pid` with class `cls` that is visible; nullptr while there is none.
HWND visibleWindow(DWORD pid, const wchar_t* cls) {
    struct Search {
        DWORD pid;
        const wchar_t* cls;
        HWND found;
    } s{pid, cls, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t name[128] = {};
            GetClassNameW(h, name, 128);
            if (owner == s->pid && lstrcmpW(name, s->cls) == 0 && IsWindowVisible(h)) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct Started {
    PROCESS_INFORMATION pi{};
    HWND window = nullptr;
    double ms = -1;  // CreateProcess to visible window
};

Started startAndWait(const std::wstring& exe, const std::wstring& folder, const wchar_t* cls) {
    Started r;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    const double t0 = nowMs();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &si, &r.pi))
        return r;
    CloseHandle(r.pi.hThread);
    while (nowMs() - t0 < 30000) {
        // Polled by class: FindWindow first (cheap), then the owner and visibility.
        if (FindWindowW(cls, nullptr) && (r.window = visibleWindow(r.pi.dwProcessId, cls))) {
            r.ms = nowMs() - t0;
            break;
        }
        if (WaitForSingleObject(r.pi.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    return r;
}

void endTonekeep(Started& s) {
    if (s.window) {
        int entries =
            static_cast<int>(SendMessageW(GetDlgItem(s.window, id::kPrgName), CB_GETCOUNT, 0, 0));
        PostMessageW(s.window, WM_COMMAND,
                     MAKEWPARAM(id::kTrayItemFirst + std::max(entries, 1) + 4, 0), 0);
    }
    if (WaitForSingleObject(s.pi.hProcess, 20000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "Tonekeep did not end; terminating it\n");
        TerminateProcess(s.pi.hProcess, 1);
    }
    CloseHandle(s.pi.hProcess);
}

void endMinimal(Started& s) {
    if (s.window) PostMessageW(s.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(s.pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(s.pi.hProcess, 1);
    CloseHandle(s.pi.hProcess);
}

struct Memory {
    double workingSetMiB = 0;
};

Memory memoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    Memory m;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                             sizeof pmc)) {
        m.workingSetMiB = pmc.WorkingSetSize / 1048576.0;
    }
    return m;
}

void select(HWND main, int control, int index) {
    HWND box = GetDlgItem(main, control);
    SendMessageW(box, CB_SETCURSEL, index, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
}

int findText(HWND main, int control, const wchar_t* text) {
    return static_cast<int>(SendMessageW(GetDlgItem(main, control), CB_FINDSTRINGEXACT,
                                         static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
}

LRESULT timerState(HWND main, WPARAM which) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main, tk::win::mainmsg::kTimerState, which, 0, SMTO_ABORTIFHUNG, 5000,
                        &answer);
    return static_cast<LRESULT>(answer);
}

void walkMixer();

// --- the direct profile switch -----------------------------------------------------------
//
// What one selection does to the registry and to Core Audio, made directly: read the
// entry's stored choice and levels, put back the levels found on the endpoints open so
// far and release them, find the stored endpoints among all endpoints and open their
// volume (and try their topology), remember their levels, apply the stored level set,
// read the levels back and store the choice and the levels.
class DirectSwitch {
  public:
    DirectSwitch() {
        CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator_));
    }
    ~DirectSwitch() {
        closeSet();
        if (enumerator_) enumerator_->Release();
    }
    bool ready() const { return enumerator_ != nullptr; }

    // `asTheProgram`: with the call counts of the program's switch, which opens the set
    // once for each of its three device boxes (each time matching the wave mixer by name
    // and finding its controls), and sets and reads the mixer's level text.
    void run(int entry, bool asTheProgram = false) {
        const std::wstring n = L" " + std::to_wstring(entry);
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, kProgramsKey, 0, KEY_READ | KEY_WRITE, &key);
        auto read = [&](const wchar_t* name) {
            wchar_t buffer[1024] = {};
            DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
            RegQueryValueExW(key, (name + n).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer), &size);
            return std::wstring(buffer);
        };
        auto write = [&](const wchar_t* name, const std::wstring& value) {
            RegSetValueExW(key, (name + n).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        };
        const std::wstring mixerNumber = read(L"MixerNumber");
        const std::wstring soundSettings = read(L"SoundSettings");
        const std::wstring play = read(L"PlaybackGuid");
        const std::wstring line = read(L"LineInGuid");
        const std::wstring mic = read(L"MicGuid");
        const std::wstring levels = read(L"VistaSettings");

        const int opens = asTheProgram ? 3 : 1;
        if (asTheProgram) walkMixer();  // the level text applied
        for (int i = 0; i < opens; ++i) {
            closeSet();
            open(eRender, play, play_);
            open(eCapture, line, line_);
            open(eCapture, mic, mic_);
            if (asTheProgram) walkMixer();  // the mixer matched and its controls found
        }

        // Apply: master (every channel) and its mute, the two record levels.
        std::vector<double> v;
        for (size_t p = 0; p < levels.size();) {
            v.push_back(std::wcstod(levels.c_str() + p, nullptr));
            size_t comma = levels.find(L',', p);
            if (comma == std::wstring::npos) break;
            p = comma + 1;
        }
        v.resize(13, 0);
        setPercent(play_.volume, v[0], true);
        if (play_.volume) play_.volume->SetMute(v[1] != 0, nullptr);
        setPercent(mic_.volume, v[11], false);
        setPercent(line_.volume, v[12], false);

        // Capture and store.
        std::wstring text = std::to_wstring(getPercent(play_.volume, true)) + L",";
        BOOL muted = FALSE;
        if (play_.volume) play_.volume->GetMute(&muted);
        text += muted ? L"-1," : L"0,";
        text += L"0,0,0,0,0,0,0,0,0,";
        text += std::to_wstring(getPercent(mic_.volume, false)) + L",";
        text += std::to_wstring(getPercent(line_.volume, false)) + L",";
        if (asTheProgram) walkMixer();  // the level text read
        write(L"MixerNumber", mixerNumber);
        write(L"SoundSettings", soundSettings);
        write(L"PlaybackGuid", play);
        write(L"LineInGuid", line);
        write(L"MicGuid", mic);
        write(L"VistaSettings", text);
        RegCloseKey(key);
    }

  private:
    struct Endpoint {
        IAudioEndpointVolume* volume = nullptr;
        float found = 0;
    };

    static bool containsNoCase(const std::wstring& text, const std::wstring& part) {
        if (part.empty()) return false;
        auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                              [](wchar_t a, wchar_t b) { return towlower(a) == towlower(b); });
        return it != text.end();
    }

    void open(EDataFlow flow, const std::wstring& fragment, Endpoint& out) {
        IMMDeviceCollection* list = nullptr;
        UINT count = 0;
        if (FAILED(enumerator_->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, &list))) return;
        list->GetCount(&count);
        for (UINT i = 0; i < count && !out.volume; ++i) {
            IMMDevice* device = nullptr;
            if (FAILED(list->Item(i, &device))) continue;
            LPWSTR deviceId = nullptr;
            if (SUCCEEDED(device->GetId(&deviceId)) && containsNoCase(deviceId, fragment)) {
                IDeviceTopology* topology = nullptr;
                if (SUCCEEDED(device->Activate(__uuidof(IDeviceTopology), CLSCTX_INPROC_SERVER,
                                               nullptr, reinterpret_cast<void**>(&topology))))
                    topology->Release();
                if (SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER,
                                               nullptr, reinterpret_cast<void**>(&out.volume))))
                    out.volume->GetMasterVolumeLevel(&out.found);
            }
            if (deviceId) CoTaskMemFree(deviceId);
            device->Release();
        }
        list->Release();
    }

    void closeSet() {
        for (Endpoint* e : {&play_, &line_, &mic_}) {
            if (!e->volume) continue;
            e->volume->SetMasterVolumeLevel(e->found, nullptr);
            e->volume->Release();
            e->volume = nullptr;
        }
    }

    static void setPercent(IAudioEndpointVolume* v, double percent, bool channels) {
        if (!v) return;
        float mn = 0, mx = 0, step = 0;
        v->GetVolumeRange(&mn, &mx, &step);
        const float db = mn + static_cast<float>(percent / 100.0) * (mx - mn);
        UINT n = 0;
        if (channels && SUCCEEDED(v->GetChannelCount(&n)) && n > 0) {
            for (UINT c = 0; c < n; ++c) v->SetChannelVolumeLevel(c, db, nullptr);
        } else {
            v->SetMasterVolumeLevel(db, nullptr);
        }
    }

    static int getPercent(IAudioEndpointVolume* v, bool channels) {
        if (!v) return 0;
        float mn = 0, mx = 0, step = 0, level = 0;
        v->GetVolumeRange(&mn, &mx, &step);
        if (!channels || FAILED(v->GetChannelVolumeLevel(0, &level)))
            v->GetMasterVolumeLevel(&level);
        return mx > mn ? static_cast<int>(100 * (level - mn) / (mx - mn) + 0.5) : 0;
    }

    IMMDeviceEnumerator* enumerator_ = nullptr;
    Endpoint play_, line_, mic_;
};

// One pass over the first wave mixer as a level text read does it: every line of every
// destination, its controls and their values.
void walkMixer() {
    HMIXER mixer = nullptr;
    if (mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) return;
    MIXERCAPSW caps{};
    mixerGetDevCapsW(reinterpret_cast<UINT_PTR>(mixer), &caps, sizeof caps);
    auto walkLine = [&](MIXERLINEW& line) {
        if (line.cControls == 0) return;
        std::vector<MIXERCONTROLW> controls(line.cControls);
        MIXERLINECONTROLSW lc{};
        lc.cbStruct = sizeof lc;
        lc.dwLineID = line.dwLineID;
        lc.cControls = line.cControls;
        lc.cbmxctrl = sizeof(MIXERCONTROLW);
        lc.pamxctrl = controls.data();
        if (mixerGetLineControlsW(reinterpret_cast<HMIXEROBJ>(mixer), &lc,
                                  MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
            return;
        for (const MIXERCONTROLW& c : controls) {
            MIXERCONTROLDETAILS_UNSIGNED values[32] = {};
            MIXERCONTROLDETAILS d{};
            d.cbStruct = sizeof d;
            d.dwControlID = c.dwControlID;
            d.cChannels = std::min<DWORD>(line.cChannels, 8);
            d.cMultipleItems =
                (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.cMultipleItems : 0;
            if (d.cMultipleItems * std::max<DWORD>(d.cChannels, 1) > 32) continue;
            d.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
            d.paDetails = values;
            mixerGetControlDetailsW(reinterpret_cast<HMIXEROBJ>(mixer), &d,
                                    MIXER_GETCONTROLDETAILSF_VALUE);
        }
    };
    for (DWORD dest = 0; dest < caps.cDestinations; ++dest) {
        MIXERLINEW line{};
        line.cbStruct = sizeof line;
        line.dwDestination = dest;
        if (mixerGetLineInfoW(reinterpret_cast<HMIXEROBJ>(mixer), &line,
                              MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR)
            continue;
        walkLine(line);
        const DWORD sources = line.cConnections;
        for (DWORD src = 0; src < sources; ++src) {
            MIXERLINEW source{};
            source.cbStruct = sizeof source;
            source.dwDestination = dest;
            source.dwSource = src;
            if (mixerGetLineInfoW(reinterpret_cast<HMIXEROBJ>(mixer), &source,
                                  MIXER_GETLINEINFOF_SOURCE) == MMSYSERR_NOERROR)
                walkLine(source);
        }
    }
    mixerClose(mixer);
}

std::string ansi(const std::wstring& w) {
    return std::string(w.begin(), w.end());  // endpoint id fragments are ASCII
}

void row(const char* what, double tonekeep, double yardstick, const char* unit, const char* goal,
         bool difference = false) {
    if (difference)
        std::printf("%-34s %10.2f %10.2f %9s %+8.2f %s  (goal %s)\n", what, tonekeep, yardstick, "",
                    tonekeep - yardstick, unit, goal);
    else
        std::printf("%-34s %10.2f %10.2f %9.2fx %8s %s  (goal %s)\n", what, tonekeep, yardstick,
                    yardstick > 0 ? tonekeep / yardstick : 0.0, "", unit, goal);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 9;
    const int seconds = argc > 2 ? std::max(5, std::atoi(argv[2])) : 60;
    const std::wstring bin = unixToWine(argc > 3 ? argv[3] : TK_BIN_DIR);
    const std::wstring tonekeep = bin + L"Tonekeep.exe";
    const std::wstring here = ownFolder();
    const std::wstring minimal = here + L"bench_minimal_window.exe";
    const std::wstring minimalAudio = here + L"bench_minimal_audio_window.exe";
    const std::wstring sleeper = here + L"bench_sleeper.exe";
    setvbuf(stdout, nullptr, _IONBF, 0);

    // Settings as a user leaves them: "Normal Windows" on the speakers, a program on the
    // headphones, both with their levels stored by the program itself.
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    setValue(L"Name 0", L"Normal Windows");
    setValue(L"Settings 0", L"");
    setValue(L"Mixer 0", L"0");
    setValue(L"Name 1", sleeper);
    {
        Started s = startAndWait(tonekeep, bin, tk::win::kMainWindowClass);
        if (!s.window) {
            std::fprintf(stderr, "Tonekeep.exe did not show its main window\n");
            return 1;
        }
        const int speakers = findText(s.window, id::kCmbSpeakers, L"Speakers");
        const int headphones = findText(s.window, id::kCmbSpeakers, L"Kopfh\u00f6rer");
        if (speakers < 0 || headphones < 0) {
            std::fprintf(stderr,
                         "no \"Speakers\"/\"Kopfh\u00f6rer\" endpoints: is the sound server up?\n");
            endTonekeep(s);
            return 1;
        }
        select(s.window, id::kCmbSpeakers, speakers);
        select(s.window, id::kPrgName, 1);
        select(s.window, id::kCmbSpeakers, headphones);
        select(s.window, id::kPrgName, 0);
        endTonekeep(s);
        Started m = startAndWait(minimal, here, kMinimalClass);  // warm both up once
        endMinimal(m);
    }
    std::printf("Tonekeep.exe in %ls\n", bin.c_str());
    std::printf("settings: entry 1 plays on %ls\n\n",
                getValue(L"PlaybackGuid 1") == getValue(L"PlaybackGuid 0") ? L"the same endpoint"
                                                                           : L"another endpoint");

    // Start-up, alternating the two programs.
    std::vector<double> startTk, startMin, startAudio;
    for (int i = 0; i < runs; ++i) {
        Started s = startAndWait(tonekeep, bin, tk::win::kMainWindowClass);
        if (s.ms >= 0) startTk.push_back(s.ms);
        endTonekeep(s);
        Started m = startAndWait(minimal, here, kMinimalClass);
        if (m.ms >= 0) startMin.push_back(m.ms);
        endMinimal(m);
        Started a = startAndWait(minimalAudio, here, kMinimalClass);
        if (a.ms >= 0) startAudio.push_back(a.ms);
        endMinimal(a);
    }

    // Working set, two seconds after each has shown its window.
    Started m = startAndWait(minimal, here, kMinimalClass);
    Started a = startAndWait(minimalAudio, here, kMinimalClass);
    Started s = startAndWait(tonekeep, bin, tk::win::kMainWindowClass);
    Sleep(2000);
    const Memory memTk = memoryOf(s.pi.hProcess), memMin = memoryOf(m.pi.hProcess),
                 memAudio = memoryOf(a.pi.hProcess);
    endMinimal(m);
    endMinimal(a);

    // Profile switches: one synchronous message each, alternating the two entries.
    std::vector<double> switchTk, roundTrip, switchDirect, switchDirectAll;
    for (int i = 0; i < 4; ++i) select(s.window, id::kPrgName, i % 2);  // warm-up
    for (int i = 0; i < runs * 4; ++i) {
        const double t0 = nowMs();
        select(s.window, id::kPrgName, (i + 1) % 2);
        switchTk.push_back(nowMs() - t0);
        const double t1 = nowMs();
        SendMessageW(s.window, WM_NULL, 0, 0);
        roundTrip.push_back(nowMs() - t1);
    }
    // The same with the window hidden in the tray (the tray menu's switch): no drawing.
    std::vector<double> switchHidden;
    ShowWindowAsync(s.window, SW_HIDE);
    for (int i = 0; i < 50 && IsWindowVisible(s.window); ++i) Sleep(100);
    for (int i = 0; i < runs * 4; ++i) {
        const double t0 = nowMs();
        select(s.window, id::kPrgName, (i + 1) % 2);
        switchHidden.push_back(nowMs() - t0);
    }
    select(s.window, id::kPrgName, 0);
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            DirectSwitch direct;
            if (direct.ready()) {
                for (int i = 0; i < 4; ++i) direct.run(i % 2);
                for (int i = 0; i < runs * 4; ++i) {
                    const double t0 = nowMs();
                    direct.run((i + 1) % 2);
                    switchDirect.push_back(nowMs() - t0);
                }
                for (int i = 0; i < runs * 4; ++i) {
                    const double t0 = nowMs();
                    direct.run((i + 1) % 2, true);
                    switchDirectAll.push_back(nowMs() - t0);
                }
            }
        }
        CoUninitialize();
    }
    // Where a switch's time goes: the library's open of the entry's endpoints (the
    // program opens the set again for each of the three device boxes), and one pass over
    // the wave mixer (its level text is read and applied on every switch).
    std::vector<double> openLib, mixerWalk;
    {
        HMODULE dll = LoadLibraryExW((bin + L"HavroVista.dll").c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
        auto open = dll ? reinterpret_cast<havro::PFN_OpenSoundCard>(
                              reinterpret_cast<void*>(GetProcAddress(dll, "OpenSoundCard")))
                        : nullptr;
        auto close = dll ? reinterpret_cast<havro::PFN_CloseSoundCard>(
                               reinterpret_cast<void*>(GetProcAddress(dll, "CloseSoundCard")))
                         : nullptr;
        const std::string play = ansi(getValue(L"PlaybackGuid 1"));
        const std::string mic = ansi(getValue(L"MicGuid 1"));
        const std::string line = ansi(getValue(L"LineInGuid 1"));
        if (open && close) {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            for (int i = 0; i < runs * 4; ++i) {
                const double t0 = nowMs();
                open(play.c_str(), mic.c_str(), line.c_str());
                openLib.push_back(nowMs() - t0);
            }
            close();
            CoUninitialize();
        }
        for (int i = 0; i < runs * 4; ++i) {
            const double t0 = nowMs();
            walkMixer();
            mixerWalk.push_back(nowMs() - t0);
        }
        if (dll) FreeLibrary(dll);
    }

    // The direct runs rewrote the stored levels in their own, equivalent form; let the
    // program store its own again.
    select(s.window, id::kPrgName, 1);
    select(s.window, id::kPrgName, 0);

    // WM_TIMER messages with nothing watched, then while a launched program runs.
    const LRESULT idle0 = timerState(s.window, 0);
    Sleep(seconds * 1000);
    const LRESULT idle1 = timerState(s.window, 0);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, L"Local\\TonekeepBenchSleeperStop");
    ResetEvent(stop);
    select(s.window, id::kPrgName, 1);
    SendMessageW(s.window, WM_COMMAND, MAKEWPARAM(id::kCmdLaunch, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(s.window, id::kCmdLaunch)));
    const bool watching = timerState(s.window, 1) == 1;
    Sleep(500);
    const LRESULT watch0 = timerState(s.window, 0);
    Sleep(seconds * 1000);
    const LRESULT watch1 = timerState(s.window, 0);
    SetEvent(stop);
    for (int i = 0; i < 100 && timerState(s.window, 1) == 1; ++i) Sleep(100);
    CloseHandle(stop);
    endTonekeep(s);
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);

    const double perMinute = 60.0 / seconds;
    std::printf("%d runs per figure (switches: %d), medians; wake-ups over %d s\n\n", runs,
                runs * 4, seconds);
    std::printf("%-34s %10s %10s %10s %8s\n", "", "Tonekeep", "yardstick", "ratio", "diff");
    row("start-up to visible window", median(startTk), median(startMin), "ms",
        "no slower than before");
    row("  vs minimal + endpoints + mixer", median(startTk), median(startAudio), "ms", "-");
    row("working set", memTk.workingSetMiB, memMin.workingSetMiB, "MiB", "<= +8 MiB", true);
    row("  vs minimal + endpoints + mixer", memTk.workingSetMiB, memAudio.workingSetMiB, "MiB", "-",
        true);
    row("profile switch", median(switchTk), median(switchDirect), "ms", "<= 10x");
    row("profile switch less message trip", median(switchTk) - median(roundTrip),
        median(switchDirect), "ms", "<= 10x");
    row("profile switch, window hidden", median(switchHidden), median(switchDirect), "ms", "<= 5x");
    row("  vs direct with the program's counts", median(switchTk), median(switchDirectAll), "ms",
        "-");
    std::printf("%-34s %10.2f %10s %10s %8s ms\n", "  (cross-process message trip)",
                median(roundTrip), "", "", "");
    std::printf("%-34s %10.2f %10s %10s %8s ms\n", "  (HavroVista OpenSoundCard)", median(openLib),
                "", "", "");
    std::printf("%-34s %10.2f %10s %10s %8s ms\n", "  (one pass over the wave mixer)",
                median(mixerWalk), "", "", "");
    std::printf("%-34s %10.1f %10s %10s %8s /min (goal 0)\n", "WM_TIMER idle",
                (idle1 - idle0) * perMinute, "", "", "");
    std::printf("%-34s %10.1f %10s %10s %8s /min (goal 30)%s\n", "WM_TIMER while watching",
                (watch1 - watch0) * perMinute, "", "", "",
                watching ? "" : "  -- the launch did not start the watch");
    return 0;
}
