#include "frmSound.h"

#include "../modules/convert.h"
#include "../modules/mixer_discovery.h"
#include "../modules/resume.h"

namespace tk {

namespace me = mixerentry;

namespace {

constexpr double kDeviceUnitsPerPercent = 655.35;

void designSlider(controls::Slider& slider) {
    slider.orientation = controls::Orientation::Vertical;
    slider.setRange(-100, 0);
    slider.smallChange = 1;
    slider.largeChange = 5;
    slider.tickFrequency = 10;
}

// An entry value as a check value; nothing when it is not 0 or 1 (the -1 of a
// not-found entry, the 2 of "not available").
std::optional<int> checkValueOf(float value) {
    if (value == 0.0f) return 0;
    if (value == 1.0f) return 1;
    return std::nullopt;
}

}  // namespace

frmSound::frmSound(frmMain& main)
    : controls::Form("frmSound"), main_(main), s_(main.services()), p_(main.publics()) {
    designControls();
    wireEvents();
}

void frmSound::designControls() {
    setCaption("Sound Card Controls");
    Frame1.setCaption("Record Controls (Input)");
    Label2.setCaption("Microphone");
    Label1.setCaption("Line Rec");
    chkmic.setCaption("Select");
    chkline.setCaption("Select");
    chkmic.joinGroup(chkline);
    chk20Db.setCaption("+20 Db");
    chkNoMon.setCaption("Mon off");

    Frame2.setCaption("Play Controls (Output)");
    Label3.setCaption("Master");
    Label4.setCaption("Wave ");
    Label5.setCaption("Mic");
    Label7.setCaption("Line");
    for (controls::CheckBox* mute : {&MasterMute, &WaveMute, &micPlayMute, &LinePlayMute})
        mute->setCaption("Mute");

    for (controls::Slider* s : {&MicIn, &LineIn, &MasterOut, &WaveOut, &playMic, &LineOut})
        designSlider(*s);

    Command1.setCaption("Apply");
    Command1.setToolTip("Resets Controls to Current Levels in Windows Mixers");
    cmdOk.setCaption("Close");
}

void frmSound::wireEvents() {
    auto guarded = [this](void (frmSound::*handler)()) {
        return [this, handler] { tryStep([&] { (this->*handler)(); }); };
    };
    MicIn.onChange = guarded(&frmSound::MicIn_Change);
    LineIn.onChange = guarded(&frmSound::LineIn_Change);
    MasterOut.onChange = guarded(&frmSound::MasterOut_Change);
    WaveOut.onChange = guarded(&frmSound::WaveOut_Change);
    playMic.onChange = guarded(&frmSound::playMic_Change);
    LineOut.onChange = guarded(&frmSound::LineOut_Change);
    MasterMute.onClick = guarded(&frmSound::MasterMute_Click);
    WaveMute.onClick = guarded(&frmSound::WaveMute_Click);
    micPlayMute.onClick = guarded(&frmSound::micPlayMute_Click);
    LinePlayMute.onClick = guarded(&frmSound::LinePlayMute_Click);
    chk20Db.onClick = guarded(&frmSound::chk20Db_Click);
    chkNoMon.onClick = guarded(&frmSound::chkNoMon_Click);
    chkmic.onClick = guarded(&frmSound::chkmic_Click);
    chkline.onClick = guarded(&frmSound::chkline_Click);
    Command1.onClick = guarded(&frmSound::Command1_Click);
    cmdOk.onClick = guarded(&frmSound::cmdOk_Click);
}

void frmSound::Form_Load() {
    loaded_ = true;
    p_.SoundFormLoaded = true;
    // Without a usable mixer device the dialog still opens, with what it has.
    tryStep([&] { RefreshSoundControls(); });
    const int selected = main_.PrgName.listIndex();
    const std::string name = selected != 0 ? main_.PrgName.text() : "Normal Windows";
    lblPrgName.setCaption("Settings for : " + name);
    setCaption("Sound Card Controls [" + name + "]");
    Command1.setEnabled(false);
}

void frmSound::Form_Unload() {
    tryStep([&] { main_.cmdSave.press(); });
    loaded_ = false;
    p_.SoundFormLoaded = false;
}

void frmSound::cmdOk_Click() {
    main_.cmdSave.press();
    if (close)
        close();
    else
        Form_Unload();
}

void frmSound::Command1_Click() {
    main_.cmdSave.press();
}

void frmSound::ChangedOutside() {
    tryStep([&] { RefreshSoundControls(); });
    Command1.setEnabled(true);
}

// --- writing to the mixer ---------------------------------------------------------

void frmSound::writeEntry(int entry, int32_t v, bool bothChannels) {
    if (loading_) return;
    const MixerControlEntry& e = p_.MixerControls[entry];
    // A not-found entry's -1 coordinates make the mixer refuse here; nothing is written.
    s_.mixer.setCurrentDestination(e.destination);
    s_.mixer.setCurrentLine(e.line);
    s_.mixer.setCurrentControl(e.control);
    s_.mixer.setControlValue(0, v);
    if (bothChannels) s_.mixer.setControlValue(1, v);
    s_.mixer.applyControl();
}

void frmSound::sliderMoved(controls::Slider& slider, int entry) {
    const int level = -slider.value();
    writeEntry(entry, roundHalfEven(level * kDeviceUnitsPerPercent), true);
    p_.MixerControls[entry].value = static_cast<float>(level);
    if (!loading_) p_.OwnMixerChange = true;
}

void frmSound::boxClicked(controls::CheckBox& box, int entry, bool bothChannels) {
    // A tick writes -1: the mixer takes any non-zero value as on.
    writeEntry(entry, -box.value(), bothChannels);
    p_.MixerControls[entry].value = static_cast<float>(box.value());
    if (!loading_) p_.OwnMixerChange = true;
}

void frmSound::MicIn_Change() {
    sliderMoved(MicIn, me::kMicRecord);
}
void frmSound::LineIn_Change() {
    sliderMoved(LineIn, me::kLineRecord);
}
void frmSound::MasterOut_Change() {
    sliderMoved(MasterOut, me::kMaster);
}
void frmSound::WaveOut_Change() {
    sliderMoved(WaveOut, me::kWave);
}
void frmSound::playMic_Change() {
    sliderMoved(playMic, me::kMicPlay);
}
void frmSound::LineOut_Change() {
    sliderMoved(LineOut, me::kLinePlay);
}

void frmSound::MasterMute_Click() {
    boxClicked(MasterMute, me::kMasterMute, true);
}
void frmSound::WaveMute_Click() {
    boxClicked(WaveMute, me::kWaveMute, true);
}
void frmSound::micPlayMute_Click() {
    boxClicked(micPlayMute, me::kMicPlayMute, true);
}
void frmSound::LinePlayMute_Click() {
    boxClicked(LinePlayMute, me::kLinePlayMute, true);
}
void frmSound::chk20Db_Click() {
    boxClicked(chk20Db, me::kMicBoost, false);
}
void frmSound::chkNoMon_Click() {
    boxClicked(chkNoMon, me::kMonitor, false);
}

// Selecting a source switches the mixer's record selector to it; clearing one (only
// code does that: the group clears the other silently) just records the other as
// selected.
void frmSound::recordSourceClicked(controls::OptionButton& option, int lineCode, int entry,
                                   int otherEntry) {
    auto& e = p_.MixerControls;
    const bool selected = option.value();
    if (selected && !loading_) s_.mixer.setSwitch(mixercode::kSideRecording, lineCode, 1);
    e[entry].value = selected ? 1 : 0;
    e[otherEntry].value = selected ? 0 : 1;
    if (!loading_) p_.OwnMixerChange = true;
}

void frmSound::chkmic_Click() {
    recordSourceClicked(chkmic, mixercode::kLineMicrophone, me::kMicSelect, me::kLineSelect);
}

void frmSound::chkline_Click() {
    recordSourceClicked(chkline, mixercode::kLineLineIn, me::kLineSelect, me::kMicSelect);
}

// --- loading ------------------------------------------------------------------------

// A not-found volume disables the slider and its mute box; a mute entry that is
// not 0 or 1 leaves its (enabled) box as it is.
void frmSound::showPair(controls::Slider& slider, controls::CheckBox& mute, int volumeEntry,
                        int muteEntry) {
    const auto& e = p_.MixerControls;
    if (e[volumeEntry].value == -1.0f) {
        slider.setEnabled(false);
        mute.setEnabled(false);
        return;
    }
    slider.setEnabled(true);
    mute.setEnabled(true);
    tryStep([&] { slider.setValue(-roundHalfEven(e[volumeEntry].value)); });
    if (auto check = checkValueOf(e[muteEntry].value)) tryStep([&] { mute.setValue(*check); });
}

void frmSound::showBox(controls::CheckBox& box, int entry) {
    const float value = p_.MixerControls[entry].value;
    if (value == 2.0f) {
        box.setEnabled(false);
        return;
    }
    if (auto check = checkValueOf(value)) tryStep([&] { box.setValue(*check); });
    box.setEnabled(true);
}

void frmSound::RefreshSoundControls() {
    SetUpSoundControls(s_.mixer, p_);
    loading_ = true;
    struct LoadingDone {
        bool& flag;
        ~LoadingDone() { flag = false; }
    } done{loading_};
    const std::string device = s_.mixer.mixerName();
    lblRecord.setCaption(device);
    lblPlay.setCaption(device);
    chkline.setEnabled(true);
    chkmic.setEnabled(true);

    // From here on a failing step is skipped and the next one runs.
    const auto& e = p_.MixerControls;
    tryStep([&] { showPair(MasterOut, MasterMute, me::kMaster, me::kMasterMute); });
    tryStep([&] { showPair(WaveOut, WaveMute, me::kWave, me::kWaveMute); });
    tryStep([&] { showPair(LineOut, LinePlayMute, me::kLinePlay, me::kLinePlayMute); });

    tryStep([&] {
        if (e[me::kMicPlay].value == -1.0f) {
            playMic.setEnabled(false);
            return;
        }
        playMic.setEnabled(true);
        playMic.setValue(-roundHalfEven(e[me::kMicPlay].value));
    });
    tryStep([&] {
        if (e[me::kMicPlayMute].value == -1.0f) {
            micPlayMute.setEnabled(false);
            return;
        }
        micPlayMute.setEnabled(true);
        if (auto check = checkValueOf(e[me::kMicPlayMute].value)) micPlayMute.setValue(*check);
    });

    for (auto [slider, entry] :
         {std::pair{&MicIn, me::kMicRecord}, std::pair{&LineIn, me::kLineRecord}}) {
        tryStep([&, slider = slider, entry = entry] {
            if (e[entry].value == -1.0f) {
                slider->setEnabled(false);
                return;
            }
            slider->setEnabled(true);
            slider->setValue(-roundHalfEven(e[entry].value));
        });
    }

    tryStep([&] {
        if (e[me::kMicSelect].value == -1.0f) {
            chkmic.setEnabled(false);
            chkline.setEnabled(false);
            return;
        }
        chkmic.setEnabled(true);
        chkline.setEnabled(true);
        if (e[me::kMicSelect].value == 1.0f)
            chkmic.setValue(true);
        else if (e[me::kLineSelect].value == 1.0f)
            chkline.setValue(true);
    });

    tryStep([&] { showBox(chk20Db, me::kMicBoost); });
    tryStep([&] { showBox(chkNoMon, me::kMonitor); });
}

}  // namespace tk
