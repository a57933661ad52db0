#include <gtest/gtest.h>

#include "modules/mixer_level_text.h"

namespace tk::leveltext {
namespace {

// What a text looks like, and the texts refused though correctly signed: a value outside its
// range or not as the encoder writes it, another device or layout; and a text too long.
TEST(LevelText, FormAndRefusals) {
    const DeviceLevels card{
        "Card 1.0 | 100%",
        {{0, 3, 0, 133, 0, 65535, {52428, 40000}}, {1, 0, 1, 451, -10, 10, {-7}}}};
    const std::string text = *encode(card);
    EXPECT_EQ(text.rfind("TKL1|Card 1%2E0 %7C 100%25|2|", 0), 0u);  // its separators escaped
    // The text with `from` replaced by `to`, signed again.
    const auto forged = [&](const std::string& from, const std::string& to) {
        std::string body = text.substr(0, text.rfind('|'));
        body.replace(body.find(from), from.size(), to);
        char crc[10];
        std::snprintf(crc, sizeof crc, "|%08x", crc32(body));
        return body + crc;
    };
    EXPECT_EQ(forged("|2|", "|2|"), text);
    for (const std::string& bad : {forged(":52428,", ":65536,"), forged(":-7", ":-11"),
                                   forged(":52428,", ":+52428,"), forged("|2|", "|3|")})
        EXPECT_FALSE(decode(bad, card)) << bad;
    DeviceLevels other = card;
    other.deviceName = "Card 1,0";
    EXPECT_FALSE(decode(text, other));
    other = card;
    other.controls[1].type = 454;
    EXPECT_FALSE(decode(text, other));
    EXPECT_FALSE(encode({"", std::vector<ControlLevels>(5000, card.controls[0])}));
}

}  // namespace
}  // namespace tk::leveltext
