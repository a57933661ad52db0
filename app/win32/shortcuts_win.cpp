#include "services_win.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace tk::win {

std::optional<std::string> WinShortcuts::targetPath(const std::string& shortcutFile) {
    ComPtr<IShellLinkW> link;
    if (FAILED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(&file))) return std::nullopt;
    if (FAILED(file->Load(widen(shortcutFile).c_str(), STGM_READ))) return std::nullopt;
    wchar_t path[MAX_PATH * 4] = {};
    // SLGP_RAWPATH keeps environment variables unexpanded; the program wants the real path.
    if (SUCCEEDED(link->GetPath(path, ARRAYSIZE(path), nullptr, 0)) && path[0] != L'\0')
        return narrow(path);
    // A readable shortcut to something that is no file (a shell folder such as the
    // Control Panel): its target is what the shell calls it, or nothing at all.
    std::string name;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
        // SHGetFileInfo rather than SHGetNameFromIDList, which Windows XP lacks.
        SHFILEINFOW info{};
        if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(items), 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_DISPLAYNAME) != 0)
            name = narrow(info.szDisplayName);
        CoTaskMemFree(items);
    }
    return name;
}

std::optional<std::string> WinShortcuts::createDesktopShortcut(const DesktopShortcut& shortcut) {
    wchar_t desktop[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, desktop)))
        return std::nullopt;
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (n == 0) return std::nullopt;
        if (n < self.size()) {
            self.resize(n);
            break;
        }
        self.resize(self.size() * 2);
    }
    const std::wstring folder = self.substr(0, self.rfind(L'\\'));

    ComPtr<IShellLinkW> link;
    if (FAILED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
        return std::nullopt;
    if (FAILED(link->SetPath(self.c_str())) ||
        FAILED(link->SetArguments(widen(shortcut.arguments).c_str())) ||
        FAILED(link->SetWorkingDirectory(folder.c_str())) ||
        FAILED(link->SetIconLocation(widen(shortcut.iconFile).c_str(), 0)))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(&file))) return std::nullopt;
    const std::wstring path = std::wstring(desktop) + L"\\" + widen(shortcut.name) + L".lnk";
    if (FAILED(file->Save(path.c_str(), TRUE))) return std::nullopt;
    return narrow(path);
}

}  // namespace tk::win
