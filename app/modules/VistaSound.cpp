#include "VistaSound.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "convert.h"

namespace tk {

namespace {

// Positions in a stored text are counted in 16 bits; a comma beyond that limit makes
// the text unreadable rather than silently truncated.
constexpr size_t kMaxPosition = 32767;

std::string flagText(int32_t flag) {
    return flag != 0 ? "True" : "False";
}

// Cuts the level-set text into fields one at a time, in order.
class FieldReader {
  public:
    explicit FieldReader(const std::string& text) : text_(text) {}

    std::string next() {
        size_t comma = text_.find(',', pos_);
        if (comma == std::string::npos) throw LevelSetError("Invalid procedure call or argument");
        // 1-based position of the character after the comma must still be countable.
        if (comma + 2 > kMaxPosition) throw LevelSetError("Overflow");
        std::string field = text_.substr(pos_, comma - pos_);
        pos_ = comma + 1;
        return field;
    }

  private:
    const std::string& text_;
    size_t pos_ = 0;
};

}  // namespace

std::string formatDecibels(double db) {
    if (db == 0 || !std::isfinite(db)) return "0";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, db, std::chars_format::general, 15);
    if (ec != std::errc()) return "0";
    std::string s(buf, end);
    for (char& c : s)
        if (c == 'e') c = 'E';
    if (s.compare(0, 2, "0.") == 0)
        s.erase(0, 1);
    else if (s.compare(0, 3, "-0.") == 0)
        s.erase(1, 1);
    return s;
}

int32_t parseFlagField(const std::string& field) {
    std::string word = lower(trimBlanks(field));
    if (word == "true") return -1;
    if (word == "false") return 0;
    return toDouble(field) != 0 ? -1 : 0;
}

std::string CaptureVistaLevels(HavroLibrary& library) {
    int32_t status = 0;
    std::string text;
    auto percent = [&](int32_t value) { text += std::to_string(value) + ","; };
    auto flag = [&](int32_t value) { text += flagText(value) + ","; };
    auto decibels = [&](double value) { text += formatDecibels(value) + ","; };

    percent(library.GetMasterVolume(status));
    flag(library.GetMasterMute(status));
    percent(library.GetLinePlayBack(status));
    flag(library.GetLinePlayBackMute(status));
    percent(library.GetMicPlayBack(status));
    flag(library.GetMicPlayBackMute(status));
    flag(library.GetMicBoost(status));
    flag(library.GetNoMonitor(status));
    double db = 0;
    library.GetBass(db, status);
    decibels(db);
    db = 0;
    library.GetMidRange(db, status);
    decibels(db);
    db = 0;
    library.GetTreble(db, status);
    decibels(db);
    percent(library.GetMicRecordVolume(status));
    percent(library.GetLineRecordVolume(status));
    return text;
}

std::string KeepMissingDeviceLevels(const std::string& captured, const std::string& stored,
                                    const std::array<bool, 3>& missing) {
    // The device each field belongs to: 0 playback, 1 line-in, 2 microphone.
    constexpr int kDeviceOf[13] = {0, 0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 2, 1};
    auto split = [](const std::string& text) {
        std::vector<std::string> fields;
        size_t from = 0;
        for (size_t comma; (comma = text.find(',', from)) != std::string::npos; from = comma + 1)
            fields.push_back(text.substr(from, comma - from));
        return fields;
    };
    std::vector<std::string> now = split(captured);
    const std::vector<std::string> kept = split(stored);
    if (now.size() != 13 || kept.size() != 13) return captured;
    std::string text;
    for (size_t i = 0; i < now.size(); ++i)
        text += (missing[kDeviceOf[i]] ? kept[i] : now[i]) + ",";
    return text;
}

void ApplyVistaLevels(HavroLibrary& library, const std::string& text) {
    FieldReader fields(text);
    int32_t status = 0;
    auto percent = [&] { return toLong(fields.next()); };
    auto flag = [&] { return parseFlagField(fields.next()); };
    auto decibels = [&] { return toDouble(fields.next()); };

    library.SetMasterVolume(percent(), status);
    library.SetMasterMute(flag(), status);
    library.SetLinePlayBack(percent(), status);
    library.SetLinePlayBackMute(flag(), status);
    library.SetMicPlayBack(percent(), status);
    library.SetMicPlayBackMute(flag(), status);
    library.SetMicBoost(flag(), status);
    library.SetNoMonitor(flag(), status);
    library.SetBass(decibels(), status);
    library.SetMidRange(decibels(), status);
    library.SetTreble(decibels(), status);
    library.SetMicRecordVolume(roundHalfEven(decibels()), status);
    library.SetLineRecordVolume(roundHalfEven(decibels()), status);
}

}  // namespace tk
