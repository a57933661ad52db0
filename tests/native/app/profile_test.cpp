#include "main_window_fixture.h"

#include <functional>

namespace tk::test {
namespace {

class ProfileTest : public MainWindowTest {
  protected:
    ProcessHandle launched() const { return main->launchedProcessHandle; }
    void expectEnabled(std::initializer_list<controls::Control*> list, bool enabled) {
        for (controls::Control* c : list) EXPECT_EQ(c->enabled(), enabled) << c->name();
    }
};

TEST_F(ProfileTest, SelectionAppliesTheStoredLegacyProfileAndStoresItBack) {
    frmMain& m = startWithGame(5);
    // A profile stored on card B with its own levels.
    rig.mixer.setCurrentMixer(1);
    rig.mixer.changeFromOutside(1, 0, 0, 0, 0, 4000);
    const std::string cardB = rig.mixer.getLevelState(0);
    rig.mixer.changeFromOutside(1, 0, 0, 0, 0, 60000);
    rig.settings.values["Mixer 1"] = "1";
    rig.settings.values["SoundSettings 1"] = cardB;
    rig.mixer.setCurrentMixer(0);

    m.PrgName.setListIndex(1);
    EXPECT_EQ(m.SoundCard.listIndex(), 1);
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
    EXPECT_EQ(rig.mixer.control(1, 0, 0, 0).values[0], 4000);
    EXPECT_EQ(m.MixerIndex, 1);
    EXPECT_EQ(rig.settings.at("SoundSettings 1"), cardB);

    // Without a level text the card is still made current, and no level is written.
    m.PrgName.setListIndex(0);
    rig.settings.values.erase("SoundSettings 1");
    const int writes = rig.mixer.writes;
    m.PrgName.setListIndex(1);
    EXPECT_EQ(rig.mixer.writes, writes);
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
    EXPECT_EQ(rig.settings.at("SoundSettings 1"), rig.mixer.getLevelState(0));
}

// A card chosen in the box that cannot be made current falls back to the stored one;
// without a usable stored number it stops quietly.
TEST_F(ProfileTest, LegacyBoxFallsBackToTheStoredCard) {
    frmMain& m = startWithGame(5);
    rig.settings.values["Mixer 0"] = "1";
    m.SoundCard.addItem("Card C (gone)");
    m.SoundCard.setListIndex(2);
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
    rig.settings.values["Mixer 0"] = "x";
    rig.mixer.setCurrentMixer(0);
    m.SoundCard.setListIndex(2);
    EXPECT_EQ(rig.mixer.currentMixer(), 0);
    EXPECT_TRUE(rig.messages.shown.empty());
}

TEST_F(ProfileTest, MissingOrUnreadableSoundCardFallsBackToCardZeroWithItsMessage) {
    frmMain& m = startWithGame(5);
    // A third card that came after the list was made: the mixer has it, the box does not.
    rig.mixer.devices.push_back(typicalSoundCard("Card C"));
    for (const char* stored : {"5", "not a number", "-4", "2"}) {
        m.PrgName.setListIndex(0);
        rig.settings.values["Mixer 1"] = stored;
        rig.settings.values["SoundSettings 1"] = rig.mixer.getLevelState(0);
        rig.messages.shown.clear();
        m.SoundCard.setListIndex(1);
        m.PrgName.setListIndex(1);
        ASSERT_FALSE(rig.messages.shown.empty()) << stored;
        EXPECT_EQ(rig.messages.shown[0].text,
                  "Soundcard that was setup for selected program missing\r\rResetting to "
                  "default Sound Card");
        EXPECT_EQ(m.SoundCard.listIndex(), 0) << stored;
    }
}

// The watch keeps on while the handle has not ended (or cannot be queried) and refuses
// another entry, and an add or a removal however asked for; at the end it stores the
// program's levels and puts "Normal Windows" back. (The Wine cycle test walks the same
// life of a launch on the real program.)
TEST_F(ProfileTest, LaunchWatchesTheProgramThenStoresItsLevelsAndRestoresNormalWindows) {
    frmMain& m = startWithGame(5);
    m.Timer1.setEnabled(true);  // a tick with nothing launched does nothing
    m.Timer1.tick();
    EXPECT_EQ(m.Label2.caption(), "");
    m.PrgName.setListIndex(0);  // the user's pick stores "Normal Windows"
    const std::string normal = rig.settings.at("SoundSettings 0");
    m.PrgName.setListIndex(1);
    m.cmdLaunch.press();
    EXPECT_EQ(rig.processes.started.at(0).second, "C:\\My Games");
    expectEnabled({&m.cmdLaunch, &m.PrgName, &m.cmdRemove, &m.cmdAdd, &m.mnuAddProgram}, false);
    // The user changes a level while the game runs; leaving the game is refused and
    // does not overwrite it.
    rig.mixer.changeFromOutside(0, 0, 0, 0, 0, 1234);
    const std::string duringGame = rig.mixer.getLevelState(0);
    m.PrgName.setListIndex(0);
    EXPECT_EQ(rig.messages.last(),
              "Only one program may be launched at a time. game.exe is running");
    EXPECT_EQ(rig.mixer.getLevelState(0), duringGame);
    rig.fileDialog.answer = "C:\\New\\new.exe";
    std::string file = "C:\\New\\new.exe";
    const auto stored = rig.settings.values;
    for (const std::function<void()>& way : std::initializer_list<std::function<void()>>{
             [&] { m.cmdAdd.press(); }, [&] { m.mnuAddProgram.click(); },
             [&] { m.DropFile({file}); }, [&] { m.AddFile(file); }, [&] { m.cmdRemove.press(); },
             [&] { m.mnuRemove.click(); }})
        way();
    EXPECT_EQ(m.PrgName.listCount(), 2);
    EXPECT_EQ(rig.settings.values, stored);
    const ProcessHandle handle = launched();
    rig.processes.processes[handle].queryFails = true;
    rig.processes.processes[handle].ended = true;
    m.Timer1.tick();
    EXPECT_TRUE(m.Timer1.enabled());
    EXPECT_EQ(m.PrgName.listIndex(), 1);

    // It ends, with the "still active" code: the handle tells, not the code.
    rig.processes.end(handle, 259);
    m.Timer1.tick();
    EXPECT_EQ(rig.settings.at("SoundSettings 1"), duringGame);
    EXPECT_EQ(m.PrgName.listIndex(), 0);
    EXPECT_EQ(rig.mixer.getLevelState(0), normal);
    EXPECT_TRUE(rig.processes.processes[handle].closed);
    EXPECT_FALSE(m.Timer1.enabled());
    for (int k = 0; k < m.mnuPlaceHolder.count(); ++k) {
        EXPECT_TRUE(m.mnuPlaceHolder.item(k).enabled());
        EXPECT_EQ(m.mnuPlaceHolder.item(k).checked(), k == 0);
    }
    // A program on a drive root starts in the root folder, not in "C:".
    storeProgram(1, "C:\\game.exe");
    rig.processes.existing.insert("C:\\game.exe");
    m.PrgName.setListIndex(1);
    m.cmdLaunch.press();
    EXPECT_EQ(rig.processes.started.back().second, "C:\\");
}

TEST_F(ProfileTest, FailedStartsSayWhyAndLeaveTheWindowAsItWas) {
    frmMain& m = startWithGame(5);
    m.mnuLaunch.click();  // "Normal Windows" is never launched
    EXPECT_TRUE(rig.processes.started.empty());
    m.PrgName.setListIndex(1);
    for (bool exists : {false, true}) {
        rig.processes.existing.clear();
        if (exists) rig.processes.existing.insert("C:\\My Games\\game.exe");
        rig.processes.startFails = exists;
        m.launchFailed = false;
        m.cmdLaunch.press();
        EXPECT_EQ(rig.messages.last(),
                  std::string(exists ? "Unable to Launch " : "Unable to find ") +
                      "C:\\My Games\\game.exe");
        EXPECT_TRUE(m.launchFailed);
        EXPECT_FALSE(m.Timer1.enabled());
        EXPECT_TRUE(m.visible());
        expectEnabled({&m.cmdLaunch, &m.PrgName, &m.mnuLaunch, &m.cmdRemove, &m.cmdAdd}, true);
    }
}

// Save and Set Levels work on the card chosen in the box, whichever mixer device another
// step left current (the tray's system mixer, a relist).
TEST_F(ProfileTest, SaveAndSetLevelsMakeTheChosenCardCurrentFirst) {
    frmMain& legacy = startWithGame(5);
    legacy.PrgName.setListIndex(1);
    legacy.SoundCard.setListIndex(1);
    const std::string cardB = rig.mixer.getLevelState(0);
    rig.mixer.setCurrentMixer(0);
    legacy.cmdSave.press();
    EXPECT_EQ(rig.settings.at("SoundSettings 1"), cardB);
    EXPECT_EQ(rig.settings.at("Mixer 1"), "1");
    rig.mixer.setCurrentMixer(0);
    legacy.cmdSetup.press();
    EXPECT_EQ(rig.forms.count("showSound"), 1);
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
    main.reset();
    rig.settings.values.clear();
    frmMain& endpoint = startWithGame(6);
    endpoint.cmdSetup.press();
    EXPECT_EQ(rig.forms.count("showSoundVista"), 1);
}

// While a stored device is missing, the saves nobody asked for keep the entry's stored
// devices and levels; the user's own choice stores as usual and settles the entry.
TEST_F(ProfileTest, AnEntryWithAMissingDeviceIsStoredOnlyByTheUsersChoice) {
    frmMain& m = startWithGame(6);
    const std::string levels = "40,True,30,False,20,True,False,True,-4.5,-.5,3,70,60,";
    rig.settings.values["MixerNumber 1"] = "0";
    rig.settings.values["PlaybackGuid 1"] = "{USB-HEADSET}";
    rig.settings.values["MicGuid 1"] = "{DDDD-4444}";
    rig.settings.values["VistaSettings 1"] = levels;
    rig.tray.balloons.clear();
    m.PrgName.setListIndex(1);
    ASSERT_EQ(rig.tray.balloons.size(), 1u);
    EXPECT_EQ(rig.tray.balloons[0],
              "The Speakers device stored for game.exe is missing; Speakers (HD Audio) stands in "
              "for it.");
    EXPECT_TRUE(rig.messages.shown.empty());
    // A watched run on the stand-in ends without storing over the entry.
    m.cmdLaunch.press();
    rig.library.playback[0].set(Ctl::MasterVolume, 12);
    rig.processes.end(launched(), 0);
    m.Timer1.tick();
    ASSERT_EQ(m.PrgName.listIndex(), 0);
    EXPECT_EQ(rig.settings.at("PlaybackGuid 1"), "{USB-HEADSET}");
    EXPECT_EQ(rig.settings.at("VistaSettings 1"), levels);
    EXPECT_EQ(rig.tray.balloons.size(), 1u);  // "Normal Windows" lacks nothing
    // Told again on the next selection; the user's pick then stores and settles it.
    m.PrgName.setListIndex(1);
    EXPECT_EQ(rig.tray.balloons.size(), 2u);
    m.cmbSpeakers.setListIndex(1);
    EXPECT_EQ(rig.settings.at("PlaybackGuid 1"), m.PlayGuid[1]);
    EXPECT_NE(rig.settings.at("VistaSettings 1"), levels);
    m.PrgName.setListIndex(1);
    EXPECT_EQ(rig.tray.balloons.size(), 2u);
}

TEST_F(ProfileTest, NothingIsStoredUnderAMissingSelection) {
    for (int major : {5, 6}) {
        main.reset();
        rig.settings.values.clear();
        frmMain& m = startWithGame(major);
        m.PrgName.setListIndex(-1);
        m.cmdSave.press();
        for (const auto& [key, value] : rig.settings.values)
            EXPECT_EQ(key.find("-1"), std::string::npos) << key;
    }
}

}  // namespace
}  // namespace tk::test
