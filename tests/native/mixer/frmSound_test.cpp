#include <gtest/gtest.h>

#include "fake_services.h"
#include "forms/frmMain.h"
#include "forms/frmSound.h"

namespace tk {
namespace {

using namespace mixercode;
using test::FakeMixerDevice;
using test::fakeSwitch;
using test::fakeVolume;
namespace me = mixerentry;

struct SoundDialog : ::testing::Test {
    test::Rig rig;
    Publics publics;
    frmMain main{rig.services, publics};
    std::unique_ptr<frmSound> dialog;

    SoundDialog() {
        publics.OSMajor = 5;
        rig.mixer.devices = {test::typicalSoundCard()};
        main.PrgName.onClick = nullptr;  // selecting here must not apply a profile
        main.PrgName.addItem("Normal Windows");
        main.PrgName.addItem("Quake");
        main.PrgName.setListIndex(0);
    }
    void open() {
        dialog = std::make_unique<frmSound>(main);
        rig.forms.onSoundChangedOutside = [this] { dialog->ChangedOutside(); };
        dialog->Form_Load();
    }
    test::FakeMixerControl& master() { return rig.mixer.control(0, 0, 3, 0); }
};

TEST_F(SoundDialog, LoadShowsTheLevelsAndDisablesWhatIsMissing) {
    open();
    frmSound& d = *dialog;
    EXPECT_TRUE(publics.SoundFormLoaded);
    EXPECT_EQ(d.MasterOut.value(), -80);  // 52428 / 655.35 = 80.0
    EXPECT_EQ(d.WaveOut.value(), -69);    // 68.67
    EXPECT_EQ(d.playMic.value(), -15);    // 15.26
    EXPECT_EQ(d.LineOut.value(), -31);    // 30.52
    EXPECT_EQ(d.MicIn.value(), -46);      // 45.78
    EXPECT_EQ(d.LineIn.value(), -61);     // 61.04
    EXPECT_EQ(d.micPlayMute.value(), 1);
    EXPECT_EQ(d.LinePlayMute.value(), 1);
    EXPECT_EQ(d.chk20Db.value(), 1);
    EXPECT_TRUE(d.chkmic.value());
    for (auto* c : std::initializer_list<controls::Control*>{
             &d.MasterOut, &d.MasterMute, &d.WaveOut, &d.WaveMute, &d.playMic, &d.micPlayMute,
             &d.LineOut, &d.LinePlayMute, &d.MicIn, &d.LineIn, &d.chkmic, &d.chkline, &d.chk20Db,
             &d.chkNoMon})
        EXPECT_TRUE(c->enabled()) << c->name();

    FakeMixerDevice dev = test::typicalSoundCard();
    dev.destinations[0].line.controls = {};                            // no master at all
    dev.destinations[1].line.controls = {};                            // no record selector
    dev.destinations[1].sources[0].controls = {fakeVolume("Mic", 1)};  // no boost
    dev.destinations[0].sources[1].controls = {fakeVolume("Microphone", 1)};
    rig.mixer.devices = {dev};
    open();
    for (auto* c : std::initializer_list<controls::Control*>{
             &dialog->MasterOut, &dialog->MasterMute, &dialog->chkmic, &dialog->chkline,
             &dialog->chk20Db, &dialog->micPlayMute})
        EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_TRUE(dialog->playMic.enabled());
    EXPECT_TRUE(dialog->chkNoMon.enabled());

    // A volume without its mute: the box stays enabled, keeps its state, and its tick
    // writes nothing (the not-found coordinates make the mixer refuse).
    dev = test::typicalSoundCard();
    dev.destinations[0].line.controls = {fakeVolume("Volume", 65535)};
    rig.mixer.devices = {dev};
    open();
    EXPECT_TRUE(dialog->MasterMute.enabled());
    EXPECT_EQ(dialog->MasterMute.value(), 0);
    const int writes = rig.mixer.writes;
    dialog->MasterMute.setValue(1);
    EXPECT_EQ(dialog->MasterMute.value(), 1);
    EXPECT_EQ(rig.mixer.writes, writes);
    dialog->RefreshSoundControls();
    EXPECT_EQ(dialog->MasterMute.value(), 1);

    // Without a mixer device the dialog still opens; a write fails quietly.
    rig.mixer.devices.clear();
    open();
    dialog->MasterOut.setValue(-3);
    EXPECT_EQ(dialog->MasterOut.value(), -3);
}

TEST_F(SoundDialog, SlidersWriteRoundedLevelsToBothChannelsAndBoxesMinusTheirValue) {
    open();
    dialog->MasterOut.setValue(-100);  // top
    EXPECT_EQ(master().values, (std::vector<int32_t>{65535, 65535}));
    EXPECT_TRUE(publics.OwnMixerChange);
    dialog->MasterOut.setValue(-50);  // 32767.5 rounds to even
    EXPECT_EQ(master().values, (std::vector<int32_t>{32768, 32768}));
    dialog->LineIn.setValue(-1);  // 655.35
    EXPECT_EQ(rig.mixer.control(0, 1, 1, 0).values, (std::vector<int32_t>{655, 655}));
    // Boxes write minus their check value.
    dialog->MasterMute.setValue(1);
    EXPECT_EQ(rig.mixer.control(0, 0, 3, 1).applied, (std::vector<int32_t>{-1, -1}));
    EXPECT_EQ(rig.mixer.control(0, 0, 3, 1).values[0], 1);
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kMasterMute].value, 1.0f);

