#include "fake_audio_system.h"  // a unit for the header-only fake
