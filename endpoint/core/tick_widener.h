// A 64-bit millisecond count built from the 32-bit one that wraps every 49.7 days, for
// systems that lack the 64-bit tick count (Windows XP).
#pragma once

#include <atomic>
#include <cstdint>

namespace havro {

class TickWidener {
  public:
    // `now` is the 32-bit count just read. A count well below the last one seen means it
    // wrapped; one a little below it was read before another caller's newer one and
    // gives that newer count, so the result never goes back. Calls must come at least
    // once per wrap period for every wrap to be seen.
    std::uint64_t widen(std::uint32_t now) {
        std::uint64_t seen = last_.load();
        for (;;) {
            const auto low = static_cast<std::uint32_t>(seen);
            std::uint64_t high = seen - low;
            if (now < low) {
                if (low - now < kHalfRange) return seen;
                high += std::uint64_t{1} << 32;
            }
            const std::uint64_t next = high | now;
            if (last_.compare_exchange_weak(seen, next)) return next;
        }
    }

  private:
    static constexpr std::uint32_t kHalfRange = 0x80000000u;
    std::atomic<std::uint64_t> last_{0};
};

}  // namespace havro
