// HavroVista.dll: the endpoint audio library's 41 exports.
//
// The program binds these by name at run time (LoadLibrary + GetProcAddress); the
// prototypes here give the exact signatures, and kHavroExportNames lists every name.
//
// Contract, once for all exports:
//   - Calling convention: __stdcall on Windows (HAVRO_API), undecorated names in both the
//     x86_64 and the i686 build.
//   - Integers and flags are 32-bit. A flag is on when nonzero; the program passes -1 for
//     on and 0 for off. Flags read back are 0 or 1.
//   - Strings are NUL-terminated ANSI text (the system code page). Output buffers are
//     owned by the caller and must hold at least 256 bytes; the library never writes
//     more than 255 bytes plus the terminator.
//   - Percent levels are whole numbers 0..100; tone levels are decibels (double).
//   - Every level export writes a status (LibraryStatus): 0 done, 1 control not found on
//     the open set, 2 system call failed, 3 no endpoint set open. SetMasterMute writes
//     the system's failure code (negative) instead of 2.
//   - Not thread-safe. Call from one thread that keeps COM initialised between calls;
//     the listing/opening exports initialise COM around their own work.
//   - Nothing is raised, shown or logged; outcomes travel in results and statuses.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define HAVRO_API __stdcall
#else
#define HAVRO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Device listing and opening.
int32_t HAVRO_API GetNumberPlayDevices(int32_t* count);
int32_t HAVRO_API GetNumberRecordDevices(int32_t* count);
int32_t HAVRO_API GetPlayBackDevice(int32_t index, char* name, char* id);
int32_t HAVRO_API GetRecordDevice(int32_t index, char* name, char* id);
int32_t HAVRO_API GetDeviceNames(char* playback, char* lineIn, char* microphone);
int32_t HAVRO_API OpenDefaultDevices(void);
int32_t HAVRO_API OpenSoundCard(const char* playbackId, const char* micId, const char* lineInId);
int32_t HAVRO_API CloseSoundCard(void);

// Percent levels.
int32_t HAVRO_API SetMasterVolume(int32_t percent, int32_t* status);
int32_t HAVRO_API GetMasterVolume(int32_t* status);
int32_t HAVRO_API SetLinePlayBack(int32_t percent, int32_t* status);
int32_t HAVRO_API GetLinePlayBack(int32_t* status);
int32_t HAVRO_API SetMicPlayBack(int32_t percent, int32_t* status);
int32_t HAVRO_API GetMicPlayBack(int32_t* status);
int32_t HAVRO_API SetMicRecordVolume(int32_t percent, int32_t* status);
int32_t HAVRO_API GetMicRecordVolume(int32_t* status);
int32_t HAVRO_API SetLineRecordVolume(int32_t percent, int32_t* status);
int32_t HAVRO_API GetLineRecordVolume(int32_t* status);

// Mutes and switches.
int32_t HAVRO_API SetMasterMute(int32_t flag, int32_t* status);
int32_t HAVRO_API GetMasterMute(int32_t* status);
int32_t HAVRO_API SetLinePlayBackMute(int32_t flag, int32_t* status);
int32_t HAVRO_API GetLinePlayBackMute(int32_t* status);
int32_t HAVRO_API SetMicPlayBackMute(int32_t flag, int32_t* status);
int32_t HAVRO_API GetMicPlayBackMute(int32_t* status);
int32_t HAVRO_API SetMicBoost(int32_t flag, int32_t* status);
int32_t HAVRO_API GetMicBoost(int32_t* status);
int32_t HAVRO_API SetNoMonitor(int32_t flag, int32_t* status);
int32_t HAVRO_API GetNoMonitor(int32_t* status);

// Tone (decibels).
int32_t HAVRO_API GetEQRange(double* minDb, double* maxDb, double* stepDb);
int32_t HAVRO_API SetBass(double db, int32_t* status);
int32_t HAVRO_API GetBass(double* db, int32_t* status);
int32_t HAVRO_API SetMidRange(double db, int32_t* status);
int32_t HAVRO_API GetMidRange(double* db, int32_t* status);
int32_t HAVRO_API SetTreble(double db, int32_t* status);
int32_t HAVRO_API GetTreble(double* db, int32_t* status);

