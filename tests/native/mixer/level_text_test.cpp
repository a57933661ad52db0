#include <gtest/gtest.h>

#include "modules/mixer_level_text.h"

namespace tk::leveltext {
namespace {

DeviceLevels sampleDevice() {
    DeviceLevels d;
    d.deviceName = "SoundMAX | Digital; Audio: 1.0, 100%";
    d.controls = {
        {0, 3, 0, 133, 0, 65535, {52428, 40000}},
        {0, 3, 1, 453, 0, 1, {1}},
        {1, 2, 0, 0, 0, 1, {0, 1}},
        {1, 0, 1, 451, -10, 10, {-7}},
    };
    return d;
}

std::string resign(const std::string& body) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", crc32(body));
    return body + "|" + hex;
}

std::string bodyOf(const std::string& text) {
    return text.substr(0, text.rfind('|'));
}

TEST(LevelText, RoundTripGivesTheValuesBack) {
    DeviceLevels device = sampleDevice();
    auto text = encode(device);
    ASSERT_TRUE(text);
    // Separators, dots and the escape sign itself are escaped in the device name.
    EXPECT_EQ(text->rfind("TKL1|SoundMAX %7C Digital%3B Audio%3A 1%2E0%2C 100%25|4|", 0), 0u);
    EXPECT_EQ(text->find('\n'), std::string::npos);

    // The device's values have changed since; the text brings the old ones back.
    DeviceLevels now = device;
    now.controls[0].values = {0, 0};
    now.controls[1].values = {0};
    now.controls[3].values = {3};
    auto decoded = decode(*text, now);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->controls.size(), device.controls.size());
    for (std::size_t i = 0; i < device.controls.size(); ++i)
        EXPECT_EQ(decoded->controls[i].values, device.controls[i].values) << i;

    // A device without controls, named outside ASCII.
    DeviceLevels empty;
    empty.deviceName = "Lautsprecher (Realtek\xC2\xAE High Definition)";
    text = encode(empty);
    ASSERT_TRUE(text);
    decoded = decode(*text, empty);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->controls.empty());
}

TEST(LevelText, RejectsEmptyForeignAndDamagedTexts) {
    DeviceLevels device = sampleDevice();
    const std::string text = *encode(device);

    EXPECT_FALSE(decode("", device));
    EXPECT_FALSE(decode("0", device));
    EXPECT_FALSE(decode("garbage|text", device));

    // Every truncation.
    for (std::size_t n = 0; n < text.size(); ++n)
        EXPECT_FALSE(decode(text.substr(0, n), device)) << "prefix " << n;
    // Every single changed character.
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string bad = text;
        bad[i] = bad[i] == '7' ? '8' : '7';
        EXPECT_FALSE(decode(bad, device)) << "changed at " << i;
    }
    // Extra text behind it.
    EXPECT_FALSE(decode(text + "0", device));
    EXPECT_FALSE(decode(text + "|", device));
}

TEST(LevelText, RejectsAnotherDeviceOrLayout) {
    DeviceLevels device = sampleDevice();
    const std::string text = *encode(device);

    DeviceLevels renamed = device;
    renamed.deviceName = "Other Card";
    EXPECT_FALSE(decode(text, renamed));

    DeviceLevels fewer = device;
    fewer.controls.pop_back();
    EXPECT_FALSE(decode(text, fewer));

    DeviceLevels more = device;
    more.controls.push_back({2, 0, 0, 133, 0, 65535, {1, 2}});
    EXPECT_FALSE(decode(text, more));

    DeviceLevels otherType = device;
    otherType.controls[1].type = 454;
    EXPECT_FALSE(decode(text, otherType));

    DeviceLevels otherRange = device;
    otherRange.controls[0].maximum = 100;
    EXPECT_FALSE(decode(text, otherRange));

    DeviceLevels mono = device;
    mono.controls[0].values = {7};
    EXPECT_FALSE(decode(text, mono));

    DeviceLevels moved = device;
    moved.controls[2].line = 1;
    EXPECT_FALSE(decode(text, moved));
}

TEST(LevelText, RejectsWellSignedTextsWithBadContent) {
    DeviceLevels device = sampleDevice();
    const std::string body = bodyOf(*encode(device));
    ASSERT_TRUE(decode(resign(body), device));

    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string b = body;
        std::size_t at = b.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) b.replace(at, from.size(), to);
        return resign(b);
    };
    // A value out of its control's range.
    EXPECT_FALSE(decode(replaced(":52428,", ":65536,"), device));
    EXPECT_FALSE(decode(replaced(":-7", ":-11"), device));
    EXPECT_FALSE(decode(replaced(":1;", ":2;"), device));
    // Numbers not written the one way the encoder writes them.
    EXPECT_FALSE(decode(replaced(":52428,", ":+52428,"), device));
    EXPECT_FALSE(decode(replaced(":52428,", ":052428,"), device));
    EXPECT_FALSE(decode(replaced(":52428,", ": 52428,"), device));
    EXPECT_FALSE(decode(replaced(":52428,", ":52428.5,"), device));
    EXPECT_FALSE(decode(replaced(":52428,", ":99999999999999,"), device));
    // Missing or extra values, records and fields.
    EXPECT_FALSE(decode(replaced(":52428,40000", ":52428"), device));
    EXPECT_FALSE(decode(replaced(":52428,40000", ":52428,40000,1"), device));
    EXPECT_FALSE(decode(replaced("TKL1|", "TKL2|"), device));
    EXPECT_FALSE(decode(replaced("|4|", "|5|"), device));
    EXPECT_FALSE(decode(replaced(";", ";;"), device));
}

TEST(LevelText, HugeTextsAreRefused) {
    DeviceLevels device = sampleDevice();
    std::string huge(kMaxLevelTextLength + 1, '1');
    EXPECT_FALSE(decode(huge, device));

    DeviceLevels big;
    big.deviceName = "Big";
    for (int i = 0; i < 5000; ++i)
        big.controls.push_back({0,
                                static_cast<int16_t>(i % 100),
                                static_cast<int16_t>(i / 100),
                                133,
                                0,
                                65535,
                                {65535, 65535}});
    EXPECT_FALSE(encode(big));
}

TEST(LevelText, Crc32KnownValue) {
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
}

}  // namespace
}  // namespace tk::leveltext
