// A HavroVista.dll planted in the current folder, or in a folder on PATH, is never
// loaded: the program takes the library from its own folder or not at all.
#include <gtest/gtest.h>

#include "wine_util.h"
#include "win_util.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

class PlantedLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        bin_ = wintest::unixToWine(TK_BIN_DIR);
        planted_ = wintest::unixToWine(TK_PLANTED_DIR);
        ASSERT_TRUE(fileExists(bin_ + L"Tonekeep.exe")) << "Tonekeep.exe is not built";
        ASSERT_TRUE(fileExists(planted_ + L"HavroVista.dll")) << "the planted library is not built";
        ASSERT_TRUE(wintest::deleteTree(HKEY_CURRENT_USER, kAppKey));
        // The planted library sits in a folder of its own, with a blank in its name.
        plantedFolder_ = freshTempFolder(L"Tonekeep planted library");
        ASSERT_TRUE(CopyFileW((planted_ + L"HavroVista.dll").c_str(),
                              (plantedFolder_ + L"HavroVista.dll").c_str(), FALSE));
        witness_ = plantedFolder_ + L"HavroVista.loaded";
    }
    void TearDown() override {
        removeFolder(plantedFolder_);
        wintest::deleteTree(HKEY_CURRENT_USER, kAppKey);
    }

    std::wstring bin_, planted_, plantedFolder_, witness_;
};

TEST_F(PlantedLibrary, TheWitnessOfThePlantedLibraryWorks) {
    // Loading the planted library leaves its witness: the checks below can fail.
    HMODULE module = LoadLibraryW((plantedFolder_ + L"HavroVista.dll").c_str());
    ASSERT_NE(module, nullptr);
    FreeLibrary(module);
    ASSERT_TRUE(fileExists(witness_));
    auto loader = readFile(witness_);
    ASSERT_TRUE(loader.has_value());
    const std::wstring path(reinterpret_cast<const wchar_t*>(loader->data()),
                            loader->size() / sizeof(wchar_t));
    EXPECT_NE(path.find(L"tk_wine_release_test.exe"), std::wstring::npos);
}

TEST_F(PlantedLibrary, AProgramWithoutItsLibraryRefusesThePlantedOneAndEnds) {
    WindowsVersion version(nullptr);  // the endpoint path needs the library
    std::wstring lone = freshTempFolder(L"Tonekeep without library");
    ASSERT_TRUE(
        CopyFileW((bin_ + L"Tonekeep.exe").c_str(), (lone + L"Tonekeep.exe").c_str(), FALSE));
    ASSERT_FALSE(fileExists(lone + L"HavroVista.dll"));

    // The planted folder is the current folder and comes first on PATH.
    wchar_t oldPath[32767] = {};
    DWORD had = GetEnvironmentVariableW(L"PATH", oldPath, 32767);
    SetEnvironmentVariableW(L"PATH", (plantedFolder_ + L";" + oldPath).c_str());
    {
        Tonekeep program(lone + L"Tonekeep.exe", plantedFolder_);
        SetEnvironmentVariableW(L"PATH", had ? oldPath : nullptr);
        ASSERT_TRUE(program.started());
        HWND box = program.messageBox(L"HavroVista.dll not found in the programs folder");
        ASSERT_NE(box, nullptr) << "no message about the missing library";
        EXPECT_EQ(wintest::windowText(box), L"Havro Tonekeep");
        for (HWND h : wintest::windowsOf(program.pid(), win::kMainWindowClass))
            EXPECT_FALSE(IsWindowVisible(h));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(program.ended(20s));
        EXPECT_EQ(program.exitCode(), 0u);
    }
    EXPECT_FALSE(fileExists(witness_)) << "the planted HavroVista.dll was loaded by "
                                       << "another program";
    removeFolder(lone);
}

TEST_F(PlantedLibrary, AProgramWithItsLibraryUsesItsOwnOverThePlantedOne) {
    if (!fileExists(bin_ + L"HavroVista.dll"))
        FAIL() << "HavroVista.dll is not built next to Tonekeep.exe";
    WindowsVersion version(nullptr);
    Tonekeep program(bin_ + L"Tonekeep.exe", plantedFolder_);
    ASSERT_TRUE(program.started());
    HWND main = program.shownMainWindow();
    ASSERT_NE(main, nullptr) << "the program did not come up with its own library";
    // Its endpoint boxes are filled: its own library listed the endpoints.
    EXPECT_GT(SendMessageW(program.control(win::mainid::kCmbSpeakers), CB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(program.exitThroughTray());
    EXPECT_FALSE(fileExists(witness_)) << "the planted HavroVista.dll was loaded";
}

}  // namespace
}  // namespace tk::wintest
