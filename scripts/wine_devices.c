/* Lists the sound devices Wine offers, one per line: "render<TAB>name" and
 * "capture<TAB>name" for the active Core Audio endpoints, "mixer<TAB>name" for the wave
 * mixer devices. scripts/env.sh builds it with mingw-w64 and checks that the harness's
 * devices are there before any Wine test runs. Exit code 0 also when nothing is found;
 * 2 when Core Audio itself cannot be reached. */
#define COBJMACROS
#include <windows.h>
#include <mmdeviceapi.h>
#include <mmsystem.h>
#include <propsys.h>
#include <stdio.h>

/* The values Windows uses. */
static const GUID kClsidEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
static const GUID kIidEnumerator = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
static const PROPERTYKEY kFriendlyName = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

static void printName(const char* kind, const wchar_t* name) {
    char utf8[512];
    if (!WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8, NULL, NULL)) return;
    printf("%s\t%s\n", kind, utf8);
}

static int listEndpoints(IMMDeviceEnumerator* e, EDataFlow flow, const char* kind) {
    IMMDeviceCollection* all = NULL;
    UINT count = 0, i;
    if (FAILED(IMMDeviceEnumerator_EnumAudioEndpoints(e, flow, DEVICE_STATE_ACTIVE, &all)))
        return 0;
    IMMDeviceCollection_GetCount(all, &count);
    for (i = 0; i < count; ++i) {
        IMMDevice* device = NULL;
        IPropertyStore* props = NULL;
        PROPVARIANT value;
        if (FAILED(IMMDeviceCollection_Item(all, i, &device))) continue;
        PropVariantInit(&value);
        if (SUCCEEDED(IMMDevice_OpenPropertyStore(device, STGM_READ, &props))) {
            if (SUCCEEDED(IPropertyStore_GetValue(props, &kFriendlyName, &value)) &&
                value.vt == VT_LPWSTR)
                printName(kind, value.pwszVal);
            PropVariantClear(&value);
            IPropertyStore_Release(props);
        }
        IMMDevice_Release(device);
    }
    IMMDeviceCollection_Release(all);
    return 1;
}

int main(void) {
    IMMDeviceEnumerator* e = NULL;
    UINT mixers = mixerGetNumDevs(), m;
    int rc = 0;
    for (m = 0; m < mixers; ++m) {
        MIXERCAPSW caps;
        if (mixerGetDevCapsW(m, &caps, sizeof caps) == MMSYSERR_NOERROR)
            printName("mixer", caps.szPname);
    }
    CoInitialize(NULL);
    if (SUCCEEDED(CoCreateInstance(&kClsidEnumerator, NULL, CLSCTX_ALL, &kIidEnumerator,
                                   (void**)&e))) {
        listEndpoints(e, eRender, "render");
        listEndpoints(e, eCapture, "capture");
        IMMDeviceEnumerator_Release(e);
    } else {
        rc = 2;
    }
    CoUninitialize();
    fflush(stdout);
    return rc;
}
