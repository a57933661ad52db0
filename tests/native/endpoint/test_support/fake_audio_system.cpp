#include "fake_audio_system.h"

#include <algorithm>

namespace havro::fake {
namespace {

class FakeList : public PartsList {
  public:
    explicit FakeList(std::vector<FakePart*> parts) : parts_(std::move(parts)) {}
    HResult GetCount(uint32_t* count) override {
        *count = static_cast<uint32_t>(parts_.size());
        return kSOk;
    }
    HResult GetPart(uint32_t index, std::shared_ptr<Part>* part) override {
        if (index >= parts_.size()) return kEInvalidArg;
        *part = parts_[index]->shared_from_this();
        return kSOk;
    }

  private:
    std::vector<FakePart*> parts_;
};

class FakeCollection : public DeviceCollection {
  public:
    explicit FakeCollection(std::vector<std::shared_ptr<FakeDevice>> devices)
        : devices_(std::move(devices)) {}
    HResult GetCount(uint32_t* count) override {
        *count = static_cast<uint32_t>(devices_.size());
        return kSOk;
    }
    HResult Item(uint32_t index, std::shared_ptr<Device>* device) override {
        if (index >= devices_.size()) return kEInvalidArg;
        *device = devices_[index];
        return kSOk;
    }

  private:
    std::vector<std::shared_ptr<FakeDevice>> devices_;
};

}  // namespace

std::u16string EndpointId(Flow flow, const std::u16string& guid) {
    return (flow == Flow::kRender ? u"{0.0.0.00000000}.{" : u"{0.0.1.00000000}.{") + guid + u"}";
}

// ---- Controls --------------------------------------------------------------------------

FakeEndpointVolume::FakeEndpointVolume(float minDb, float maxDb, uint32_t channels, float levelDb)
    : minDb(minDb), maxDb(maxDb), masterDb(levelDb), channelDb(channels, levelDb) {}

HResult FakeEndpointVolume::GetVolumeRange(float* mn, float* mx, float* st) {
    HResult hr = Enter("GetVolumeRange");
    if (Succeeded(hr)) *mn = minDb, *mx = maxDb, *st = stepDb;
    return hr;
}
HResult FakeEndpointVolume::SetMasterVolumeLevel(float db) {
    HResult hr = Enter("SetMasterVolumeLevel");
    if (Succeeded(hr)) {
        masterDb = db;
        std::fill(channelDb.begin(), channelDb.end(), db);
    }
    return hr;
}
HResult FakeEndpointVolume::SetChannelVolumeLevel(uint32_t channel, float db) {
    HResult hr = Enter("SetChannelVolumeLevel");
    if (Failed(hr)) return hr;
    if (channel >= channelDb.size()) return kEInvalidArg;
    channelDb[channel] = db;
    masterDb = *std::max_element(channelDb.begin(), channelDb.end());
    return hr;
}
HResult FakeEndpointVolume::GetChannelVolumeLevel(uint32_t channel, float* db) {
    HResult hr = Enter("GetChannelVolumeLevel");
    if (Failed(hr)) return hr;
    if (channel >= channelDb.size()) return kEInvalidArg;
    *db = channelDb[channel];
    return hr;
}
HResult FakeEndpointVolume::SetMute(bool mute) {
    HResult hr = Enter("SetMute");
    if (Failed(hr)) return hr;
    const bool changed = muted != mute;
    muted = mute;
    return changed ? kSOk : setMuteResult;
}

FakeLevelControl::FakeLevelControl(float minDb, float maxDb, uint32_t channels, float levelDb)
    : minDb(minDb), maxDb(maxDb), channelDb(channels, levelDb) {}

HResult FakeLevelControl::GetLevelRange(uint32_t channel, float* mn, float* mx, float* st) {
    HResult hr = Enter("GetLevelRange");
    if (Failed(hr)) return hr;
    if (channel >= channelDb.size()) return kEInvalidArg;
    *mn = minDb, *mx = maxDb, *st = stepDb;
    return hr;
}
HResult FakeLevelControl::GetLevel(uint32_t channel, float* db) {
    HResult hr = Enter("GetLevel");
    if (Failed(hr)) return hr;
    if (channel >= channelDb.size()) return kEInvalidArg;
    *db = channelDb[channel];
    return hr;
}
HResult FakeLevelControl::SetLevel(uint32_t channel, float db) {
    HResult hr = Enter("SetLevel");
    if (Failed(hr)) return hr;
    if (channel >= channelDb.size()) return kEInvalidArg;
    channelDb[channel] = db;
    return setLevelResult;
}

HResult FakeMuteControl::SetMute(bool mute) {
    HResult hr = Enter("SetMute");
    if (Failed(hr)) return hr;
    muted = mute;
    return setMuteResult;
}

HResult FakeSwitchControl::SetEnabled(bool value) {
    HResult hr = Enter("SetEnabled");
    if (Succeeded(hr)) enabled = value;
    return hr;
}

// ---- Topology --------------------------------------------------------------------------

HResult FakePart::EnumPartsIncoming(std::shared_ptr<PartsList>* parts) {
    HResult hr = Enter("EnumPartsIncoming");
    if (Failed(hr)) return hr;
    if (incoming.empty()) return kENotFound;  // as the system reports a part without inputs
    *parts = std::make_shared<FakeList>(incoming);
    return hr;
}
HResult FakePart::EnumPartsOutgoing(std::shared_ptr<PartsList>* parts) {
    HResult hr = Enter("EnumPartsOutgoing");
    if (Failed(hr)) return hr;
    if (outgoing.empty()) return kENotFound;
    *parts = std::make_shared<FakeList>(outgoing);
    return hr;
}
HResult FakePart::GetTopologyObject(std::shared_ptr<DeviceTopology>* out) {
    HResult hr = Enter("GetTopologyObject");
    if (Failed(hr)) return hr;
    if (topology == nullptr) return kENotFound;
    *out = topology->shared_from_this();
    return hr;
}
HResult FakePart::ActivateLevel(LevelKind kind, std::shared_ptr<LevelControl>* control) {
    HResult hr = Enter("ActivateLevel");
    if (Failed(hr)) return hr;
    auto it = levels.find(kind);
    if (it == levels.end()) return kENoInterface;
    *control = it->second;
    return hr;
}
HResult FakePart::ActivateSwitch(SwitchKind kind, std::shared_ptr<SwitchControl>* control) {
    HResult hr = Enter("ActivateSwitch");
    if (Failed(hr)) return hr;
    auto it = switches.find(kind);
    if (it == switches.end()) return kENoInterface;
    *control = it->second;
    return hr;
}

HResult FakeConnector::QueryPart(std::shared_ptr<Part>* out) {
    HResult hr = Enter("QueryPart");
    if (Failed(hr)) return hr;
    if (part == nullptr) return kENoInterface;
    *out = part->shared_from_this();
    return hr;
}

HResult FakeDeviceTopology::GetConnector(uint32_t index, std::shared_ptr<Connector>* out) {
    HResult hr = Enter("GetConnector");
    if (Failed(hr)) return hr;
    if (index >= connectors.size()) return kEInvalidArg;
    *out = connectors[index];
    return hr;
}

// ---- Devices ---------------------------------------------------------------------------

HResult FakeEnumerator::EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* out) {
    HResult hr = Enter("EnumActiveEndpoints");
    if (Failed(hr)) return hr;
    std::vector<std::shared_ptr<FakeDevice>> active;
    for (auto& d : system_.devices) {
        if (d->flow == flow && d->active) active.push_back(d);
    }
    *out = std::make_shared<FakeCollection>(std::move(active));
    return hr;
}
HResult FakeEnumerator::GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* out) {
    HResult hr = Enter("GetDefaultEndpoint");
    if (Failed(hr)) return hr;
    const auto& id = flow == Flow::kRender ? system_.defaultRender : system_.defaultCapture;
    if (!id) return kENotFound;
    for (auto& d : system_.devices) {
        if (d->id == *id && d->active) {
            *out = d;
            return hr;
        }
    }
    return kENotFound;
}
HResult FakeEnumerator::GetDevice(const std::u16string& id, std::shared_ptr<Device>* out) {
    HResult hr = Enter("GetDevice");
    if (Failed(hr)) return hr;
    for (auto& d : system_.devices) {
        if (d->id == id) {
            *out = d;
            return hr;
        }
    }
    return kENotFound;
}

