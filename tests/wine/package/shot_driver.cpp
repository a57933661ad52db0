// Drives the running Tonekeep for scripts/screenshots.sh, by the window messages a
// user's clicks send, and reports where a window is so the script can crop to it.
//
//   tk_shot_driver wait CLASS         waits (30 s) for a visible window of CLASS and
//                                     prints its rectangle "x y width height"
//   tk_shot_driver click CLASS ID     a click on control ID of the window of CLASS
//                                     (a button, or a menu command of that window)
//   tk_shot_driver close CLASS        closes the window of CLASS (its close box)
//   tk_shot_driver traymenu           a right click on the tray icon; prints the
//                                     rectangle of the pop-up menu
//   tk_shot_driver gone CLASS         waits (30 s) until no window of CLASS is left
// Exit code 0 on success, 1 when the window did not come (or go), 2 on bad use.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tray_win.h"
#include "window_ids.h"

namespace {

HWND visibleWindow(const wchar_t* cls) {
    HWND found = nullptr;
    for (HWND h = FindWindowExW(nullptr, nullptr, cls, nullptr); h;
         h = FindWindowExW(nullptr, h, cls, nullptr))
        if (IsWindowVisible(h)) found = h;
    return found;
}

HWND waitVisible(const wchar_t* cls) {
    for (int i = 0; i < 300; ++i) {
        if (HWND h = visibleWindow(cls)) return h;
        Sleep(100);
    }
    return nullptr;
}

int printRect(HWND h) {
    if (!h) return 1;
    Sleep(500);  // let it paint
    RECT r{};
    GetWindowRect(h, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Rectangles in real pixels, also when the display is scaled.
    SetProcessDPIAware();
    if (argc < 2) return 2;
    const std::wstring verb = argv[1];
    if (verb == L"wait" && argc == 3) return printRect(waitVisible(argv[2]));
    if (verb == L"gone" && argc == 3) {
        for (int i = 0; i < 300; ++i) {
            if (!FindWindowW(argv[2], nullptr)) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (verb == L"click" && argc == 4) {
        HWND h = waitVisible(argv[2]);
        if (!h) return 1;
        int id = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(h, id)));
        return 0;
    }
    if (verb == L"close" && argc == 3) {
        HWND h = visibleWindow(argv[2]);
        if (!h) return 1;
        PostMessageW(h, WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == L"traymenu" && argc == 2) {
        HWND tray = FindWindowW(tk::win::kTrayWindowClass, nullptr);
        if (!tray) return 1;
        PostMessageW(tray, tk::win::TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
        return printRect(waitVisible(L"#32768"));
    }
    return 2;
}
