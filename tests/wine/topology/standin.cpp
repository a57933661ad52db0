// A stand-in for the system's endpoint enumerator, for the topology tests only (never
// shipped). Registered for the MMDeviceEnumerator class in the test prefix
// (topology_support.h), it hands out Wine's own endpoints wrapped so that
// IMMDevice::Activate(IDeviceTopology) answers with a topology built from the description
// file named by TK_TOPOLOGY; everything else of a device is Wine's. The topology objects
// have the Windows interface layouts and identifiers, written out here (not taken from the
// product's identifier table nor from the cross compiler's headers), so that a wrong
// identifier or layout on the product side cannot agree with itself.
//
// Description (one statement a line, '#' starts a comment):
//   endpoint NAME[|NAME...]       section for the endpoints with these friendly names
//   connector ID "Name" [ctl...]  adapter connector (index = order of declaration)
//   part ID "Name" [ctl...]       adapter subunit
//   chain ID N "Name"             N subunits ID1 .. IDN, each feeding the next
//   link A B [C ...]              A feeds B (A is B's incoming part), B feeds C, ...
//   start ID                      the adapter connector the endpoint's connector reaches
//   fail TARGET.Method HRESULT    that call on TARGET (a part id; "endpoint" for the
//                                 endpoint's topology and connector, "adapter", "*" for
//                                 any) answers HRESULT
// Controls: volume|bass|mid|treble=MIN:MAX:STEP:V0,V1,...  (one value per channel)
//           mute|agc|loudness=0|1
// Every method of the topology objects can be failed so by its name; besides,
// Activate:KIND fails IPart::Activate of one kind of control, and
// endpoint.ActivateTopology IMMDevice::Activate of the topology. Level controls keep
// exactly what they are given and refuse values outside their range (E_INVALIDARG).
//
// Report (TK_TOPOLOGY_REPORT, appended): "value PART CONTROL CHANNEL VALUE" for every
// control when the description is read and after every change; "register MODULE" and
// "unregister MODULE" for the notification clients (MODULE: the file their code lives
// in); "dump TAG", then "held LABEL REFS" for every object still referenced and "client
// MODULE" for every client still registered, on TopologyDump() and at unload.
//
// Endpoints that come and go: the first client registered in a process creates the event
// "tk_topology_devices_PID" and a thread waiting on it. A test writes commands to the file
// TK_TOPOLOGY_REPORT + ".devices" and sets the event; the thread carries out each line,
// calls every client and reports "notified LINE N" (N clients called; "unknown" for a bad
// line). "hide NAME" / "show NAME" tell OnDeviceStateChanged (unplugged / active);
// "remove NAME" / "add NAME" hide / show with OnDeviceRemoved / OnDeviceAdded. A hidden
// endpoint is left out of lists of active endpoints, reads as unplugged and its Activate
// answers AUDCLNT_E_DEVICE_INVALIDATED; so does every object of a section whose endpoints
// are all hidden (a device unplugged as a whole; a codec with one jack left keeps working).
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iomanip>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Windows' identifiers (Windows SDK values).
// clang-format off
constexpr GUID kClsidEnumerator = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr GUID kIidEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr GUID kIidDevice = {0xD666063F, 0x1587, 0x4E43, {0x81, 0xF1, 0xB9, 0x48, 0xE8, 0x07, 0x36, 0x3F}};
constexpr GUID kIidCollection = {0x0BD7A1BE, 0x7A1A, 0x44DB, {0x83, 0x97, 0xCC, 0x53, 0x92, 0x38, 0x7B, 0x5E}};
constexpr GUID kIidTopology = {0x2A07407E, 0x6497, 0x4A18, {0x97, 0x87, 0x32, 0xF7, 0x9B, 0xD0, 0xD9, 0x8F}};
constexpr GUID kIidConnector = {0x9C2C4058, 0x23F5, 0x41DE, {0x87, 0x7A, 0xDF, 0x3A, 0xF2, 0x36, 0xA0, 0x9E}};
constexpr GUID kIidPart = {0xAE2DE0E4, 0x5BCA, 0x4F2D, {0xAA, 0x46, 0x5D, 0x13, 0xF8, 0xFD, 0xB3, 0xA9}};
constexpr GUID kIidPartsList = {0x6DAA848C, 0x5EB0, 0x45CC, {0xAE, 0xA5, 0x99, 0x8A, 0x2C, 0xDA, 0x1F, 0xFB}};
constexpr GUID kIidSubunit = {0x82149A85, 0xDBA6, 0x4487, {0x86, 0xBB, 0xEA, 0x8F, 0x7F, 0xEF, 0xCC, 0x71}};
constexpr GUID kIidPerChannelDbLevel = {0xC2F8E001, 0xF205, 0x4BC9, {0x99, 0xBC, 0xC1, 0x3B, 0x1E, 0x04, 0x8C, 0xCB}};
constexpr GUID kIidVolumeLevel = {0x7FB7B48F, 0x531D, 0x44A2, {0xBC, 0xB3, 0x5A, 0xD5, 0xA1, 0x34, 0xB3, 0xDC}};
constexpr GUID kIidMute = {0xDF45AEEA, 0xB74A, 0x4B6B, {0xAF, 0xAD, 0x23, 0x66, 0xB6, 0xAA, 0x01, 0x2E}};
constexpr GUID kIidBass = {0xA2B1A1D9, 0x4DB3, 0x425D, {0xA2, 0xB2, 0xBD, 0x33, 0x5C, 0xB3, 0xE2, 0xE5}};
constexpr GUID kIidMidrange = {0x5E54B6D7, 0xB44B, 0x40D9, {0x9A, 0x9E, 0xE6, 0x91, 0xD9, 0xCE, 0x6E, 0xDF}};
constexpr GUID kIidTreble = {0x0A717812, 0x694E, 0x4907, {0xB7, 0x4B, 0xBA, 0xFA, 0x5C, 0xFD, 0xCA, 0x7B}};
constexpr GUID kIidAutoGainControl = {0x85401FD4, 0x6DE4, 0x4B9D, {0x98, 0x69, 0x2D, 0x67, 0x53, 0xA8, 0x2F, 0x3C}};
constexpr GUID kIidLoudness = {0x7D8B1437, 0xDD53, 0x4350, {0x9C, 0x1B, 0x1E, 0xE2, 0x89, 0x0B, 0xD9, 0x38}};
constexpr GUID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// PKEY_Device_FriendlyName
constexpr PROPERTYKEY kFriendlyName = {{0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};
// clang-format on
// The control kinds a part can carry, by the identifier IPart::Activate is asked for.
const struct {
    const GUID* iid;
    const char* kind;
} kKinds[] = {{&kIidVolumeLevel, "volume"}, {&kIidBass, "bass"}, {&kIidMidrange, "mid"},
              {&kIidTreble, "treble"},      {&kIidMute, "mute"}, {&kIidAutoGainControl, "agc"},
              {&kIidLoudness, "loudness"}};

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);
constexpr HRESULT kDeviceInvalidated = static_cast<HRESULT>(0x88890004u);

