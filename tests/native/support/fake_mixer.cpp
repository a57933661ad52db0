#include "fake_mixer.h"

#include <algorithm>

#include "modules/mixer_level_text.h"

namespace tk::test {

using namespace mixercode;

FakeMixerControl fakeVolume(const std::string& name, int32_t value) {
    return {name, kTypeVolume, 0, 65535, {value, value}, {}, {}};
}

FakeMixerControl fakeSwitch(const std::string& name, int16_t type, int32_t value) {
    return {name, type, 0, 1, {value}, {}, {}};
}

FakeMixerDevice typicalSoundCard(const std::string& name) {
    FakeMixerDestination play;
    play.line.controls = {fakeVolume("Volume Control", 52428), fakeSwitch("Mute", kTypeMute, 0)};
    play.line.controls[0].values[1] = 50000;  // off balance: channel 0 and each channel count
    play.sources = {
        {kLineWave, 2, {fakeVolume("Wave", 45000), fakeSwitch("Wave Mute", kTypeMute, 0)}},
        {kLineMicrophone,
         1,
         {fakeVolume("Microphone", 10000), fakeSwitch("Microphone Mute", kTypeMute, 1)}},
        {kLineLineIn, 2, {fakeVolume("Line Volume", 20000), fakeSwitch("Line Mute", kTypeMute, 1)}},
    };

    FakeMixerDestination rec{kDestRecording, kSubRecording, {}, {kLineMaster, 2, {}}};
    // The record source selector: one value per item, each item a source line code.
    rec.line.controls = {{"Recording Source", 0, 0, 1, {1, 0}, {kLineMicrophone, kLineLineIn}, {}}};
    rec.sources = {
        {kLineMicrophone,
         1,
         {fakeVolume("Microphone", 30000), fakeSwitch("Mic Boost (+20dB)", kTypeOnOff, 1)}},
        {kLineLineIn, 2, {fakeVolume("Line In", 40000), fakeSwitch("Monitor", kTypeOnOff, 0)}},
    };

    return {name, false, {play, rec}};
}

namespace {

void need(bool ok, const char* what) {
    if (!ok) throw MixerError(std::string("fake: ") + what);
}

}  // namespace

void FakeMixer::enter(const char* op) {
    if (failOn.count("*") || failOn.count(op)) throw MixerError(std::string("fake: ") + op);
}

FakeMixerDevice& FakeMixer::device() {
    need(device_ >= 0 && device_ < static_cast<int>(devices.size()), "no mixer device");
    return devices[device_];
}

FakeMixerDestination& FakeMixer::destination() {
    FakeMixerDevice& dev = device();
    need(destination_ >= 0 && destination_ < static_cast<int>(dev.destinations.size()),
         "no destination");
    return dev.destinations[destination_];
}

FakeMixerLine& FakeMixer::lineAt(FakeMixerDestination& dest, int index) {
    const int n = static_cast<int>(dest.sources.size());
    need(index >= 0 && index <= n, "no such line");
    return index == n ? dest.line : dest.sources[index];
}

FakeMixerLine& FakeMixer::line() {
    return lineAt(destination(), line_);
}

FakeMixerControl* FakeMixer::currentControlOrNull() {
    FakeMixerLine& l = line();
    if (control_ < 0 || control_ >= static_cast<int>(l.controls.size())) return nullptr;
    return &l.controls[control_];
}

FakeMixerControl& FakeMixer::requireControl() {
    FakeMixerControl* c = currentControlOrNull();
    need(c, "the line has no control");
    return *c;
}

FakeMixerControl& FakeMixer::control(int dev, int dest, int ln, int ctl) {
    return lineAt(devices.at(dev).destinations.at(dest), ln).controls.at(ctl);
}

void FakeMixer::moveTo(int dest, int ln, int ctl) {
    destination_ = static_cast<int16_t>(dest);
    line_ = static_cast<int16_t>(ln);
    control_ = static_cast<int16_t>(ctl);
    pending_.clear();
}

void FakeMixer::raise() {
    if (queueNotifications) {
        ++queuedNotifications;
        return;
    }
    if (controlChanged) controlChanged();
}

int FakeMixer::deliverNotifications() {
    int delivered = 0;
    for (; queuedNotifications > 0; --queuedNotifications, ++delivered)
        if (controlChanged) controlChanged();
    return delivered;
}

void FakeMixer::changeFromOutside(int dev, int dest, int ln, int ctl, int channel, int32_t value) {
    control(dev, dest, ln, ctl).values.at(channel) = value;
    raise();
}

void FakeMixer::setCurrentMixer(int16_t dev) {
    enter("setCurrentMixer");
    need(dev >= 0 && dev < static_cast<int>(devices.size()), "no such mixer device");
    device_ = dev;
    moveTo(0, 0, 0);
}

std::string FakeMixer::mixerName() {
    enter("mixerName");
    need(!device().nameFails, "the device cannot be opened");
    return device().name;
}

int FakeMixer::lineCount() {
    enter("lineCount");
    FakeMixerDevice& dev = device();
    if (dev.destinations.empty()) return 0;
    return static_cast<int>(destination().sources.size()) + 1;
}

void FakeMixer::setCurrentLine(int16_t ln) {
    enter("setCurrentLine");
    lineAt(destination(), ln);
    moveTo(destination_, ln, 0);
}

int FakeMixer::controlCount() {
    enter("controlCount");
    if (device().destinations.empty()) return 0;
    return static_cast<int>(line().controls.size());
}

void FakeMixer::setCurrentControl(int16_t ctl) {
    enter("setCurrentControl");
    need(ctl >= 0 && ctl < static_cast<int>(line().controls.size()), "no such control");
    moveTo(destination_, line_, ctl);
}

void FakeMixer::setCurrentDestination(int16_t dest) {
    enter("setCurrentDestination");
    need(dest >= 0 && dest < static_cast<int>(device().destinations.size()), "no such destination");
    moveTo(dest, 0, 0);
}

std::string FakeMixer::controlName() {
    enter("controlName");
    FakeMixerControl* c = currentControlOrNull();
    return c ? c->name : std::string();
}

MixerControlInfo FakeMixer::getControlInfo() {
    enter("getControlInfo");
    FakeMixerControl* c = currentControlOrNull();
    if (!c) return {};
    return {c->type, static_cast<int16_t>(c->isSelector() ? 1 : c->values.size()),
            static_cast<int16_t>(c->itemLineCodes.size()), c->minimum, c->maximum};
}

MixerLineInfo FakeMixer::getLineInfo() {
    enter("getLineInfo");
    FakeMixerDestination& dest = destination();
    FakeMixerLine& l = line();
    return {l.lineCode, l.channels,
            static_cast<int16_t>(&l == &dest.line ? dest.sources.size() : 0),
            static_cast<int16_t>(l.controls.size())};
}

MixerDestinationInfo FakeMixer::getDestinationInfo() {
    enter("getDestinationInfo");
    FakeMixerDestination& dest = destination();
    return {dest.code, dest.subCode, dest.line.channels,
            static_cast<int16_t>(dest.sources.size() + 1)};
}

int32_t FakeMixer::controlValue(int16_t channel) {
    enter("controlValue");
    FakeMixerControl& c = requireControl();
    need(channel >= 0 && (!c.isSelector() || channel < static_cast<int>(c.values.size())),
         "no such channel or item");
    if (c.values.empty()) return 0;
    // A mono control reads the same on every channel.
    return c.values[std::min<std::size_t>(channel, c.values.size() - 1)];
}

void FakeMixer::setControlValue(int16_t channel, int32_t value) {
    enter("setControlValue");
    FakeMixerControl& c = requireControl();
    const std::size_t width = std::max<std::size_t>(2, c.values.size());
    need(channel >= 0 && static_cast<std::size_t>(channel) < width, "no such channel");
    if (pending_.empty()) {
        pending_ = c.values;
        pending_.resize(width, c.values.empty() ? 0 : c.values.back());
    }
    pending_[channel] = value;
}

void FakeMixer::applyControl() {
    enter("applyControl");
    FakeMixerControl& c = requireControl();
    if (pending_.empty()) return;
    c.applied = pending_;
    for (std::size_t i = 0; i < c.values.size(); ++i) {
        int32_t v = pending_[i];
        // Switches take any non-zero value as on, as the dialog writes -1 for a tick.
        if (c.type != kTypeVolume && c.maximum == 1) v = v != 0;
        c.values[i] = std::clamp(v, c.minimum, c.maximum);
    }
    pending_.clear();
    written();
}

int FakeMixer::sideDestination(int side) {
    if (side == kSidePlayback) return destinationByCode(kDestPlayback, kSubPlayback);
    if (side == kSideRecording) return destinationByCode(kDestRecording, kSubRecording);
    return -1;
}

int FakeMixer::destinationByCode(int code, int subCode) {
    auto& dests = device().destinations;
    for (std::size_t i = 0; i < dests.size(); ++i)
        if (dests[i].code == code) return static_cast<int>(i);
    for (std::size_t i = 0; i < dests.size(); ++i)
        if (dests[i].subCode == subCode) return static_cast<int>(i);
    return -1;
}

int FakeMixer::lineIndexByCode(FakeMixerDestination& dest, int lineCode) {
    if (lineCode == kLineMaster) return static_cast<int>(dest.sources.size());
    for (std::size_t i = 0; i < dest.sources.size(); ++i)
        if (dest.sources[i].lineCode == lineCode) return static_cast<int>(i);
    return -1;
}

// Makes the control of a type on the line with a code in destination d current.
bool FakeMixer::moveToControl(int d, int lineCode, int type) {
    if (d < 0) return false;
    FakeMixerDestination& dest = device().destinations[d];
    const int l = lineIndexByCode(dest, lineCode);
    if (l < 0) return false;
    const auto& controls = lineAt(dest, l).controls;
    for (std::size_t c = 0; c < controls.size(); ++c)
        if (controls[c].type == type && !controls[c].isSelector()) {
            moveTo(d, l, static_cast<int>(c));
            return true;
        }
    return false;
}

int FakeMixer::findVolume(int side, int lineCode, float* left, float* right) {
    enter("findVolume");
    if (!moveToControl(sideDestination(side), lineCode, kTypeVolume)) return 1;
    const auto& v = requireControl().values;
    if (left) *left = static_cast<float>(v.front() / 655.35);
    if (right) *right = static_cast<float>(v.back() / 655.35);
    return 0;
}

// The record source selector on the side's destination line with an item for the line
// code: its control index and the item, or nullopt.
std::optional<std::pair<int, int>> FakeMixer::findSelector(int side, int lineCode) {
    const int d = sideDestination(side);
    if (d < 0) return std::nullopt;
    auto& controls = device().destinations[d].line.controls;
    for (std::size_t c = 0; c < controls.size(); ++c) {
        auto& codes = controls[c].itemLineCodes;
        auto it = std::find(codes.begin(), codes.end(), lineCode);
        if (it != codes.end())
            return std::make_pair(static_cast<int>(c), static_cast<int>(it - codes.begin()));
    }
    return std::nullopt;
}

int FakeMixer::findSwitch(int side, int lineCode, int16_t* state) {
    enter("findSwitch");
    if (side == kSideRecording) {
        const auto found = findSelector(side, lineCode);
        if (!found) return 1;
        const int d = sideDestination(side);
        moveTo(d, static_cast<int>(device().destinations[d].sources.size()), found->first);
        if (state) *state = static_cast<int16_t>(requireControl().values[found->second] != 0);
        return 0;
    }
    if (!moveToControl(sideDestination(side), lineCode, kTypeMute)) return 1;
    if (state) *state = static_cast<int16_t>(requireControl().values.front() != 0);
    return 0;
}

int FakeMixer::setSwitch(int side, int lineCode, int value) {
    enter("setSwitch");
    // The program switches only the record source selector.
    const auto found = side == kSideRecording ? findSelector(side, lineCode) : std::nullopt;
    if (!found) return 1;
    auto& values = device().destinations[sideDestination(side)].line.controls[found->first].values;
    // A selector picks one source: choosing one clears the others.
    if (value != 0) std::fill(values.begin(), values.end(), 0);
    values[found->second] = value != 0;
    written();
    return 0;
}

int FakeMixer::selectDestination(int destinationCode, int subCode) {
    enter("selectDestination");
    const int d = destinationByCode(destinationCode, subCode);
    if (d < 0) return 1;
    moveTo(d, 0, 0);
    return 0;
}

int FakeMixer::selectLine(int destinationCode, int subCode, int lineCode, int) {
    enter("selectLine");
    const int d = destinationByCode(destinationCode, subCode);
    if (d < 0) return 1;
    const int l = lineIndexByCode(device().destinations[d], lineCode);
    moveTo(d, l < 0 ? 0 : l, 0);
    return 0;
}

int FakeMixer::selectControl(int destinationCode, int subCode, int lineCode, int, int typeCode) {
    enter("selectControl");
    return moveToControl(destinationByCode(destinationCode, subCode), lineCode, typeCode) ? 0 : 1;
}

namespace {

leveltext::DeviceLevels snapshot(const FakeMixerDevice& dev) {
    leveltext::DeviceLevels out;
    out.deviceName = dev.name;
    for (std::size_t d = 0; d < dev.destinations.size(); ++d) {
        const FakeMixerDestination& dest = dev.destinations[d];
        for (std::size_t l = 0; l <= dest.sources.size(); ++l) {
            const FakeMixerLine& ln = l == dest.sources.size() ? dest.line : dest.sources[l];
            for (std::size_t c = 0; c < ln.controls.size(); ++c) {
                const FakeMixerControl& ctl = ln.controls[c];
                out.controls.push_back({static_cast<int16_t>(d), static_cast<int16_t>(l),
                                        static_cast<int16_t>(c), ctl.type, ctl.minimum, ctl.maximum,
                                        ctl.values});
            }
        }
    }
    return out;
}

}  // namespace

std::string FakeMixer::getLevelState(int16_t) {
    enter("getLevelState");
    auto text = leveltext::encode(snapshot(device()));
    if (!text) throw MixerError("fake: level text too long");
    return *text;
}

bool FakeMixer::setLevelState(const std::string& text) {
    enter("setLevelState");
    FakeMixerDevice& dev = device();
    auto levels = leveltext::decode(text, snapshot(dev));
    if (!levels) return false;
    for (const auto& c : levels->controls) {
        FakeMixerControl& ctl = control(device_, c.destination, c.line, c.control);
        if (ctl.values == c.values) continue;
        ctl.values = c.values;
        ++writes;
    }
    raise();
    return true;
}

}  // namespace tk::test
