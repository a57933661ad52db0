// Program-wide state shared by the main window and the level dialogs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tk {

struct Services;

// Asks the system shell to open `command` (a web address); says so in a message when
// the request cannot even be made.
void ExecuteCommand(Services& services, const std::string& command);

// Where discovery found a mixer control and what it held. Not-found entries carry
// -1 in every coordinate and in value; the boost and monitor entries use value 2
// for "not available".
struct MixerControlEntry {
    int16_t destination = 0;
    int16_t line = 0;
    int16_t control = 0;
    float value = 0;
    int16_t reserved = 0;
};

// Indices into Publics::MixerControls.
namespace mixerentry {
inline constexpr int kMicRecord = 0;
inline constexpr int kMicSelect = 1;
inline constexpr int kMicBoost = 2;
inline constexpr int kLineRecord = 3;
inline constexpr int kLineSelect = 4;
inline constexpr int kMaster = 5;
inline constexpr int kMasterMute = 6;
inline constexpr int kWave = 7;
inline constexpr int kWaveMute = 8;
inline constexpr int kMicPlay = 9;
inline constexpr int kMicPlayMute = 10;
inline constexpr int kLinePlay = 11;
inline constexpr int kLinePlayMute = 12;
inline constexpr int kMonitor = 13;
}  // namespace mixerentry

struct Publics {
    int OSMajor = 0;  // 6 or more: the endpoint path
    std::string CurPlayName;
    std::string CurLineInName;
    std::string CurMicName;
    bool SoundFormLoaded = false;
    bool VistaFormLoaded = false;
    bool OwnMixerChange = false;
    std::array<MixerControlEntry, 15> MixerControls{};

    bool endpointPath() const { return OSMajor >= 6; }
};

}  // namespace tk
