#include <gtest/gtest.h>

#include "modules/mixer_level_text.h"

namespace tk::leveltext {
namespace {

const DeviceLevels device{"SoundMAX | Digital; Audio: 1.0, 100%",
                          {{0, 3, 0, 133, 0, 65535, {52428, 40000}},
                           {0, 3, 1, 453, 0, 1, {1}},
                           {1, 2, 0, 0, 0, 1, {0, 1}},
                           {1, 0, 1, 451, -10, 10, {-7}}}};

TEST(LevelText, RoundTripGivesTheValuesBack) {
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    const auto text = encode(device);
    ASSERT_TRUE(text);
    // Separators, dots and the escape sign itself are escaped in the device name.
    EXPECT_EQ(text->rfind("TKL1|SoundMAX %7C Digital%3B Audio%3A 1%2E0%2C 100%25|4|", 0), 0u);
    // The device's values have changed since; the text brings the old ones back.
    DeviceLevels now = device;
    now.controls[0].values = {0, 0};
    now.controls[3].values = {3};
    const auto decoded = decode(*text, now);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->controls.size(), device.controls.size());
    for (std::size_t i = 0; i < device.controls.size(); ++i)
        EXPECT_EQ(decoded->controls[i].values, device.controls[i].values) << i;
}

// A text is refused when it is damaged, belongs to another device or layout, or (even
// correctly signed) holds what the encoder never writes.
TEST(LevelText, RefusesDamagedForeignAndBadTexts) {
    const std::string text = *encode(device);
    const std::string body = text.substr(0, text.rfind('|'));
    const auto signedWith = [&](const std::string& from, const std::string& to) {
        std::string b = body;
        EXPECT_NE(b.find(from), std::string::npos) << from;
        if (b.find(from) != std::string::npos) b.replace(b.find(from), from.size(), to);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", crc32(b));
        return b + "|" + hex;
    };
    ASSERT_TRUE(decode(signedWith("TKL1", "TKL1"), device));
    for (const auto& [from, to] :
         std::initializer_list<std::pair<const char*, const char*>>{{":52428,", ":65536,"},
                                                                    {":-7", ":-11"},
                                                                    {":52428,", ":+52428,"},
                                                                    {":52428,", ":99999999999999,"},
                                                                    {":52428,40000", ":52428"},
                                                                    {"TKL1|", "TKL2|"},
                                                                    {"|4|", "|5|"}})
        EXPECT_FALSE(decode(signedWith(from, to), device)) << from << " -> " << to;
    for (std::size_t n = 0; n < text.size(); ++n) {
        EXPECT_FALSE(decode(text.substr(0, n), device)) << "prefix " << n;
        std::string changed = text;
        changed[n] = changed[n] == '7' ? '8' : '7';
        EXPECT_FALSE(decode(changed, device)) << "changed at " << n;
    }
    EXPECT_FALSE(decode(text + "|", device));
    EXPECT_FALSE(decode(std::string(kMaxLevelTextLength + 1, '1'), device));
    using Change = void (*)(DeviceLevels&);
    for (Change change :
         std::initializer_list<Change>{[](DeviceLevels& d) { d.deviceName = "Other Card"; },
                                       [](DeviceLevels& d) { d.controls.pop_back(); },
                                       [](DeviceLevels& d) { d.controls[1].type = 454; },
                                       [](DeviceLevels& d) { d.controls[0].values = {7}; }}) {
        DeviceLevels other = device;
        change(other);
        EXPECT_FALSE(decode(text, other));
    }
    EXPECT_FALSE(encode({"", std::vector<ControlLevels>(5000, device.controls[0])}));
}

}  // namespace
}  // namespace tk::leveltext
