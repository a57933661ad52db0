#include "services_win.h"

#include <commdlg.h>

#include <vector>

#include "platform/settings_store.h"

namespace tk::win {

namespace {

using GetOpenFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);

// comdlg32 is a large library that only Add needs: it is loaded when the dialog first
// opens, not at start-up. The system's own copy is named by its full path, so a file
// of that name beside the program (or in the current folder) is never the one loaded;
// plain LoadLibraryW with a full path works on every Windows version the program runs
// on, which the search-restricting flags of LoadLibraryExW do not. Null when it cannot
// be loaded; the library stays loaded for the rest of the run.
GetOpenFileNameFn openFileNameFunction() {
    static const GetOpenFileNameFn function = []() -> GetOpenFileNameFn {
        wchar_t folder[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return nullptr;
        std::wstring path(folder, n);
        if (path.back() != L'\\') path += L'\\';
        path += L"comdlg32.dll";
        HMODULE module = LoadLibraryW(path.c_str());
        if (!module) return nullptr;
        return reinterpret_cast<GetOpenFileNameFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "GetOpenFileNameW")));
    }();
    return function;
}

}  // namespace

std::wstring WinFileDialog::filterText(const std::string& filter) {
    std::wstring out = widen(filter);
    for (wchar_t& c : out)
        if (c == L'|') c = L'\0';
    out += L'\0';
    out += L'\0';
    return out;
}

std::optional<std::string> WinFileDialog::openFile(const FileDialogOptions& options) {
    const HWND owner = owner_ ? owner_() : nullptr;
    const GetOpenFileNameFn getOpenFileName = openFileNameFunction();
    if (!getOpenFileName) {
        MessageBoxW(owner, L"The file dialog cannot be opened: comdlg32.dll could not be loaded.",
                    widen(kAppTitle).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return std::nullopt;
    }

    std::vector<wchar_t> file(32768, L'\0');
    std::wstring title = widen(options.title);
    std::wstring folder = widen(options.initialFolder);
    std::wstring filter = filterText(options.filter);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = options.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(options.filterIndex > 0 ? options.filterIndex : 1);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = static_cast<DWORD>(options.flags) | OFN_EXPLORER;
    if (!getOpenFileName(&ofn)) return std::nullopt;  // cancelled (or the dialog failed)
    return narrow(file.data());
}

}  // namespace tk::win
