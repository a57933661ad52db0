// Percent <-> decibel conversion of the endpoint levels.
//
// The program passes levels as whole percentages; controls work in dB over [min, max].
// Both directions are computed in single precision, and the percent result is truncated,
// not rounded, so a round trip may lose one percent: on a control with max 0 dB that stores
// exactly what it is given, 50 comes back as 50 but 20 as 19 and 2 as 1.
#pragma once

#include <cstdint>

namespace havro {

// p = 0 gives minDb; otherwise maxDb + 20 * log10(p / 100), computed as
// (ln(p / 100) / ln 10) * 20 + max in float. Not clamped: 200 asks for max + 6 dB.
// Negative p is treated as 0.
float PercentToDb(int32_t percent, float minDb, float maxDb);

// trunc(100 * 10^((cur - max) / 20)) in float, kept within 0..INT32_MAX (a NaN gives 0).
int32_t DbToPercent(float currentDb, float maxDb);

}  // namespace havro
