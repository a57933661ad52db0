// The level text: every level of one mixer device as one line of text, stored per
// program entry and applied again later, perhaps after the device set has changed.
//
// The text carries the device's name and layout (each control's position, type and
// range) and a checksum, so a text from another device, a device whose layout has
// changed, or a text damaged in storage is recognised and rejected as a whole before
// a single level is written.
//
//   TKL1|<name>|<count>|<d>.<l>.<c>.<type>.<min>.<max>:<v>,<v>...;...|<checksum>
//
// <name> is the device name in UTF-8 with '%', '|', ';', ':', ',', '.' and control
// characters written as %XX; numbers are decimal; the checksum is the CRC-32 of
// everything before its own '|', as eight lower-case hex digits. The text is plain
// ASCII apart from the name and never longer than kMaxLevelTextLength, so it fits one
// registry string value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tk::leveltext {

inline constexpr std::size_t kMaxLevelTextLength = 65536;

// One control of the device and its values: one per channel, or for a control with
// several items (a record source selector) one per item.
struct ControlLevels {
    int16_t destination = 0;
    int16_t line = 0;
    int16_t control = 0;
    int16_t type = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
    std::vector<int32_t> values;

    bool sameLayout(const ControlLevels& other) const {
        return destination == other.destination && line == other.line && control == other.control &&
               type == other.type && minimum == other.minimum && maximum == other.maximum &&
               values.size() == other.values.size();
    }
};

struct DeviceLevels {
    std::string deviceName;
    std::vector<ControlLevels> controls;
};

// The text for `device`; nothing when it would be longer than kMaxLevelTextLength.
std::optional<std::string> encode(const DeviceLevels& device);

// Reads `text` against the device it is to be applied to. `layout` holds the device's
// name and controls (their values are ignored). Returns the levels to write — same
// controls, same order as `layout` — or nothing when the text is empty, too long,
// damaged, not in this format, or from a device with another name or layout, or
// when a value lies outside its control's range.
std::optional<DeviceLevels> decode(std::string_view text, const DeviceLevels& layout);

uint32_t crc32(std::string_view data);

}  // namespace tk::leveltext
