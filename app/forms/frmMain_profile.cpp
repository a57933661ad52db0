// Selecting an entry puts its profile in force; Launch starts its program; the watch
// timer notices the end and puts "Normal Windows" back.
#include "frmMain.h"

#include "../modules/convert.h"
#include "../modules/resume.h"

namespace tk {

void frmMain::PrgName_Click() {
    const int s = PrgName.listIndex();

    // A running program keeps its entry selected. Putting the selection back raises
    // this handler again; that nested call must not re-apply the stored profile over
    // the levels the user has set while the program runs.
    if (restoringSelection_) return;
    if (launchedProcessId != 0 && lastSelectedIndex != s) {
        std::string running;
        tryStep([&] { running = PrgName.list(lastSelectedIndex); });
        ShowMessage("Only one program may be launched at a time. " + running + " is running",
                    mb::kInformation);
        restoringSelection_ = true;
        tryStep([&] { PrgName.setListIndex(lastSelectedIndex); });
        restoringSelection_ = false;
        cmdLaunch.setEnabled(false);
        return;
    }
    lastSelectedIndex = static_cast<int16_t>(s);

    if (p_.endpointPath())
        LoadVistaSettings();
    else
        ApplyLegacyProfile(s);

    // From here on a failing step is skipped.
    const std::string text = PrgName.text();
    tryStep([&] { setCaption(std::string(kAppTitle) + "  [" + fileTitle(text) + "]"); });
    const bool program = s != 0;
    cmdRemove.setEnabled(program);
    mnuRemove.setEnabled(program);
    cmdLaunch.setEnabled(program);
    mnuLaunch.setEnabled(program);
    mnuCreateShortcut.setEnabled(program);
    if (program) cmdLaunch.setToolTip(" Launch " + text + " ");
    tryStep([&] { SaveAutomatically(); });
}

void frmMain::SaveAutomatically() {
    for (bool missing : storedDeviceMissing_)
        if (missing) return;
    cmdSave.press();
}

// The stored mixer device and level text of `entry`. A device number that cannot be
// used — not a number, or a device that is no longer there — is the missing-device
// case: say so and fall back to the first sound card, leaving the levels alone.
void frmMain::ApplyLegacyProfile(int entry) {
    const std::string mixerKey = entryKey(key::kMixer, entry);
    auto storedDevice = [&] {
        return toInteger(s_.settings.get(mixerKey, std::to_string(SoundCard.listIndex())));
    };
    auto missingDevice = [&] {
        ShowMessage(std::string("Soundcard that was setup for selected program missing") + kCR +
                        kCR + "Resetting to default Sound Card",
                    mb::kInformation);
        tryStep([&] { SoundCard.setListIndex(0); });
    };

    int16_t device = 0;
    if (!tryStep([&] {
            device = storedDevice();
            if (device < 0) throw ConversionError("negative device");
            s_.mixer.setCurrentMixer(device);
        })) {
        missingDevice();
        return;
    }
    const std::string levels = s_.settings.get(entryKey(key::kSoundSettings, entry), "");
    if (levels.empty()) return;
    if (device < SoundCard.listCount()) {
        SoundCard.setListIndex(device);
        s_.mixer.setLevelState(levels);
    } else {
        missingDevice();
    }
}

void frmMain::cmdSave_Click() {
    if (Loading) return;
    // Every save but the automatic ones is the user's choice: it settles the entry.
    storedDeviceMissing_ = {};
    if (p_.endpointPath()) {
        SaveVistaSettings();
        return;
    }
    const int entry = PrgName.listIndex();
    if (entry < 0) return;
    s_.mixer.setCurrentMixer(MixerIndex);
    const std::string levels = s_.mixer.getLevelState(0);
    s_.settings.save(entryKey(key::kMixer, entry), std::to_string(MixerIndex));
    s_.settings.save(entryKey(key::kSoundSettings, entry), levels);
}

void frmMain::cmdSetup_Click() {
    if (p_.endpointPath()) {
        s_.forms.showSoundVista();
        return;
    }
    s_.forms.showSound();
    tryStep([&] { s_.mixer.setCurrentMixer(static_cast<int16_t>(SoundCard.listIndex())); });
}

void frmMain::cmdLaunch_Click() {
    launchFailed = false;
    const int s = PrgName.listIndex();
    if (s == 0) return;

    // From here on a failing step is skipped; the start itself is tested.
    launchedProgramPath.clear();
    tryStep([&] { launchedProgramPath = s_.settings.get(entryKey(key::kName, s), ""); });

    // The program starts in its own folder; this program's current folder stays.
    std::string folder;
    const size_t slash = launchedProgramPath.rfind('\\');
    if (slash != std::string::npos) {
        folder = launchedProgramPath.substr(0, slash);
        if (!folder.empty() && folder.back() == ':') folder += '\\';
    }

    const LaunchResult started = [&] {
        try {
            return s_.processes.start(launchedProgramPath, folder);
        } catch (const std::exception&) {
            return LaunchResult{};
        }
    }();
    if (started.outcome == LaunchResult::Outcome::NotFound) {
        ShowMessage("Unable to find " + launchedProgramPath, mb::kInformation);
        launchFailed = true;
        return;
    }
    if (started.outcome != LaunchResult::Outcome::Started || started.processId == 0 ||
        started.handle == 0) {
        if (started.handle != 0) s_.processes.close(started.handle);
        ShowMessage("Unable to Launch " + launchedProgramPath, mb::kInformation);
        launchFailed = true;
        return;
    }
    launchedProcessId = started.processId;
    s_.system.doEvents();
    launchedProcessHandle = started.handle;
    s_.system.doEvents();

    Label2.setCaption(std::to_string(launchedProcessHandle));
    cmdLaunch.setEnabled(false);
    PrgName.setEnabled(false);
    mnuLaunch.setEnabled(false);
    cmdRemove.setEnabled(false);
    mnuRemove.setEnabled(false);
    cmdAdd.setEnabled(false);
    mnuAddProgram.setEnabled(false);

    tryStep([&] {
        const int count = mnuPlaceHolder.count();
        for (int k = 0; k < count; ++k) mnuPlaceHolder.item(k).setChecked(false);
        mnuPlaceHolder.item(s).setChecked(true);
        for (int k = 0; k <= count - 5; ++k) mnuPlaceHolder.item(k).setEnabled(false);
    });
    tryStep([&] { setTrayTip("Sound Card set for " + mnuPlaceHolder.item(s).caption()); });
    Timer1.setEnabled(true);
    hide();
}

void frmMain::Timer1_Timer() {
    if (launchedProcessId == 0) return;
    uint32_t code = 0;
    if (s_.processes.exitCode(launchedProcessHandle, code)) launchedExitCode = code;
    Label2.setCaption(std::to_string(launchedExitCode));
    // The end is told by the process handle, not by the exit code: a program may
    // itself exit with the code that means "still active".
    if (!s_.processes.hasEnded(launchedProcessHandle)) return;

    tryStep([&] { SaveAutomatically(); });
    launchedProcessId = 0;
    s_.processes.close(launchedProcessHandle);
    launchedProcessHandle = 0;
    tryStep([&] { PrgName.setListIndex(0); });
    cmdLaunch.setEnabled(false);
    PrgName.setEnabled(true);
    cmdRemove.setEnabled(true);
    mnuRemove.setEnabled(true);
    cmdAdd.setEnabled(true);
    mnuAddProgram.setEnabled(true);

    // From here on a failing step is skipped.
    tryStep([&] {
        for (int k = 0; k < mnuPlaceHolder.count(); ++k) {
            mnuPlaceHolder.item(k).setEnabled(true);
            mnuPlaceHolder.item(k).setChecked(false);
        }
        mnuPlaceHolder.item(0).setChecked(true);
    });
    tryStep([&] { setTrayTip("Sound Card set for Normal Windows"); });
    Timer1.setEnabled(false);
}

}  // namespace tk
