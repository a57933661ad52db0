// An in-memory wave mixer: devices with destinations, lines with line codes, and
// controls with names, types and values, kept by the position rules of the Windows
// mixer layer (app/win32/mixer_win.h):
//  * A destination's lines are its sources 0..n-1 and then the destination line itself
//    (line code "master"); setting a device, destination or line resets what lies below.
//  * The playback side is the first destination with the playback code (else sub-code),
//    the recording side likewise.
//  * A switch on the playback side is the line's mute control; on the recording side
//    it is the item of the record source selector on the destination line.
//  * Positions out of range, and values of a line without controls, throw MixerError.
// Any operation can be made to throw (failOn); writes are counted and raise
// controlChanged (at once, or queued until delivered).
#pragma once

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
// A typical card: playback master, wave, microphone and line-in, each with volume and
// mute; recording with a source selector over microphone (with a boost switch) and line
// in (with a monitor switch).
FakeMixerDevice typicalSoundCard(const std::string& name = "SoundMAX Digital Audio");

class FakeMixer : public Mixer {
  public:
    std::vector<FakeMixerDevice> devices;

    std::set<std::string> failOn;  // operations (method names; "*": all) that throw
    int writes = 0;                // applied writes, of any kind
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
