// An in-memory Core Audio for the HavroVista core: every method answers the code Fail chose
// for it (a success code still hands out the value), else S_OK. The system owns every object
// and lends them out; it outlives any Library.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <source_location>
#include <string>
#include <tuple>
#include <vector>

#include "audio_system.h"

namespace havro::fake {

template <class T>
using Ptr = std::shared_ptr<T>;
using Levels = std::vector<float>;
using Where = std::source_location;  // names the fake method called, as Fail takes it

struct Faults {
    void Fail(const std::string& method, HResult code = kEFail) { codes[method] = code; }
    // Answers the calling method's code, writing `value` to `*out` unless it is a failure.
    template <class T, class V>
    HResult Give(T* out, const V& value, Where where = Where::current()) {
        std::string_view name = where.function_name();  // "... Class::Method(...)"
        name = name.substr(0, name.find('('));
        const std::string method(name.substr(name.rfind(':') + 1));
        const auto it = codes.find(method);
        const HResult hr = it != codes.end() ? it->second : method == everywhere ? kEFail : kSOk;
        if (Succeeded(hr)) *out = value;
        return hr;
    }
    // Hands out an object (borrowed when the system owns it), or answers `none`.
    template <class T, class V>
    HResult Hand(Ptr<T>* out, const Ptr<V>& object, HResult none = kENoInterface,
                 Where where = Where::current()) {
        return object ? Give(out, object, where) : none;
    }
    template <class T, class V>
    HResult Hand(Ptr<T>* out, V* object, HResult none = kENoInterface,
                 Where where = Where::current()) {
        return Hand(out, Ptr<T>(Ptr<T>(), object), none, where);
    }
    std::map<std::string, HResult> codes;
    static inline std::string everywhere;  // a method that fails on every object
};

// One control answering as any control interface: an endpoint volume (its master level is
// channel 0's), a per-channel dB level, a mute or a switch. Each channel keeps its own value;
// a channel the control lacks throws, failing the test.
struct FakeControl : EndpointVolume, LevelControl, MuteControl, SwitchControl, Faults {
    FakeControl(float min, float max, Levels db, bool on = false)
        : min(min), max(max), db(std::move(db)), on(on) {}
    HResult GetChannelCount(uint32_t* n) override { return Give(n, db.size()); }
    HResult GetVolumeRange(float* a, float* b, float* c) override { return Range(a, b, c); }
    HResult GetLevelRange(uint32_t, float* a, float* b, float* c) override {
        return Range(a, b, c);
    }
    HResult SetMasterVolumeLevel(float v) override { return Give(&db, Levels(db.size(), v)); }
    HResult GetMasterVolumeLevel(float* v) override { return Give(v, db.at(0)); }
    HResult SetChannelVolumeLevel(uint32_t c, float v) override { return Give(&db.at(c), v); }
    HResult GetChannelVolumeLevel(uint32_t c, float* v) override { return Give(v, db.at(c)); }
    HResult SetLevel(uint32_t c, float v) override { return Give(&db.at(c), v); }
    HResult GetLevel(uint32_t c, float* v) override { return Give(v, db.at(c)); }
    HResult SetMute(bool v) override { return Give(&on, v); }
    HResult GetMute(bool* v) override { return Give(v, on); }
    HResult SetEnabled(bool v) override { return Give(&on, v); }
    HResult GetEnabled(bool* v) override { return Give(v, on); }
    HResult Range(float* a, float* b, float* c, Where where = Where::current()) {
        Give(a, min, where), Give(b, max, where);
        return Give(c, step, where);
    }