FakeAudioSystem::FakeAudioSystem() : enumerator(std::make_shared<FakeEnumerator>(*this)) {}

HResult FakeAudioSystem::Initialize() {
    HResult hr = Enter("Initialize");
    if (Succeeded(hr)) ++initDepth;
    return hr;
}
void FakeAudioSystem::Uninitialize() {
    Enter("Uninitialize");
    --initDepth;
}

std::string FakeAudioSystem::ToAnsi(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c <= 0xFF) {
            out.push_back(static_cast<char>(c));
        } else if (c >= 0x3000 && c <= 0x9FFF) {
            out.push_back(static_cast<char>(0x88));
            out.push_back(static_cast<char>(0xA0));
        } else {
            out.push_back('?');
        }
    }
    return out;
}
std::u16string FakeAudioSystem::FromAnsi(std::string_view text) {
    std::u16string out;
    for (char c : text) out.push_back(static_cast<unsigned char>(c));
    return out;
}

FakeDevice& FakeAudioSystem::AddDevice(Flow flow, const std::u16string& guid,
                                       const std::u16string& name) {
    auto d = std::make_shared<FakeDevice>(EndpointId(flow, guid), name, flow);
    d->volume = std::make_shared<FakeEndpointVolume>(-65.25f, 0.0f, 2, -10.0f);
    devices.push_back(d);
    return *d;
}

