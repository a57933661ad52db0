#include "main_window_fixture.h"

namespace tk::test {
namespace {

class ProgramsTest : public MainWindowTest {
  protected:
    frmMain& startWith(int programs, int major = 5) {
        rig.settings.values["Name 0"] = "Normal Windows";
        for (int i = 1; i <= programs; ++i) {
            storeProgram(i, "C:\\P" + std::to_string(i) + "\\p" + std::to_string(i) + ".exe");
            rig.settings.values[entryKey("Mixer", i)] = "0";
            rig.settings.values[entryKey("SoundSettings", i)] = "";
        }
        return start(major);
    }
    void add(const std::string& file) {
        std::string f = file;
        main->AddFile(f);
    }
};

// An add appends, selects and stores; dropped files are added in order, a refusal goes
// on to the next file and an error stops the rest.
TEST_F(ProgramsTest, AddAndDropAppendInOrderAndStore) {
    frmMain& m = startWith(0);
    m.mnuAddProgram.click();  // a cancelled dialog adds nothing
    rig.fileDialog.answer = "C:\\Games\\Doom\\doom.exe";
    m.cmdAdd.press();
    EXPECT_EQ(m.PrgName.text(), "doom.exe");
    EXPECT_EQ(rig.settings.at("Name 1"), "C:\\Games\\Doom\\doom.exe");
    EXPECT_EQ(rig.settings.at("SoundSettings 1"), rig.mixer.getLevelState(0));
    m.DropFile({"C:\\a\\one.exe", "C:\\a\\two.txt", "C:\\a\\three.exe"});
    EXPECT_EQ(m.PrgName.items(),
              (std::vector<std::string>{"Normal Windows", "doom.exe", "one.exe", "three.exe"}));
    EXPECT_EQ(rig.messages.shown.size(), 1u);
    rig.settings.failWrites = true;
    m.DropFile({"C:\\a\\four.exe", "C:\\a\\five.exe"});
    EXPECT_EQ(rig.messages.last(), "Error processing dropped file(s)");
    EXPECT_EQ(m.PrgName.listCount(), 5);
}

TEST_F(ProgramsTest, RefusalsSayWhyAndAddNothing) {
    frmMain& m = startWith(1);
    add("C:\\notes.txt");
    EXPECT_EQ(rig.messages.last(), "File must be an executable (.exe) or a shortcut (.lnk)");
    add("C:\\P1\\p1.exe");
    EXPECT_EQ(rig.messages.last(), "C:\\P1\\p1.exe is already listed");
    add("C:\\broken.lnk");
    EXPECT_EQ(rig.messages.last(), "Unable to process shortcut file :C:\\broken.lnk");
    rig.shortcuts.targets["C:\\doc.lnk"] = "C:\\readme.txt";
    add("C:\\doc.lnk");
    EXPECT_EQ(rig.messages.last(),
              "C:\\doc.lnk\r\rPoints to : C:\\readme.txt\r\rShortcut must point to an "
              "executable (.exe) file");
    EXPECT_EQ(m.PrgName.listCount(), 2);
    // Letter case counts in the duplicate test.
    add("C:\\p1\\P1.EXE");
    EXPECT_EQ(m.PrgName.listCount(), 3);
    // A shortcut stores its target.
    rig.shortcuts.targets["C:\\Desktop\\Game.LNK"] = "C:\\Games\\game.exe";
    add("C:\\Desktop\\Game.LNK");
    EXPECT_EQ(rig.settings.at("Name 3"), "C:\\Games\\game.exe");
}

// "Normal Windows", no selection and a No remove nothing; removing entry 2 of 5 moves
// every existing key down; removing the last entry moves nothing.
TEST_F(ProgramsTest, RemovingEntryTwoOfFiveMovesEveryExistingKeyDown) {
    frmMain& m = startWith(4, 6);
    m.cmdRemove.press();
    EXPECT_EQ(rig.messages.last(), "Can not delete item Normal Windows Use");
    m.PrgName.setListIndex(-1);
    m.cmdRemove.press();
    EXPECT_EQ(rig.messages.last(), "No program selected");
    // Entry 3 has endpoint keys; entry 4 (added on the legacy path) has none.
    rig.settings.values["MixerNumber 3"] = "0";
    rig.settings.values["PlaybackGuid 3"] = "{G3}";
    rig.settings.values["VistaSettings 3"] = "75,False,";
    rig.settings.values.erase("MixerNumber 4");
    rig.settings.values.erase("PlaybackGuid 4");
    rig.settings.values.erase("LineInGuid 4");
    rig.settings.values.erase("MicGuid 4");
    rig.settings.values.erase("VistaSettings 4");
    m.PrgName.setListIndex(2);
    rig.messages.answers = {mb::kNo, mb::kYes};
    m.cmdRemove.press();
    EXPECT_EQ(rig.messages.shown.back().text, "Remove p2.exe from list?   ");
    EXPECT_EQ(m.PrgName.listCount(), 5);
    m.cmdRemove.press();
    EXPECT_EQ(m.PrgName.items(),
              (std::vector<std::string>{"Normal Windows", "p1.exe", "p3.exe", "p4.exe"}));
    EXPECT_EQ(rig.settings.at("Name 2"), "C:\\P3\\p3.exe");
    EXPECT_EQ(rig.settings.at("PlaybackGuid 2"), "{G3}");
    EXPECT_EQ(rig.settings.at("VistaSettings 2"), "75,False,");
    EXPECT_EQ(rig.settings.at("Name 3"), "C:\\P4\\p4.exe");
    EXPECT_FALSE(rig.settings.has("MixerNumber 3"));
    for (const auto& [key, value] : rig.settings.values)
        EXPECT_EQ(key.find(" 4"), std::string::npos) << key;
    EXPECT_EQ(m.PrgName.listIndex(), 0);
    EXPECT_EQ(m.mnuPlaceHolder.count(), 4 + 5);
    EXPECT_EQ(m.mnuPlaceHolder.item(3).caption(), "p4.exe");
    m.PrgName.setListIndex(3);
    m.cmdRemove.press();
    EXPECT_FALSE(rig.settings.has("Name 3"));
    EXPECT_FALSE(rig.settings.has("SoundSettings 3"));
    EXPECT_EQ(rig.settings.at("Name 2"), "C:\\P3\\p3.exe");
}

}  // namespace
}  // namespace tk::test
