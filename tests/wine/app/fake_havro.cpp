// A stand-in for HavroVista.dll with a handful of exports, for the binding's tests. It
// writes its strings in the system ANSI code page, as the real library does, and leaves
// buffers it has nothing for untouched.
#include <windows.h>

#include <cstdint>
#include <cstring>

extern "C" {

int32_t __stdcall GetNumberPlayDevices(int32_t* count) {
    *count = 2;
    return -1;
}

int32_t __stdcall GetPlayBackDevice(int32_t index, char* name, char* id) {
    if (index == 0) {
        std::strcpy(name, "Speakers");
        std::strcpy(id, "{0.0.0.00000000}.{6c1e5b8e-0000-4000-8000-000000000001}");
    } else if (index == 1) {
        std::strcpy(name, "Kopfh\xf6rer");  // "Kopfhörer" in code page 1252
    }
    return index < 2 ? -1 : 0;
}

// Names only the playback default; the other two buffers stay as they came.
int32_t __stdcall GetDeviceNames(char* playback, char*, char*) {
    std::strcpy(playback, "Speakers");
    return -1;
}

int32_t __stdcall OpenSoundCard(const char* playback, const char* mic, const char* lineIn) {
    // Reports how many of the three ids arrived in full.
    return (std::strlen(playback) > 0) + (std::strlen(mic) > 0) + (std::strlen(lineIn) > 0);
}

int32_t __stdcall SetMasterVolume(int32_t percent, int32_t* status) {
    *status = percent > 100 ? 2 : 0;
    return percent;
}

int32_t __stdcall GetBass(double* db, int32_t* status) {
    *db = -4.5;
    *status = 1;
    return 0;
}

}  // extern "C"
