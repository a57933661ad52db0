// The three topology walks that find an endpoint set's controls.
//
// Controls are recognised only by whether a part activates as a given control and by
// substrings of its ASCII-lower-cased name. Every part a walk looks at counts against
// maxPartsPerWalk_, so a topology with a cycle ends in a failed walk instead of a hang.
#include <functional>
#include <string_view>

#include "library.h"
#include "text_util.h"

namespace havro {
namespace {

std::u16string LowerName(Part& part) {
    std::u16string name;
    if (Failed(part.GetName(&name))) return std::u16string();  // an unnamed part matches nothing
    return LowerAscii(name);
}

// First part of a part's incoming (or outgoing) list; false when there is none.
bool FirstIncoming(Part& part, std::shared_ptr<Part>* first) {
    std::shared_ptr<PartsList> list;
    if (Failed(part.EnumPartsIncoming(&list)) || !list) return false;
    return Succeeded(list->GetPart(0, first)) && *first;
}

// Clears the resolved id when a walk ends, whichever way it ends.
class ResolvedIdRelease {
  public:
    explicit ResolvedIdRelease(std::optional<std::u16string>& id) : id_(id) {}
    ~ResolvedIdRelease() { id_.reset(); }
    ResolvedIdRelease(const ResolvedIdRelease&) = delete;
    ResolvedIdRelease& operator=(const ResolvedIdRelease&) = delete;

  private:
    std::optional<std::u16string>& id_;
};

}  // namespace

bool Library::Visit() {
    if (visitsLeft_ == 0) return false;
    --visitsLeft_;
    return true;
}

void Library::TryToneControl(Part& part, LevelKind kind, LevelSlot& slot) {
    if (slot.control) return;
    std::shared_ptr<LevelControl> control;
    if (Failed(part.ActivateLevel(kind, &control)) || !control) return;
    slot.Reset(control);
    slot.Capture();
}

bool Library::LevelSlot::Capture() {
    float db = 0;
    if (Failed(control->GetLevel(0, &db))) return false;
    capturedDb = db;
    uint32_t channels = 0;
    if (Failed(control->GetChannelCount(&channels))) return true;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        if (Failed(control->GetLevel(ch, &db))) {
            capturedChannels.clear();
            break;
        }
        capturedChannels.push_back(db);
    }
    return true;
}

// Connector 0 of the endpoint, the adapter connector it is connected to, and that
// connector's part (the start part on the adapter side).
static bool AdapterStartPart(DeviceTopology& endpointTopology, std::shared_ptr<Part>* part) {
    std::shared_ptr<Connector> endpointSide;
    std::shared_ptr<Connector> adapterSide;
    if (Failed(endpointTopology.GetConnector(0, &endpointSide)) || !endpointSide) return false;
    if (Failed(endpointSide->GetConnectedTo(&adapterSide)) || !adapterSide) return false;
    return Succeeded(adapterSide->QueryPart(part)) && *part;
}

bool Library::ReachAdapterTopology(DeviceTopology& endpointTopology,
                                   std::shared_ptr<DeviceTopology>* adapter) {
    std::shared_ptr<Part> part;
    if (!AdapterStartPart(endpointTopology, &part)) return false;
    return Succeeded(part->GetTopologyObject(adapter)) && *adapter;
}

// ---- Playback walk ---------------------------------------------------------------------

bool Library::PlaybackWalk(DeviceEnumerator& enumerator, const std::string& idText) {
    ResolvedIdRelease release(currentDeviceId_);
    visitsLeft_ = maxPartsPerWalk_;
    OpenedEndpoint endpoint;
    if (!OpenEndpoint(enumerator, idText, Flow::kRender, &endpoint)) return false;

    // The endpoint volume's level is read as soon as it is obtained, before the topology is
    // looked at: without a topology the walk fails, yet the master level and mute must still
    // be put back on close.
    playbackVolume_.Reset(endpoint.volume);
    float db = 0;
    bool mute = false;
    const bool levelRead = Succeeded(endpoint.volume->GetMasterVolumeLevel(&db));
    if (levelRead) playbackVolume_.capturedDb = db;
    const bool muteRead = Succeeded(endpoint.volume->GetMute(&mute));
    if (muteRead) playbackVolume_.capturedMute = mute;
    if (!endpoint.topology || !levelRead || !muteRead) return false;

    std::shared_ptr<Part> start;
    if (!AdapterStartPart(*endpoint.topology, &start)) return false;
    std::shared_ptr<PartsList> inputs;
    uint32_t inputCount = 0;
    if (!ChainSearch(*start, &inputs, &inputCount)) return false;
    return BranchSearch(*inputs, inputCount);
}

