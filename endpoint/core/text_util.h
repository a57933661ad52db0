// Small text helpers of the library core: ASCII-only case mapping (the matching rules
// ignore letter case for A-Z only) and substring tests on UTF-16 names.
#pragma once

#include <string>
#include <initializer_list>
#include <string_view>

namespace havro {

inline bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

inline std::u16string LowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return out;
}

inline std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Whether the lower-cased name contains any of the given lower-case needles.
inline bool NameHasAny(std::u16string_view lowerName,
                       std::initializer_list<std::u16string_view> needles) {
    for (std::u16string_view needle : needles) {
        if (lowerName.find(needle) != std::u16string_view::npos) return true;
    }
    return false;
}

}  // namespace havro
