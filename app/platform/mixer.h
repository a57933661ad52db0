// The wave-mixer control the program drives on the legacy path (and, for its level
// text, on both paths). It keeps a current position — device, destination, line,
// control — that every other operation acts on.
//
// Codes: side 1024 playback, 1025 recording; line 32 master, 31 wave, 28 microphone,
// 19 line in; destination 5 playback, 8 recording; destination sub-code 53 playback,
// 52 recording; control type 133 volume (0..65535), 453 mute, 454 on/off, 451 other
// switch.
//
// Operations that cannot do what is asked (no device, a position out of range) throw
// MixerError, as the outside control raised errors; the Find/Select operations
// instead return a non-zero result when they find nothing. Selecting the coordinates
// -1 of a not-found entry throws MixerError and changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace tk {

struct MixerError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

namespace mixercode {
inline constexpr int kSidePlayback = 1024;
inline constexpr int kSideRecording = 1025;
inline constexpr int kLineMaster = 32;
inline constexpr int kLineWave = 31;
inline constexpr int kLineMicrophone = 28;
inline constexpr int kLineLineIn = 19;
inline constexpr int kDestPlayback = 5;
inline constexpr int kDestRecording = 8;
inline constexpr int kSubPlayback = 53;
inline constexpr int kSubRecording = 52;
inline constexpr int kTypeVolume = 133;
inline constexpr int kTypeMute = 453;
inline constexpr int kTypeOnOff = 454;
inline constexpr int kTypeOtherSwitch = 451;
}  // namespace mixercode

struct MixerControlInfo {
    int16_t type = 0;  // control type code
    int16_t channels = 0;
    int16_t items = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
};

struct MixerLineInfo {
    int16_t lineCode = 0;
    int16_t channels = 0;
    int16_t connections = 0;
    int16_t controls = 0;
};

struct MixerDestinationInfo {
    int16_t code = 0;
    int16_t subCode = 0;
    int16_t channels = 0;
    int16_t lines = 0;
};

class Mixer {
  public:
    virtual ~Mixer() = default;

    virtual int mixerCount() = 0;
    virtual int16_t currentMixer() = 0;
    virtual void setCurrentMixer(int16_t device) = 0;
    virtual std::string mixerName() = 0;

    virtual int lineCount() = 0;  // lines of the current destination
    virtual int16_t currentLine() = 0;
    virtual void setCurrentLine(int16_t line) = 0;  // control 0 of that line becomes current
    virtual int controlCount() = 0;                 // controls of the current line
    virtual int16_t currentControl() = 0;
    virtual void setCurrentControl(int16_t control) = 0;
    virtual int16_t currentDestination() = 0;
    virtual void setCurrentDestination(int16_t destination) = 0;
    virtual std::string controlName() = 0;

    virtual MixerControlInfo getControlInfo() = 0;
    virtual MixerLineInfo getLineInfo() = 0;
    virtual MixerDestinationInfo getDestinationInfo() = 0;

    virtual int32_t controlValue(int16_t channel) = 0;
    virtual void setControlValue(int16_t channel, int32_t value) = 0;
    virtual void applyControl() = 0;

    // 0 when found (and made current); left/right receive the volume as percent.
    virtual int findVolume(int side, int lineCode, float* left = nullptr,
                           float* right = nullptr) = 0;
    // 0 when found (and made current); state receives the switch state 0/1.
    virtual int findSwitch(int side, int lineCode, int16_t* state = nullptr) = 0;
    virtual int setSwitch(int side, int lineCode, int value) = 0;
    virtual int selectDestination(int destinationCode, int subCode) = 0;
    virtual int selectLine(int destinationCode, int subCode, int lineCode, int reserved) = 0;
    virtual int selectControl(int destinationCode, int subCode, int lineCode, int lineCode2,
                              int typeCode) = 0;

    // The level text of the current device: every level of it in one line of text.
    virtual std::string getLevelState(int16_t reserved) = 0;
    // Applies such a text to the current device. A text that is not one this device
    // gave (empty, corrupted, from another device) is rejected — returns false — and
    // changes no level.
    virtual bool setLevelState(const std::string& text) = 0;

    // Raised when a control value of the current device changes, by the program's
    // own writes too. Raised on the user-interface thread.
    std::function<void()> controlChanged;
};

}  // namespace tk