FakePart& FakeAudioSystem::AddPart(const std::u16string& name) {
    parts_.push_back(std::make_shared<FakePart>(name));
    return *parts_.back();
}

void FakeAudioSystem::Link(FakePart& from, FakePart& to) {
    from.outgoing.push_back(&to);
    to.incoming.push_back(&from);
}

FakeDeviceTopology& FakeAudioSystem::AddAdapterTopology(const std::vector<FakePart*>& parts) {
    auto t = std::make_shared<FakeDeviceTopology>();
    for (FakePart* p : parts) {
        auto c = std::make_shared<FakeConnector>();
        c->part = p;
        p->topology = t.get();
        t->connectors.push_back(c);
    }
    topologies_.push_back(t);
    return *t;
}

void FakeAudioSystem::ConnectEndpoint(FakeDevice& device, FakePart& adapterPart) {
    auto endpointSide = std::make_shared<FakeConnector>();
    auto adapterSide = std::make_shared<FakeConnector>();
    adapterSide->part = &adapterPart;
    endpointSide->connectedTo = adapterSide;
    device.topology = std::make_shared<FakeDeviceTopology>();
    device.topology->connectors.push_back(endpointSide);
}

std::shared_ptr<FakeLevelControl> FakeAudioSystem::AddLevel(FakePart& part, LevelKind kind,
                                                            float minDb, float maxDb, float levelDb,
                                                            uint32_t channels) {
    auto c = std::make_shared<FakeLevelControl>(minDb, maxDb, channels, levelDb);
    part.levels[kind] = c;
    return c;
}

std::shared_ptr<FakeMuteControl> FakeAudioSystem::AddMute(FakePart& part, bool muted) {
    part.mute = std::make_shared<FakeMuteControl>(muted);
    return part.mute;
}

std::shared_ptr<FakeSwitchControl> FakeAudioSystem::AddSwitch(FakePart& part, SwitchKind kind,
                                                              bool enabled) {
    auto c = std::make_shared<FakeSwitchControl>(enabled);
    part.switches[kind] = c;
    return c;
}

}  // namespace havro::fake
