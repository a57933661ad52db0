// A stand-in for the system's endpoint enumerator, for the topology tests only (never
// shipped). Registered for the MMDeviceEnumerator class in the test prefix, it hands out Wine's
// own enumerator with a few methods taken over: IMMDevice::Activate answers IDeviceTopology
// from the description file TK_TOPOLOGY names, with the Windows layouts and identifiers
// written out here, so that a wrong identifier or layout in the product cannot agree with
// itself. Description, each statement ended by ';':
//   endpoint "Name"            the endpoint of that friendly name, with an adapter of its own
//   connector|part ID "Name"   a connector (in order) or subunit of that adapter, with controls
//     [volume|bass|mid|treble=MIN:MAX:STEP:V0,V1,...] [mute|agc|loudness=V]
//   link A B [C ...]           A feeds B, B feeds C, ...
//   start ID                   the adapter's connector that the endpoint's connector reaches
//   fail ID|"Name" Method HR   that Set* of part ID's controls, or IMMDevice::Activate of
//                              endpoint Name, answers HR
// Levels keep exactly what they are given and refuse values outside their range.
// Report (TK_TOPOLOGY_REPORT, appended): "value PART.KIND.CHANNEL VALUE" for every control
// when read and after every change; "register" / "unregister" for notification clients.
// TopologyDump(TAG), and the end of the process as "unload", list the objects still
// referenced in TK_TOPOLOGY_REPORT + ".TAG".
// Endpoints that come and go: the first client registered creates the event
// "tk_topology_devices_PID" and a thread waiting on it, which carries out the lines of the file
// TK_TOPOLOGY_REPORT + ".devices" ("hide|show NAME": OnDeviceStateChanged, "remove|add NAME":
// OnDeviceRemoved|Added), calls every client and reports "notified LINE N" (N clients called).
// Lists leave hidden endpoints out.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// clang-format off
constexpr GUID kClsidEnumerator = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr GUID kIidEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr GUID kIidTopology = {0x2A07407E, 0x6497, 0x4A18, {0x97, 0x87, 0x32, 0xF7, 0x9B, 0xD0, 0xD9, 0x8F}};
constexpr GUID kIidConnector = {0x9C2C4058, 0x23F5, 0x41DE, {0x87, 0x7A, 0xDF, 0x3A, 0xF2, 0x36, 0xA0, 0x9E}};
constexpr GUID kIidPart = {0xAE2DE0E4, 0x5BCA, 0x4F2D, {0xAA, 0x46, 0x5D, 0x13, 0xF8, 0xFD, 0xB3, 0xA9}};
constexpr PROPERTYKEY kFriendlyName = {{0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};
// The controls a part can carry, by the identifier IPart::Activate is asked for.
const std::map<std::string, GUID> kKinds = {
    {"volume", {0x7FB7B48F, 0x531D, 0x44A2, {0xBC, 0xB3, 0x5A, 0xD5, 0xA1, 0x34, 0xB3, 0xDC}}},
    {"bass", {0xA2B1A1D9, 0x4DB3, 0x425D, {0xA2, 0xB2, 0xBD, 0x33, 0x5C, 0xB3, 0xE2, 0xE5}}},
    {"mid", {0x5E54B6D7, 0xB44B, 0x40D9, {0x9A, 0x9E, 0xE6, 0x91, 0xD9, 0xCE, 0x6E, 0xDF}}},
    {"treble", {0x0A717812, 0x694E, 0x4907, {0xB7, 0x4B, 0xBA, 0xFA, 0x5C, 0xFD, 0xCA, 0x7B}}},
    {"mute", {0xDF45AEEA, 0xB74A, 0x4B6B, {0xAF, 0xAD, 0x23, 0x66, 0xB6, 0xAA, 0x01, 0x2E}}},
    {"agc", {0x85401FD4, 0x6DE4, 0x4B9D, {0x98, 0x69, 0x2D, 0x67, 0x53, 0xA8, 0x2F, 0x3C}}},
    {"loudness", {0x7D8B1437, 0xDD53, 0x4350, {0x9C, 0x1B, 0x1E, 0xE2, 0x89, 0x0B, 0xD9, 0x38}}}};
// clang-format on
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);

