#include "services_win.h"

#include <objbase.h>
#include <objidl.h>
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
        PWSTR display = nullptr;
        if (SUCCEEDED(SHGetNameFromIDList(items, SIGDN_NORMALDISPLAY, &display)) && display) {
            name = narrow(display);
            CoTaskMemFree(display);
        }
        CoTaskMemFree(items);
    }
    return name;
}

}  // namespace tk::win
