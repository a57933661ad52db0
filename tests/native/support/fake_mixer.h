// An in-memory wave mixer over scripted devices, kept by the position rules of the Windows
// mixer layer (app/win32/mixer_win.h): a destination's lines are its sources, then the
// destination line itself (line code "master"); a side's destination is the one with its
// code; a playback switch is a mute, a recording switch the item of the record source
// selector. A position that does not exist throws MixerError; with "*" in failOn every
// operation does. Applied writes are counted and raise controlChanged at once. The info
// structures carry only the codes the program reads.
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
    std::vector<int16_t> items;         // a record source selector (type 0): each item's line code
};

struct FakeMixerLine {
    int16_t lineCode = kLineMaster;
    std::vector<FakeMixerControl> controls;
};

struct FakeMixerDestination {
    int16_t code = kDestPlayback, subCode = kSubPlayback;
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
// The element at i; MixerError when there is none.
template <typename List>
auto& at(List& list, int i) {
    if (i < 0 || i >= sizeOf(list)) throw MixerError("fake mixer: no such position");
    return list[i];
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

    int mixerCount() override { return check(), sizeOf(devices); }
    int16_t currentMixer() override { return check(), device_; }
    void setCurrentMixer(int16_t d) override {
        check(), at(devices, d);
        device_ = d, destination_ = line_ = control_ = 0;
    }
    std::string mixerName() override {
        if (device().nameFails) throw MixerError("fake mixer: the device fails to open");
        return device().name;
    }
    int16_t currentDestination() override { return check(), destination_; }
    void setCurrentDestination(int16_t d) override { moveTo(d, 0, 0); }
    int lineCount() override { return sizeOf(destination().sources) + 1; }
    int16_t currentLine() override { return check(), line_; }
    void setCurrentLine(int16_t l) override { moveTo(destination_, l, 0); }
    int controlCount() override { return sizeOf(line().controls); }
    int16_t currentControl() override { return check(), control_; }
    void setCurrentControl(int16_t c) override { moveTo(destination_, line_, c); }
    std::string controlName() override { return current().name; }
    MixerControlInfo getControlInfo() override { return {current().type}; }
    MixerLineInfo getLineInfo() override { return {line().lineCode}; }
    MixerDestinationInfo getDestinationInfo() override {
        return {destination().code, destination().subCode};
    }
    int32_t controlValue(int16_t channel) override { return at(current().values, channel); }
    void setControlValue(int16_t channel, int32_t value) override {
        if (staged_.empty()) staged_ = {current().values.front(), current().values.back()};
        at(staged_, channel) = value;
    }
    void applyControl() override;
    int findVolume(int side, int lineCode, float*, float*) override {  // the percents unfilled
        return !locate(codeOf(side), lineCode, kTypeVolume);
    }
    int findSwitch(int side, int lineCode, int16_t* state) override;
    int setSwitch(int side, int lineCode, int value) override;
    int selectDestination(int code, int sub) override { return selectLine(code, sub, -1, 0); }
    int selectLine(int code, int, int lineCode, int) override;
    int selectControl(int code, int, int lineCode, int, int type) override {
        return !locate(code, lineCode, type);
    }
    std::string getLevelState(int16_t) override;
    bool setLevelState(const std::string& text) override;

  private:
    void check() {
        if (failOn.count("*")) throw MixerError("fake mixer: failing");
    }
    void written() {
        ++writes;
        if (controlChanged) controlChanged();
    }
    FakeMixerDevice& device() { return check(), at(devices, device_); }
    FakeMixerDestination& destination() { return at(device().destinations, destination_); }
    FakeMixerLine& line() { return lineOf(destination(), line_); }
    FakeMixerControl& current() { return at(line().controls, control_); }
    // Moves to a place that exists; control 0 of a line without controls will do.
    void moveTo(int d, int l, int c) {
        auto& controls = lineOf(at(device().destinations, d), l).controls;
        if (c != 0) at(controls, c);
        std::tie(destination_, line_, control_) = std::tuple(d, l, c);
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
