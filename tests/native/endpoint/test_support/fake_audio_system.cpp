#include "fake_audio_system.h"

namespace havro::fake {

HResult FakePart::GetTopologyObject(std::shared_ptr<DeviceTopology>* out) {
    return Hand(__func__, out, Lend<DeviceTopology>(topology), kENotFound);
}

HResult FakePart::List(const char* method, const std::vector<FakePart*>& parts,
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
    return Give(__func__, out, list);
}

std::shared_ptr<FakeDevice> FakeAudioSystem::Find(const std::u16string& id, bool activeOnly) const {
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
    auto& d = *devices.emplace_back(std::make_shared<FakeDevice>());
    d.id = u"{0.0." + std::u16string(flow == Flow::kRender ? u"0" : u"1") + u".00000000}.{" + guid +
           u"}";
    d.name = name;
    d.flow = flow;
    d.volume = std::make_shared<FakeControl>(-96, 0, std::vector<float>{-20, -20});
    return d;
}

void FakeAudioSystem::Link(std::initializer_list<FakePart*> path) {
    for (auto it = path.begin(); it + 1 != path.end(); ++it) {
        (*it)->outgoing.push_back(it[1]);
        it[1]->incoming.push_back(*it);
    }
}

FakeList& FakeAudioSystem::AddAdapterTopology(const std::vector<FakePart*>& connectors) {
    FakeList& t = lists_.emplace_back();
    for (FakePart* p : connectors) p->topology = &t;
    t.parts = connectors;
    return t;
}

void FakeAudioSystem::ConnectEndpoint(FakeDevice& device, FakePart& adapterPart) {
    FakePart& endpointSide = AddPart(u"");
    endpointSide.connectedTo = &adapterPart;
    device.topology = &AddAdapterTopology({&endpointSide});
}

}  // namespace havro::fake