bool Same(REFIID a, const GUID& b) {
    return IsEqualGUID(a, b) != FALSE;
}
std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // descriptions are ASCII
}
std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());  // endpoint names are ASCII
}
LPWSTR TaskString(const std::string& text) {
    auto* out = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (out != nullptr) std::wmemcpy(out, Wide(text).c_str(), text.size() + 1);
    return out;
}
std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, MAX_PATH);
    return n < MAX_PATH ? std::string(value, n) : std::string();
}
template <class T>
HRESULT HandOut(T* object, void** out) {
    object->AddRef();
    *out = object;
    return S_OK;
}

void Report(const std::string& line) {  // the test names a new report per description
    std::ofstream(Env("TK_TOPOLOGY_REPORT"), std::ios::app | std::ios::binary) << line << "\r\n";
}

// ---- The endpoints hidden by the test, the notification clients, the live objects ----------

struct Client {
    IMMNotificationClient* client;  // one reference held while registered
    std::string module;
};
std::mutex g_lock;  // guards the two below and the endpoints handed out
auto* const g_hidden = new std::set<std::wstring>;  // friendly names
auto* const g_clients = new std::vector<Client>;
class Object;
auto* const g_live = new std::set<Object*>;  // every object that exists

bool Hidden(const std::wstring& name) {
    const std::lock_guard<std::mutex> lock(g_lock);
    return g_hidden->count(name) != 0;
}

// ---- Windows interface layouts (as the Windows SDK declares them) -----------------------

