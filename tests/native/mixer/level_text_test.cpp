#include <gtest/gtest.h>

#include "modules/mixer_level_text.h"

namespace tk::leveltext {
namespace {

// What a text looks like; the texts refused though correctly signed (a value outside its
// range, another device or layout); a text too long.
TEST(LevelText, FormAndRefusals) {
    const DeviceLevels card{
        "Card 1.0 | 100%",
        {{0, 3, 0, 133, 0, 65535, {52428, 40000}}, {1, 0, 1, 451, -10, 10, {-7}}}};
    EXPECT_EQ(encode(card)->rfind("TKL1|Card 1%2E0 %7C 100%25|2|", 0), 0u);  // separators escaped
    EXPECT_TRUE(decode(*encode(card), card));
    for (auto change : std::initializer_list<void (*)(DeviceLevels&)>{
             [](DeviceLevels& d) { d.controls[0].values[1] = 65536; },
             [](DeviceLevels& d) { d.controls[1].values[0] = -11; },
             [](DeviceLevels& d) { d.deviceName = "Card 1,0"; },
             [](DeviceLevels& d) { d.controls[1].type = 454; },
             [](DeviceLevels& d) { d.controls.pop_back(); }}) {
        DeviceLevels other = card;
        change(other);
        EXPECT_FALSE(decode(*encode(other), card)) << *encode(other);
    }
    EXPECT_FALSE(encode({"", std::vector<ControlLevels>(5000, card.controls[0])}));
}

}  // namespace
}  // namespace tk::leveltext
