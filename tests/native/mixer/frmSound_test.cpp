#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "fake_services.h"
#include "forms/frmMain.h"
#include "forms/frmSound.h"

namespace tk {
namespace {

using namespace mixercode;
using test::fakeVolume;
using Values = std::vector<int32_t>;
namespace me = mixerentry;

// The legacy level dialog over the typical card. The mixer's notifications wait, as the
// posted window messages do, until deliver().
struct SoundDialog : ::testing::Test {
    test::Rig rig;
    Publics publics;
    frmMain main{rig.services, publics};
    std::unique_ptr<frmSound> dialog;
    int posted = 0;
    std::function<void()> notify = std::exchange(rig.mixer.controlChanged, [this] { ++posted; });

    SoundDialog() {
        publics.OSMajor = 5;
        rig.mixer.devices = {test::typicalSoundCard()};
        main.PrgName.onClick = nullptr;  // selecting here must not apply a profile
        main.PrgName.addItem("Normal Windows");
        main.PrgName.addItem("Quake");
        main.PrgName.setListIndex(0);
    }
    frmSound& open() {
        dialog = std::make_unique<frmSound>(main);
        rig.forms.onSoundChangedOutside = [this] { dialog->ChangedOutside(); };
        dialog->Form_Load();
        return *dialog;
    }
    void deliver() {
        for (; posted > 0; --posted) notify();
    }
    Values& values(int destination, int line, int control) {
        return rig.mixer.control(0, destination, line, control).values;
    }
};

TEST_F(SoundDialog, LoadShowsTheLevelsAndDisablesWhatTheCardLacks) {
    const auto disabled = [this] {
        frmSound& d = *dialog;
        std::set<std::string> names;
        for (controls::Control* c : std::initializer_list<controls::Control*>{
                 &d.MasterOut, &d.MasterMute, &d.WaveOut, &d.WaveMute, &d.playMic, &d.micPlayMute,
                 &d.LineOut, &d.LinePlayMute, &d.MicIn, &d.LineIn, &d.chkmic, &d.chkline,
                 &d.chk20Db, &d.chkNoMon})
            if (!c->enabled()) names.insert(c->name());
        return names;
    };
    // Each slider shows its own level, rounded; each box its own switch.
    frmSound& d = open();
    EXPECT_TRUE(publics.SoundFormLoaded);
    std::vector<int> shown;
    for (auto* s : {&d.MasterOut, &d.WaveOut, &d.playMic, &d.LineOut, &d.MicIn, &d.LineIn})
        shown.push_back(s->value());
    EXPECT_EQ(shown, (std::vector{-80, -69, -15, -31, -46, -61}));
    shown.clear();
    for (auto* b :
         {&d.MasterMute, &d.WaveMute, &d.micPlayMute, &d.LinePlayMute, &d.chk20Db, &d.chkNoMon})
        shown.push_back(b->value());
    EXPECT_EQ(shown, (std::vector{0, 0, 1, 1, 1, 0}));
    EXPECT_TRUE(d.chkmic.value());
    EXPECT_FALSE(d.chkline.value());
    EXPECT_EQ(disabled(), std::set<std::string>{});
    EXPECT_EQ(rig.mixer.writes, 0);  // though the levels are not whole percents

    auto& card = rig.mixer.devices[0].destinations;
    card[0].line.controls.clear();           // no master
    card[1].line.controls.clear();           // no record source selector
    card[1].sources[0].controls.pop_back();  // no boost
    card[0].sources[1].controls.pop_back();  // no playback microphone mute
    open();
    EXPECT_EQ(disabled(), (std::set<std::string>{"MasterOut", "MasterMute", "chkmic", "chkline",
                                                 "chk20Db", "micPlayMute"}));

    // A volume without its mute: the box stays enabled and keeps its state; its tick
    // writes nothing (the not-found place makes the mixer refuse).
    rig.mixer.devices = {test::typicalSoundCard()};
    rig.mixer.devices[0].destinations[0].line.controls.pop_back();
    open().MasterMute.setValue(1);
    EXPECT_TRUE(dialog->MasterMute.enabled());
    EXPECT_EQ(rig.mixer.writes, 0);
    dialog->RefreshSoundControls();
    EXPECT_EQ(dialog->MasterMute.value(), 1);

    // Without a mixer device the dialog still opens; a write fails quietly.
    rig.mixer.devices.clear();
    open().MasterOut.setValue(-3);
    EXPECT_EQ(dialog->MasterOut.value(), -3);
}

TEST_F(SoundDialog, SlidersBoxesAndRecordSourcesWriteTheirControls) {
    rig.mixer.control(0, 1, 2, 0).values = {0, 0};  // no record source selected
    frmSound& d = open();
    EXPECT_FALSE(d.chkmic.value());
    EXPECT_FALSE(d.chkline.value());

    // A slider writes both channels, rounded half to even; a box minus its value.
    d.MasterOut.setValue(-100);
    EXPECT_EQ(values(0, 3, 0), (Values{65535, 65535}));
    EXPECT_TRUE(publics.OwnMixerChange);
    d.MasterOut.setValue(-50);  // 32767.5
    EXPECT_EQ(values(0, 3, 0), (Values{32768, 32768}));
    d.LineIn.setValue(-1);  // 655.35
    EXPECT_EQ(values(1, 1, 0), (Values{655, 655}));
    d.MasterMute.setValue(1);
    EXPECT_EQ(rig.mixer.lastWrite, (Values{-1, -1}));
    EXPECT_EQ(values(0, 3, 1), (Values{1}));
    EXPECT_EQ(publics.MixerControls[me::kMasterMute].value, 1.0f);
    d.chkNoMon.setValue(1);  // one channel only
    EXPECT_EQ(rig.mixer.lastWrite, (Values{-1, 0}));
    d.chk20Db.setValue(0);
    EXPECT_EQ(values(1, 0, 1), (Values{0}));

    // A record source selects itself on the card; clearing one (only code does that)
    // writes nothing and records the other as selected.
    d.chkline.setValue(true);
    EXPECT_EQ(values(1, 2, 0), (Values{0, 1}));
    EXPECT_EQ(publics.MixerControls[me::kLineSelect].value, 1.0f);
    d.chkmic.setValue(true);
    EXPECT_EQ(values(1, 2, 0), (Values{1, 0}));
    const int writes = rig.mixer.writes;
    publics.OwnMixerChange = false;
    d.chkmic.setValue(false);
    EXPECT_EQ(rig.mixer.writes, writes);
    EXPECT_EQ(publics.MixerControls[me::kMicSelect].value, 0.0f);
    EXPECT_EQ(publics.MixerControls[me::kLineSelect].value, 1.0f);
    EXPECT_TRUE(publics.OwnMixerChange);
}

TEST_F(SoundDialog, AnOutsideChangeEnablesApplyAndCloseStoresTheLevels) {
    main.PrgName.setListIndex(1);
    frmSound& d = open();
    EXPECT_EQ(d.caption(), "Sound Card Controls [Quake]");
    d.WaveOut.setValue(-10);
    deliver();
    EXPECT_FALSE(d.Command1.enabled());
    EXPECT_FALSE(publics.OwnMixerChange);

    // Another program raises the master volume to the top.
    rig.mixer.changeFromOutside(0, 0, 3, 0, 0, 65535);
    rig.mixer.changeFromOutside(0, 0, 3, 0, 1, 65535);
    deliver();
    EXPECT_EQ(d.MasterOut.value(), -100);
    EXPECT_TRUE(d.Command1.enabled());
    d.Command1.press();
    EXPECT_TRUE(d.Command1.enabled());
    EXPECT_EQ(rig.settings.at("SoundSettings 1"), rig.mixer.getLevelState(0));

    // Close stores the levels, and unloading stores them again.
    int closes = 0;
    d.close = [&] {
        ++closes;
        d.Form_Unload();
    };
    d.MasterOut.setValue(-25);
    const int saves = rig.settings.writes;
    d.cmdOk.press();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(publics.SoundFormLoaded);
    EXPECT_EQ(rig.settings.writes - saves, 4);
    values(0, 3, 0) = {0, 0};
    ASSERT_TRUE(rig.mixer.setLevelState(rig.settings.at("SoundSettings 1")));
    EXPECT_EQ(values(0, 3, 0), (Values{16384, 16384}));  // 25 x 655.35
}

}  // namespace
}  // namespace tk
