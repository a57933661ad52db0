#include <gtest/gtest.h>

#include "fake_services.h"
#include "forms/frmMain.h"
#include "forms/frmSound.h"

namespace tk {
namespace {

using Values = std::vector<int32_t>;

// The legacy level dialog for "Normal Windows" over the typical card. The mixer's
// notifications wait, as the one window message for a burst of changes does, for deliver().
struct SoundDialog : ::testing::Test {
    test::Rig rig;
    Publics publics;
    frmMain main{rig.services, publics};
    frmSound dialog{main};
    bool posted = false;
    std::function<void()> notify =
        std::exchange(rig.mixer.controlChanged, [this] { posted = true; });

    SoundDialog() {
        publics.OSMajor = 5;
        rig.mixer.devices = {test::typicalSoundCard()};
        rig.forms.onSoundChangedOutside = [this] { dialog.ChangedOutside(); };
        main.PrgName.addItem("Normal Windows");
        main.PrgName.setListIndex(0);
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
TEST_F(SoundDialog, LoadWritesChangesFromOutsideAndACardLackingParts) {
    values(1, 2, 0) = {0, 0};  // no record source selected
    dialog.Form_Load();
    std::vector<int> shown;
    for (controls::Slider* s : {&dialog.MasterOut, &dialog.WaveOut, &dialog.playMic,
                                &dialog.LineOut, &dialog.MicIn, &dialog.LineIn})
        shown.push_back(s->value());
    for (controls::CheckBox* b : {&dialog.MasterMute, &dialog.WaveMute, &dialog.micPlayMute,
                                  &dialog.LinePlayMute, &dialog.chk20Db, &dialog.chkNoMon})
        shown.push_back(b->value());
    EXPECT_EQ(shown, (std::vector{-80, -69, -15, -31, -46, -61, 0, 0, 1, 1, 1, 0}));
    EXPECT_FALSE(dialog.chkmic.value() || dialog.chkline.value());
    EXPECT_EQ(rig.mixer.writes, 0);  // though the levels are not whole percents

    // A slider writes both channels, rounded half to even; a box minus its value.
    dialog.MasterOut.setValue(-100);
    EXPECT_EQ(values(0, 3, 0), (Values{65535, 65535}));
    dialog.MasterOut.setValue(-50);  // 32767.5
    EXPECT_EQ(values(0, 3, 0), (Values{32768, 32768}));
    dialog.MasterMute.setValue(1);
    EXPECT_EQ(rig.mixer.lastWrite, (Values{-1, -1}));
    dialog.chkNoMon.setValue(1);  // one channel only
    EXPECT_EQ(rig.mixer.lastWrite, (Values{-1, 0}));
    dialog.chkline.setValue(true);
    EXPECT_EQ(values(1, 2, 0), (Values{0, 1}));
    deliver();
    EXPECT_FALSE(dialog.Command1.enabled());

    // Another program raises the master volume and records from the microphone.
    values(1, 2, 0) = {1, 0};
    rig.mixer.changeFromOutside(0, 0, 3, 0, 0, 65535);
    deliver();
    EXPECT_EQ(dialog.MasterOut.value(), -100);
    EXPECT_TRUE(dialog.chkmic.value() && !dialog.chkline.value());
    ASSERT_TRUE(dialog.Command1.enabled());
    dialog.Command1.press();
    EXPECT_EQ(rig.settings.at("SoundSettings 0"), rig.mixer.getLevelState(0));

    // Loaded for a card lacking parts, it disables their controls.
    auto& card = rig.mixer.devices[0].destinations;
    card[0].line.controls.clear();           // no master
    card[1].line.controls.clear();           // no record source selector
    card[1].sources[0].controls.pop_back();  // no boost
    card[0].sources[1].controls.pop_back();  // no playback microphone mute
    dialog.Form_Load();
    for (controls::Control* c : std::initializer_list<controls::Control*>{
             &dialog.MasterOut, &dialog.MasterMute, &dialog.chkmic, &dialog.chkline,
             &dialog.chk20Db, &dialog.micPlayMute})
        EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_TRUE(dialog.playMic.enabled() && dialog.WaveOut.enabled() && dialog.chkNoMon.enabled());
}

}  // namespace
}  // namespace tk
