#include "form_window_win.h"

#include <commctrl.h>

#include "services_win.h"
#include "win_util.h"

namespace tk::win {
namespace {

constexpr wchar_t kSelfProperty[] = L"HavroTonekeepFormWindow";

// Sent by Windows 8.1 and later when the window's monitor scaling changes; the headers
// of the Windows XP build do not declare it.
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

using controls::Property;

UINT windowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && hwnd) {
        UINT dpi = getDpi(hwnd);
        if (dpi) return dpi;
    }
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// A window rectangle for the client size at the given DPI.
SIZE windowSizeFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu,
                   UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static auto adjust = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT r{0, 0, clientWidth, clientHeight};
    if (!adjust || !adjust(&r, style, menu, exStyle, dpi))
        AdjustWindowRectEx(&r, style, menu, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

const wchar_t* childClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return L"STATIC";
        case ControlKind::ListBox:
            return WC_COMBOBOXW;
        case ControlKind::Slider:
            return TRACKBAR_CLASSW;
        default:
            return L"BUTTON";
    }
}

DWORD childStyle(ControlKind kind, const controls::Control& control) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    switch (kind) {
        case ControlKind::Label:
            return style | SS_LEFT;
        case ControlKind::Frame:
            return style | BS_GROUPBOX;
        case ControlKind::Button:
            return style | WS_TABSTOP | BS_PUSHBUTTON;
        case ControlKind::CheckBox:
            return style | WS_TABSTOP | BS_CHECKBOX;
        case ControlKind::OptionButton:
            return style | WS_TABSTOP | BS_RADIOBUTTON;
        case ControlKind::ListBox:
            return style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS;
        case ControlKind::Slider: {
            auto& slider = static_cast<const controls::Slider&>(control);
            DWORD orientation = slider.orientation == controls::Orientation::Vertical
                                    ? TBS_VERT | TBS_BOTH
                                    : TBS_HORZ | TBS_BOTTOM;
            return style | WS_TABSTOP | TBS_AUTOTICKS | orientation;
        }
        case ControlKind::Timer:
            return 0;
    }
    return style;
}

}  // namespace

FormWindow::FormWindow(controls::Form& form) : form_(form) {}

FormWindow::~FormWindow() {
    destroy();
}

void FormWindow::reportHandlerError(const char* what) {
    OutputDebugStringA("Tonekeep: a window event handler failed: ");
    OutputDebugStringA(what);
    OutputDebugStringA("\n");
}

bool FormWindow::create(const WindowDesign& design, HWND owner,
                        std::span<const ControlDesign> table, std::span<const MenuSpec> menu) {
    if (hwnd_) return true;
    design_ = design;
    HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormWindow::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = design.className;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    bound_.clear();
    for (const ControlDesign& row : table) {
        if (!row.control) continue;
        bound_.push_back(Bound{row.control, row.kind, row.id,
                               RECT{row.x, row.y, row.x + row.width, row.y + row.height},
                               row.extraStyle, nullptr, false});
    }

    HWND created =
        CreateWindowExW(design.exStyle | WS_EX_CONTROLPARENT, design.className,
                        widen(form_.caption()).c_str(), design.style, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, this);
    if (!created) return false;
    dpi_ = windowDpi(hwnd_);

    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
    if (tooltip_) SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, scale(420));

    for (Bound& b : bound_) createChild(b);
    // A group box above its controls would hide them.
    for (Bound& b : bound_)
        if (b.kind == ControlKind::Frame && b.hwnd)
            SetWindowPos(b.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    buildMenu(menu);
    updateFont();
    layout();

    form_.setObserver(this);
    for (Bound& b : bound_) b.control->setObserver(this);
    for (BoundMenu& m : menus_) m.item->setObserver(this);
    syncAll();
    onCreated();
    return true;
}

