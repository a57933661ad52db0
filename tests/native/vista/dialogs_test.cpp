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
// one whose read fails (disabled, its tick kept), a role no longer open.
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
}

// Every change goes to the library at once; the master slider shows what the library
// made of it (0 with nothing open).
TEST_F(SoundVistaTest, SlidersAndBoxesActAtOnce) {
    frmSoundVista& d = open();
    rig.library.clearCalls();
    drag(d.sldLinePlay, 42);
    drag(d.sldMic, 55);
    drag(d.sldLine, 9);
    d.chkLinePlay.setValue(1);
    d.chkNoMon.setValue(d.chkNoMon.value() ? 0 : 1);
    EXPECT_EQ(rig.library.level(Ctl::LinePlay), 42);
    EXPECT_EQ(rig.library.level(Ctl::MicRecord), 55);
    EXPECT_EQ(rig.library.level(Ctl::LineRecord), 9);
    EXPECT_EQ(rig.library.calls[3], "SetLinePlayBackMute(-1)");
    d.chkLinePlay.setValue(0);
    EXPECT_EQ(rig.library.calls.back(), "SetLinePlayBackMute(0)");
    rig.library.CloseSoundCard();
    drag(d.sldMaster, 60);
    EXPECT_EQ(d.sldMaster.value(), 0);
}

class ToneTest : public MainWindowTest {
  protected:
    frmVistaTone& open() {
        startWithGame();
        dlg = std::make_unique<frmVistaTone>(*main);
        dlg->Form_Load();
        return *dlg;
    }
    std::unique_ptr<frmVistaTone> dlg;
};

// Every slider takes the range of the first tone control (bass, then mid-range, then
// treble); a value between whole decibels rounds to even and is set back whole.
TEST_F(ToneTest, LoadTakesTheFirstRangeRoundsTiesToEvenAndSetsTheWholeValue) {
    rig.library.playback[0].set(Ctl::Bass, -4.5).set(Ctl::Mid, -5.5).set(Ctl::Treble, 2.5);
    rig.library.playback[0][Ctl::Bass].minDb = -12.5;  // rounds to -12
    rig.library.playback[0][Ctl::Mid].minDb = -6;
    rig.library.playback[0][Ctl::Treble].maxDb = 6;
    frmVistaTone& d = open();
    for (controls::Slider* s : {&d.sldBass, &d.sldMid, &d.sldTreble}) {
        EXPECT_EQ(s->min(), -12);
        EXPECT_EQ(s->max(), 12);
    }
    EXPECT_EQ(d.sldBass.value(), -4);
    EXPECT_EQ(d.lblBassValue.caption(), "-4 dB");
    EXPECT_EQ(rig.library.level(Ctl::Bass), -4);
    EXPECT_EQ(d.sldMid.value(), -6);
    EXPECT_EQ(rig.library.level(Ctl::Mid), -6);
    EXPECT_EQ(d.lblTrebleValue.caption(), "2 dB");
}

TEST_F(ToneTest, AMissingControlOrNothingOpenIsDisabledAtZero) {
    rig.library.playback[0].without(Ctl::Mid).set(Ctl::Treble, 1);
    frmVistaTone& d = open();
    EXPECT_FALSE(d.sldMid.enabled());
    EXPECT_EQ(d.lblMidValue.caption(), "0 dB");
    EXPECT_TRUE(d.sldTreble.enabled());
    drag(d.sldTreble, 3);
    EXPECT_EQ(rig.library.level(Ctl::Treble), 3);
    EXPECT_EQ(d.lblTrebleValue.caption(), "3 dB");
    int closed = 0;
    d.onCloseRequested = [&] { ++closed; };
    d.cmdClose.press();
    EXPECT_EQ(closed, 1);
    // With nothing open every slider is disabled on an empty range.
    rig.library.CloseSoundCard();
    frmVistaTone none(*main);
    none.Form_Load();
    EXPECT_EQ(none.sldBass.min(), 0);
    EXPECT_EQ(none.sldBass.max(), 0);
    EXPECT_FALSE(none.sldBass.enabled());
    EXPECT_FALSE(none.sldTreble.enabled());
}

}  // namespace
}  // namespace tk::test
