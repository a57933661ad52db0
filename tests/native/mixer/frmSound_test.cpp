#include <gtest/gtest.h>

#include "fake_services.h"
#include "forms/frmMain.h"
#include "forms/frmSound.h"

namespace tk {
namespace {

using Values = std::vector<int32_t>;

// The legacy level dialog over the typical card, for "Normal Windows". The mixer's
// notifications wait, as the window message announcing a burst of changes does, until
// deliver().
struct SoundDialog : ::testing::Test {
    test::Rig rig;
    Publics publics;
    frmMain main{rig.services, publics};
    std::unique_ptr<frmSound> dialog;
    bool posted = false;
    std::function<void()> notify =
        std::exchange(rig.mixer.controlChanged, [this] { posted = true; });

    SoundDialog() {
        publics.OSMajor = 5;
        rig.mixer.devices = {test::typicalSoundCard()};
        main.PrgName.onClick = nullptr;  // selecting here must not apply a profile
        main.PrgName.addItem("Normal Windows");
        main.PrgName.setListIndex(0);
    }
    frmSound& open() {
        dialog = std::make_unique<frmSound>(main);
        rig.forms.onSoundChangedOutside = [this] { dialog->ChangedOutside(); };
        dialog->Form_Load();
        return *dialog;
    }
    void deliver() {
        if (std::exchange(posted, false)) notify();
    }
    Values& values(int destination, int line, int control) {
        return rig.mixer.control(0, destination, line, control).values;
    }
};

// Loading shows each level; the dialog's own writes go to their controls and are no change
// from outside; a change from outside is shown and enables Apply, which stores the levels.
TEST_F(SoundDialog, LoadWritesAndChangesFromOutside) {
    values(1, 2, 0) = {0, 0};  // no record source selected
    frmSound& d = open();
    std::vector<int> shown;
    for (controls::Slider* s :
         {&d.MasterOut, &d.WaveOut, &d.playMic, &d.LineOut, &d.MicIn, &d.LineIn})
        shown.push_back(s->value());
    for (controls::CheckBox* b :
         {&d.MasterMute, &d.WaveMute, &d.micPlayMute, &d.LinePlayMute, &d.chk20Db, &d.chkNoMon})
        shown.push_back(b->value());
    EXPECT_EQ(shown, (std::vector{-80, -69, -15, -31, -46, -61, 0, 0, 1, 1, 1, 0}));
    EXPECT_FALSE(d.chkmic.value() || d.chkline.value());
    EXPECT_EQ(rig.mixer.writes, 0);  // though the levels are not whole percents

    // A slider writes both channels, rounded half to even; a box minus its value.
    d.MasterOut.setValue(-100);
    EXPECT_EQ(values(0, 3, 0), (Values{65535, 65535}));
    d.MasterOut.setValue(-50);  // 32767.5
    EXPECT_EQ(values(0, 3, 0), (Values{32768, 32768}));
    d.MasterMute.setValue(1);
    EXPECT_EQ(rig.mixer.lastWrite, (Values{-1, -1}));
    d.chkNoMon.setValue(1);  // one channel only
    EXPECT_EQ(rig.mixer.lastWrite, (Values{-1, 0}));
    d.chkline.setValue(true);
    EXPECT_EQ(values(1, 2, 0), (Values{0, 1}));
    deliver();
    EXPECT_FALSE(d.Command1.enabled());

    // Another program raises the master volume and records from the microphone.
    values(1, 2, 0) = {1, 0};
    rig.mixer.changeFromOutside(0, 0, 3, 0, 0, 65535);
    deliver();
    EXPECT_EQ(d.MasterOut.value(), -100);
    EXPECT_TRUE(d.chkmic.value() && !d.chkline.value());
    ASSERT_TRUE(d.Command1.enabled());
    d.Command1.press();
    EXPECT_EQ(rig.settings.at("SoundSettings 0"), rig.mixer.getLevelState(0));
}

TEST_F(SoundDialog, ACardLackingPartsDisablesTheirControls) {
    auto& card = rig.mixer.devices[0].destinations;
    card[0].line.controls.clear();           // no master
    card[1].line.controls.clear();           // no record source selector
    card[1].sources[0].controls.pop_back();  // no boost
    card[0].sources[1].controls.pop_back();  // no playback microphone mute
    frmSound& d = open();
    for (controls::Control* c : std::initializer_list<controls::Control*>{
             &d.MasterOut, &d.MasterMute, &d.chkmic, &d.chkline, &d.chk20Db, &d.micPlayMute})
        EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_TRUE(d.playMic.enabled() && d.WaveOut.enabled() && d.chkNoMon.enabled());
}

}  // namespace
}  // namespace tk
