// An in-memory Core Audio for the HavroVista core: devices, device topologies, parts and
// controls built by the test, each object able to fail any of its calls on demand
// (Fail("Method", code)) and counting its calls (Calls("Method")).
//
// Ownership: the FakeAudioSystem owns every object it made; parts refer to each other by
// plain pointers, so cycles are fine. Keep the system alive longer than any Library using
// it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio_system.h"

namespace havro::fake {

// Failure switches and call counters shared by every fake object.
class Faults {
  public:
    void Fail(const std::string& method, HResult code = kEFail) { failures_[method] = code; }
    void Heal(const std::string& method) { failures_.erase(method); }
    int Calls(const std::string& method) const {
        auto it = calls_.find(method);
        return it == calls_.end() ? 0 : it->second;
    }
    void ResetCalls() { calls_.clear(); }

  protected:
    // Counts the call; the injected code when the method is set to fail, else S_OK.
    HResult Enter(const std::string& method) {
        ++calls_[method];
        auto it = failures_.find(method);
        return it == failures_.end() ? kSOk : it->second;
    }
    // A read: on success the value is handed out.
    template <class T, class V>
    HResult Read(const std::string& method, T* out, const V& value) {
        HResult hr = Enter(method);
        if (Succeeded(hr)) *out = value;
        return hr;
    }
    // An interface the object may lack: `missing` then.
    template <class T, class V>
    HResult Hand(const std::string& method, T* out, const V& value, HResult missing) {
        HResult hr = Enter(method);
        if (Failed(hr)) return hr;
        if (!value) return missing;
        *out = value;
        return hr;
    }

  private:
    std::map<std::string, HResult> failures_;
    std::map<std::string, int> calls_;
};

// Stores exactly what it is given (no clamping, no stepping) unless told otherwise.
class FakeEndpointVolume : public EndpointVolume, public Faults {
  public:
    FakeEndpointVolume(float minDb, float maxDb, uint32_t channels, float levelDb);
    HResult GetChannelCount(uint32_t* n) override { return Read("GetChannelCount", n, Count()); }
    HResult GetVolumeRange(float* minDb, float* maxDb, float* stepDb) override;
    HResult SetMasterVolumeLevel(float db) override;
    HResult GetMasterVolumeLevel(float* db) override {
        return Read("GetMasterVolumeLevel", db, masterDb);
    }
    HResult SetChannelVolumeLevel(uint32_t channel, float db) override;
    HResult GetChannelVolumeLevel(uint32_t channel, float* db) override;
    HResult SetMute(bool mute) override;
    HResult GetMute(bool* mute) override { return Read("GetMute", mute, muted); }

    uint32_t Count() const { return static_cast<uint32_t>(channelDb.size()); }
    float minDb, maxDb, stepDb = 0.5f;
    float masterDb;
    std::vector<float> channelDb;
    bool muted = false;
    HResult setMuteResult = kSOk;  // what a successful SetMute answers (S_FALSE on some systems)
};

class FakeLevelControl : public LevelControl, public Faults {
  public:
    FakeLevelControl(float minDb, float maxDb, uint32_t channels, float levelDb);
    HResult GetChannelCount(uint32_t* n) override { return Read("GetChannelCount", n, Count()); }
    HResult GetLevelRange(uint32_t channel, float* minDb, float* maxDb, float* stepDb) override;
    HResult GetLevel(uint32_t channel, float* db) override;
    HResult SetLevel(uint32_t channel, float db) override;

    uint32_t Count() const { return static_cast<uint32_t>(channelDb.size()); }
    float minDb, maxDb, stepDb = 1.5f;
    std::vector<float> channelDb;
    HResult setLevelResult = kSOk;  // e.g. 0x80070001 from a quirky driver (value still taken)
};

class FakeMuteControl : public MuteControl, public Faults {
  public:
    explicit FakeMuteControl(bool muted) : muted(muted) {}
    HResult SetMute(bool mute) override;
    HResult GetMute(bool* mute) override { return Read("GetMute", mute, muted); }
    bool muted;
    HResult setMuteResult = kSOk;
};

class FakeSwitchControl : public SwitchControl, public Faults {
  public:
    explicit FakeSwitchControl(bool enabled) : enabled(enabled) {}
    HResult GetEnabled(bool* value) override { return Read("GetEnabled", value, enabled); }
    HResult SetEnabled(bool value) override;
    bool enabled;
};

class FakeDeviceTopology;

class FakePart : public Part, public Faults, public std::enable_shared_from_this<FakePart> {
  public:
    explicit FakePart(std::u16string name) : name(std::move(name)) {}
    HResult GetName(std::u16string* out) override { return Read("GetName", out, name); }
    HResult EnumPartsIncoming(std::shared_ptr<PartsList>* parts) override;
    HResult EnumPartsOutgoing(std::shared_ptr<PartsList>* parts) override;
    HResult GetTopologyObject(std::shared_ptr<DeviceTopology>* topology) override;
    HResult ActivateLevel(LevelKind kind, std::shared_ptr<LevelControl>* control) override;
    HResult ActivateMute(std::shared_ptr<MuteControl>* control) override {
        return Hand("ActivateMute", control, mute, kENoInterface);
    }
    HResult ActivateSwitch(SwitchKind kind, std::shared_ptr<SwitchControl>* control) override;

