// An in-memory Core Audio for the HavroVista core. Every method of every object answers the
// code Fail chose for it, else S_OK (a success code such as S_FALSE still hands the value
// out). The FakeAudioSystem owns the endpoints, parts and topologies and lends them out; keep
// it alive longer than any Library.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio_system.h"

namespace havro::fake {

// A shared_ptr that does not own `p`.
template <class T>
std::shared_ptr<T> Lend(T* p) {
    return std::shared_ptr<T>(std::shared_ptr<T>(), p);
}

struct Faults {
    void Fail(const std::string& method, HResult code = kEFail) { codes[method] = code; }
    // Answers the method's code, writing `value` to `*out` unless it is a failure.
    template <class T, class V>
    HResult Give(const std::string& method, T* out, const V& value) {
        const auto it = codes.find(method);
        const HResult hr = it != codes.end() ? it->second : method == everywhere ? kEFail : kSOk;
        if (Succeeded(hr)) *out = value;
        return hr;
    }
    // Hands out an object; `none` when there is none.
    template <class T, class V>
    HResult Hand(const std::string& method, T* out, const V& object, HResult none) {
        return object ? Give(method, out, object) : none;
    }
    std::map<std::string, HResult> codes;
    static inline std::string everywhere;  // a method that fails on every object
};

// One control answering as any control interface: an endpoint volume (its master level is
// channel 0's), a per-channel dB level, a mute or a switch. Each channel keeps its own value,
// so a level read from or put back to the wrong channel shows; a channel the control lacks
// throws, failing the test.
struct FakeControl : EndpointVolume, LevelControl, MuteControl, SwitchControl, Faults {
    FakeControl(float minDb, float maxDb, std::vector<float> channels, bool on = false)
        : minDb(minDb), maxDb(maxDb), channelDb(std::move(channels)), on(on) {}
    HResult GetChannelCount(uint32_t* n) override {
        return Give(__func__, n, static_cast<uint32_t>(channelDb.size()));
    }
    HResult GetVolumeRange(float* mn, float* mx, float* st) override {
        return Range(__func__, mn, mx, st);
    }
    HResult GetLevelRange(uint32_t, float* mn, float* mx, float* st) override {
        return Range(__func__, mn, mx, st);
    }
    HResult SetMasterVolumeLevel(float db) override {
        return Give(__func__, &channelDb, std::vector<float>(channelDb.size(), db));
    }
    HResult GetMasterVolumeLevel(float* db) override { return Give(__func__, db, channelDb.at(0)); }
    HResult SetChannelVolumeLevel(uint32_t c, float db) override {
        return Give(__func__, &channelDb.at(c), db);
    }
    HResult GetChannelVolumeLevel(uint32_t c, float* db) override {
        return Give(__func__, db, channelDb.at(c));
    }
    HResult SetLevel(uint32_t c, float db) override { return Give(__func__, &channelDb.at(c), db); }
    HResult GetLevel(uint32_t c, float* db) override { return Give(__func__, db, channelDb.at(c)); }
    HResult SetMute(bool v) override { return Give(__func__, &on, v); }
    HResult GetMute(bool* v) override { return Give(__func__, v, on); }
    HResult SetEnabled(bool v) override { return Give(__func__, &on, v); }
    HResult GetEnabled(bool* v) override { return Give(__func__, v, on); }

    HResult Range(const char* method, float* mn, float* mx, float* st) {
        Give(method, mn, minDb), Give(method, mx, maxDb);
        return Give(method, st, stepDb);
    }
    float minDb, maxDb, stepDb = 1.5f;
    std::vector<float> channelDb;
    bool on;  // muted, or enabled
};

// The controls of a part, by LevelKind, then the mute, then by SwitchKind.
enum Slot { kVolume, kBass, kMidrange, kTreble, kMute, kAgc, kLoudness };

struct FakeList;

// A part, and a connector too (connectors are parts).
struct FakePart : Part, Connector, Faults {
    explicit FakePart(std::u16string name) : name(std::move(name)) {}
    HResult GetName(std::u16string* out) override { return Give(__func__, out, name); }
    HResult EnumPartsIncoming(std::shared_ptr<PartsList>* out) override {
        return List(__func__, incoming, out);
    }
    HResult EnumPartsOutgoing(std::shared_ptr<PartsList>* out) override {
        return List(__func__, outgoing, out);
    }
    HResult GetTopologyObject(std::shared_ptr<DeviceTopology>* out) override;
    HResult ActivateLevel(LevelKind kind, std::shared_ptr<LevelControl>* out) override {
        return Hand(__func__, out, controls[static_cast<int>(kind)], kENoInterface);
    }
    HResult ActivateMute(std::shared_ptr<MuteControl>* out) override {
        return Hand(__func__, out, controls[kMute], kENoInterface);
    }
    HResult ActivateSwitch(SwitchKind kind, std::shared_ptr<SwitchControl>* out) override {
        return Hand(__func__, out, controls[kAgc + static_cast<int>(kind)], kENoInterface);
    }
    HResult GetConnectedTo(std::shared_ptr<Connector>* out) override {
        return Hand(__func__, out, Lend<Connector>(connectedTo), kENotFound);
    }
    HResult QueryPart(std::shared_ptr<Part>* out) override {
        return Give(__func__, out, Lend<Part>(this));
    }

    std::u16string name;
    std::vector<FakePart*> incoming, outgoing;
    FakeList* topology = nullptr;
    FakePart* connectedTo = nullptr;
    std::map<int, std::shared_ptr<FakeControl>> controls;  // by Slot

