// The endpoint level dialog and the tone dialog against the fake library.
#include <string>

#include "forms/frmSoundVista.h"
#include "forms/frmVistaTone.h"
#include "modules/VistaSound.h"
#include "main_window_fixture.h"

namespace tk::test {
namespace {

class SoundVistaTest : public MainWindowTest {
  protected:
    frmSoundVista& open() {
        startWithGame();
        dlg = std::make_unique<frmSoundVista>(*main);
        dlg->Form_Load();
        dlg->Form_Activate();
        return *dlg;
    }
    std::unique_ptr<frmSoundVista> dlg;
};

TEST_F(SoundVistaTest, LoadShowsTheOpenLevelsAndEnablesWhatExists) {
    rig.library.playback[0].set(Ctl::MasterVolume, 64).set(Ctl::MasterMute, 1);
    for (Ctl c : {Ctl::MicPlay, Ctl::MicPlayMute, Ctl::Bass, Ctl::Mid, Ctl::Treble})
        rig.library.playback[0].without(c);
    rig.library.capture[0].set(Ctl::MicRecord, 77).without(Ctl::MicBoost);
    frmSoundVista& d = open();
    EXPECT_TRUE(publics.VistaFormLoaded);
    EXPECT_EQ(d.sldMaster.value(), 64);
    EXPECT_EQ(d.chkMasterMute.value(), 1);
    EXPECT_FALSE(d.sldMicPlay.enabled());
    EXPECT_FALSE(d.lblMicPlay.enabled());
    EXPECT_FALSE(d.chkMicPlay.enabled());
    EXPECT_EQ(d.sldMic.value(), 77);
    EXPECT_FALSE(d.chkBoost.enabled());
    EXPECT_FALSE(d.cmdTone.enabled());
    // The same capture endpoint is open as line-in here.
    EXPECT_TRUE(d.sldLine.enabled());
    EXPECT_TRUE(d.chkNoMon.enabled());
}

// Sync reads every control again: changes made outside, a switch that can now be read,
// one whose read fails (disabled, its tick kept), a role no longer open. A box writes -1
// for a tick and 0 for none. (The Wine dialog test drags every slider of the real dialog.)
TEST_F(SoundVistaTest, SyncReadsEveryControlAgain) {
    rig.library.capture[0].without(Ctl::MicBoost);
    rig.library.capture[1].set(Ctl::MicBoost, 1);
    frmSoundVista& d = open();
    rig.library.playback[0].set(Ctl::MasterVolume, 5);
    d.cmdSync.press();
    EXPECT_EQ(d.sldMaster.value(), 5);
    EXPECT_FALSE(d.chkBoost.enabled());
    main->cmbMic.setListIndex(1);
    d.cmdSync.press();
    EXPECT_TRUE(d.chkBoost.enabled());
    EXPECT_EQ(d.chkBoost.value(), 1);
    // A read that fails disables the box and leaves its tick as it was.
    rig.library.capture[1][Ctl::MicBoost].fails = true;
    d.cmdSync.press();
    EXPECT_FALSE(d.chkBoost.enabled());
    EXPECT_EQ(d.chkBoost.value(), 1);
    main->cmbLineIn.setListIndex(-1);
    d.cmdSync.press();
    EXPECT_FALSE(d.sldLine.enabled());
    EXPECT_EQ(d.sldLine.value(), 0);
    EXPECT_FALSE(d.chkNoMon.enabled());
    d.chkLinePlay.setValue(1);
    EXPECT_EQ(rig.library.calls.back(), "SetLinePlayBackMute(-1)");
    d.chkLinePlay.setValue(0);
    EXPECT_EQ(rig.library.calls.back(), "SetLinePlayBackMute(0)");
}

// Every slider takes the range of the first tone control (bass, then mid-range, then
// treble); a value between whole decibels rounds to even and is set back whole. With
// nothing open every slider is disabled on an empty range.
TEST_F(MainWindowTest, ToneTakesTheFirstRangeAndRoundsTiesToEven) {
    rig.library.playback[0].set(Ctl::Bass, -4.5).set(Ctl::Mid, -5.5).set(Ctl::Treble, 2.5);
    rig.library.playback[0][Ctl::Bass].minDb = -12.5;  // rounds to -12
    rig.library.playback[0][Ctl::Mid].minDb = -6;
    rig.library.playback[0][Ctl::Treble].maxDb = 6;
    startWithGame();
    frmVistaTone d(*main);
    d.Form_Load();
    for (controls::Slider* s : {&d.sldBass, &d.sldMid, &d.sldTreble}) {
        EXPECT_EQ(s->min(), -12);
        EXPECT_EQ(s->max(), 12);
    }
    EXPECT_EQ(d.sldBass.value(), -4);
    EXPECT_EQ(d.lblBassValue.caption(), "-4 dB");
    EXPECT_EQ(rig.library.level(Ctl::Bass), -4);
    EXPECT_EQ(rig.library.level(Ctl::Mid), -6);
    EXPECT_EQ(d.lblTrebleValue.caption(), "2 dB");
    rig.library.CloseSoundCard();
    frmVistaTone none(*main);
    none.Form_Load();
    EXPECT_EQ(none.sldBass.max(), 0);
    EXPECT_FALSE(none.sldBass.enabled());
}

}  // namespace
}  // namespace tk::test