// Follows the single-input chain upstream from the start part, picking up tone controls,
// to the first part with two or more inputs (the mixing point). A part without incoming
// parts ends the chain as a failure.
bool Library::ChainSearch(Part& start, std::shared_ptr<PartsList>* inputs, uint32_t* inputCount) {
    std::shared_ptr<PartsList> list;
    uint32_t count = 0;
    if (Failed(start.EnumPartsIncoming(&list)) || !list || Failed(list->GetCount(&count))) {
        return false;
    }
    while (count == 1) {
        if (!Visit()) return false;
        std::shared_ptr<Part> part;
        std::shared_ptr<PartsList> next;
        if (Failed(list->GetPart(0, &part)) || !part) return false;
        if (Failed(part->EnumPartsIncoming(&next)) || !next) return false;
        TryToneControl(*part, LevelKind::kBass, bass_);
        TryToneControl(*part, LevelKind::kTreble, treble_);
        TryToneControl(*part, LevelKind::kMidrange, midrange_);
        std::shared_ptr<Part> first;
        if (Failed(next->GetPart(0, &first)) || !first) return false;
        if (Failed(next->GetCount(&count))) return false;
        list = std::move(next);
    }
    *inputs = std::move(list);
    *inputCount = count;
    return true;
}

// Each input of the mixing point: the first whose upstream path carries a line name
// ("line", "gree" for the green jack) gives the line controls, the first with a microphone
// name ("mic", "pin" for the pink jack) the microphone controls.
bool Library::BranchSearch(PartsList& inputs, uint32_t inputCount) {
    bool lineFound = false;
    bool micFound = false;
    for (uint32_t i = 0; i < inputCount; ++i) {
        if (!Visit()) return false;
        std::shared_ptr<Part> input;
        if (Failed(inputs.GetPart(i, &input)) || !input) return false;
        std::shared_ptr<PartsList> incoming;
        if (Failed(input->EnumPartsIncoming(&incoming)) || !incoming) continue;
        if (!lineFound) {
            const Search s = FindInputLevel(*input, *incoming, {u"line", u"gree"},
                                            /*requireRead=*/true, linePlayLevel_, linePlayMute_);
            if (s == Search::kFailed) return false;
            lineFound = s == Search::kFound;
        }
        if (!micFound) {
            const Search s = FindInputLevel(*input, *incoming, {u"mic", u"pin"},
                                            /*requireRead=*/false, micPlayLevel_, micPlayMute_);
            if (s == Search::kFailed) return false;
            micFound = s == Search::kFound;
        }
    }
    return true;
}

// Walks upstream from the input along first incoming parts, testing names. On a name
// match the level control is searched upstream from the input; found (and, for the line,
// read), it fills the level slot and the input's own mute fills the mute slot.
Library::Search Library::FindInputLevel(Part& input, PartsList& inputIncoming,
                                        std::initializer_list<std::u16string_view> needles,
                                        bool requireRead, LevelSlot& level, MuteSlot& mute) {
    std::shared_ptr<Part> current;
    if (Failed(inputIncoming.GetPart(0, &current)) || !current) return Search::kNotFound;
    for (;;) {
        if (!Visit()) return Search::kFailed;
        if (NameHasAny(LowerName(*current), needles)) {
            std::shared_ptr<LevelControl> control;
            const Search s = FindLevelUpstream(inputIncoming, &control);
            if (s == Search::kFailed) return s;
            if (s == Search::kFound) {
                level.Reset(control);
                if (level.Capture() || !requireRead) {
                    std::shared_ptr<MuteControl> muteControl;
                    if (Succeeded(input.ActivateMute(&muteControl)) && muteControl) {
                        mute.Reset(muteControl);
                        bool muted = false;
                        if (Succeeded(muteControl->GetMute(&muted))) mute.captured = muted;
                    }
                    return Search::kFound;
                }
            }
        }
        std::shared_ptr<Part> next;
        if (!FirstIncoming(*current, &next)) return Search::kNotFound;
        current = std::move(next);
    }
}

Library::Search Library::FindLevelUpstream(PartsList& list, std::shared_ptr<LevelControl>* level) {
    std::shared_ptr<Part> current;
    if (Failed(list.GetPart(0, &current)) || !current) return Search::kNotFound;
    for (;;) {
        if (!Visit()) return Search::kFailed;
        if (Succeeded(current->ActivateLevel(LevelKind::kVolumeLevel, level)) && *level) {
            return Search::kFound;
        }
        std::shared_ptr<Part> next;
        if (!FirstIncoming(*current, &next)) return Search::kNotFound;
        current = std::move(next);
    }
}

