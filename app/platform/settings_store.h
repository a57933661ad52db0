// The per-user settings store: one application ("Havro Tonekeep"), one section
// ("Programs"), keys with text values. On Windows it is the registry key
// HKCU\Software\VB and VBA Program Settings\Havro Tonekeep\Programs with every value
// a REG_SZ, where programs of this kind have always kept their settings.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tk {

struct SettingsError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when the key is absent.
    virtual std::string get(std::string_view key, std::string_view fallback) = 0;
    // Stores the text, creating the section as needed; overwrites silently.
    virtual void save(std::string_view key, std::string_view value) = 0;
    // Removes one key; throws SettingsError when the key does not exist.
    virtual void remove(std::string_view key) = 0;
};

inline constexpr const char* kAppTitle = "Havro Tonekeep";
inline constexpr const char* kSettingsSection = "Programs";

// "Name 0", "Name 10": base, one blank, the index in decimal.
std::string entryKey(std::string_view base, int index);

}  // namespace tk
