// The yardstick for start-up time and working set: the least a Win32 program with one
// visible top-level window does. Closing the window ends it.
//
// Built a second time with TK_WITH_AUDIO: before its window shows it also lists the
// audio endpoints with their names and opens the first wave mixer, the audio work any
// program of Tonekeep's kind does at start-up.
#include <windows.h>

#if TK_WITH_AUDIO
#include <objbase.h>
#include <mmdeviceapi.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <mmsystem.h>

#include <initializer_list>
#endif

namespace {
LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
#if TK_WITH_AUDIO
void touchAudio() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IMMDeviceEnumerator* enumerator = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IMMDeviceEnumerator),
                                   reinterpret_cast<void**>(&enumerator)))) {
        for (EDataFlow flow : {eRender, eCapture}) {
            IMMDeviceCollection* list = nullptr;
            UINT count = 0;
            if (FAILED(enumerator->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, &list))) continue;
            list->GetCount(&count);
            for (UINT i = 0; i < count; ++i) {
                IMMDevice* device = nullptr;
                if (FAILED(list->Item(i, &device))) continue;
                IPropertyStore* props = nullptr;
                PROPVARIANT name;
                PropVariantInit(&name);
                if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, &props))) {
                    props->GetValue(PKEY_Device_FriendlyName, &name);
                    props->Release();
                }
                PropVariantClear(&name);
                device->Release();
            }
            list->Release();
        }
        enumerator->Release();
    }
    HMIXER mixer = nullptr;
    if (mixerGetNumDevs() > 0 &&
        mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) == MMSYSERR_NOERROR)
        mixerClose(mixer);
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TonekeepBenchMinimalWindow";
#if TK_WITH_AUDIO
    touchAudio();
#endif
    if (!RegisterClassW(&wc)) return 1;
    HWND hwnd =
        CreateWindowW(wc.lpszClassName, L"Minimal window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