// Second playback endpoint.
int32_t HAVRO_API OpenVirtual_1(const char* id);
int32_t HAVRO_API CloseVirtual_1(void);
int32_t HAVRO_API SetVirtualVolume(int32_t percent, int32_t* status);
int32_t HAVRO_API GetVirtualVolume(int32_t* status);
int32_t HAVRO_API SetVirtualMute(int32_t flag, int32_t* status);
int32_t HAVRO_API GetVirtualMute(int32_t* status);

#ifdef __cplusplus
}  // extern "C"

// Function pointer types for run-time binding, e.g.
//   auto fn = reinterpret_cast<havro::PFN_SetMasterVolume>(GetProcAddress(dll, "SetMasterVolume"));
namespace havro {
#define HAVRO_PFN(name) using PFN_##name = decltype(&::name)
HAVRO_PFN(GetNumberPlayDevices);
HAVRO_PFN(GetNumberRecordDevices);
HAVRO_PFN(GetPlayBackDevice);
HAVRO_PFN(GetRecordDevice);
HAVRO_PFN(GetDeviceNames);
HAVRO_PFN(OpenDefaultDevices);
HAVRO_PFN(OpenSoundCard);
HAVRO_PFN(CloseSoundCard);
HAVRO_PFN(SetMasterVolume);
HAVRO_PFN(GetMasterVolume);
HAVRO_PFN(SetLinePlayBack);
HAVRO_PFN(GetLinePlayBack);
HAVRO_PFN(SetMicPlayBack);
HAVRO_PFN(GetMicPlayBack);
HAVRO_PFN(SetMicRecordVolume);
HAVRO_PFN(GetMicRecordVolume);
HAVRO_PFN(SetLineRecordVolume);
HAVRO_PFN(GetLineRecordVolume);
HAVRO_PFN(SetMasterMute);
HAVRO_PFN(GetMasterMute);
HAVRO_PFN(SetLinePlayBackMute);
HAVRO_PFN(GetLinePlayBackMute);
HAVRO_PFN(SetMicPlayBackMute);
HAVRO_PFN(GetMicPlayBackMute);
HAVRO_PFN(SetMicBoost);
HAVRO_PFN(GetMicBoost);
HAVRO_PFN(SetNoMonitor);
HAVRO_PFN(GetNoMonitor);
HAVRO_PFN(GetEQRange);
HAVRO_PFN(SetBass);
HAVRO_PFN(GetBass);
HAVRO_PFN(SetMidRange);
HAVRO_PFN(GetMidRange);
HAVRO_PFN(SetTreble);
HAVRO_PFN(GetTreble);
HAVRO_PFN(OpenVirtual_1);
HAVRO_PFN(CloseVirtual_1);
HAVRO_PFN(SetVirtualVolume);
HAVRO_PFN(GetVirtualVolume);
HAVRO_PFN(SetVirtualMute);
HAVRO_PFN(GetVirtualMute);
#undef HAVRO_PFN
}  // namespace havro

// Every export name, in the order of the declarations above.
inline constexpr int kHavroExportCount = 41;
inline constexpr const char* kHavroExportNames[kHavroExportCount] = {
    "GetNumberPlayDevices",
    "GetNumberRecordDevices",
    "GetPlayBackDevice",
    "GetRecordDevice",
    "GetDeviceNames",
    "OpenDefaultDevices",
    "OpenSoundCard",
    "CloseSoundCard",
    "SetMasterVolume",
    "GetMasterVolume",
    "SetLinePlayBack",
    "GetLinePlayBack",
    "SetMicPlayBack",
    "GetMicPlayBack",
    "SetMicRecordVolume",
    "GetMicRecordVolume",
    "SetLineRecordVolume",
    "GetLineRecordVolume",
    "SetMasterMute",
    "GetMasterMute",
    "SetLinePlayBackMute",
    "GetLinePlayBackMute",
    "SetMicPlayBackMute",
    "GetMicPlayBackMute",
    "SetMicBoost",
    "GetMicBoost",
    "SetNoMonitor",
    "GetNoMonitor",
    "GetEQRange",
    "SetBass",
    "GetBass",
    "SetMidRange",
    "GetMidRange",
    "SetTreble",
    "GetTreble",
    "OpenVirtual_1",
    "CloseVirtual_1",
    "SetVirtualVolume",
    "GetVirtualVolume",
    "SetVirtualMute",
    "GetVirtualMute",
};
#endif  // __cplusplus
