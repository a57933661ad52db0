#include "tray_win.h"

#include <shellapi.h>

#include "win_util.h"
#include "window_ids.h"

namespace tk::win {
namespace {
constexpr const wchar_t* kClassName = kTrayWindowClass;
constexpr UINT kIconId = 1;
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMs = 1000;

// The tip's lines are separated by CR alone; the shell breaks lines at LF.
std::wstring tipText(const std::string& text) {
    std::wstring tip;
    for (wchar_t c : widen(text)) tip += c == L'\r' ? L'\n' : c;
    return tip;
}
}  // namespace

TrayIcon::TrayIcon(HICON icon, ShellNotify notify) : icon_(icon), notify_(notify) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!icon_)
        icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    if (!icon_) icon_ = LoadIconW(nullptr, IDI_APPLICATION);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TrayIcon::windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, instance, this);
}

TrayIcon::~TrayIcon() {
    remove();
    if (hwnd_) DestroyWindow(hwnd_);
}

NOTIFYICONDATAW TrayIcon::data(UINT flags) const {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = kIconId;
    nid.uFlags = flags;
    nid.uCallbackMessage = kCallbackMessage;
    nid.hIcon = icon_;
    lstrcpynW(nid.szTip, tip_.c_str(), ARRAYSIZE(nid.szTip));
    return nid;
}

bool TrayIcon::add() {
    NOTIFYICONDATAW nid = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    shown_ = notify_(NIM_ADD, &nid) != FALSE;
    // An icon left behind by an earlier taskbar counts as shown once modified.
    if (!shown_) shown_ = notify_(NIM_MODIFY, &nid) != FALSE;
    return shown_;
}

void TrayIcon::startRetry() {
    if (hwnd_) SetTimer(hwnd_, kRetryTimer, kRetryMs, nullptr);
}

void TrayIcon::show() {
    wanted_ = true;
    if (shown_ || !hwnd_) return;
    if (!add()) startRetry();
}

void TrayIcon::setTip(const std::string& text) {
    tip_ = tipText(text);
    if (!shown_) return;
    NOTIFYICONDATAW nid = data(NIF_TIP);
    notify_(NIM_MODIFY, &nid);
}

void TrayIcon::showBalloon(const std::string& text) {
    if (!shown_) return;
    NOTIFYICONDATAW nid = data(NIF_INFO);
    lstrcpynW(nid.szInfoTitle, L"Havro Tonekeep", ARRAYSIZE(nid.szInfoTitle));
    lstrcpynW(nid.szInfo, tipText(text).c_str(), ARRAYSIZE(nid.szInfo));
    nid.dwInfoFlags = NIIF_WARNING;
    notify_(NIM_MODIFY, &nid);
}

void TrayIcon::remove() {
    wanted_ = false;
    if (hwnd_) KillTimer(hwnd_, kRetryTimer);
    if (!shown_) return;
    NOTIFYICONDATAW nid = data(0);
    notify_(NIM_DELETE, &nid);
    shown_ = false;
}

LRESULT CALLBACK TrayIcon::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        static_cast<TrayIcon*>(cs->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<TrayIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->handle(msg, wp, lp);
}

LRESULT TrayIcon::handle(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    if (msg == kCallbackMessage) {
        // A modal dialog disabled the program's windows, this one included: the icon
        // takes no clicks until it closes.
        if (!IsWindowEnabled(hwnd)) return 0;
        try {
            switch (LOWORD(lp)) {
                case WM_LBUTTONUP:
                    if (restoreEvent) restoreEvent(1);
                    break;
                case WM_RBUTTONUP:
                    if (menuEvent) menuEvent(2);
                    break;
                default:
                    break;
            }
        } catch (const std::exception&) {
            // An event handler's failure must not unwind through the shell's call.
        }
        return 0;
    }
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        shown_ = false;
        if (wanted_ && !add()) startRetry();
        return 0;
    }
    if (msg == WM_TIMER && wp == kRetryTimer) {
        if (!wanted_ || add()) KillTimer(hwnd_, kRetryTimer);
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        shown_ = false;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace tk::win
