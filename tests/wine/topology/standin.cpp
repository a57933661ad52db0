// A stand-in for the system's endpoint enumerator, for the topology tests only (never
// shipped). Registered per user in the test prefix for the MMDeviceEnumerator class, it
// hands out Wine's own endpoints (taken from Wine's mmdevapi.dll) wrapped so that
// IMMDevice::Activate(IDeviceTopology) answers with a topology built from the description
// file named by TK_TOPOLOGY. Everything else of a device is Wine's. The test program
// registers it (topology_support.h) and takes the registration away again.
//
// The topology objects are real COM objects with the Windows interface layouts and
// identifiers, written out here on purpose (not taken from the product's identifier table
// nor from the cross compiler's devicetopology.h), so that a wrong identifier or layout on
// the product side cannot agree with itself.
//
// Description (one statement a line, '#' starts a comment):
//   endpoint NAME[|NAME...]       section for the endpoints with these friendly names
//   connector ID "Name" [ctl...]  adapter connector (index = order of declaration)
//   part ID "Name" [ctl...]       adapter subunit
//   chain ID N "Name"             N subunits ID1 .. IDN, each feeding the next
//   link A B [C ...]              A feeds B (A is B's incoming part), B feeds C, ...
//   start ID                      the adapter connector the endpoint's connector 0 reaches
//   fail TARGET.Method HRESULT    that call on TARGET (a part id, "endpoint", "adapter",
//                                 "*" for any) answers HRESULT
// Controls: volume|bass|mid|treble=MIN:MAX:STEP:V0,V1,...  (one value per channel)
//           mute|agc|loudness=0|1
// Methods of a part: GetName, QueryInterface, EnumPartsIncoming, EnumPartsOutgoing,
// GetTopologyObject, GetConnectedTo, Activate (any control) or Activate:KIND, GetCount and
// GetPart (of its parts lists), and those of its controls (GetChannelCount, GetLevelRange,
// GetLevel, SetLevel, GetMute, SetMute, GetEnabled, SetEnabled). Targets of the endpoint
// itself: endpoint.ActivateTopology (IMMDevice::Activate), endpoint.GetConnector,
// endpoint.GetConnectedTo; adapter.GetConnectorCount and adapter.GetConnector.
// Level controls keep exactly what they are given and refuse values outside their range
// (E_INVALIDARG), as drivers do.
//
// Report (TK_TOPOLOGY_REPORT, appended): "value PART CONTROL CHANNEL VALUE" for every
// control when its section is built and after every change; "dump TAG" followed by
// "held LABEL REFS" for every object still referenced and "client MODULE" for every
// notification client still registered, on TopologyDump() and at unload.
//
// Endpoints that come and go: the enumerator keeps the notification clients registered
// with it ("register MODULE" / "unregister MODULE" in the report, MODULE being the file
// the client's code lives in). The first registration in a process creates the event
// "tk_topology_devices_PID" and a thread that waits on it; a test writes commands to
// the file TK_TOPOLOGY_REPORT + ".devices" and sets the event. The thread takes the
// file, carries out each line and calls every client, then reports "notified LINE N"
// (N clients called):
//   hide NAME     the endpoint reads as unplugged; OnDeviceStateChanged(UNPLUGGED)
//   show NAME     active again; OnDeviceStateChanged(ACTIVE)
//   remove NAME   as hide, with OnDeviceRemoved
//   add NAME      as show, with OnDeviceAdded
// A hidden endpoint is left out of every list that asks for active endpoints, its state
// reads DEVICE_STATE_UNPLUGGED and its Activate answers AUDCLNT_E_DEVICE_INVALIDATED.
// The controls of a section whose endpoints are all hidden answer the same (a device
// unplugged as a whole); a section with an endpoint left keeps working, as a codec does
// when one of its jacks is unplugged.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <map>
#include <memory>
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

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);

bool Same(REFIID a, const GUID& b) {
    return IsEqualGUID(a, b) != FALSE;
}

// ---- Report ------------------------------------------------------------------------------

