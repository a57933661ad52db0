#include "sound_dialog_win.h"

#include <commctrl.h>

#include "form_window_win.h"
#include "forms/frmMain.h"
#include "forms/frmSound.h"

namespace tk::win {
namespace {

// Layout, in 96-dpi pixels: two frames side by side, each column a caption, a vertical
// slider and the boxes below it; the program's name and the buttons underneath.
constexpr int kTop = 6;
constexpr int kCaptionY = 28;
constexpr int kSliderY = 48;
constexpr int kSliderH = 150;
constexpr int kSliderW = 44;
constexpr int kColumnW = 80;
constexpr int kFirstBoxY = 204;
constexpr int kSecondBoxY = 228;
constexpr int kDeviceY = 262;
constexpr int kFrameH = 290;
constexpr int kRecordX = 8;
constexpr int kRecordW = 2 * kColumnW + 20;
constexpr int kPlayX = kRecordX + kRecordW + 8;
constexpr int kPlayW = 4 * kColumnW + 20;
constexpr int kClientW = kPlayX + kPlayW + 8;
constexpr int kButtonY = kTop + kFrameH + 10;
constexpr int kClientH = kButtonY + 26 + 10;

class SoundWindow : public FormWindow {
  public:
    explicit SoundWindow(frmSound& form) : FormWindow(form), form_(form) {}
    ~SoundWindow() override { destroy(); }

    bool open(HWND owner) {
        using K = ControlKind;
        namespace id = soundid;
        frmSound& f = form_;
        constexpr DWORD kCentered = SS_CENTER | SS_NOPREFIX;
        constexpr DWORD kDevice = SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS;
        auto col = [](int frameX, int i) { return frameX + 10 + i * kColumnW; };
        auto sliderX = [&](int frameX, int i) {
            return col(frameX, i) + (kColumnW - kSliderW) / 2;
        };
        auto boxX = [&](int frameX, int i) { return col(frameX, i) + 12; };
        auto recordBoxX = [&](int i) { return col(kRecordX, i) + 4; };
        const ControlDesign table[] = {
            {&f.Label2, K::Label, id::kLabel2, col(kRecordX, 0), kCaptionY, kColumnW, 18,
             kCentered},
            {&f.MicIn, K::Slider, id::kMicIn, sliderX(kRecordX, 0), kSliderY, kSliderW, kSliderH},
            {&f.chkmic, K::OptionButton, id::kChkmic, recordBoxX(0), kFirstBoxY, 74, 20},
            {&f.chk20Db, K::CheckBox, id::kChk20Db, recordBoxX(0), kSecondBoxY, 74, 20},
            {&f.Label1, K::Label, id::kLabel1, col(kRecordX, 1), kCaptionY, kColumnW, 18,
             kCentered},
            {&f.LineIn, K::Slider, id::kLineIn, sliderX(kRecordX, 1), kSliderY, kSliderW, kSliderH},
            {&f.chkline, K::OptionButton, id::kChkline, recordBoxX(1), kFirstBoxY, 74, 20},
            {&f.chkNoMon, K::CheckBox, id::kChkNoMon, recordBoxX(1), kSecondBoxY, 74, 20},
            {&f.lblRecord, K::Label, id::kLblRecord, kRecordX + 8, kDeviceY, kRecordW - 16, 18,
             kDevice},

            {&f.Label3, K::Label, id::kLabel3, col(kPlayX, 0), kCaptionY, kColumnW, 18, kCentered},
            {&f.MasterOut, K::Slider, id::kMasterOut, sliderX(kPlayX, 0), kSliderY, kSliderW,
             kSliderH},
            {&f.MasterMute, K::CheckBox, id::kMasterMute, boxX(kPlayX, 0), kFirstBoxY, 60, 20},
            {&f.Label4, K::Label, id::kLabel4, col(kPlayX, 1), kCaptionY, kColumnW, 18, kCentered},
            {&f.WaveOut, K::Slider, id::kWaveOut, sliderX(kPlayX, 1), kSliderY, kSliderW, kSliderH},
            {&f.WaveMute, K::CheckBox, id::kWaveMute, boxX(kPlayX, 1), kFirstBoxY, 60, 20},
            {&f.Label5, K::Label, id::kLabel5, col(kPlayX, 2), kCaptionY, kColumnW, 18, kCentered},
            {&f.playMic, K::Slider, id::kPlayMic, sliderX(kPlayX, 2), kSliderY, kSliderW, kSliderH},
            {&f.micPlayMute, K::CheckBox, id::kMicPlayMute, boxX(kPlayX, 2), kFirstBoxY, 60, 20},
            {&f.Label7, K::Label, id::kLabel7, col(kPlayX, 3), kCaptionY, kColumnW, 18, kCentered},
            {&f.LineOut, K::Slider, id::kLineOut, sliderX(kPlayX, 3), kSliderY, kSliderW, kSliderH},
            {&f.LinePlayMute, K::CheckBox, id::kLinePlayMute, boxX(kPlayX, 3), kFirstBoxY, 60, 20},
            {&f.lblPlay, K::Label, id::kLblPlay, kPlayX + 8, kDeviceY, kPlayW - 16, 18, kDevice},

            {&f.lblPrgName, K::Label, id::kLblPrgName, 12, kButtonY + 5, 300, 18,
             SS_NOPREFIX | SS_ENDELLIPSIS},
            {&f.Command1, K::Button, id::kCommand1, kClientW - 8 - 84 - 8 - 84, kButtonY, 84, 26},
            {&f.cmdOk, K::Button, id::kCmdOk, kClientW - 8 - 84, kButtonY, 84, 26,
             BS_DEFPUSHBUTTON},
            // The frames come last: below the controls they hold in the z-order.
            {&f.Frame1, K::Frame, id::kFrame1, kRecordX, kTop, kRecordW, kFrameH},
            {&f.Frame2, K::Frame, id::kFrame2, kPlayX, kTop, kPlayW, kFrameH},
        };
        // Without WS_CLIPCHILDREN: a group box paints only its border and caption, so
        // the dialog must paint the background inside it.
        const WindowDesign design{kSoundWindowClass, kDialogStyle & ~WS_CLIPCHILDREN, 0, kClientW,
                                  kClientH};
        return create(design, owner, table);
    }

