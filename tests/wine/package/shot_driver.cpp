// Drives the running Tonekeep for scripts/screenshots.sh as a user's clicks do, waiting up to
// 30 s for the window of a class: "wait CLASS" and "traymenu" (a right click on the tray icon)
// print its rectangle "x y width height"; "click CLASS ID", "close CLASS"; "gone CLASS" waits
// until none is left. Exit code 1 when a window did not come (or go), 2 on bad use.
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
    std::wstring verb = argc > 1 ? argv[1] : L"", cls = argc > 2 ? argv[2] : L"";
    if (verb == L"traymenu") {  // then waits for the menu
        HWND tray = FindWindowW(tk::win::kTrayWindowClass, nullptr);
        if (!tray) return 1;
        PostMessageW(tray, tk::win::TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
        verb = L"wait", cls = L"#32768";
    }
    if (cls.empty() || (verb != L"wait" && verb != L"click" && verb != L"close" && verb != L"gone"))
        return 2;
    if (verb == L"gone") {
        for (int i = 0; i < 300 && FindWindowW(cls.c_str(), nullptr); ++i) Sleep(100);
        return FindWindowW(cls.c_str(), nullptr) ? 1 : 0;
    }
    HWND h = visible(cls.c_str());
    if (!h) return 1;
    if (verb == L"close") return PostMessageW(h, WM_CLOSE, 0, 0) ? 0 : 1;
    if (verb == L"click" && argc > 3) {  // BN_CLICKED is 0: the id is the whole wParam
        const int id = _wtoi(argv[3]);
        return PostMessageW(h, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(h, id))) ? 0 : 1;
    }
    if (verb != L"wait") return 2;
    Sleep(500);  // let it paint
    RECT r{};
    GetWindowRect(h, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}
