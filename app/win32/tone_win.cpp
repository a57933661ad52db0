#include "tone_win.h"

#include <commctrl.h>

#include <vector>

#include "form_window_win.h"
#include "forms/frmVistaTone.h"

namespace tk::win {
namespace {

class ToneWindow : public FormWindow {
  public:
    explicit ToneWindow(frmVistaTone& form) : FormWindow(form), form_(form) {}
    ~ToneWindow() override { destroy(); }

    bool open(HWND owner) {
        using K = ControlKind;
        namespace id = toneid;
        frmVistaTone& f = form_;
        constexpr DWORD kTicks = TBS_AUTOTICKS | TBS_BOTTOM;
        const ControlDesign table[] = {
            {&f.lblBass, K::Label, id::kLblBass, 12, 20, 80, 18},
            {&f.sldBass, K::Slider, id::kSldBass, 92, 12, 176, 32, kTicks},
            {&f.lblBassValue, K::Label, id::kLblBassValue, 272, 20, 56, 18},
            {&f.lblMid, K::Label, id::kLblMid, 12, 60, 80, 18},
            {&f.sldMid, K::Slider, id::kSldMid, 92, 52, 176, 32, kTicks},
            {&f.lblMidValue, K::Label, id::kLblMidValue, 272, 60, 56, 18},
            {&f.lblTreble, K::Label, id::kLblTreble, 12, 100, 80, 18},
            {&f.sldTreble, K::Slider, id::kSldTreble, 92, 92, 176, 32, kTicks},
            {&f.lblTrebleValue, K::Label, id::kLblTrebleValue, 272, 100, 56, 18},
            {&f.cmdClose, K::Button, id::kCmdClose, 244, 138, 84, 26, BS_DEFPUSHBUTTON},
        };
        const WindowDesign design{kToneWindowClass, kDialogStyle, WS_EX_DLGMODALFRAME, 340, 176};
        return create(design, owner, table);
    }

  protected:
    void onCreated() override { centerOnOwner(); }
    void onClose() override { destroy(); }
    void onCommand(int id, int, HWND control) override {
        if (!control && (id == IDOK || id == IDCANCEL)) destroy();
    }

  private:
    void centerOnOwner() {
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        RECT o{}, self{};
        if (!owner || !GetWindowRect(owner, &o) || !GetWindowRect(hwnd(), &self)) return;
        const int x = o.left + ((o.right - o.left) - (self.right - self.left)) / 2;
        const int y = o.top + ((o.bottom - o.top) - (self.bottom - self.top)) / 2;
        SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    frmVistaTone& form_;
};

// Disables every enabled top-level window of this thread but `keep` and `owner` (the
// owner is the modal loop's own business); returns them to be enabled again.
struct Walk {
    HWND keep, owner;
    std::vector<HWND> disabled;
};

BOOL CALLBACK collectEnabled(HWND h, LPARAM lp) {
    auto& w = *reinterpret_cast<Walk*>(lp);
    if (h != w.keep && h != w.owner && IsWindowEnabled(h)) w.disabled.push_back(h);
    return TRUE;
}

std::vector<HWND> disableOtherWindows(HWND keep, HWND owner) {
    Walk walk{keep, owner, {}};
    EnumThreadWindows(GetCurrentThreadId(), &collectEnabled, reinterpret_cast<LPARAM>(&walk));
    for (HWND h : walk.disabled) EnableWindow(h, FALSE);
    return walk.disabled;
}

}  // namespace

// Modal to the whole program: while the sliders act on the open devices, neither the
// main window nor the tray icon's menu may select another program.
void showToneDialog(HWND owner, frmMain& main) {
    frmVistaTone form(main);
    ToneWindow window(form);
    form.onCloseRequested = [&window] { window.destroy(); };
    form.Form_Load();
    if (!window.open(owner)) return;
    const std::vector<HWND> disabled = disableOtherWindows(window.hwnd(), owner);
    window.runModal(owner);
    for (HWND h : disabled)
        if (IsWindow(h)) EnableWindow(h, TRUE);
}

}  // namespace tk::win
