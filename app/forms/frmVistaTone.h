// The tone dialog ("Tone Controls"): bass, mid-range and treble of the open playback
// endpoint in whole decibels. Each slider acts on the library at once; the values
// reach the stored level set when the level dialog that opened this one closes.
// Created anew for every opening: Form_Load reads the levels afresh.
#pragma once

#include <functional>

#include "../controls/controls.h"

namespace tk {

class frmMain;

class frmVistaTone : public controls::Form {
  public:
    explicit frmVistaTone(frmMain& main);

    controls::Label lblBass{"lblBass"};
    controls::Slider sldBass{"sldBass"};
    controls::Label lblBassValue{"lblBassValue"};
    controls::Label lblMid{"lblMid"};
    controls::Slider sldMid{"sldMid"};
    controls::Label lblMidValue{"lblMidValue"};
    controls::Label lblTreble{"lblTreble"};
    controls::Slider sldTreble{"sldTreble"};
    controls::Label lblTrebleValue{"lblTrebleValue"};
    controls::Button cmdClose{"cmdClose"};

    // Called by cmdClose so the host can take the window down.
    std::function<void()> onCloseRequested;

    void Form_Load();
    // The change action of each slider: on every position notification and once at
    // load.
    void sldBass_Scroll();
    void sldMid_Scroll();
    void sldTreble_Scroll();
    void cmdClose_Click();

  private:
    frmMain& main_;
};

}  // namespace tk
