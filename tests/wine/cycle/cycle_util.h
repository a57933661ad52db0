// What the cycle and list tests share: a fresh settings key with the programs a test
// registers, and a scratch folder whose name has a blank for the programs to launch.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wine_util.h"

namespace tk::wintest {

class CycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bin_ = unixToWine(TK_BIN_DIR);
        ASSERT_TRUE(fileExists(bin_ + L"Tonekeep.exe")) << "Tonekeep.exe is not built";
        folder_ = freshTempFolder(L"Tonekeep cycle test");
        ASSERT_TRUE(fileExists(folder_));
        ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
    }
    void TearDown() override {
        deleteTree(HKEY_CURRENT_USER, kAppKey);
        removeFolder(folder_);
    }

    // A copy of the launched program `name` in the scratch folder, as `as`.
    std::wstring copyLaunched(const wchar_t* name, const std::wstring& as) const {
        const std::wstring from = unixToWine(TK_LAUNCHED_DIR) + name + L".exe";
        const std::wstring to = folder_ + as;
        EXPECT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE))
            << "the launched program is not built";
        return to;
    }
    // The files the launched program writes beside itself start with this.
    static std::wstring launchedBase(const std::wstring& path) {
        return path.substr(0, path.size() - 4);
    }
    // "Normal Windows" on sound card 0, then `programs` as entries 1, 2, ...
    static void registerPrograms(const std::vector<std::wstring>& programs) {
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 0", L"Normal Windows");
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"SoundSettings 0", L"");
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Mixer 0", L"0");
        int k = 1;
        for (const std::wstring& p : programs)
            writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name " + std::to_wstring(k++), p);
    }
    static std::string messagesOf(const Tonekeep& tk) {
        std::wstring all = L"messages:";
        for (const std::wstring& m : tk.messages) all += L" [" + m + L"]";
        return narrowText(all);
    }

    std::wstring bin_, folder_;
};

}  // namespace tk::wintest
