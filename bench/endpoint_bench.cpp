// Cost of each HavroVista level export against the raw Core Audio calls it wraps, measured
// in one run on the same endpoints. Prints a table; it is a benchmark, not a test.
// Run under Wine by bench/run_endpoint_bench.sh (or on Windows as it is).
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include <cstdio>
#include <functional>
#include <string>

#include "havro_vista.h"

namespace {

constexpr int kIterations = 20000;

template <class T>
T Bind(HMODULE dll, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

double NanosPerCall(const std::function<void()>& body) {
    LARGE_INTEGER freq, start, stop;
    QueryPerformanceFrequency(&freq);
    for (int i = 0; i < 200; ++i) body();  // warm up
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kIterations; ++i) body();
    QueryPerformanceCounter(&stop);
    return 1e9 * static_cast<double>(stop.QuadPart - start.QuadPart) /
           static_cast<double>(freq.QuadPart) / kIterations;
}

std::string Fragment(const char* id) {
    const std::string s(id);
    const size_t at = s.find("}.{");
    return at == std::string::npos ? s : s.substr(at + 2);
}

IAudioEndpointVolume* RawVolume(const char* ansiId) {
    const std::string narrow(ansiId);
    const std::wstring id(narrow.begin(), narrow.end());
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    IAudioEndpointVolume* volume = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IMMDeviceEnumerator),
                                   reinterpret_cast<void**>(&enumerator)))) {
        if (SUCCEEDED(enumerator->GetDevice(id.c_str(), &device))) {
            device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                             reinterpret_cast<void**>(&volume));
            device->Release();
        }
        enumerator->Release();
    }
    return volume;
}