std::string ReportPath() {
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("TK_TOPOLOGY_REPORT", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

void Report(const std::string& line) {
    const std::string path = ReportPath();  // the test names a new file per description
    if (path.empty()) return;
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

// ---- Endpoints hidden by the test, and the notification clients ----------------------------

constexpr HRESULT kDeviceInvalidated = static_cast<HRESULT>(0x88890004u);

struct Client {
    IMMNotificationClient* client;  // one reference held while registered
    std::string module;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::set<std::wstring>& Hidden() {  // endpoint ids
    static auto* hidden = new std::set<std::wstring>;
    return *hidden;
}
std::set<std::wstring>& HiddenNames() {
    static auto* hidden = new std::set<std::wstring>;
    return *hidden;
}
std::vector<Client>& Clients() {
    static auto* clients = new std::vector<Client>;
    return *clients;
}

class Locked {
  public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// True when every endpoint of "Speakers|Headphones" is hidden.
bool AllHidden(const std::string& names) {
    std::istringstream in(names);
    Locked lock;
    for (std::string one; std::getline(in, one, '|');) {
        if (HiddenNames().count(std::wstring(one.begin(), one.end())) == 0) return false;
    }
    return true;
}

std::wstring IdOf(IMMDevice* device) {
    LPWSTR id = nullptr;
    std::wstring out;
    if (SUCCEEDED(device->GetId(&id)) && id != nullptr) out = id;
    CoTaskMemFree(id);
    return out;
}

bool IsHidden(IMMDevice* device) {
    const std::wstring id = IdOf(device);
    Locked lock;
    return Hidden().count(id) != 0;
}

// ---- Reference counting: every object handed out is listed while it lives -------------------

class Object;
std::set<Object*>& Live() {
    static auto* live = new std::set<Object*>;
    return *live;
}

// Base of every object: counts the references its clients hold. Objects of the description
// (`keep`) stay alive at no references, so their values last for the whole process; the
// others are deleted at their last Release.
class Object {
  public:
    Object(std::string label, bool keep) : label_(std::move(label)), keep_(keep) {
        Live().insert(this);
    }
    virtual ~Object() { Live().erase(this); }
    ULONG Add() { return ++refs_; }
    ULONG Drop() {
        const ULONG left = refs_ == 0 ? 0 : --refs_;
        if (left == 0 && !keep_) delete this;
        return left;
    }
    ULONG refs() const { return refs_; }
    const std::string& label() const { return label_; }

  private:
    std::string label_;
    bool keep_;
    ULONG refs_ = 0;
};

// IUnknown on Add/Drop/Find; `notFound` answers an interface Find does not know.
#define TK_UNKNOWN_METHODS_OR(notFound)                                         \
    ULONG STDMETHODCALLTYPE AddRef() override {                                 \
        return Add();                                                           \
    }                                                                           \
    ULONG STDMETHODCALLTYPE Release() override {                                \
        return Drop();                                                          \
    }                                                                           \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { \
        if (out == nullptr) return E_POINTER;                                   \
        *out = Find(iid);                                                       \
        if (*out == nullptr) return notFound;                                   \
        Add();                                                                  \
        return S_OK;                                                            \
    }
#define TK_UNKNOWN_METHODS TK_UNKNOWN_METHODS_OR(E_NOINTERFACE)
// The wrappers of Wine's objects hand any other interface (IMMEndpoint, which Wine's winmm
// asks for, ...) over to the Wine object itself.
#define TK_WRAPPER_METHODS TK_UNKNOWN_METHODS_OR(real_->QueryInterface(iid, out))

template <class T>
HRESULT HandOut(T* object, void** out) {
    object->AddRef();
    *out = object;
    return S_OK;
}

// ---- The description ---------------------------------------------------------------------

struct Control {
    std::string kind;  // volume bass mid treble mute agc loudness
    float minDb = 0, maxDb = 0, stepDb = 0;
    std::vector<float> values;  // per channel; flags keep one value
};

struct Section;
struct Node;

using Failures = std::map<std::string, HRESULT>;

HRESULT Injected(const Section& s, const std::string& target, const char* method);

// ---- Windows interface layouts (as the Windows SDK declares them) -----------------------

struct IPartsListV;
struct IPartV;
struct IDeviceTopologyV;

struct IConnectorV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetType(int* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDataFlow(int* flow) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectTo(IConnectorV* to) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsConnected(BOOL* connected) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnectorV** to) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectorIdConnectedTo(LPWSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceIdConnectedTo(LPWSTR* id) = 0;
};

struct IPartV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetName(LPWSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocalId(UINT* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalId(LPWSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPartType(int* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubType(GUID* subtype) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetControlInterfaceCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetControlInterface(UINT index, IUnknown** control) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsListV** parts) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsListV** parts) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopologyV** topology) = 0;
    virtual HRESULT STDMETHODCALLTYPE Activate(DWORD context, REFIID iid, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterControlChangeCallback(REFGUID, IUnknown*) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnregisterControlChangeCallback(IUnknown*) = 0;
};

struct IPartsListV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPart(UINT index, IPartV** part) = 0;
};

struct IDeviceTopologyV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectorCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnector(UINT index, IConnectorV** connector) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubunitCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubunit(UINT index, IUnknown** subunit) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPartById(UINT id, IPartV** part) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceId(LPWSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSignalPath(IPartV*, IPartV*, BOOL, IPartsListV**) = 0;
};

struct IPerChannelDbLevelV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLevelRange(UINT ch, float* mn, float* mx, float* st) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLevel(UINT ch, float* db) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevel(UINT ch, float db, LPCGUID context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevelUniform(float db, LPCGUID context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevelAllChannels(float* db, ULONG n, LPCGUID ctx) = 0;
};

struct IAudioMuteV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetMute(BOOL mute, LPCGUID context) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMute(BOOL* mute) = 0;
};

// IAudioAutoGainControl and IAudioLoudness.
struct IEnabledV : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetEnabled(BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEnabled(BOOL enabled, LPCGUID context) = 0;
};

LPWSTR TaskString(const std::wstring& text) {
    auto* out = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (out != nullptr) std::wmemcpy(out, text.c_str(), text.size() + 1);
    return out;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // descriptions are ASCII
}

// ---- Controls ------------------------------------------------------------------------------

class ControlObject : public Object {
  public:
    ControlObject(Section& s, Node& node, Control& c);

  protected:
    HRESULT Fail(const char* method) const;
    void Changed() const;
    Section& s_;
    Node& node_;
    Control& c_;
};

class LevelObject : public ControlObject, public IPerChannelDbLevelV {
  public:
    LevelObject(Section& s, Node& node, Control& c, const GUID& iid)
        : ControlObject(s, node, c), iid_(iid) {}
    TK_UNKNOWN_METHODS
    void* Find(REFIID iid) {
        if (Same(iid, kIidUnknown) || Same(iid, kIidPerChannelDbLevel) || Same(iid, iid_)) {
            return static_cast<IPerChannelDbLevelV*>(this);
        }
        return nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* count) override {
        if (HRESULT hr = Fail("GetChannelCount")) return hr;
        *count = static_cast<UINT>(c_.values.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLevelRange(UINT ch, float* mn, float* mx, float* st) override {
        if (HRESULT hr = Fail("GetLevelRange")) return hr;
        if (ch >= c_.values.size()) return E_INVALIDARG;
        *mn = c_.minDb, *mx = c_.maxDb, *st = c_.stepDb;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLevel(UINT ch, float* db) override {
        if (HRESULT hr = Fail("GetLevel")) return hr;
        if (ch >= c_.values.size()) return E_INVALIDARG;
        *db = c_.values[ch];
        return S_OK;
    }
    // Out-of-range values are refused, as drivers do; others are kept exactly.
    HRESULT STDMETHODCALLTYPE SetLevel(UINT ch, float db, LPCGUID) override {
        if (HRESULT hr = Fail("SetLevel")) return hr;
        if (ch >= c_.values.size() || db < c_.minDb || db > c_.maxDb) return E_INVALIDARG;
        c_.values[ch] = db;
        Changed();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetLevelUniform(float, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLevelAllChannels(float*, ULONG, LPCGUID) override {
        return E_NOTIMPL;
    }

  private:
    GUID iid_;
};

class MuteObject : public ControlObject, public IAudioMuteV {
  public:
    using ControlObject::ControlObject;
    TK_UNKNOWN_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, kIidMute) ? static_cast<IAudioMuteV*>(this)
                                                             : nullptr;
    }
    HRESULT STDMETHODCALLTYPE SetMute(BOOL mute, LPCGUID) override {
        if (HRESULT hr = Fail("SetMute")) return hr;
        c_.values[0] = mute ? 1.0f : 0.0f;
        Changed();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* mute) override {
        if (HRESULT hr = Fail("GetMute")) return hr;
        *mute = c_.values[0] != 0 ? TRUE : FALSE;
        return S_OK;
    }
};

class EnabledObject : public ControlObject, public IEnabledV {
  public:
    EnabledObject(Section& s, Node& node, Control& c, const GUID& iid)
        : ControlObject(s, node, c), iid_(iid) {}
    TK_UNKNOWN_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, iid_) ? static_cast<IEnabledV*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetEnabled(BOOL* enabled) override {
        if (HRESULT hr = Fail("GetEnabled")) return hr;
        *enabled = c_.values[0] != 0 ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetEnabled(BOOL enabled, LPCGUID) override {
        if (HRESULT hr = Fail("SetEnabled")) return hr;
        c_.values[0] = enabled ? 1.0f : 0.0f;
        Changed();
        return S_OK;
    }

  private:
    GUID iid_;
};

// ---- Topology ------------------------------------------------------------------------------

class TopologyObject;

// A part of the adapter (a subunit) or a connector; connectors answer IConnector as well.
struct Node : public Object, public IPartV, public IConnectorV {
    Node(Section& s, std::string id, std::string name, bool connector)
        : Object((connector ? "IConnector:" : "IPart:") + id, true),
          section(s),
          id(std::move(id)),
          name(std::move(name)),
          isConnector(connector) {}
    Section& section;
    std::string id, name;
    bool isConnector;
    std::vector<Node*> incoming, outgoing;
    std::map<std::string, Control> controls;
    Node* connectedTo = nullptr;
    TopologyObject* topology = nullptr;

    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (HRESULT hr = Injected(section, id, "QueryInterface")) return hr;
        if (Same(iid, kIidUnknown) || Same(iid, kIidPart)) {
            *out = static_cast<IPartV*>(this);
        } else if (Same(iid, kIidConnector) && isConnector) {
            *out = static_cast<IConnectorV*>(this);
        } else if (Same(iid, kIidSubunit) && !isConnector) {
            *out = static_cast<IPartV*>(this);
        } else {
            return E_NOINTERFACE;
        }
        Add();
        return S_OK;
    }
    HRESULT Fail(const char* method) const { return Injected(section, id, method); }

    // IPart
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* out) override {
        if (HRESULT hr = Fail("GetName")) return hr;
        *out = TaskString(Wide(name));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocalId(UINT* out) override {
        *out = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetGlobalId(LPWSTR* out) override {
        *out = TaskString(Wide(id));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPartType(int* type) override {
        *type = isConnector ? 0 : 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSubType(GUID* subtype) override {
        *subtype = GUID{};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetControlInterfaceCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetControlInterface(UINT, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsListV** out) override;
    HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsListV** out) override;
    HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopologyV** out) override;
    HRESULT STDMETHODCALLTYPE Activate(DWORD, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE RegisterControlChangeCallback(REFGUID, IUnknown*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnregisterControlChangeCallback(IUnknown*) override {
        return E_NOTIMPL;
    }

    // IConnector
    HRESULT STDMETHODCALLTYPE GetType(int* type) override {
        *type = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataFlow(int* flow) override {
        *flow = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConnectTo(IConnectorV*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsConnected(BOOL* connected) override {
        *connected = connectedTo != nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnectorV** out) override {
        *out = nullptr;
        if (HRESULT hr = Fail("GetConnectedTo")) return hr;
        if (connectedTo == nullptr) return kNotFound;
        return HandOut(static_cast<IConnectorV*>(connectedTo), reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE GetConnectorIdConnectedTo(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDeviceIdConnectedTo(LPWSTR*) override { return E_NOTIMPL; }
};

class PartsListObject : public Object, public IPartsListV {
  public:
    PartsListObject(const Node& owner, std::vector<Node*> parts)
        : Object("IPartsList:" + owner.id, false), owner_(owner), parts_(std::move(parts)) {}
    TK_UNKNOWN_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, kIidPartsList) ? static_cast<IPartsListV*>(this)
                                                                  : nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
        if (HRESULT hr = owner_.Fail("GetCount")) return hr;
        *count = static_cast<UINT>(parts_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPart(UINT index, IPartV** out) override {
        *out = nullptr;
        if (HRESULT hr = owner_.Fail("GetPart")) return hr;
        if (index >= parts_.size()) return E_INVALIDARG;
        return HandOut(static_cast<IPartV*>(parts_[index]), reinterpret_cast<void**>(out));
    }

  private:
    const Node& owner_;
    std::vector<Node*> parts_;
};

class TopologyObject : public Object, public IDeviceTopologyV {
  public:
    TopologyObject(Section& s, std::string target)
        : Object("IDeviceTopology:" + target, true), s_(s), target_(std::move(target)) {}
    TK_UNKNOWN_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, kIidTopology)
                   ? static_cast<IDeviceTopologyV*>(this)
                   : nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetConnectorCount(UINT* count) override {
        if (HRESULT hr = Injected(s_, target_, "GetConnectorCount")) return hr;
        *count = static_cast<UINT>(connectors.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnector(UINT index, IConnectorV** out) override {
        *out = nullptr;
        if (HRESULT hr = Injected(s_, target_, "GetConnector")) return hr;
        if (index >= connectors.size()) return E_INVALIDARG;
        return HandOut(static_cast<IConnectorV*>(connectors[index]), reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE GetSubunitCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSubunit(UINT, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPartById(UINT, IPartV**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDeviceId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSignalPath(IPartV*, IPartV*, BOOL, IPartsListV**) override {
        return E_NOTIMPL;
    }
    std::vector<Node*> connectors;

  private:
    Section& s_;
    std::string target_;
};

struct Section {
    std::string endpoint;
    std::map<std::string, std::unique_ptr<Node>> nodes;
    Failures failures;
    TopologyObject* adapter = nullptr;
    TopologyObject* endpointTopology = nullptr;
    Node* endpointConnector = nullptr;
};

HRESULT Injected(const Section& s, const std::string& target, const char* method) {
    for (const std::string& key : {target + "." + method, std::string("*.") + method}) {
        const auto it = s.failures.find(key);
        if (it != s.failures.end()) return it->second;
    }
    return S_OK;
}

ControlObject::ControlObject(Section& s, Node& node, Control& c)
    : Object(c.kind + ":" + node.id, false), s_(s), node_(node), c_(c) {}

HRESULT ControlObject::Fail(const char* method) const {
    if (AllHidden(s_.endpoint)) return kDeviceInvalidated;
    return Injected(s_, node_.id, method);
}

void Report(const Node& node, const Control& c) {
    for (size_t ch = 0; ch < c.values.size(); ++ch) {
        char line[256];
        std::snprintf(line, sizeof line, "value %s %s %u %.6g", node.id.c_str(), c.kind.c_str(),
                      static_cast<unsigned>(ch), static_cast<double>(c.values[ch]));
        Report(line);
    }
}

void ControlObject::Changed() const {
    Report(node_, c_);
}

HRESULT Node::EnumPartsIncoming(IPartsListV** out) {
    *out = nullptr;
    if (HRESULT hr = Fail("EnumPartsIncoming")) return hr;
    if (incoming.empty()) return kNotFound;
    return HandOut(static_cast<IPartsListV*>(new PartsListObject(*this, incoming)),
                   reinterpret_cast<void**>(out));
}

HRESULT Node::EnumPartsOutgoing(IPartsListV** out) {
    *out = nullptr;
    if (HRESULT hr = Fail("EnumPartsOutgoing")) return hr;
    if (outgoing.empty()) return kNotFound;
    return HandOut(static_cast<IPartsListV*>(new PartsListObject(*this, outgoing)),
                   reinterpret_cast<void**>(out));
}

HRESULT Node::GetTopologyObject(IDeviceTopologyV** out) {
    *out = nullptr;
    if (HRESULT hr = Fail("GetTopologyObject")) return hr;
    return HandOut(static_cast<IDeviceTopologyV*>(topology), reinterpret_cast<void**>(out));
}

// Answers only for the controls the part carries, by Windows' identifiers.
HRESULT Node::Activate(DWORD, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = Fail("Activate")) return hr;
    static const struct {
        const GUID* iid;
        const char* kind;
    } kinds[] = {{&kIidVolumeLevel, "volume"}, {&kIidBass, "bass"}, {&kIidMidrange, "mid"},
                 {&kIidTreble, "treble"},      {&kIidMute, "mute"}, {&kIidAutoGainControl, "agc"},
                 {&kIidLoudness, "loudness"}};
    for (const auto& k : kinds) {
        if (!Same(iid, *k.iid)) continue;
        const auto it = controls.find(k.kind);
        if (it == controls.end()) break;
        if (HRESULT hr = Fail((std::string("Activate:") + k.kind).c_str())) return hr;
        Control& c = it->second;
        if (c.kind == "mute") {
            return HandOut(static_cast<IAudioMuteV*>(new MuteObject(section, *this, c)), out);
        }
        if (c.kind == "agc" || c.kind == "loudness") {
            return HandOut(static_cast<IEnabledV*>(new EnabledObject(section, *this, c, iid)), out);
        }
        return HandOut(static_cast<IPerChannelDbLevelV*>(new LevelObject(section, *this, c, iid)),
                       out);
    }
    return E_NOINTERFACE;
}

// ---- Reading the description --------------------------------------------------------------

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            out.push_back(line.substr(i + 1, end - i - 1));
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            size_t end = line.find_first_of(" \t\r", i);
            if (end == std::string::npos) end = line.size();
            out.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

bool ParseControl(const std::string& token, Control* c) {
    const size_t eq = token.find('=');
    if (eq == std::string::npos) return false;
    c->kind = token.substr(0, eq);
    std::string rest = token.substr(eq + 1);
    if (c->kind == "mute" || c->kind == "agc" || c->kind == "loudness") {
        c->values = {std::stof(rest) != 0 ? 1.0f : 0.0f};
        return true;
    }
    if (c->kind != "volume" && c->kind != "bass" && c->kind != "mid" && c->kind != "treble") {
        return false;
    }
    for (char& ch : rest) {
        if (ch == ':' || ch == ',') ch = ' ';
    }
    std::istringstream in(rest);
    in >> c->minDb >> c->maxDb >> c->stepDb;
    for (float v; in >> v;) c->values.push_back(v);
    return true;
}

class Description {
  public:
    // The section for an endpoint, built on first use; null when the description has none.
    explicit Description(std::string path) : path_(std::move(path)) {}

    // Every section is built at the first request, so the report holds every control of
    // the description from then on.
    Section* For(const std::wstring& endpointName) {
        Load();
        for (auto& s : sections_) {
            if (!s->adapter) Build(*s);
        }
        for (auto& s : sections_) {
            if (Names(s->endpoint, endpointName)) return s.get();
        }
        return nullptr;
    }

  private:
    // "Speakers|Headphones": one adapter behind several endpoints.
    static bool Names(const std::string& names, const std::wstring& endpointName) {
        std::istringstream in(names);
        for (std::string one; std::getline(in, one, '|');) {
            if (Wide(one) == endpointName) return true;
        }
        return false;
    }

    void Load() {
        if (loaded_) return;
        loaded_ = true;
        std::ifstream in(path_);
        for (std::string line; std::getline(in, line);) lines_.push_back(line);
        for (const std::string& line : lines_) {
            const auto t = Tokens(line);
            if (t.empty() || t[0] != "endpoint") continue;
            auto s = std::make_unique<Section>();
            for (size_t i = 1; i < t.size(); ++i) s->endpoint += (i > 1 ? " " : "") + t[i];
            sections_.push_back(std::move(s));
        }
    }

    Node* Add(Section& s, const std::string& id, const std::string& name, bool connector) {
        auto& slot = s.nodes[id];
        if (!slot) slot = std::make_unique<Node>(s, id, name, connector);
        return slot.get();
    }

    Node* Get(Section& s, const std::string& id) { return Add(s, id, id, false); }

    void Build(Section& s) {
        s.adapter = new TopologyObject(s, "adapter");
        s.endpointTopology = new TopologyObject(s, "endpoint");
        s.endpointConnector = new Node(s, "endpoint", s.endpoint, true);
        s.endpointTopology->connectors.push_back(s.endpointConnector);
        bool inside = false;
        for (const std::string& line : lines_) {
            const auto t = Tokens(line);
            if (t.empty()) continue;
            if (t[0] == "endpoint") {
                std::string names;
                for (size_t i = 1; i < t.size(); ++i) names += (i > 1 ? " " : "") + t[i];
                inside = names == s.endpoint;
                continue;
            }
            if (!inside) continue;
            if ((t[0] == "part" || t[0] == "connector") && t.size() >= 3) {
                Node* node = Add(s, t[1], t[2], t[0] == "connector");
                node->name = t[2];
                node->isConnector = t[0] == "connector";
                if (node->isConnector) s.adapter->connectors.push_back(node);
                for (size_t i = 3; i < t.size(); ++i) {
                    Control c;
                    if (ParseControl(t[i], &c)) node->controls[c.kind] = c;
                }
            } else if (t[0] == "chain" && t.size() >= 4) {
                Node* previous = nullptr;
                const int n = std::stoi(t[2]);
                for (int i = 1; i <= n; ++i) {
                    Node* node = Add(s, t[1] + std::to_string(i), t[3], false);
                    if (previous != nullptr) Link(previous, node);
                    previous = node;
                }
            } else if (t[0] == "link") {
                for (size_t i = 2; i < t.size(); ++i) Link(Get(s, t[i - 1]), Get(s, t[i]));
            } else if (t[0] == "start" && t.size() >= 2) {
                s.endpointConnector->connectedTo = Get(s, t[1]);
            } else if (t[0] == "fail" && t.size() >= 3) {
                s.failures[t[1]] = static_cast<HRESULT>(std::stoul(t[2], nullptr, 0));
            }
        }
        for (auto& [id, node] : s.nodes) {
            node->topology = s.adapter;
            for (const auto& [kind, c] : node->controls) Report(*node, c);
        }
    }

    static void Link(Node* from, Node* to) {
        from->outgoing.push_back(to);
        to->incoming.push_back(from);
    }

    std::string path_;
    bool loaded_ = false;
    std::vector<std::string> lines_;
    std::vector<std::unique_ptr<Section>> sections_;
};

// The description TK_TOPOLOGY names now; each file is read once and its objects keep their
// values for the rest of the process (a test switches descriptions by naming another file).
Description* TheDescription() {
    static auto* all = new std::map<std::string, std::unique_ptr<Description>>;
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("TK_TOPOLOGY", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    auto& d = (*all)[path];
    if (!d) d = std::make_unique<Description>(path);
    return d.get();
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

class DeviceObject : public Object, public IMMDevice {
  public:
    explicit DeviceObject(IMMDevice* real)
        : Object("IMMDevice:" + Narrow(FriendlyName(real)), true), real_(real) {
        real_->AddRef();
    }
    ~DeviceObject() override { real_->Release(); }
    TK_WRAPPER_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, kIidDevice) ? static_cast<IMMDevice*>(this)
                                                               : nullptr;
    }
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* params,
                                       void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (IsHidden(real_)) return kDeviceInvalidated;
        if (!Same(iid, kIidTopology)) return real_->Activate(iid, context, params, out);
        Description* d = TheDescription();
        Section* s = d != nullptr ? d->For(FriendlyName(real_)) : nullptr;
        if (s == nullptr) return E_NOINTERFACE;  // as Wine: no device topology
        if (HRESULT hr = Injected(*s, "endpoint", "ActivateTopology")) return hr;
        return HandOut(static_cast<IDeviceTopologyV*>(s->endpointTopology), out);
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** out) override {
        return real_->OpenPropertyStore(access, out);
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override { return real_->GetId(id); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
        if (state == nullptr || !IsHidden(real_)) return real_->GetState(state);
        *state = DEVICE_STATE_UNPLUGGED;
        return S_OK;
    }

    static std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

  private:
    IMMDevice* real_;
};

// Hands `real` (a reference the caller owns) out wrapped. Wine keeps one object per
// endpoint, and so does the stand-in: callers that compare device pointers (Wine's winmm
// does) see the same wrapper for the same endpoint.
HRESULT WrapDevice(HRESULT hr, IMMDevice* real, IMMDevice** out) {
    if (FAILED(hr) || real == nullptr) return hr;
    static auto* wrappers = new std::map<IMMDevice*, DeviceObject*>;
    DeviceObject*& wrapper = (*wrappers)[real];
    if (wrapper == nullptr) wrapper = new DeviceObject(real);
    HandOut(static_cast<IMMDevice*>(wrapper), reinterpret_cast<void**>(out));
    real->Release();
    return hr;
}

// Wine's endpoints of every state, of which it keeps those whose state (a hidden one
// reads as unplugged) is in `mask`.
class CollectionObject : public Object, public IMMDeviceCollection {
  public:
    CollectionObject(IMMDeviceCollection* real, DWORD mask)
        : Object("IMMDeviceCollection", false), real_(real) {
        UINT count = 0;
        if (FAILED(real_->GetCount(&count))) count = 0;
        for (UINT i = 0; i < count; ++i) {
            IMMDevice* device = nullptr;
            DWORD state = 0;
            if (FAILED(real_->Item(i, &device)) || device == nullptr) continue;
            if (IsHidden(device)) {
                state = DEVICE_STATE_UNPLUGGED;
            } else if (FAILED(device->GetState(&state))) {
                state = 0;
            }
            if ((state & mask) != 0) {
                items_.push_back(device);
            } else {
                device->Release();
            }
        }
    }
    ~CollectionObject() override {
        for (IMMDevice* device : items_) device->Release();
        real_->Release();
    }
    TK_WRAPPER_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, kIidCollection)
                   ? static_cast<IMMDeviceCollection*>(this)
                   : nullptr;
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = static_cast<UINT>(items_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (index >= items_.size()) return E_INVALIDARG;
        items_[index]->AddRef();
        return WrapDevice(S_OK, items_[index], out);
    }

  private:
    IMMDeviceCollection* real_;
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

// Wine's endpoint named `name` (any flow, any state), or null.
IMMDevice* Named(IMMDeviceEnumerator* real, const std::wstring& name) {
    IMMDeviceCollection* all = nullptr;
    if (FAILED(real->EnumAudioEndpoints(eAll, DEVICE_STATEMASK_ALL, &all)) || all == nullptr) {
        return nullptr;
    }
    UINT count = 0;
    IMMDevice* found = nullptr;
    if (FAILED(all->GetCount(&count))) count = 0;
    for (UINT i = 0; i < count && found == nullptr; ++i) {
        IMMDevice* device = nullptr;
        if (FAILED(all->Item(i, &device)) || device == nullptr) continue;
        if (FriendlyName(device) == name) {
            found = device;
        } else {
            device->Release();
        }
    }
    all->Release();
    return found;
}

// One command line of the test: the endpoint hidden or shown, then every client told.
void Carry(IMMDeviceEnumerator* real, const std::string& line) {
    const size_t blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::string name = blank == std::string::npos ? "" : line.substr(blank + 1);
    IMMDevice* device = Named(real, Wide(name));
    const bool hide = verb == "hide" || verb == "remove";
    if (device == nullptr || (!hide && verb != "show" && verb != "add")) {
        Report("notified " + line + " unknown");
        if (device != nullptr) device->Release();
        return;
    }
    const std::wstring id = IdOf(device);
    device->Release();
    std::vector<IMMNotificationClient*> clients;
    {
        Locked lock;
        if (hide) {
            Hidden().insert(id);
            HiddenNames().insert(Wide(name));
        } else {
            Hidden().erase(id);
            HiddenNames().erase(Wide(name));
        }
        for (const Client& c : Clients()) {
            c.client->AddRef();
            clients.push_back(c.client);
        }
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

struct Watch {
    IMMDeviceEnumerator* real;
    HANDLE event;
};

DWORD WINAPI Watcher(void* parameter) {
    const Watch watch = *static_cast<Watch*>(parameter);
    delete static_cast<Watch*>(parameter);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string file = ReportPath() + ".devices";
    for (;;) {
        if (WaitForSingleObject(watch.event, INFINITE) != WAIT_OBJECT_0) break;
        std::vector<std::string> lines;
        {
            std::ifstream in(file);
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (!line.empty()) lines.push_back(line);
            }
        }
        DeleteFileA(file.c_str());
        for (const std::string& line : lines) Carry(watch.real, line);
    }
    return 0;
}

// The event exists from the first registration on, so a change the test sets it for is
// never lost; the thread keeps its own reference to Wine's enumerator.
void StartWatching(IMMDeviceEnumerator* real) {
    static bool started = false;  // under the lock
    if (started) return;
    const std::wstring name = L"tk_topology_devices_" + std::to_wstring(GetCurrentProcessId());
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name.c_str());
    if (event == nullptr) return;
    real->AddRef();
    HANDLE thread = CreateThread(nullptr, 0, Watcher, new Watch{real, event}, 0, nullptr);
    if (thread == nullptr) return;
    CloseHandle(thread);
    started = true;
}

class EnumeratorObject : public Object, public IMMDeviceEnumerator {
  public:
    explicit EnumeratorObject(IMMDeviceEnumerator* real)
        : Object("IMMDeviceEnumerator", false), real_(real) {}
    ~EnumeratorObject() override { real_->Release(); }
    TK_WRAPPER_METHODS
    void* Find(REFIID iid) {
        return Same(iid, kIidUnknown) || Same(iid, kIidEnumerator)
                   ? static_cast<IMMDeviceEnumerator*>(this)
                   : nullptr;
    }
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
    // The clients are kept here (not handed to Wine, whose endpoints do not change under
    // a running process): the test's changes are the only ones they hear of.
    HRESULT STDMETHODCALLTYPE
    RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        if (client == nullptr) return E_POINTER;
        const std::string module = ModuleOf(client);
        {
            Locked lock;
            client->AddRef();
            Clients().push_back({client, module});
            StartWatching(real_);
        }
        Report("register " + module);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        Client gone{nullptr, ""};
        {
            Locked lock;
            auto& clients = Clients();
            for (auto it = clients.begin(); it != clients.end(); ++it) {
                if (it->client == client) {
                    gone = *it;
                    clients.erase(it);
                    break;
                }
            }
        }
        if (gone.client == nullptr) return E_INVALIDARG;
        Report("unregister " + gone.module);
        gone.client->Release();
        return S_OK;
    }

  private:
    IMMDeviceEnumerator* real_;
};

class Factory : public IClassFactory {
  public:
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!Same(iid, kIidUnknown) && !Same(iid, kIidClassFactory)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    // Wine's own enumerator, from Wine's mmdevapi.dll, wrapped.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        static HMODULE wine = LoadLibraryW(L"mmdevapi.dll");
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(wine, "DllGetClassObject")));
        if (get == nullptr) return E_FAIL;
        IClassFactory* factory = nullptr;
        HRESULT hr = get(kClsidEnumerator, kIidClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(hr)) return hr;
        IMMDeviceEnumerator* real = nullptr;
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
    for (Object* o : Live()) {
        if (o->refs() == 0) continue;
        ++held;
        Report("held " + o->label() + " " + std::to_string(o->refs()));
    }
    // At unload the lock may have gone with a thread the process ended; then no list.
    if (TryAcquireSRWLockExclusive(&g_lock)) {
        for (const Client& c : Clients()) Report("client " + c.module);
        ReleaseSRWLockExclusive(&g_lock);
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
