// libFuzzer target: the endpoint level-set parser (ApplyVistaLevels) against the
// in-memory library with a full endpoint set open.
//
// A text the parser cannot read must end in LevelSetError or ConversionError, after
// the fields before the bad one were applied; anything else (another exception, a
// sanitizer report, a control set outside its range) is a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fake_library.h"
#include "modules/VistaSound.h"
#include "modules/convert.h"

namespace {

using tk::test::Ctl;
using tk::test::FakeLibrary;

FakeLibrary makeLibrary() {
    FakeLibrary lib;
    lib.addPlayback("Speakers", "11111111");
    lib.addCapture("Microphone", "22222222");
    lib.addCapture("Line In", "33333333");
    lib.OpenSoundCard("{11111111}", "{22222222}", "{33333333}");
    return lib;
}

[[noreturn]] void fail(const char* what) {
    fprintf(stderr, "level_set_fuzz: %s\n", what);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    FakeLibrary lib = makeLibrary();
    bool applied = false;
    try {
        tk::ApplyVistaLevels(lib, text);
        applied = true;
    } catch (const tk::LevelSetError&) {
    } catch (const tk::ConversionError&) {
    }

    // Whatever was applied stays within what the controls accept: percent levels
    // 0..100 (the library refuses others), flags 0/1, finite decibels.
    for (Ctl c : {Ctl::MasterVolume, Ctl::LinePlay, Ctl::MicPlay, Ctl::MicRecord, Ctl::LineRecord})
        if (!(lib.level(c) >= 0 && lib.level(c) <= 100)) fail("percent level outside 0..100");
    for (Ctl c :
         {Ctl::MasterMute, Ctl::LinePlayMute, Ctl::MicPlayMute, Ctl::MicBoost, Ctl::NoMonitor})
        if (lib.level(c) != 0 && lib.level(c) != 1) fail("flag neither 0 nor 1");
    for (Ctl c : {Ctl::Bass, Ctl::Mid, Ctl::Treble})
        if (!std::isfinite(lib.level(c))) fail("decibel value not finite");

    // A text that applied completely survives a capture/apply round trip: the capture,
    // applied to a fresh set, captures the same again.
    if (applied) {
        const std::string captured = tk::CaptureVistaLevels(lib);
        FakeLibrary again = makeLibrary();
        try {
            tk::ApplyVistaLevels(again, captured);
        } catch (const std::exception&) {
            fail("a captured level set does not apply");
        }
        std::string recaptured = tk::CaptureVistaLevels(again);
        // The line-in recording volume never goes to 0 (it is set to 1 instead), so a
        // captured 0 there comes back as 1.
        if (captured.size() >= 3 && captured.compare(captured.size() - 3, 3, ",0,") == 0 &&
            recaptured.size() >= 3 && recaptured.compare(recaptured.size() - 3, 3, ",1,") == 0)
            recaptured.replace(recaptured.size() - 2, 1, "0");
        if (recaptured != captured) fail("capture/apply round trip differs");
    }

    return 0;
}
