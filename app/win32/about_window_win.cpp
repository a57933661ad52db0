#include "about_window_win.h"

#include "form_window_win.h"
#include "forms/frmAbout.h"
#include "window_ids.h"

namespace tk::win {
namespace {

class AboutWindow : public FormWindow {
  public:
    explicit AboutWindow(frmAbout& form) : FormWindow(form), form_(form) {}
    ~AboutWindow() override {
        destroy();
        if (linkFont_) DeleteObject(linkFont_);
        if (titleFont_) DeleteObject(titleFont_);
    }

    bool open(HWND owner) {
        using K = ControlKind;
        namespace id = aboutid;
        frmAbout& f = form_;
        const ControlDesign table[] = {
            {&f.lblTitle, K::Label, id::kLblTitle, 64, 16, 250, 20},
            {&f.lblVersion, K::Label, id::kLblVersion, 64, 38, 250, 18},
            {&f.lblSeeAlso, K::Label, id::kLabel5, 16, 78, 300, 18},
            {&f.Label2, K::Label, id::kLabel2, 16, 98, 300, 18, SS_NOTIFY | SS_NOPREFIX},
            {&f.Label3, K::Label, id::kLabel3, 16, 120, 200, 18, SS_NOTIFY},
            {&f.Label4, K::Label, id::kLabel4, 16, 142, 260, 18, SS_NOTIFY},
            {&f.cmdOk, K::Button, id::kCmdOk, 262, 176, 96, 26, BS_DEFPUSHBUTTON},
            {&f.cmdSysInfo, K::Button, id::kCmdSysInfo, 262, 208, 96, 26},
        };
        const WindowDesign design{kAboutWindowClass, kDialogStyle, WS_EX_DLGMODALFRAME, 372, 246};
        return create(design, owner, table);
    }

  protected:
    void onCreated() override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        HWND icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON,
                                    scale(16), scale(16), scale(32), scale(32), hwnd(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(aboutid::kIcon)),
                                    instance, nullptr);
        HICON image = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, scale(32), scale(32), 0));
        if (icon && image) SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(image), 0);

        LOGFONTW lf{};
        if (font() && GetObjectW(font(), sizeof lf, &lf)) {
            lf.lfUnderline = TRUE;
            linkFont_ = CreateFontIndirectW(&lf);
            for (int id : {aboutid::kLabel2, aboutid::kLabel3, aboutid::kLabel4})
                SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
            lf.lfUnderline = FALSE;
            lf.lfWeight = FW_BOLD;
            titleFont_ = CreateFontIndirectW(&lf);
            SendMessageW(item(aboutid::kLblTitle), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_),
                         FALSE);
        }
        // Center over the owner.
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        RECT ownerRect{}, self{};
        if (owner && IsWindowVisible(owner) && GetWindowRect(owner, &ownerRect) &&
            GetWindowRect(hwnd(), &self)) {
            int x = ownerRect.left +
                    ((ownerRect.right - ownerRect.left) - (self.right - self.left)) / 2;
            int y =
                ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (self.bottom - self.top)) / 2;
            SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

    void onClose() override { destroy(); }

    void onCommand(int id, int code, HWND control) override {
        if (!control && (id == IDOK || id == IDCANCEL)) {
            destroy();
            return;
        }
        if (code != STN_CLICKED) return;
        guarded([&] {
            if (id == aboutid::kLabel2) form_.Label2_Click();
            if (id == aboutid::kLabel3) form_.Label3_Click();
            if (id == aboutid::kLabel4) form_.Label4_Click();
        });
    }

    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CTLCOLORSTATIC && isLink(reinterpret_cast<HWND>(lp))) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, RGB(0, 84, 180));  // link blue, readable on the dialog face
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        if (msg == WM_SETCURSOR && isLink(reinterpret_cast<HWND>(wp))) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return FormWindow::onMessage(msg, wp, lp);
    }

  private:
    bool isLink(HWND h) const {
        int id = GetDlgCtrlID(h);
        return id == aboutid::kLabel2 || id == aboutid::kLabel3 || id == aboutid::kLabel4;
    }

    frmAbout& form_;
    HFONT linkFont_ = nullptr;
    HFONT titleFont_ = nullptr;
};

}  // namespace

void showAboutBox(HWND owner, Services& services, const Publics& publics) {
    frmAbout form(services, publics);
    AboutWindow window(form);
    form.close = [&window] { window.destroy(); };
    form.Form_Load();
    if (!window.open(owner)) return;
    window.runModal(owner);
}

}  // namespace tk::win
