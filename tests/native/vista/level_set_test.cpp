// The level-set text: capture, apply, their failures, and independence from the
// user's locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <string>

#include "fake_library.h"
#include "modules/VistaSound.h"
#include "modules/convert.h"

namespace tk::test {
namespace {

class LevelSetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lib.addPlayback("Speakers", "AAAA-1");
        lib.addCapture("Microphone", "BBBB-2");
        lib.addCapture("Line In", "CCCC-3");
    }
    void openAll() {
        ASSERT_EQ(lib.OpenSoundCard("{AAAA-1}", "{BBBB-2}", "{CCCC-3}"), 0);
        lib.clearCalls();
    }
    FakeLibrary lib;
};

TEST_F(LevelSetTest, CaptureWritesFailureValuesForMissingAndFailingControls) {
    EXPECT_EQ(CaptureVistaLevels(lib), "0,False,0,False,0,False,False,False,0,0,0,0,0,");
    lib.playback[0].set(Ctl::MasterVolume, 40).set(Ctl::MasterMute, 1);
    lib.playback[0].without(Ctl::Bass).without(Ctl::Mid).without(Ctl::Treble);
    lib.playback[0][Ctl::LinePlay].fails = true;
    lib.playback[0].set(Ctl::LinePlay, 30);
    lib.capture[0].set(Ctl::MicBoost, 1);
    lib.capture[0][Ctl::MicBoost].fails = true;
    // Only the playback and microphone endpoints are open: line-in fields are missing.
    ASSERT_EQ(lib.OpenSoundCard("{AAAA-1}", "{BBBB-2}", ""), 0);
    EXPECT_EQ(CaptureVistaLevels(lib), "40,True,0,False,0,False,False,False,0,0,0,0,0,");
    // Apply ignores the statuses: what is missing or fails is skipped, the rest is set.
    ApplyVistaLevels(lib, "60,False,70,True,0,False,True,False,2,3,4,55,66,");
    EXPECT_EQ(lib.level(Ctl::MasterVolume), 60);
    EXPECT_EQ(lib.level(Ctl::MicRecord), 55);
}

// Decibels as the stored text writes them (at most 15 digits, each reading back as
// itself) and the flag fields as they are read.
TEST(LevelSetFields, DecibelTextAndFlagWords) {
    const std::pair<double, const char*> decibels[] = {
        {-0.5, "-.5"},
        {0.0, "0"},
        {-0.0, "0"},
        {12.0, "12"},
        {1e15, "1E+15"},
        {0.00001, "1E-05"},
        {1.0 / 3.0, ".333333333333333"},
        {static_cast<double>(-4.1f), "-4.09999990463257"}};
    for (const auto& [value, text] : decibels) {
        EXPECT_EQ(formatDecibels(value), text);
        EXPECT_NEAR(toDouble(formatDecibels(value)), value, 1e-14 * (1 + std::abs(value)));
    }
    const std::pair<const char*, int> flags[] = {
        {"True", -1}, {"false", 0}, {"1", -1}, {"0", 0}, {"2.5", -1}};
    for (const auto& [text, flag] : flags) EXPECT_EQ(parseFlagField(text), flag) << text;
    EXPECT_THROW(parseFlagField(""), ConversionError);
    EXPECT_THROW(parseFlagField("yes"), ConversionError);
}

