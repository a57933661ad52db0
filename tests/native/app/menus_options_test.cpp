#include "main_window_fixture.h"

namespace tk::test {
namespace {

using MenusTest = MainWindowTest;

// The click handler finds the commands by their distance from the end: each command,
// picked by its caption, must do its own thing, in the menu as built at start-up and as
// rebuilt after an add.
TEST_F(MenusTest, EachTrayCommandDoesWhatItsCaptionSays) {
    frmMain& m = startWithGame(5);
    auto click = [&](const std::string& caption) {
        for (int k = 0; k < m.mnuPlaceHolder.count(); ++k)
            if (m.mnuPlaceHolder.item(k).caption() == caption) return m.mnuPlaceHolder.click(k);
        ADD_FAILURE() << caption << " is not in the tray menu";
    };
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(m.mnuPlaceHolder.item(m.mnuPlaceHolder.count() - 5).caption(), "-");
        m.hide();
        click("Close Menu");
        EXPECT_FALSE(m.visible());
        click("Restore");
        EXPECT_TRUE(m.visible());
        click("Set Sound Card Levels");
        EXPECT_EQ(rig.forms.count("showSound"), round);
        click("Exit Tonekeep");
        EXPECT_EQ(rig.forms.count("closeMainWindow"), round);
        m.mnuPlaceHolder.click(0);  // "Normal Windows" while idle: nothing
        EXPECT_TRUE(rig.processes.started.empty());
        rig.fileDialog.answer = "C:\\New\\new.exe";
        m.cmdAdd.press();
    }
}

// The system mixers get the sound card suffix; the update check asks first; a program
// or page that cannot be started is reported.
TEST_F(MenusTest, SystemMixersAndTheUpdateCheckStartWhatTheyShould) {
    frmMain& legacy = startWithGame(5);
    legacy.SoundCard.setListIndex(1);
    legacy.mnuWindowsPlay.click();
    legacy.mnuWindowRecord.click();
    EXPECT_EQ(rig.processes.commands,
              (std::vector<std::string>{"sndvol32 -p -d1", "sndvol32 -r -d1"}));
    rig.processes.missingCommands.insert("sndvol32");
    legacy.mnuWindowsPlay.click();
    EXPECT_EQ(rig.messages.last(), "Unable to start sndvol32 -p -d1");
    rig.messages.answers = {mb::kNo};
    legacy.mnuCheckUpdates.click();
    EXPECT_TRUE(rig.shell.opened.empty());
    legacy.mnuCheckUpdates.click();
    ASSERT_EQ(rig.shell.opened.size(), 1u);
    EXPECT_NE(rig.shell.opened[0].find("check_tkp_version.asp"), std::string::npos);
    rig.shell.error = "no browser";
    legacy.mnuCheckUpdates.click();
    EXPECT_EQ(rig.messages.last(), "Unable to execute command Error: no browser");
    main.reset();
    rig.processes.commands.clear();
    rig.processes.missingCommands.clear();
    startWithGame(6).mnuWindowsPlay.click();
    EXPECT_EQ(rig.processes.commands, (std::vector<std::string>{"control.exe mmsys.cpl,,0-1"}));
}

// A pick launches and locks the menu (a second pick is refused). With a program running,
// exit asks first: No keeps everything; Yes without the return option asks nothing more
// and lets go of the program (the Wine cycle test sees it run on); with the option, a No
// to "leave" puts "Normal Windows" back.
TEST_F(MenusTest, ExitWithAProgramRunningAsksFirst) {
    frmMain& m = startWithGame(5);
    m.mnuPlaceHolder.click(1);
    EXPECT_EQ(m.PrgName.listIndex(), 1);
    EXPECT_TRUE(m.mnuPlaceHolder.item(1).checked());
    EXPECT_FALSE(m.mnuPlaceHolder.item(1).enabled());
    m.mnuPlaceHolder.click(0);
    EXPECT_EQ(rig.messages.last(), "Only one program may be lauched");
    EXPECT_EQ(rig.processes.started.size(), 1u);
    rig.messages.answers = {mb::kNo};
    EXPECT_TRUE(m.Form_QueryUnload(1));
    EXPECT_TRUE(rig.tray.shown);
    const ProcessHandle handle = m.launchedProcessHandle;
    const size_t before = rig.messages.shown.size();
    EXPECT_FALSE(m.Form_QueryUnload(1));
    EXPECT_EQ(rig.messages.shown.size(), before + 1);
    EXPECT_FALSE(m.Timer1.enabled());
    EXPECT_TRUE(rig.processes.processes[handle].closed);

    main.reset();
    frmMain& again = startWithGame(5);
    again.chkExit.setValue(1);
    again.mnuPlaceHolder.click(1);
    rig.messages.answers = {mb::kYes, mb::kNo};
    EXPECT_FALSE(again.Form_QueryUnload(3));
    EXPECT_EQ(rig.messages.last(), "Leave Sound Card Settings as they are ?");
    EXPECT_EQ(again.PrgName.listIndex(), 0);
    EXPECT_EQ(again.launchedProcessId, 0u);
}

TEST_F(MenusTest, ExitWithReturnOptionAndNothingRunningRestoresBeforeClosingTheLibrary) {
    frmMain& m = startWithGame(6);
    m.PrgName.setListIndex(1);
    m.chkExit.setValue(1);
    publics.VistaFormLoaded = true;
    EXPECT_FALSE(m.Form_QueryUnload(1));
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_EQ(m.PrgName.listIndex(), 0);
    EXPECT_EQ(rig.forms.count("unloadSoundVista"), 1);
    EXPECT_EQ(rig.library.calls.back(), "CloseSoundCard()");
}

}  // namespace
}  // namespace tk::test
