// libFuzzer target: the endpoint level set applied to the in-memory library with a full
// endpoint set open. A text the parser cannot read must end in LevelSetError or
// ConversionError (any other exception or a sanitizer report is a crash); a text applied
// completely must survive the round trip: its capture, applied to a fresh set, captures the
// same again.
#include <cstdio>
#include <cstdlib>

#include "fake_library.h"
#include "modules/VistaSound.h"
#include "modules/convert.h"

// The line-in recording volume starts at 1, as the library never sets it to 0.
struct OpenSet : tk::test::FakeLibrary {
    OpenSet() {
        addPlayback("Speakers", "1");
        addCapture("Microphone", "2");
        addCapture("Line In", "3")["LineRecordVolume"] = 1;
        OpenSoundCard("{1}", "{2}", "{3}");
    }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OpenSet lib, again;
    try {
        tk::ApplyVistaLevels(lib, std::string(reinterpret_cast<const char*>(data), size));
    } catch (const tk::LevelSetError&) {
        return 0;
    } catch (const tk::ConversionError&) {
        return 0;
    }
    const std::string captured = tk::CaptureVistaLevels(lib);
    tk::ApplyVistaLevels(again, captured);  // throwing here is a crash too
    if (tk::CaptureVistaLevels(again) == captured) return 0;
    std::fprintf(stderr, "level_set_fuzz: capture/apply round trip differs\n");
    std::abort();
}
