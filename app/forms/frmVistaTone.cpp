#include "frmVistaTone.h"

#include <cmath>
#include <string>

#include "../modules/convert.h"
#include "frmMain.h"

namespace tk {

namespace {

// Whole decibels, ties to even. A library value beyond any real tone range is held
// to the slider's reach instead of failing.
int wholeDecibels(double db) {
    if (!std::isfinite(db)) return 0;
    if (db > 10000) db = 10000;
    if (db < -10000) db = -10000;
    return roundHalfEven(db);
}

void designSlider(controls::Slider& slider, const char* toolTip) {
    slider.orientation = controls::Orientation::Horizontal;
    slider.setRange(0, 10);
    slider.smallChange = 1;
    slider.largeChange = 1;
    slider.tickFrequency = 1;
    slider.setToolTip(toolTip);
}

}  // namespace

frmVistaTone::frmVistaTone(frmMain& main) : controls::Form("frmVistaTone"), main_(main) {
    setCaption("Tone Controls");
    lblBass.setCaption("Bass : ");
    designSlider(sldBass, " Adjust Bass Response ");
    lblMid.setCaption("Mid Range : ");
    designSlider(sldMid, " Adjust Midrange Response ");
    lblTreble.setCaption("Treble : ");
    designSlider(sldTreble, " Adjust Treble Response ");
    cmdClose.setCaption("Close");

    sldBass.onScroll = [this] { sldBass_Scroll(); };
    sldMid.onScroll = [this] { sldMid_Scroll(); };
    sldTreble.onScroll = [this] { sldTreble_Scroll(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
}

void frmVistaTone::Form_Load() {
    HavroLibrary& library = main_.services().library;
    double minDb = 0, maxDb = 0, stepDb = 0;
    library.GetEQRange(minDb, maxDb, stepDb);
    // All three sliders share the range of the first tone control the library finds.
    const int low = wholeDecibels(minDb), high = wholeDecibels(maxDb);
    for (controls::Slider* s : {&sldBass, &sldMid, &sldTreble}) s->setRange(low, high);

    struct Row {
        int32_t (HavroLibrary::*get)(double&, int32_t&);
        controls::Slider& slider;
        controls::Label& label;
        controls::Label& value;
        void (frmVistaTone::*change)();
    };
    const Row rows[] = {
        {&HavroLibrary::GetBass, sldBass, lblBass, lblBassValue, &frmVistaTone::sldBass_Scroll},
        {&HavroLibrary::GetMidRange, sldMid, lblMid, lblMidValue, &frmVistaTone::sldMid_Scroll},
        {&HavroLibrary::GetTreble, sldTreble, lblTreble, lblTrebleValue,
         &frmVistaTone::sldTreble_Scroll},
    };
    for (const Row& row : rows) {
        double db = 0;
        int32_t status = 0;
        (library.*row.get)(db, status);
        row.slider.setValue(wholeDecibels(db));
        (this->*row.change)();
        const bool present = status == 0;
        row.slider.setEnabled(present);
        row.label.setEnabled(present);
        row.value.setEnabled(present);
    }
}

void frmVistaTone::sldBass_Scroll() {
    int32_t status = 0;
    main_.services().library.SetBass(sldBass.value(), status);
    lblBassValue.setCaption(std::to_string(sldBass.value()) + " dB");
}

void frmVistaTone::sldMid_Scroll() {
    int32_t status = 0;
    main_.services().library.SetMidRange(sldMid.value(), status);
    lblMidValue.setCaption(std::to_string(sldMid.value()) + " dB");
}

void frmVistaTone::sldTreble_Scroll() {
    int32_t status = 0;
    main_.services().library.SetTreble(sldTreble.value(), status);
    lblTrebleValue.setCaption(std::to_string(sldTreble.value()) + " dB");
}

void frmVistaTone::cmdClose_Click() {
    if (onCloseRequested) onCloseRequested();
}

}  // namespace tk
