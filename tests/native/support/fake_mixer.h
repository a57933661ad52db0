// An in-memory wave mixer for the native tests: devices with destinations, lines
// with line codes and controls with names, types and values. It keeps the same
// position rules as the Windows mixer layer (app/win32/mixer_win.h):
//
//  * The lines of a destination are its source lines 0..n-1 followed by the
//    destination line itself at index n (line code 32, "master"), so LineCount is n+1.
//  * Setting the device resets destination, line and control to 0; setting the
//    destination resets line and control; setting the line makes its control 0
//    current.
//  * Side 1024 is the first destination with code 5 (else the first with sub-code 53),
//    side 1025 the first with code 8 (else sub-code 52).
//  * FindSwitch on the playback side uses the line's mute control; FindSwitch and
//    SetSwitch on the recording side the record source selector (a control with items,
//    each naming a source line code) on the destination line, and the state is that
//    item's value. The playback side of SetSwitch is never used.
//  * Coordinates out of range (the -1 of a not-found entry included) throw MixerError.
//  * A line without controls reads as name "" and type 0; reading or writing a value
//    there throws MixerError.
//
// Test hooks: any operation can be made to throw (failOn), writes are counted, and each
// raises controlChanged (at once, or queued until delivered).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/mixer.h"

namespace tk::test {

struct FakeMixerControl {
    std::string name;
    int16_t type = mixercode::kTypeVolume;
    int32_t minimum = 0;
    int32_t maximum = 65535;
    // One value per channel; for a selector one per item.
    std::vector<int32_t> values{0, 0};
    // For a record source selector: the line code each item stands for.
    std::vector<int16_t> itemLineCodes;
    std::vector<int32_t> applied;  // the values of the last write, as written

    bool isSelector() const { return !itemLineCodes.empty(); }
};

struct FakeMixerLine {
    int16_t lineCode = 0;
    int16_t channels = 2;
    std::vector<FakeMixerControl> controls;
};

struct FakeMixerDestination {
    int16_t code = mixercode::kDestPlayback;
    int16_t subCode = mixercode::kSubPlayback;
    std::vector<FakeMixerLine> sources;
    FakeMixerLine line{mixercode::kLineMaster, 2, {}};  // the destination line itself
};

struct FakeMixerDevice {
    std::string name;
    bool nameFails = false;  // reading its name throws, as a device that fails to open
    std::vector<FakeMixerDestination> destinations;
};

// Shorthands for building devices in tests.
FakeMixerControl fakeVolume(const std::string& name, int32_t value);
FakeMixerControl fakeSwitch(const std::string& name, int16_t type, int32_t value);
FakeMixerControl fakeSelector(const std::string& name, std::vector<int16_t> itemLineCodes,
                              std::vector<int32_t> values);
// A typical sound card: "Volume Control" (speakers: master volume and mute; wave,
// microphone and line-in volume and mute) and "Recording Control" (wave-in: a record
// source selector over microphone and line in; microphone volume with a boost switch
// "Mic Boost (+20dB)"; line-in volume with a monitor switch "Monitor").
FakeMixerDevice typicalSoundCard(const std::string& name = "SoundMAX Digital Audio");

class FakeMixer : public Mixer {
  public:
    std::vector<FakeMixerDevice> devices;

    std::set<std::string> failOn;  // operations (method names; "*": all) that throw
    int writes = 0;                // applied writes, of any kind
    std::map<std::string, int> calls;
    // Notifications wait, as posted window messages do, until delivered.
    bool queueNotifications = false;
    int queuedNotifications = 0;
    int deliverNotifications();  // returns how many

    // Changes a value as another program would and raises controlChanged.
    void changeFromOutside(int device, int destination, int line, int control, int channel,
                           int32_t value);
    FakeMixerControl& control(int device, int destination, int line, int control);

    int mixerCount() override { return enter("mixerCount"), static_cast<int>(devices.size()); }
    int16_t currentMixer() override { return enter("currentMixer"), device_; }
    void setCurrentMixer(int16_t device) override;
    std::string mixerName() override;
    int lineCount() override;
    int16_t currentLine() override { return enter("currentLine"), line_; }
    void setCurrentLine(int16_t line) override;
    int controlCount() override;
    int16_t currentControl() override { return enter("currentControl"), control_; }
    void setCurrentControl(int16_t control) override;
    int16_t currentDestination() override { return enter("currentDestination"), destination_; }
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

  private:
    void enter(const char* op);
    FakeMixerDevice& device();
    FakeMixerDestination& destination();
    FakeMixerLine& lineAt(FakeMixerDestination& dest, int index);
    FakeMixerLine& line();
    FakeMixerControl* currentControlOrNull();
    FakeMixerControl& requireControl();
    int sideDestination(int side);
    int destinationByCode(int code, int subCode);
    int lineIndexByCode(FakeMixerDestination& dest, int lineCode);
    bool moveToControl(int destination, int lineCode, int type);
    std::optional<std::pair<int, int>> findSelector(int side, int lineCode);
    void written() { ++writes, raise(); }
    void moveTo(int destination, int line, int control);
    void raise();

    int16_t device_ = 0;
    int16_t destination_ = 0;
    int16_t line_ = 0;
    int16_t control_ = 0;
    std::vector<int32_t> pending_;
};

}  // namespace tk::test
