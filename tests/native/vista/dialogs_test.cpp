// The endpoint level dialog and the tone dialog. (The Wine topology test moves every
// slider and box of the real dialogs.)
#include "forms/frmSoundVista.h"
#include "forms/frmVistaTone.h"
#include "main_window_fixture.h"

namespace tk::test {
namespace {

// The dialog shows the open levels and disables a level and its caption that cannot be
// read. Sync reads every control again: a switch that can now be read shows its state,
// one whose read fails is disabled and keeps its tick. A box writes -1 for a tick.
TEST_F(MainWindowTest, TheLevelDialogShowsWhatCanBeReadAndSyncReadsAgain) {
    rig.library.playback[0].controls.erase("MicPlayBack");
    rig.library.capture[0]["MicRecordVolume"] = 77;
    rig.library.capture[0].controls.erase("MicBoost");
    rig.library.capture[1]["MicBoost"] = -1;
    startWithGame();
    frmSoundVista d(*main);
    d.Form_Load();
    EXPECT_EQ(d.sldMic.value(), 77);
    EXPECT_FALSE(d.sldMicPlay.enabled());
    EXPECT_FALSE(d.lblMicPlay.enabled());
    EXPECT_FALSE(d.chkBoost.enabled());
    main->cmbMic.setListIndex(1);
    d.cmdSync.press();
    EXPECT_TRUE(d.chkBoost.enabled());
    EXPECT_EQ(d.chkBoost.value(), 1);
    rig.library.failOn = {"MicBoost"};
    d.cmdSync.press();
    EXPECT_FALSE(d.chkBoost.enabled());
    EXPECT_EQ(d.chkBoost.value(), 1);
    d.chkLinePlay.setValue(1);
    EXPECT_EQ(rig.library.level("LinePlayBackMute"), -1);
}

// The sliders take the library's tone range in whole decibels, ties to even; a value
// between whole decibels shows rounded the same way and is set back whole.
TEST_F(MainWindowTest, ToneRoundsTheRangeAndTheValuesTiesToEven) {
    rig.library.eqRange = {-12.5, 12, 1};
    rig.library.playback[0]["Bass"] = -4.5;
    startWithGame();
    frmVistaTone d(*main);
    d.Form_Load();
    EXPECT_EQ(d.sldTreble.min(), -12);
    EXPECT_EQ(d.sldTreble.max(), 12);
    EXPECT_EQ(d.sldBass.value(), -4);
    EXPECT_EQ(d.lblBassValue.caption(), "-4 dB");
    EXPECT_EQ(rig.library.level("Bass"), -4);
}

}  // namespace
}  // namespace tk::test
