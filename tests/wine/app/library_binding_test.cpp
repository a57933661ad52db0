// The HavroVista binding: binding on first call, the 256-blank buffer convention and the
// ANSI boundary, against a stand-in library. (That the program takes the library from
// its own folder only is proven with the real program and a planted library.)
#include <gtest/gtest.h>

#include "havro_library_win.h"
#include "wine_util.h"

namespace tk::win {
namespace {

std::wstring fakeLibrary() {
    return wintest::ownFolder() + L"FakeHavroVista.dll";
}
const std::string kBlanks(256, ' ');

TEST(LibraryBindingTest, BindsExportsOnFirstUseAndReportsMissingOnes) {
    HavroLibraryWin library(fakeLibrary());
    EXPECT_FALSE(library.loaded());
    int32_t count = 0;
    EXPECT_EQ(library.GetNumberPlayDevices(count), -1);
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(library.loaded());

    int32_t status = -9;
    EXPECT_EQ(library.SetMasterVolume(55, status), 55);
    EXPECT_EQ(status, 0);
    double db = 0;
    EXPECT_EQ(library.GetBass(db, status), 0);
    EXPECT_DOUBLE_EQ(db, -4.5);
    EXPECT_EQ(status, 1);

    // An export the library lacks fails that call alone; the others keep working.
    EXPECT_THROW(library.GetNumberRecordDevices(count), LibraryMissing);
    EXPECT_THROW(library.CloseVirtual_1(), LibraryMissing);
    EXPECT_EQ(library.SetMasterVolume(101, status), 101);
    EXPECT_EQ(status, 2);
}

TEST(LibraryBindingTest, OutputBuffersHoldTheTextItsNulAndTheRestOfTheBlanks) {
    HavroLibraryWin library(fakeLibrary());
    std::string name = kBlanks, id = kBlanks;
    library.GetPlayBackDevice(0, name, id);
    EXPECT_EQ(name, "Speakers" + std::string(1, '\0') + std::string(256 - 9, ' '));
    EXPECT_EQ(id.substr(0, id.find('\0')),
              "{0.0.0.00000000}.{6c1e5b8e-0000-4000-8000-000000000001}");
    EXPECT_EQ(id.size(), 256u);

    // ANSI from the library becomes UTF-8 in the program; the id buffer stays untouched.
    name = kBlanks;
    id = kBlanks;
    library.GetPlayBackDevice(1, name, id);
    if (GetACP() == 1252) {
        EXPECT_EQ(name.substr(0, name.find('\0')), "Kopfh\xc3\xb6rer");
    } else {
        EXPECT_NE(name.find('\0'), std::string::npos);  // some text, in another code page
    }
    EXPECT_EQ(id, kBlanks);  // no NUL in it: the library wrote nothing

    // An index the library has nothing for leaves both buffers as they were.
    name = kBlanks;
    id = kBlanks;
    library.GetPlayBackDevice(5, name, id);
    EXPECT_EQ(name, kBlanks);
    EXPECT_EQ(id, kBlanks);

    std::string play = kBlanks, lineIn = kBlanks, mic = kBlanks;
    library.GetDeviceNames(play, lineIn, mic);
    EXPECT_EQ(play.substr(0, play.find('\0')), "Speakers");
    EXPECT_EQ(lineIn, kBlanks);
    EXPECT_EQ(mic, kBlanks);
}

TEST(LibraryBindingTest, InputStringsArriveWhole) {
    HavroLibraryWin library(fakeLibrary());
    EXPECT_EQ(library.OpenSoundCard("{a}", "{b}", "{c}"), 3);
    EXPECT_EQ(library.OpenSoundCard("{a}", "", ""), 1);
}

}  // namespace
}  // namespace tk::win
