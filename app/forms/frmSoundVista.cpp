#include "frmSoundVista.h"

#include "frmMain.h"

namespace tk {

namespace {

void designSlider(controls::Slider& slider, const char* toolTip) {
    slider.orientation = controls::Orientation::Horizontal;
    slider.setRange(0, 100);
    slider.smallChange = 1;
    slider.largeChange = 5;
    slider.tickFrequency = 10;
    slider.setToolTip(toolTip);
}

int32_t flagOf(const controls::CheckBox& box) {
    return box.value() != 0 ? -1 : 0;
}

using Getter = int32_t (HavroLibrary::*)(int32_t& status);
using Setter = int32_t (HavroLibrary::*)(int32_t value, int32_t& status);

// A level slider and its caption (where it has one): showing the level, disabled while
// the level cannot be read. `status` is the dialog's one status variable, left as the
// read set it.
void loadLevel(HavroLibrary& library, Getter get, int32_t& status, controls::Slider& slider,
               controls::Label* caption = nullptr) {
    slider.setValue((library.*get)(status));
    if (caption) caption->setEnabled(status == 0);
    slider.setEnabled(status == 0);
}

// A mute or switch box: disabled while its control cannot be read, otherwise showing
// the control's state.
void loadSwitch(HavroLibrary& library, Getter get, int32_t& status, controls::CheckBox& box) {
    const int32_t flag = (library.*get)(status);
    if (status != 0) {
        box.setEnabled(false);
        return;
    }
    box.setValue(flag != 0 ? 1 : 0);
    box.setEnabled(true);
}

// A user's change goes straight to the library; its status is not looked at.
int32_t send(HavroLibrary& library, Setter set, int32_t value) {
    int32_t status = 0;
    return (library.*set)(value, status);
}

}  // namespace

frmSoundVista::frmSoundVista(frmMain& main) : controls::Form("frmSoundVista"), main_(main) {
    setCaption("Sound Controls");
    Frame1.setCaption("Playback");
    lblSpeaker.setCaption("Speaker : ");
    designSlider(sldMaster, " Master Speaker Volume ");
    chkMasterMute.setCaption("Mute");
    chkMasterMute.setToolTip("Master Mute Speaker ");
    lblLinePlay.setCaption("Line : ");
    designSlider(sldLinePlay, " Playback Line Level");
    chkLinePlay.setCaption("Mute");
    chkLinePlay.setToolTip("Mute Playback Line Out ");
    lblMicPlay.setCaption("Microphone : ");
    designSlider(sldMicPlay, " Play Back Microphone Level (Should always be muted) ");
    chkMicPlay.setCaption("Mute");
    chkMicPlay.setToolTip("Mute Play Back Microphone  (Should always be muted) ");
    cmdTone.setCaption("Tone");
    cmdTone.setToolTip(" Internal soundcard tone controls ");
    Frame2.setCaption("Record");
    Label2.setCaption("(Mic Only)");
    designSlider(sldMic, " Recording microphone level ");
    chkBoost.setCaption("+20 dB");
    chkBoost.setToolTip("Amplify microphone +20 dB ");
    designSlider(sldLine, " Recording Line In level");
    chkNoMon.setCaption("No Mon");
    chkNoMon.setToolTip(" Record without monitoring (should be checked if availble) ");
    cmdSync.setCaption("Sync");
    cmdSync.setToolTip(
        "Sync all controls with windows levels. Only useful if windows controls are adjested "
        "while this dialog box is open ");
    Command1.setCaption("Close");
    Command1.setToolTip(" Close Dialog ");

    sldMaster.onScroll = [this] { sldMaster_Scroll(); };
    sldLinePlay.onScroll = [this] { sldLinePlay_Scroll(); };
    sldMicPlay.onScroll = [this] { sldMicPlay_Scroll(); };
    sldMic.onScroll = [this] { sldMic_Scroll(); };
    sldLine.onScroll = [this] { sldLine_Scroll(); };
    chkMasterMute.onClick = [this] { chkMasterMute_Click(); };
    chkLinePlay.onClick = [this] { chkLinePlay_Click(); };
    chkMicPlay.onClick = [this] { chkMicPlay_Click(); };
    chkBoost.onClick = [this] { chkBoost_Click(); };
    chkNoMon.onClick = [this] { chkNoMon_Click(); };
    cmdSync.onClick = [this] { cmdSync_Click(); };
    cmdTone.onClick = [this] { cmdTone_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
}

void frmSoundVista::SetControls() {
    HavroLibrary& library = main_.services().library;
    const Publics& publics = main_.publics();
    int32_t status = 0;

    lblOutputMixer.setCaption(publics.CurPlayName);
    lblInputMixer.setCaption(publics.CurMicName);
    lblLineInMixer.setCaption(publics.CurLineInName);

    using L = HavroLibrary;
    loadLevel(library, &L::GetMasterVolume, status, sldMaster, &lblSpeaker);
    loadSwitch(library, &L::GetMasterMute, status, chkMasterMute);

    loadLevel(library, &L::GetLinePlayBack, status, sldLinePlay, &lblLinePlay);
    loadSwitch(library, &L::GetLinePlayBackMute, status, chkLinePlay);

    loadLevel(library, &L::GetMicPlayBack, status, sldMicPlay, &lblMicPlay);
    loadSwitch(library, &L::GetMicPlayBackMute, status, chkMicPlay);

    loadLevel(library, &L::GetMicRecordVolume, status, sldMic);
    // The boost switch can appear after a device change and Sync, so a successful read
    // enables the box again like its siblings.
    loadSwitch(library, &L::GetMicBoost, status, chkBoost);

    loadLevel(library, &L::GetLineRecordVolume, status, sldLine);
    loadSwitch(library, &L::GetNoMonitor, status, chkNoMon);

    double minDb = 0, maxDb = 0, stepDb = 0;
    cmdTone.setEnabled(library.GetEQRange(minDb, maxDb, stepDb) == 0);
}

void frmSoundVista::Form_Load() {
    loaded_ = true;
    main_.publics().VistaFormLoaded = true;
    SetControls();
}

void frmSoundVista::Form_Activate() {
    SetControls();
    const int entry = main_.PrgName.listIndex();
    const std::string name = entry == 0 ? std::string("Normal Windows") : main_.PrgName.text();
    lblPrgName.setCaption("Settings for : " + name);
    setCaption("Sound Card Controls [" + name + "]");
}

void frmSoundVista::Form_Unload() {
    if (!loaded_) return;
    loaded_ = false;
    main_.cmdSave.press();
    main_.publics().VistaFormLoaded = false;
    if (onUnloaded) onUnloaded();
}

void frmSoundVista::sldMaster_Scroll() {
    // The master slider shows what the library made of the request: 0 when no device
    // set is open or the playback endpoint has no volume.
    sldMaster.setValue(
        send(main_.services().library, &HavroLibrary::SetMasterVolume, sldMaster.value()));
}

void frmSoundVista::sldLinePlay_Scroll() {
    send(main_.services().library, &HavroLibrary::SetLinePlayBack, sldLinePlay.value());
}

void frmSoundVista::sldMicPlay_Scroll() {
    send(main_.services().library, &HavroLibrary::SetMicPlayBack, sldMicPlay.value());
}

void frmSoundVista::sldMic_Scroll() {
    send(main_.services().library, &HavroLibrary::SetMicRecordVolume, sldMic.value());
}

void frmSoundVista::sldLine_Scroll() {
    send(main_.services().library, &HavroLibrary::SetLineRecordVolume, sldLine.value());
}

void frmSoundVista::chkMasterMute_Click() {
    send(main_.services().library, &HavroLibrary::SetMasterMute, flagOf(chkMasterMute));
}

void frmSoundVista::chkLinePlay_Click() {
    send(main_.services().library, &HavroLibrary::SetLinePlayBackMute, flagOf(chkLinePlay));
}

void frmSoundVista::chkMicPlay_Click() {
    send(main_.services().library, &HavroLibrary::SetMicPlayBackMute, flagOf(chkMicPlay));
}

void frmSoundVista::chkBoost_Click() {
    send(main_.services().library, &HavroLibrary::SetMicBoost, flagOf(chkBoost));
}

void frmSoundVista::chkNoMon_Click() {
    send(main_.services().library, &HavroLibrary::SetNoMonitor, flagOf(chkNoMon));
}

void frmSoundVista::cmdSync_Click() {
    SetControls();
}

void frmSoundVista::cmdTone_Click() {
    if (showTone) showTone();
}

void frmSoundVista::Command1_Click() {
    Form_Unload();
}

}  // namespace tk
