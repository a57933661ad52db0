// Mixer discovery: finds, on the current mixer device, the control that carries each
// of the legacy dialog's roles and records where it sits and what it held in
// Publics::MixerControls (indices in publics.h).
//
// Every search moves the mixer's current position; callers select the device
// (CurrentMixer) beforehand. A role the device lacks becomes a not-found entry
// (-1 coordinates and value), the boost and monitor entries value 2 instead. Errors
// the mixer raises (MixerError) are not caught here: they reach the caller, and the
// entries filled before the error keep their new contents.
#pragma once

#include <cstdint>

#include "../platform/mixer.h"
#include "publics.h"

namespace tk {

// Fills entries 0 to 13. On the endpoint path (publics.OSMajor >= 6) runs
// SetUpVistaSoundControls instead.
void SetUpSoundControls(Mixer& mixer, Publics& publics);

// Scans every control of every line of the current destination: the last control
// whose upper-cased name holds "VOL" goes to entry 7, the last holding "MUT" to
// entry 6, with the raw value. No other entry is touched.
void SetUpVistaSoundControls(Mixer& mixer, Publics& publics);

// The entry for the control at (line, destination, control) — made current by the
// caller — with its value: a volume (type 133) as percent (device value / 655.35),
// anything else as the device value. A line of -1 gives the not-found entry.
MixerControlEntry ReadMixerControl(Mixer& mixer, int16_t line, int16_t destination,
                                   int16_t control);

// The not-found entry: -1 in every coordinate and in value.
MixerControlEntry NotFoundEntry();

}  // namespace tk
