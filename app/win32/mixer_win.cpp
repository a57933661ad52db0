#include "mixer_win.h"

#include <algorithm>
#include <climits>

#include "win_util.h"

namespace tk::win {

using namespace mixercode;

namespace {

constexpr wchar_t kNotifyClass[] = L"HavroTonekeepMixerNotify";
constexpr UINT_PTR kNotifyTimer = 1;
// Notifications that arrive within this time of each other are raised once.
constexpr UINT kCoalesceMs = 60;
constexpr int kRecordSubCode = kSubRecording;
constexpr int kPlaySubCode = kSubPlayback;

[[noreturn]] void fail(const char* what, MMRESULT code) {
    throw MixerError(std::string(what) + " failed (" + std::to_string(code) + ")");
}

void check(MMRESULT r, const char* what) {
    if (r != MMSYSERR_NOERROR) fail(what, r);
}

DWORD controlClass(DWORD type) {
    return type & MIXERCONTROL_CT_CLASS_MASK;
}
DWORD controlUnits(DWORD type) {
    return type & MIXERCONTROL_CT_UNITS_MASK;
}

int32_t clampToInt32(DWORD v) {
    return v > static_cast<DWORD>(INT32_MAX) ? INT32_MAX : v;
}

// The details block of one control's values or item texts, `itemSize` bytes each.
MIXERCONTROLDETAILS controlDetails(const MIXERCONTROLW& info, int channels, int items,
                                   DWORD itemSize, void* data) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = info.dwControlID;
    details.cChannels = static_cast<DWORD>(channels);
    details.cMultipleItems = static_cast<DWORD>(items);
    details.cbDetails = itemSize;
    details.paDetails = data;
    return details;
}

bool isRecordingDestination(DWORD componentType) {
    return componentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN ||
           componentType == MIXERLINE_COMPONENTTYPE_DST_VOICEIN;
}

}  // namespace

// --- codes ------------------------------------------------------------------------

int16_t WinmmMixer::typeCode(DWORD controlType) {
    switch (controlType) {
        case MIXERCONTROL_CONTROLTYPE_VOLUME:
            return kTypeVolume;
        case MIXERCONTROL_CONTROLTYPE_MUTE:
            return kTypeMute;
        case MIXERCONTROL_CONTROLTYPE_ONOFF:
            return kTypeOnOff;
        default:
            return controlClass(controlType) == MIXERCONTROL_CT_CLASS_SWITCH ? kTypeOtherSwitch : 0;
    }
}

int16_t WinmmMixer::lineCode(DWORD componentType, bool destinationLine) {
    if (destinationLine) return kLineMaster;
    switch (componentType) {
        case MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT:
            return kLineWave;
        case MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE:
            return kLineMicrophone;
        case MIXERLINE_COMPONENTTYPE_SRC_LINE:
            return kLineLineIn;
        default:
            if (componentType >= MIXERLINE_COMPONENTTYPE_SRC_FIRST &&
                componentType <= MIXERLINE_COMPONENTTYPE_SRC_LAST)
                return static_cast<int16_t>(40 + componentType - MIXERLINE_COMPONENTTYPE_SRC_FIRST);
            return 0;
    }
}

int16_t WinmmMixer::destinationCode(DWORD componentType) {
    if (componentType > MIXERLINE_COMPONENTTYPE_DST_LAST) return 0;
    return static_cast<int16_t>(componentType - MIXERLINE_COMPONENTTYPE_DST_FIRST + 1);
}

int16_t WinmmMixer::destinationSubCode(DWORD componentType) {
    return isRecordingDestination(componentType) ? kRecordSubCode : kPlaySubCode;
}

// --- the notification window --------------------------------------------------------

