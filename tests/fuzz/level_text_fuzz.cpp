// libFuzzer target: the mixer level text, applied through the in-memory mixer's
// setLevelState, which takes a text only when it decodes for the current device.
//
// The first input byte chooses how the rest is used: bit 1 set — it overwrites the start of
// the device's own text (without its checksum), so the fuzzer begins from texts that
// decode; bit 0 set — a correct checksum is appended, so that the fuzzer gets past the
// checksum to the field parser behind it. A text taken must read back as itself and leave
// every value inside its control's range; a refused one changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_mixer.h"
#include "modules/mixer_level_text.h"

namespace {

[[noreturn]] void fail(const char* what) {
    fprintf(stderr, "level_text_fuzz: %s\n", what);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    tk::test::FakeMixer mixer;
    mixer.devices.push_back(tk::test::typicalSoundCard());
    mixer.devices.push_back(tk::test::typicalSoundCard("USB Audio"));
    const std::string before = mixer.getLevelState(0);

    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 2) {
        std::string own = before.substr(0, before.rfind('|'));
        text = text.size() < own.size() ? text + own.substr(text.size()) : text;
    }
    if (data[0] & 1) {
        char crc[10];
        snprintf(crc, sizeof crc, "|%08x", static_cast<unsigned>(tk::leveltext::crc32(text)));
        text += crc;
    }

    if (!mixer.setLevelState(text)) {
        if (mixer.getLevelState(0) != before) fail("a refused text changed the device");
    } else {
        if (mixer.getLevelState(0) != text) fail("applied text does not read back");
        for (const auto& dest : mixer.devices[0].destinations) {
            auto lines = dest.sources;
            lines.push_back(dest.line);
            for (const auto& line : lines)
                for (const auto& c : line.controls)
                    for (int32_t v : c.values)
                        if (v < c.minimum || v > c.maximum) fail("value outside its range");
        }
    }

    // The other device refuses it: its name differs.
    mixer.setCurrentMixer(1);
    const std::string other = mixer.getLevelState(0);
    if (mixer.setLevelState(text)) fail("a text of device 0 applied to device 1");
    if (mixer.getLevelState(0) != other) fail("device 1 changed by a foreign text");
    return 0;
}
