#include "services_win.h"

#include <commdlg.h>

#include <vector>

namespace tk::win {

std::wstring WinFileDialog::filterText(const std::string& filter) {
    std::wstring out = widen(filter);
    for (wchar_t& c : out)
        if (c == L'|') c = L'\0';
    out += L'\0';
    out += L'\0';
    return out;
}

std::optional<std::string> WinFileDialog::openFile(const FileDialogOptions& options) {
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring title = widen(options.title);
    std::wstring folder = widen(options.initialFolder);
    std::wstring filter = filterText(options.filter);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_ ? owner_() : nullptr;
    ofn.lpstrFilter = options.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(options.filterIndex > 0 ? options.filterIndex : 1);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = static_cast<DWORD>(options.flags) | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;  // cancelled (or the dialog failed)
    return narrow(file.data());
}

}  // namespace tk::win
