// Level, mute, switch, tone and second-endpoint exports over the kept controls.
//
// Status values: 0 done, 1 control not found on the open set, 2 system call failed,
// 3 no endpoint set open (tested before 1). Each call queries the control's range anew;
// nothing but the interfaces is cached.
#include <cfloat>
#include <cmath>

#include "level_math.h"
#include "library.h"

namespace havro {
namespace {

void Put(int32_t* out, int32_t value) {
    if (out != nullptr) *out = value;
}

int32_t StatusOf(HResult hr) {
    return Succeeded(hr) ? 0 : 2;
}

}  // namespace

bool Library::CheckOpen(const void* control, int32_t* status) const {
    if (!openMark_) {
        Put(status, 3);
        return false;
    }
    if (control == nullptr) {
        Put(status, 1);
        return false;
    }
    return true;
}

// ---- Endpoint volumes ------------------------------------------------------------------

// Same level on every channel. An endpoint volume without per-channel levels (the count or
// a channel call answers E_NOTIMPL, as Wine's does) is driven through its master level; a
// channel count of 0 sets nothing and is a failure. Returns the percent as given.
int32_t Library::SetEndpointChannels(EndpointVolume& volume, int32_t percent, int32_t* status) {
    float minDb = 0, maxDb = 0, stepDb = 0;
    if (Failed(volume.GetVolumeRange(&minDb, &maxDb, &stepDb))) {
        Put(status, 2);
        return percent;
    }
    const float db = PercentToDb(percent, minDb, maxDb);
    uint32_t channels = 0;
    HResult hr = volume.GetChannelCount(&channels);
    if (hr == kENotImpl) {
        Put(status, StatusOf(volume.SetMasterVolumeLevel(db)));
        return percent;
    }
    if (Failed(hr) || channels == 0) {
        Put(status, 2);
        return percent;
    }
    for (uint32_t ch = 0; ch < channels; ++ch) {
        hr = volume.SetChannelVolumeLevel(ch, db);
        if (hr == kENotImpl) {
            hr = volume.SetMasterVolumeLevel(db);
            break;
        }
    }
    Put(status, StatusOf(hr));
    return percent;
}

int32_t Library::GetEndpointChannel0(EndpointVolume& volume, int32_t* status) {
    float minDb = 0, maxDb = 0, stepDb = 0;
    float current = 0;
    if (Failed(volume.GetVolumeRange(&minDb, &maxDb, &stepDb))) {
        Put(status, 2);
        return 0;
    }
    HResult hr = volume.GetChannelVolumeLevel(0, &current);
    if (hr == kENotImpl) hr = volume.GetMasterVolumeLevel(&current);
    if (Failed(hr)) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return DbToPercent(current, maxDb);
}

// The recording volumes go through the master level. zeroIsOne: 0 means max - 40 dB
// (the line-in's floor) instead of the range minimum.
int32_t Library::SetEndpointMaster(const VolumeSlot& slot, int32_t percent, bool zeroIsOne,
                                   int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    float minDb = 0, maxDb = 0, stepDb = 0;
    if (Failed(slot.control->GetVolumeRange(&minDb, &maxDb, &stepDb))) {
        Put(status, 2);
        return percent;
    }
    const int32_t effective = (zeroIsOne && percent <= 0) ? 1 : percent;
    Put(status, StatusOf(slot.control->SetMasterVolumeLevel(PercentToDb(effective, minDb, maxDb))));
    return percent;
}

int32_t Library::GetEndpointMaster(const VolumeSlot& slot, int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    float minDb = 0, maxDb = 0, stepDb = 0;
    float current = 0;
    if (Failed(slot.control->GetVolumeRange(&minDb, &maxDb, &stepDb)) ||
        Failed(slot.control->GetMasterVolumeLevel(&current))) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return DbToPercent(current, maxDb);
}

int32_t Library::SetMasterVolume(int32_t percent, int32_t* status) {
    if (!CheckOpen(playbackVolume_.control.get(), status)) return 0;
    return SetEndpointChannels(*playbackVolume_.control, percent, status);
}

int32_t Library::GetMasterVolume(int32_t* status) {
    if (!CheckOpen(playbackVolume_.control.get(), status)) return 0;
    return GetEndpointChannel0(*playbackVolume_.control, status);
}

int32_t Library::SetMicRecordVolume(int32_t percent, int32_t* status) {
    return SetEndpointMaster(microphoneVolume_, percent, /*zeroIsOne=*/false, status);
}

int32_t Library::GetMicRecordVolume(int32_t* status) {
    return GetEndpointMaster(microphoneVolume_, status);
}

int32_t Library::SetLineRecordVolume(int32_t percent, int32_t* status) {
    return SetEndpointMaster(lineInVolume_, percent, /*zeroIsOne=*/true, status);
}

int32_t Library::GetLineRecordVolume(int32_t* status) {
    return GetEndpointMaster(lineInVolume_, status);
}

// ---- Level controls in the playback mix ------------------------------------------------

int32_t Library::SetLevelPercent(const LevelSlot& slot, int32_t percent, bool invalidFunctionIsOk,
                                 int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    LevelControl& control = *slot.control;
    float minDb = 0, maxDb = 0, stepDb = 0;
    uint32_t channels = 0;
    if (Failed(control.GetLevelRange(0, &minDb, &maxDb, &stepDb)) ||
        Failed(control.GetChannelCount(&channels)) || channels == 0) {
        Put(status, 2);
        return 0;
    }
    const float db = PercentToDb(percent, minDb, maxDb);
    HResult hr = kSOk;
    for (uint32_t ch = 0; ch < channels; ++ch) hr = control.SetLevel(ch, db);
    if (invalidFunctionIsOk && hr == kEInvalidFunction) hr = kSOk;
    const int32_t s = StatusOf(hr);
    Put(status, s);
    return s == 0 ? percent : 0;
}

int32_t Library::GetLevelPercent(const LevelSlot& slot, int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    float minDb = 0, maxDb = 0, stepDb = 0;
    float current = 0;
    if (Failed(slot.control->GetLevelRange(0, &minDb, &maxDb, &stepDb)) ||
        Failed(slot.control->GetLevel(0, &current))) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return DbToPercent(current, maxDb);
}

int32_t Library::SetLinePlayBack(int32_t percent, int32_t* status) {
    return SetLevelPercent(linePlayLevel_, percent, /*invalidFunctionIsOk=*/false, status);
}

int32_t Library::GetLinePlayBack(int32_t* status) {
    return GetLevelPercent(linePlayLevel_, status);
}

// Some microphone playback controls answer ERROR_INVALID_FUNCTION although they took the
// level; that is success.
int32_t Library::SetMicPlayBack(int32_t percent, int32_t* status) {
    return SetLevelPercent(micPlayLevel_, percent, /*invalidFunctionIsOk=*/true, status);
}

int32_t Library::GetMicPlayBack(int32_t* status) {
    return GetLevelPercent(micPlayLevel_, status);
}

// ---- Mutes and switches ----------------------------------------------------------------

int32_t Library::SetMuteFlag(const MuteSlot& slot, bool mute, bool invalidFunctionIsOk,
                             int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    HResult hr = slot.control->SetMute(mute);
    if (invalidFunctionIsOk && hr == kEInvalidFunction) hr = kSOk;
    Put(status, StatusOf(hr));
    return 0;
}

int32_t Library::GetMuteFlag(const MuteSlot& slot, int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    bool muted = false;
    if (Failed(slot.control->GetMute(&muted))) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return muted ? 1 : 0;
}

int32_t Library::SetSwitchFlag(const SwitchSlot& slot, bool enabled, int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    Put(status, StatusOf(slot.control->SetEnabled(enabled)));
    return 0;
}

int32_t Library::GetSwitchFlag(const SwitchSlot& slot, int32_t* status) {
    if (!CheckOpen(slot.control.get(), status)) return 0;
    bool enabled = false;
    if (Failed(slot.control->GetEnabled(&enabled))) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return enabled ? 1 : 0;
}

// Only the low 8 bits of the flag count (256 unmutes), and a failure reports the system's
// own code as the status.
int32_t Library::SetMasterMute(int32_t flag, int32_t* status) {
    if (!CheckOpen(playbackVolume_.control.get(), status)) return 0;
    const HResult hr = playbackVolume_.control->SetMute((flag & 0xFF) != 0);
    Put(status, Succeeded(hr) ? 0 : hr);
    return 0;
}

int32_t Library::GetMasterMute(int32_t* status) {
    if (!CheckOpen(playbackVolume_.control.get(), status)) return 0;
    bool muted = false;
    if (Failed(playbackVolume_.control->GetMute(&muted))) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return muted ? 1 : 0;
}

int32_t Library::SetLinePlayBackMute(int32_t flag, int32_t* status) {
    return SetMuteFlag(linePlayMute_, flag != 0, /*invalidFunctionIsOk=*/false, status);
}

int32_t Library::GetLinePlayBackMute(int32_t* status) {
    return GetMuteFlag(linePlayMute_, status);
}

int32_t Library::SetMicPlayBackMute(int32_t flag, int32_t* status) {
    return SetMuteFlag(micPlayMute_, flag != 0, /*invalidFunctionIsOk=*/true, status);
}

int32_t Library::GetMicPlayBackMute(int32_t* status) {
    return GetMuteFlag(micPlayMute_, status);
}

int32_t Library::SetMicBoost(int32_t flag, int32_t* status) {
    return SetSwitchFlag(micBoost_, flag != 0, status);
}

int32_t Library::GetMicBoost(int32_t* status) {
    return GetSwitchFlag(micBoost_, status);
}

int32_t Library::SetNoMonitor(int32_t flag, int32_t* status) {
    return SetSwitchFlag(noMonitor_, flag != 0, status);
}

int32_t Library::GetNoMonitor(int32_t* status) {
    return GetSwitchFlag(noMonitor_, status);
}

// ---- Tone ------------------------------------------------------------------------------

int32_t Library::GetEQRange(double* minDb, double* maxDb, double* stepDb) {
    if (minDb != nullptr) *minDb = 0;
    if (maxDb != nullptr) *maxDb = 0;
    if (stepDb != nullptr) *stepDb = 0;
    if (!openMark_) return 3;
    LevelControl* control = bass_.control       ? bass_.control.get()
                            : midrange_.control ? midrange_.control.get()
                                                : treble_.control.get();
    if (control == nullptr) return 1;
    float mn = 0, mx = 0, st = 0;
    if (Failed(control->GetLevelRange(0, &mn, &mx, &st))) return 2;
    if (minDb != nullptr) *minDb = mn;
    if (maxDb != nullptr) *maxDb = mx;
    if (stepDb != nullptr) *stepDb = st;
    return 0;
}

// The value goes to every channel as given (no clamping to the range, no rounding to the
// step). A value that has no float form (NaN, infinite, beyond float range) is refused.
int32_t Library::SetTone(const LevelSlot& slot, double db) {
    int32_t status = 0;
    if (!CheckOpen(slot.control.get(), &status)) return status;
    if (!std::isfinite(db) || std::fabs(db) > FLT_MAX) return 2;
    uint32_t channels = 0;
    if (Failed(slot.control->GetChannelCount(&channels)) || channels == 0) return 2;
    HResult hr = kSOk;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        hr = slot.control->SetLevel(ch, static_cast<float>(db));
    }
    return StatusOf(hr);
}

