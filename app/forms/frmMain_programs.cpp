// Registering programs (Add button, File menu, dropped files) and removing them with
// the numbering of the stored keys kept contiguous.
#include "frmMain.h"

#include "../modules/convert.h"
#include "../modules/resume.h"

namespace tk {

namespace {

std::string lastFour(const std::string& file) {
    return upper(file.size() >= 4 ? file.substr(file.size() - 4) : file);
}

// A default no stored value can equal, to tell an absent key from an empty one.
constexpr const char* kAbsent = "\x1f<absent>\x1f";

}  // namespace

void frmMain::cmdAdd_Click() {
    if (launchedProcessId != 0) return;
    FileDialogOptions options;
    options.title = "Add Program - Havro Tonekeep";
    options.initialFolder = s_.system.environment("systemdrive");
    options.filter = "(All Files) *.* |*.*|(Programs) *.exe|*.exe|(Shortcuts) *.lnk|*.lnk";
    options.filterIndex = 2;
    options.flags = 0x1004;
    std::optional<std::string> chosen;
    tryStep([&] { chosen = s_.fileDialog.openFile(options); });
    if (!chosen || chosen->empty()) return;
    AddFile(*chosen);
}

// While a launched program is watched the list stays as it is, however the add or the
// removal is asked for: the end of the run stores under the selected entry.
void frmMain::AddFile(std::string& file) {
    if (launchedProcessId != 0) return;
    const std::string type = lastFour(file);
    if (type != ".EXE" && type != ".LNK") {
        ShowMessage("File must be an executable (.exe) or a shortcut (.lnk)", mb::kInformation);
        return;
    }
    if (type == ".LNK") {
        std::optional<std::string> target;
        tryStep([&] { target = s_.shortcuts.targetPath(file); });
        if (!target) {
            ShowMessage("Unable to process shortcut file :" + file, mb::kInformation);
            return;
        }
        if (lastFour(*target) != ".EXE") {
            ShowMessage(file + kCR + kCR + "Points to : " + *target + kCR + kCR +
                            "Shortcut must point to an executable (.exe) file",
                        mb::kInformation);
            return;
        }
        file = *target;
    }
    for (int i = 0; i <= PrgName.listCount(); ++i) {
        if (s_.settings.get(entryKey(key::kName, i), "") == file) {
            ShowMessage(file + " is already listed", mb::kInformation);
            return;
        }
    }

    const int n = PrgName.listCount();
    PrgName.addItem(fileTitle(trimBlanks(file)));
    PrgName.setListIndex(n);
    s_.settings.save(entryKey(key::kName, n), file);
    // The mixer's levels go with the entry on both paths; a mixer that cannot give
    // them stores an empty level text, which applies nothing.
    std::string levels;
    tryStep([&] { levels = s_.mixer.getLevelState(0); });
    s_.settings.save(entryKey(key::kMixer, n), std::to_string(MixerIndex));
    s_.settings.save(entryKey(key::kSoundSettings, n), levels);
    SetProgramMenu();
}

void frmMain::DropFile(const std::vector<std::string>& files) {
    for (const std::string& dropped : files) {
        std::string file = dropped;
        if (!tryStep([&] { AddFile(file); })) {
            ShowMessage("Error processing dropped file(s)", mb::kInformation);
            return;
        }
    }
}

void frmMain::cmdRemove_Click() {
    if (launchedProcessId != 0) return;
    const int r = PrgName.listIndex();
    if (PrgName.listCount() == 0 || r < 0) {
        ShowMessage("No program selected", mb::kInformation);
        return;
    }
    if (r == 0) {
        ShowMessage("Can not delete item Normal Windows Use", mb::kInformation);
        return;
    }
    const std::string text = PrgName.text();
    if (s_.messages.show("Remove " + text + " from list?   ",
                         mb::kYesNo | mb::kDefaultButton2 | mb::kInformation, kAppTitle) == mb::kNo)
        return;

    const int c = PrgName.listCount();
    std::vector<const char*> bases = {key::kName, key::kSoundSettings, key::kMixer};
    if (p_.endpointPath())
        bases.insert(bases.end(), {key::kMixerNumber, key::kPlaybackGuid, key::kLineInGuid,
                                   key::kMicGuid, key::kVistaSettings});

    for (const char* base : bases) tryStep([&] { s_.settings.remove(entryKey(base, r)); });
    PrgName.removeItem(r);
    // Each later entry moves down one place with exactly the keys it has: a key it
    // never had stays absent at its new index rather than appearing empty.
    for (int i = r + 1; i < c; ++i) {
        for (const char* base : bases) {
            const std::string value = s_.settings.get(entryKey(base, i), kAbsent);
            if (value == kAbsent)
                tryStep([&] { s_.settings.remove(entryKey(base, i - 1)); });
            else
                s_.settings.save(entryKey(base, i - 1), value);
        }
    }
    for (const char* base : bases) tryStep([&] { s_.settings.remove(entryKey(base, c - 1)); });
    if (PrgName.listCount() > 0) PrgName.setListIndex(0);
    SetProgramMenu();
}

}  // namespace tk