std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    GetEnvironmentVariableA(name, value, MAX_PATH);
    return value;
}
template <class T>
HRESULT HandOut(T* object, void* out) {
    object->AddRef();
    *static_cast<void**>(out) = object;
    return S_OK;
}
void Report(const std::string& line) {
    std::ofstream(Env("TK_TOPOLOGY_REPORT"), std::ios::app | std::ios::binary) << line << "\n";
}

// ---- Windows interface layouts; the slots the library never calls answer E_NOTIMPL ----

// clang-format off
#define TK_UNUSED(name) virtual HRESULT STDMETHODCALLTYPE name() { return E_NOTIMPL; }
#define TK_CALLED(name, ...) virtual HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) = 0;
struct IPartsListV; struct IDeviceTopologyV;
struct IConnectorV : IUnknown {
    TK_UNUSED(GetType) TK_UNUSED(GetDataFlow) TK_UNUSED(ConnectTo) TK_UNUSED(Disconnect)
    TK_UNUSED(IsConnected) TK_CALLED(GetConnectedTo, IConnectorV**)
    TK_UNUSED(GetConnectorIdConnectedTo) TK_UNUSED(GetDeviceIdConnectedTo)
};
struct IPartV : IUnknown {
    TK_CALLED(GetName, LPWSTR*) TK_UNUSED(GetLocalId) TK_UNUSED(GetGlobalId)
    TK_UNUSED(GetPartType) TK_UNUSED(GetSubType) TK_UNUSED(GetControlInterfaceCount)
    TK_UNUSED(GetControlInterface) TK_CALLED(EnumPartsIncoming, IPartsListV**)
    TK_CALLED(EnumPartsOutgoing, IPartsListV**) TK_CALLED(GetTopologyObject, IDeviceTopologyV**)
    TK_CALLED(Activate, DWORD, REFIID, void**) TK_UNUSED(RegisterControlChangeCallback)
    TK_UNUSED(UnregisterControlChangeCallback)
};
struct IPartsListV : IUnknown { TK_CALLED(GetCount, UINT*) TK_CALLED(GetPart, UINT, IPartV**) };
struct IDeviceTopologyV : IUnknown {
    TK_CALLED(GetConnectorCount, UINT*) TK_CALLED(GetConnector, UINT, IConnectorV**)
    TK_UNUSED(GetSubunitCount) TK_UNUSED(GetSubunit) TK_UNUSED(GetPartById)
    TK_UNUSED(GetDeviceId) TK_UNUSED(GetSignalPath)
};
struct IPerChannelDbLevelV : IUnknown {  // IAudioVolumeLevel, IAudioBass, ...
    TK_CALLED(GetChannelCount, UINT*) TK_CALLED(GetLevelRange, UINT, float*, float*, float*)
    TK_CALLED(GetLevel, UINT, float*) TK_CALLED(SetLevel, UINT, float, LPCGUID)
    TK_UNUSED(SetLevelUniform) TK_UNUSED(SetLevelAllChannels)
};
struct IAudioMuteV : IUnknown { TK_CALLED(SetMute, BOOL, LPCGUID) TK_CALLED(GetMute, BOOL*) };
// IAudioAutoGainControl and IAudioLoudness
struct IEnabledV : IUnknown { TK_CALLED(GetEnabled, BOOL*) TK_CALLED(SetEnabled, BOOL, LPCGUID) };
// clang-format on

// ---- The description's objects --------------------------------------------------------

struct Object;
std::mutex g_lock;                                             // guards the two lists below
auto* const g_hidden = new std::set<std::wstring>;             // friendly names
auto* const g_ids = new std::map<std::wstring, std::wstring>;  // by friendly name
auto* const g_clients = new std::vector<IMMNotificationClient*>;
auto* const g_live = new std::set<Object*>;

