// A HavroVista.dll planted in the current folder and in a folder on PATH is never
// loaded: the program takes the library from its own folder or not at all.
#include <gtest/gtest.h>

#include "wine_util.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

TEST(PlantedLibrary, IsNeverLoadedWhetherTheProgramHasItsOwnOrNot) {
    const std::wstring bin = unixToWine(TK_BIN_DIR), planted = unixToWine(TK_PLANTED_DIR);
    ASSERT_TRUE(fileExists(bin + L"Tonekeep.exe") && fileExists(bin + L"HavroVista.dll"));
    // The planted library sits in a folder of its own, with a blank in its name.
    const std::wstring folder = freshTempFolder(L"Tonekeep planted library");
    ASSERT_TRUE(CopyFileW((planted + L"HavroVista.dll").c_str(),
                          (folder + L"HavroVista.dll").c_str(), FALSE));
    const std::wstring witness = folder + L"HavroVista.loaded";
    const std::wstring lone = freshTempFolder(L"Tonekeep without library");
    ASSERT_TRUE(
        CopyFileW((bin + L"Tonekeep.exe").c_str(), (lone + L"Tonekeep.exe").c_str(), FALSE));
    WindowsVersion version(nullptr);  // the endpoint path, which needs the library

    wchar_t path[32767] = {};
    const DWORD had = GetEnvironmentVariableW(L"PATH", path, 32767);
    for (const std::wstring& programFolder : {lone, bin}) {
        SCOPED_TRACE(narrowText(programFolder));
        ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
        SetEnvironmentVariableW(L"PATH", (folder + L";" + path).c_str());
        Tonekeep program(programFolder + L"Tonekeep.exe", folder);
        SetEnvironmentVariableW(L"PATH", had ? path : nullptr);
        ASSERT_TRUE(program.started());
        if (programFolder == lone) {
            HWND box = program.messageBox(L"HavroVista.dll not found in the programs folder");
            ASSERT_NE(box, nullptr) << "no message about the missing library";
            for (HWND h : windowsOf(program.pid(), win::kMainWindowClass))
                EXPECT_FALSE(IsWindowVisible(h));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(program.ended(20s));
            EXPECT_EQ(program.exitCode(), 0u);
        } else {
            ASSERT_NE(program.shownMainWindow(), nullptr) << "no start with its own library";
            // Its own library listed the endpoints.
            EXPECT_GT(SendMessageW(program.control(win::mainid::kCmbSpeakers), CB_GETCOUNT, 0, 0),
                      0);
            EXPECT_TRUE(program.exitThroughTray());
        }
        EXPECT_FALSE(fileExists(witness)) << "the planted HavroVista.dll was loaded";
    }

    // The witness works: a program that does load the planted library leaves it.
    HMODULE module = LoadLibraryW((folder + L"HavroVista.dll").c_str());
    ASSERT_NE(module, nullptr);
    FreeLibrary(module);
    EXPECT_TRUE(fileExists(witness));
    removeFolder(lone);
    removeFolder(folder);
    deleteTree(HKEY_CURRENT_USER, kAppKey);
}

}  // namespace
}  // namespace tk::wintest
