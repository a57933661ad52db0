// The main window and the about box over fakes. (The Wine program and cycle tests walk the
// real program through its first start, the list, a launch's whole life and the tray.)
#include "forms/frmAbout.h"
#include "main_window_fixture.h"
#include "modules/maker_site.h"

namespace tk::test {
namespace {

// A start that cannot go on says why, critically, and stores nothing: a second copy
// (before anything else), no library (the hourglass goes), a playback count that fails,
// no mixer device.
TEST(StartupTest, StartsThatEndSayWhyAndStoreNothing) {
    const std::string noCards =
        "No sound cards found. Please check sound card installation.\r\rIf your sound card "
        "is a USB device make sure the sound card is connected.\r\rProgram will end";
    const struct {
        void (*breakIt)(Rig&);
        int major;
        std::string message;
    } rows[] = {
        {[](Rig& r) { r.system.otherInstance = true; }, 6,
         "Another instance of Havro Tonekeep is running"},
        {[](Rig& r) { r.library.missing = true; }, 6,
         "HavroVista.dll not found in the programs folder"},
        {[](Rig& r) { r.library.failOn.insert("GetNumberPlayDevices"); }, 6, noCards},
        {[](Rig& r) { r.mixer.devices.clear(); }, 5, noCards},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        Rig rig;
        Publics publics;
        rig.library.addPlayback("Speakers", "AAAA-1111");
        rig.mixer.devices = {typicalSoundCard("Card A")};
        row.breakIt(rig);
        rig.system.major = row.major;
        EXPECT_FALSE(frmMain(rig.services, publics).Form_Load());
        EXPECT_EQ(rig.messages.shown, std::vector<std::string>{row.message});
        EXPECT_EQ(rig.messages.flags, mb::kCritical);
        EXPECT_TRUE(rig.settings.values.empty());
        if (rig.library.missing) {
            EXPECT_EQ(rig.system.cursors.back(), Cursor::Default);
        }
    }
}

// The click handler finds the tray commands by their distance from the end: each, picked
// by its caption, must do its own thing, in the menu built at start-up and rebuilt by an add.
TEST_F(MainWindowTest, EachTrayCommandDoesWhatItsCaptionSays) {
    frmMain& m = startWithGame(5);
    auto click = [&](const std::string& caption) {
        for (int k = 0; k < m.mnuPlaceHolder.count(); ++k)
            if (m.mnuPlaceHolder.item(k).caption() == caption) return m.mnuPlaceHolder.click(k);
        ADD_FAILURE() << caption << " is not in the tray menu";
    };
    for (int round = 1; round <= 2; ++round) {
        m.hide();
        click("Close Menu");
        EXPECT_FALSE(m.visible()) << round;
        click("Restore");
        EXPECT_TRUE(m.visible()) << round;
        click("Set Sound Card Levels");
        click("Exit Tonekeep");
        EXPECT_EQ(rig.forms.count("showSound"), round);
        EXPECT_EQ(rig.forms.count("closeMainWindow"), round);
        rig.fileDialog.answer = "C:\\New\\new.exe";
        m.cmdAdd.press();
    }
}

// The watch goes on until the handle tells the end (the Wine cycle test ends a program
// with the "still active" code); then the program's levels are stored and "Normal
// Windows" is back, ticked in the tray menu. A program starts in its own folder; on a
// drive root in the root, not in "C:".
TEST_F(MainWindowTest, ALaunchIsWatchedToItsEnd) {
    frmMain& m = startWithGame(5);
    m.PrgName.setListIndex(0);  // the user's pick stores "Normal Windows"
    const std::string normal = stored("SoundSettings", 0);
    m.PrgName.setListIndex(1);
    m.cmdLaunch.press();
    EXPECT_EQ(rig.processes.folders.back(), "C:\\My Games");
    rig.mixer.changeFromOutside(0, 0, 0, 0, 0, 1234);
    const std::string duringGame = rig.mixer.getLevelState(0);
    m.Timer1.tick();
    EXPECT_EQ(m.PrgName.listIndex(), 1);
    rig.processes.ended[m.launchedProcessHandle] = true;
    m.Timer1.tick();
    EXPECT_EQ(stored("SoundSettings", 1), duringGame);
    EXPECT_EQ(m.PrgName.listIndex(), 0);
    EXPECT_EQ(rig.mixer.getLevelState(0), normal);
    EXPECT_FALSE(m.Timer1.enabled());
    EXPECT_TRUE(m.mnuPlaceHolder.item(0).checked());
    store("Name", 1, "C:\\game.exe");
    rig.processes.existing.insert("C:\\game.exe");
    m.PrgName.setListIndex(1);
    m.cmdLaunch.press();
    EXPECT_EQ(rig.processes.folders.back(), "C:\\");
}

// A launch that cannot start says why and leaves the window as it was.
TEST_F(MainWindowTest, ALaunchThatCannotStartSaysWhy) {
    frmMain& m = startWithGame(5);
    m.PrgName.setListIndex(1);
    rig.processes.existing.clear();
    for (bool exists : {false, true}) {
        if (exists) rig.processes.existing.insert(kGame);
        rig.processes.startFails = exists;
        m.cmdLaunch.press();
        EXPECT_EQ(rig.messages.last(), (exists ? "Unable to Launch " : "Unable to find ") + kGame);
        EXPECT_FALSE(m.Timer1.enabled());
        EXPECT_TRUE(m.visible() && m.cmdLaunch.enabled() && m.PrgName.enabled());
    }
}

// A launch by path takes a registered program only (letter case ignored), and not while
// another one is watched.
TEST_F(MainWindowTest, ALaunchByPathTakesOnlyARegisteredProgram) {
    frmMain& m = startWithGame();
    for (const std::string path : {"C:\\Other\\game.exe", "Normal Windows"}) {
        m.LaunchRegistered(path);
        EXPECT_EQ(rig.messages.last(), path + " is not in the list of programs");
    }
    m.LaunchRegistered("c:\\my games\\GAME.EXE");
    EXPECT_EQ(m.PrgName.listIndex(), 1);
    EXPECT_TRUE(m.Timer1.enabled());
    m.LaunchRegistered(kGame);
    EXPECT_EQ(rig.messages.last(),
              "Only one program may be launched at a time. game.exe is running");
    EXPECT_EQ(rig.processes.folders.size(), 1u);
}

// The system mixers open on the sound card chosen (on the legacy path); a program that
// cannot be started is reported.
TEST_F(MainWindowTest, TheSystemMixersOpenOnTheChosenCard) {
    frmMain& legacy = startWithGame(5);
    legacy.SoundCard.setListIndex(1);
    legacy.mnuWindowsPlay.click();
    legacy.mnuWindowRecord.click();
    rig.processes.runFails = true;
    legacy.mnuWindowsPlay.click();
    EXPECT_EQ(rig.messages.last(), "Unable to start sndvol32 -p -d1");
    rig.processes.runFails = false;
    startWithGame(6).mnuWindowsPlay.click();
    EXPECT_EQ(rig.processes.commands,
              (std::vector<std::string>{"sndvol32 -p -d1", "sndvol32 -r -d1",
                                        "control.exe mmsys.cpl,,0-1"}));
}

// Save and Set Levels work on the card chosen in the box, whichever mixer device another
// step left current (the tray's system mixer, a relist).
TEST_F(MainWindowTest, SaveAndSetLevelsMakeTheChosenCardCurrentFirst) {
    frmMain& m = startWithGame(5);
    m.PrgName.setListIndex(1);
    m.SoundCard.setListIndex(1);
    const std::string cardB = rig.mixer.getLevelState(0);
    rig.mixer.setCurrentMixer(0);
    m.cmdSave.press();
    EXPECT_EQ(stored("SoundSettings", 1), cardB);
    EXPECT_EQ(stored("Mixer", 1), "1");
    rig.mixer.setCurrentMixer(0);
    m.cmdSetup.press();
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
}

// A stored card the box does not list (the mixer has a third card that came later), or a
// number that is no card, falls back to card 0 with a message.
TEST_F(MainWindowTest, AMissingOrUnreadableSoundCardFallsBackToCardZero) {
    frmMain& m = startWithGame(5);
    rig.mixer.devices.push_back(typicalSoundCard("Card C"));
    for (const char* card : {"2", "5", "not a number", "-4"}) {
        m.PrgName.setListIndex(0);
        store("Mixer", 1, card);
        store("SoundSettings", 1, rig.mixer.getLevelState(0));
        rig.messages.shown.clear();
        m.SoundCard.setListIndex(1);
        m.PrgName.setListIndex(1);
        EXPECT_EQ(rig.messages.shown.at(0),
                  "Soundcard that was setup for selected program missing\r\rResetting to "
                  "default Sound Card");
        EXPECT_EQ(m.SoundCard.listIndex(), 0) << card;
    }
}

// A shortcut adds its target. A removal moves every later entry down with exactly the keys
// it has (one it lacks does not stay behind from the entry before) and leaves no trace
// of the last place.
TEST_F(MainWindowTest, AShortcutAddsItsTargetAndARemovalMovesLaterEntriesDown) {
    store("Name", 2, "C:\\P2\\p2.exe");
    store("MixerNumber", 2, "0");
    store("VistaSettings", 2, "75,False,");
    store("Name", 3, "C:\\P3\\p3.exe");
    frmMain& m = startWithGame();
    m.PrgName.setListIndex(1);
    m.cmdRemove.press();
    EXPECT_EQ(m.PrgName.items(), (std::vector<std::string>{"Normal Windows", "p2.exe", "p3.exe"}));
    EXPECT_EQ(stored("Name", 1), "C:\\P2\\p2.exe");
    EXPECT_EQ(stored("VistaSettings", 1), "75,False,");
    EXPECT_EQ(stored("Name", 2), "C:\\P3\\p3.exe");
    EXPECT_FALSE(rig.settings.has("MixerNumber 2"));
    for (const auto& [key, value] : rig.settings.values)
        EXPECT_EQ(key.find(" 3"), std::string::npos) << key;
    rig.shortcuts.targets["C:\\Desktop\\Game.LNK"] = "C:\\Games\\x.exe";
    std::string file = "C:\\Desktop\\Game.LNK";
    m.AddFile(file);
    EXPECT_EQ(stored("Name", 3), "C:\\Games\\x.exe");
}

// An add refuses what is not a program, a program already listed and a shortcut that
// cannot be read or does not point to a program, saying why.
TEST_F(MainWindowTest, AnAddRefusesWhatIsNoNewProgram) {
    frmMain& m = startWithGame(5);
    rig.shortcuts.targets["C:\\doc.lnk"] = "C:\\readme.txt";
    const std::pair<std::string, std::string> rows[] = {
        {"C:\\notes.txt", "File must be an executable (.exe) or a shortcut (.lnk)"},
        {kGame, kGame + " is already listed"},
        {"C:\\broken.lnk", "Unable to process shortcut file :C:\\broken.lnk"},
        {"C:\\doc.lnk",
         "C:\\doc.lnk\r\rPoints to : C:\\readme.txt\r\rShortcut must point to "
         "an executable (.exe) file"}};
    for (auto [file, message] : rows) {
        m.AddFile(file);
        EXPECT_EQ(rig.messages.last(), message);
    }
    EXPECT_EQ(m.PrgName.listCount(), 2);
}

// Each about-box link opens its own page.
TEST(AboutTest, EachLinkOpensItsOwnPage) {
    Rig rig;
    Publics publics;
    frmAbout about(rig.services, publics);
    about.Label2_Click();
    about.Label3_Click();
    about.Label4_Click();
    EXPECT_EQ(rig.shell.opened, (std::vector<std::string>{site::kHomePage, site::kDonationPage,
                                                          site::kRevisionHistoryPage}));
}

}  // namespace
}  // namespace tk::test
