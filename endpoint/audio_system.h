// The slice of Windows Core Audio that the HavroVista core needs, as small abstract
// interfaces with no Windows types. endpoint/coreaudio/ implements them over the real COM
// objects; the native tests implement them in memory.
//
// Every call returns an HRESULT value (HResult). Negative means failure; S_OK and S_FALSE
// are both success. Objects are shared: a returned std::shared_ptr keeps the underlying
// system object alive, like a COM reference.
//
// Threading: none of these are thread-safe; the caller keeps COM initialised on its
// thread between calls (AudioSystem::Initialize nests inside that).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace havro {

using HResult = int32_t;

// Results the library treats on purpose.
inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001u);
inline constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
// HRESULT_FROM_WIN32(ERROR_NOT_FOUND): what EnumPartsIncoming/Outgoing answer for a part
// without parts in that direction, and what GetDefaultAudioEndpoint answers with no device.
inline constexpr HResult kENotFound = static_cast<HResult>(0x80070490u);
// HRESULT_FROM_WIN32(ERROR_INVALID_FUNCTION): some drivers answer this to SetLevel/SetMute on
// a microphone playback control although the value was taken.
inline constexpr HResult kEInvalidFunction = static_cast<HResult>(0x80070001u);

inline constexpr bool Succeeded(HResult hr) {
    return hr >= 0;
}
inline constexpr bool Failed(HResult hr) {
    return hr < 0;
}

enum class Flow { kRender = 0, kCapture = 1 };

// IAudioEndpointVolume. Levels in dB.
class EndpointVolume {
  public:
    virtual ~EndpointVolume() = default;
    virtual HResult GetChannelCount(uint32_t* count) = 0;
    virtual HResult GetVolumeRange(float* minDb, float* maxDb, float* stepDb) = 0;
    virtual HResult SetMasterVolumeLevel(float db) = 0;
    virtual HResult GetMasterVolumeLevel(float* db) = 0;
    virtual HResult SetChannelVolumeLevel(uint32_t channel, float db) = 0;
    virtual HResult GetChannelVolumeLevel(uint32_t channel, float* db) = 0;
    virtual HResult SetMute(bool mute) = 0;
    virtual HResult GetMute(bool* mute) = 0;
};

// IPerChannelDbLevel: IAudioVolumeLevel, IAudioBass, IAudioMidrange, IAudioTreble.
class LevelControl {
  public:
    virtual ~LevelControl() = default;
    virtual HResult GetChannelCount(uint32_t* count) = 0;
    virtual HResult GetLevelRange(uint32_t channel, float* minDb, float* maxDb, float* stepDb) = 0;
    virtual HResult GetLevel(uint32_t channel, float* db) = 0;
    virtual HResult SetLevel(uint32_t channel, float db) = 0;
};

// IAudioMute.
class MuteControl {
  public:
    virtual ~MuteControl() = default;
    virtual HResult SetMute(bool mute) = 0;
    virtual HResult GetMute(bool* mute) = 0;
};

// IAudioAutoGainControl and IAudioLoudness (both an enabled switch).
class SwitchControl {
  public:
    virtual ~SwitchControl() = default;
    virtual HResult GetEnabled(bool* enabled) = 0;
    virtual HResult SetEnabled(bool enabled) = 0;
};

enum class LevelKind { kVolumeLevel, kBass, kMidrange, kTreble };
enum class SwitchKind { kAutoGainControl, kLoudness };

class Part;
class DeviceTopology;

// IPartsList.
class PartsList {
  public:
    virtual ~PartsList() = default;
    virtual HResult GetCount(uint32_t* count) = 0;
    virtual HResult GetPart(uint32_t index, std::shared_ptr<Part>* part) = 0;
};

// IPart. Activation corresponds to IPart::Activate(CLSCTX_ALL, iid).
class Part {
  public:
    virtual ~Part() = default;
    virtual HResult GetName(std::u16string* name) = 0;
    virtual HResult EnumPartsIncoming(std::shared_ptr<PartsList>* parts) = 0;
    virtual HResult EnumPartsOutgoing(std::shared_ptr<PartsList>* parts) = 0;
    virtual HResult GetTopologyObject(std::shared_ptr<DeviceTopology>* topology) = 0;
    virtual HResult ActivateLevel(LevelKind kind, std::shared_ptr<LevelControl>* control) = 0;
    virtual HResult ActivateMute(std::shared_ptr<MuteControl>* control) = 0;
    virtual HResult ActivateSwitch(SwitchKind kind, std::shared_ptr<SwitchControl>* control) = 0;
};

// IConnector; QueryPart is QueryInterface(IID_IPart) on the connector.
class Connector {
  public:
    virtual ~Connector() = default;
    virtual HResult GetConnectedTo(std::shared_ptr<Connector>* other) = 0;
    virtual HResult QueryPart(std::shared_ptr<Part>* part) = 0;
};

// IDeviceTopology.
class DeviceTopology {
  public:
    virtual ~DeviceTopology() = default;
    virtual HResult GetConnectorCount(uint32_t* count) = 0;
    virtual HResult GetConnector(uint32_t index, std::shared_ptr<Connector>* connector) = 0;
};

// IMMDevice with its property store.
class Device {
  public:
    virtual ~Device() = default;
    virtual HResult GetId(std::u16string* id) = 0;
    // PKEY_Device_FriendlyName through a read-only property store.
    virtual HResult GetFriendlyName(std::u16string* name) = 0;
    virtual HResult ActivateTopology(std::shared_ptr<DeviceTopology>* topology) = 0;
    virtual HResult ActivateEndpointVolume(std::shared_ptr<EndpointVolume>* volume) = 0;
};

// IMMDeviceCollection of active endpoints.
class DeviceCollection {
  public:
    virtual ~DeviceCollection() = default;
    virtual HResult GetCount(uint32_t* count) = 0;
    virtual HResult Item(uint32_t index, std::shared_ptr<Device>* device) = 0;
};

// IMMDeviceEnumerator.
class DeviceEnumerator {
  public:
    virtual ~DeviceEnumerator() = default;
    // EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE).
    virtual HResult EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* devices) = 0;
    // GetDefaultAudioEndpoint(flow, eConsole).
    virtual HResult GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* device) = 0;
    virtual HResult GetDevice(const std::u16string& id, std::shared_ptr<Device>* device) = 0;
};

// The process-level entry: COM initialisation, the enumerator factory and the system's
// ANSI code page.
class AudioSystem {
  public:
    virtual ~AudioSystem() = default;
    // CoInitialize(nullptr). Only a successful call is to be paired with Uninitialize.
    virtual HResult Initialize() = 0;
    virtual void Uninitialize() = 0;
    virtual HResult CreateEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) = 0;
    // UTF-16 to the ANSI code page; characters the code page lacks become its default
    // character.
    virtual std::string ToAnsi(std::u16string_view text) = 0;
    // ANSI code page to UTF-16.
    virtual std::u16string FromAnsi(std::string_view text) = 0;
};

}  // namespace havro
