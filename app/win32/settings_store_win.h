// The settings store in the per-user registry: every key of the section is one REG_SZ
// value of HKCU\Software\VB and VBA Program Settings\<application>\<section>. Texts are
// UTF-8 inside the program and UTF-16 in the registry.
#pragma once

#include <string>

#include "platform/settings_store.h"

namespace tk::win {

class RegistrySettingsStore : public SettingsStore {
  public:
    // The store of this program: application kAppTitle, section kSettingsSection.
    RegistrySettingsStore();
    // Another application/section under the same root (tests use their own).
    RegistrySettingsStore(std::string application, std::string section);

    std::string get(std::string_view key, std::string_view fallback) override;
    // Throws SettingsError when the value cannot be written.
    void save(std::string_view key, std::string_view value) override;
    // Throws SettingsError when the key (or the section) does not exist.
    void remove(std::string_view key) override;

    // The registry path below HKEY_CURRENT_USER, for tests and messages.
    const std::wstring& keyPath() const { return path_; }

  private:
    std::wstring path_;
};

}  // namespace tk::win
