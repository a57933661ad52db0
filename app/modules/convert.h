// Text <-> number conversions with the rules the stored settings were written by.
//
// Integer conversions accept optional blanks around an optional sign, decimal digits,
// an optional fraction and exponent ("3", " -1 ", "2.5", "1e2"); a fraction is rounded
// to the nearest whole number with ties to even. Anything else — an empty text, a
// word, a number out of range — throws ConversionError. The decimal separator is
// always "." whatever the user's locale.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tk {

struct ConversionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double toDouble(std::string_view text);
int16_t toInteger(std::string_view text);  // 16-bit
int32_t toLong(std::string_view text);     // 32-bit
// Rounds to the nearest whole number, ties to even; throws when out of 32-bit range.
int32_t roundHalfEven(double value);

// Option values: a stored text that is not a whole number 0..2 reads as 0.
int toCheckValue(std::string_view text);

// The text after the last "\" (the whole text when it has none).
std::string fileTitle(std::string_view path);
std::string trimBlanks(std::string_view text);
std::string trimLeftBlanks(std::string_view text);
std::string upper(std::string_view text);  // ASCII letters only
std::string lower(std::string_view text);

// "Havro Tonekeep" + CR + status line: CR is the single character 13.
inline constexpr char kCR = '\r';

}  // namespace tk
