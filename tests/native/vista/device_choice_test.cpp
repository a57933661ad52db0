// The endpoint device boxes: opening the chosen set, storing it under the selected
// entry, and restoring an entry's devices and levels.
#include <string>

#include "modules/VistaSound.h"
#include "main_window_fixture.h"

namespace tk::test {
namespace {

const std::string kGameLevels = "40,True,30,False,20,True,False,True,-4.5,-.5,3,70,60,";

// "Normal Windows" without a device choice takes the desktop's devices at start-up, so
// a program set up later does not hand its own devices to it; a later start with a
// stored choice only restores it. A choice opens the set and stores it under the entry.
TEST_F(MainWindowTest, ChoosingADeviceOpensTheSetAndStoresItUnderTheSelectedEntry) {
    startWithGame();
    EXPECT_EQ(stored("PlaybackGuid", 0), "{AAAA-1111}");
    EXPECT_EQ(stored("MicGuid", 0), "{DDDD-4444}");
    EXPECT_EQ(stored("VistaSettings", 0), CaptureVistaLevels(rig.library));
    main.reset();
    rig.settings.values.erase(key("VistaSettings", 0));
    frmMain& m = startWithGame();
    EXPECT_FALSE(rig.settings.has(key("VistaSettings", 0)));

    rig.library.playback[1].set(Ctl::MasterVolume, 33).set(Ctl::Bass, -2);
    rig.library.clearCalls();
    m.cmbSpeakers.setListIndex(1);
    m.cmbLineIn.setListIndex(1);

    // Close first, then open with playback, microphone, line-in in that order.
    ASSERT_GE(rig.library.calls.size(), 2u);
    EXPECT_EQ(rig.library.calls[0], "CloseSoundCard()");
    // At start-up both capture boxes took the first capture endpoint.
    EXPECT_EQ(rig.library.calls[1], "OpenSoundCard({BBBB-2222},{DDDD-4444},{DDDD-4444})");
    std::string lastOpen;
    for (const std::string& c : rig.library.calls)
        if (c.rfind("OpenSoundCard(", 0) == 0) lastOpen = c;
    EXPECT_EQ(lastOpen, "OpenSoundCard({BBBB-2222},{DDDD-4444},{EEEE-5555})");

    EXPECT_EQ(stored("PlaybackGuid", 0), "{BBBB-2222}");
    EXPECT_EQ(stored("LineInGuid", 0), "{EEEE-5555}");
    EXPECT_EQ(stored("MixerNumber", 0), "1");  // the mixer followed "Headphones"
    EXPECT_EQ(stored("VistaSettings", 0).substr(0, 3), "33,");
    EXPECT_FALSE(rig.settings.has(key("PlaybackGuid", 1)));
    // A box without a selection keeps its stored choice and opens nothing for its role.
    m.cmbLineIn.setListIndex(-1);
    EXPECT_EQ(stored("LineInGuid", 0), "{EEEE-5555}");
    EXPECT_EQ(rig.library.opened(Role::LineIn), nullptr);
}

TEST_F(MainWindowTest, RestoringAProgramPutsItsThreeDevicesAndLevelsInForce) {
    frmMain& m = startWithGame();
    storeProfile(1, "CCCC-3333", "FFFF-6666", "EEEE-5555", kGameLevels);
    const int writesBefore = rig.settings.writes;
    rig.library.clearCalls();
    m.PrgName.setListIndex(1);
    EXPECT_EQ(rig.library.countCalls("OpenSoundCard"), 1);  // once, not once per box

    EXPECT_EQ(m.cmbSpeakers.listIndex(), 2);
    EXPECT_EQ(m.cmbLineIn.listIndex(), 2);
    EXPECT_EQ(m.cmbMic.listIndex(), 1);
    EXPECT_EQ(CaptureVistaLevels(rig.library), kGameLevels);
    EXPECT_FALSE(m.Loading);
    EXPECT_TRUE(rig.tray.balloons.empty());
    // The selection's own save then stores exactly that state back under the entry.
    EXPECT_GT(rig.settings.writes, writesBefore);
    EXPECT_EQ(stored("PlaybackGuid", 1), "{CCCC-3333}");
    EXPECT_EQ(stored("VistaSettings", 1), kGameLevels);
    // Nothing was stored under "Normal Windows" on the way.
    EXPECT_EQ(stored("PlaybackGuid", 0), "{AAAA-1111}");
    // The same devices again: nothing to reopen; while loading, nothing is stored.
    rig.library.clearCalls();
    m.Loading = true;
    const int writes = rig.settings.writes;
    m.PrgName.setListIndex(1);
    m.cmdSave.press();
    EXPECT_EQ(rig.library.countCalls("OpenSoundCard"), 0);
    EXPECT_EQ(rig.settings.writes, writes);
    EXPECT_TRUE(m.Loading);
}

TEST_F(MainWindowTest, StoredFragmentsIgnoreLetterCaseAndMissingDevicesAreToldNotAsked) {
    frmMain& m = startWithGame();
    // Playback differs only in letter case; line-in names a device that is gone.
    storeProfile(1, "bbbb-2222", "9999-0000", "EEEE-5555", kGameLevels);
    m.PrgName.setListIndex(1);
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_EQ(m.cmbSpeakers.listIndex(), 1);
    EXPECT_EQ(m.cmbLineIn.listIndex(), 0);  // as it was
    EXPECT_EQ(m.cmbMic.listIndex(), 1);
    // The levels still reach whatever is open.
    EXPECT_EQ(rig.library.level(Ctl::MasterVolume), 40);
    EXPECT_EQ(rig.library.level(Ctl::MicRecord), 70);
    EXPECT_EQ(rig.tray.balloons.size(), 1u);
}

// The mixer follows the playback device: the first whose name begins the box text, in
// the code page's form (mixer names come in full through the wide API, endpoint names
// through the ANSI code page). A mixer that fails is skipped; the rest is stored.
TEST_F(MainWindowTest, TheMixerFollowsThePlaybackDeviceByNamePrefix) {
    rig.library.addPlayback("?esk\xC3\xA1 karta (USB)", "9999-0000");
    rig.mixer.devices.clear();
    for (const char* name : {"Realtek",
                             "\xC4\x88"
                             "esk\xC3\xA1 karta",
                             "Speakers (HD Audio) and more", "Speakers (HD", "Speakers"})
        rig.mixer.devices.push_back(typicalSoundCard(name));
    frmMain& m = startWithGame();
    EXPECT_EQ(rig.mixer.currentMixer(), 3);
    m.cmbSpeakers.setListIndex(2);  // "Digital Output": no match, the last stays
    EXPECT_EQ(rig.mixer.currentMixer(), 4);
    m.cmbSpeakers.setListIndex(3);
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
    rig.settings.values.erase(key("MixerNumber", 0));
    rig.mixer.failOn.insert("*");
    m.cmbSpeakers.setListIndex(1);
    EXPECT_EQ(rig.library.opened(Role::Playback)->name, "Headphones");
    EXPECT_EQ(stored("PlaybackGuid", 0), "{BBBB-2222}");
    EXPECT_FALSE(stored("VistaSettings", 0).empty());
    EXPECT_FALSE(rig.settings.has(key("MixerNumber", 0)));
}

}  // namespace
}  // namespace tk::test
