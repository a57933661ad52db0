#include "sound_vista_win.h"

#include <commctrl.h>

#include "form_window_win.h"
#include "forms/frmMain.h"
#include "forms/frmSoundVista.h"
#include "tone_win.h"

namespace tk::win {
namespace {

class SoundVistaWindow : public FormWindow {
  public:
    explicit SoundVistaWindow(frmSoundVista& form) : FormWindow(form), form_(form) {}
    ~SoundVistaWindow() override { destroy(); }

    bool open(HWND owner) {
        using K = ControlKind;
        namespace id = soundvistaid;
        frmSoundVista& f = form_;
        constexpr DWORD kTicks = TBS_AUTOTICKS | TBS_BOTTOM;
        const ControlDesign table[] = {
            {&f.lblOutputMixer, K::Label, id::kLblOutputMixer, 20, 28, 300, 18, SS_NOPREFIX},
            {&f.cmdTone, K::Button, id::kCmdTone, 336, 22, 80, 26},
            {&f.lblSpeaker, K::Label, id::kLblSpeaker, 20, 62, 84, 18},
            {&f.sldMaster, K::Slider, id::kSldMaster, 104, 54, 226, 32, kTicks},
            {&f.chkMasterMute, K::CheckBox, id::kChkMasterMute, 340, 60, 76, 20},
            {&f.lblLinePlay, K::Label, id::kLblLinePlay, 20, 96, 84, 18},
            {&f.sldLinePlay, K::Slider, id::kSldLinePlay, 104, 88, 226, 32, kTicks},
            {&f.chkLinePlay, K::CheckBox, id::kChkLinePlay, 340, 94, 76, 20},
            {&f.lblMicPlay, K::Label, id::kLblMicPlay, 20, 130, 84, 18},
            {&f.sldMicPlay, K::Slider, id::kSldMicPlay, 104, 122, 226, 32, kTicks},
            {&f.chkMicPlay, K::CheckBox, id::kChkMicPlay, 340, 128, 76, 20},

            {&f.lblInputMixer, K::Label, id::kLblInputMixer, 20, 190, 220, 18, SS_NOPREFIX},
            {&f.Label2, K::Label, id::kLabel2, 244, 190, 86, 18},
            {&f.sldMic, K::Slider, id::kSldMic, 16, 208, 314, 32, kTicks},
            {&f.chkBoost, K::CheckBox, id::kChkBoost, 340, 214, 76, 20},
            {&f.lblLineInMixer, K::Label, id::kLblLineInMixer, 20, 246, 300, 18, SS_NOPREFIX},
            {&f.sldLine, K::Slider, id::kSldLine, 16, 264, 314, 32, kTicks},
            {&f.chkNoMon, K::CheckBox, id::kChkNoMon, 340, 270, 76, 20},

            {&f.lblPrgName, K::Label, id::kLblPrgName, 12, 318, 230, 18,
             SS_NOPREFIX | SS_ENDELLIPSIS},
            {&f.cmdSync, K::Button, id::kCmdSync, 252, 312, 84, 26},
            {&f.Command1, K::Button, id::kCommand1, 344, 312, 84, 26, BS_DEFPUSHBUTTON},
            // Frames last: the controls inside them lie above them.
            {&f.Frame1, K::Frame, id::kFrame1, 8, 6, 420, 156},
            {&f.Frame2, K::Frame, id::kFrame2, 8, 168, 420, 134},
        };
        // Without clipping its children: the frames do not paint their inside, the
        // window does.
        const WindowDesign design{kSoundVistaWindowClass, kDialogStyle & ~WS_CLIPCHILDREN, 0, 436,
                                  348};
        return create(design, owner, table);
    }

  protected:
    void onClose() override {
        guarded([&] { form_.Form_Unload(); });
    }
    void onCommand(int id, int, HWND control) override {
        if (!control && id == IDCANCEL) guarded([&] { form_.Form_Unload(); });
    }
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
            const LRESULT r = FormWindow::onMessage(msg, wp, lp);
            guarded([&] { form_.Form_Activate(); });
            return r;
        }
        return FormWindow::onMessage(msg, wp, lp);
    }

  private:
    frmSoundVista& form_;
};

using SoundVistaDialog = ModelessDialog<frmSoundVista, SoundVistaWindow>;

SoundVistaDialog& current() {
    static SoundVistaDialog dialog;
    return dialog;
}

}  // namespace

void showSoundVistaWindow(HWND owner, frmMain& main) {
    auto& dialog = current();
    if (dialog.raise()) return;
    SoundVistaDialog::Open* d = &dialog.replace(main);
    d->form.onUnloaded = [d] { d->window.destroy(); };
    d->form.showTone = [d, &main] { showToneDialog(d->window.hwnd(), main); };
    d->form.Form_Load();
    if (!d->window.open(owner)) {
        d->form.onUnloaded = nullptr;
        d->form.Form_Unload();
        return;
    }
    d->form.show();
    SetForegroundWindow(d->window.hwnd());
}

void unloadSoundVistaWindow() {
    if (SoundVistaDialog::Open* d = current().get(); d && d->form.loaded()) d->form.Form_Unload();
}

HWND soundVistaWindow() {
    return current().hwnd();
}

}  // namespace tk::win
