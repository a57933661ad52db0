// Requests that reach the window from outside: a launch asked for on the command line
// or handed over by a second copy, the desktop shortcut that makes such a request, and
// audio devices that are plugged in or removed while the program runs.
#include <algorithm>
#include <array>

#include "../modules/convert.h"
#include "../modules/resume.h"
#include "frmMain.h"

namespace tk {

namespace {

bool contains(const std::vector<std::string>& values, const std::string& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// The element behind a list position; "" for no selection or a box longer than its array.
std::string atPosition(const std::vector<std::string>& values, int position) {
    if (position < 0 || position >= static_cast<int>(values.size())) return {};
    return values[position];
}

// Puts a flag back when the scope ends, however it ends.
class FlagRestore {
  public:
    explicit FlagRestore(bool& flag) : flag_(flag), value_(flag) {}
    ~FlagRestore() { flag_ = value_; }
    FlagRestore(const FlagRestore&) = delete;
    FlagRestore& operator=(const FlagRestore&) = delete;

  private:
    bool& flag_;
    bool value_;
};

}  // namespace

void frmMain::LaunchRegistered(const std::string& path) {
    int entry = -1;
    const std::string wanted = upper(path);
    for (int n = 1; n < PrgName.listCount() && entry < 0; ++n) {
        std::string stored;
        tryStep([&] { stored = s_.settings.get(entryKey(key::kName, n), ""); });
        if (!stored.empty() && upper(stored) == wanted) entry = n;
    }
    if (entry < 0) {
        ShowMessage(path + " is not in the list of programs", mb::kInformation);
        return;
    }
    if (launchedProcessId != 0) {
        std::string running;
        tryStep([&] { running = PrgName.list(lastSelectedIndex); });
        ShowMessage("Only one program may be launched at a time. " + running + " is running",
                    mb::kInformation);
        return;
    }
    PrgName.setListIndex(entry);
    cmdLaunch.press();
}

void frmMain::mnuCreateShortcut_Click() {
    const int n = PrgName.listIndex();
    if (n <= 0) return;
    const std::string path = s_.settings.get(entryKey(key::kName, n), "");
    if (path.empty()) return;
    std::string title = fileTitle(trimBlanks(path));
    if (title.size() > 4 && upper(title.substr(title.size() - 4)) == ".EXE")
        title.resize(title.size() - 4);
    const DesktopShortcut shortcut{title + " (Tonekeep)", "/launch \"" + path + "\"", path};
    std::optional<std::string> made;
    tryStep([&] { made = s_.shortcuts.createDesktopShortcut(shortcut); });
    if (!made) ShowMessage("Unable to create a desktop shortcut for " + path, mb::kInformation);
}

void frmMain::DevicesChanged() {
    // A message box of a relist's own steps lets the next notification in; the relist
    // under way reads the devices after it anyway.
    if (relisting_) return;
    FlagRestore relisting(relisting_);
    relisting_ = true;
    if (p_.endpointPath())
        tryStep([&] { RelistEndpointDevices(); });
    else
        tryStep([&] { RelistMixerDevices(); });
}

void frmMain::RelistEndpointDevices() {
    // A listing that fails keeps the boxes as they are.
    int32_t playCount = 0, result = -1;
    if (!tryStep([&] { result = s_.library.GetNumberPlayDevices(playCount); }) || result != 0)
        return;

    controls::ListBox* boxes[3] = {&cmbSpeakers, &cmbLineIn, &cmbMic};
    const std::vector<std::string>* ids[3] = {&PlayGuid, &RecGuid, &RecGuid};
    const std::vector<std::string>* names[3] = {&PlayName, &RecName, &RecName};
    const char* storedKeys[3] = {key::kPlaybackGuid, key::kLineInGuid, key::kMicGuid};
    std::array<std::vector<std::string>, 3> before;
    std::array<std::string, 3> chosen, chosenName;
    for (int r = 0; r < 3; ++r) {
        before[r] = *ids[r];
        chosen[r] = atPosition(*ids[r], boxes[r]->listIndex());
        chosenName[r] = atPosition(*names[r], boxes[r]->listIndex());
    }

    // Selections made here open nothing and save nothing; the set is reopened once
    // below when a box's device has changed.
    FlagRestore loading(Loading), restoring(restoringDevices_);
    Loading = true;
    restoringDevices_ = true;
    for (controls::ListBox* box : boxes) box->clear();
    ListEndpoints(playCount);

    // A selected device that has gone leaves its box without a selection: the set stays
    // open as it is (the levels of the devices still there stay in force, and no other
    // device takes over levels meant for the one that went), and a save keeps the
    // entry's stored choice. The device is selected again when it comes back.
    std::vector<std::pair<std::string, std::string>> gone;  // id fragment, name
    bool changed = false;
    for (int r = 0; r < 3; ++r) {
        controls::ListBox& box = *boxes[r];
        const std::string wanted = chosen[r].empty() ? goneChoice_[r] : chosen[r];
        int position = -1;
        for (int j = 0; j < box.listCount() && !wanted.empty(); ++j) {
            if (atPosition(*ids[r], j) == wanted) {
                position = j;
                break;
            }
        }
        if (position < 0 && !chosen[r].empty()) {
            gone.emplace_back(chosen[r], chosenName[r]);
            goneChoice_[r] = chosen[r];
        }
        // A box that had no devices at all gets the first one, as at start-up.
        if (position < 0 && wanted.empty() && box.listCount() > 0) position = 0;
        if (position >= 0) tryStep([&] { box.setListIndex(position); });
        const std::string now = atPosition(*ids[r], box.listIndex());
        if (!now.empty() && now != chosen[r]) changed = true;
    }
    restoringDevices_ = false;
    if (changed) tryStep([&] { OpenVistaCard(); });

    // A device the selected entry stored has come back: its profile is put in force
    // as selecting the entry does, without storing it back.
    const int n = PrgName.listIndex();
    bool arrived = false;
    for (int r = 0; r < 3 && n >= 0; ++r) {
        std::string stored;
        tryStep([&] { stored = s_.settings.get(entryKey(storedKeys[r], n), ""); });
        if (!stored.empty() && !contains(before[r], stored) && contains(*ids[r], stored))
            arrived = true;
    }
    if (arrived) tryStep([&] { LoadVistaSettings(); });

    std::vector<std::string> present = PlayGuid;
    present.insert(present.end(), RecGuid.begin(), RecGuid.end());
    noteGoneDevices(gone, present);
}

void frmMain::RelistMixerDevices() {
    Mixer& mixer = s_.mixer;
    int count = 0;
    if (!tryStep([&] { count = mixer.mixerCount(); })) return;
    const std::string chosen = SoundCard.text();
    const int before = SoundCard.listCount();

    FlagRestore loading(Loading);
    Loading = true;
    SoundCard.clear();
    std::vector<std::string> present;
    for (int i = 0; i < count; ++i) {
        tryStep([&] {
            mixer.setCurrentMixer(static_cast<int16_t>(i));
            SoundCard.addItem(mixer.mixerName());
            present.push_back(SoundCard.list(SoundCard.listCount() - 1));
        });
    }
    std::vector<std::pair<std::string, std::string>> gone;
    int position = -1;
    for (int i = 0; i < SoundCard.listCount() && !chosen.empty(); ++i) {
        if (SoundCard.list(i) == chosen) {
            position = i;
            break;
        }
    }
    if (position < 0 && !chosen.empty()) gone.emplace_back(chosen, chosen);
    if (position < 0 && SoundCard.listCount() > 0) position = 0;
    // The selection makes its device the mixer's current one again.
    if (position >= 0) tryStep([&] { SoundCard.setListIndex(position); });
    tryStep([&] { SetUpSoundControls(); });

    // The selected entry's sound card is back: its levels are put in force again.
    const int n = PrgName.listIndex();
    int stored = -1;
    tryStep([&] { stored = toInteger(s_.settings.get(entryKey(key::kMixer, n), "-1")); });
    if (n >= 0 && stored >= before && stored < SoundCard.listCount())
        tryStep([&] { ApplyLegacyProfile(n); });

    noteGoneDevices(gone, present);
}

// The tray tip names every selected device that has gone and not come back since.
void frmMain::noteGoneDevices(const std::vector<std::pair<std::string, std::string>>& gone,
                              const std::vector<std::string>& present) {
    std::erase_if(goneDevices_,
                  [&](const auto& device) { return contains(present, device.first); });
    for (const auto& device : gone) {
        if (std::find(goneDevices_.begin(), goneDevices_.end(), device) == goneDevices_.end())
            goneDevices_.push_back(device);
    }
    std::string tip = std::string(kAppTitle) + kCR + trayStatus_;
    for (const auto& device : goneDevices_) tip += kCR + device.second + " is no longer connected";
    tryStep([&] { s_.tray.setTip(tip); });
}

}  // namespace tk
