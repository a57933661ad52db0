// The sound card controls dialog of the legacy path: six vertical level sliders
// (top = 100 percent), mute boxes, the microphone boost, the monitor switch and the
// record source, found on the selected mixer device by discovery. Every change the
// user makes goes to the mixer at once; Apply and Close store the device's levels
// under the program entry selected in the main window.
//
// Sliders run from -100 (bottom) to 0 (top); a position p stands for the level -p
// percent. Each entry of Publics::MixerControls drives one control (see publics.h);
// a control whose entry was not found is disabled.
//
// Values that RefreshSoundControls loads into the controls run their handlers too,
// which then only update their entries: writing a loaded level back would change
// nothing the user chose, yet each write brings a change notification of its own, and
// all but the first of them would read as changes from outside (reloading the dialog
// and offering Apply). A handler that fails — a mixer error, or the coordinates -1 of
// a not-found entry — ends quietly.
#pragma once

#include <functional>
#include <string>

#include "../controls/controls.h"
#include "frmMain.h"

namespace tk {

class frmSound : public controls::Form {
  public:
    explicit frmSound(frmMain& main);

    // Record Controls (Input).
    controls::Frame Frame1{"Frame1"};
    controls::Label Label2{"Label2"};
    controls::Slider MicIn{"MicIn"};
    controls::OptionButton chkmic{"chkmic"};
    controls::CheckBox chk20Db{"chk20Db"};
    controls::Label Label1{"Label1"};
    controls::Slider LineIn{"LineIn"};
    controls::OptionButton chkline{"chkline"};
    controls::CheckBox chkNoMon{"chkNoMon"};
    controls::Label lblRecord{"lblRecord"};

    // Play Controls (Output).
    controls::Frame Frame2{"Frame2"};
    controls::Label Label3{"Label3"};
    controls::Slider MasterOut{"MasterOut"};
    controls::CheckBox MasterMute{"MasterMute"};
    controls::Label Label4{"Label4"};
    controls::Slider WaveOut{"WaveOut"};
    controls::CheckBox WaveMute{"WaveMute"};
    controls::Label Label5{"Label5"};
    controls::Slider playMic{"playMic"};
    controls::CheckBox micPlayMute{"micPlayMute"};
    controls::Label Label7{"Label7"};
    controls::Slider LineOut{"LineOut"};
    controls::CheckBox LinePlayMute{"LinePlayMute"};
    controls::Label lblPlay{"lblPlay"};

    controls::Label lblPrgName{"lblPrgName"};
    controls::Button Command1{"Command1"};  // Apply
    controls::Button cmdOk{"cmdOk"};        // Close

    void Form_Load();
    void Form_Unload();
    void cmdOk_Click();
    void Command1_Click();

    void MicIn_Change();
    void LineIn_Change();
    void MasterOut_Change();
    void WaveOut_Change();
    void playMic_Change();
    void LineOut_Change();
    void MasterMute_Click();
    void WaveMute_Click();
    void micPlayMute_Click();
    void LinePlayMute_Click();
    void chk20Db_Click();
    void chkNoMon_Click();
    void chkmic_Click();
    void chkline_Click();

    // True from Form_Load until Form_Unload.
    bool loaded() const { return loaded_; }

    // Runs discovery again and shows what it found.
    void RefreshSoundControls();
    // The mixer changed from outside while the dialog is open: reload and offer Apply.
    void ChangedOutside();

    // Set by the window that shows the dialog: closes the window, which runs
    // Form_Unload. Without it Close runs Form_Unload itself.
    std::function<void()> close;

  private:
    void designControls();
    void wireEvents();
    // Makes the entry's control current and writes v to channel 0 (and 1 when
    // `bothChannels`).
    void writeEntry(int entry, int32_t v, bool bothChannels);
    void sliderMoved(controls::Slider& slider, int entry);
    void boxClicked(controls::CheckBox& box, int entry, bool bothChannels);
    void showPair(controls::Slider& slider, controls::CheckBox& mute, int volumeEntry,
                  int muteEntry);
    void showBox(controls::CheckBox& box, int entry);
    void recordSourceClicked(controls::OptionButton& option, int lineCode, int entry,
                             int otherEntry);

    bool loading_ = false;
    bool loaded_ = false;
    frmMain& main_;
    Services& s_;
    Publics& p_;
};

}  // namespace tk
