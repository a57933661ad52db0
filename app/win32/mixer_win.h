// The wave-mixer control over the winmm mixer API (mixerOpen, mixerGetLineInfoW,
// mixerGetLineControlsW, mixerGet/SetControlDetails). Used on the user-interface
// thread only.
//
// Positions. The current device is opened on first use (device 0) or by
// setCurrentMixer, which also makes destination 0, line 0, control 0 current. The
// lines of a destination are its source lines 0..n-1 (in the driver's order) followed
// by the destination line itself at index n, so LineCount is n+1 and a destination
// without sources has the one line 0. Setting the destination makes its line 0 and
// control 0 current; setting the line makes its control 0 current. Coordinates out of
// range — the -1 of a not-found entry among them — throw MixerError and change
// nothing; the forms treat that as a quiet failure.
//
// Codes.
//   destination code  component type - MIXERLINE_COMPONENTTYPE_DST_FIRST + 1
//                     (5 speakers, 8 wave in, 6 headphones, 3 line out, 9 voice in...)
//   sub-code          52 for the recording destinations (wave in, voice in), else 53
//   line code         32 the destination line itself, 31 SRC_WAVEOUT,
//                     28 SRC_MICROPHONE, 19 SRC_LINE; other sources 40 + their offset
//                     from MIXERLINE_COMPONENTTYPE_SRC_FIRST
//   control type      133 VOLUME, 453 MUTE, 454 ONOFF, 451 any other switch-class
//                     control (BOOLEAN, LOUDNESS, STEREOENH, BASS_BOOST, BUTTON); 0 for
//                     every other control
//   side              1024: the speakers destination, else the first playback one;
//                     1025: the wave-in destination, else the first recording one
//
// Values. ControlValue/SetControlValue take a channel; a uniform control reads the same
// on every channel, and for a control with several items (a record source selector,
// MUX or MIXER) the "channel" is the item. SetControlValue stages the value;
// ApplyControl writes the staged values of the current control at once (a switch
// takes any non-zero value as on; values are kept within the control's range).
// Moving to another control drops staged values.
//
// FindVolume/FindSwitch/SelectControl make the found control current and return 0, or
// return 1 and leave the position as it was. On the recording side FindSwitch and
// SetSwitch act on the selector item of the source line (state = that item), on the
// playback side on the line's mute control. SelectDestination and SelectLine match
// the destination code first and the sub-code only when no destination has that code.
// A line whose controls are missing reads as name "" and type 0.
//
// The level text (mixer_level_text.h) holds every settable control (fader, number,
// slider, switch and list classes, not disabled ones) of every line of the device.
//
// controlChanged is raised from the window procedure of a message-only window that
// receives the driver's MM_MIXM_CONTROL_CHANGE and MM_MIXM_LINE_CHANGE messages, so it
// runs on the user-interface thread, after the write that caused it has returned.
// Every write of this object announces itself the same way, since not every driver
// reports a process's own writes (Wine reports none). Notifications that follow each
// other within 60 ms are raised once: one write gives one controlChanged whether the
// driver reports it or not, which is what lets the legacy dialog tell its own writes
// (one flag per write) from changes made outside.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "modules/mixer_level_text.h"
#include "platform/mixer.h"

namespace tk::win {

class WinmmMixer : public Mixer {
  public:
    WinmmMixer();
    ~WinmmMixer() override;
    WinmmMixer(const WinmmMixer&) = delete;
    WinmmMixer& operator=(const WinmmMixer&) = delete;

    int mixerCount() override;
    int16_t currentMixer() override;
    void setCurrentMixer(int16_t device) override;
    std::string mixerName() override;
    int lineCount() override;
    int16_t currentLine() override;
    void setCurrentLine(int16_t line) override;
    int controlCount() override;
    int16_t currentControl() override;
    void setCurrentControl(int16_t control) override;
    int16_t currentDestination() override;
    void setCurrentDestination(int16_t destination) override;
    std::string controlName() override;
    MixerControlInfo getControlInfo() override;
    MixerLineInfo getLineInfo() override;
    MixerDestinationInfo getDestinationInfo() override;
    int32_t controlValue(int16_t channel) override;
    void setControlValue(int16_t channel, int32_t value) override;
    void applyControl() override;
    int findVolume(int side, int lineCode, float* left = nullptr, float* right = nullptr) override;
    int findSwitch(int side, int lineCode, int16_t* state = nullptr) override;
    int setSwitch(int side, int lineCode, int value) override;
    int selectDestination(int destinationCode, int subCode) override;
    int selectLine(int destinationCode, int subCode, int lineCode, int reserved) override;
    int selectControl(int destinationCode, int subCode, int lineCode, int lineCode2,
                      int typeCode) override;
    std::string getLevelState(int16_t reserved) override;
    bool setLevelState(const std::string& text) override;

    // The message-only window that receives the driver's notifications.
    HWND notifyWindow() const { return window_; }

    // Translation of winmm's codes (exposed for tests).
    static int16_t typeCode(DWORD controlType);
    static int16_t lineCode(DWORD componentType, bool destinationLine);
    static int16_t destinationCode(DWORD componentType);
    static int16_t destinationSubCode(DWORD componentType);

  private:
    struct Control {
        MIXERCONTROLW info{};
        int16_t type = 0;
        int channels = 1;  // channels read and written at once
        int items = 0;     // items of a selector
        int32_t minimum = 0, maximum = 0;
        bool settable = false;
        std::vector<int16_t> itemLineCodes;  // selector items: the source lines
        // Values read or written at once: one per channel, and per item of a selector.
        std::size_t valueCount() const {
            return static_cast<std::size_t>(channels) *
                   static_cast<std::size_t>(items > 0 ? items : 1);
        }
    };
    struct Line {
        MIXERLINEW info{};
        int16_t code = 0;
        std::vector<Control> controls;
    };
    struct Destination {
        int16_t code = 0, subCode = 0;
        std::vector<Line> lines;  // sources, then the destination line itself
        Line& self() { return lines.back(); }
    };

    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
    void open(int device);
    void close();
    void ensureOpen();
    void loadLayout();
    HMIXEROBJ object() const { return reinterpret_cast<HMIXEROBJ>(handle_); }

    Destination& destination();
    Line& line();
    Control* currentControlOrNull();
    Control& requireControl();
    std::vector<int32_t> readValues(const Control& c);
    void writeValues(const Control& c, std::vector<int32_t> values);
    void moveTo(int destination, int line, int control);

    int sideDestination(int side);
    int destinationByCode(int code, int subCode);
    int lineIndexByCode(Destination& d, int code);
    int controlIndexByType(Line& l, int type);
    bool findSelector(int side, int lineCode, int* dest, int* line, int* control, int* item);
    bool findMute(int side, int lineCode, int* dest, int* line, int* control);
    leveltext::DeviceLevels levels(bool withValues);

    HWND window_ = nullptr;
    HMIXER handle_ = nullptr;
    int device_ = 0;
    std::string deviceName_;
    std::vector<Destination> destinations_;
    int destination_ = 0, line_ = 0, control_ = 0;
    std::vector<int32_t> pending_;
};

// The name the program's start-up uses.
using WinMixer = WinmmMixer;

}  // namespace tk::win
