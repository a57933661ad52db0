// The level-set text: apply, capture, what stops an apply, and independence from the
// user's locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>

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
        lib.OpenSoundCard("{AAAA-1}", "{BBBB-2}", "{CCCC-3}");
    }
    FakeLibrary lib;
};

// Apply sets every control from its field (percents round ties to even, flags are -1 or
// 0 from a word or a number) and capture writes each back in its place.
TEST_F(LevelSetTest, ApplyAndCaptureGoThroughEveryField) {
    ApplyVistaLevels(lib, "50.5,True,51.5,1,2.5,false,2.5,0,-4.5,-.5,.25,81.5,65,");
    const std::pair<const char*, double> levels[] = {
        {"MasterVolume", 50},     {"MasterMute", -1}, {"LinePlayBack", 52},
        {"LinePlayBackMute", -1}, {"MicPlayBack", 2}, {"MicPlayBackMute", 0},
        {"MicBoost", -1},         {"NoMonitor", 0},   {"Bass", -4.5},
        {"MidRange", -0.5},       {"Treble", 0.25},   {"MicRecordVolume", 82},
        {"LineRecordVolume", 65}};
    for (const auto& [control, value] : levels) EXPECT_EQ(lib.level(control), value) << control;
    EXPECT_EQ(CaptureVistaLevels(lib), "50,True,52,True,2,False,True,False,-4.5,-.5,.25,82,65,");
}

// Decibels as the stored text writes them: at most 15 digits, each reading back as itself.
TEST(LevelSetFields, DecibelText) {
    const std::pair<double, const char*> decibels[] = {
        {-0.0, "0"},
        {12.0, "12"},
        {1e15, "1E+15"},
        {0.00001, "1E-05"},
        {1.0 / 3.0, ".333333333333333"},
        {static_cast<double>(-4.1f), "-4.09999990463257"}};
    for (const auto& [value, text] : decibels) {
        EXPECT_EQ(formatDecibels(value), text);
        EXPECT_NEAR(toDouble(text), value, 1e-14 * (1 + std::abs(value)));
    }
}

// An apply stops at the first field it cannot read, the earlier ones applied: a missing
// final comma, an empty field, a word, a comma beyond the 16-bit position limit. What
// follows the 13th comma is never read.
TEST_F(LevelSetTest, ApplyStopsAtTheFirstUnreadableField) {
    EXPECT_THROW(ApplyVistaLevels(lib, "10,False,20,False,30,False,False,False,1,2,3,40,50"),
                 LevelSetError);
    EXPECT_EQ(lib.level("MicRecordVolume"), 40);
    EXPECT_EQ(lib.level("LineRecordVolume"), 0);
    EXPECT_THROW(ApplyVistaLevels(lib, "33,True,,False,"), ConversionError);
    EXPECT_EQ(lib.level("MasterMute"), -1);
    EXPECT_EQ(lib.level("LinePlayBack"), 20);
    EXPECT_THROW(ApplyVistaLevels(lib, "loud,"), ConversionError);
    EXPECT_THROW(ApplyVistaLevels(lib, std::string(40000, '7') + ","), LevelSetError);
    EXPECT_EQ(lib.level("MasterVolume"), 33);
    ApplyVistaLevels(lib,
                     "1,False,2,False,3,False,False,False,0,0,0,4,5," + std::string(50000, 'x'));
    EXPECT_EQ(lib.level("LineRecordVolume"), 5);
}

// A decimal comma in the C++ global locale and the C locale must not leak into the text.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST_F(LevelSetTest, TextIsTheSameUnderACommaDecimalLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    // A German C locale, made into the build tree when the system has none.
    const std::string dir = TK_VISTA_LOCALE_DIR;
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") &&
        std::system(("mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                     "/de_DE.UTF-8' >/dev/null 2>&1")
                        .c_str()) == 0)
        setenv("LOCPATH", dir.c_str(), 1);
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8")) << "no German C locale (localedef)";
    const std::string text = "75,False,50,True,0,True,False,True,-4.5,-.5,3.25,80,100,";
    ApplyVistaLevels(lib, text);
    EXPECT_EQ(lib.level("Treble"), 3.25);
    EXPECT_EQ(CaptureVistaLevels(lib), text);
    std::setlocale(LC_ALL, "C");
    std::locale::global(previous);
}

}  // namespace
}  // namespace tk::test
