// The 64-bit tick count made from the wrapping 32-bit one.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/tick_widener.h"

namespace havro {
namespace {

TEST(TickWidenerTest, CountsOnAcrossWrapsAndNeverGoesBack) {
    struct Row {
        std::uint32_t now;
        std::uint64_t expected;
    };
    const std::vector<Row> rows = {
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
    for (const Row& row : rows) {
        SCOPED_TRACE(row.now);
        EXPECT_EQ(widener.widen(row.now), row.expected);
    }
}

}  // namespace
}  // namespace havro
