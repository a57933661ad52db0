// Library frame: listing, resolve/open, OpenSoundCard, OpenDefaultDevices, CloseSoundCard.
#include "library.h"

#include <algorithm>
#include <cstring>

#include "text_util.h"

namespace havro {
namespace {

// CoInitialize/CoUninitialize around one export's work. A failed initialise (the thread
// already runs another apartment model) is not paired with an uninitialise, and the work
// goes on: the caller's apartment serves it.
class ComScope {
  public:
    explicit ComScope(AudioSystem& system)
        : system_(system), initialized_(Succeeded(system.Initialize())) {}
    ~ComScope() {
        if (initialized_) system_.Uninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    AudioSystem& system_;
    bool initialized_;
};

void CopyOut(char* buffer, const std::string& text) {
    if (buffer == nullptr) return;
    const size_t n = std::min(text.size(), kMaxTextBytes);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string TextOrEmpty(const char* text) {
    return text == nullptr ? std::string() : text;
}

}  // namespace

Library::Library(AudioSystem& system, uint32_t maxPartsPerWalk)
    : system_(system), maxPartsPerWalk_(maxPartsPerWalk) {}

Library::~Library() = default;

std::string Library::FitText(std::u16string_view text) {
    // Every UTF-16 unit gives at least one byte, so no more than kMaxTextBytes units can fit.
    if (text.size() > kMaxTextBytes) text = text.substr(0, kMaxTextBytes);
    for (;;) {
        if (!text.empty() && IsHighSurrogate(text.back())) text.remove_suffix(1);
        std::string ansi = system_.ToAnsi(text);
        if (ansi.size() <= kMaxTextBytes) return ansi;
        // A double-byte code page: cut whole characters until it fits.
        text.remove_suffix(1);
    }
}

std::string Library::ReadFriendlyName(Device& device) {
    std::u16string name;
    if (Failed(device.GetFriendlyName(&name))) return std::string();
    return FitText(name);
}

// ---- Listing ---------------------------------------------------------------------------

int32_t Library::CountDevices(Flow flow, int32_t* count) {
    ComScope com(system_);
    std::shared_ptr<DeviceEnumerator> enumerator;
    if (Failed(system_.CreateEnumerator(&enumerator)) || !enumerator) return 1;
    std::shared_ptr<DeviceCollection> devices;
    uint32_t n = 0;
    if (Failed(enumerator->EnumActiveEndpoints(flow, &devices)) || !devices ||
        Failed(devices->GetCount(&n))) {
        return 1;
    }
    if (count != nullptr) *count = static_cast<int32_t>(std::min<uint32_t>(n, INT32_MAX));
    return 0;
}

int32_t Library::GetNumberPlayDevices(int32_t* count) {
    return CountDevices(Flow::kRender, count);
}

int32_t Library::GetNumberRecordDevices(int32_t* count) {
    return CountDevices(Flow::kCapture, count);
}

int32_t Library::ReadListedDevice(Flow flow, int32_t index, char* name, char* id,
                                  int32_t* listCount) {
    ComScope com(system_);
    std::shared_ptr<DeviceEnumerator> enumerator;
    if (Failed(system_.CreateEnumerator(&enumerator)) || !enumerator) return -1;
    std::shared_ptr<DeviceCollection> devices;
    uint32_t n = 0;
    if (Failed(enumerator->EnumActiveEndpoints(flow, &devices)) || !devices ||
        Failed(devices->GetCount(&n))) {
        return -1;
    }
    *listCount = static_cast<int32_t>(std::min<uint32_t>(n, INT32_MAX));
    if (index < 0 || static_cast<uint32_t>(index) >= n) return 1;
    std::shared_ptr<Device> device;
    std::u16string deviceId;
    if (Failed(devices->Item(static_cast<uint32_t>(index), &device)) || !device ||
        Failed(device->GetId(&deviceId))) {
        return -1;
    }
    CopyOut(name, ReadFriendlyName(*device));
    CopyOut(id, FitText(deviceId));
    return 0;
}

int32_t Library::GetPlayBackDevice(int32_t index, char* name, char* id) {
    int32_t count = 0;
    const int32_t r = ReadListedDevice(Flow::kRender, index, name, id, &count);
    return r == 0 ? 0 : -1;
}

int32_t Library::GetRecordDevice(int32_t index, char* name, char* id) {
    int32_t count = 0;
    const int32_t r = ReadListedDevice(Flow::kCapture, index, name, id, &count);
    if (r == 1) return index < 0 ? -1 : count;  // past the end: the number of endpoints
    return r;
}

int32_t Library::GetDeviceNames(char* playback, char* lineIn, char* microphone) {
    if (playbackName_) CopyOut(playback, *playbackName_);
    if (lineInName_) CopyOut(lineIn, *lineInName_);
    if (microphoneName_) CopyOut(microphone, *microphoneName_);
    return 0;
}

// ---- Resolve and open ------------------------------------------------------------------

bool Library::ResolveEndpoint(DeviceEnumerator& enumerator, const std::string& idText, Flow flow) {
    const std::u16string needle = LowerAscii(system_.FromAnsi(idText));
    std::shared_ptr<DeviceCollection> devices;
    uint32_t n = 0;
    if (Failed(enumerator.EnumActiveEndpoints(flow, &devices)) || !devices ||
        Failed(devices->GetCount(&n))) {
        return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
        std::shared_ptr<Device> device;
        std::u16string id;
        if (Failed(devices->Item(i, &device)) || !device || Failed(device->GetId(&id))) continue;
        if (LowerAscii(id).find(needle) == std::u16string::npos) continue;
        lastResolvedName_ = ReadFriendlyName(*device);
        currentDeviceId_ = std::move(id);
        openMark_ = true;
        ++resolveCount_;
        return true;
    }
    return false;
}

bool Library::OpenEndpoint(DeviceEnumerator& enumerator, const std::string& idText, Flow flow,
                           OpenedEndpoint* opened) {
    if (!ResolveEndpoint(enumerator, idText, flow)) return false;
    std::shared_ptr<Device> device;
    if (Failed(enumerator.GetDevice(*currentDeviceId_, &device)) || !device) return false;
    // Not every system offers a device topology (Wine has none); the walk decides what
    // that means, the endpoint volume is usable either way.
    std::shared_ptr<DeviceTopology> topology;
    if (Failed(device->ActivateTopology(&topology))) topology.reset();
    std::shared_ptr<EndpointVolume> volume;
    if (Failed(device->ActivateEndpointVolume(&volume)) || !volume) return false;
    opened->topology = std::move(topology);
    opened->volume = std::move(volume);
    return true;
}

// ---- Open and close the endpoint set ---------------------------------------------------

int32_t Library::OpenSoundCard(const char* playbackId, const char* micId, const char* lineInId) {
    const std::string playback = TextOrEmpty(playbackId);
    const std::string mic = TextOrEmpty(micId);
    const std::string lineIn = TextOrEmpty(lineInId);

    ReleaseControls();
    ComScope com(system_);
    std::shared_ptr<DeviceEnumerator> enumerator;
    if (Failed(system_.CreateEnumerator(&enumerator))) enumerator.reset();

    int32_t result = 0;
    if (!playback.empty()) {
        if (enumerator && PlaybackWalk(*enumerator, playback)) {
            playbackName_ = lastResolvedName_;
        } else {
            result ^= 1;
        }
    }
    if (!mic.empty()) {
        if (enumerator && MicrophoneWalk(*enumerator, mic)) {
            microphoneName_ = lastResolvedName_;
        } else {
            result ^= 3;
        }
    }
    if (!lineIn.empty()) {
        if (enumerator && LineInWalk(*enumerator, lineIn)) {
            lineInName_ = lastResolvedName_;
        } else {
            result ^= 6;
        }
    }
    return result;
}

int32_t Library::OpenDefaultDevices() {
    ComScope com(system_);
    std::shared_ptr<DeviceEnumerator> enumerator;
    if (Failed(system_.CreateEnumerator(&enumerator)) || !enumerator) return 1;

    // With no default playback endpoint there is nothing to walk and no name to keep.
    std::shared_ptr<Device> render;
    std::u16string renderId;
    if (Succeeded(enumerator->GetDefaultEndpoint(Flow::kRender, &render)) && render &&
        Succeeded(render->GetId(&renderId))) {
        const uint64_t before = resolveCount_;
        PlaybackWalk(*enumerator, system_.ToAnsi(renderId));  // outcome deliberately ignored
        if (resolveCount_ != before) playbackName_ = lastResolvedName_;
    }

    if (!ResolveEndpoint(*enumerator, std::string(), Flow::kCapture)) return 1;
    currentDeviceId_.reset();

    std::shared_ptr<Device> capture;
    std::u16string captureId;
    if (Failed(enumerator->GetDefaultEndpoint(Flow::kCapture, &capture)) || !capture ||
        Failed(capture->GetId(&captureId))) {
        return 1;
    }
    const std::string captureIdText = system_.ToAnsi(captureId);

    // Microphone or line-in is decided by the default capture endpoint's own name.
    const bool isMicrophone =
        UpperAscii(ReadFriendlyName(*capture)).find("MIC") != std::string::npos;
    if (isMicrophone && MicrophoneWalk(*enumerator, captureIdText)) {
        lineInName_.reset();
        microphoneName_ = lastResolvedName_;
    } else if (LineInWalk(*enumerator, captureIdText)) {
        lineInName_ = lastResolvedName_;
    }
    return 0;
}

int32_t Library::CloseSoundCard() {
    if (!openMark_) return 0;
    RestoreCaptured();
    lastResolvedName_.reset();
    playbackName_.reset();
    lineInName_.reset();
    microphoneName_.reset();
    ReleaseControls();
    openMark_ = false;
    return 0;
}

void Library::ReleaseControls() {
    playbackVolume_.Reset();
    microphoneVolume_.Reset();
    lineInVolume_.Reset();
    linePlayLevel_.Reset();
    linePlayMute_.Reset();
    micPlayLevel_.Reset();
    micPlayMute_.Reset();
    micBoost_.Reset();
    noMonitor_.Reset();
    bass_.Reset();
    midrange_.Reset();
    treble_.Reset();
}

namespace {

void RestoreEndpoint(EndpointVolume* control, const std::optional<float>& db) {
    if (control != nullptr && db) control->SetMasterVolumeLevel(*db);
}

void RestoreMute(MuteControl* control, const std::optional<bool>& mute) {
    if (control != nullptr && mute) control->SetMute(*mute);
}

void RestoreSwitch(SwitchControl* control, const std::optional<bool>& enabled) {
    if (control != nullptr && enabled) control->SetEnabled(*enabled);
}

}  // namespace

// Each channel gets back its own level where every channel was read at open; otherwise
// channel 0's level goes to every channel.
void Library::LevelSlot::Restore() const {
    if (control == nullptr || !capturedDb) return;
    uint32_t channels = 0;
    if (Failed(control->GetChannelCount(&channels))) return;
    const bool each = capturedChannels.size() == channels;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        control->SetLevel(ch, each ? capturedChannels[ch] : *capturedDb);
    }
}

// Puts back exactly the dB values and flags read when each control of the open set was
// found; controls whose value could not be read are left alone. Results are ignored: a
// close always completes.
void Library::RestoreCaptured() {
    RestoreEndpoint(playbackVolume_.control.get(), playbackVolume_.capturedDb);
    if (playbackVolume_.control && playbackVolume_.capturedMute) {
        playbackVolume_.control->SetMute(*playbackVolume_.capturedMute);
    }
    linePlayLevel_.Restore();
    RestoreMute(linePlayMute_.control.get(), linePlayMute_.captured);
    micPlayLevel_.Restore();
    RestoreMute(micPlayMute_.control.get(), micPlayMute_.captured);
    RestoreSwitch(noMonitor_.control.get(), noMonitor_.captured);
    RestoreSwitch(micBoost_.control.get(), micBoost_.captured);
    bass_.Restore();
    midrange_.Restore();
    treble_.Restore();
    RestoreEndpoint(microphoneVolume_.control.get(), microphoneVolume_.capturedDb);
    RestoreEndpoint(lineInVolume_.control.get(), lineInVolume_.capturedDb);
}

// ---- Second playback endpoint ----------------------------------------------------------

// Opens one more playback endpoint, apart from the endpoint set. Its device topology is
// only tested for: 1 without one, although the endpoint volume is then kept and usable.
int32_t Library::OpenVirtual_1(const char* id) {
    secondVolume_.reset();
    ComScope com(system_);
    std::shared_ptr<DeviceEnumerator> enumerator;
    if (Failed(system_.CreateEnumerator(&enumerator)) || !enumerator) return 1;
    OpenedEndpoint endpoint;
    const bool opened = OpenEndpoint(*enumerator, TextOrEmpty(id), Flow::kRender, &endpoint);
    currentDeviceId_.reset();
    if (!opened) return 1;
    secondVolume_ = std::move(endpoint.volume);
    return endpoint.topology ? 0 : 1;
}

int32_t Library::CloseVirtual_1() {
    secondVolume_.reset();
    return 0;
}

}  // namespace havro
