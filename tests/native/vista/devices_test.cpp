// The endpoint device boxes: opening the chosen set, storing it under the selected entry,
// restoring an entry's devices and levels, and endpoints that come and go. (The Wine
// topology test follows endpoints through the real boxes; these force what its stand-in
// cannot: a device arriving in front of the others, a listing that fails.)
#include <algorithm>

#include "main_window_fixture.h"
#include "modules/VistaSound.h"

namespace tk::test {
namespace {

const std::string kLevels = "40,True,30,False,20,True,False,True,-4.5,-.5,3,70,60,";

// At start-up a default capture endpoint not named like a microphone selects the line-in
// box, and the box without a default takes its first entry; "Normal Windows" without a
// stored choice takes the devices in force. A choice opens the set with each box's device
// in its own role and stores it under the selected entry.
TEST_F(MainWindowTest, ChosenDevicesAreOpenedInTheirRolesAndStored) {
    rig.library.defaultPlayback = 1;
    rig.library.defaultCapture = 1;
    frmMain& m = startWithGame();
    EXPECT_EQ(m.cmbSpeakers.text(), "Headphones");
    EXPECT_EQ(m.cmbLineIn.text(), "Line In");
    EXPECT_EQ(m.cmbMic.text(), "Microphone");
    EXPECT_EQ(stored("PlaybackGuid", 0), "{BBBB-2222}");
    EXPECT_EQ(stored("LineInGuid", 0), "{EEEE-5555}");
    EXPECT_EQ(stored("VistaSettings", 0), CaptureVistaLevels(rig.library));
    rig.library.playback[2]["MasterVolume"] = 33;
    m.cmbSpeakers.setListIndex(2);
    m.cmbMic.setListIndex(2);
    EXPECT_EQ(rig.library.opened(kPlayback)->name, "Digital Output");
    EXPECT_EQ(rig.library.opened(kMicrophone)->name, "Stereo Mix");
    EXPECT_EQ(rig.library.opened(kLineIn)->name, "Line In");
    EXPECT_EQ(stored("MicGuid", 0), "{FFFF-6666}");
    EXPECT_EQ(stored("VistaSettings", 0).substr(0, 3), "33,");
}

// The mixer follows the playback device: the first whose name begins the box text, in
// the code page's form (mixer names come in full through the wide API, endpoint names
// through the ANSI code page); without a match the last one stays.
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
    m.cmbSpeakers.setListIndex(3);
    EXPECT_EQ(rig.mixer.currentMixer(), 1);
    m.cmbSpeakers.setListIndex(2);
    EXPECT_EQ(rig.mixer.currentMixer(), 4);
}

// Selecting an entry puts its stored devices (letter case ignored) and levels in force. A
// device that is gone is told at the tray and its box keeps what it shows; the saves
// nobody asked for (a watched run's end) then keep the entry's stored devices and levels,
// and the user's own choice stores as usual.
TEST_F(MainWindowTest, AnEntrysDevicesAreRestoredAndAMissingOneIsStoredOnlyByChoice) {
    frmMain& m = startWithGame();
    storeProfile(1, "cccc-3333", "9999-0000", "EEEE-5555", kLevels);
    m.PrgName.setListIndex(1);
    EXPECT_EQ(m.cmbSpeakers.listIndex(), 2);
    EXPECT_EQ(m.cmbLineIn.listIndex(), 0);
    EXPECT_EQ(m.cmbMic.listIndex(), 1);
    EXPECT_EQ(rig.library.level("MasterVolume"), 40);
    EXPECT_EQ(rig.library.level("MicRecordVolume"), 70);
    EXPECT_EQ(rig.tray.balloons,
              std::vector<std::string>{"The Line In device stored for game.exe "
                                       "is missing; Microphone stands in for it."});
    m.cmdLaunch.press();
    rig.library.playback[2]["MasterVolume"] = 12;
    rig.processes.ended[m.launchedProcessHandle] = true;
    m.Timer1.tick();
    ASSERT_EQ(m.PrgName.listIndex(), 0);
    EXPECT_EQ(stored("LineInGuid", 1), "{9999-0000}");
    EXPECT_EQ(stored("VistaSettings", 1), kLevels);
    m.PrgName.setListIndex(1);
    m.cmbLineIn.setListIndex(1);
    EXPECT_EQ(stored("LineInGuid", 1), "{EEEE-5555}");
}

// A device of the open set that goes and comes back is opened again; the selected entry's
// stored device arriving puts its profile in force; a listing that fails changes nothing;
// a device that goes is named in the tray tip. Nothing is stored.
TEST_F(MainWindowTest, DevicesThatComeAndGoAreFollowedWithoutStoring) {
    frmMain& m = startWithGame();
    const FakeEndpoint microphone = rig.library.capture[0];
    rig.library.capture.erase(rig.library.capture.begin());
    m.DevicesChanged();
    EXPECT_EQ(m.cmbMic.listIndex(), -1);
    rig.library.capture.push_back(microphone);
    m.DevicesChanged();
    EXPECT_EQ(rig.library.opened(kMicrophone)->name, "Microphone");
    storeProfile(1, "9999-0000", "EEEE-5555", "DDDD-4444", kLevels);
    m.PrgName.setListIndex(1);
    rig.library.playback[0]["MasterVolume"] = 90;
    const auto before = rig.settings.values;
    const std::string tip = rig.tray.tip;

    auto& playback = rig.library.playback;
    rig.library.addPlayback("USB Headset", "9999-0000");
    std::rotate(playback.begin(), playback.end() - 1, playback.end());
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.text(), "USB Headset");
    EXPECT_EQ(rig.library.opened(kPlayback)->name, "USB Headset");
    EXPECT_EQ(rig.library.level("MasterVolume"), 40);
    rig.library.failOn = {"GetNumberPlayDevices"};
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.text(), "USB Headset");
    rig.library.failOn.clear();
    playback.erase(playback.begin());
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.listIndex(), -1);
    EXPECT_EQ(rig.tray.tip, tip + "\rUSB Headset is no longer connected");
    EXPECT_EQ(rig.settings.values, before);
}

}  // namespace
}  // namespace tk::test
