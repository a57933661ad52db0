// Percent <-> decibel conversion, the widened tick count and the one Core Audio identifier
// only Windows itself asks of the program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "core/level_math.h"
#include "core/tick_widener.h"
#include "coreaudio_ids.h"

namespace havro {
namespace {

// Percent to dB follows the log rule below the maximum, unclamped; the read-back truncates
// the single-precision result (a set percent can read back one lower) and stays in range.
TEST(LevelMathTest, LogRuleAndTruncatingReadBack) {
    const struct {
        int32_t percent;
        float minDb, maxDb, db;
    } rows[] = {{100, -65.25f, 0, 0},      {50, -65.25f, 0, -6.0206f}, {10, -65.25f, 0, -20},
                {1, -65.25f, 0, -40},      {10, -12, 30, 10},          {0, -65.25f, 0, -65.25f},
                {-7, -65.25f, 0, -65.25f}, {200, -65.25f, 0, 6.0206f}, {1, -20, 0, -40}};
    for (const auto& r : rows)
        EXPECT_NEAR(PercentToDb(r.percent, r.minDb, r.maxDb), r.db, 1e-4) << r.percent;
    for (auto [set, get] : {std::pair{50, 50}, {20, 19}, {2, 1}, {100, 100}})
        EXPECT_EQ(DbToPercent(PercentToDb(set, -96, 0), 0), get) << set;
    const std::pair<float, int32_t> reads[] = {
        {-20, 10}, {-40, 1}, {-1000, 0}, {1000, INT32_MAX}, {6.0206f, 199}, {std::nanf(""), 0}};
    for (auto [db, percent] : reads) EXPECT_EQ(DbToPercent(db, 0), percent) << db;
    EXPECT_EQ(DbToPercent(10, 30), 10);
}

TEST(TickWidenerTest, CountsOnAcrossWrapsAndNeverGoesBack) {
    const std::pair<uint32_t, uint64_t> rows[] = {
        {5, 5},
        {0x7FFFFFFF, 0x7FFFFFFF},
        {0x7FFFFF00, 0x7FFFFFFF},  // read before a newer count: that one
        {0xFFFFFFF0, 0xFFFFFFF0},
        {0x10, 0x100000010},        // wrapped
        {0x5, 0x100000010},         // a stale read just after the wrap
        {0x80000011, 0x180000011},  // half the range on: still the same round
        {0x11, 0x200000011},        // half the range back: wrapped again
    };
    TickWidener widener;
    for (const auto& [now, expected] : rows) EXPECT_EQ(widener.widen(now), expected) << now;
}

// Against the SDK's text, not the table's own numbers; every other identifier is asked for
// by Wine or the topology tests' stand-in, which answer only the right values.
TEST(CoreAudioIdsTest, NotificationClientHasTheWindowsValue) {
    const ids::Guid& g = ids::kIidMMNotificationClient;
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    EXPECT_STREQ(text, "7991EEC9-7E89-4D85-8390-6C703CEC60C0");
}

}  // namespace
}  // namespace havro