  protected:
    // A themed group box asks its parent to paint the background behind it
    // (WM_PRINTCLIENT); without an answer its inside stays unpainted.
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_PRINTCLIENT) {
            RECT client;
            GetClientRect(hwnd(), &client);
            FillRect(reinterpret_cast<HDC>(wp), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 0;
        }
        return FormWindow::onMessage(msg, wp, lp);
    }
    void onClose() override { destroy(); }
    void onCommand(int id, int, HWND control) override {
        if (!control && id == IDCANCEL) destroy();
    }
    void onDestroyed() override {
        guarded([&] {
            if (form_.loaded()) form_.Form_Unload();
        });
    }

  private:
    frmSound& form_;
};

using SoundDialog = ModelessDialog<frmSound, SoundWindow>;

SoundDialog& current() {
    static SoundDialog dialog;
    return dialog;
}

}  // namespace

void showSoundWindow(HWND owner, frmMain& main) {
    auto& dialog = current();
    if (dialog.raise()) return;
    SoundDialog::Open* d = &dialog.replace(main);
    d->form.close = [d] { d->window.destroy(); };
    d->form.Form_Load();
    if (!d->window.open(owner)) {
        d->form.close = nullptr;
        d->form.Form_Unload();
        return;
    }
    d->form.show();
    SetForegroundWindow(d->window.hwnd());
}

void unloadSoundWindow() {
    if (SoundDialog::Open* d = current().get(); d && d->window.hwnd()) d->window.destroy();
}

void soundChangedOutsideWindow() {
    SoundDialog::Open* d = current().get();
    if (d && d->window.hwnd() && d->form.loaded()) d->form.ChangedOutside();
}

HWND soundWindow() {
    return current().hwnd();
}

}  // namespace tk::win
