// The endpoint level set: every control of the open endpoint set written as one line
// of text, and that text applied back.
//
// The text has 13 fields in a fixed order, each followed by one comma:
//   master volume %, master mute, line playback %, line playback mute,
//   microphone playback %, microphone playback mute, microphone boost, no-monitor,
//   bass dB, mid-range dB, treble dB, microphone recording %, line-in recording %,
// for example "75,False,50,True,0,True,False,True,-4.5,0,3,80,65,".
// Percent fields are whole numbers; flags are "True"/"False"; decibels use "." as
// the decimal separator whatever the locale, at most 15 significant digits, no
// trailing zeros and no zero before the point (-.5). Stored texts written by older
// versions have the same form, so both directions keep it exactly.
//
// Library statuses are ignored in both directions: a missing control reads as its
// export's failure value (0 or False) and silently refuses a write.
#pragma once

#include <array>
#include <stdexcept>
#include <string>

#include "../platform/havro_library.h"

namespace tk {

// A level-set text that cannot be read: a field without its comma, or a comma beyond
// the 32767th character (the stored texts' position limit). Unconvertible field
// values raise ConversionError (convert.h) instead.
struct LevelSetError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads the 13 controls in field order. Never fails (except for LibraryMissing from
// the binding itself).
std::string CaptureVistaLevels(HavroLibrary& library);

// `captured` with the fields of every device marked in `missing` (playback, line-in,
// microphone) taken from `stored`: the levels of a device that is not there cannot be
// read, and what was stored for it stays. A text without its 13 fields is not merged:
// `captured` comes back as it is.
std::string KeepMissingDeviceLevels(const std::string& captured, const std::string& stored,
                                    const std::array<bool, 3>& missing);

// Sets the controls field by field, in order. Throws LevelSetError or ConversionError
// at the first field it cannot read; the fields before it have then been applied.
void ApplyVistaLevels(HavroLibrary& library, const std::string& text);

// The decibel field format: "-4.5", "-.5", ".25", "0", "12", "1E+15".
std::string formatDecibels(double db);

// A flag field: "True"/"False" in any letter case, or a number (0 off, else on).
// Returns the library's flag value, -1 on or 0 off; throws ConversionError otherwise.
int32_t parseFlagField(const std::string& field);

}  // namespace tk
