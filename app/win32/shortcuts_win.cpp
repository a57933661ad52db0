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
    if (FAILED(link->GetPath(path, ARRAYSIZE(path), nullptr, 0)) || path[0] == L'\0')
        return std::nullopt;
    return narrow(path);
}

}  // namespace tk::win