void FormWindow::createChild(Bound& b) {
    if (b.kind == ControlKind::Timer) return;
    b.hwnd =
        CreateWindowExW(0, childClass(b.kind), L"", childStyle(b.kind, *b.control) | b.extraStyle,
                        0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!b.hwnd || !tooltip_) return;
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(b.hwnd);
    info.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void FormWindow::buildMenu(std::span<const MenuSpec> menu) {
    if (menu.empty()) return;
    menu_ = CreateMenu();
    HMENU current = nullptr;
    int barPosition = -1;
    for (size_t i = 0; i < menu.size(); ++i) {
        const MenuSpec& row = menu[i];
        bool hasChildren = i + 1 < menu.size() && menu[i + 1].depth > row.depth;
        if (row.depth == 0) {
            ++barPosition;
            if (hasChildren) {
                current = CreatePopupMenu();
                AppendMenuW(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(current), L"");
            } else {
                current = nullptr;
                AppendMenuW(menu_, MF_STRING, static_cast<UINT_PTR>(row.id), L"");
            }
            if (row.item) menus_.push_back(BoundMenu{row.item, row.id, menu_, barPosition, true});
        } else if (current) {
            int position = GetMenuItemCount(current);
            if (!row.item) {
                AppendMenuW(current, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            AppendMenuW(current, MF_STRING, static_cast<UINT_PTR>(row.id), L"");
            menus_.push_back(BoundMenu{row.item, row.id, current, position, false});
        }
    }
    SetMenu(hwnd_, menu_);
}

void FormWindow::updateFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = metrics.lfMessageFont;
    else
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    // 9 points at this window's DPI, whatever the system DPI the metrics came from.
    font.lfHeight = -MulDiv(9, static_cast<int>(dpi_), 72);
    font.lfWidth = 0;
    font.lfQuality = CLEARTYPE_QUALITY;
    HFONT created = CreateFontIndirectW(&font);
    if (!created) return;
    for (Bound& b : bound_)
        if (b.hwnd) SendMessageW(b.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(created), FALSE);
    if (tooltip_) SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(created), FALSE);
    if (font_) DeleteObject(font_);
    font_ = created;
}

void FormWindow::layout() {
    SIZE size =
        windowSizeFor(scale(design_.clientWidth), scale(design_.clientHeight), design_.style,
                      design_.exStyle | WS_EX_CONTROLPARENT, menu_ != nullptr, dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (Bound& b : bound_) {
        if (!b.hwnd) continue;
        const RECT& r = b.rect96;
        SetWindowPos(b.hwnd, nullptr, scale(r.left), scale(r.top), scale(r.right - r.left),
                     scale(r.bottom - r.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (menu_) DrawMenuBar(hwnd_);
}

void FormWindow::moveControl(int id, int x, int y, int width, int height) {
    Bound* b = findById(id);
    if (!b) return;
    b->rect96 = RECT{x, y, x + width, y + height};
    if (b->hwnd)
        SetWindowPos(b->hwnd, nullptr, scale(x), scale(y), scale(width), scale(height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::resizeClient(int width, int height) {
    design_.clientWidth = width;
    design_.clientHeight = height;
    if (!hwnd_) return;
    SIZE size = windowSizeFor(scale(width), scale(height), design_.style,
                              design_.exStyle | WS_EX_CONTROLPARENT, menu_ != nullptr, dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::destroy() {
    detach();
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

void FormWindow::detach() {
    form_.setObserver(nullptr);
    for (Bound& b : bound_) {
        b.control->setObserver(nullptr);
        if (b.kind == ControlKind::Timer && hwnd_) KillTimer(hwnd_, static_cast<UINT_PTR>(b.id));
    }
    for (BoundMenu& m : menus_) m.item->setObserver(nullptr);
}

void FormWindow::runModal(HWND owner) {
    if (!hwnd_) return;
    modalRunning_ = true;
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    form_.show();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    MSG msg;
    while (hwnd_ && IsWindow(hwnd_)) {
        BOOL rc = GetMessageW(&msg, nullptr, 0, 0);
        if (rc == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
            break;
        }
        if (rc < 0) break;
        if (preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
    modalRunning_ = false;
}

void FormWindow::applyVisibility(int showCommand) {
    deferVisibility_ = false;
    if (!hwnd_) return;
    if (form_.visible()) {
        ShowWindow(hwnd_, showCommand);
        UpdateWindow(hwnd_);
    } else {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

bool FormWindow::preTranslate(MSG& msg) {
    if (!msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!root) return false;
    auto* self = static_cast<FormWindow*>(GetPropW(root, kSelfProperty));
    if (!self || self->hwnd_ != root) return false;
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
        bool swallowed = false;
        self->guarded([&] { swallowed = self->onKeyPreview(msg); });
        if (swallowed) return true;
        // The preview may have destroyed or hidden the window.
        if (!IsWindow(root)) return true;
    }
    return IsDialogMessageW(root, &msg) != FALSE;
}

FormWindow::Bound* FormWindow::findById(int id) {
    for (Bound& b : bound_)
        if (b.id == id && b.kind != ControlKind::Timer) return &b;
    return nullptr;
}

FormWindow::Bound* FormWindow::findByHwnd(HWND h) {
    for (Bound& b : bound_)
        if (b.hwnd == h && h) return &b;
    return nullptr;
}

// --- model -> window ------------------------------------------------------------------

void FormWindow::syncAll() {
    syncForm(Property::Caption);
    syncForm(Property::Enabled);
    for (Bound& b : bound_) {
        if (b.kind == ControlKind::Timer) {
            syncTimer(b);
            continue;
        }
        for (Property p : {Property::Caption, Property::Enabled, Property::Visible, Property::Range,
                           Property::Items, Property::Value})
            sync(b, p);
    }
    for (BoundMenu& m : menus_)
        for (Property p : {Property::Caption, Property::Enabled, Property::Checked}) syncMenu(m, p);
    if (menu_) DrawMenuBar(hwnd_);
}

void FormWindow::controlChanged(controls::Control& control, Property what) {
    if (!hwnd_) return;
    if (&control == &form_) {
        syncForm(what);
        return;
    }
    for (Bound& b : bound_) {
        if (b.control != &control) continue;
        if (b.kind == ControlKind::Timer)
            syncTimer(b);
        else
            sync(b, what);
        return;
    }
    for (BoundMenu& m : menus_) {
        if (m.item != &control) continue;
        syncMenu(m, what);
        if (m.topLevel) DrawMenuBar(hwnd_);
        return;
    }
}

void FormWindow::syncForm(Property what) {
    switch (what) {
        case Property::Caption:
            SetWindowTextW(hwnd_, widen(form_.caption()).c_str());
            break;
        case Property::Enabled:
            EnableWindow(hwnd_, form_.enabled());
            break;
        case Property::Visible:
            if (deferVisibility_) break;
            if (form_.visible()) {
                ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
            } else {
                ShowWindow(hwnd_, SW_HIDE);
            }
            break;
        default:
            break;
    }
}

void FormWindow::syncTimer(Bound& b) {
    auto& timer = static_cast<controls::Timer&>(*b.control);
    UINT_PTR id = static_cast<UINT_PTR>(b.id);
    if (timer.enabled() && timer.interval() > 0)
        SetTimer(hwnd_, id, static_cast<UINT>(timer.interval()), nullptr);
    else
        KillTimer(hwnd_, id);
}

void FormWindow::sync(Bound& b, Property what) {
    if (!b.hwnd) return;
    b.applying = true;
    controls::Control& c = *b.control;
    switch (what) {
        case Property::Caption:
            if (b.kind != ControlKind::ListBox && b.kind != ControlKind::Slider)
                SetWindowTextW(b.hwnd, widen(c.caption()).c_str());
            break;
        case Property::Enabled:
            EnableWindow(b.hwnd, c.enabled());
            break;
        case Property::Visible:
            ShowWindow(b.hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
            break;
        case Property::ToolTip:
            // The tooltip asks for the text when it shows (LPSTR_TEXTCALLBACK).
            break;
        case Property::Items:
            if (b.kind == ControlKind::ListBox) {
                auto& list = static_cast<controls::ListBox&>(c);
                SendMessageW(b.hwnd, WM_SETREDRAW, FALSE, 0);
                SendMessageW(b.hwnd, CB_RESETCONTENT, 0, 0);
                for (const std::string& text : list.items())
                    SendMessageW(b.hwnd, CB_ADDSTRING, 0,
                                 reinterpret_cast<LPARAM>(widen(text).c_str()));
                SendMessageW(b.hwnd, CB_SETCURSEL, static_cast<WPARAM>(list.listIndex()), 0);
                SendMessageW(b.hwnd, WM_SETREDRAW, TRUE, 0);
                InvalidateRect(b.hwnd, nullptr, TRUE);
            }
            break;
        case Property::Value:
        case Property::Checked:
            switch (b.kind) {
                case ControlKind::ListBox:
                    SendMessageW(
                        b.hwnd, CB_SETCURSEL,
                        static_cast<WPARAM>(static_cast<controls::ListBox&>(c).listIndex()), 0);
                    break;
                case ControlKind::CheckBox: {
                    int v = static_cast<controls::CheckBox&>(c).value();
                    SendMessageW(b.hwnd, BM_SETCHECK,
                                 v == 1   ? BST_CHECKED
                                 : v == 2 ? BST_INDETERMINATE
                                          : BST_UNCHECKED,
                                 0);
                    break;
                }
                case ControlKind::OptionButton:
                    SendMessageW(b.hwnd, BM_SETCHECK,
                                 static_cast<controls::OptionButton&>(c).value() ? BST_CHECKED
                                                                                 : BST_UNCHECKED,
                                 0);
                    break;
                case ControlKind::Slider:
                    SendMessageW(b.hwnd, TBM_SETPOS, TRUE,
                                 static_cast<controls::Slider&>(c).value());
                    break;
                default:
                    break;
            }
            break;
        case Property::Range:
            if (b.kind == ControlKind::Slider) {
                auto& slider = static_cast<controls::Slider&>(c);
                SendMessageW(b.hwnd, TBM_SETRANGEMIN, FALSE, slider.min());
                SendMessageW(b.hwnd, TBM_SETRANGEMAX, FALSE, slider.max());
                SendMessageW(b.hwnd, TBM_SETLINESIZE, 0, slider.smallChange);
                SendMessageW(b.hwnd, TBM_SETPAGESIZE, 0, slider.largeChange);
                SendMessageW(
                    b.hwnd, TBM_SETTICFREQ,
                    static_cast<WPARAM>(slider.tickFrequency > 0 ? slider.tickFrequency : 1), 0);
                SendMessageW(b.hwnd, TBM_SETPOS, TRUE, slider.value());
            }
            break;
    }
    b.applying = false;
}

void FormWindow::syncMenu(BoundMenu& m, Property what) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    std::wstring text;
    switch (what) {
        case Property::Caption:
            text = widen(m.item->caption());
            info.fMask = MIIM_STRING;
            info.dwTypeData = text.data();
            break;
        case Property::Enabled:
        case Property::Checked:
            info.fMask = MIIM_STATE;
            info.fState = (m.item->enabled() ? MFS_ENABLED : MFS_DISABLED) |
                          (m.item->checked() ? MFS_CHECKED : MFS_UNCHECKED);
            break;
        default:
            return;
    }
    SetMenuItemInfoW(m.parent, static_cast<UINT>(m.position), TRUE, &info);
}

// --- window -> model ------------------------------------------------------------------

bool FormWindow::onUserCommand(Bound& b, int code) {
    if (b.applying) return true;
    switch (b.kind) {
        case ControlKind::ListBox:
            if (code == CBN_SELCHANGE) {
                int index = static_cast<int>(SendMessageW(b.hwnd, CB_GETCURSEL, 0, 0));
                guarded([&] { static_cast<controls::ListBox&>(*b.control).setListIndex(index); });
            }
            break;
        case ControlKind::Button:
            if (code == BN_CLICKED)
                guarded([&] { static_cast<controls::Button&>(*b.control).press(); });
            break;
        case ControlKind::CheckBox:
            if (code == BN_CLICKED)
                guarded([&] {
                    auto& box = static_cast<controls::CheckBox&>(*b.control);
                    box.setValue(box.value() == 1 ? 0 : 1);
                });
            break;
        case ControlKind::OptionButton:
            if (code == BN_CLICKED)
                guarded([&] { static_cast<controls::OptionButton&>(*b.control).setValue(true); });
            break;
        default:
            return false;
    }
    return true;
}

void FormWindow::onUserScroll(Bound& b, int code) {
    if (b.applying || b.kind != ControlKind::Slider) return;
    auto& slider = static_cast<controls::Slider&>(*b.control);
    int position = static_cast<int>(SendMessageW(b.hwnd, TBM_GETPOS, 0, 0));
    guarded([&] {
        slider.setValue(position);
        if (code != TB_ENDTRACK && slider.onScroll) slider.onScroll();
    });
}

void FormWindow::onCommand(int, int, HWND) {}

LRESULT FormWindow::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK FormWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetPropW(hwnd, kSelfProperty, self);
    }
    auto* self = static_cast<FormWindow*>(GetPropW(hwnd, kSelfProperty));
    if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kSelfProperty);
        self->detach();
        self->hwnd_ = nullptr;
        // A modal loop waiting in GetMessage must see that its window is gone, also when
        // the window went inside a sent message (which GetMessage does not return).
        if (self->modalRunning_) PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
        self->guarded([&] { self->onDestroyed(); });
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    LRESULT result = 0;
    try {
        result = self->dispatch(msg, wp, lp);
    } catch (const std::exception& e) {
        reportHandlerError(e.what());
    }
    return result;
}

LRESULT FormWindow::dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            int id = LOWORD(wp);
            int code = HIWORD(wp);
            HWND control = reinterpret_cast<HWND>(lp);
            if (control) {
                if (Bound* b = findByHwnd(control); b && onUserCommand(*b, code)) return 0;
            } else if (code == 0) {
                for (BoundMenu& m : menus_)
                    if (m.id == id) {
                        controls::MenuItem* item = m.item;
                        guarded([&] { item->click(); });
                        return 0;
                    }
            }
            onCommand(id, code, control);
            return 0;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (Bound* b = findByHwnd(reinterpret_cast<HWND>(lp))) {
                onUserScroll(*b, LOWORD(wp));
                return 0;
            }
            break;
        case WM_TIMER:
            for (Bound& b : bound_)
                if (b.kind == ControlKind::Timer && static_cast<UINT_PTR>(b.id) == wp) {
                    controls::Control* timer = b.control;
                    guarded([&] { static_cast<controls::Timer*>(timer)->tick(); });
                    return 0;
                }
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lp);
            if (header && header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFOW) {
                auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
                Bound* b = findByHwnd(reinterpret_cast<HWND>(header->idFrom));
                tipBuffer_ = b ? widen(b->control->toolTip()) : std::wstring();
                info->lpszText = tipBuffer_.data();
                info->hinst = nullptr;
                return 0;
            }
            break;
        }
        case WM_CLOSE:
            guarded([&] { onClose(); });
            return 0;
        case WM_SETFOCUS:
            // As a dialog does: the keyboard goes to the first control that takes it.
            if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) {
                SetFocus(first);
                return 0;
            }
            break;
        case WM_PRINTCLIENT: {
            // A themed group box asks for the background behind it.
            RECT client{};
            GetClientRect(hwnd_, &client);
            FillRect(reinterpret_cast<HDC>(wp), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 0;
        }
        case WM_SETCURSOR:
            if (waitCursorActive()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wp) ? HIWORD(wp) : dpi_;
            updateFont();
            layout();
            auto* suggested = reinterpret_cast<RECT*>(lp);
            if (suggested)
                SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        default:
            break;
    }
    return onMessage(msg, wp, lp);
}

}  // namespace tk::win
