// An in-memory wave mixer over scripted devices, kept by the position rules of the Windows
// mixer layer (app/win32/mixer_win.h): a destination's lines are its sources, then its own
// line ("master"); a playback switch is a mute, a recording one an item of the record source
// selector. A place that does not exist throws MixerError; with "*" in failOn every
// operation does. Writes raise controlChanged at once; the info carries the codes read.
#pragma once

#include <algorithm>
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

// Playback: wave, microphone, line in, master (off balance), each a volume and a mute;
// recording: microphone (with a boost), line in (with a monitor), the source selector.
FakeMixerDevice typicalSoundCard(const std::string& name = "SoundMAX Digital Audio");

// The element at i; MixerError when there is none.
template <typename List>
auto& at(List& list, int i) {
    if (i < 0 || i >= std::ssize(list)) throw MixerError("fake mixer: no such position");
    return list[i];
}
inline FakeMixerLine& lineOf(FakeMixerDestination& d, int i) {
    return i == std::ssize(d.sources) ? d.line : at(d.sources, i);
}
// The line of a code in a destination; -1 when it has none.
inline int lineWith(const FakeMixerDestination& d, int lineCode) {
    for (int l = 0; l < std::ssize(d.sources); ++l)
        if (d.sources[l].lineCode == lineCode) return l;
    return lineCode == kLineMaster ? std::ssize(d.sources) : -1;
}

class FakeMixer : public Mixer {
  public:
    std::vector<FakeMixerDevice> devices;
    std::set<std::string> failOn;
    int writes = 0;  // applied writes of any kind
    // The values set at the current place, channel by channel, as applyControl takes them.
    std::vector<int32_t> lastWrite;

    FakeMixerControl& control(int dev, int dest, int line, int ctl) {
        return at(lineOf(at(at(devices, dev).destinations, dest), line).controls, ctl);
    }
    // Another program changes a value.
    void changeFromOutside(int dev, int dest, int line, int ctl, int channel, int32_t value) {
        at(control(dev, dest, line, ctl).values, channel) = value;
        if (controlChanged) controlChanged();
    }

    int mixerCount() override { return check(), std::ssize(devices); }
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
    int lineCount() override { return std::ssize(destination().sources) + 1; }
    int16_t currentLine() override { return check(), line_; }
    void setCurrentLine(int16_t l) override { moveTo(destination_, l, 0); }
    int controlCount() override { return std::ssize(line().controls); }
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
        if (lastWrite.empty()) lastWrite = {current().values.front(), current().values.back()};
        at(lastWrite, channel) = value;
    }
    void applyControl() override {
        FakeMixerControl& c = current();
        // A switch takes any non-zero value as on: the dialog writes -1 for a tick.
        for (int i = 0; i < std::min(std::ssize(lastWrite), std::ssize(c.values)); ++i)
            c.values[i] = c.type == kTypeVolume ? std::clamp(lastWrite[i], c.minimum, c.maximum)
                                                : lastWrite[i] != 0;
        ++writes;
        if (controlChanged) controlChanged();
    }
    int findVolume(int side, int lineCode, float*, float*) override {  // the percents unfilled
        return !locate(side == kSidePlayback ? kDestPlayback : kDestRecording, lineCode,
                       kTypeVolume);
    }
    int findSwitch(int side, int lineCode, int16_t* state) override {
        int item = side == kSideRecording ? locateItem(lineCode) : -1;
        if (side != kSideRecording && locate(kDestPlayback, lineCode, kTypeMute)) item = 0;
        if (item >= 0 && state) *state = current().values.at(item) != 0;
        return item < 0;
    }
    // Switches a record source (the program switches nothing else). The selector picks one:
    // choosing one clears the others.
    int setSwitch(int side, int lineCode, int value) override {
        const int item = side == kSideRecording ? locateItem(lineCode) : -1;
        if (item < 0) return 1;
        auto& values = current().values;
        if (value != 0) std::fill(values.begin(), values.end(), 0);
        values[item] = value != 0;
        ++writes;
        if (controlChanged) controlChanged();
        return 0;
    }
    int selectDestination(int code, int sub) override { return selectLine(code, sub, -1, 0); }
    int selectLine(int code, int, int lineCode, int) override {
        const int d = destinationWith(code);
        if (d >= 0) moveTo(d, std::max(0, lineWith(device().destinations[d], lineCode)), 0);
        return d < 0;
    }
    int selectControl(int code, int, int lineCode, int, int type) override {
        return !locate(code, lineCode, type);
    }
    std::string getLevelState(int16_t) override;
    bool setLevelState(const std::string& text) override;

  private:
    void check() {
        if (failOn.count("*")) throw MixerError("fake mixer: failing");
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
        lastWrite.clear();
    }
    int destinationWith(int code) {
        for (int d = 0; d < std::ssize(device().destinations); ++d)
            if (device().destinations[d].code == code) return d;
        return -1;
    }
    // Moves to the first control of a type on the line of a code in the destination of a code.
    bool locate(int code, int lineCode, int type) {
        const int d = destinationWith(code);
        const int l = d < 0 ? -1 : lineWith(device().destinations[d], lineCode);
        if (l < 0) return false;
        const auto& all = lineOf(device().destinations[d], l).controls;
        for (int c = 0; c < std::ssize(all); ++c)
            if (all[c].type == type) return moveTo(d, l, c), true;
        return false;
    }
    // Moves to the record source selector; the item for a line code, or -1.
    int locateItem(int lineCode) {
        if (!locate(kDestRecording, kLineMaster, 0)) return -1;
        const auto& items = current().items;
        const auto item = std::find(items.begin(), items.end(), lineCode) - items.begin();
        return item < std::ssize(items) ? static_cast<int>(item) : -1;
    }

    int16_t device_ = 0, destination_ = 0, line_ = 0, control_ = 0;
};

}  // namespace tk::test
