#include "fake_audio_system.h"

namespace havro::fake {
namespace {

// A parts list or a device collection, as the system hands them out.
struct FakeList : PartsList, DeviceCollection {
    HResult GetCount(uint32_t* count) override {
        *count = static_cast<uint32_t>(parts.size() + devices.size());
        return kSOk;
    }
    HResult GetPart(uint32_t index, std::shared_ptr<Part>* part) override {
        return index < parts.size() ? (*part = Borrow<Part>(parts[index]), kSOk) : kEInvalidArg;
    }
    HResult Item(uint32_t index, std::shared_ptr<Device>* device) override {
        return index < devices.size() ? (*device = devices[index], kSOk) : kEInvalidArg;
    }
    std::vector<FakePart*> parts;
    std::vector<std::shared_ptr<FakeDevice>> devices;
};

}  // namespace

HResult FakePart::List(const std::string& method, const std::vector<FakePart*>& parts,
                       std::shared_ptr<PartsList>* out) {
    auto list = std::make_shared<FakeList>();
    list->parts = parts;
    return Hand(method, out, parts.empty() ? nullptr : list, kENotFound);
}

HResult FakeAudioSystem::EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* out) {
    auto list = std::make_shared<FakeList>();
    for (auto& d : devices) {
        if (d->flow == flow && d->active) list->devices.push_back(d);
    }
    return Put(Enter("EnumActiveEndpoints"), out, list);
}

std::shared_ptr<Device> FakeAudioSystem::Find(const std::u16string& id, bool activeOnly) const {
    for (auto& d : devices) {
        if (d->id == id && (d->active || !activeOnly)) return d;
    }
    return nullptr;
}

std::string FakeAudioSystem::ToAnsi(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out += c <= 0xFF                    ? std::string(1, static_cast<char>(c))
               : c >= 0x3000 && c <= 0x9FFF ? "\x88\xA0"
                                            : "?";
    }
    return out;
}

FakeDevice& FakeAudioSystem::AddDevice(Flow flow, const std::u16string& guid,
                                       const std::u16string& name) {
    const std::u16string kind = flow == Flow::kRender ? u"0" : u"1";
    auto d =
        std::make_shared<FakeDevice>(u"{0.0." + kind + u".00000000}.{" + guid + u"}", name, flow);
    d->volume = std::make_shared<FakeControl>(-65.25f, 0.0f, std::vector<float>{-10, -10});
    devices.push_back(d);
    return *d;
}

FakePart& FakeAudioSystem::AddPart(const std::u16string& name) {
    return *parts_.emplace_back(std::make_unique<FakePart>(name));
}

void FakeAudioSystem::Link(std::initializer_list<FakePart*> path) {
    for (auto it = path.begin(); it + 1 != path.end(); ++it) {
        (*it)->outgoing.push_back(it[1]);
        it[1]->incoming.push_back(*it);
    }
}

FakeTopology& FakeAudioSystem::AddAdapterTopology(const std::vector<FakePart*>& parts) {
    FakeTopology& t = *topologies_.emplace_back(std::make_unique<FakeTopology>());
    for (FakePart* p : parts) p->topology = &t;
    t.connectors = parts;
    return t;
}

void FakeAudioSystem::ConnectEndpoint(FakeDevice& device, FakePart& adapterPart) {
    FakePart& endpointSide = AddPart(u"");
    endpointSide.connectedTo = &adapterPart;
    device.topology = &AddAdapterTopology({&endpointSide});
}

}  // namespace havro::fake