int32_t Library::GetTone(const LevelSlot& slot, double* db) {
    if (db != nullptr) *db = 0;
    int32_t status = 0;
    if (!CheckOpen(slot.control.get(), &status)) return status;
    float level = 0;
    if (Failed(slot.control->GetLevel(0, &level))) return 2;
    if (db != nullptr) *db = level;
    return 0;
}

int32_t Library::SetBass(double db, int32_t* status) {
    const int32_t s = SetTone(bass_, db);
    Put(status, s);
    return s == 0 ? 0 : 1;
}

int32_t Library::GetBass(double* db, int32_t* status) {
    const int32_t s = GetTone(bass_, db);
    Put(status, s);
    return s == 0 ? 0 : 1;
}

// The mid-range pair has always answered 1; callers look at the status.
int32_t Library::SetMidRange(double db, int32_t* status) {
    Put(status, SetTone(midrange_, db));
    return 1;
}

int32_t Library::GetMidRange(double* db, int32_t* status) {
    Put(status, GetTone(midrange_, db));
    return 1;
}

int32_t Library::SetTreble(double db, int32_t* status) {
    const int32_t s = SetTone(treble_, db);
    Put(status, s);
    return s == 0 ? 0 : 1;
}

int32_t Library::GetTreble(double* db, int32_t* status) {
    const int32_t s = GetTone(treble_, db);
    Put(status, s);
    return s == 0 ? 0 : 1;
}

// ---- Second playback endpoint ----------------------------------------------------------

int32_t Library::SetVirtualVolume(int32_t percent, int32_t* status) {
    if (!secondVolume_) {
        Put(status, 1);
        return 0;
    }
    return SetEndpointChannels(*secondVolume_, percent, status);
}

int32_t Library::GetVirtualVolume(int32_t* status) {
    if (!secondVolume_) {
        Put(status, 1);
        return 0;
    }
    return GetEndpointChannel0(*secondVolume_, status);
}

// Any nonzero flag mutes; a failed call is reported as 1 like a missing endpoint.
int32_t Library::SetVirtualMute(int32_t flag, int32_t* status) {
    if (!secondVolume_) {
        Put(status, 1);
        return 0;
    }
    Put(status, Succeeded(secondVolume_->SetMute(flag != 0)) ? 0 : 1);
    return 0;
}

int32_t Library::GetVirtualMute(int32_t* status) {
    if (!secondVolume_) {
        Put(status, 1);
        return 0;
    }
    bool muted = false;
    if (Failed(secondVolume_->GetMute(&muted))) {
        Put(status, 2);
        return 0;
    }
    Put(status, 0);
    return muted ? 1 : 0;
}

}  // namespace havro
