// libFuzzer target: the mixer level-text codec (decode) and the in-memory mixer's
// setLevelState, which applies a text only when it belongs to the current device.
//
// The first input byte chooses how the rest is used: even — as it is; odd — with a
// correct checksum appended, so that the fuzzer gets past the checksum and exercises
// the field parser behind it. A text that decodes must name the device, match its
// layout, hold values inside each control's range and encode back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_mixer.h"
#include "modules/mixer_level_text.h"

namespace {

using namespace tk;

[[noreturn]] void fail(const char* what) {
    fprintf(stderr, "level_text_fuzz: %s\n", what);
    abort();
}

std::string hex8(uint32_t v) {
    char buf[9];
    snprintf(buf, sizeof buf, "%08x", v);
    return buf;
}

leveltext::DeviceLevels layoutOf(const test::FakeMixerDevice& dev) {
    // The same walk as the fake's own snapshot: sources, then the destination line.
    leveltext::DeviceLevels out;
    out.deviceName = dev.name;
    for (std::size_t d = 0; d < dev.destinations.size(); ++d) {
        const auto& dest = dev.destinations[d];
        for (std::size_t l = 0; l <= dest.sources.size(); ++l) {
            const auto& ln = l == dest.sources.size() ? dest.line : dest.sources[l];
            for (std::size_t c = 0; c < ln.controls.size(); ++c) {
                const auto& ctl = ln.controls[c];
                out.controls.push_back({static_cast<int16_t>(d), static_cast<int16_t>(l),
                                        static_cast<int16_t>(c), ctl.type, ctl.minimum, ctl.maximum,
                                        ctl.values});
            }
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) text += "|" + hex8(leveltext::crc32(text));

    test::FakeMixer mixer;
    mixer.devices.push_back(test::typicalSoundCard());
    mixer.devices.push_back(test::typicalSoundCard("USB Audio"));
    const leveltext::DeviceLevels layout = layoutOf(mixer.devices[0]);

    auto decoded = leveltext::decode(text, layout);
    if (decoded) {
        if (decoded->deviceName != layout.deviceName) fail("decoded another device's name");
        if (decoded->controls.size() != layout.controls.size()) fail("decoded another layout");
        for (std::size_t i = 0; i < decoded->controls.size(); ++i) {
            const auto& c = decoded->controls[i];
            if (!c.sameLayout(layout.controls[i])) fail("decoded control of another layout");
            for (int32_t v : c.values)
                if (v < c.minimum || v > c.maximum) fail("decoded value outside its range");
        }
        auto again = leveltext::encode(*decoded);
        if (!again || *again != text) fail("a decoded text does not encode back to itself");
    }

    // The mixer applies the text to its current device only when it decodes, and then
    // reads back exactly what it applied; a refused text changes nothing.
    const std::string before = mixer.getLevelState(0);
    const bool accepted = mixer.setLevelState(text);
    if (accepted != decoded.has_value()) fail("setLevelState and decode disagree");
    const std::string after = mixer.getLevelState(0);
    if (accepted) {
        if (after != text) fail("applied text does not read back");
    } else if (after != before) {
        fail("a refused text changed the device");
    }

    // The other device refuses it: its name differs.
    mixer.setCurrentMixer(1);
    const std::string other = mixer.getLevelState(0);
    if (mixer.setLevelState(text)) fail("a text of device 0 applied to device 1");
    if (mixer.getLevelState(0) != other) fail("device 1 changed by a foreign text");
    return 0;
}
