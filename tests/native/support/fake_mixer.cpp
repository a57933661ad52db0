#include "fake_mixer.h"

#include <algorithm>

#include "modules/mixer_level_text.h"

namespace tk::test {

namespace {

// The line of a code in a destination; -1 when it has none.
int lineWith(const FakeMixerDestination& d, int lineCode) {
    for (int l = 0; l < sizeOf(d.sources); ++l)
        if (d.sources[l].lineCode == lineCode) return l;
    return lineCode == kLineMaster ? sizeOf(d.sources) : -1;
}

leveltext::DeviceLevels levelsOf(FakeMixerDevice& device) {
    leveltext::DeviceLevels out{device.name, {}};
    for (int16_t d = 0; d < sizeOf(device.destinations); ++d)
        for (int16_t l = 0; l <= sizeOf(device.destinations[d].sources); ++l)
            for (int16_t c = 0; const auto& ctl : lineOf(device.destinations[d], l).controls)
                out.controls.push_back({d, l, c++, ctl.type, ctl.minimum, ctl.maximum, ctl.values});
    return out;
}

}  // namespace

FakeMixerDevice typicalSoundCard(const std::string& name) {
    FakeMixerControl master = fakeVolume("Volume Control", 52428);
    master.values[1] = 50000;  // off balance: which channel is read, and are both written
    // clang-format off
    const FakeMixerDestination play{kDestPlayback, kSubPlayback, {
        {kLineWave, {fakeVolume("Wave", 45000), fakeSwitch("Wave Mute", kTypeMute, 0)}},
        {kLineMicrophone, {fakeVolume("Mic", 10000), fakeSwitch("Mic Mute", kTypeMute, 1)}},
        {kLineLineIn, {fakeVolume("Line Volume", 20000), fakeSwitch("Line Mute", kTypeMute, 1)}}},
        {kLineMaster, {master, fakeSwitch("Mute", kTypeMute, 0)}}};
    const FakeMixerDestination record{kDestRecording, kSubRecording, {
        {kLineMicrophone, {fakeVolume("Mic", 30000), fakeSwitch("Mic Boost +20dB", kTypeOnOff, 1)}},
        {kLineLineIn, {fakeVolume("Line In", 40000), fakeSwitch("Monitor", kTypeOnOff, 0)}}},
        {kLineMaster, {{"Recording Source", 0, 0, 1, {1, 0}, {kLineMicrophone, kLineLineIn}}}}};
    // clang-format on
    return {name, false, {play, record}};
}

void FakeMixer::applyControl() {
    FakeMixerControl& c = current();
    lastWrite = std::exchange(staged_, {});
    // A switch takes any non-zero value as on: the dialog writes -1 for a tick.
    for (int i = 0; i < std::min(sizeOf(lastWrite), sizeOf(c.values)); ++i)
        c.values[i] = c.type == kTypeVolume ? std::clamp(lastWrite[i], c.minimum, c.maximum)
                                            : lastWrite[i] != 0;
    written();
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

// Moves to the record source selector; the item for a line code, or -1.
int FakeMixer::locateItem(int lineCode) {
    if (!locate(kDestRecording, kLineMaster, 0)) return -1;
    const auto& items = current().items;
    const auto item = std::find(items.begin(), items.end(), lineCode) - items.begin();
    return item < sizeOf(items) ? static_cast<int>(item) : -1;
}

int FakeMixer::findSwitch(int side, int lineCode, int16_t* state) {
    const int item = side == kSideRecording                      ? locateItem(lineCode)
                     : locate(codeOf(side), lineCode, kTypeMute) ? 0
                                                                 : -1;
    if (item >= 0 && state) *state = current().values.at(item) != 0;
    return item < 0;
}

// Switches a record source (the program switches nothing else). The selector picks one:
// choosing one clears the others.
int FakeMixer::setSwitch(int side, int lineCode, int value) {
    const int item = side == kSideRecording ? locateItem(lineCode) : -1;
    if (item < 0) return 1;
    auto& values = current().values;
    if (value != 0) std::fill(values.begin(), values.end(), 0);
    values[item] = value != 0;
    written();
    return 0;
}

int FakeMixer::selectLine(int code, int, int lineCode, int) {
    const int d = destinationWith(code);
    if (d >= 0) moveTo(d, std::max(0, lineWith(device().destinations[d], lineCode)), 0);
    return d < 0;
}

std::string FakeMixer::getLevelState(int16_t) {
    const auto text = leveltext::encode(levelsOf(device()));
    if (!text) throw MixerError("fake mixer: level text too long");
    return *text;
}

bool FakeMixer::setLevelState(const std::string& text) {
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
