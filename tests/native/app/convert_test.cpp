#include <gtest/gtest.h>

#include "modules/convert.h"

namespace tk {
namespace {

TEST(ConvertTest, IntegersRoundTiesToEvenAndRejectWhatIsNotANumber) {
    EXPECT_EQ(toInteger("3"), 3);
    EXPECT_EQ(toInteger(" -1 "), -1);
    EXPECT_EQ(toInteger("2.5"), 2);
    EXPECT_EQ(toInteger("3.5"), 4);
    EXPECT_EQ(toLong("50.5"), 50);
    EXPECT_EQ(toLong("51.5"), 52);
    for (const char* bad : {"", " ", "abc", "1x", "-", ".", "40000", "1e999", "nan", "inf"})
        EXPECT_THROW(toInteger(bad), ConversionError) << bad;
}

TEST(ConvertTest, OptionValuesOutsideTheCheckStatesReadAsZero) {
    const std::pair<const char*, int> rows[] = {{"0", 0},  {"1", 1},   {"2", 2}, {"3", 0},
                                                {"-1", 0}, {"yes", 0}, {"", 0},  {"1.5", 2}};
    for (const auto& [text, value] : rows) EXPECT_EQ(toCheckValue(text), value) << text;
}

}  // namespace
}  // namespace tk
