// HavroVista.dll's 41 exports: argument marshalling onto the one module-wide Library.
// Names and calling convention are fixed by havro_vista.h and HavroVista.def.
#include <windows.h>

#include <cstdint>

#include "core/library.h"
#include "coreaudio/core_audio_system.h"
#include "havro_vista.h"

namespace {

// Created on first use and never destroyed: nothing of COM may run while the DLL unloads
// (under the loader lock, possibly after COM is gone), so the kept interfaces are left to
// the process's end.
havro::Library& TheLibrary() {
    static havro::Library* library = new havro::Library(*new havro::coreaudio::CoreAudioSystem);
    return *library;
}

// No C++ exception may cross the C boundary; the only ones possible here are allocation
// failures, which are reported as the export's failure value.
template <class F>
int32_t Guard(int32_t failure, F&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return failure;
    }
}

template <class F>
int32_t GuardStatus(int32_t* status, F&& call) noexcept {
    try {
        return call();
    } catch (...) {
        if (status != nullptr) *status = 2;
        return 0;
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

extern "C" {

int32_t HAVRO_API GetNumberPlayDevices(int32_t* count) {
    return Guard(1, [&] { return TheLibrary().GetNumberPlayDevices(count); });
}
int32_t HAVRO_API GetNumberRecordDevices(int32_t* count) {
    return Guard(1, [&] { return TheLibrary().GetNumberRecordDevices(count); });
}
int32_t HAVRO_API GetPlayBackDevice(int32_t index, char* name, char* id) {
    return Guard(-1, [&] { return TheLibrary().GetPlayBackDevice(index, name, id); });
}
int32_t HAVRO_API GetRecordDevice(int32_t index, char* name, char* id) {
    return Guard(-1, [&] { return TheLibrary().GetRecordDevice(index, name, id); });
}
int32_t HAVRO_API GetDeviceNames(char* playback, char* lineIn, char* microphone) {
    return Guard(0, [&] { return TheLibrary().GetDeviceNames(playback, lineIn, microphone); });
}
int32_t HAVRO_API OpenDefaultDevices(void) {
    return Guard(1, [&] { return TheLibrary().OpenDefaultDevices(); });
}
int32_t HAVRO_API OpenSoundCard(const char* playbackId, const char* micId, const char* lineInId) {
    return Guard(4, [&] { return TheLibrary().OpenSoundCard(playbackId, micId, lineInId); });
}
int32_t HAVRO_API CloseSoundCard(void) {
    return Guard(0, [&] { return TheLibrary().CloseSoundCard(); });
}

#define HAVRO_SET(name)                                                               \
    int32_t HAVRO_API name(int32_t value, int32_t* status) {                          \
        return GuardStatus(status, [&] { return TheLibrary().name(value, status); }); \
    }
#define HAVRO_GET(name)                                                        \
    int32_t HAVRO_API name(int32_t* status) {                                  \
        return GuardStatus(status, [&] { return TheLibrary().name(status); }); \
    }

HAVRO_SET(SetMasterVolume)
HAVRO_GET(GetMasterVolume)
HAVRO_SET(SetLinePlayBack)
HAVRO_GET(GetLinePlayBack)
HAVRO_SET(SetMicPlayBack)
HAVRO_GET(GetMicPlayBack)
HAVRO_SET(SetMicRecordVolume)
HAVRO_GET(GetMicRecordVolume)
HAVRO_SET(SetLineRecordVolume)
HAVRO_GET(GetLineRecordVolume)
HAVRO_SET(SetMasterMute)
HAVRO_GET(GetMasterMute)
HAVRO_SET(SetLinePlayBackMute)
HAVRO_GET(GetLinePlayBackMute)
HAVRO_SET(SetMicPlayBackMute)
HAVRO_GET(GetMicPlayBackMute)
HAVRO_SET(SetMicBoost)
HAVRO_GET(GetMicBoost)
HAVRO_SET(SetNoMonitor)
HAVRO_GET(GetNoMonitor)
HAVRO_SET(SetVirtualVolume)
HAVRO_GET(GetVirtualVolume)
HAVRO_SET(SetVirtualMute)
HAVRO_GET(GetVirtualMute)

int32_t HAVRO_API GetEQRange(double* minDb, double* maxDb, double* stepDb) {
    return Guard(2, [&] { return TheLibrary().GetEQRange(minDb, maxDb, stepDb); });
}

#define HAVRO_TONE(setName, getName)                                                  \
    int32_t HAVRO_API setName(double db, int32_t* status) {                           \
        return GuardStatus(status, [&] { return TheLibrary().setName(db, status); }); \
    }                                                                                 \
    int32_t HAVRO_API getName(double* db, int32_t* status) {                          \
        return GuardStatus(status, [&] { return TheLibrary().getName(db, status); }); \
    }

HAVRO_TONE(SetBass, GetBass)
HAVRO_TONE(SetMidRange, GetMidRange)
HAVRO_TONE(SetTreble, GetTreble)

int32_t HAVRO_API OpenVirtual_1(const char* id) {
    return Guard(1, [&] { return TheLibrary().OpenVirtual_1(id); });
}
int32_t HAVRO_API CloseVirtual_1(void) {
    return Guard(0, [&] { return TheLibrary().CloseVirtual_1(); });
}

}  // extern "C"
