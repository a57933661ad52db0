#include "fake_audio_system.h"

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
        *part = Borrow<Part>(parts_[index]);
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

HResult FakePart::List(const std::string& method, const std::vector<FakePart*>& parts,
                       std::shared_ptr<PartsList>* out) {
    const HResult hr = Enter(method);
    if (Failed(hr)) return hr;
    if (parts.empty()) return kENotFound;
    *out = std::make_shared<FakeList>(parts);
    return hr;
}

HResult FakePart::GetTopologyObject(std::shared_ptr<DeviceTopology>* out) {
    return Hand("GetTopologyObject", out, Borrow<DeviceTopology>(topology), kENotFound);
}

HResult FakeAudioSystem::EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* out) {
    std::vector<std::shared_ptr<FakeDevice>> active;
    for (auto& d : devices) {
        if (d->flow == flow && d->active) active.push_back(d);
    }
    return Move("EnumActiveEndpoints", out, std::make_shared<FakeCollection>(std::move(active)));
}

HResult FakeAudioSystem::GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* out) {
    const auto& id = flow == Flow::kRender ? defaultRender : defaultCapture;
    std::shared_ptr<Device> found;
    for (auto& d : devices) {
        if (id && d->id == *id && d->active) found = d;
    }
    return Hand("GetDefaultEndpoint", out, found, kENotFound);
}

HResult FakeAudioSystem::GetDevice(const std::u16string& id, std::shared_ptr<Device>* out) {
    std::shared_ptr<Device> found;
    for (auto& d : devices) {
        if (d->id == id) found = d;
    }
    return Hand("GetDevice", out, found, kENotFound);
}

std::string FakeAudioSystem::ToAnsi(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c <= 0xFF) {
            out.push_back(static_cast<char>(c));
        } else if (c >= 0x3000 && c <= 0x9FFF) {
            out += "\x88\xA0";
        } else {
            out.push_back('?');
        }
    }
    return out;
}

FakeDevice& FakeAudioSystem::AddDevice(Flow flow, const std::u16string& guid,
                                       const std::u16string& name) {
    const std::u16string prefix =
        flow == Flow::kRender ? u"{0.0.0.00000000}.{" : u"{0.0.1.00000000}.{";
    auto d = std::make_shared<FakeDevice>(prefix + guid + u"}", name, flow);
    d->volume = std::make_shared<FakeControl>(-65.25f, 0.0f, std::vector<float>{-10, -10});
    devices.push_back(d);
    return *d;
}

FakePart& FakeAudioSystem::AddPart(const std::u16string& name) {
    parts_.push_back(std::make_unique<FakePart>(name));
    return *parts_.back();
}

void FakeAudioSystem::Link(std::initializer_list<FakePart*> path) {
    for (auto it = path.begin(); it + 1 != path.end(); ++it) {
        (*it)->outgoing.push_back(it[1]);
        it[1]->incoming.push_back(*it);
    }
}

FakeTopology& FakeAudioSystem::AddAdapterTopology(const std::vector<FakePart*>& parts) {
    topologies_.push_back(std::make_unique<FakeTopology>());
    for (FakePart* p : parts) p->topology = topologies_.back().get();
    topologies_.back()->connectors = parts;
    return *topologies_.back();
}

void FakeAudioSystem::ConnectEndpoint(FakeDevice& device, FakePart& adapterPart) {
    FakePart& endpointSide = AddPart(u"");
    endpointSide.connectedTo = &adapterPart;
    topologies_.push_back(std::make_unique<FakeTopology>());
    topologies_.back()->connectors = {&endpointSide};
    device.topology = topologies_.back().get();
}

std::shared_ptr<FakeControl> FakeAudioSystem::AddLevel(FakePart& part, LevelKind kind, float minDb,
                                                       float maxDb, std::vector<float> channels) {
    return part.levels[kind] = std::make_shared<FakeControl>(minDb, maxDb, std::move(channels));
}

std::shared_ptr<FakeControl> FakeAudioSystem::AddMute(FakePart& part, bool muted) {
    return part.mute = std::make_shared<FakeControl>(muted);
}

std::shared_ptr<FakeControl> FakeAudioSystem::AddSwitch(FakePart& part, SwitchKind kind,
                                                        bool enabled) {
    return part.switches[kind] = std::make_shared<FakeControl>(enabled);
}

}  // namespace havro::fake