    dialog->chkNoMon.setValue(1);  // one channel only
    EXPECT_EQ(rig.mixer.control(0, 1, 1, 1).applied, (std::vector<int32_t>{-1, 0}));
    dialog->chk20Db.setValue(0);
    EXPECT_EQ(rig.mixer.control(0, 1, 0, 1).values[0], 0);
}

TEST_F(SoundDialog, RecordSourceOptions) {
    // Each option shows its own entry: with neither source selected, neither is ticked.
    rig.mixer.control(0, 1, 2, 0).values = {0, 0};
    open();
    EXPECT_FALSE(dialog->chkmic.value());
    EXPECT_FALSE(dialog->chkline.value());
    auto& selector = rig.mixer.control(0, 1, 2, 0);
    dialog->chkline.setValue(true);
    EXPECT_EQ(selector.values, (std::vector<int32_t>{0, 1}));
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kLineSelect].value, 1.0f);
    dialog->chkmic.setValue(true);
    EXPECT_EQ(selector.values, (std::vector<int32_t>{1, 0}));

    // Clearing an option from code makes no mixer call and flips the entries.
    int writes = rig.mixer.writes;
    publics.OwnMixerChange = false;
    dialog->chkmic.setValue(false);
    EXPECT_EQ(rig.mixer.writes, writes);
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kMicSelect].value, 0.0f);
    EXPECT_FLOAT_EQ(publics.MixerControls[me::kLineSelect].value, 1.0f);
    EXPECT_TRUE(publics.OwnMixerChange);
}

TEST_F(SoundDialog, ApplyIsEnabledOnlyByAnOutsideChange) {
    rig.mixer.queueNotifications = true;
    open();
    // Loading wrote nothing back, though the levels are not whole percents.
    EXPECT_EQ(rig.mixer.writes, 0);
    EXPECT_FALSE(dialog->Command1.enabled());

    dialog->WaveOut.setValue(-10);
    rig.mixer.deliverNotifications();
    EXPECT_FALSE(dialog->Command1.enabled());
    EXPECT_FALSE(publics.OwnMixerChange);
    EXPECT_EQ(rig.forms.count("soundChangedOutside"), 0);

    // Another program raises the master volume to the top.
    rig.mixer.changeFromOutside(0, 0, 3, 0, 0, 65535);
    rig.mixer.changeFromOutside(0, 0, 3, 0, 1, 65535);
    rig.mixer.deliverNotifications();
    EXPECT_EQ(dialog->MasterOut.value(), -100);
    EXPECT_TRUE(dialog->Command1.enabled());
    EXPECT_GE(rig.forms.count("soundChangedOutside"), 1);

    // Apply stores the levels and stays enabled.
    dialog->Command1.press();
    EXPECT_TRUE(dialog->Command1.enabled());
    EXPECT_EQ(rig.settings.at("SoundSettings 0"), rig.mixer.getLevelState(0));
}

TEST_F(SoundDialog, CloseStoresTheLevelsAndUnloads) {
    main.PrgName.setListIndex(1);
    open();
    EXPECT_EQ(dialog->caption(), "Sound Card Controls [Quake]");
    int closes = 0;
    dialog->close = [&] {
        ++closes;
        dialog->Form_Unload();
    };
    dialog->MasterOut.setValue(-25);
    int saves = rig.settings.writes;
    dialog->cmdOk.press();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(publics.SoundFormLoaded);
    EXPECT_EQ(rig.settings.writes - saves, 4);  // Close saves, and unloading saves again
    std::string stored = rig.settings.at("SoundSettings 1");
    master().values = {0, 0};
    ASSERT_TRUE(rig.mixer.setLevelState(stored));
    EXPECT_EQ(master().values, (std::vector<int32_t>{16384, 16384}));  // 25 x 655.35
}

}  // namespace
}  // namespace tk