// Apply sets every control in field order, capture reads them in the same order, and the
// captured text is the applied one.
TEST_F(LevelSetTest, ApplyAndCaptureGoThroughEveryControlInOrder) {
    openAll();
    const std::string text = "75,False,50,True,0,True,False,True,-4.5,-.5,3,80,65,";
    ApplyVistaLevels(lib, text);
    const std::vector<std::string> names = {"MasterVolume",     "MasterMute",  "LinePlayBack",
                                            "LinePlayBackMute", "MicPlayBack", "MicPlayBackMute",
                                            "MicBoost",         "NoMonitor",   "Bass",
                                            "MidRange",         "Treble",      "MicRecordVolume",
                                            "LineRecordVolume"};
    const std::vector<std::string> args = {"75", "0",    "50",   "-1", "0",  "-1", "0",
                                           "-1", "-4.5", "-0.5", "3",  "80", "65"};
    ASSERT_EQ(lib.calls.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(lib.calls[i], "Set" + names[i] + "(" + args[i] + ")");
    EXPECT_EQ(lib.level(Ctl::LinePlayMute), 1);
    EXPECT_EQ(lib.level(Ctl::NoMonitor), 1);
    lib.clearCalls();
    EXPECT_EQ(CaptureVistaLevels(lib), text);
    ASSERT_EQ(lib.calls.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(lib.calls[i], "Get" + names[i] + "()");
    const std::string other = "100,True,1,False,99,False,True,True,12,-12,.25,0,1,";
    ApplyVistaLevels(lib, other);
    EXPECT_EQ(CaptureVistaLevels(lib), other);
    // Percents round ties to even (ties that truncation and half-up round otherwise).
    ApplyVistaLevels(lib, "50.5,1,51.5,0,2.5,true,FALSE,-3,-.5,.25,0,81.5,2.5,");
    const std::pair<Ctl, double> levels[] = {
        {Ctl::MasterVolume, 50}, {Ctl::LinePlay, 52}, {Ctl::MicPlay, 2},    {Ctl::MasterMute, 1},
        {Ctl::MicBoost, 0},      {Ctl::NoMonitor, 1}, {Ctl::MicRecord, 82}, {Ctl::LineRecord, 2}};
    for (const auto& [control, value] : levels)
        EXPECT_EQ(lib.level(control), value) << static_cast<int>(control);
}

TEST_F(LevelSetTest, ApplyStopsAtTheFirstUnreadableFieldAfterApplyingTheEarlierOnes) {
    openAll();
    // No final comma: fields 1 to 12 are applied, then the text ends.
    EXPECT_THROW(ApplyVistaLevels(lib, "10,False,20,False,30,False,False,False,1,2,3,40,50"),
                 LevelSetError);
    EXPECT_EQ(lib.countCalls("SetMicRecordVolume"), 1);
    EXPECT_EQ(lib.countCalls("SetLineRecordVolume"), 0);
    EXPECT_EQ(lib.level(Ctl::MicRecord), 40);
    // Empty field 3: master volume and mute are set, nothing after.
    lib.clearCalls();
    EXPECT_THROW(ApplyVistaLevels(lib, "33,True,,False,30,False,False,False,1,2,3,40,50,"),
                 ConversionError);
    EXPECT_EQ(lib.calls, (std::vector<std::string>{"SetMasterVolume(33)", "SetMasterMute(-1)"}));
    // A word where a number belongs.
    lib.clearCalls();
    EXPECT_THROW(ApplyVistaLevels(lib, "loud,"), ConversionError);
    EXPECT_TRUE(lib.calls.empty());
    EXPECT_THROW(ApplyVistaLevels(lib, ""), LevelSetError);

    // A comma beyond the 16-bit position limit.
    std::string huge(40000, '7');
    EXPECT_THROW(ApplyVistaLevels(lib, huge + ","), LevelSetError);
    EXPECT_TRUE(lib.calls.empty());
    // Huge but readable up front: the extra text after the 13th comma is never read.
    std::string tail(50000, 'x');
    ApplyVistaLevels(lib, "1,False,2,False,3,False,False,False,0,0,0,4,5," + tail);
    EXPECT_EQ(lib.level(Ctl::LineRecord), 5);
    // Binary junk, blanks, signs and separators in odd places.
    for (std::string junk : {std::string("\0\0,\0", 4), std::string(",,,,,,,,,,,,,"),
                             std::string("--1,"), std::string("1e,"), std::string(" , ")})
        EXPECT_ANY_THROW(ApplyVistaLevels(lib, junk)) << junk;
}

// A decimal comma in the C++ global locale must not leak into the text.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Switches the C library to a German locale, generating one into the build tree
// when the system has none installed. Returns false when that is impossible.
bool useGermanCLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return true;
    const std::string dir = TK_VISTA_LOCALE_DIR;
    const std::string cmd = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                            "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

TEST_F(LevelSetTest, TextIsTheSameUnderACommaDecimalLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    ASSERT_TRUE(useGermanCLocale()) << "no German C locale and none could be made (Debian's "
                                       "locales package brings localedef)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5") << "the C locale did not switch";
    openAll();
    EXPECT_NO_THROW(ApplyVistaLevels(lib,
                                     "75,False,50,True,0,True,False,True,-4.5,-.5,3.25,80,"
                                     "100,"));
    EXPECT_EQ(lib.level(Ctl::Bass), -4.5);
    EXPECT_EQ(lib.level(Ctl::Mid), -0.5);
    EXPECT_EQ(lib.level(Ctl::Treble), 3.25);
    EXPECT_EQ(CaptureVistaLevels(lib), "75,False,50,True,0,True,False,True,-4.5,-.5,3.25,80,100,");
    EXPECT_EQ(formatDecibels(-1234.5), "-1234.5");
    std::setlocale(LC_ALL, "C");
    std::locale::global(previous);
}

}  // namespace
}  // namespace tk::test
