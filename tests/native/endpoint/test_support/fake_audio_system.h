// An in-memory Core Audio for the HavroVista core: devices, topologies, parts and controls
// built by the test, each able to answer any call with a chosen code (a success code such
// as S_FALSE still takes the value). The FakeAudioSystem owns every device, part and
// topology and lends them out; keep it alive longer than any Library.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio_system.h"

namespace havro::fake {

// A shared_ptr that does not own `p`, for objects the FakeAudioSystem keeps alive.
template <class T>
std::shared_ptr<T> Borrow(T* p) {
    return std::shared_ptr<T>(std::shared_ptr<T>(), p);
}

// Answer codes shared by every fake object: after Fail("Method", code) Method answers code.
struct Faults {
    void Fail(const std::string& method, HResult code = kEFail) { failures[method] = code; }
    // The chosen code for the method, else S_OK.
    HResult Enter(const std::string& method) {
        return failures.count(method) ? failures[method] : kSOk;
    }
    // Copies `from` to `*to` unless `hr` is a failure.
    template <class T, class V>
    static HResult Put(HResult hr, T* to, const V& from) {
        if (Succeeded(hr)) *to = from;
        return hr;
    }
    // Hands out an object, or answers `missing` when there is none.
    template <class T, class V>
    HResult Hand(const std::string& method, T* out, const V& value, HResult missing) {
        const HResult hr = Enter(method);
        return Put(Succeeded(hr) && !value ? missing : hr, out, value);
    }
    std::map<std::string, HResult> failures;
};

// One control answering as any control interface: an endpoint volume, a per-channel dB
// level, a mute or a switch. It stores exactly what it is given, and each channel its own
// value, so a level read from or restored to the wrong channel shows.
class FakeControl : public EndpointVolume,
                    public LevelControl,
                    public MuteControl,
                    public SwitchControl,
                    public Faults {
  public:
    FakeControl(float minDb, float maxDb, std::vector<float> channels)
        : minDb(minDb), maxDb(maxDb), channelDb(std::move(channels)) {
        masterDb = channelDb.empty() ? minDb : channelDb[0];
    }
    explicit FakeControl(bool flag) : flag(flag) {}

    HResult GetChannelCount(uint32_t* n) override {
        return Put(Enter(__func__), n, static_cast<uint32_t>(channelDb.size()));
    }
    HResult GetVolumeRange(float* mn, float* mx, float* st) override {
        return Range(Enter(__func__), mn, mx, st);
    }
    HResult SetMasterVolumeLevel(float db) override {
        const HResult hr = Put(Enter(__func__), &masterDb, db);
        if (Succeeded(hr)) channelDb.assign(channelDb.size(), db);
        return hr;
    }
    HResult GetMasterVolumeLevel(float* db) override { return Put(Enter(__func__), db, masterDb); }
    // The master level follows channel 0.
    HResult SetChannelVolumeLevel(uint32_t c, float db) override {
        const HResult hr = Put(Ch(__func__, c), Slot(c), db);
        masterDb = *Slot(0);
        return hr;
    }
    HResult GetChannelVolumeLevel(uint32_t c, float* db) override {
        return Put(Ch(__func__, c), db, *Slot(c));
    }
    HResult GetLevelRange(uint32_t c, float* mn, float* mx, float* st) override {
        return Range(Ch(__func__, c), mn, mx, st);
    }
    HResult GetLevel(uint32_t c, float* db) override { return Put(Ch(__func__, c), db, *Slot(c)); }
    HResult SetLevel(uint32_t c, float db) override { return Put(Ch(__func__, c), Slot(c), db); }
    HResult SetMute(bool mute) override { return Put(Enter(__func__), &flag, mute); }
    HResult GetMute(bool* mute) override { return Put(Enter(__func__), mute, flag); }
    HResult GetEnabled(bool* value) override { return Put(Enter(__func__), value, flag); }
    HResult SetEnabled(bool value) override { return Put(Enter(__func__), &flag, value); }

    float minDb = 0, maxDb = 0, stepDb = 1.5f;
    float masterDb = 0;  // an endpoint volume's master level
    std::vector<float> channelDb;
    bool flag = false;  // muted, or enabled

  private:
    // A channel call: E_INVALIDARG for a channel the control lacks.
    HResult Ch(const std::string& method, uint32_t c) {
        const HResult hr = Enter(method);
        return Succeeded(hr) && c >= channelDb.size() ? kEInvalidArg : hr;
    }
    float* Slot(uint32_t ch) { return ch < channelDb.size() ? &channelDb[ch] : &spare_; }
    HResult Range(HResult hr, float* mn, float* mx, float* st) {
        Put(hr, mn, minDb), Put(hr, mx, maxDb);
        return Put(hr, st, stepDb);
    }
    float spare_ = 0;
};

// A part, and a connector too (connectors are parts).
class FakePart : public Part, public Connector, public Faults {
  public:
    explicit FakePart(std::u16string name) : name(std::move(name)) {}
    HResult GetName(std::u16string* out) override { return Put(Enter(__func__), out, name); }
    HResult EnumPartsIncoming(std::shared_ptr<PartsList>* parts) override {
        return List(__func__, incoming, parts);
    }
    HResult EnumPartsOutgoing(std::shared_ptr<PartsList>* parts) override {
        return List(__func__, outgoing, parts);
    }
    HResult GetTopologyObject(std::shared_ptr<DeviceTopology>* out) override {
        return Hand(__func__, out, Borrow(topology), kENotFound);
    }
    HResult ActivateLevel(LevelKind kind, std::shared_ptr<LevelControl>* control) override {
        return Hand(__func__, control, levels[kind], kENoInterface);
    }
    HResult ActivateMute(std::shared_ptr<MuteControl>* control) override {
        return Hand(__func__, control, mute, kENoInterface);
    }
    HResult ActivateSwitch(SwitchKind kind, std::shared_ptr<SwitchControl>* control) override {
        return Hand(__func__, control, switches[kind], kENoInterface);
    }
    HResult GetConnectedTo(std::shared_ptr<Connector>* other) override {
        return Hand(__func__, other, Borrow<Connector>(connectedTo), kENotFound);
    }
    HResult QueryPart(std::shared_ptr<Part>* part) override {
        return Put(Enter(__func__), part, Borrow<Part>(this));
    }

