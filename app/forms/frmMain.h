// The main window: the program list, the device boxes, the options, the menus and
// the tray icon, and with them the whole profile cycle — select an entry to put its
// sound profile in force, launch its program, watch it, and put "Normal Windows"
// back when it ends.
//
// The window is portable: it holds its state in the control model and reaches every
// outside service through Services. Event procedures keep the names of the form's
// controls (`PrgName_Click`, `cmdLaunch_Click`, `Timer1_Timer`). Its source is split
// by concern: start-up (frmMain.cpp), device choice (frmMain_devices.cpp), program
// list (frmMain_programs.cpp), selection/launch/watch (frmMain_profile.cpp), menus and
// tray (frmMain_menus.cpp), options and shutdown (frmMain_options.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "../controls/controls.h"
#include "../modules/publics.h"
#include "../platform/services.h"

namespace tk {

class frmMain : public controls::Form {
  public:
    frmMain(Services& services, Publics& publics);
    // Detaches the window's handlers from the tray and the mixer.
    ~frmMain() override;

    // --- controls ----------------------------------------------------------------
    controls::Frame Frame1{"Frame1"};
    controls::Label Label1{"Label1"};
    controls::ListBox PrgName{"PrgName"};
    controls::Button cmdAdd{"cmdAdd"};
    controls::Button cmdRemove{"cmdRemove"};
    controls::Button cmdLaunch{"cmdLaunch"};
    controls::Button cmdSetup{"cmdSetup"};
    controls::Button cmdSave{"cmdSave"};
    controls::Label lblVistaSpeakers{"lblVistaSpeakers"};
    controls::ListBox cmbSpeakers{"cmbSpeakers"};
    controls::Label lblVistaLineIn{"lblVistaLineIn"};
    controls::ListBox cmbLineIn{"cmbLineIn"};
    controls::Label lblMicrophone{"lblMicrophone"};
    controls::ListBox cmbMic{"cmbMic"};
    controls::Label lblXpCard{"lblXpCard"};
    controls::ListBox SoundCard{"SoundCard"};
    controls::CheckBox chkEsc{"chkEsc"};
    controls::CheckBox chkExit{"chkExit"};
    controls::CheckBox chkStartMin{"chkStartMin"};
    controls::Label Label2{"Label2"};
    controls::Timer Timer1{"Timer1"};

    // Menu bar.
    controls::MenuItem mnufile{"mnufile"};
    controls::MenuItem mnuAddProgram{"mnuAddProgram"};
    controls::MenuItem mnuRemove{"mnuRemove"};
    controls::MenuItem mnuLaunch{"mnuLaunch"};
    controls::MenuItem mnuexit{"mnuexit"};
    controls::MenuItem mnuWindows{"mnuWindows"};
    controls::MenuItem mnuWindowsPlay{"mnuWindowsPlay"};
    controls::MenuItem mnuWindowRecord{"mnuWindowRecord"};
    controls::MenuItem mnuCheckUpdates{"mnuCheckUpdates"};
    controls::MenuItem mnuAbout{"mnuAbout"};
    // The tray pop-up menu: one item per list entry, a separator, four commands.
    controls::MenuArray mnuPlaceHolder{"mnuPlaceHolder"};

    // --- start-up (returns false when the process must end at once) -------------
    bool Form_Load();

    // --- device choice ----------------------------------------------------------
    void cmbSpeakers_Click();
    void cmbLineIn_Click();
    void cmbMic_Click();
    void SoundCard_Click();
    void OpenVistaCard();
    void SaveVistaSettings();
    void LoadVistaSettings();
    void SetUpSoundControls();

    // --- profile selection, launch, watch ---------------------------------------
    void PrgName_Click();
    void cmdLaunch_Click();
    void cmdSave_Click();
    void cmdSetup_Click();
    void Timer1_Timer();

    // --- program list -----------------------------------------------------------
    void cmdAdd_Click();
    void cmdRemove_Click();
    // Validates, resolves a shortcut (writing the target back into `file`), refuses
    // duplicates, appends the entry and stores its keys.
    void AddFile(std::string& file);
    void DropFile(const std::vector<std::string>& files);

    // --- menus and tray -----------------------------------------------------------
    void SetProgramMenu();
    void mnuPlaceHolder_Click(int index);
    void Tray1_Restore(int button);
    void Tray1_Menu(int button);
    void mnuWindowsPlay_Click();
    void mnuWindowRecord_Click();
    void mnuexit_Click();
    void mnuAbout_Click();
    void mnuCheckUpdates_Click();

    // --- options and shutdown -----------------------------------------------------
    void chkEsc_Click();
    void chkExit_Click();
    void chkStartMin_Click();
    void Form_KeyPress(int keyAscii);
    // Close reasons: 0 the user's close box or system menu, 1 a close from code,
    // 2 the task manager, 3 Windows shutting down or the user logging off.
    // Returns true when the close is cancelled.
    bool Form_QueryUnload(int unloadMode);

    // The mixer control's change notification.
    void Mixer_ControlChanged();

    // --- state read by other windows and by tests ---------------------------------
    bool Loading = false;
    std::vector<std::string> PlayName, PlayGuid, RecName, RecGuid;
    int16_t MixerIndex = 0;
    uint32_t launchedProcessId = 0;
    ProcessHandle launchedProcessHandle = 0;
    std::string launchedProgramPath;
    bool launchFailed = false;
    int16_t lastSelectedIndex = 0;
    uint32_t launchedExitCode = 0;

    Services& services() { return s_; }
    Publics& publics() { return p_; }

  private:
    void wireEvents();
    void designControls();
    bool LoadEndpointDevices();
    bool LoadMixerDevices();
    void LoadProgramList();
    void ShowMessage(const std::string& text, int flags);
    void SelectDefault(controls::ListBox& box, const std::vector<std::string>& names,
                       const std::string& wanted);
    void ApplyLegacyProfile(int entry);
    void StartSystemProgram(const std::string& commandLine);
    void setTrayTip(const std::string& statusLine);

    std::string DefaultPlayName, DefaultLineInName, DefaultMicName;
    bool restoringSelection_ = false;
    // Per device role: the selected entry's stored device was not present when its
    // profile was restored, so a save keeps the stored choice.
    enum { kPlaybackRole, kLineInRole, kMicRole };
    std::array<bool, 3> storedDeviceMissing_{};
    // A stored device choice is being restored: the boxes' handlers leave the opening
    // of the endpoint set to the restore, which does it once.
    bool restoringDevices_ = false;
    bool reopenPending_ = false;
    void DeviceBoxClick(controls::ListBox& box, int role);

    Services& s_;
    Publics& p_;
};

// Per-entry key bases.
namespace key {
inline constexpr const char* kName = "Name";
inline constexpr const char* kMixer = "Mixer";
inline constexpr const char* kSoundSettings = "SoundSettings";
inline constexpr const char* kMixerNumber = "MixerNumber";
inline constexpr const char* kPlaybackGuid = "PlaybackGuid";
inline constexpr const char* kLineInGuid = "LineInGuid";
inline constexpr const char* kMicGuid = "MicGuid";
inline constexpr const char* kVistaSettings = "VistaSettings";
inline constexpr const char* kSettings0 = "Settings 0";
inline constexpr const char* kEscKey = "EscKey";
inline constexpr const char* kExit = "Exit";
inline constexpr const char* kStartMin = "StartMin";
}  // namespace key

// The watch timer's interval.
inline constexpr int kWatchIntervalMs = 2000;
// The exit code Windows reports for a process that is still active.
inline constexpr uint32_t kStillActive = 259;

}  // namespace tk
