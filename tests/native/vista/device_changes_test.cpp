// Endpoints that come and go while the program runs. (The Wine topology test follows
// capture and playback endpoints through the real boxes; this one forces what the
// stand-in cannot: a device arriving in front of the others, a listing that fails.)
#include <algorithm>

#include "main_window_fixture.h"

namespace tk::test {
namespace {

const std::string kHeadsetLevels = "35,False,30,False,20,True,False,True,-4.5,-.5,3,70,60,";

// The selected entry's stored device arriving puts its profile in force, wherever the
// device lands in the list; a device that goes is named in the tray tip; a listing that
// fails or a device nobody stored changes nothing in force; nothing is stored.
TEST_F(MainWindowTest, DevicesThatComeAndGoAreFollowedWithoutStoring) {
    frmMain& m = startWithGame();
    // The microphone both capture boxes show goes and comes back: selected and opened
    // again.
    const FakeEndpoint microphone = rig.library.capture[0];
    rig.library.capture.erase(rig.library.capture.begin());
    m.DevicesChanged();
    EXPECT_EQ(m.cmbMic.listIndex(), -1);
    rig.library.capture.push_back(microphone);
    m.DevicesChanged();
    EXPECT_EQ(m.cmbLineIn.text(), "Microphone");
    EXPECT_EQ(rig.library.opened(Role::Microphone)->name, "Microphone");
    storeProfile(1, "9999-0000", "EEEE-5555", "DDDD-4444", kHeadsetLevels);
    m.PrgName.setListIndex(1);
    EXPECT_EQ(m.cmbSpeakers.listIndex(), 0);  // the headset is not there
    EXPECT_EQ(m.cmbLineIn.text(), "Line In");
    rig.library.playback[0].set(Ctl::MasterVolume, 90);
    const auto before = rig.settings.values;
    const std::string tip = rig.tray.tip;

    auto& playback = rig.library.playback;
    rig.library.addPlayback("USB Headset", "9999-0000");
    std::rotate(playback.begin(), playback.end() - 1, playback.end());
    m.DevicesChanged();
    ASSERT_EQ(m.cmbSpeakers.listCount(), 4);
    EXPECT_EQ(m.cmbSpeakers.listIndex(), 0);
    EXPECT_EQ(m.cmbSpeakers.text(), "USB Headset");
    EXPECT_EQ(rig.library.opened(Role::Playback)->name, "USB Headset");
    EXPECT_EQ(rig.library.level(Ctl::MasterVolume), 35);

    rig.library.failOn = {"GetNumberPlayDevices"};
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.text(), "USB Headset");
    rig.library.failOn.clear();
    rig.library.clearCalls();
    rig.library.addCapture("Webcam", "7777-0000");
    m.DevicesChanged();
    EXPECT_EQ(m.cmbMic.listCount(), 4);
    EXPECT_EQ(rig.library.countCalls("OpenSoundCard"), 0);

    playback.erase(playback.begin());
    m.DevicesChanged();
    EXPECT_EQ(m.cmbSpeakers.listIndex(), -1);
    EXPECT_EQ(rig.tray.tip, tip + "\rUSB Headset is no longer connected");
    EXPECT_EQ(rig.settings.values, before);
}

}  // namespace
}  // namespace tk::test
