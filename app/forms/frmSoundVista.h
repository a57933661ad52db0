// The endpoint level dialog ("Sound Card Controls [entry]"): five sliders and their
// check boxes acting at once on the endpoint set the library holds open, a tone
// button, a reload button and Close. Nothing is buffered here: the library holds the
// levels while the dialog is open, and closing it presses the main window's Save, which
// stores the levels for the entry selected at that moment.
//
// Sliders are percent levels 0..100. Every Set call ignores its status; statuses only
// enable and disable controls when the dialog reloads (SetControls).
#pragma once

#include <functional>

#include "../controls/controls.h"

namespace tk {

class frmMain;

class frmSoundVista : public controls::Form {
  public:
    explicit frmSoundVista(frmMain& main);

    controls::Frame Frame1{"Frame1"};
    controls::Label lblOutputMixer{"lblOutputMixer"};
    controls::Label lblSpeaker{"lblSpeaker"};
    controls::Slider sldMaster{"sldMaster"};
    controls::CheckBox chkMasterMute{"chkMasterMute"};
    controls::Label lblLinePlay{"lblLinePlay"};
    controls::Slider sldLinePlay{"sldLinePlay"};
    controls::CheckBox chkLinePlay{"chkLinePlay"};
    controls::Label lblMicPlay{"lblMicPlay"};
    controls::Slider sldMicPlay{"sldMicPlay"};
    controls::CheckBox chkMicPlay{"chkMicPlay"};
    controls::Button cmdTone{"cmdTone"};
    controls::Frame Frame2{"Frame2"};
    controls::Label lblInputMixer{"lblInputMixer"};
    controls::Label Label2{"Label2"};
    controls::Slider sldMic{"sldMic"};
    controls::CheckBox chkBoost{"chkBoost"};
    controls::Label lblLineInMixer{"lblLineInMixer"};
    controls::Slider sldLine{"sldLine"};
    controls::CheckBox chkNoMon{"chkNoMon"};
    controls::Button cmdSync{"cmdSync"};
    controls::Button Command1{"Command1"};
    controls::Label lblPrgName{"lblPrgName"};

    // Shows the tone dialog modally; set by the window that hosts this form.
    std::function<void()> showTone;
    // Called at the end of Form_Unload so the host can take the window down.
    std::function<void()> onUnloaded;

    void Form_Load();
    void Form_Activate();
    // Closing, whichever way: stores the entry's levels and clears VistaFormLoaded.
    // Runs once per load.
    void Form_Unload();
    void SetControls();

    void sldMaster_Scroll();
    void sldLinePlay_Scroll();
    void sldMicPlay_Scroll();
    void sldMic_Scroll();
    void sldLine_Scroll();
    void chkMasterMute_Click();
    void chkLinePlay_Click();
    void chkMicPlay_Click();
    void chkBoost_Click();
    void chkNoMon_Click();
    void cmdSync_Click();
    void cmdTone_Click();
    void Command1_Click();

    bool loaded() const { return loaded_; }

  private:
    frmMain& main_;
    bool loaded_ = false;
};

}  // namespace tk
