#include "mixer_level_text.h"

#include <array>
#include <charconv>

namespace tk::leveltext {

namespace {

constexpr std::string_view kMagic = "TKL1";

bool needsEscape(unsigned char c) {
    return c < 0x20 || c == 0x7f || c == '%' || c == '|' || c == ';' || c == ':' || c == ',' ||
           c == '.';
}

std::string escapeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name) {
        if (needsEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Splits at every `sep`; empty pieces are kept so that a doubled separator shows.
std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(sep, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

// A whole decimal number, optional '-' only: no blanks, no '+', no leading zeros
// beyond a single "0", so that one value has exactly one spelling.
template <typename T>
std::optional<T> parseNumber(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::string_view digits = text[0] == '-' ? text.substr(1) : text;
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    if (text[0] == '-' && digits == "0") return std::nullopt;
    T value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string hex8(uint32_t v) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4) out[i] = kHex[v & 0xf];
    return out;
}

}  // namespace

uint32_t crc32(std::string_view data) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char ch : data) crc = table[(crc ^ ch) & 0xff] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::optional<std::string> encode(const DeviceLevels& device) {
    std::string body(kMagic);
    body += '|';
    body += escapeName(device.deviceName);
    body += '|';
    body += std::to_string(device.controls.size());
    body += '|';
    bool first = true;
    for (const ControlLevels& c : device.controls) {
        if (!first) body += ';';
        first = false;
        body += std::to_string(c.destination) + '.' + std::to_string(c.line) + '.' +
                std::to_string(c.control) + '.' + std::to_string(c.type) + '.' +
                std::to_string(c.minimum) + '.' + std::to_string(c.maximum) + ':';
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            if (i) body += ',';
            body += std::to_string(c.values[i]);
        }
        if (body.size() > kMaxLevelTextLength) return std::nullopt;
    }
    body += '|';
    body += hex8(crc32(body.substr(0, body.size() - 1)));
    if (body.size() > kMaxLevelTextLength) return std::nullopt;
    return body;
}

std::optional<DeviceLevels> decode(std::string_view text, const DeviceLevels& layout) {
    if (text.empty() || text.size() > kMaxLevelTextLength) return std::nullopt;

    // The checksum first: nothing of a damaged text is trusted.
    std::size_t lastBar = text.rfind('|');
    if (lastBar == std::string_view::npos) return std::nullopt;
    std::string_view checksum = text.substr(lastBar + 1);
    std::string_view body = text.substr(0, lastBar);
    if (checksum != hex8(crc32(body))) return std::nullopt;

    std::vector<std::string_view> fields = split(body, '|');
    if (fields.size() != 4 || fields[0] != kMagic) return std::nullopt;
    if (fields[1] != escapeName(layout.deviceName)) return std::nullopt;
    auto count = parseNumber<uint32_t>(fields[2]);
    if (!count || *count != layout.controls.size()) return std::nullopt;

    DeviceLevels out;
    out.deviceName = layout.deviceName;
    if (layout.controls.empty()) {
        if (!fields[3].empty()) return std::nullopt;
        return out;
    }
    std::vector<std::string_view> records = split(fields[3], ';');
    if (records.size() != layout.controls.size()) return std::nullopt;
    out.controls.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ControlLevels& expected = layout.controls[i];
        std::size_t colon = records[i].find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        std::vector<std::string_view> head = split(records[i].substr(0, colon), '.');
        if (head.size() != 6) return std::nullopt;
        auto d = parseNumber<int16_t>(head[0]);
        auto l = parseNumber<int16_t>(head[1]);
        auto c = parseNumber<int16_t>(head[2]);
        auto t = parseNumber<int16_t>(head[3]);
        auto lo = parseNumber<int32_t>(head[4]);
        auto hi = parseNumber<int32_t>(head[5]);
        if (!d || !l || !c || !t || !lo || !hi) return std::nullopt;

        ControlLevels read;
        read.destination = *d;
        read.line = *l;
        read.control = *c;
        read.type = *t;
        read.minimum = *lo;
        read.maximum = *hi;
        std::string_view valueText = records[i].substr(colon + 1);
        if (!valueText.empty()) {
            for (std::string_view v : split(valueText, ',')) {
                auto value = parseNumber<int32_t>(v);
                if (!value || *value < read.minimum || *value > read.maximum) return std::nullopt;
                read.values.push_back(*value);
            }
        }
        if (!read.sameLayout(expected)) return std::nullopt;
        out.controls.push_back(std::move(read));
    }
    return out;
}

}  // namespace tk::leveltext
