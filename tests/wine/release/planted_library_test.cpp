// A HavroVista.dll planted in the current folder and in a folder on PATH is never
// loaded: the program takes the library from its own folder or not at all.
#include <gtest/gtest.h>

#include "wine_util.h"

namespace tk::wintest {
namespace {

TEST(PlantedLibrary, IsNeverLoadedWhetherTheProgramHasItsOwnOrNot) {
    const std::wstring bin = unixToWine(TK_BIN_DIR), lone = freshTempFolder(L"Tonekeep alone");
    const std::wstring folder = freshTempFolder(L"Tonekeep planted library");
    const std::wstring witness = folder + L"HavroVista.loaded";
    ASSERT_TRUE(
        CopyFileW((unixToWine(TK_PLANTED_DIR) + L"HavroVista.dll").c_str(),
                  (folder + L"HavroVista.dll").c_str(), FALSE) &&
        CopyFileW((bin + L"Tonekeep.exe").c_str(), (lone + L"Tonekeep.exe").c_str(), FALSE));
    WindowsVersion version(nullptr);  // the endpoint path, which needs the library
    wchar_t path[32767] = {};
    GetEnvironmentVariableW(L"PATH", path, 32767);
    for (const std::wstring& from : {lone, bin}) {
        ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
        SetEnvironmentVariableW(L"PATH", (folder + L";" + path).c_str());  // for the program
        Tonekeep program(from + L"Tonekeep.exe", folder);
        SetEnvironmentVariableW(L"PATH", path);
        if (from == lone) {
            EXPECT_TRUE(program.answer(L"HavroVista.dll not found in the programs folder"))
                << "no message about the missing library";
            EXPECT_TRUE(program.ended(20s));
        } else {
            EXPECT_TRUE(program.waitStarted()) << "no start with its own library";
        }
    }
    EXPECT_FALSE(fileExists(witness)) << "the planted HavroVista.dll was loaded";
    // The witness works: a program that does load the planted library leaves it.
    FreeLibrary(LoadLibraryW((folder + L"HavroVista.dll").c_str()));
    EXPECT_TRUE(fileExists(witness));
    removeFolder(lone);
    removeFolder(folder);
    deleteTree(HKEY_CURRENT_USER, kAppKey);
}

}  // namespace
}  // namespace tk::wintest
