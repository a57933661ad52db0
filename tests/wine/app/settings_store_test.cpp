// The registry settings store against Wine's real registry.
#include <gtest/gtest.h>

#include "settings_store_win.h"
#include "wine_util.h"

namespace tk::win {
namespace {

using wintest::readString;

// A store of its own application name, so the program's own settings stay untouched.
class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { wintest::deleteTree(HKEY_CURRENT_USER, appPath()); }
    void TearDown() override { wintest::deleteTree(HKEY_CURRENT_USER, appPath()); }
    static std::wstring appPath() {
        return L"Software\\VB and VBA Program Settings\\Havro Tonekeep Wine Test";
    }
    RegistrySettingsStore store{"Havro Tonekeep Wine Test", "Programs"};
};

TEST_F(RegistryStoreTest, WritesReadsWithDefaultAndDeletes) {
    EXPECT_EQ(store.get("Name 0", "fallback"), "fallback");  // absent section
    store.save("Name 0", "Normal Windows");
    store.save("Mixer 0", "0");
    EXPECT_EQ(store.get("Name 0", ""), "Normal Windows");
    EXPECT_EQ(store.get("Mixer 0", "7"), "0");
    EXPECT_EQ(store.get("Name 1", "none"), "none");  // absent key in an existing section

    // Every value is a REG_SZ at the documented place.
    std::wstring raw;
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, appPath() + L"\\Programs", L"Name 0", raw));
    EXPECT_EQ(raw, L"Normal Windows");
    DWORD type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, (appPath() + L"\\Programs").c_str(), L"Mixer 0",
                           RRF_RT_ANY, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    store.save("Name 0", "changed");  // overwrites silently
    EXPECT_EQ(store.get("Name 0", ""), "changed");

    store.remove("Name 0");
    EXPECT_EQ(store.get("Name 0", "gone"), "gone");
    EXPECT_EQ(store.get("Mixer 0", ""), "0");  // the others stay
}

TEST_F(RegistryStoreTest, DeletingAMissingKeyIsReportedAsAnError) {
    EXPECT_THROW(store.remove("Name 5"), SettingsError);  // no section yet
    store.save("Name 0", "Normal Windows");
    EXPECT_THROW(store.remove("Name 5"), SettingsError);  // section, no such key
    store.remove("Name 0");
    EXPECT_THROW(store.remove("Name 0"), SettingsError);  // already deleted
}

TEST_F(RegistryStoreTest, KeepsTextsOutsideAsciiAndLongTexts) {
    const std::string path = "C:\\Spiele\\Größe 2\\Überfall.exe";  // UTF-8 inside the program
    store.save("Name 1", path);
    EXPECT_EQ(store.get("Name 1", ""), path);
    std::wstring raw;
    ASSERT_TRUE(readString(HKEY_CURRENT_USER, appPath() + L"\\Programs", L"Name 1", raw));
    EXPECT_EQ(raw, L"C:\\Spiele\\Gr\u00f6\u00dfe 2\\\u00dcberfall.exe");  // UTF-16 outside

    std::string levels;
    for (int i = 0; i < 600; ++i) levels += std::to_string(i % 100) + ",";
    store.save("SoundSettings 1", levels);
    EXPECT_EQ(store.get("SoundSettings 1", ""), levels);

    store.save("Empty 1", "");
    EXPECT_EQ(store.get("Empty 1", "default"), "");  // present but empty is not absent
}

TEST_F(RegistryStoreTest, AValueOfAnotherTypeReadsAsAbsent) {
    store.save("Name 0", "Normal Windows");
    DWORD number = 5;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (appPath() + L"\\Programs").c_str(), L"Mixer 0",
                              REG_DWORD, &number, sizeof number),
              ERROR_SUCCESS);
    EXPECT_EQ(store.get("Mixer 0", "0"), "0");
}

}  // namespace
}  // namespace tk::win