LRESULT CALLBACK WinmmMixer::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return TRUE;
    }
    if (msg == MM_MIXM_CONTROL_CHANGE || msg == MM_MIXM_LINE_CHANGE) {
        // Only handles this object opened post here; one reopened since still counts,
        // as its notification may answer a write the program made.
        SetTimer(hwnd, kNotifyTimer, kCoalesceMs, nullptr);
        return 0;
    }
    if (msg == WM_TIMER && wp == kNotifyTimer) {
        KillTimer(hwnd, kNotifyTimer);
        auto* self = reinterpret_cast<WinmmMixer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && self->controlChanged) {
            try {
                self->controlChanged();
            } catch (...) {
                // Nothing may unwind through the window procedure.
            }
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

WinmmMixer::WinmmMixer() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WinmmMixer::windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kNotifyClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    window_ =
        CreateWindowExW(0, kNotifyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

WinmmMixer::~WinmmMixer() {
    close();
    if (window_) {
        KillTimer(window_, kNotifyTimer);
        DestroyWindow(window_);
    }
}

// --- device and layout -----------------------------------------------------------------

void WinmmMixer::close() {
    if (handle_) mixerClose(handle_);
    handle_ = nullptr;
    destinations_.clear();
    pending_.clear();
}

void WinmmMixer::open(int device) {
    if (device < 0 || device >= static_cast<int>(mixerGetNumDevs()))
        throw MixerError("No such mixer device");
    if (!handle_ || device != device_) {
        close();
        HMIXER h = nullptr;
        const DWORD_PTR callback = reinterpret_cast<DWORD_PTR>(window_);
        MMRESULT r =
            mixerOpen(&h, static_cast<UINT>(device), callback, 0, window_ ? CALLBACK_WINDOW : 0);
        check(r, "mixerOpen");
        handle_ = h;
        device_ = device;
    }
    // The layout is read again on every selection: a device may have changed since.
    try {
        loadLayout();
    } catch (...) {
        close();
        throw;
    }
    moveTo(0, 0, 0);
}

void WinmmMixer::ensureOpen() {
    if (!handle_) open(device_);
}

void WinmmMixer::loadLayout() {
    MIXERCAPSW caps{};
    check(mixerGetDevCapsW(static_cast<UINT_PTR>(device_), &caps, sizeof caps), "mixerGetDevCaps");
    deviceName_ = narrow(caps.szPname);
    destinations_.clear();

    auto loadControls = [&](Line& line) {
        const DWORD n = line.info.cControls;
        if (n == 0) return;
        std::vector<MIXERCONTROLW> raw(n);
        for (auto& c : raw) c.cbStruct = sizeof c;
        MIXERLINECONTROLSW query{};
        query.cbStruct = sizeof query;
        query.dwLineID = line.info.dwLineID;
        query.cControls = n;
        query.cbmxctrl = sizeof(MIXERCONTROLW);
        query.pamxctrl = raw.data();
        // A line whose controls cannot be read keeps none.
        if (mixerGetLineControlsW(object(), &query,
                                  MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) !=
            MMSYSERR_NOERROR)
            return;
        for (const MIXERCONTROLW& info : raw) {
            Control c;
            c.info = info;
            c.type = typeCode(info.dwControlType);
            const DWORD cls = controlClass(info.dwControlType);
            const DWORD units = controlUnits(info.dwControlType);
            const bool multiple = (info.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
            c.items = multiple ? static_cast<int>(info.cMultipleItems) : 0;
            const bool uniform = (info.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0;
            c.channels = (uniform || multiple) ? 1 : std::max<int>(1, line.info.cChannels);
            switch (units) {
                case MIXERCONTROL_CT_UNITS_BOOLEAN:
                    c.minimum = 0;
                    c.maximum = 1;
                    break;
                case MIXERCONTROL_CT_UNITS_SIGNED:
                case MIXERCONTROL_CT_UNITS_DECIBELS:
                    c.minimum = info.Bounds.lMinimum;
                    c.maximum = info.Bounds.lMaximum;
                    break;
                case MIXERCONTROL_CT_UNITS_UNSIGNED:
                case MIXERCONTROL_CT_UNITS_PERCENT:
                    c.minimum = clampToInt32(info.Bounds.dwMinimum);
                    c.maximum = clampToInt32(info.Bounds.dwMaximum);
                    break;
                default:
                    break;
            }
            const bool knownUnits =
                units >= MIXERCONTROL_CT_UNITS_BOOLEAN && units <= MIXERCONTROL_CT_UNITS_PERCENT;
            const bool settableClass =
                cls == MIXERCONTROL_CT_CLASS_SWITCH || cls == MIXERCONTROL_CT_CLASS_NUMBER ||
                cls == MIXERCONTROL_CT_CLASS_SLIDER || cls == MIXERCONTROL_CT_CLASS_FADER ||
                cls == MIXERCONTROL_CT_CLASS_LIST;
            c.settable = knownUnits && settableClass && c.minimum <= c.maximum &&
                         !(info.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) &&
                         (!multiple || c.items > 0);
            line.controls.push_back(std::move(c));
        }
    };

    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        Line self;
        self.info.cbStruct = sizeof self.info;
        self.info.dwDestination = d;
        check(mixerGetLineInfoW(object(), &self.info,
                                MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION),
              "mixerGetLineInfo");
        self.code = lineCode(self.info.dwComponentType, true);
        loadControls(self);

        Destination dest;
        dest.code = destinationCode(self.info.dwComponentType);
        dest.subCode = destinationSubCode(self.info.dwComponentType);
        for (DWORD s = 0; s < self.info.cConnections; ++s) {
            Line source;
            source.info.cbStruct = sizeof source.info;
            source.info.dwDestination = d;
            source.info.dwSource = s;
            if (mixerGetLineInfoW(object(), &source.info,
                                  MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) !=
                MMSYSERR_NOERROR)
                continue;
            source.code = lineCode(source.info.dwComponentType, false);
            loadControls(source);
            dest.lines.push_back(std::move(source));
        }
        dest.lines.push_back(std::move(self));

        // Which source line each item of a selector on the destination line stands for.
        for (Control& c : dest.self().controls) {
            if (controlClass(c.info.dwControlType) != MIXERCONTROL_CT_CLASS_LIST || c.items <= 0)
                continue;
            std::vector<MIXERCONTROLDETAILS_LISTTEXTW> texts(c.items);
            MIXERCONTROLDETAILS details = controlDetails(
                c.info, 1, c.items, sizeof(MIXERCONTROLDETAILS_LISTTEXTW), texts.data());
            if (mixerGetControlDetailsW(object(), &details,
                                        MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) !=
                MMSYSERR_NOERROR)
                continue;
            for (const auto& t : texts) {
                int16_t code = lineCode(t.dwParam2, false);
                for (std::size_t i = 0; i + 1 < dest.lines.size(); ++i)
                    if (dest.lines[i].info.dwLineID == t.dwParam1) code = dest.lines[i].code;
                c.itemLineCodes.push_back(code);
            }
        }
        destinations_.push_back(std::move(dest));
    }
}

// --- positions ------------------------------------------------------------------------

void WinmmMixer::moveTo(int destination, int line, int control) {
    destination_ = destination;
    line_ = line;
    control_ = control;
    pending_.clear();
}

WinmmMixer::Destination& WinmmMixer::destination() {
    ensureOpen();
    if (destination_ < 0 || destination_ >= static_cast<int>(destinations_.size()))
        throw MixerError("The mixer device has no destination");
    return destinations_[destination_];
}

WinmmMixer::Line& WinmmMixer::line() {
    Destination& d = destination();
    if (line_ < 0 || line_ >= static_cast<int>(d.lines.size()))
        throw MixerError("No such mixer line");
    return d.lines[line_];
}

WinmmMixer::Control* WinmmMixer::currentControlOrNull() {
    Line& l = line();
    if (control_ < 0 || control_ >= static_cast<int>(l.controls.size())) return nullptr;
    return &l.controls[control_];
}

WinmmMixer::Control& WinmmMixer::requireControl() {
    Control* c = currentControlOrNull();
    if (!c) throw MixerError("The mixer line has no control");
    return *c;
}

int WinmmMixer::mixerCount() {
    return static_cast<int>(mixerGetNumDevs());
}

int16_t WinmmMixer::currentMixer() {
    return static_cast<int16_t>(device_);
}

void WinmmMixer::setCurrentMixer(int16_t device) {
    open(device);
}

std::string WinmmMixer::mixerName() {
    ensureOpen();
    return deviceName_;
}

int WinmmMixer::lineCount() {
    ensureOpen();
    if (destinations_.empty()) return 0;
    return static_cast<int>(destination().lines.size());
}

int16_t WinmmMixer::currentLine() {
    return static_cast<int16_t>(line_);
}

void WinmmMixer::setCurrentLine(int16_t line) {
    Destination& d = destination();
    if (line < 0 || line >= static_cast<int>(d.lines.size()))
        throw MixerError("No such mixer line");
    moveTo(destination_, line, 0);
}

int WinmmMixer::controlCount() {
    ensureOpen();
    if (destinations_.empty()) return 0;
    return static_cast<int>(line().controls.size());
}

int16_t WinmmMixer::currentControl() {
    return static_cast<int16_t>(control_);
}

void WinmmMixer::setCurrentControl(int16_t control) {
    Line& l = line();
    if (control < 0 || control >= static_cast<int>(l.controls.size()))
        throw MixerError("No such mixer control");
    moveTo(destination_, line_, control);
}

int16_t WinmmMixer::currentDestination() {
    return static_cast<int16_t>(destination_);
}

void WinmmMixer::setCurrentDestination(int16_t destination) {
    ensureOpen();
    if (destination < 0 || destination >= static_cast<int>(destinations_.size()))
        throw MixerError("No such mixer destination");
    moveTo(destination, 0, 0);
}

std::string WinmmMixer::controlName() {
    Control* c = currentControlOrNull();
    return c ? narrow(c->info.szName) : std::string();
}

MixerControlInfo WinmmMixer::getControlInfo() {
    MixerControlInfo info;
    Control* c = currentControlOrNull();
    if (!c) return info;
    info.type = c->type;
    info.channels = static_cast<int16_t>(c->channels);
    info.items = static_cast<int16_t>(c->items);
    info.minimum = c->minimum;
    info.maximum = c->maximum;
    return info;
}

MixerLineInfo WinmmMixer::getLineInfo() {
    Line& l = line();
    MixerLineInfo info;
    info.lineCode = l.code;
    info.channels = static_cast<int16_t>(l.info.cChannels);
    info.connections = static_cast<int16_t>(l.info.cConnections);
    info.controls = static_cast<int16_t>(l.controls.size());
    return info;
}

MixerDestinationInfo WinmmMixer::getDestinationInfo() {
    Destination& d = destination();
    MixerDestinationInfo info;
    info.code = d.code;
    info.subCode = d.subCode;
    info.channels = static_cast<int16_t>(d.self().info.cChannels);
    info.lines = static_cast<int16_t>(d.lines.size());
    return info;
}

// --- values ---------------------------------------------------------------------------

std::vector<int32_t> WinmmMixer::readValues(const Control& c) {
    const DWORD units = controlUnits(c.info.dwControlType);
    if (units < MIXERCONTROL_CT_UNITS_BOOLEAN || units > MIXERCONTROL_CT_UNITS_PERCENT)
        throw MixerError("The mixer control has no readable value");
    const std::size_t count = c.valueCount();
    std::vector<DWORD> raw(count);
    MIXERCONTROLDETAILS details =
        controlDetails(c.info, c.channels, c.items, sizeof(DWORD), raw.data());
    check(mixerGetControlDetailsW(object(), &details,
                                  MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE),
          "mixerGetControlDetails");
    std::vector<int32_t> values(count);
    const bool isSigned =
        units == MIXERCONTROL_CT_UNITS_SIGNED || units == MIXERCONTROL_CT_UNITS_DECIBELS;
    for (std::size_t i = 0; i < count; ++i)
        values[i] =
            isSigned ? static_cast<int32_t>(static_cast<LONG>(raw[i])) : clampToInt32(raw[i]);
    return values;
}

void WinmmMixer::writeValues(const Control& c, std::vector<int32_t> values) {
    const std::size_t count = c.valueCount();
    values.resize(count, values.empty() ? 0 : values.back());
    const bool isSwitch = c.minimum == 0 && c.maximum == 1;
    std::vector<DWORD> raw(count);
    for (std::size_t i = 0; i < count; ++i) {
        int32_t v = isSwitch ? (values[i] != 0) : std::clamp(values[i], c.minimum, c.maximum);
        raw[i] = static_cast<DWORD>(v);
    }
    MIXERCONTROLDETAILS details =
        controlDetails(c.info, c.channels, c.items, sizeof(DWORD), raw.data());
    check(mixerSetControlDetails(object(), &details,
                                 MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE),
          "mixerSetControlDetails");
    // Not every driver reports the writes of the process that made them (Wine reports
    // none), so a write announces itself; a driver's own report of it coalesces.
    if (window_) SetTimer(window_, kNotifyTimer, kCoalesceMs, nullptr);
}

int32_t WinmmMixer::controlValue(int16_t channel) {
    Control& c = requireControl();
    std::vector<int32_t> values = readValues(c);
    if (channel < 0) throw MixerError("No such channel");
    if (c.items > 0) {
        if (channel >= c.items) throw MixerError("No such item");
        return values[channel];
    }
    return values[std::min<std::size_t>(channel, values.size() - 1)];
}

void WinmmMixer::setControlValue(int16_t channel, int32_t value) {
    Control& c = requireControl();
    const int width = c.items > 0 ? c.items : std::max(2, c.channels);
    if (channel < 0 || channel >= width) throw MixerError("No such channel");
    if (pending_.empty()) {
        pending_ = readValues(c);
        pending_.resize(width, pending_.empty() ? 0 : pending_.back());
    }
    pending_[channel] = value;
}

void WinmmMixer::applyControl() {
    Control& c = requireControl();
    if (pending_.empty()) return;
    std::vector<int32_t> values = std::move(pending_);
    pending_.clear();
    const std::size_t count = c.valueCount();
    values.resize(count);
    const bool isSwitch = c.minimum == 0 && c.maximum == 1;
    for (int32_t& v : values) v = isSwitch ? (v != 0) : std::clamp(v, c.minimum, c.maximum);
    writeValues(c, values);
}

// --- searches ---------------------------------------------------------------------------

int WinmmMixer::destinationByCode(int code, int subCode) {
    ensureOpen();
    for (std::size_t i = 0; i < destinations_.size(); ++i)
        if (destinations_[i].code == code) return static_cast<int>(i);
    for (std::size_t i = 0; i < destinations_.size(); ++i)
        if (destinations_[i].subCode == subCode) return static_cast<int>(i);
    return -1;
}

int WinmmMixer::sideDestination(int side) {
    if (side == kSidePlayback) return destinationByCode(kDestPlayback, kPlaySubCode);
    if (side == kSideRecording) return destinationByCode(kDestRecording, kRecordSubCode);
    return -1;
}

int WinmmMixer::lineIndexByCode(Destination& d, int code) {
    if (code == kLineMaster) return static_cast<int>(d.lines.size()) - 1;
    for (std::size_t i = 0; i + 1 < d.lines.size(); ++i)
        if (d.lines[i].code == code) return static_cast<int>(i);
    return -1;
}

int WinmmMixer::controlIndexByType(Line& l, int type) {
    for (std::size_t i = 0; i < l.controls.size(); ++i)
        if (l.controls[i].type == type && l.controls[i].items == 0) return static_cast<int>(i);
    return -1;
}

int WinmmMixer::findVolume(int side, int lineCode, float* left, float* right) {
    const int d = sideDestination(side);
    if (d < 0) return 1;
    const int l = lineIndexByCode(destinations_[d], lineCode);
    if (l < 0) return 1;
    Line& ln = destinations_[d].lines[l];
    const int c = controlIndexByType(ln, kTypeVolume);
    if (c < 0) return 1;
    std::vector<int32_t> values = readValues(ln.controls[c]);
    moveTo(d, l, c);
    if (left) *left = static_cast<float>(values.front() / 655.35);
    if (right) *right = static_cast<float>(values.back() / 655.35);
    return 0;
}

bool WinmmMixer::findSelector(int side, int lineCode, int* dest, int* line, int* control,
                              int* item) {
    const int d = sideDestination(side);
    if (d < 0) return false;
    Destination& destination = destinations_[d];
    Line& self = destination.self();
    for (std::size_t c = 0; c < self.controls.size(); ++c) {
        const auto& codes = self.controls[c].itemLineCodes;
        auto it = std::find(codes.begin(), codes.end(), lineCode);
        if (it == codes.end()) continue;
        *dest = d;
        *line = static_cast<int>(destination.lines.size()) - 1;
        *control = static_cast<int>(c);
        *item = static_cast<int>(it - codes.begin());
        return true;
    }
    return false;
}

// The mute control of a line on a side's destination; its place is written only when found.
bool WinmmMixer::findMute(int side, int lineCode, int* dest, int* line, int* control) {
    const int d = sideDestination(side);
    if (d < 0) return false;
    const int l = lineIndexByCode(destinations_[d], lineCode);
    if (l < 0) return false;
    const int c = controlIndexByType(destinations_[d].lines[l], kTypeMute);
    if (c < 0) return false;
    *dest = d;
    *line = l;
    *control = c;
    return true;
}

int WinmmMixer::findSwitch(int side, int lineCode, int16_t* state) {
    int d = 0, l = 0, c = 0, item = 0;
    if (side == kSideRecording) {
        if (!findSelector(side, lineCode, &d, &l, &c, &item)) return 1;
    } else if (!findMute(side, lineCode, &d, &l, &c)) {
        return 1;
    }
    std::vector<int32_t> values = readValues(destinations_[d].lines[l].controls[c]);
    moveTo(d, l, c);
    if (state) *state = static_cast<int16_t>(values.at(item) != 0);
    return 0;
}

int WinmmMixer::setSwitch(int side, int lineCode, int value) {
    int d = 0, l = 0, c = 0, item = 0;
    if (side == kSideRecording) {
        if (!findSelector(side, lineCode, &d, &l, &c, &item)) return 1;
        const Control& selector = destinations_[d].lines[l].controls[c];
        std::vector<int32_t> values = readValues(selector);
        // A single-select list (MUX) picks one source; a multiple-select one (MIXER)
        // switches that source alone.
        const DWORD type = selector.info.dwControlType;
        const bool single =
            type == MIXERCONTROL_CONTROLTYPE_MUX || type == MIXERCONTROL_CONTROLTYPE_SINGLESELECT;
        if (single && value != 0) std::fill(values.begin(), values.end(), 0);
        values[item] = value != 0;
        writeValues(selector, values);
        return 0;
    }
    if (!findMute(side, lineCode, &d, &l, &c)) return 1;
    const Control& mute = destinations_[d].lines[l].controls[c];
    writeValues(mute, std::vector<int32_t>(mute.channels, value != 0));
    return 0;
}

int WinmmMixer::selectDestination(int destinationCode, int subCode) {
    const int d = destinationByCode(destinationCode, subCode);
    if (d < 0) return 1;
    moveTo(d, 0, 0);
    return 0;
}

int WinmmMixer::selectLine(int destinationCode, int subCode, int lineCode, int) {
    const int d = destinationByCode(destinationCode, subCode);
    if (d < 0) return 1;
    const int l = lineIndexByCode(destinations_[d], lineCode);
    moveTo(d, l < 0 ? 0 : l, 0);
    return 0;
}

int WinmmMixer::selectControl(int destinationCode, int subCode, int lineCode, int, int typeCode) {
    const int d = destinationByCode(destinationCode, subCode);
    if (d < 0) return 1;
    const int l = lineIndexByCode(destinations_[d], lineCode);
    if (l < 0) return 1;
    const int c = controlIndexByType(destinations_[d].lines[l], typeCode);
    if (c < 0) return 1;
    moveTo(d, l, c);
    return 0;
}

// --- level text -----------------------------------------------------------------------

leveltext::DeviceLevels WinmmMixer::levels(bool withValues) {
    ensureOpen();
    leveltext::DeviceLevels out;
    out.deviceName = deviceName_;
    for (std::size_t d = 0; d < destinations_.size(); ++d) {
        auto& lines = destinations_[d].lines;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            for (std::size_t c = 0; c < lines[l].controls.size(); ++c) {
                const Control& ctl = lines[l].controls[c];
                if (!ctl.settable) continue;
                leveltext::ControlLevels entry;
                entry.destination = static_cast<int16_t>(d);
                entry.line = static_cast<int16_t>(l);
                entry.control = static_cast<int16_t>(c);
                entry.type = ctl.type;
                entry.minimum = ctl.minimum;
                entry.maximum = ctl.maximum;
                if (withValues)
                    entry.values = readValues(ctl);
                else
                    entry.values.assign(ctl.valueCount(), 0);
                out.controls.push_back(std::move(entry));
            }
        }
    }
    return out;
}

std::string WinmmMixer::getLevelState(int16_t) {
    auto text = leveltext::encode(levels(true));
    if (!text) throw MixerError("The mixer device has too many controls for a level text");
    return *text;
}

bool WinmmMixer::setLevelState(const std::string& text) {
    // The whole text is read and checked against this device before anything is written.
    auto wanted = leveltext::decode(text, levels(false));
    if (!wanted) return false;
    for (const auto& entry : wanted->controls) {
        const Control& c =
            destinations_[entry.destination].lines[entry.line].controls[entry.control];
        if (readValues(c) != entry.values) writeValues(c, entry.values);
    }
    return true;
}

}  // namespace tk::win