void Row(const char* name, double exportNs, double rawNs) {
    if (rawNs > 0) {
        std::printf("%-22s %10.1f %10.1f %8.2f\n", name, exportNs, rawNs, exportNs / rawNs);
    } else {
        std::printf("%-22s %10.1f %10s %8s\n", name, exportNs, "-", "-");
    }
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dllPath(path);
    dllPath = dllPath.substr(0, dllPath.find_last_of(L"\\/") + 1) + L"HavroVista.dll";
    HMODULE dll = LoadLibraryExW(dllPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (dll == nullptr) {
        std::fprintf(stderr, "HavroVista.dll not found next to the benchmark\n");
        return 1;
    }
    auto getPlay = Bind<havro::PFN_GetPlayBackDevice>(dll, "GetPlayBackDevice");
    auto getRec = Bind<havro::PFN_GetRecordDevice>(dll, "GetRecordDevice");
    auto open = Bind<havro::PFN_OpenSoundCard>(dll, "OpenSoundCard");
    auto openVirtual = Bind<havro::PFN_OpenVirtual_1>(dll, "OpenVirtual_1");
    char playName[256] = {}, playId[256] = {}, recName[256] = {}, recId[256] = {};
    if (getPlay(0, playName, playId) != 0 || getRec(0, recName, recId) != 0) {
        std::fprintf(stderr, "no playback or capture endpoint\n");
        return 1;
    }
    const std::string play = Fragment(playId), rec = Fragment(recId);
    const int32_t openResult = open(play.c_str(), rec.c_str(), rec.c_str());
    openVirtual(play.c_str());
    std::printf("endpoints: \"%s\" / \"%s\" (OpenSoundCard %d)\n", playName, recName, openResult);

    IAudioEndpointVolume* rawPlay = RawVolume(playId);
    IAudioEndpointVolume* rawRec = RawVolume(recId);
    if (rawPlay == nullptr || rawRec == nullptr) {
        std::fprintf(stderr, "no raw endpoint volume\n");
        return 1;
    }
    UINT channels = 0;
    const bool perChannel = SUCCEEDED(rawPlay->GetChannelCount(&channels));
    std::printf("per-channel levels: %s, %d iterations per figure\n\n",
                perChannel ? "yes" : "no (master level used)", kIterations);
    std::printf("%-22s %10s %10s %8s\n", "export", "ns/call", "raw ns", "ratio");

    int32_t status = 0;
    int toggle = 0;
    float mn, mx, st, level;
    BOOL muted;
    // The raw sequences are the calls each export makes on this system.
    auto rawSetChannels = [&](IAudioEndpointVolume* v) {
        v->GetVolumeRange(&mn, &mx, &st);
        UINT n = 0;
        if (FAILED(v->GetChannelCount(&n))) {
            v->SetMasterVolumeLevel(mx - 6.0f, nullptr);
            return;
        }
        for (UINT c = 0; c < n; ++c) v->SetChannelVolumeLevel(c, mx - 6.0f, nullptr);
    };
    auto rawGetChannel0 = [&](IAudioEndpointVolume* v) {
        v->GetVolumeRange(&mn, &mx, &st);
        if (FAILED(v->GetChannelVolumeLevel(0, &level))) v->GetMasterVolumeLevel(&level);
    };
    auto rawSetMaster = [&](IAudioEndpointVolume* v) {
        v->GetVolumeRange(&mn, &mx, &st);
        v->SetMasterVolumeLevel(mx - 6.0f, nullptr);
    };
    auto rawGetMaster = [&](IAudioEndpointVolume* v) {
        v->GetVolumeRange(&mn, &mx, &st);
        v->GetMasterVolumeLevel(&level);
    };

    struct PercentPair {
        const char* set;
        const char* get;
        IAudioEndpointVolume* raw;
        bool channels;
    } percent[] = {
        {"SetMasterVolume", "GetMasterVolume", rawPlay, true},
        {"SetMicRecordVolume", "GetMicRecordVolume", rawRec, false},
        {"SetLineRecordVolume", "GetLineRecordVolume", rawRec, false},
        {"SetVirtualVolume", "GetVirtualVolume", rawPlay, true},
        {"SetLinePlayBack", "GetLinePlayBack", nullptr, false},
        {"SetMicPlayBack", "GetMicPlayBack", nullptr, false},
    };
    for (const PercentPair& p : percent) {
        auto set = Bind<havro::PFN_SetMasterVolume>(dll, p.set);
        auto get = Bind<havro::PFN_GetMasterVolume>(dll, p.get);
        const double setNs = NanosPerCall([&] { set(50, &status); });
        const double setRaw = p.raw == nullptr ? 0 : NanosPerCall([&] {
            p.channels ? rawSetChannels(p.raw) : rawSetMaster(p.raw);
        });
        Row(p.set, setNs, setRaw);
        const double getNs = NanosPerCall([&] { get(&status); });
        const double getRaw = p.raw == nullptr ? 0 : NanosPerCall([&] {
            p.channels ? rawGetChannel0(p.raw) : rawGetMaster(p.raw);
        });
        Row(p.get, getNs, getRaw);
    }

    struct FlagPair {
        const char* set;
        const char* get;
        IAudioEndpointVolume* raw;
    } flags[] = {
        {"SetMasterMute", "GetMasterMute", rawPlay},
        {"SetVirtualMute", "GetVirtualMute", rawPlay},
        {"SetLinePlayBackMute", "GetLinePlayBackMute", nullptr},
        {"SetMicPlayBackMute", "GetMicPlayBackMute", nullptr},
        {"SetMicBoost", "GetMicBoost", nullptr},
        {"SetNoMonitor", "GetNoMonitor", nullptr},
    };
    for (const FlagPair& f : flags) {
        auto set = Bind<havro::PFN_SetMasterMute>(dll, f.set);
        auto get = Bind<havro::PFN_GetMasterMute>(dll, f.get);
        const double setNs = NanosPerCall([&] { set((toggle ^= 1) ? -1 : 0, &status); });
        const double setRaw = f.raw == nullptr ? 0 : NanosPerCall([&] {
            f.raw->SetMute((toggle ^= 1) ? TRUE : FALSE, nullptr);
        });
        Row(f.set, setNs, setRaw);
        const double getNs = NanosPerCall([&] { get(&status); });
        const double getRaw = f.raw == nullptr ? 0 : NanosPerCall([&] { f.raw->GetMute(&muted); });
        Row(f.get, getNs, getRaw);
    }
    for (const char* name : {"SetBass", "SetMidRange", "SetTreble"}) {
        auto set = Bind<havro::PFN_SetBass>(dll, name);
        Row(name, NanosPerCall([&] { set(-3.0, &status); }), 0);
    }
    std::printf(
        "\n\"-\": no such control on these endpoints (status 1 path); raw = the Core "
        "Audio calls the export makes, through the same interfaces.\n");
    rawPlay->Release();
    rawRec->Release();
    CoUninitialize();
    return 0;
}
