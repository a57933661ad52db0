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

// A mute or switch box: disabled while its control cannot be read, otherwise showing
// the control's state.
void loadSwitch(controls::CheckBox& box, int32_t flag, int32_t status) {
    if (status != 0) {
        box.setEnabled(false);
        return;
    }
    box.setValue(flag != 0 ? 1 : 0);
    box.setEnabled(true);
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

    sldMaster.setValue(library.GetMasterVolume(status));
    lblSpeaker.setEnabled(status == 0);
    sldMaster.setEnabled(status == 0);
    int32_t flag = library.GetMasterMute(status);
    loadSwitch(chkMasterMute, flag, status);

    sldLinePlay.setValue(library.GetLinePlayBack(status));
    lblLinePlay.setEnabled(status == 0);
    sldLinePlay.setEnabled(status == 0);
    flag = library.GetLinePlayBackMute(status);
    loadSwitch(chkLinePlay, flag, status);

    sldMicPlay.setValue(library.GetMicPlayBack(status));
    lblMicPlay.setEnabled(status == 0);
    sldMicPlay.setEnabled(status == 0);
    flag = library.GetMicPlayBackMute(status);
    loadSwitch(chkMicPlay, flag, status);

    sldMic.setValue(library.GetMicRecordVolume(status));
    sldMic.setEnabled(status == 0);
    // The boost switch can appear after a device change and Sync, so a successful read
    // enables the box again like its siblings.
    flag = library.GetMicBoost(status);
    loadSwitch(chkBoost, flag, status);

    sldLine.setValue(library.GetLineRecordVolume(status));
    sldLine.setEnabled(status == 0);
    flag = library.GetNoMonitor(status);
    loadSwitch(chkNoMon, flag, status);

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
    int32_t status = 0;
    // The master slider shows what the library made of the request: 0 when no device
    // set is open or the playback endpoint has no volume.
    sldMaster.setValue(main_.services().library.SetMasterVolume(sldMaster.value(), status));
}

void frmSoundVista::sldLinePlay_Scroll() {
    int32_t status = 0;
    main_.services().library.SetLinePlayBack(sldLinePlay.value(), status);
}

void frmSoundVista::sldMicPlay_Scroll() {
    int32_t status = 0;
    main_.services().library.SetMicPlayBack(sldMicPlay.value(), status);
}

void frmSoundVista::sldMic_Scroll() {
    int32_t status = 0;
    main_.services().library.SetMicRecordVolume(sldMic.value(), status);
}

void frmSoundVista::sldLine_Scroll() {
    int32_t status = 0;
    main_.services().library.SetLineRecordVolume(sldLine.value(), status);
}

void frmSoundVista::chkMasterMute_Click() {
    int32_t status = 0;
    main_.services().library.SetMasterMute(flagOf(chkMasterMute), status);
}

void frmSoundVista::chkLinePlay_Click() {
    int32_t status = 0;
    main_.services().library.SetLinePlayBackMute(flagOf(chkLinePlay), status);
}

void frmSoundVista::chkMicPlay_Click() {
    int32_t status = 0;
    main_.services().library.SetMicPlayBackMute(flagOf(chkMicPlay), status);
}

void frmSoundVista::chkBoost_Click() {
    int32_t status = 0;
    main_.services().library.SetMicBoost(flagOf(chkBoost), status);
}

void frmSoundVista::chkNoMon_Click() {
    int32_t status = 0;
    main_.services().library.SetNoMonitor(flagOf(chkNoMon), status);
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
