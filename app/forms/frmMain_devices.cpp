// Device choice: the three endpoint boxes and the legacy sound-card box, opening the
// chosen endpoint set, and storing and restoring a program's devices and levels.
#include <exception>
#include <string>
#include <utility>

#include "../modules/VistaSound.h"
#include "../modules/convert.h"
#include "../modules/resume.h"
#include "frmMain.h"

namespace tk {

namespace {

// The array element behind a list position, or nullptr when there is none (no
// selection, or a box longer than its array).
const std::string* atPosition(const std::vector<std::string>& values, int position) {
    if (position < 0 || position >= static_cast<int>(values.size())) return nullptr;
    return &values[position];
}

// Selects the first position whose fragment equals `stored` exactly (letter case
// counts); a fragment no longer present leaves the box as it is. Returns whether the
// stored device is present.
bool selectStoredDevice(controls::ListBox& box, const std::vector<std::string>& fragments,
                        const std::string& stored) {
    if (stored.empty()) return true;
    for (int j = 0; j < box.listCount(); ++j) {
        const std::string* fragment = atPosition(fragments, j);
        if (fragment && *fragment == stored) {
            if (box.listIndex() != j) box.setListIndex(j);
            return true;
        }
    }
    return false;
}

}  // namespace

void frmMain::cmbSpeakers_Click() {
    DeviceBoxClick(cmbSpeakers, kPlaybackRole);
}
void frmMain::cmbLineIn_Click() {
    DeviceBoxClick(cmbLineIn, kLineInRole);
}
void frmMain::cmbMic_Click() {
    DeviceBoxClick(cmbMic, kMicRole);
}

// The three device boxes: the choice opens the chosen endpoint set and is stored under
// the selected program. While a stored choice is being restored the set is opened
// once, after all three boxes are set, rather than once per box.
void frmMain::DeviceBoxClick(controls::ListBox& box, int role) {
    if (!Loading) storedDeviceMissing_[role] = false;
    box.setToolTip(" " + box.text() + " ");
    if (restoringDevices_)
        reopenPending_ = true;
    else
        OpenVistaCard();
    cmdSave.press();
}

void frmMain::OpenVistaCard() {
    HavroLibrary& library = s_.library;
    std::string playback, microphone, lineIn;
    library.CloseSoundCard();

    if (const std::string* id = atPosition(PlayGuid, cmbSpeakers.listIndex())) {
        playback = *id;
        if (const std::string* name = atPosition(PlayName, cmbSpeakers.listIndex()))
            p_.CurPlayName = *name;
    }
    if (const std::string* id = atPosition(RecGuid, cmbLineIn.listIndex())) {
        lineIn = *id;
        if (const std::string* name = atPosition(RecName, cmbLineIn.listIndex()))
            p_.CurLineInName = *name;
    }
    if (const std::string* id = atPosition(RecGuid, cmbMic.listIndex())) {
        microphone = *id;
        if (const std::string* name = atPosition(RecName, cmbMic.listIndex()))
            p_.CurMicName = *name;
    }
    library.OpenSoundCard(playback, microphone, lineIn);

    // Line the mixer control up with the playback device: mixer device names are the
    // beginning of the endpoint's friendly name ("Speakers" for "Speakers (Realtek…)").
    // Without a match the last device stays current.
    Mixer& mixer = s_.mixer;
    const std::string speakers = cmbSpeakers.text();
    int count = 0;
    tryStep([&] { count = mixer.mixerCount(); });
    for (int d = 0; d < count; ++d) {
        tryStep([&] { mixer.setCurrentMixer(static_cast<int16_t>(d)); });
        std::string name;
        if (!tryStep([&] { name = mixer.mixerName(); })) continue;
        if (speakers.size() >= name.size() && speakers.compare(0, name.size(), name) == 0) break;
    }

    // A mixer whose discovery fails must not keep the new device choice from being
    // stored by the caller.
    tryStep([&] { SetUpSoundControls(); });
}

void frmMain::SaveVistaSettings() {
    const int n = PrgName.listIndex();
    if (n < 0) return;
    SettingsStore& settings = s_.settings;
    Mixer& mixer = s_.mixer;

    std::string levelText;
    tryStep([&] { levelText = mixer.getLevelState(0); });
    tryStep([&] {
        settings.save(entryKey(key::kMixerNumber, n), std::to_string(mixer.currentMixer()));
    });
    tryStep([&] { settings.save(entryKey(key::kSoundSettings, n), levelText); });
    // A box without a selection writes nothing: the earlier choice stays stored. So
    // does a stored device that is unplugged right now (a USB headset): the device
    // standing in for it is not the program's choice until the user picks it.
    if (const std::string* id = atPosition(PlayGuid, cmbSpeakers.listIndex());
        id && !storedDeviceMissing_[kPlaybackRole])
        tryStep([&] { settings.save(entryKey(key::kPlaybackGuid, n), *id); });
    if (const std::string* id = atPosition(RecGuid, cmbLineIn.listIndex());
        id && !storedDeviceMissing_[kLineInRole])
        tryStep([&] { settings.save(entryKey(key::kLineInGuid, n), *id); });
    if (const std::string* id = atPosition(RecGuid, cmbMic.listIndex());
        id && !storedDeviceMissing_[kMicRole])
        tryStep([&] { settings.save(entryKey(key::kMicGuid, n), *id); });
    tryStep(
        [&] { settings.save(entryKey(key::kVistaSettings, n), CaptureVistaLevels(s_.library)); });
}

void frmMain::LoadVistaSettings() {
    const int n = PrgName.listIndex();
    SettingsStore& settings = s_.settings;
    storedDeviceMissing_ = {};

    // "MixerNumber" marks an entry that was ever saved; an entry without it (or with a
    // value that is no number) keeps the devices and levels now in force.
    bool saved = false;
    tryStep([&] { saved = toLong(settings.get(entryKey(key::kMixerNumber, n), "-1")) != -1; });
    if (!saved) return;

    const bool wasLoading = Loading;
    Loading = true;

    // The mixer's level text is the companion of the endpoint levels; a mixer that
    // rejects it must not stop the endpoint devices from being restored.
    tryStep([&] { s_.mixer.setLevelState(settings.get(entryKey(key::kSoundSettings, n), "")); });

    // A box already showing the stored device is left alone; the endpoint set is
    // reopened once if any box changed.
    restoringDevices_ = true;
    reopenPending_ = false;
    tryStep([&] {
        storedDeviceMissing_[kPlaybackRole] = !selectStoredDevice(
            cmbSpeakers, PlayGuid, settings.get(entryKey(key::kPlaybackGuid, n), ""));
        storedDeviceMissing_[kLineInRole] = !selectStoredDevice(
            cmbLineIn, RecGuid, settings.get(entryKey(key::kLineInGuid, n), ""));
        storedDeviceMissing_[kMicRole] =
            !selectStoredDevice(cmbMic, RecGuid, settings.get(entryKey(key::kMicGuid, n), ""));
    });
    restoringDevices_ = false;
    if (reopenPending_) tryStep([&] { OpenVistaCard(); });

    // A stored level set that cannot be read (not one this program wrote) leaves the
    // rest of its levels unapplied; the devices restored before it stay in force.
    tryStep([&] {
        const std::string levels = settings.get(entryKey(key::kVistaSettings, n), "");
        if (!levels.empty()) ApplyVistaLevels(s_.library, levels);
    });

    Loading = wasLoading;
}

void frmMain::SoundCard_Click() {
    Mixer& mixer = s_.mixer;
    const bool done = tryStep([&] {
        MixerIndex = static_cast<int16_t>(SoundCard.listIndex());
        mixer.setCurrentMixer(MixerIndex);
        cmdSave.press();
    });
    if (done) return;

    // The chosen device could not be made current: fall back to the entry's stored
    // device and its levels.
    SettingsStore& settings = s_.settings;
    const int n = PrgName.listIndex();
    if (!tryStep(
            [&] { mixer.setCurrentMixer(toInteger(settings.get(entryKey(key::kMixer, n), ""))); }))
        return;
    tryStep([&] { mixer.setLevelState(settings.get(entryKey(key::kSoundSettings, n), "")); });
}

}  // namespace tk
