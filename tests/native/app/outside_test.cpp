// Requests from outside the window: a launch by path (command line, second copy), the
// desktop shortcut that makes one, and sound cards that come and go on the legacy path.
#include "main_window_fixture.h"

namespace tk::test {
namespace {

const std::string kGame = "C:\\My Games\\Game.exe";
const std::string kTool = "C:\\Tools\\tool.exe";

class OutsideTest : public MainWindowTest {
  protected:
    frmMain& startWithPrograms(int major = 6) {
        storeProgram(0, "Normal Windows");
        storeProgram(1, kGame);
        storeProgram(2, kTool);
        rig.processes.existing = {kGame, kTool};
        return start(major);
    }
};

// A launch by path takes a registered program only (letter case ignored), and not while
// another one is watched; a refusal starts and stores nothing and says why.
TEST_F(OutsideTest, ALaunchByPathSelectsAndLaunchesOnlyARegisteredProgram) {
    frmMain& m = startWithPrograms();
    const struct {
        std::string asked, started;  // started "": nothing may start
        int selected;
        std::string message;
    } rows[] = {
        {"C:\\Other\\Game.exe", "", 0, "C:\\Other\\Game.exe is not in the list of programs"},
        {"Normal Windows", "", 0, "Normal Windows is not in the list of programs"},
        {"c:\\my games\\GAME.EXE", kGame, 1, ""},
        {kTool, "", 1, "Only one program may be launched at a time. Game.exe is running"},
        {kTool, kTool, 2, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.asked);
        if (row.started == kTool) {  // the game has ended
            rig.processes.end(m.launchedProcessHandle, 0);
            m.Timer1.tick();
        }
        const auto startedBefore = rig.processes.started.size();
        const auto settingsBefore = rig.settings.values;
        rig.messages.shown.clear();
        m.LaunchRegistered(row.asked);
        EXPECT_EQ(m.PrgName.listIndex(), row.selected);
        if (row.started.empty()) {
            EXPECT_EQ(rig.processes.started.size(), startedBefore);
            EXPECT_EQ(rig.settings.values, settingsBefore);
            EXPECT_EQ(rig.messages.last(), row.message);
        } else {
            ASSERT_EQ(rig.processes.started.size(), startedBefore + 1);
            EXPECT_EQ(rig.processes.started.back().first, row.started);
            EXPECT_TRUE(rig.messages.shown.empty()) << rig.messages.last();
            EXPECT_TRUE(m.Timer1.enabled());
        }
    }
}

// (The Wine cycle test makes a shortcut and launches through it.)
TEST_F(OutsideTest, CreateShortcutIsOfferedForAProgramOnlyAndAFailureIsReported) {
    frmMain& m = startWithPrograms(5);
    m.mnuCreateShortcut.click();
    EXPECT_FALSE(m.mnuCreateShortcut.enabled());
    m.PrgName.setListIndex(1);
    rig.shortcuts.createFails = true;
    m.mnuCreateShortcut.click();
    EXPECT_EQ(rig.messages.last(), "Unable to create a desktop shortcut for " + kGame);
    EXPECT_TRUE(rig.shortcuts.created.empty());
}

TEST_F(OutsideTest, LegacySoundCardsThatComeAndGoAreListedAgainWithoutSaving) {
    rig.mixer.devices.push_back(typicalSoundCard("USB Audio"));
    frmMain& m = startWithPrograms(5);
    m.PrgName.setListIndex(1);
    m.SoundCard.setListIndex(2);  // the program's card: "USB Audio"
    ASSERT_EQ(rig.settings.at("Mixer 1"), "2");
    const std::string tip = rig.tray.tip;
    const int writes = rig.settings.writes;

    rig.mixer.devices.pop_back();
    m.DevicesChanged();
    EXPECT_EQ(m.SoundCard.listCount(), 2);
    EXPECT_EQ(m.SoundCard.listIndex(), 0);
    EXPECT_EQ(rig.mixer.currentMixer(), 0);
    EXPECT_EQ(rig.tray.tip, tip + "\rUSB Audio is no longer connected");

    // Back again: the program's card and levels are in force again.
    rig.mixer.devices.push_back(typicalSoundCard("USB Audio"));
    rig.mixer.changeFromOutside(2, 0, 0, 0, 0, 1234);
    m.DevicesChanged();
    EXPECT_EQ(m.SoundCard.listIndex(), 2);
    EXPECT_EQ(m.MixerIndex, 2);
    EXPECT_EQ(rig.mixer.getLevelState(0), rig.settings.at("SoundSettings 1"));
    EXPECT_EQ(rig.tray.tip, tip);

    // A card added in front: the choice stays on its card.
    rig.mixer.devices.insert(rig.mixer.devices.begin(), typicalSoundCard("Dock Audio"));
    m.DevicesChanged();
    EXPECT_EQ(m.SoundCard.list(0), "Dock Audio");
    EXPECT_EQ(m.SoundCard.text(), "USB Audio");
    EXPECT_EQ(rig.mixer.currentMixer(), 3);
    EXPECT_EQ(rig.settings.writes, writes);
    EXPECT_FALSE(m.Loading);
}

}  // namespace
}  // namespace tk::test
