// Percent <-> decibel conversion.
#include <gtest/gtest.h>

#include <cmath>

#include "core/level_math.h"

namespace havro {
namespace {

TEST(LevelMathTest, PercentToDbFollowsTheLogRule) {
    EXPECT_FLOAT_EQ(PercentToDb(100, -65.25f, 0), 0);
    EXPECT_NEAR(PercentToDb(50, -65.25f, 0), -6.0206f, 1e-4);
    EXPECT_FLOAT_EQ(PercentToDb(10, -65.25f, 0), -20);
    EXPECT_FLOAT_EQ(PercentToDb(1, -65.25f, 0), -40);
    EXPECT_FLOAT_EQ(PercentToDb(10, -12, 30), 10);  // relative to the maximum
}

TEST(LevelMathTest, ZeroGivesTheMinimumAndNothingIsClamped) {
    EXPECT_FLOAT_EQ(PercentToDb(0, -65.25f, 0), -65.25f);
    EXPECT_FLOAT_EQ(PercentToDb(-7, -65.25f, 0), -65.25f);  // negative input: as 0
    EXPECT_NEAR(PercentToDb(200, -65.25f, 0), 6.0206f, 1e-4);
    EXPECT_FLOAT_EQ(PercentToDb(1, -20, 0), -40);  // below a narrow range's minimum
}

TEST(LevelMathTest, ReadBackTruncatesTheSinglePrecisionResult) {
    EXPECT_EQ(DbToPercent(PercentToDb(50, -96, 0), 0), 50);
    EXPECT_EQ(DbToPercent(PercentToDb(20, -96, 0), 0), 19);
    EXPECT_EQ(DbToPercent(PercentToDb(2, -96, 0), 0), 1);
    EXPECT_EQ(DbToPercent(PercentToDb(100, -96, 0), 0), 100);
    EXPECT_EQ(DbToPercent(-20, 0), 10);
    EXPECT_EQ(DbToPercent(-40, 0), 1);
    EXPECT_EQ(DbToPercent(10, 30), 10);
}

TEST(LevelMathTest, OutlandishLevelsStayInRange) {
    EXPECT_EQ(DbToPercent(-1000, 0), 0);
    EXPECT_EQ(DbToPercent(1000, 0), INT32_MAX);
    EXPECT_EQ(DbToPercent(std::nanf(""), 0), 0);
    EXPECT_EQ(DbToPercent(6.0206f, 0), 199);  // 199.99..., truncated
}

}  // namespace
}  // namespace havro
