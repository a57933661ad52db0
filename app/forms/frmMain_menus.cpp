// The tray icon's menu, the menu bar's own commands and the tray events.
#include "frmMain.h"

#include "../modules/convert.h"
#include "../modules/maker_site.h"
#include "../modules/resume.h"

namespace tk {

// The tray menu: one item per list entry, then a separator and four commands, which
// the click handler tells apart by their distance from the end.
void frmMain::SetProgramMenu() {
    while (mnuPlaceHolder.count() > 1) mnuPlaceHolder.unload(mnuPlaceHolder.count() - 1);
    const int n = PrgName.listCount();
    for (int k = 1; k < n; ++k) {
        controls::MenuItem& item = mnuPlaceHolder.load(k);
        item.setCaption(fileTitle(PrgName.list(k)));
        item.setChecked(false);
    }
    const char* commands[] = {"-", "Set Sound Card Levels", "Restore", "Close Menu",
                              "Exit Tonekeep"};
    for (int k = 0; k < 5; ++k) {
        controls::MenuItem& item = mnuPlaceHolder.load(std::max(n, 1) + k);
        item.setCaption(commands[k]);
        item.setEnabled(true);
        item.setChecked(false);
    }
}

void frmMain::mnuPlaceHolder_Click(int index) {
    const int count = mnuPlaceHolder.count();
    if (index == count - 1) {
        s_.forms.closeMainWindow();
        return;
    }
    if (index == count - 2) return;
    if (index == 0 && launchedProcessId == 0) return;
    if (index == count - 3) {
        show();
        return;
    }
    if (index == count - 4) {
        if (p_.endpointPath())
            s_.forms.showSoundVista();
        else
            s_.forms.showSound();
        return;
    }
    if (launchedProcessId != 0) {
        ShowMessage("Only one program may be lauched", mb::kInformation);
        return;
    }
    PrgName.setListIndex(index);
    cmdLaunch.press();
    if (launchFailed) return;
    mnuPlaceHolder.item(index).setChecked(true);
    hide();
    for (int k = 0; k <= count - 6; ++k) mnuPlaceHolder.item(k).setEnabled(false);
    setTrayTip("Sound Card set for " + mnuPlaceHolder.item(index).caption());
}

void frmMain::Tray1_Restore(int button) {
    if (button != 1) return;
    s_.forms.restoreMainWindow();
    show();
}

void frmMain::Tray1_Menu(int button) {
    if (button == 2) s_.forms.popupTrayMenu();
}

void frmMain::StartSystemProgram(const std::string& commandLine) {
    bool started = false;
    tryStep([&] { started = s_.processes.run(commandLine); });
    if (!started) ShowMessage("Unable to start " + commandLine, mb::kInformation);
}

void frmMain::mnuWindowsPlay_Click() {
    const std::string suffix = std::to_string(SoundCard.listIndex());
    StartSystemProgram((p_.endpointPath() ? "control.exe mmsys.cpl,,0" : "sndvol32 -p -d") +
                       suffix);
}

void frmMain::mnuWindowRecord_Click() {
    const std::string suffix = std::to_string(SoundCard.listIndex());
    StartSystemProgram((p_.endpointPath() ? "control.exe mmsys.cpl,,1" : "sndvol32 -r -d") +
                       suffix);
}

void frmMain::mnuexit_Click() {
    s_.forms.closeMainWindow();
}

void frmMain::mnuAbout_Click() {
    s_.forms.showAbout();
}

void frmMain::mnuCheckUpdates_Click() {
    const std::string question = std::string("You must be connected to the Internet to continue.") +
                                 kCR + kCR + "Proceed with update check ?";
    if (s_.messages.show(question, mb::kYesNo, kAppTitle) == mb::kNo) return;
    ExecuteCommand(s_, std::string(site::kVersionCheckPage) +
                           "Version=" + std::to_string(site::kVersionMajor) + "." +
                           std::to_string(site::kVersionMinor));
}

}  // namespace tk
