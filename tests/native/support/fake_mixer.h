// An in-memory wave mixer over scripted devices, kept by the position rules of the Windows
// mixer layer (app/win32/mixer_win.h): a destination's lines are its sources, then the
// destination line itself (line code "master"); a side's destination is the one with its
// code; a playback switch is a mute, a recording switch the item of the record source
// selector. A position that does not exist throws MixerError, and so does every operation
// named in failOn ("*": all). Applied writes are counted and raise controlChanged at once.
// The info structures carry only the codes the program reads.
#pragma once

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/mixer.h"

namespace tk::test {

using namespace mixercode;

struct FakeMixerControl {
    std::string name;
    int16_t type = kTypeVolume;
    int32_t minimum = 0, maximum = 65535;
    std::vector<int32_t> values{0, 0};  // one per channel; for a selector one per item
    std::vector<int16_t> items;         // a record source selector: each item's line code
};

struct FakeMixerLine {
    int16_t lineCode = kLineMaster;
    std::vector<FakeMixerControl> controls;
};

struct FakeMixerDestination {
    int16_t code = kDestPlayback;  // the sub-code follows from it
    std::vector<FakeMixerLine> sources;
    FakeMixerLine line;  // the destination line itself
};

struct FakeMixerDevice {
    std::string name;
    bool nameFails = false;  // its name cannot be read, as of a device that fails to open
    std::vector<FakeMixerDestination> destinations;
};

inline FakeMixerControl fakeVolume(std::string name, int32_t value) {
    return {std::move(name), kTypeVolume, 0, 65535, {value, value}, {}};
}
inline FakeMixerControl fakeSwitch(std::string name, int16_t type, int32_t on) {
    return {std::move(name), type, 0, 1, {on}, {}};
}

// Playback: wave, microphone and line in, then master (off balance), each a volume and a
// mute; recording: microphone (with a boost) and line in (with a monitor), then the record
// source selector.
FakeMixerDevice typicalSoundCard(const std::string& name = "SoundMAX Digital Audio");

template <typename List>
int sizeOf(const List& list) {
    return static_cast<int>(list.size());
}
template <typename List>
auto& at(List& list, int i) {
    if (i < 0 || i >= sizeOf(list)) throw MixerError("fake mixer: no such position");
    return list[i];
}
template <typename List>
int16_t existing(List& list, int i) {
    return at(list, i), static_cast<int16_t>(i);
}
inline FakeMixerLine& lineOf(FakeMixerDestination& d, int i) {
    return i == sizeOf(d.sources) ? d.line : at(d.sources, i);
}

class FakeMixer : public Mixer {
  public:
    std::vector<FakeMixerDevice> devices;
    std::set<std::string> failOn;
    int writes = 0;                  // applied writes of any kind
    std::vector<int32_t> lastWrite;  // what the last applyControl got, channel by channel

    FakeMixerControl& control(int dev, int dest, int line, int ctl) {
        return at(lineOf(at(at(devices, dev).destinations, dest), line).controls, ctl);
    }
    // Another program changes a value.
    void changeFromOutside(int dev, int dest, int line, int ctl, int channel, int32_t value) {
        at(control(dev, dest, line, ctl).values, channel) = value;
        if (controlChanged) controlChanged();
    }

    int mixerCount() override { return enter("mixerCount"), sizeOf(devices); }
    int16_t currentMixer() override { return enter("currentMixer"), device_; }
    void setCurrentMixer(int16_t d) override {
        enter("setCurrentMixer");
        device_ = existing(devices, d);
        moveTo(0, 0, 0);
    }
    std::string mixerName() override;
    int16_t currentDestination() override { return enter("currentDestination"), destination_; }
    void setCurrentDestination(int16_t d) override {
        enter("setCurrentDestination"), moveTo(existing(device().destinations, d), 0, 0);
    }
    int lineCount() override { return enter("lineCount"), sizeOf(destination().sources) + 1; }
    int16_t currentLine() override { return enter("currentLine"), line_; }
    void setCurrentLine(int16_t l) override {
        enter("setCurrentLine"), lineOf(destination(), l);
        moveTo(destination_, l, 0);
    }
    int controlCount() override { return enter("controlCount"), sizeOf(line().controls); }
    int16_t currentControl() override { return enter("currentControl"), control_; }
    void setCurrentControl(int16_t c) override {
        enter("setCurrentControl"), moveTo(destination_, line_, existing(line().controls, c));
    }
    std::string controlName() override { return enter("controlName"), current().name; }
    MixerControlInfo getControlInfo() override {
        return enter("getControlInfo"), MixerControlInfo{current().type};
    }
    MixerLineInfo getLineInfo() override {
        return enter("getLineInfo"), MixerLineInfo{line().lineCode};
    }
    MixerDestinationInfo getDestinationInfo() override {
        const int16_t code = (enter("getDestinationInfo"), destination().code);
        const int16_t sub = code == kDestRecording ? kSubRecording : kSubPlayback;
        return {code, sub};
    }
    int32_t controlValue(int16_t channel) override {
        return enter("controlValue"), at(current().values, channel);
    }
    void setControlValue(int16_t channel, int32_t value) override;
    void applyControl() override;
    int findVolume(int side, int lineCode, float*, float*) override {  // the percents unfilled
        return enter("findVolume"), locate(codeOf(side), lineCode, kTypeVolume) ? 0 : 1;
    }
    int findSwitch(int side, int lineCode, int16_t* state) override;
    int setSwitch(int side, int lineCode, int value) override;
    int selectDestination(int code, int) override;
    int selectLine(int code, int, int lineCode, int) override;
    int selectControl(int code, int, int lineCode, int, int type) override {
        return enter("selectControl"), locate(code, lineCode, type) ? 0 : 1;
    }
    std::string getLevelState(int16_t) override;
    bool setLevelState(const std::string& text) override;

  private:
    void enter(const char* op);
    FakeMixerDevice& device() { return at(devices, device_); }
    FakeMixerDestination& destination() { return at(device().destinations, destination_); }
    FakeMixerLine& line() { return lineOf(destination(), line_); }
    FakeMixerControl& current() { return at(line().controls, control_); }
    void moveTo(int destination, int line, int control) {
        std::tie(destination_, line_, control_) = std::tuple(destination, line, control);
        staged_.clear();
    }
    static int codeOf(int side) {
        return side == kSidePlayback ? kDestPlayback : side == kSideRecording ? kDestRecording : -1;
    }
    int destinationWith(int code);
    bool locate(int code, int lineCode, int type);
    int locateItem(int lineCode);

    int16_t device_ = 0, destination_ = 0, line_ = 0, control_ = 0;
    std::vector<int32_t> staged_;  // set, not yet applied
};

}  // namespace tk::test
