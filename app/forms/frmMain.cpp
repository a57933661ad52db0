// The main window: its design (captions, tool tips, which controls each path shows)
// and its start-up.
#include "frmMain.h"

#include "../modules/convert.h"
#include "../modules/mixer_discovery.h"
#include "../modules/resume.h"

namespace tk {

namespace {

const std::string kNoSoundCards =
    std::string("No sound cards found. Please check sound card installation.") + kCR + kCR +
    "If your sound card is a USB device make sure the sound card is connected." + kCR + kCR +
    "Program will end";

// A text the library wrote into a 256-blank buffer: up to its NUL, leading blanks
// removed; a buffer the library left untouched gives "".
std::string bufferText(const std::string& buffer) {
    size_t nul = buffer.find('\0');
    if (nul == std::string::npos) return trimLeftBlanks(std::string(buffer.size(), ' '));
    return trimLeftBlanks(buffer.substr(0, nul));
}

// The endpoint id fragment: from the "{" after the first "}.{" to the end; an id
// without "}.{" loses its first character.
std::string idFragment(const std::string& id) {
    size_t at = id.find("}.{");
    if (at == std::string::npos) return id.size() > 1 ? id.substr(1) : std::string();
    return id.substr(at + 2);
}

// Event handlers run on the user-interface thread between window messages; a failure
// inside one ends that handler only.
controls::Handler guarded(std::function<void()> body) {
    return [body = std::move(body)] { tryStep(body); };
}

}  // namespace

frmMain::frmMain(Services& services, Publics& publics)
    : controls::Form("frmMain"), s_(services), p_(publics) {
    designControls();
    wireEvents();
}

frmMain::~frmMain() {
    s_.tray.restoreEvent = nullptr;
    s_.tray.menuEvent = nullptr;
    s_.mixer.controlChanged = nullptr;
}

void frmMain::designControls() {
    setCaption(kAppTitle);
    Frame1.setCaption("Programs && Sound Cards");
    Label1.setCaption("Program :");
    PrgName.setToolTip("Select Program to Setup");
    cmdAdd.setCaption("A&dd");
    cmdAdd.setToolTip("Add program to setup");
    cmdRemove.setCaption("&Remove");
    cmdRemove.setToolTip("Remove selected program");
    cmdLaunch.setCaption("&Launch");
    cmdLaunch.setToolTip("Start selected program. (Only one program at a time may be launched)");
    cmdSetup.setCaption("&Set Levels");
    cmdSetup.setToolTip("Use internal controls to set mixer levels");
    cmdSave.setCaption("Sa&ve");
    cmdSave.setToolTip("Save sound card mixer levels");
    lblVistaSpeakers.setCaption("Speakers : ");
    lblVistaLineIn.setCaption("Line In : ");
    lblMicrophone.setCaption("Microphone :  ");
    lblXpCard.setCaption("Sound Card : ");
    SoundCard.setToolTip("Select which sound card to setup.");
    chkEsc.setCaption("Esc Key Minimize to Tray");
    chkEsc.setToolTip(" Esc key minimizes to tray ");
    chkExit.setCaption("Return to Normal Windows use on exit.");
    chkExit.setToolTip(" Reset sound card levels to \"Normal Window\" levels on exit ");
    chkStartMin.setCaption("Start Minimized in Tray");
    chkStartMin.setToolTip(" Start program minimized to tray ");
    Timer1.setInterval(kWatchIntervalMs);
    Timer1.setEnabled(false);

    mnufile.setCaption("&File");
    mnuAddProgram.setCaption("&Add Program");
    mnuRemove.setCaption("&Remove Program");
    mnuLaunch.setCaption("Launch Program");
    mnuCreateShortcut.setCaption("Create Shortcut");
    mnuexit.setCaption("E&xit");
    mnuWindows.setCaption("&Windows Mixers");
    mnuWindowsPlay.setCaption("Play Controls");
    mnuWindowRecord.setCaption("Record Controls");
    mnuCheckUpdates.setCaption("Check for Updates");
    mnuAbout.setCaption("&About");
    mnuPlaceHolder.setCaption("Programs");
    mnuPlaceHolder.item(0).setCaption("Normal Windows");
}

void frmMain::wireEvents() {
    PrgName.onClick = guarded([this] { PrgName_Click(); });
    cmdAdd.onClick = guarded([this] { cmdAdd_Click(); });
    cmdRemove.onClick = guarded([this] { cmdRemove_Click(); });
    cmdLaunch.onClick = guarded([this] { cmdLaunch_Click(); });
    cmdSetup.onClick = guarded([this] { cmdSetup_Click(); });
    cmdSave.onClick = guarded([this] { cmdSave_Click(); });
    cmbSpeakers.onClick = guarded([this] { cmbSpeakers_Click(); });
    cmbLineIn.onClick = guarded([this] { cmbLineIn_Click(); });
    cmbMic.onClick = guarded([this] { cmbMic_Click(); });
    SoundCard.onClick = guarded([this] { SoundCard_Click(); });
    chkEsc.onClick = guarded([this] { chkEsc_Click(); });
    chkExit.onClick = guarded([this] { chkExit_Click(); });
    chkStartMin.onClick = guarded([this] { chkStartMin_Click(); });
    Timer1.onTimer = guarded([this] { Timer1_Timer(); });

    mnuAddProgram.onClick = guarded([this] { cmdAdd.press(); });
    mnuRemove.onClick = guarded([this] { cmdRemove.press(); });
    mnuLaunch.onClick = guarded([this] { cmdLaunch.press(); });
    mnuCreateShortcut.onClick = guarded([this] { mnuCreateShortcut_Click(); });
    mnuexit.onClick = guarded([this] { mnuexit_Click(); });
    mnuWindowsPlay.onClick = guarded([this] { mnuWindowsPlay_Click(); });
    mnuWindowRecord.onClick = guarded([this] { mnuWindowRecord_Click(); });
    mnuCheckUpdates.onClick = guarded([this] { mnuCheckUpdates_Click(); });
    mnuAbout.onClick = guarded([this] { mnuAbout_Click(); });
    mnuPlaceHolder.onClick = [this](int index) { tryStep([&] { mnuPlaceHolder_Click(index); }); };

    s_.tray.restoreEvent = [this](int button) { tryStep([&] { Tray1_Restore(button); }); };
    s_.tray.menuEvent = [this](int button) { tryStep([&] { Tray1_Menu(button); }); };
    s_.mixer.controlChanged = [this] { tryStep([&] { Mixer_ControlChanged(); }); };
}

void frmMain::ShowMessage(const std::string& text, int flags) {
    s_.messages.show(text, flags, kAppTitle);
}

void frmMain::setTrayTip(const std::string& statusLine) {
    trayStatus_ = statusLine;
    s_.tray.setTip(std::string(kAppTitle) + kCR + statusLine);
}

bool frmMain::Form_Load() {
    if (s_.system.anotherInstanceRunning()) {
        ShowMessage("Another instance of Havro Tonekeep is running", mb::kCritical);
        return false;
    }
    Loading = true;
    p_.OSMajor = s_.system.windowsMajorVersion();
    s_.system.setCursor(Cursor::Hourglass);

    if (p_.endpointPath() ? !LoadEndpointDevices() : !LoadMixerDevices()) return false;

    s_.tray.show();
    chkExit.setValue(toCheckValue(s_.settings.get(key::kExit, "0")));
    chkEsc.setValue(toCheckValue(s_.settings.get(key::kEscKey, "0")));

    // The very first start records "Normal Windows" and the mixer levels as found;
    // every later start puts those first levels back. A mixer that cannot give or
    // take its levels leaves them as they are.
    if (s_.settings.get(entryKey(key::kName, 0), "").empty()) {
        s_.settings.save(entryKey(key::kName, 0), "Normal Windows");
        std::string levels;
        tryStep([&] { levels = s_.mixer.getLevelState(0); });
        s_.settings.save(key::kSettings0, levels);
        s_.settings.save(entryKey(key::kMixer, 0), "0");
    } else {
        std::string levels = s_.settings.get(key::kSettings0, "");
        tryStep([&] { s_.mixer.setLevelState(levels); });
    }

    tryStep([&] { SetUpSoundControls(); });

    // From here to the end a failing step is skipped.
    LoadProgramList();
    tryStep([&] { PrgName.setListIndex(0); });
    tryStep([&] {
        const int c = PrgName.listCount();
        const char* commands[] = {"-", "Set Sound Card Levels", "Restore", "Close Menu",
                                  "Exit Tonekeep"};
        for (int k = 0; k < 5; ++k) {
            int index = c + k;
            controls::MenuItem& item = index < mnuPlaceHolder.count() ? mnuPlaceHolder.item(index)
                                                                      : mnuPlaceHolder.load(index);
            item.setCaption(commands[k]);
            item.setChecked(false);
        }
        mnuPlaceHolder.item(0).setChecked(true);
    });
    tryStep([&] { chkStartMin.setValue(toCheckValue(s_.settings.get(key::kStartMin, "0"))); });
    tryStep([&] { setTrayTip("Sound card set for Normal Windows"); });
    s_.system.setCursor(Cursor::Default);
    Loading = false;
    // "Normal Windows" without a stored device choice (the first start on this path)
    // takes the devices and levels in force now, once: otherwise the first return to it
    // would store the devices of the program set up before as the desktop's.
    if (p_.endpointPath() && PrgName.listIndex() == 0 &&
        s_.settings.get(entryKey(key::kMixerNumber, 0), "").empty())
        tryStep([&] { SaveVistaSettings(); });
    if (chkStartMin.value() == 1)
        hide();
    else
        show();
    return true;
}

bool frmMain::LoadEndpointDevices() {
    cmbSpeakers.clear();
    cmbLineIn.clear();
    cmbMic.clear();
    SoundCard.clear();
    lblXpCard.setVisible(false);
    SoundCard.setVisible(false);

    // The first call into the library tells whether it is there at all.
    int32_t playCount = 0;
    try {
        s_.library.GetNumberPlayDevices(playCount);
    } catch (const std::exception&) {
        ShowMessage("HavroVista.dll not found in the programs folder", mb::kCritical);
        s_.system.setCursor(Cursor::Default);
        return false;
    }
    if (playCount <= 0) {
        ShowMessage(kNoSoundCards, mb::kCritical);
        return false;
    }

    ListEndpoints(playCount);
    tryStep([&] {
        s_.library.OpenDefaultDevices();
        std::string play(256, ' '), lineIn(256, ' '), mic(256, ' ');
        s_.library.GetDeviceNames(play, lineIn, mic);
        s_.library.CloseSoundCard();
        DefaultPlayName = bufferText(play);
        DefaultLineInName = bufferText(lineIn);
        DefaultMicName = bufferText(mic);
    });

    SelectDefault(cmbSpeakers, PlayName, DefaultPlayName);
    SelectDefault(cmbLineIn, RecName, DefaultLineInName);
    SelectDefault(cmbMic, RecName, DefaultMicName);
    s_.system.setCursor(Cursor::Default);
    return true;
}

// Fills the three boxes and the name and id arrays from the library's listing, in its
// order; a failing step is skipped and the next one runs.
void frmMain::ListEndpoints(int32_t playCount) {
    if (playCount < 0) playCount = 0;
    int32_t recordCount = 0;
    PlayName.assign(playCount, "");
    PlayGuid.assign(playCount, "");
    tryStep([&] { s_.library.GetNumberRecordDevices(recordCount); });
    if (recordCount < 0) recordCount = 0;
    RecName.assign(recordCount, "");
    RecGuid.assign(recordCount, "");
    for (int i = 0; i < playCount; ++i) {
        tryStep([&] {
            std::string name(256, ' '), id(256, ' ');
            s_.library.GetPlayBackDevice(i, name, id);
            PlayName[i] = bufferText(name);
            cmbSpeakers.addItem(PlayName[i]);
            PlayGuid[i] = idFragment(bufferText(id));
        });
    }
    for (int i = 0; i < recordCount; ++i) {
        tryStep([&] {
            std::string name(256, ' '), id(256, ' ');
            s_.library.GetRecordDevice(i, name, id);
            RecName[i] = bufferText(name);
            cmbLineIn.addItem(RecName[i]);
            cmbMic.addItem(RecName[i]);
            RecGuid[i] = idFragment(bufferText(id));
        });
    }
}

// Selects the first entry named `wanted`, else the first entry (an empty box stays
// without selection). Selecting opens the devices chosen so far.
void frmMain::SelectDefault(controls::ListBox& box, const std::vector<std::string>& names,
                            const std::string& wanted) {
    if (box.listCount() == 0) return;
    int position = 0;
    for (int i = 0; i < static_cast<int>(names.size()) && i < box.listCount(); ++i) {
        if (!wanted.empty() && names[i] == wanted) {
            position = i;
            break;
        }
    }
    box.setListIndex(position);
}

bool frmMain::LoadMixerDevices() {
    lblXpCard.setVisible(true);
    SoundCard.setVisible(true);
    int count = 0;
    tryStep([&] { count = s_.mixer.mixerCount(); });
    if (count <= 0) {
        ShowMessage(kNoSoundCards, mb::kCritical);
        return false;
    }
    // A device that fails here keeps its place under a stand-in name, so that every
    // list position stays its device index; it cannot be chosen (SoundCard_Click).
    unavailableMixers_.assign(count, false);
    for (int i = 0; i < count; ++i) {
        std::string name;
        if (!tryStep([&] {
                s_.mixer.setCurrentMixer(static_cast<int16_t>(i));
                name = s_.mixer.mixerName();
            })) {
            name = "Sound card " + std::to_string(i) + " (unavailable)";
            unavailableMixers_[i] = true;
        }
        tryStep([&] { SoundCard.addItem(name); });
    }
    for (controls::Control* c : std::initializer_list<controls::Control*>{
             &cmbLineIn, &cmbMic, &cmbSpeakers, &lblVistaSpeakers, &lblVistaLineIn, &lblMicrophone})
        c->setVisible(false);

    if (SoundCard.listCount() >= 1) {
        const std::string mixer0 = entryKey(key::kMixer, 0);
        bool selected =
            tryStep([&] { SoundCard.setListIndex(toInteger(s_.settings.get(mixer0, "0"))); });
        if (!selected) {
            ShowMessage(std::string("Error setting desired sound card.") + kCR + kCR +
                            "Resetting to Primary Sound Card",
                        mb::kCritical);
            s_.settings.save(mixer0, "0");
            tryStep([&] { SoundCard.setListIndex(toInteger(s_.settings.get(mixer0, "0"))); });
        }
    }
    return true;
}

void frmMain::LoadProgramList() {
    // A gap in the numbering ends the list; the bound only guards a store that would
    // answer every key.
    for (int n = 0; n < 32767; ++n) {
        std::string path;
        if (!tryStep([&] { path = s_.settings.get(entryKey(key::kName, n), ""); })) break;
        if (path.empty()) break;
        const std::string title = fileTitle(path);
        tryStep([&] { PrgName.addItem(title, std::min(n, PrgName.listCount())); });
        tryStep([&] {
            controls::MenuItem& item =
                n < mnuPlaceHolder.count() ? mnuPlaceHolder.item(n) : mnuPlaceHolder.load(n);
            item.setCaption(title);
        });
    }
}

void frmMain::SetUpSoundControls() {
    tk::SetUpSoundControls(s_.mixer, p_);
}

}  // namespace tk