    float min, max, step = 1.5f;
    Levels db;  // per channel
    bool on;    // muted, or enabled
};

// The controls of a part, by LevelKind, then the mute, then by SwitchKind.
enum Slot { kVolume, kBass, kMidrange, kTreble, kMute, kAgc, kLoudness };

// Any other object: an endpoint device, a part (connectors are parts), or a list (of parts,
// of devices, or a topology's connectors). Each is built with the fields of its role only.
struct FakePart : Device, DeviceCollection, DeviceTopology, PartsList, Part, Connector, Faults {
    explicit FakePart(std::u16string name = u"") : name(std::move(name)) {}
    HResult GetId(std::u16string* out) override { return Give(out, id); }
    HResult GetName(std::u16string* out) override { return Give(out, name); }
    HResult GetFriendlyName(std::u16string* out) override { return Give(out, name); }
    HResult ActivateTopology(Ptr<DeviceTopology>* out) override { return Hand(out, topology); }
    HResult GetTopologyObject(Ptr<DeviceTopology>* out) override {
        return Hand(out, topology, kENotFound);
    }
    HResult ActivateEndpointVolume(Ptr<EndpointVolume>* out) override { return Hand(out, volume); }
    HResult GetCount(uint32_t* n) override { return Give(n, items.size()); }
    HResult GetConnectorCount(uint32_t* n) override { return Give(n, items.size()); }
    HResult Item(uint32_t i, Ptr<Device>* out) override { return Nth(i, out); }
    HResult GetPart(uint32_t i, Ptr<Part>* out) override { return Nth(i, out); }
    HResult GetConnector(uint32_t i, Ptr<Connector>* out) override { return Nth(i, out); }
    HResult EnumPartsIncoming(Ptr<PartsList>* out) override { return List(incoming, out); }
    HResult EnumPartsOutgoing(Ptr<PartsList>* out) override { return List(outgoing, out); }
    HResult ActivateLevel(LevelKind k, Ptr<LevelControl>* out) override { return Act(int(k), out); }
    HResult ActivateMute(Ptr<MuteControl>* out) override { return Act(kMute, out); }
    HResult ActivateSwitch(SwitchKind k, Ptr<SwitchControl>* out) override {
        return Act(kAgc + int(k), out);
    }
    HResult GetConnectedTo(Ptr<Connector>* out) override {
        return Hand(out, connectedTo, kENotFound);
    }
    HResult QueryPart(Ptr<Part>* out) override { return Hand(out, this); }

    template <class T>
    HResult Nth(uint32_t i, Ptr<T>* out, Where where = Where::current()) {
        return Hand(out, i < items.size() ? items[i] : nullptr, kEInvalidArg, where);
    }
    template <class T>
    HResult Act(int slot, Ptr<T>* out, Where where = Where::current()) {  // activation
        return Hand(out, controls[slot], kENoInterface, where);
    }
    // An empty list is E_NOTFOUND, as the system answers.
    HResult List(const std::vector<FakePart*>& parts, Ptr<PartsList>* out,
                 Where where = Where::current()) {
        auto list = std::make_shared<FakePart>();
        list->items = parts;
        return Hand(out, parts.empty() ? nullptr : list, kENotFound, where);
    }

    std::u16string id, name;
    std::vector<FakePart*> incoming, outgoing, items;  // a list's items
    FakePart* topology = nullptr;              // a device's, or the adapter's of a connector
    FakePart* connectedTo = nullptr;           // a connector's
    std::map<int, Ptr<FakeControl>> controls;  // a part's, by Slot
    Ptr<FakeControl> volume;                   // a device's
    Flow flow = Flow::kRender;
    std::map<std::string, FakePart*> parts;  // the parts a rig built for a device, by name
};

// The system is its own device enumerator. Its "ANSI code page" is Latin-1, with units from
// U+3000 to U+9FFF taken as double-byte characters and anything else as '?'.
class FakeAudioSystem : public AudioSystem, public DeviceEnumerator, public Faults {
  public:
    HResult Initialize() override { return Give(&initDepth, initDepth + 1); }
    void Uninitialize() override { --initDepth; }
    HResult CreateEnumerator(Ptr<DeviceEnumerator>* out) override { return Hand(out, this); }
    std::string ToAnsi(std::u16string_view text) override {
        std::string out;
        for (char16_t c : text)
            out += c <= 0xFF ? std::string(1, char(c)) : Wide(c) ? "\x88\xA0" : "?";
        return out;
    }
    static bool Wide(char16_t c) { return c >= 0x3000 && c <= 0x9FFF; }
    std::u16string FromAnsi(std::string_view text) override { return {text.begin(), text.end()}; }
    HResult EnumActiveEndpoints(Flow flow, Ptr<DeviceCollection>* out) override {
        auto list = std::make_shared<FakePart>();
        std::copy_if(devices.begin(), devices.end(), std::back_inserter(list->items),
                     [&](FakePart* d) { return d->flow == flow; });
        return Give(out, list);
    }
    HResult GetDefaultEndpoint(Flow f, Ptr<Device>* out) override {
        return Find(defaults[int(f)], out);
    }
    HResult GetDevice(const std::u16string& id, Ptr<Device>* out) override { return Find(id, out); }
    HResult Find(const std::u16string& id, Ptr<Device>* out, Where where = Where::current()) {
        FakePart* found = nullptr;
        for (FakePart* d : devices) found = d->id == id ? d : found;
        return Hand(out, found, kENotFound, where);
    }