struct IPartsListV;
struct IDeviceTopologyV;
// clang-format off
struct IConnectorV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetType(int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDataFlow(int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectTo(IConnectorV*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsConnected(BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnectorV**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectorIdConnectedTo(LPWSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceIdConnectedTo(LPWSTR*) = 0;
};
struct IPartV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetName(LPWSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocalId(UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalId(LPWSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPartType(int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubType(GUID*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetControlInterfaceCount(UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetControlInterface(UINT, IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsListV**) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsListV**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopologyV**) = 0;
    virtual HRESULT STDMETHODCALLTYPE Activate(DWORD, REFIID, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterControlChangeCallback(REFGUID, IUnknown*) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnregisterControlChangeCallback(IUnknown*) = 0;
};
struct IPartsListV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCount(UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPart(UINT, IPartV**) = 0;
};
struct IDeviceTopologyV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectorCount(UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnector(UINT, IConnectorV**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubunitCount(UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubunit(UINT, IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPartById(UINT, IPartV**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceId(LPWSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSignalPath(IPartV*, IPartV*, BOOL, IPartsListV**) = 0;
};
// IAudioVolumeLevel, IAudioBass, IAudioMidrange and IAudioTreble.
struct IPerChannelDbLevelV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetChannelCount(UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLevelRange(UINT, float*, float*, float*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLevel(UINT, float*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevel(UINT, float, LPCGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevelUniform(float, LPCGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevelAllChannels(float*, ULONG, LPCGUID) = 0;
};
struct IAudioMuteV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetMute(BOOL, LPCGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMute(BOOL*) = 0;
};
// IAudioAutoGainControl and IAudioLoudness.
struct IEnabledV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetEnabled(BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEnabled(BOOL, LPCGUID) = 0;
};
// clang-format on

// ---- Objects ----------------------------------------------------------------------------------

struct Node;
class Topology;
// The objects behind the endpoints of one "endpoint" statement.
struct Section {
    std::vector<std::wstring> endpoints;
    std::map<std::string, Node*> nodes;
    std::map<std::string, HRESULT> failures;  // "target.Method"
    Topology* adapter = nullptr;
    Topology* endpoint = nullptr;
};

// Every object handed out counts its references and is listed while it lives. Objects of
// the description (`keep`) outlive their last reference, so that their values last for the
// whole process; the others go at their last Release. `section` and `target` name the
// object to the description's failures.
class Object {
  public:
    Object(std::string label, bool keep, const Section* s = nullptr, std::string target = "")
        : label(std::move(label)), section(s), target(std::move(target)), keep_(keep) {
        g_live->insert(this);
    }
    virtual ~Object() { g_live->erase(this); }
    ULONG Add() { return ++refs; }
    ULONG Drop() {
        const ULONG left = refs == 0 ? 0 : --refs;
        if (left == 0 && !keep_) delete this;
        return left;
    }
    // What `method` answers: the failure the description asks for, AUDCLNT_E_DEVICE_-
    // INVALIDATED when every endpoint of the section is hidden, else `otherwise`.
    HRESULT Fail(const std::string& method, HRESULT otherwise = S_OK) const {
        if (section == nullptr) return otherwise;
        if (std::all_of(section->endpoints.begin(), section->endpoints.end(), Hidden)) {
            return kDeviceInvalidated;
        }
        for (const std::string& key : {target + "." + method, "*." + method}) {
            const auto it = section->failures.find(key);
            if (it != section->failures.end()) return it->second;
        }
        return otherwise;
    }

    std::string label;
    ULONG refs = 0;
    const Section* section;
    std::string target;

  private:
    bool keep_;
};

// The check at the top of every method that can be failed by name.
#define TK_SCRIPTED \
    if (HRESULT hr_ = Fail(__func__)) return hr_
#define TK_NOT_IMPLEMENTED \
    { return Fail(__func__, E_NOTIMPL); }
// A method that only answers `value`, unless the description fails it.
#define TK_ANSWER(method, type, value)                     \
    HRESULT STDMETHODCALLTYPE method(type* out) override { \
        *out = value;                                      \
        return Fail(__func__);                             \
    }

// IUnknown for an object of the interfaces I...: Find gives the interface for an
// identifier; Other answers for those it does not know.
template <class... I>
class Com : public Object, public I... {
  public:
    using Object::Object;
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        TK_SCRIPTED;
        if ((*out = Find(iid)) == nullptr) return Other(iid, out);
        Add();
        return S_OK;
    }
    virtual void* Find(REFIID iid) = 0;
    virtual HRESULT Other(REFIID, void**) { return E_NOINTERFACE; }
};

// ---- Controls -------------------------------------------------------------------------------

struct Control {
    std::string kind;
    float minDb = 0, maxDb = 0, stepDb = 0;
    std::vector<float> values;  // per channel; a switch keeps one

    bool Level() const { return kind != "mute" && kind != "agc" && kind != "loudness"; }
    void Report(const std::string& part) const {
        for (size_t ch = 0; ch < values.size(); ++ch) {
            char line[256];
            std::snprintf(line, sizeof line, "value %s %s %u %.6g", part.c_str(), kind.c_str(),
                          static_cast<unsigned>(ch), static_cast<double>(values[ch]));
            ::Report(line);
        }
    }
};

// A control of a part as it was activated: a level (IPerChannelDbLevel and its kind's
// identifier), the mute, or a switch (automatic gain control, loudness).
class ControlObject : public Com<IPerChannelDbLevelV, IAudioMuteV, IEnabledV> {
  public:
    ControlObject(const Section* s, const std::string& part, Control& c, const GUID& iid)
        : Com(c.kind + ":" + part, false, s, part), c_(c), iid_(iid) {}
    void* Find(REFIID iid) override {
        if (c_.Level() &&
            (Same(iid, kIidUnknown) || Same(iid, kIidPerChannelDbLevel) || Same(iid, iid_))) {
            return static_cast<IPerChannelDbLevelV*>(this);
        }
        if (!Same(iid, kIidUnknown) && !Same(iid, iid_)) return nullptr;
        if (c_.kind == "mute") return static_cast<IAudioMuteV*>(this);
        return c_.Level() ? nullptr : static_cast<IEnabledV*>(this);
    }
    TK_ANSWER(GetChannelCount, UINT, static_cast<UINT>(c_.values.size()))
    HRESULT STDMETHODCALLTYPE GetLevelRange(UINT ch, float* mn, float* mx, float* st) override {
        TK_SCRIPTED;
        if (ch >= c_.values.size()) return E_INVALIDARG;
        *mn = c_.minDb, *mx = c_.maxDb, *st = c_.stepDb;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLevel(UINT ch, float* db) override {
        TK_SCRIPTED;
        if (ch >= c_.values.size()) return E_INVALIDARG;
        *db = c_.values[ch];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetLevel(UINT ch, float db, LPCGUID) override {
        TK_SCRIPTED;
        if (ch >= c_.values.size() || db < c_.minDb || db > c_.maxDb) return E_INVALIDARG;
        return Put(ch, db);
    }
    HRESULT STDMETHODCALLTYPE SetLevelUniform(float, LPCGUID) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE SetLevelAllChannels(float*, ULONG,
                                                  LPCGUID) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE SetMute(BOOL on, LPCGUID) override {
        TK_SCRIPTED;
        return Put(0, on ? 1 : 0);
    }
    TK_ANSWER(GetMute, BOOL, c_.values[0] != 0)
    TK_ANSWER(GetEnabled, BOOL, c_.values[0] != 0)
    HRESULT STDMETHODCALLTYPE SetEnabled(BOOL on, LPCGUID) override {
        TK_SCRIPTED;
        return Put(0, on ? 1 : 0);
    }

  private:
    HRESULT Put(UINT ch, float value) {
        c_.values[ch] = value;
        c_.Report(target);
        return S_OK;
    }
    Control& c_;
    GUID iid_;
};

// ---- Topology -------------------------------------------------------------------------------

class PartsList : public Com<IPartsListV> {
  public:
    PartsList(const Object& owner, std::vector<Node*> parts)
        : Com("IPartsList:" + owner.target, false, owner.section, owner.target),
          parts_(std::move(parts)) {}
    void* Find(REFIID iid) override {
        return Same(iid, kIidUnknown) || Same(iid, kIidPartsList) ? static_cast<IPartsListV*>(this)
                                                                  : nullptr;
    }
    TK_ANSWER(GetCount, UINT, static_cast<UINT>(parts_.size()))
    HRESULT STDMETHODCALLTYPE GetPart(UINT index, IPartV** out) override;

  private:
    std::vector<Node*> parts_;
};

class Topology : public Com<IDeviceTopologyV> {
  public:
    Topology(const Section* s, const std::string& target)
        : Com("IDeviceTopology:" + target, true, s, target) {}
    void* Find(REFIID iid) override {
        return Same(iid, kIidUnknown) || Same(iid, kIidTopology)
                   ? static_cast<IDeviceTopologyV*>(this)
                   : nullptr;
    }
    TK_ANSWER(GetConnectorCount, UINT, static_cast<UINT>(connectors.size()))
    HRESULT STDMETHODCALLTYPE GetConnector(UINT index, IConnectorV** out) override;
    TK_ANSWER(GetSubunitCount, UINT, 0)
    HRESULT STDMETHODCALLTYPE GetSubunit(UINT, IUnknown**) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE GetPartById(UINT, IPartV**) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE GetDeviceId(LPWSTR*) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE GetSignalPath(IPartV*, IPartV*, BOOL,
                                            IPartsListV**) override TK_NOT_IMPLEMENTED;
    std::vector<Node*> connectors;
};

// A part of the adapter (a subunit) or a connector, which answers IConnector as well.
struct Node : public Com<IPartV, IConnectorV> {
    Node(Section* s, const std::string& id) : Com("IPart:" + id, true, s, id) {}
    std::string name;
    bool connector = false;
    std::vector<Node*> incoming, outgoing;
    std::map<std::string, Control> controls;
    Node* connectedTo = nullptr;
    Topology* topology = nullptr;

    void* Find(REFIID iid) override {
        if (Same(iid, kIidUnknown) || Same(iid, kIidPart) ||
            (Same(iid, kIidSubunit) && !connector)) {
            return static_cast<IPartV*>(this);
        }
        return Same(iid, kIidConnector) && connector ? static_cast<IConnectorV*>(this) : nullptr;
    }
    // IPart
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* out) override {
        TK_SCRIPTED;
        *out = TaskString(name);
        return S_OK;
    }
    TK_ANSWER(GetLocalId, UINT, 0)
    HRESULT STDMETHODCALLTYPE GetGlobalId(LPWSTR* out) override {
        TK_SCRIPTED;
        *out = TaskString(target);
        return S_OK;
    }
    TK_ANSWER(GetPartType, int, connector ? 0 : 1)
    TK_ANSWER(GetSubType, GUID, GUID{})
    TK_ANSWER(GetControlInterfaceCount, UINT, 0)
    HRESULT STDMETHODCALLTYPE GetControlInterface(UINT, IUnknown**) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsListV** out) override {
        TK_SCRIPTED;
        return List(incoming, out);
    }
    HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsListV** out) override {
        TK_SCRIPTED;
        return List(outgoing, out);
    }
    HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopologyV** out) override {
        TK_SCRIPTED;
        return HandOut(static_cast<IDeviceTopologyV*>(topology), reinterpret_cast<void**>(out));
    }
    // Answers only for the controls the part carries, by Windows' identifiers.
    HRESULT STDMETHODCALLTYPE Activate(DWORD, REFIID iid, void** out) override {
        *out = nullptr;
        TK_SCRIPTED;
        for (const auto& k : kKinds) {
            const auto c = controls.find(k.kind);
            if (!Same(iid, *k.iid) || c == controls.end()) continue;
            if (HRESULT hr = Fail(std::string("Activate:") + k.kind)) return hr;
            auto* control = new ControlObject(section, target, c->second, iid);
            control->Add();
            *out = control->Find(iid);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE RegisterControlChangeCallback(REFGUID,
                                                            IUnknown*) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE
    UnregisterControlChangeCallback(IUnknown*) override TK_NOT_IMPLEMENTED;
    // IConnector
    TK_ANSWER(GetType, int, 1)
    TK_ANSWER(GetDataFlow, int, 0)
    HRESULT STDMETHODCALLTYPE ConnectTo(IConnectorV*) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE Disconnect() override TK_NOT_IMPLEMENTED;
    TK_ANSWER(IsConnected, BOOL, connectedTo != nullptr)
    HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnectorV** out) override {
        *out = nullptr;
        TK_SCRIPTED;
        if (connectedTo == nullptr) return kNotFound;
        return HandOut(static_cast<IConnectorV*>(connectedTo), reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE GetConnectorIdConnectedTo(LPWSTR*) override TK_NOT_IMPLEMENTED;
    HRESULT STDMETHODCALLTYPE GetDeviceIdConnectedTo(LPWSTR*) override TK_NOT_IMPLEMENTED;

  private:
    HRESULT List(const std::vector<Node*>& parts, IPartsListV** out) {
        *out = nullptr;
        if (parts.empty()) return kNotFound;
        return HandOut(static_cast<IPartsListV*>(new PartsList(*this, parts)),
                       reinterpret_cast<void**>(out));
    }
};

HRESULT PartsList::GetPart(UINT index, IPartV** out) {
    *out = nullptr;
    TK_SCRIPTED;
    if (index >= parts_.size()) return E_INVALIDARG;
    return HandOut(static_cast<IPartV*>(parts_[index]), reinterpret_cast<void**>(out));
}

HRESULT Topology::GetConnector(UINT index, IConnectorV** out) {
    *out = nullptr;
    TK_SCRIPTED;
    if (index >= connectors.size()) return E_INVALIDARG;
    return HandOut(static_cast<IConnectorV*>(connectors[index]), reinterpret_cast<void**>(out));
}

// ---- Reading the description --------------------------------------------------------------

// A fresh section for "Speakers|Headphones": one adapter behind several endpoints.
Section* NewSection(const std::string& names) {
    auto* s = new Section;
    std::istringstream in(names);
    for (std::string one; std::getline(in, one, '|');) s->endpoints.push_back(Wide(one));
    s->adapter = new Topology(s, "adapter");
    s->endpoint = new Topology(s, "endpoint");
    Node* own = s->nodes["endpoint"] = new Node(s, "endpoint");
    own->label = "IConnector:endpoint", own->connector = true, own->name = names;
    s->endpoint->connectors.push_back(own);
    return s;
}

Node* Get(Section* s, const std::string& id) {
    Node*& node = s->nodes[id];
    if (node == nullptr) node = new Node(s, id), node->name = id;
    return node;
}

void Link(Node* from, Node* to) {
    from->outgoing.push_back(to);
    to->incoming.push_back(from);
}

// Every section of the file, with all its objects built and every control reported.
std::vector<Section*> Read(const std::string& path) {
    std::map<std::string, Section*> byNames;
    std::vector<Section*> sections;
    Section* s = nullptr;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        std::istringstream in(line.substr(0, line.find('#')));
        std::vector<std::string> t;
        for (std::string word; in >> std::quoted(word);) t.push_back(word);
        if (t.empty()) continue;
        if (t[0] == "endpoint") {
            std::string names;
            for (size_t i = 1; i < t.size(); ++i) names += (i > 1 ? " " : "") + t[i];
            Section*& named = byNames[names];
            if (named == nullptr) sections.push_back(named = NewSection(names));
            s = named;
        } else if (s == nullptr) {
            continue;
        } else if ((t[0] == "part" || t[0] == "connector") && t.size() >= 3) {
            Node* node = Get(s, t[1]);
            node->name = t[2];
            node->connector = t[0] == "connector";
            if (node->connector) node->label = "IConnector:" + t[1];
            if (node->connector) s->adapter->connectors.push_back(node);
            for (size_t i = 3; i < t.size(); ++i) {
                Control c;
                const size_t eq = t[i].find('=');
                c.kind = t[i].substr(0, eq);
                std::string rest = t[i].substr(eq + 1);
                std::replace(rest.begin(), rest.end(), ':', ' ');
                std::replace(rest.begin(), rest.end(), ',', ' ');
                std::istringstream values(rest);
                if (c.Level()) values >> c.minDb >> c.maxDb >> c.stepDb;
                for (float v; values >> v;) c.values.push_back(c.Level() ? v : v != 0);
                node->controls[c.kind] = c;
            }
        } else if (t[0] == "chain" && t.size() >= 4) {
            for (int i = 1, n = std::stoi(t[2]); i <= n; ++i) {
                Node* node = Get(s, t[1] + std::to_string(i));
                node->name = t[3];
                if (i > 1) Link(Get(s, t[1] + std::to_string(i - 1)), node);
            }
        } else if (t[0] == "link") {
            for (size_t i = 2; i < t.size(); ++i) Link(Get(s, t[i - 1]), Get(s, t[i]));
        } else if (t[0] == "start" && t.size() >= 2) {
            s->nodes["endpoint"]->connectedTo = Get(s, t[1]);
        } else if (t[0] == "fail" && t.size() >= 3) {
            s->failures[t[1]] = static_cast<HRESULT>(std::stoul(t[2], nullptr, 0));
        }
    }
    for (Section* section : sections) {
        for (auto& [id, node] : section->nodes) {
            node->topology = id == "endpoint" ? section->endpoint : section->adapter;
            for (const auto& [kind, c] : node->controls) c.Report(id);
        }
    }
    return sections;
}

// The section of the endpoint `name` in the description TK_TOPOLOGY names now, or null.
// Each file is read once and its objects keep their values for the rest of the process (a
// test switches descriptions by naming another file).
Section* SectionFor(const std::wstring& name) {
    static auto* const read = new std::map<std::string, std::vector<Section*>>;
    const std::string path = Env("TK_TOPOLOGY");
    if (path.empty()) return nullptr;
    auto [it, fresh] = read->try_emplace(path);
    if (fresh) it->second = Read(path);
    for (Section* s : it->second) {
        if (std::count(s->endpoints.begin(), s->endpoints.end(), name) != 0) return s;
    }
    return nullptr;
}

// ---- Wine's endpoints, passed through ------------------------------------------------------

std::wstring FriendlyName(IMMDevice* device) {
    IPropertyStore* store = nullptr;
    std::wstring name;
    if (FAILED(device->OpenPropertyStore(STGM_READ, &store)) || store == nullptr) return name;
    PROPVARIANT pv;
    PropVariantInit(&pv);
    if (SUCCEEDED(store->GetValue(kFriendlyName, &pv)) && pv.vt == VT_LPWSTR && pv.pwszVal) {
        name = pv.pwszVal;
    }
    PropVariantClear(&pv);
    store->Release();
    return name;
}

// A wrapper of Wine's object `real` (whose reference it takes over). Any interface it does
// not know itself (IMMEndpoint, which Wine's winmm asks for, ...) is Wine's object's.
template <class I>
class Wrapper : public Com<I> {
  public:
    Wrapper(std::string label, const GUID& iid, I* real, bool keep = false)
        : Com<I>(std::move(label), keep), iid_(iid), real_(real) {}
    ~Wrapper() override { real_->Release(); }
    void* Find(REFIID iid) override {
        return Same(iid, kIidUnknown) || Same(iid, iid_) ? static_cast<I*>(this) : nullptr;
    }
    HRESULT Other(REFIID iid, void** out) override { return real_->QueryInterface(iid, out); }

  protected:
    GUID iid_;
    I* real_;
};

class DeviceObject : public Wrapper<IMMDevice> {
  public:
    explicit DeviceObject(IMMDevice* real)
        : Wrapper("IMMDevice:" + Narrow(FriendlyName(real)), kIidDevice, real, true),
          name(FriendlyName(real)) {}
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* params,
                                       void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (Hidden(name)) return kDeviceInvalidated;
        if (!Same(iid, kIidTopology)) return real_->Activate(iid, context, params, out);
        Section* s = SectionFor(name);
        if (s == nullptr) return E_NOINTERFACE;  // as Wine: no device topology
        if (HRESULT hr = s->endpoint->Fail("ActivateTopology")) return hr;
        return HandOut(static_cast<IDeviceTopologyV*>(s->endpoint), out);
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** out) override {
        return real_->OpenPropertyStore(access, out);
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override { return real_->GetId(id); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
        if (state == nullptr || !Hidden(name)) return real_->GetState(state);
        *state = DEVICE_STATE_UNPLUGGED;
        return S_OK;
    }
    const std::wstring name;
};

// Every endpoint handed out, by Wine's object (under the lock).
auto* const g_devices = new std::map<IMMDevice*, DeviceObject*>;

// Hands `real` (a reference the caller owns) out wrapped. Wine keeps one object per
// endpoint, and so does the stand-in: callers that compare device pointers (Wine's winmm
// does) see the same wrapper for the same endpoint, kept for the whole process.
HRESULT WrapDevice(HRESULT hr, IMMDevice* real, IMMDevice** out) {
    if (FAILED(hr) || real == nullptr) return hr;
    const std::lock_guard<std::mutex> lock(g_lock);
    DeviceObject*& wrapper = (*g_devices)[real];
    if (wrapper != nullptr) real->Release();
    if (wrapper == nullptr) wrapper = new DeviceObject(real);
    return HandOut(static_cast<IMMDevice*>(wrapper), reinterpret_cast<void**>(out));
}

// Wine's endpoints of every state, wrapped, of which it keeps those whose state (unplugged
// for a hidden one) is in `mask`.
class CollectionObject : public Wrapper<IMMDeviceCollection> {
  public:
    CollectionObject(IMMDeviceCollection* real, DWORD mask)
        : Wrapper("IMMDeviceCollection", kIidCollection, real) {
        IMMDevice* device = nullptr;
        for (UINT i = 0; SUCCEEDED(real_->Item(i, &device)) && device != nullptr; ++i) {
            IMMDevice* wrapped = nullptr;
            DWORD state = 0;
            WrapDevice(S_OK, device, &wrapped);
            if (SUCCEEDED(wrapped->GetState(&state)) && (state & mask) != 0) {
                items_.push_back(wrapped);
            } else {
                wrapped->Release();
            }
        }
    }
    ~CollectionObject() override {
        for (IMMDevice* device : items_) device->Release();
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
        *count = static_cast<UINT>(items_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** out) override {
        *out = nullptr;
        if (index >= items_.size()) return E_INVALIDARG;
        return HandOut(items_[index], reinterpret_cast<void**>(out));
    }

  private:
    std::vector<IMMDevice*> items_;
};

// ---- Endpoint changes carried out for the test, and told to the clients ------------------------

std::string ModuleOf(IMMNotificationClient* client) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = {};
    const auto* code = *reinterpret_cast<const wchar_t* const*>(client);  // its vtable
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            code, &module) ||
        GetModuleFileNameA(module, path, MAX_PATH) == 0) {
        return "unknown";
    }
    const std::string file = path;
    return file.substr(file.find_last_of("\\/") + 1);
}

// The id of the endpoint named `name`, of those handed out (in a list, every one of its
// flow is); "" when there is none.
std::wstring IdOf(const std::wstring& name) {
    const std::lock_guard<std::mutex> lock(g_lock);
    for (const auto& [real, device] : *g_devices) {
        LPWSTR id = nullptr;
        if (device->name != name || FAILED(real->GetId(&id))) continue;
        const std::wstring found = id;
        CoTaskMemFree(id);
        return found;
    }
    return L"";
}

// One command line of the test: the endpoint hidden or shown, then every client told.
void Carry(const std::string& line) {
    const size_t blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::wstring name = Wide(blank == std::string::npos ? "" : line.substr(blank + 1));
    const std::wstring id = IdOf(name);
    const bool hide = verb == "hide" || verb == "remove";
    if (id.empty() || (!hide && verb != "show" && verb != "add")) {
        Report("notified " + line + " unknown");
        return;
    }
    std::vector<IMMNotificationClient*> clients;
    {
        const std::lock_guard<std::mutex> lock(g_lock);
        if (hide) g_hidden->insert(name);
        if (!hide) g_hidden->erase(name);
        for (const Client& c : *g_clients) c.client->AddRef(), clients.push_back(c.client);
    }
    // Called outside the lock, as Windows calls them: a client may unregister meanwhile.
    for (IMMNotificationClient* client : clients) {
        if (verb == "remove") {
            client->OnDeviceRemoved(id.c_str());
        } else if (verb == "add") {
            client->OnDeviceAdded(id.c_str());
        } else {
            client->OnDeviceStateChanged(id.c_str(),
                                         hide ? DEVICE_STATE_UNPLUGGED : DEVICE_STATE_ACTIVE);
        }
        client->Release();
    }
    Report("notified " + line + " " + std::to_string(clients.size()));
}

HANDLE g_devicesEvent = nullptr;  // set under the lock, once

DWORD WINAPI Watcher(void*) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string file = Env("TK_TOPOLOGY_REPORT") + ".devices";
    while (WaitForSingleObject(g_devicesEvent, INFINITE) == WAIT_OBJECT_0) {
        std::vector<std::string> lines;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        in.close();
        DeleteFileA(file.c_str());
        for (const std::string& line : lines) Carry(line);
    }
    return 0;
}

class EnumeratorObject : public Wrapper<IMMDeviceEnumerator> {
  public:
    explicit EnumeratorObject(IMMDeviceEnumerator* real)
        : Wrapper("IMMDeviceEnumerator", kIidEnumerator, real) {}
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask,
                                                 IMMDeviceCollection** out) override {
        IMMDeviceCollection* real = nullptr;
        const HRESULT hr = real_->EnumAudioEndpoints(flow, DEVICE_STATEMASK_ALL, &real);
        if (FAILED(hr) || real == nullptr) return hr;
        return HandOut(static_cast<IMMDeviceCollection*>(new CollectionObject(real, mask)),
                       reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                                      IMMDevice** out) override {
        IMMDevice* real = nullptr;
        const HRESULT hr = real_->GetDefaultAudioEndpoint(flow, role, &real);
        return WrapDevice(hr, real, out);
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR id, IMMDevice** out) override {
        IMMDevice* real = nullptr;
        const HRESULT hr = real_->GetDevice(id, &real);
        return WrapDevice(hr, real, out);
    }
    // The clients are kept here (not handed to Wine, whose endpoints do not change under a
    // running process): the test's changes are the only ones they hear of. The first one
    // starts the watch.
    HRESULT STDMETHODCALLTYPE
    RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        if (client == nullptr) return E_POINTER;
        const std::string module = ModuleOf(client);
        {
            const std::lock_guard<std::mutex> lock(g_lock);
            client->AddRef();
            g_clients->push_back({client, module});
            const std::wstring name =
                L"tk_topology_devices_" + std::to_wstring(GetCurrentProcessId());
            if (g_devicesEvent == nullptr &&
                (g_devicesEvent = CreateEventW(nullptr, FALSE, FALSE, name.c_str())) != nullptr) {
                CloseHandle(CreateThread(nullptr, 0, Watcher, nullptr, 0, nullptr));
            }
        }
        Report("register " + module);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        Client gone{nullptr, ""};
        {
            const std::lock_guard<std::mutex> lock(g_lock);
            const auto it = std::find_if(g_clients->begin(), g_clients->end(),
                                         [&](const Client& c) { return c.client == client; });
            if (it == g_clients->end()) return E_INVALIDARG;
            gone = *it;
            g_clients->erase(it);
        }
        Report("unregister " + gone.module);
        gone.client->Release();
        return S_OK;
    }
};

// Makes Wine's own enumerator (from Wine's mmdevapi.dll), wrapped.
class Factory : public IClassFactory {
  public:
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        const bool known = Same(iid, kIidUnknown) || Same(iid, kIidClassFactory);
        *out = known ? this : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        static HMODULE wine = LoadLibraryW(L"mmdevapi.dll");
        auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(wine, "DllGetClassObject")));
        IClassFactory* factory = nullptr;
        IMMDeviceEnumerator* real = nullptr;
        HRESULT hr = get == nullptr ? E_FAIL
                                    : get(kClsidEnumerator, kIidClassFactory,
                                          reinterpret_cast<void**>(&factory));
        if (FAILED(hr)) return hr;
        hr = factory->CreateInstance(nullptr, kIidEnumerator, reinterpret_cast<void**>(&real));
        factory->Release();
        if (FAILED(hr)) return hr;
        auto* wrapped = new EnumeratorObject(real);
        wrapped->AddRef();
        hr = wrapped->QueryInterface(iid, out);
        wrapped->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

// Writes "dump TAG" and every object still referenced; returns their number.
extern "C" int WINAPI TopologyDump(const char* tag) {
    Report(std::string("dump ") + tag);
    int held = 0;
    for (Object* o : *g_live) {
        if (o->refs == 0) continue;
        ++held;
        Report("held " + o->label + " " + std::to_string(o->refs));
    }
    // At unload the lock may have gone with a thread the process ended; then no list.
    if (g_lock.try_lock()) {
        for (const Client& c : *g_clients) Report("client " + c.module);
        g_lock.unlock();
    }
    return held;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!Same(clsid, kClsidEnumerator)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

// Stays loaded: the description's objects keep their values for the whole process.
extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_DETACH) TopologyDump("unload");
    return TRUE;
}
