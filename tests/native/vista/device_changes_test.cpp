// Endpoints that come and go while the program runs: the boxes are listed again with
// their selections kept by device, nothing is stored, a selected device that has gone
// is named in the tray tip, and a stored device that comes back is put in force.
#include <algorithm>

#include "modules/VistaSound.h"
#include "main_window_fixture.h"

namespace tk::test {
namespace {

const std::string kHeadsetLevels = "35,False,30,False,20,True,False,True,-4.5,-.5,3,70,60,";

class DeviceChangesTest : public MainWindowTest {
  protected:
    void plugInFirst(const std::string& name, const std::string& guid) {
        rig.library.addPlayback(name, guid);
        std::rotate(rig.library.playback.begin(), rig.library.playback.end() - 1,
                    rig.library.playback.end());
    }
    void unplug(const std::string& name) {
        std::erase_if(rig.library.playback, [&](const FakeEndpoint& e) { return e.name == name; });
    }
};

TEST_F(DeviceChangesTest, SelectionsFollowTheirDevicesAndAGoneOneIsNamedAndKept) {
    frmMain& m = startWithGame();
    m.cmbSpeakers.setListIndex(1);  // "Headphones", stored for "Normal Windows"
    const std::string tip = rig.tray.tip;
    const int writes = rig.settings.writes;

    // A device arrives in front of the others: the lists grow, the choice stays on its
    // device, and the open set is left alone.
    plugInFirst("USB Headset", "9999-0000");
    rig.library.clearCalls();
    m.DevicesChanged();
    ASSERT_EQ(m.cmbSpeakers.listCount(), 4);
    EXPECT_EQ(m.cmbSpeakers.list(0), "USB Headset");
    EXPECT_EQ(m.cmbSpeakers.text(), "Headphones");
    EXPECT_EQ(m.cmbMic.text(), "Microphone");
    EXPECT_EQ(rig.library.countCalls("CloseSoundCard"), 0);
    EXPECT_EQ(rig.library.countCalls("OpenSoundCard"), 0);

    // The chosen device goes: its box is left empty, the set in force stays open as it
    // is, the tip says so, and neither the change nor a later save stores anything
    // else as the entry's choice.
    unplug("Headphones");
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.listIndex(), -1);
    EXPECT_EQ(rig.settings.writes, writes);
    m.cmdSave.press();
    EXPECT_EQ(stored("PlaybackGuid", 0), "{BBBB-2222}");

    // An unrelated change keeps the note; the device's return puts the entry's stored
    // choice back in force, without storing anything, and clears the note.
    m.DevicesChanged();
    EXPECT_EQ(rig.tray.tip, tip + "\rHeadphones is no longer connected");
    rig.library.addPlayback("Headphones", "BBBB-2222");
    const int writesBack = rig.settings.writes;
    m.DevicesChanged();
    EXPECT_EQ(rig.library.opened(Role::Playback)->name, "Headphones");
    EXPECT_EQ(rig.tray.tip, tip);
    EXPECT_EQ(rig.settings.writes, writesBack);
}

TEST_F(DeviceChangesTest, ADeviceThatGoesAndComesBackIsSelectedAgainWithoutAStoredChoice) {
    frmMain& m = startWithGame();  // nothing stored yet: start-up saves nothing
    // The one capture device named as default serves both boxes.
    ASSERT_EQ(m.cmbMic.text(), "Microphone");
    ASSERT_EQ(m.cmbLineIn.text(), "Microphone");
    const auto before = rig.settings.values;
    const std::string tip = rig.tray.tip;
    const FakeEndpoint microphone = rig.library.capture[0];

    rig.library.capture.erase(rig.library.capture.begin());
    m.DevicesChanged();
    EXPECT_EQ(m.cmbMic.listIndex(), -1);
    EXPECT_EQ(rig.tray.tip, tip + "\rMicrophone is no longer connected");

    rig.library.capture.push_back(microphone);
    rig.library.clearCalls();
    m.DevicesChanged();
    EXPECT_EQ(m.cmbMic.text(), "Microphone");
    EXPECT_EQ(rig.library.opened(Role::Microphone)->name, "Microphone");
    EXPECT_EQ(rig.tray.tip, tip);
    EXPECT_EQ(rig.settings.values, before);
}

TEST_F(DeviceChangesTest, AStoredDeviceArrivingPutsTheSelectedEntrysProfileInForce) {
    frmMain& m = startWithGame();
    storeProfile(1, "9999-0000", "EEEE-5555", "DDDD-4444", kHeadsetLevels);
    m.PrgName.setListIndex(1);
    // The headset is not there: the other devices are restored, the headset's place
    // keeps the device in force.
    EXPECT_EQ(m.cmbSpeakers.listIndex(), 0);
    EXPECT_EQ(m.cmbLineIn.text(), "Line In");
    rig.library.playback[0].set(Ctl::MasterVolume, 90);
    const auto before = rig.settings.values;

    rig.library.addPlayback("USB Headset", "9999-0000");
    m.DevicesChanged();
    EXPECT_EQ(rig.library.opened(Role::Playback)->name, "USB Headset");
    EXPECT_EQ(rig.library.level(Ctl::MasterVolume), 35);
    EXPECT_EQ(rig.settings.values, before);

    // A listing that fails leaves the boxes alone.
    rig.library.failOn = {"GetNumberPlayDevices"};
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.listCount(), 4);
    EXPECT_EQ(m.cmbSpeakers.text(), "USB Headset");
    rig.library.failOn.clear();

    // A device that arrives but was stored by no entry changes nothing in force.
    rig.library.clearCalls();
    rig.library.addCapture("Webcam", "7777-0000");
    m.DevicesChanged();
    EXPECT_EQ(m.cmbMic.listCount(), 4);
    EXPECT_EQ(rig.library.countCalls("OpenSoundCard"), 0);
    EXPECT_EQ(rig.settings.values, before);
}

}  // namespace
}  // namespace tk::test
