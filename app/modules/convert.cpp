#include "convert.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace tk {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string trimBlanks(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string trimLeftBlanks(std::string_view text) {
    size_t b = 0;
    while (b < text.size() && text[b] == ' ') ++b;
    return std::string(text.substr(b));
}

double toDouble(std::string_view text) {
    std::string t = trimBlanks(text);
    std::string_view v = t;
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    if (v.empty()) throw ConversionError("Type mismatch");
    // from_chars reads "." whatever the locale; it rejects "inf"/"nan" forms only
    // when told to parse fixed/scientific, so check the characters first.
    for (char c : v)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
              c == 'e' || c == 'E'))
            throw ConversionError("Type mismatch");
    double value = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(value))
        throw ConversionError("Type mismatch");
    return value;
}

int32_t roundHalfEven(double value) {
    double r = std::nearbyint(value);  // default rounding mode: to nearest, ties to even
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        throw ConversionError("Overflow");
    return static_cast<int32_t>(r);
}

int32_t toLong(std::string_view text) {
    return roundHalfEven(toDouble(text));
}

int16_t toInteger(std::string_view text) {
    int32_t v = toLong(text);
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        throw ConversionError("Overflow");
    return static_cast<int16_t>(v);
}

int toCheckValue(std::string_view text) {
    try {
        int v = toInteger(text);
        return v >= 0 && v <= 2 ? v : 0;
    } catch (const ConversionError&) {
        return 0;
    }
}

std::string fileTitle(std::string_view path) {
    size_t p = path.rfind('\\');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string upper(std::string_view text) {
    std::string r(text);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string lower(std::string_view text) {
    std::string r(text);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

}  // namespace tk