    // Building. Endpoint ids are written as Windows writes them: {0.0.0.00000000}.{guid} for
    // playback, {0.0.1.00000000}.{guid} for capture.
    FakePart& AddDevice(Flow flow, const std::u16string& guid, const std::u16string& name) {
        FakePart& d = *devices.emplace_back(&AddPart(name));
        d.id = (flow == Flow::kRender ? u"{0.0.0" : u"{0.0.1") + (u".00000000}.{" + guid + u"}");
        d.flow = flow;
        d.volume = controls.emplace_back(std::make_shared<FakeControl>(-96, 0, Levels{-20, -20}));
        return d;
    }
    FakePart& AddPart(const std::u16string& name) { return parts_.emplace_back(name); }
    // Data flows along the parts, each to the next.
    void Link(std::initializer_list<FakePart*> path) {
        for (auto it = path.begin(); it + 1 != path.end(); ++it) {
            (*it)->outgoing.push_back(it[1]);
            it[1]->incoming.push_back(*it);
        }
    }
    FakePart& AddAdapterTopology(const std::vector<FakePart*>& connectors) {
        FakePart& t = AddPart(u"");
        for (FakePart* p : connectors) p->topology = &t;
        t.items = connectors;
        return t;
    }
    // Gives the endpoint a topology whose connector 0 leads to adapterPart.
    void ConnectEndpoint(FakePart& device, FakePart& adapterPart) {
        FakePart& endpointSide = AddPart(u"");
        endpointSide.connectedTo = &adapterPart;
        device.topology = &AddAdapterTopology({&endpointSide});
    }
    void Add(FakePart& part, int slot, const FakeControl& c) {
        part.controls[slot] = controls.emplace_back(std::make_shared<FakeControl>(c));
    }
    void AddLevel(FakePart& p, LevelKind k, float mn, float mx, Levels db) {
        Add(p, int(k), {mn, mx, db});
    }
    void AddMute(FakePart& p, bool on) { Add(p, kMute, {0, 0, {}, on}); }
    void AddSwitch(FakePart& p, SwitchKind k, bool on) { Add(p, kAgc + int(k), {0, 0, {}, on}); }

    // An endpoint from data: each path flows from its first part to its last; the endpoint
    // leads to the first connector.
    struct Rig {
        std::vector<std::vector<const char*>> paths;
        std::vector<const char*> connectors;
        std::vector<std::tuple<const char*, int, FakeControl>> controls;  // part, slot, control
        FakeControl volume;
    };
    FakePart& Build(Flow flow, const std::u16string& guid, const std::u16string& name,
                    const Rig& rig) {
        FakePart& d = AddDevice(flow, guid, name);
        auto part = [&](std::string_view n) -> FakePart& {
            FakePart*& p = d.parts[std::string(n)];
            return p ? *p : *(p = &AddPart({n.begin(), n.end()}));
        };
        for (const auto& path : rig.paths) {
            for (size_t i = 1; i < path.size(); ++i) Link({&part(path[i - 1]), &part(path[i])});
        }
        std::vector<FakePart*> connectors;
        for (const char* c : rig.connectors) connectors.push_back(&part(c));
        ConnectEndpoint(d, *AddAdapterTopology(connectors).items[0]);
        for (const auto& [p, slot, c] : rig.controls) Add(part(p), slot, c);
        *d.volume = rig.volume;
        return d;
    }

    std::vector<FakePart*> devices;
    std::vector<Ptr<FakeControl>> controls;  // every control built, in order
    std::u16string defaults[2];              // the default render and capture endpoint ids
    int initDepth = 0;                       // CoInitialize nesting; back at 0 after each export

  private:
    std::deque<FakePart> parts_;
};

}  // namespace havro::fake
