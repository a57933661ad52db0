#include "settings_store_win.h"

#include <vector>

#include "win_util.h"

namespace tk::win {
namespace {
constexpr wchar_t kRoot[] = L"Software\\VB and VBA Program Settings\\";
}

RegistrySettingsStore::RegistrySettingsStore()
    : RegistrySettingsStore(kAppTitle, kSettingsSection) {}

RegistrySettingsStore::RegistrySettingsStore(std::string application, std::string section)
    : path_(std::wstring(kRoot) + widen(application) + L"\\" + widen(section)) {}

std::string RegistrySettingsStore::get(std::string_view key, std::string_view fallback) {
    RegKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, k.receive()) !=
        ERROR_SUCCESS)
        return std::string(fallback);
    std::wstring name = widen(key);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::string(fallback);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string(fallback);
    // The value may grow between the two queries; retry a few times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        LSTATUS rc = RegQueryValueExW(k.get(), name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc == ERROR_MORE_DATA) {
            bytes = size;
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::string(fallback);
        size_t chars = size / sizeof(wchar_t);
        std::wstring text(buffer.data(), std::min(chars, buffer.size()));
        // Stored strings carry their terminator; drop it and anything after it.
        if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
        return narrow(text);
    }
    return std::string(fallback);
}

void RegistrySettingsStore::save(std::string_view key, std::string_view value) {
    RegKey k;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, k.receive(), nullptr);
    if (rc != ERROR_SUCCESS) throw SettingsError("Cannot open the settings: " + errorText(rc));
    std::wstring name = widen(key);
    std::wstring text = widen(value);
    rc = RegSetValueExW(k.get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS)
        throw SettingsError("Cannot store " + std::string(key) + ": " + errorText(rc));
}

void RegistrySettingsStore::remove(std::string_view key) {
    RegKey k;
    LSTATUS rc = RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, k.receive());
    if (rc != ERROR_SUCCESS)
        throw SettingsError("Cannot delete " + std::string(key) + ": " + errorText(rc));
    rc = RegDeleteValueW(k.get(), widen(key).c_str());
    if (rc != ERROR_SUCCESS)
        throw SettingsError("Cannot delete " + std::string(key) + ": " + errorText(rc));
}

}  // namespace tk::win
