#include "fake_mixer.h"

#include <algorithm>

#include "modules/mixer_level_text.h"

namespace tk::test {

namespace {

// The line of a code in a destination; -1 when it has none.
int lineWith(const FakeMixerDestination& d, int lineCode) {
    if (lineCode == kLineMaster) return sizeOf(d.sources);
    for (int l = 0; l < sizeOf(d.sources); ++l)
        if (d.sources[l].lineCode == lineCode) return l;
    return -1;
}

leveltext::DeviceLevels levelsOf(FakeMixerDevice& device) {
    leveltext::DeviceLevels out{device.name, {}};
    for (int d = 0; d < sizeOf(device.destinations); ++d)
        for (int l = 0; l <= sizeOf(device.destinations[d].sources); ++l) {
            const auto& all = lineOf(device.destinations[d], l).controls;
            for (int c = 0; c < sizeOf(all); ++c)
                out.controls.push_back({static_cast<int16_t>(d), static_cast<int16_t>(l),
                                        static_cast<int16_t>(c), all[c].type, all[c].minimum,
                                        all[c].maximum, all[c].values});
        }
    return out;
}

}  // namespace

FakeMixerDevice typicalSoundCard(const std::string& name) {
    FakeMixerControl master = fakeVolume("Volume Control", 52428);
    master.values[1] = 50000;  // off balance: which channel is read, and are both written
    const FakeMixerDestination play{
        kDestPlayback,
        {{kLineWave, {fakeVolume("Wave", 45000), fakeSwitch("Wave Mute", kTypeMute, 0)}},
         {kLineMicrophone,
          {fakeVolume("Microphone", 10000), fakeSwitch("Microphone Mute", kTypeMute, 1)}},
         {kLineLineIn, {fakeVolume("Line Volume", 20000), fakeSwitch("Line Mute", kTypeMute, 1)}}},
        {kLineMaster, {master, fakeSwitch("Mute", kTypeMute, 0)}}};
    const FakeMixerDestination record{
        kDestRecording,
        {{kLineMicrophone,
          {fakeVolume("Microphone", 30000), fakeSwitch("Mic Boost (+20dB)", kTypeOnOff, 1)}},
         {kLineLineIn, {fakeVolume("Line In", 40000), fakeSwitch("Monitor", kTypeOnOff, 0)}}},
        {kLineMaster, {{"Recording Source", 0, 0, 1, {1, 0}, {kLineMicrophone, kLineLineIn}}}}};
    return {name, false, {play, record}};
}

void FakeMixer::enter(const char* op) {
    if (failOn.count("*") || failOn.count(op)) throw MixerError(op + std::string(" failed"));
}

std::string FakeMixer::mixerName() {
    enter("mixerName");
    if (device().nameFails) throw MixerError("fake mixer: the device cannot be opened");
    return device().name;
}

void FakeMixer::setControlValue(int16_t channel, int32_t value) {
    enter("setControlValue");
    if (staged_.empty()) staged_ = {current().values.front(), current().values.back()};
    at(staged_, channel) = value;
}

void FakeMixer::applyControl() {
    enter("applyControl");
    FakeMixerControl& c = current();
    lastWrite = std::exchange(staged_, {});
    for (int i = 0; i < std::min(sizeOf(lastWrite), sizeOf(c.values)); ++i)
        // A switch takes any non-zero value as on: the dialog writes -1 for a tick.
        c.values[i] = c.type == kTypeVolume ? std::clamp(lastWrite[i], c.minimum, c.maximum)
                                            : lastWrite[i] != 0;
    ++writes;
    if (controlChanged) controlChanged();
}

int FakeMixer::destinationWith(int code) {
    for (int d = 0; d < sizeOf(device().destinations); ++d)
        if (device().destinations[d].code == code) return d;
    return -1;
}

// Moves to the first control of a type on the line of a code in the destination of a code.
bool FakeMixer::locate(int code, int lineCode, int type) {
    const int d = destinationWith(code);
    const int l = d < 0 ? -1 : lineWith(device().destinations[d], lineCode);
    if (l < 0) return false;
    const auto& all = lineOf(device().destinations[d], l).controls;
    for (int c = 0; c < sizeOf(all); ++c)
        if (all[c].type == type) return moveTo(d, l, c), true;
    return false;
}

// Moves to the record source selector with an item for a line code; that item, or -1.
int FakeMixer::locateItem(int lineCode) {
    const int d = destinationWith(kDestRecording);
    if (d < 0) return -1;
    const FakeMixerDestination& dest = device().destinations[d];
    for (int c = 0; c < sizeOf(dest.line.controls); ++c) {
        const auto& items = dest.line.controls[c].items;
        const auto item = std::find(items.begin(), items.end(), lineCode) - items.begin();
        if (item < sizeOf(items)) return moveTo(d, sizeOf(dest.sources), c), item;
    }
    return -1;
}

int FakeMixer::findSwitch(int side, int lineCode, int16_t* state) {
    enter("findSwitch");
    const int item = side == kSideRecording                      ? locateItem(lineCode)
                     : locate(codeOf(side), lineCode, kTypeMute) ? 0
                                                                 : -1;
    if (item >= 0 && state) *state = current().values.at(item) != 0;
    return item < 0;
}

// Switches a record source (the program switches nothing else). The selector picks one:
// choosing one clears the others.
int FakeMixer::setSwitch(int side, int lineCode, int value) {
    enter("setSwitch");
    const int item = side == kSideRecording ? locateItem(lineCode) : -1;
    if (item < 0) return 1;
    auto& values = current().values;
    if (value != 0) std::fill(values.begin(), values.end(), 0);
    values[item] = value != 0;
    ++writes;
    if (controlChanged) controlChanged();
    return 0;
}

int FakeMixer::selectDestination(int code, int) {
    enter("selectDestination");
    const int d = destinationWith(code);
    if (d >= 0) moveTo(d, 0, 0);
    return d < 0;
}

int FakeMixer::selectLine(int code, int, int lineCode, int) {
    enter("selectLine");
    const int d = destinationWith(code);
    if (d >= 0) moveTo(d, std::max(0, lineWith(device().destinations[d], lineCode)), 0);
    return d < 0;
}

std::string FakeMixer::getLevelState(int16_t) {
    enter("getLevelState");
    const auto text = leveltext::encode(levelsOf(device()));
    if (!text) throw MixerError("fake mixer: level text too long");
    return *text;
}

bool FakeMixer::setLevelState(const std::string& text) {
    enter("setLevelState");
    const auto wanted = leveltext::decode(text, levelsOf(device()));
    if (!wanted) return false;
    for (const auto& c : wanted->controls) {
        auto& values = control(device_, c.destination, c.line, c.control).values;
        if (values != c.values) values = c.values, ++writes;
    }
    if (controlChanged) controlChanged();
    return true;
}

}  // namespace tk::test