  private:
    // An empty list is E_NOTFOUND, as the system answers.
    HResult List(const char* method, const std::vector<FakePart*>& parts,
                 std::shared_ptr<PartsList>* out);
};

// A parts list, a device collection or a topology's connectors.
struct FakeList : PartsList, DeviceCollection, DeviceTopology, Faults {
    HResult GetCount(uint32_t* n) override {
        return Give(__func__, n, static_cast<uint32_t>(parts.size() + devices.size()));
    }
    HResult GetConnectorCount(uint32_t* n) override {
        return Give(__func__, n, static_cast<uint32_t>(parts.size()));
    }
    HResult GetPart(uint32_t i, std::shared_ptr<Part>* out) override {
        return Hand(__func__, out, Lend<Part>(i < parts.size() ? parts[i] : nullptr), kEInvalidArg);
    }
    HResult GetConnector(uint32_t i, std::shared_ptr<Connector>* out) override {
        return Hand(__func__, out, Lend<Connector>(i < parts.size() ? parts[i] : nullptr),
                    kEInvalidArg);
    }
    HResult Item(uint32_t i, std::shared_ptr<Device>* out) override {
        return Hand(__func__, out, i < devices.size() ? devices[i] : nullptr, kEInvalidArg);
    }
    std::vector<FakePart*> parts;
    std::vector<std::shared_ptr<Device>> devices;
};

struct FakeDevice : Device, Faults {
    HResult GetId(std::u16string* out) override { return Give(__func__, out, id); }
    HResult GetFriendlyName(std::u16string* out) override { return Give(__func__, out, name); }
    HResult ActivateTopology(std::shared_ptr<DeviceTopology>* out) override {
        return Hand(__func__, out, Lend<DeviceTopology>(topology), kENoInterface);
    }
    HResult ActivateEndpointVolume(std::shared_ptr<EndpointVolume>* out) override {
        return Hand(__func__, out, volume, kENoInterface);
    }
    std::u16string id, name;
    Flow flow = Flow::kRender;
    bool active = true;
    FakeList* topology = nullptr;  // none: E_NOINTERFACE, as under Wine
    std::shared_ptr<FakeControl> volume;
    std::map<std::string, FakePart*> parts;  // the parts a rig built for it, by name
    FakePart& operator[](const std::string& part) { return *parts.at(part); }
    FakeControl& At(const std::string& part, int slot) {
        return *parts.at(part)->controls.at(slot);
    }
};

// The system is its own device enumerator. Its "ANSI code page" is Latin-1, with units from
// U+3000 to U+9FFF taken as double-byte characters and anything else as '?'.
class FakeAudioSystem : public AudioSystem, public DeviceEnumerator, public Faults {
  public:
    HResult Initialize() override { return Give(__func__, &initDepth, initDepth + 1); }
    void Uninitialize() override { --initDepth; }
    HResult CreateEnumerator(std::shared_ptr<DeviceEnumerator>* out) override {
        return Give(__func__, out, Lend<DeviceEnumerator>(this));
    }
    std::string ToAnsi(std::u16string_view text) override;
    std::u16string FromAnsi(std::string_view text) override { return {text.begin(), text.end()}; }
    HResult EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* out) override;
    HResult GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* out) override {
        return Hand(__func__, out, Find(defaults[static_cast<int>(flow)], true), kENotFound);
    }
    HResult GetDevice(const std::u16string& id, std::shared_ptr<Device>* out) override {
        return Hand(__func__, out, Find(id, false), kENotFound);
    }

    // Building. Endpoint ids are written as Windows writes them: {0.0.0.00000000}.{guid} for
    // playback, {0.0.1.00000000}.{guid} for capture.
    FakeDevice& AddDevice(Flow flow, const std::u16string& guid, const std::u16string& name);
    FakePart& AddPart(const std::u16string& name) { return parts_.emplace_back(name); }
    // Data flows along the parts, each to the next.
    void Link(std::initializer_list<FakePart*> path);
    // A new adapter topology holding the given parts as its connectors, in order.
    FakeList& AddAdapterTopology(const std::vector<FakePart*>& connectors);
    // Gives the endpoint a topology whose connector 0 leads to adapterPart.
    void ConnectEndpoint(FakeDevice& device, FakePart& adapterPart);
    FakeControl& Add(FakePart& part, int slot, FakeControl control) {
        return *(part.controls[slot] = std::make_shared<FakeControl>(std::move(control)));
    }
    void AddLevel(FakePart& p, LevelKind k, float mn, float mx, std::vector<float> channels) {
        Add(p, static_cast<int>(k), {mn, mx, std::move(channels)});
    }
    void AddMute(FakePart& p, bool on) { Add(p, kMute, {0, 0, {}, on}); }
    void AddSwitch(FakePart& p, SwitchKind k, bool on) {
        Add(p, kAgc + static_cast<int>(k), {0, 0, {}, on});
    }

    std::vector<std::shared_ptr<FakeDevice>> devices;
    std::u16string defaults[2];  // the default render and capture endpoint ids
    int initDepth = 0;           // CoInitialize nesting; back at 0 after each export

  private:
    std::shared_ptr<FakeDevice> Find(const std::u16string& id, bool activeOnly) const;
    std::deque<FakePart> parts_;
    std::deque<FakeList> lists_;
};

}  // namespace havro::fake
