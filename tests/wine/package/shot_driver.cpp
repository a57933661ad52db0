// Drives the running Tonekeep for scripts/screenshots.sh as a user's clicks do, waiting up
// to 30 s for the window named by its class: "wait CLASS" and "traymenu" (a right click on
// the tray icon) print the window's (the menu's) rectangle "x y width height" for the
// script to crop to; "click CLASS ID", "close CLASS"; "gone CLASS" waits until none is
// left. Exit code 1 when a window did not come (or go), 2 on bad use.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tray_win.h"
#include "window_ids.h"

// A visible window of `cls`, polled for up to 30 s.
HWND visible(const wchar_t* cls) {
    for (int i = 0; i < 300; ++i, Sleep(100))
        for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, cls, nullptr));)
            if (IsWindowVisible(h)) return h;
    return nullptr;
}

int wmain(int argc, wchar_t** argv) {
    SetProcessDPIAware();  // rectangles in real pixels, also on a scaled display
    const std::wstring verb = argc > 1 ? argv[1] : L"";
    if (argc < (verb == L"traymenu" ? 2 : verb == L"click" ? 4 : 3)) return 2;
    if (verb == L"gone") {
        for (int i = 0; i < 300 && FindWindowW(argv[2], nullptr); ++i) Sleep(100);
        return FindWindowW(argv[2], nullptr) ? 1 : 0;
    }
    if (verb == L"traymenu") {
        HWND tray = FindWindowW(tk::win::kTrayWindowClass, nullptr);
        if (!tray) return 1;
        PostMessageW(tray, tk::win::TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
    }
    HWND h = visible(verb == L"traymenu" ? L"#32768" : argv[2]);
    if (!h) return 1;
    if (verb == L"close") return PostMessageW(h, WM_CLOSE, 0, 0) ? 0 : 1;
    if (verb == L"click") {
        const int id = _wtoi(argv[3]);
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(h, id)));
        return 0;
    }
    if (verb != L"wait" && verb != L"traymenu") return 2;
    Sleep(500);  // let it paint
    RECT r{};
    GetWindowRect(h, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}
