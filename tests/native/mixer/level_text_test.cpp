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
    const auto sign = [](const std::string& body) {
        char crc[10];
        std::snprintf(crc, sizeof crc, "|%08x", crc32(body));
        return body + crc;
    };
    const std::string body = text.substr(0, text.rfind('|'));
    EXPECT_EQ(sign(body), text);
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string changed = body;
        return sign(changed.replace(body.find(from), from.size(), to));
    };
    for (const std::string& forged : {with(":52428,", ":65536,"), with(":-7", ":-11"),
                                      with(":52428,", ":+52428,"), with("|2|", "|3|")})
        EXPECT_FALSE(decode(forged, card)) << forged;
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