// Every object counts its references and is listed. None is ever deleted: the description's
// values last for the process, and a reference released once too often cannot crash it.
struct Object {
    explicit Object(std::string label) : label(std::move(label)) { g_live->insert(this); }
    virtual void* Find(REFIID iid) = 0;  // the interface for `iid`, or null
    std::string label;
    ULONG refs = 0;
};

template <class... I>
struct Com : Object, I... {
    using Object::Object;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return refs == 0 ? 0 : --refs; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if ((*out = Find(iid)) == nullptr) return E_NOINTERFACE;
        ++refs;
        return S_OK;
    }
};

using Failures = std::map<std::string, HRESULT>;  // by method name; absent: S_OK

// A control of a part ("part.kind"): a level (of any kind), the mute or a switch.
struct Control : Com<IPerChannelDbLevelV, IAudioMuteV, IEnabledV> {
    Control(const std::string& part, const std::string& kind, Failures& fails)
        : Com(part + "." + kind), kind(kind), fails(fails) {}
    bool Level() const { return kind != "mute" && kind != "agc" && kind != "loudness"; }
    void* Find(REFIID iid) override {
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, kKinds.at(kind))) return nullptr;
        if (Level()) return static_cast<IPerChannelDbLevelV*>(this);
        if (kind == "mute") return static_cast<IAudioMuteV*>(this);
        return static_cast<IEnabledV*>(this);
    }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* n) override {
        *n = static_cast<UINT>(values.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLevelRange(UINT ch, float* mn, float* mx, float* st) override {
        *mn = min, *mx = max, *st = step;
        return ch < values.size() ? S_OK : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetLevel(UINT ch, float* db) override {
        if (ch >= values.size()) return E_INVALIDARG;
        *db = values[ch];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetLevel(UINT ch, float db, LPCGUID) override {
        return db < min || db > max ? E_INVALIDARG : Put("SetLevel", ch, db);
    }
    HRESULT STDMETHODCALLTYPE SetMute(BOOL on, LPCGUID) override { return Put("SetMute", 0, on); }
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* on) override { return Flag(on); }
    HRESULT STDMETHODCALLTYPE GetEnabled(BOOL* on) override { return Flag(on); }
    HRESULT STDMETHODCALLTYPE SetEnabled(BOOL on, LPCGUID) override {
        return Put("SetEnabled", 0, on);
    }
    HRESULT Flag(BOOL* on) {
        *on = values[0] != 0;
        return S_OK;
    }
    HRESULT Put(const char* method, UINT ch, float value) {
        if (HRESULT hr = fails[method]) return hr;
        if (ch >= values.size()) return E_INVALIDARG;
        values[ch] = value;
        Report();
        return S_OK;
    }
    void Report() const {
        for (size_t ch = 0; ch < values.size(); ++ch) {
            std::ostringstream line;
            line << "value " << label << "." << ch << " " << values[ch];
            ::Report(line.str());
        }
    }

    const std::string kind;
    float min = 0, max = 0, step = 0;
    std::vector<float> values;  // per channel; a mute or switch has one
    Failures& fails;            // the part's
};

// A part (a subunit, or a connector, which answers IConnector as well), a topology with its
// connectors (an adapter's, or an endpoint's, which is its own one connector), or a list of
// parts handed out by a part (its "connectors" the parts listed).
struct Node : Com<IPartV, IConnectorV, IDeviceTopologyV, IPartsListV> {
    Node(const std::string& id, Node* topology)
        : Com(id), id(id), name(id), topology(topology ? topology : this) {}
    void* Find(REFIID iid) override {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, kIidPart))
            return static_cast<IPartV*>(this);
        if (IsEqualGUID(iid, kIidConnector)) return static_cast<IConnectorV*>(this);
        return IsEqualGUID(iid, kIidTopology) ? static_cast<IDeviceTopologyV*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* out) override {
        *out = static_cast<LPWSTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(wchar_t)));
        std::copy(name.c_str(), name.c_str() + name.size() + 1, *out);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsListV** o) override { return List(in, o); }
    HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsListV** o) override { return List(out, o); }
    HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopologyV** o) override {
        return HandOut(static_cast<IDeviceTopologyV*>(topology), o);
    }
    HRESULT STDMETHODCALLTYPE Activate(DWORD, REFIID iid, void** o) override {
        for (auto& [kind, c] : controls) {
            if (IsEqualGUID(iid, kKinds.at(kind))) return c->QueryInterface(iid, o);
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnectorV** o) override {
        return to ? HandOut(static_cast<IConnectorV*>(to), o) : kNotFound;
    }
    HRESULT STDMETHODCALLTYPE GetConnectorCount(UINT* n) override { return GetCount(n); }
    HRESULT STDMETHODCALLTYPE GetConnector(UINT i, IConnectorV** o) override {
        return i < connectors.size() ? HandOut(static_cast<IConnectorV*>(connectors[i]), o)
                                     : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* n) override {
        *n = static_cast<UINT>(connectors.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPart(UINT i, IPartV** o) override {
        return i < connectors.size() ? HandOut(static_cast<IPartV*>(connectors[i]), o)
                                     : E_INVALIDARG;
    }
    HRESULT List(const std::vector<Node*>& parts, IPartsListV** o) {
        if (parts.empty()) return kNotFound;
        auto* list = new Node("IPartsList:" + id, nullptr);
        list->connectors = parts;
        return HandOut(static_cast<IPartsListV*>(list), o);
    }

    const std::string id;
    std::string name;
    Node* const topology;
    std::vector<Node*> in, out, connectors;
    std::map<std::string, Control*> controls;
    Failures fails;
    Node* to = nullptr;  // the connector this one is connected to
};

// Every object of the description file (the parts by id, the endpoints' topologies by
// friendly name), every control reported.
std::map<std::string, Node*> Read(const std::string& path) {
    std::map<std::string, Node*> nodes;
    Node *endpoint = nullptr, *adapter = nullptr;
    auto get = [&](const std::string& id) {
        Node*& node = nodes[id];
        if (node == nullptr) node = new Node(id, adapter);
        return node;
    };
    std::ifstream file(path);
    for (std::string line; std::getline(file, line, ';');) {
        std::istringstream in(line);
        std::vector<std::string> t;
        for (std::string word; in >> std::quoted(word);) t.push_back(word);
        if (t.empty()) continue;
        if (t[0] == "endpoint") {
            endpoint = nodes[t[1]] = new Node(t[1], nullptr);
            endpoint->connectors = {endpoint};
            adapter = new Node("adapter:" + t[1], nullptr);
        } else if (t[0] == "part" || t[0] == "connector") {
            Node* node = get(t[1]);
            node->name = t[2];
            if (t[0] == "connector") adapter->connectors.push_back(node);
            for (size_t i = 3; i < t.size(); ++i) {
                std::replace_if(
                    t[i].begin(), t[i].end(),
                    [](char c) { return c == '=' || c == ':' || c == ','; }, ' ');
                std::istringstream values(t[i]);
                std::string kind;
                values >> kind;
                auto* c = node->controls[kind] = new Control(t[1], kind, node->fails);
                if (c->Level()) values >> c->min >> c->max >> c->step;
                for (float v; values >> v;) c->values.push_back(v);
                c->Report();
            }
        } else if (t[0] == "link") {
            for (size_t i = 2; i < t.size(); ++i) {
                get(t[i - 1])->out.push_back(get(t[i]));
                get(t[i])->in.push_back(get(t[i - 1]));
            }
        } else if (t[0] == "start") {
            endpoint->to = get(t[1]);
        } else if (t[0] == "fail") {
            get(t[1])->fails[t[2]] = static_cast<HRESULT>(std::stoul(t[3], nullptr, 0));
        }
    }
    return nodes;
}

// The topology of endpoint `name` in the description TK_TOPOLOGY names now, or null. Each
// file is read once and its objects keep their values for the rest of the process.
Node* TopologyOf(const std::wstring& name) {
    static auto* const read = new std::map<std::string, std::map<std::string, Node*>>;
    const std::string path = Env("TK_TOPOLOGY");
    auto [it, fresh] = read->try_emplace(path);
    if (fresh && !path.empty()) it->second = Read(path);
    const auto found = it->second.find(std::string(name.begin(), name.end()));
    return found == it->second.end() ? nullptr : found->second;
}

// ---- Wine's endpoints, with some of their methods taken over ---------------------------

std::wstring FriendlyName(IMMDevice* device) {
    IPropertyStore* store = nullptr;
    std::wstring name;
    if (FAILED(device->OpenPropertyStore(STGM_READ, &store))) return name;
    PROPVARIANT pv;
    PropVariantInit(&pv);
    if (SUCCEEDED(store->GetValue(kFriendlyName, &pv)) && pv.vt == VT_LPWSTR) name = pv.pwszVal;
    PropVariantClear(&pv);
    store->Release();
    return name;
}

// Whether the endpoint is hidden; its id is noted for the test's commands.
bool Hidden(IMMDevice* device) {
    const std::wstring name = FriendlyName(device);
    LPWSTR id = nullptr;
    const bool known = SUCCEEDED(device->GetId(&id));
    const std::lock_guard<std::mutex> lock(g_lock);
    if (known) (*g_ids)[name] = id;
    CoTaskMemFree(id);
    return g_hidden->count(name) != 0;
}

// Wine's method in each slot of Wine's tables that a function below took over (every object
// of a class shares its table, so every endpoint Wine hands out, to anyone, is changed).
auto* const g_wine = new std::map<void*, void*>;
template <class F>
void TakeOver(void* object, int slot, F function) {
    void** table = *static_cast<void***>(object);
    DWORD old = 0;
    VirtualProtect(table + slot, sizeof(void*), PAGE_READWRITE, &old);
    (*g_wine)[reinterpret_cast<void*>(function)] = table[slot];
    table[slot] = reinterpret_cast<void*>(function);
}
template <class F>
F Wine(F function) {
    return reinterpret_cast<F>(g_wine->at(reinterpret_cast<void*>(function)));
}

// IMMDevice::Activate: the description's topology for IDeviceTopology.
HRESULT STDMETHODCALLTYPE Activate(IMMDevice* self, REFIID iid, DWORD context, PROPVARIANT* params,
                                   void** out) {
    Node* topology = TopologyOf(FriendlyName(self));
    *out = nullptr;
    if (Hidden(self)) return static_cast<HRESULT>(0x88890004u);  // device invalidated
    if (!IsEqualGUID(iid, kIidTopology) || topology == nullptr) {
        return Wine(&Activate)(self, iid, context, params, out);  // Wine has no topology
    }
    if (HRESULT hr = topology->fails["Activate"]) return hr;
    return HandOut(static_cast<IDeviceTopologyV*>(topology), out);
}

// IMMDeviceCollection: lists leave the hidden endpoints out.
HRESULT STDMETHODCALLTYPE Item(IMMDeviceCollection* self, UINT index, IMMDevice** out) {
    for (UINT i = 0; SUCCEEDED(Wine(&Item)(self, i, out)); ++i) {
        if (!Hidden(*out) && index-- == 0) return S_OK;
        (*out)->Release();
    }
    *out = nullptr;
    return E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE GetCount(IMMDeviceCollection* self, UINT* count) {
    IMMDevice* device = nullptr;
    for (*count = 0; SUCCEEDED(Item(self, *count, &device)); ++*count) device->Release();
    return S_OK;
}

// ---- Endpoint changes carried out for the test, and told to the clients ----------------

// One command line of the test: the endpoint hidden or shown, then every client told.
void Carry(const std::string& line) {
    const std::string verb = line.substr(0, line.find(' '));
    const std::wstring name(line.begin() + std::min(line.size(), verb.size() + 1), line.end());
    const bool hide = verb == "hide" || verb == "remove";
    std::wstring id;
    std::vector<IMMNotificationClient*> clients;
    {
        const std::lock_guard<std::mutex> lock(g_lock);
        id = (*g_ids)[name];
        if (hide) g_hidden->insert(name);
        if (!hide) g_hidden->erase(name);
        for (IMMNotificationClient* c : *g_clients) c->AddRef(), clients.push_back(c);
    }
    // Called outside the lock, as Windows calls them: a client may unregister meanwhile.
    for (IMMNotificationClient* client : clients) {
        if (verb == "remove") client->OnDeviceRemoved(id.c_str());
        if (verb == "add") client->OnDeviceAdded(id.c_str());
        if (verb == "hide" || verb == "show") {
            client->OnDeviceStateChanged(id.c_str(),
                                         hide ? DEVICE_STATE_UNPLUGGED : DEVICE_STATE_ACTIVE);
        }
        client->Release();
    }
    Report("notified " + line + " " + std::to_string(id.empty() ? 0 : clients.size()));
}

DWORD WINAPI Watcher(void*) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::wstring name = L"tk_topology_devices_" + std::to_wstring(GetCurrentProcessId());
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name.c_str());
    const std::string file = Env("TK_TOPOLOGY_REPORT") + ".devices";
    while (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) {
        std::ifstream in(file);  // written anew for each command
        for (std::string line; std::getline(in, line);) Carry(line);
    }
    return 0;
}

// The clients are kept here, not handed to Wine (whose endpoints do not change under a
// running process): the test's changes are the only ones they hear of.
HRESULT STDMETHODCALLTYPE Register(IMMDeviceEnumerator*, IMMNotificationClient* client) {
    const std::lock_guard<std::mutex> lock(g_lock);
    client->AddRef();
    g_clients->push_back(client);
    [[maybe_unused]] static const HANDLE watcher =
        CreateThread(nullptr, 0, Watcher, nullptr, 0, nullptr);
    Report("register");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Unregister(IMMDeviceEnumerator*, IMMNotificationClient* client) {
    const std::lock_guard<std::mutex> lock(g_lock);
    const auto it = std::find(g_clients->begin(), g_clients->end(), client);
    if (it == g_clients->end()) return E_INVALIDARG;
    g_clients->erase(it);
    client->Release();
    Report("unregister");
    return S_OK;
}

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// Takes Wine's methods over, in the tables that every object of a class shares (so every
// endpoint Wine hands out, to anyone, is changed). Wine's enumerator is one for the process.
bool TakeOverWine(GetClassObject wine) {
    IMMDeviceEnumerator* enumerator = nullptr;  // kept: Wine's one for the process
    IClassFactory* factory = nullptr;
    IMMDeviceCollection* all = nullptr;
    IMMDevice* device = nullptr;
    if (FAILED(wine(kClsidEnumerator, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, kIidEnumerator,
                                       reinterpret_cast<void**>(&enumerator))) ||
        FAILED(enumerator->EnumAudioEndpoints(eAll, DEVICE_STATEMASK_ALL, &all)) ||
        FAILED(all->Item(0, &device))) {
        return false;
    }
    // Slots counted from 0, IUnknown's three first.
    TakeOver(device, 3, &Activate);
    TakeOver(all, 3, &GetCount);
    TakeOver(all, 4, &Item);
    TakeOver(enumerator, 6, &Register);
    TakeOver(enumerator, 7, &Unregister);
    device->Release();
    all->Release();
    factory->Release();
    return true;
}

}  // namespace

// Writes "LABEL REFS; " for every object still referenced to TK_TOPOLOGY_REPORT + ".TAG".
extern "C" void WINAPI TopologyDump(const char* tag) {
    std::ofstream dump(Env("TK_TOPOLOGY_REPORT") + "." + tag, std::ios::binary);
    for (Object* o : *g_live) {
        if (o->refs != 0) dump << o->label << " " << o->refs << "; ";
    }
}

// Wine's own class object, once Wine's methods are taken over. The stand-in has no
// DllCanUnloadNow, so it stays loaded: the description's values last for the whole process.
extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    static const auto wine = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(L"mmdevapi.dll"), "DllGetClassObject")));
    static const bool taken = TakeOverWine(wine);
    return taken ? wine(clsid, iid, out) : E_FAIL;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    // None where no report is named (a program started while an interrupted run left us here).
    if (reason == DLL_PROCESS_DETACH && !Env("TK_TOPOLOGY_REPORT").empty()) TopologyDump("unload");
    return TRUE;
}