    std::u16string name;
    std::vector<FakePart*> incoming, outgoing;
    DeviceTopology* topology = nullptr;
    FakePart* connectedTo = nullptr;
    std::map<LevelKind, std::shared_ptr<FakeControl>> levels;
    std::shared_ptr<FakeControl> mute;
    std::map<SwitchKind, std::shared_ptr<FakeControl>> switches;

  private:
    // A part without parts in that direction answers E_NOTFOUND, as the system does.
    HResult List(const std::string& method, const std::vector<FakePart*>& parts,
                 std::shared_ptr<PartsList>* out);
};

struct FakeTopology : DeviceTopology, Faults {
    HResult GetConnectorCount(uint32_t* count) override {
        return Put(Enter(__func__), count, static_cast<uint32_t>(connectors.size()));
    }
    HResult GetConnector(uint32_t index, std::shared_ptr<Connector>* out) override {
        const HResult hr = Enter(__func__);
        const bool has = index < connectors.size();
        return Put(Succeeded(hr) && !has ? kEInvalidArg : hr, out,
                   Borrow<Connector>(has ? connectors[index] : nullptr));
    }
    std::vector<FakePart*> connectors;
};

struct FakeDevice : Device, Faults {
    FakeDevice(std::u16string id, std::u16string name, Flow flow)
        : id(std::move(id)), name(std::move(name)), flow(flow) {}
    HResult GetId(std::u16string* out) override { return Put(Enter(__func__), out, id); }
    HResult GetFriendlyName(std::u16string* out) override {
        return Put(Enter(__func__), out, name);
    }
    HResult ActivateTopology(std::shared_ptr<DeviceTopology>* out) override {
        return Hand(__func__, out, Borrow<DeviceTopology>(topology), kENoInterface);
    }
    HResult ActivateEndpointVolume(std::shared_ptr<EndpointVolume>* out) override {
        return Hand(__func__, out, volume, kENoInterface);
    }

    std::u16string id, name;
    Flow flow;
    bool active = true;
    FakeTopology* topology = nullptr;  // none: E_NOINTERFACE, as under Wine
    std::shared_ptr<FakeControl> volume;
};

// The system is its own device enumerator. Its "ANSI code page" is Latin-1, with units
// from U+3000 to U+9FFF taken as double-byte characters and anything else as '?'.
class FakeAudioSystem : public AudioSystem, public DeviceEnumerator, public Faults {
  public:
    HResult Initialize() override { return Put(Enter(__func__), &initDepth, initDepth + 1); }
    void Uninitialize() override { --initDepth; }
    HResult CreateEnumerator(std::shared_ptr<DeviceEnumerator>* out) override {
        return Put(Enter(__func__), out, Borrow<DeviceEnumerator>(this));
    }
    std::string ToAnsi(std::u16string_view text) override;
    std::u16string FromAnsi(std::string_view text) override {
        return std::u16string(text.begin(), text.end());
    }
    HResult EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* out) override;
    HResult GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* out) override {
        const auto& id = flow == Flow::kRender ? defaultRender : defaultCapture;
        return Hand(__func__, out, Find(id.value_or(u""), true), kENotFound);
    }
    HResult GetDevice(const std::u16string& id, std::shared_ptr<Device>* out) override {
        return Hand(__func__, out, Find(id, false), kENotFound);
    }

    // Building. Endpoint ids are written as Windows writes them: {0.0.0.00000000}.{guid}
    // for playback, {0.0.1.00000000}.{guid} for capture.
    FakeDevice& AddDevice(Flow flow, const std::u16string& guid, const std::u16string& name);
    FakePart& AddPart(const std::u16string& name);
    // Data flows along the parts, each to the next.
    void Link(std::initializer_list<FakePart*> path);
    // A new adapter topology holding the given parts as its connectors, in order.
    FakeTopology& AddAdapterTopology(const std::vector<FakePart*>& connectorParts);
    // Gives the endpoint a topology whose connector 0 leads to adapterPart.
    void ConnectEndpoint(FakeDevice& device, FakePart& adapterPart);
    std::shared_ptr<FakeControl> AddLevel(FakePart& part, LevelKind kind, float minDb, float maxDb,
                                          std::vector<float> channels) {
        return part.levels[kind] = std::make_shared<FakeControl>(minDb, maxDb, channels);
    }
    std::shared_ptr<FakeControl> AddMute(FakePart& part, bool muted) {
        return part.mute = std::make_shared<FakeControl>(muted);
    }
    std::shared_ptr<FakeControl> AddSwitch(FakePart& part, SwitchKind kind, bool enabled) {
        return part.switches[kind] = std::make_shared<FakeControl>(enabled);
    }

    std::vector<std::shared_ptr<FakeDevice>> devices;
    std::optional<std::u16string> defaultRender, defaultCapture;
    int initDepth = 0;  // CoInitialize nesting; must be back at 0 after each export

  private:
    std::shared_ptr<Device> Find(const std::u16string& id, bool activeOnly) const;
    std::vector<std::unique_ptr<FakePart>> parts_;
    std::vector<std::unique_ptr<FakeTopology>> topologies_;
};

}  // namespace havro::fake
