#include "level_math.h"

#include <cmath>

namespace havro {

float PercentToDb(int32_t percent, float minDb, float maxDb) {
    if (percent <= 0) return minDb;
    // Each step is stored in a float on purpose: the truncating read-back depends on the
    // single-precision result lying just below the whole number.
    const float fraction = static_cast<float>(percent) / 100.0f;
    const float log10Fraction = std::log(fraction) / std::log(10.0f);
    const float relative = log10Fraction * 20.0f;
    return relative + maxDb;
}

int32_t DbToPercent(float currentDb, float maxDb) {
    const float exponent = (currentDb - maxDb) / 20.0f;
    const float percent = 100.0f * std::pow(10.0f, exponent);
    if (!(percent > 0.0f)) return 0;  // also NaN
    if (percent >= 2147483520.0f) return INT32_MAX;
    return static_cast<int32_t>(percent);
}

}  // namespace havro
