// The three options, the key handler and the close request that ends the program.
#include "frmMain.h"

#include "../modules/resume.h"

namespace tk {

void frmMain::chkEsc_Click() {
    s_.settings.save(key::kEscKey, std::to_string(chkEsc.value()));
}

void frmMain::chkExit_Click() {
    s_.settings.save(key::kExit, std::to_string(chkExit.value()));
}

void frmMain::chkStartMin_Click() {
    s_.settings.save(key::kStartMin, std::to_string(chkStartMin.value()));
}

// The option names the Esc key, so only Esc hides the window.
void frmMain::Form_KeyPress(int keyAscii) {
    constexpr int kEscape = 27;
    if (chkEsc.value() == 1 && keyAscii == kEscape) hide();
}

bool frmMain::Form_QueryUnload(int unloadMode) {
    if (unloadMode == 0) {
        hide();
        return true;
    }
    if (launchedProcessId != 0 &&
        s_.messages.show("There is a program launched. Close Havro Tonekeep ?",
                         mb::kYesNo | mb::kQuestion | mb::kDefaultButton2, kAppTitle) == mb::kNo)
        return true;

    if (chkExit.value() == 1 && launchedProcessId != 0) {
        if (s_.messages.show("Leave Sound Card Settings as they are ?",
                             mb::kYesNo | mb::kInformation, kAppTitle) == mb::kNo) {
            launchedProcessId = 0;
            tryStep([&] { PrgName.setListIndex(0); });
        }
    } else if (chkExit.value() == 1) {
        launchedProcessId = 0;
        tryStep([&] { PrgName.setListIndex(0); });
    }

    if (p_.SoundFormLoaded) tryStep([&] { s_.forms.unloadSound(); });
    if (p_.endpointPath() && p_.VistaFormLoaded) tryStep([&] { s_.forms.unloadSoundVista(); });
    if (p_.endpointPath()) tryStep([&] { s_.library.CloseSoundCard(); });
    Timer1.setEnabled(false);
    tryStep([&] { s_.tray.remove(); });
    if (launchedProcessHandle != 0) {
        s_.processes.close(launchedProcessHandle);
        launchedProcessHandle = 0;
    }
    return false;
}

void frmMain::Mixer_ControlChanged() {
    if (p_.SoundFormLoaded && !p_.OwnMixerChange) s_.forms.soundChangedOutside();
    p_.OwnMixerChange = false;
}

}  // namespace tk