// The microphone and line-in walks reach their controls the same way: the capture
// endpoint's volume, then each adapter connector whose part is named like `needle`, and
// that part's outgoing list. `onConnector` searches that list; false from it fails the
// walk. A connector without an outgoing list is passed over.
bool Library::CaptureConnectorWalk(
    DeviceEnumerator& enumerator, const std::string& idText, VolumeSlot& volume,
    std::u16string_view needle,
    const std::function<bool(std::shared_ptr<PartsList> outgoing)>& onConnector) {
    ResolvedIdRelease release(currentDeviceId_);
    visitsLeft_ = maxPartsPerWalk_;
    OpenedEndpoint endpoint;
    if (!OpenEndpoint(enumerator, idText, Flow::kCapture, &endpoint)) return false;
    volume.Reset(endpoint.volume);
    float db = 0;
    if (Succeeded(endpoint.volume->GetMasterVolumeLevel(&db))) volume.capturedDb = db;
    if (!endpoint.topology) return false;

    std::shared_ptr<DeviceTopology> adapter;
    uint32_t connectors = 0;
    if (!ReachAdapterTopology(*endpoint.topology, &adapter)) return false;
    if (Failed(adapter->GetConnectorCount(&connectors))) return false;
    for (uint32_t i = 0; i < connectors; ++i) {
        if (!Visit()) return false;
        std::shared_ptr<Connector> connector;
        std::shared_ptr<Part> part;
        if (Failed(adapter->GetConnector(i, &connector)) || !connector) return false;
        if (Failed(connector->QueryPart(&part)) || !part) return false;
        if (!NameHasAny(LowerName(*part), {needle})) continue;
        std::shared_ptr<PartsList> outgoing;
        if (Failed(part->EnumPartsOutgoing(&outgoing)) || !outgoing) continue;
        if (!onConnector(std::move(outgoing))) return false;
    }
    return true;
}

// ---- Microphone walk -------------------------------------------------------------------

bool Library::MicrophoneWalk(DeviceEnumerator& enumerator, const std::string& idText) {
    // Every microphone connector is searched; a later find replaces an earlier one.
    return CaptureConnectorWalk(
        enumerator, idText, microphoneVolume_, u"mic", [this](std::shared_ptr<PartsList> outgoing) {
            return FindBoostDownstream(std::move(outgoing)) != Search::kFailed;
        });
}

// Searches downstream, list by list, for a part named like a boost ("boost", "+2", "agc")
// that is a switch: automatic gain control, else loudness.
Library::Search Library::FindBoostDownstream(std::shared_ptr<PartsList> list) {
    for (;;) {
        uint32_t count = 0;
        if (Failed(list->GetCount(&count)) || count == 0) return Search::kNotFound;
        std::shared_ptr<Part> last;
        for (uint32_t i = 0; i < count; ++i) {
            if (!Visit()) return Search::kFailed;
            std::shared_ptr<Part> part;
            if (Failed(list->GetPart(i, &part)) || !part) continue;
            last = part;
            if (!NameHasAny(LowerName(*part), {u"boost", u"+2", u"agc"})) continue;
            std::shared_ptr<SwitchControl> control;
            if ((Succeeded(part->ActivateSwitch(SwitchKind::kAutoGainControl, &control)) &&
                 control) ||
                (Succeeded(part->ActivateSwitch(SwitchKind::kLoudness, &control)) && control)) {
                micBoost_.Reset(control);
                bool enabled = false;
                if (Succeeded(control->GetEnabled(&enabled))) micBoost_.captured = enabled;
                return Search::kFound;
            }
        }
        std::shared_ptr<PartsList> next;
        if (!last || Failed(last->EnumPartsOutgoing(&next)) || !next) return Search::kNotFound;
        list = std::move(next);
    }
}

// ---- Line-in walk ----------------------------------------------------------------------

bool Library::LineInWalk(DeviceEnumerator& enumerator, const std::string& idText) {
    return CaptureConnectorWalk(
        enumerator, idText, lineInVolume_, u"line", [this](std::shared_ptr<PartsList> outgoing) {
            // The no-monitor switch sits on the second part downstream of the line connector.
            std::shared_ptr<Part> first;
            std::shared_ptr<PartsList> afterFirst;
            std::shared_ptr<Part> second;
            if (Failed(outgoing->GetPart(0, &first)) || !first) return false;
            if (Failed(first->EnumPartsOutgoing(&afterFirst)) || !afterFirst) return false;
            if (Failed(afterFirst->GetPart(0, &second)) || !second) return false;
            std::shared_ptr<SwitchControl> control;
            if (Succeeded(second->ActivateSwitch(SwitchKind::kAutoGainControl, &control)) &&
                control) {
                noMonitor_.Reset(control);
                bool enabled = false;
                if (Succeeded(control->GetEnabled(&enabled))) noMonitor_.captured = enabled;
            }
            return true;
        });
}

}  // namespace havro
