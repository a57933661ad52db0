// libFuzzer target: a mixer level text read against a device's layout. The first input byte
// chooses how the rest is used: bit 1 set, it replaces as much of the end of the device's own
// text (without its checksum), so the fuzzer begins from texts that decode; bit 0 set, a correct
// checksum is appended, so the fuzzer gets past it to the field parser. A text taken must hold
// values inside each control's range and be exactly what the encoder writes for them; a
// device of another name refuses it.
#include <cstdio>
#include <cstdlib>

#include "modules/mixer_level_text.h"

using namespace tk::leveltext;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    DeviceLevels device = {"SoundMAX Digital Audio",
                           {{0, 3, 0, 133, 0, 65535, {52428, 40000}},
                            {0, 3, 1, 453, 0, 1, {1}},
                            {1, 2, 0, 0, 0, 1, {0, 1}},
                            {1, 0, 1, 451, -10, 10, {-7}}}};
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 2) {
        std::string own = *encode(device);
        own.erase(own.rfind('|'));
        text = own.substr(0, own.size() - std::min(own.size(), text.size())) + text;
    }
    if (data[0] & 1) {
        char crc[10];
        std::snprintf(crc, sizeof crc, "|%08x", static_cast<unsigned>(crc32(text)));
        text += crc;
    }
    const char* fault = nullptr;
    if (const auto taken = decode(text, device)) {
        for (const auto& c : taken->controls) {
            for (int32_t v : c.values) {
                if (v < c.minimum || v > c.maximum) fault = "a value outside its range";
            }
        }
        if (encode(*taken) != text) fault = "a text taken is not what the encoder writes";
        device.deviceName = "USB Audio";
        if (decode(text, device)) fault = "a text taken by a device of another name";
    }
    if (fault) std::fprintf(stderr, "level_text_fuzz: %s\n", fault), std::abort();
    return 0;
}