    std::u16string name;
    std::vector<FakePart*> incoming;
    std::vector<FakePart*> outgoing;
    FakeDeviceTopology* topology = nullptr;
    std::map<LevelKind, std::shared_ptr<FakeLevelControl>> levels;
    std::shared_ptr<FakeMuteControl> mute;
    std::map<SwitchKind, std::shared_ptr<FakeSwitchControl>> switches;
};

class FakeConnector : public Connector, public Faults {
  public:
    HResult GetConnectedTo(std::shared_ptr<Connector>* other) override {
        return Hand("GetConnectedTo", other, connectedTo, kENotFound);
    }
    HResult QueryPart(std::shared_ptr<Part>* part) override;

    std::shared_ptr<FakeConnector> connectedTo;
    FakePart* part = nullptr;  // the connector's own part (connectors are parts)
};

class FakeDeviceTopology : public DeviceTopology,
                           public Faults,
                           public std::enable_shared_from_this<FakeDeviceTopology> {
  public:
    HResult GetConnectorCount(uint32_t* count) override {
        return Read("GetConnectorCount", count, static_cast<uint32_t>(connectors.size()));
    }
    HResult GetConnector(uint32_t index, std::shared_ptr<Connector>* connector) override;
    std::vector<std::shared_ptr<FakeConnector>> connectors;
};

class FakeDevice : public Device, public Faults {
  public:
    FakeDevice(std::u16string id, std::u16string name, Flow flow)
        : id(std::move(id)), name(std::move(name)), flow(flow) {}
    HResult GetId(std::u16string* out) override { return Read("GetId", out, id); }
    HResult GetFriendlyName(std::u16string* out) override {
        return Read("GetFriendlyName", out, name);
    }
    HResult ActivateTopology(std::shared_ptr<DeviceTopology>* out) override {
        return Hand("ActivateTopology", out, topology, kENoInterface);
    }
    HResult ActivateEndpointVolume(std::shared_ptr<EndpointVolume>* out) override {
        return Hand("ActivateEndpointVolume", out, volume, kENoInterface);
    }

    std::u16string id;
    std::u16string name;
    Flow flow;
    bool active = true;
    std::shared_ptr<FakeDeviceTopology> topology;  // null: E_NOINTERFACE, as under Wine
    std::shared_ptr<FakeEndpointVolume> volume;
};

class FakeAudioSystem;

class FakeEnumerator : public DeviceEnumerator, public Faults {
  public:
    explicit FakeEnumerator(FakeAudioSystem& system) : system_(system) {}
    HResult EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* out) override;
    HResult GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* out) override;
    HResult GetDevice(const std::u16string& id, std::shared_ptr<Device>* out) override;

  private:
    FakeAudioSystem& system_;
};

class FakeAudioSystem : public AudioSystem, public Faults {
  public:
    FakeAudioSystem();
    HResult Initialize() override;
    void Uninitialize() override;
    HResult CreateEnumerator(std::shared_ptr<DeviceEnumerator>* out) override {
        return Read("CreateEnumerator", out, enumerator);
    }
    // Latin-1 as the "ANSI code page", with units from U+3000 to U+9FFF taken as double-byte
    // characters (two bytes each) and anything else outside it as '?'.
    std::string ToAnsi(std::u16string_view text) override;
    std::u16string FromAnsi(std::string_view text) override;

    // Building.
    FakeDevice& AddDevice(Flow flow, const std::u16string& guid, const std::u16string& name);
    FakePart& AddPart(const std::u16string& name);
    void Link(FakePart& from, FakePart& to);  // data flows from -> to
    // A new adapter topology holding the given parts as its connectors, in order.
    FakeDeviceTopology& AddAdapterTopology(const std::vector<FakePart*>& connectorParts);
    // Gives the endpoint a topology whose connector 0 leads to adapterPart.
    void ConnectEndpoint(FakeDevice& device, FakePart& adapterPart);
    std::shared_ptr<FakeLevelControl> AddLevel(FakePart& part, LevelKind kind, float minDb,
                                               float maxDb, float levelDb, uint32_t channels = 2);
    std::shared_ptr<FakeMuteControl> AddMute(FakePart& part, bool muted);
    std::shared_ptr<FakeSwitchControl> AddSwitch(FakePart& part, SwitchKind kind, bool enabled);

    std::vector<std::shared_ptr<FakeDevice>> devices;
    std::optional<std::u16string> defaultRender;
    std::optional<std::u16string> defaultCapture;
    std::shared_ptr<FakeEnumerator> enumerator;
    int initDepth = 0;  // CoInitialize nesting; must be back at 0 after each export

  private:
    std::vector<std::shared_ptr<FakePart>> parts_;
    std::vector<std::shared_ptr<FakeDeviceTopology>> topologies_;
};

// Endpoint ids as Windows writes them: {0.0.0.00000000}.{guid} for render,
// {0.0.1.00000000}.{guid} for capture.
std::u16string EndpointId(Flow flow, const std::u16string& guid);

}  // namespace havro::fake
