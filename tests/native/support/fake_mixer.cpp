#include "fake_mixer.h"

#include "modules/mixer_level_text.h"

namespace tk::test {

namespace {

leveltext::DeviceLevels levelsOf(FakeMixerDevice& device) {
    leveltext::DeviceLevels out{device.name, {}};
    for (int16_t d = 0; d < std::ssize(device.destinations); ++d)
        for (int16_t l = 0; l <= std::ssize(device.destinations[d].sources); ++l)
            for (int16_t c = 0; const auto& ctl : lineOf(device.destinations[d], l).controls)
                out.controls.push_back({d, l, c++, ctl.type, ctl.minimum, ctl.maximum, ctl.values});
    return out;
}

}  // namespace

FakeMixerDevice typicalSoundCard(const std::string& name) {
    // clang-format off
    const FakeMixerDestination play{kDestPlayback, kSubPlayback, {
        {kLineWave, {fakeVolume("Wave", 45000), fakeSwitch("Wave Mute", kTypeMute, 0)}},
        {kLineMicrophone, {fakeVolume("Mic", 10000), fakeSwitch("Mic Mute", kTypeMute, 1)}},
        {kLineLineIn, {fakeVolume("Line Volume", 20000), fakeSwitch("Line Mute", kTypeMute, 1)}}},
        {kLineMaster, {{"Volume Control", kTypeVolume, 0, 65535, {52428, 50000}, {}},
                       fakeSwitch("Mute", kTypeMute, 0)}}};
    const FakeMixerDestination record{kDestRecording, kSubRecording, {
        {kLineMicrophone, {fakeVolume("Mic", 30000), fakeSwitch("Mic +20dB", kTypeOnOff, 1)}},
        {kLineLineIn, {fakeVolume("Line In", 40000), fakeSwitch("Monitor", kTypeOnOff, 0)}}},
        {kLineMaster, {{"Recording Source", 0, 0, 1, {1, 0}, {kLineMicrophone, kLineLineIn}}}}};
    // clang-format on
    return {name, false, {play, record}};
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
