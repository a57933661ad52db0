// Core Audio adapter: each class wraps one COM interface behind its audio_system.h
// counterpart. Results pass through unchanged; the core decides what they mean.
#include "core_audio_system.h"

#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <devicetopology.h>
#include <propidl.h>

#include "com_ids.h"
#include "com_ptr.h"

namespace havro::coreaudio {

// IAudioAutoGainControl and IAudioLoudness have the same layout: IUnknown, then
// GetEnabled(BOOL*) and SetEnabled(BOOL, LPCGUID). mingw-w64's devicetopology.h declares
// IAudioAutoGainControl's two methods with the wrong signatures, so both are called through
// this declaration of the real layout, activated by their own IIDs.
//
// Declared outside the unnamed namespace on purpose: the objects behind it come from the
// system, and a class with internal linkage that nothing in this file implements lets the
// compiler conclude that no object of it exists and turn every call into a trap.
struct EnabledSwitch : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetEnabled(BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEnabled(BOOL enabled, LPCGUID eventContext) = 0;
};

namespace {

// PropVariantToBSTR of propsys.dll, bound on first use: the 32-bit library must load on
// Windows XP, which has no propsys.dll (the library is only used from Windows Vista on,
// where it is always there). E_NOTIMPL when it cannot be had.
HRESULT PropVariantToBSTR(const PROPVARIANT& value, BSTR* text) {
    using Fn = HRESULT(WINAPI*)(const PROPVARIANT&, BSTR*);
    static const Fn fn = [] {
        wchar_t path[MAX_PATH];
        const UINT n = GetSystemDirectoryW(path, MAX_PATH);
        if (n == 0 || n + 13 >= MAX_PATH) return Fn{};
        lstrcpynW(path + n, L"\\propsys.dll", MAX_PATH - n);
        HMODULE module = LoadLibraryW(path);
        return module ? reinterpret_cast<Fn>(
                            reinterpret_cast<void*>(GetProcAddress(module, "PropVariantToBSTR")))
                      : Fn{};
    }();
    return fn ? fn(value, text) : E_NOTIMPL;
}

const PROPERTYKEY kFriendlyNameKey = {AsGuid(ids::kPkeyDeviceFriendlyNameFmtid),
                                      ids::kPkeyDeviceFriendlyNamePid};

// HRESULT_FROM_WIN32(ERROR_NOT_FOUND): the store has no friendly name.
constexpr HRESULT E_NOTFOUND_PROPERTY = static_cast<HRESULT>(0x80070490u);

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected on Windows");

std::u16string ToU16(const wchar_t* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string ToU16(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

const wchar_t* AsWide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Hands a COM object that a call returned to its adapter. A call that succeeds without
// an object fails with E_POINTER, so no caller ever holds a null adapter.
template <typename Adapter, typename Interface, typename Base>
HResult Wrap(HRESULT hr, ComPtr<Interface>& object, std::shared_ptr<Base>* out) {
    if (FAILED(hr)) return hr;
    if (!object) return E_POINTER;
    *out = std::make_shared<Adapter>(std::move(object));
    return hr;
}

// ---- Controls --------------------------------------------------------------------------

class CaEndpointVolume : public EndpointVolume {
  public:
    explicit CaEndpointVolume(ComPtr<IAudioEndpointVolume> v) : v_(std::move(v)) {}
    HResult GetChannelCount(uint32_t* count) override {
        UINT n = 0;
        HRESULT hr = v_->GetChannelCount(&n);
        if (SUCCEEDED(hr)) *count = n;
        return hr;
    }
    HResult GetVolumeRange(float* minDb, float* maxDb, float* stepDb) override {
        return v_->GetVolumeRange(minDb, maxDb, stepDb);
    }
    HResult SetMasterVolumeLevel(float db) override {
        return v_->SetMasterVolumeLevel(db, nullptr);
    }
    HResult GetMasterVolumeLevel(float* db) override { return v_->GetMasterVolumeLevel(db); }
    HResult SetChannelVolumeLevel(uint32_t channel, float db) override {
        return v_->SetChannelVolumeLevel(channel, db, nullptr);
    }
    HResult GetChannelVolumeLevel(uint32_t channel, float* db) override {
        return v_->GetChannelVolumeLevel(channel, db);
    }
    HResult SetMute(bool mute) override { return v_->SetMute(mute ? TRUE : FALSE, nullptr); }
    HResult GetMute(bool* mute) override {
        BOOL b = FALSE;
        HRESULT hr = v_->GetMute(&b);
        if (SUCCEEDED(hr)) *mute = b != FALSE;
        return hr;
    }

  private:
    ComPtr<IAudioEndpointVolume> v_;
};

// IAudioVolumeLevel, IAudioBass, IAudioMidrange and IAudioTreble are all IPerChannelDbLevel.
class CaLevel : public LevelControl {
  public:
    explicit CaLevel(ComPtr<IPerChannelDbLevel> c) : c_(std::move(c)) {}
    HResult GetChannelCount(uint32_t* count) override {
        UINT n = 0;
        HRESULT hr = c_->GetChannelCount(&n);
        if (SUCCEEDED(hr)) *count = n;
        return hr;
    }
    HResult GetLevelRange(uint32_t channel, float* minDb, float* maxDb, float* stepDb) override {
        return c_->GetLevelRange(channel, minDb, maxDb, stepDb);
    }
    HResult GetLevel(uint32_t channel, float* db) override { return c_->GetLevel(channel, db); }
    HResult SetLevel(uint32_t channel, float db) override {
        return c_->SetLevel(channel, db, nullptr);
    }

  private:
    ComPtr<IPerChannelDbLevel> c_;
};

class CaMute : public MuteControl {
  public:
    explicit CaMute(ComPtr<IAudioMute> c) : c_(std::move(c)) {}
    HResult SetMute(bool mute) override { return c_->SetMute(mute ? TRUE : FALSE, nullptr); }
    HResult GetMute(bool* mute) override {
        BOOL b = FALSE;
        HRESULT hr = c_->GetMute(&b);
        if (SUCCEEDED(hr)) *mute = b != FALSE;
        return hr;
    }

  private:
    ComPtr<IAudioMute> c_;
};

class CaSwitch : public SwitchControl {
  public:
    explicit CaSwitch(ComPtr<EnabledSwitch> c) : c_(std::move(c)) {}
    HResult GetEnabled(bool* enabled) override {
        BOOL b = FALSE;
        HRESULT hr = c_->GetEnabled(&b);
        if (SUCCEEDED(hr)) *enabled = b != FALSE;
        return hr;
    }
    HResult SetEnabled(bool enabled) override {
        return c_->SetEnabled(enabled ? TRUE : FALSE, nullptr);
    }

  private:
    ComPtr<EnabledSwitch> c_;
};

// ---- Topology --------------------------------------------------------------------------

class CaPart : public Part {
  public:
    explicit CaPart(ComPtr<IPart> p) : p_(std::move(p)) {}
    HResult GetName(std::u16string* name) override {
        CoTaskMemString text;
        HRESULT hr = p_->GetName(text.Put());
        if (SUCCEEDED(hr)) *name = ToU16(text.Get());
        return hr;
    }
    HResult EnumPartsIncoming(std::shared_ptr<PartsList>* parts) override;
    HResult EnumPartsOutgoing(std::shared_ptr<PartsList>* parts) override;
    HResult GetTopologyObject(std::shared_ptr<DeviceTopology>* topology) override;
    HResult ActivateLevel(LevelKind kind, std::shared_ptr<LevelControl>* control) override {
        ComPtr<IPerChannelDbLevel> level;
        return Wrap<CaLevel>(p_->Activate(CLSCTX_ALL, LevelIid(kind), level.PutVoid()), level,
                             control);
    }
    HResult ActivateMute(std::shared_ptr<MuteControl>* control) override {
        ComPtr<IAudioMute> mute;
        return Wrap<CaMute>(p_->Activate(CLSCTX_ALL, AsGuid(ids::kIidAudioMute), mute.PutVoid()),
                            mute, control);
    }
    HResult ActivateSwitch(SwitchKind kind, std::shared_ptr<SwitchControl>* control) override {
        const IID& iid = AsGuid(kind == SwitchKind::kAutoGainControl ? ids::kIidAudioAutoGainControl
                                                                     : ids::kIidAudioLoudness);
        ComPtr<EnabledSwitch> sw;
        return Wrap<CaSwitch>(p_->Activate(CLSCTX_ALL, iid, sw.PutVoid()), sw, control);
    }

  private:
    static REFIID LevelIid(LevelKind kind) {
        switch (kind) {
            case LevelKind::kBass:
                return AsGuid(ids::kIidAudioBass);
            case LevelKind::kMidrange:
                return AsGuid(ids::kIidAudioMidrange);
            case LevelKind::kTreble:
                return AsGuid(ids::kIidAudioTreble);
            case LevelKind::kVolumeLevel:
                break;
        }
        return AsGuid(ids::kIidAudioVolumeLevel);
    }

    ComPtr<IPart> p_;
};

class CaPartsList : public PartsList {
  public:
    explicit CaPartsList(ComPtr<IPartsList> l) : l_(std::move(l)) {}
    HResult GetCount(uint32_t* count) override {
        UINT n = 0;
        HRESULT hr = l_->GetCount(&n);
        if (SUCCEEDED(hr)) *count = n;
        return hr;
    }
    HResult GetPart(uint32_t index, std::shared_ptr<Part>* part) override {
        ComPtr<IPart> p;
        return Wrap<CaPart>(l_->GetPart(index, p.Put()), p, part);
    }

  private:
    ComPtr<IPartsList> l_;
};

HResult CaPart::EnumPartsIncoming(std::shared_ptr<PartsList>* parts) {
    ComPtr<IPartsList> list;
    return Wrap<CaPartsList>(p_->EnumPartsIncoming(list.Put()), list, parts);
}

HResult CaPart::EnumPartsOutgoing(std::shared_ptr<PartsList>* parts) {
    ComPtr<IPartsList> list;
    return Wrap<CaPartsList>(p_->EnumPartsOutgoing(list.Put()), list, parts);
}

class CaConnector : public Connector {
  public:
    explicit CaConnector(ComPtr<IConnector> c) : c_(std::move(c)) {}
    HResult GetConnectedTo(std::shared_ptr<Connector>* other) override {
        ComPtr<IConnector> to;
        return Wrap<CaConnector>(c_->GetConnectedTo(to.Put()), to, other);
    }
    HResult QueryPart(std::shared_ptr<Part>* part) override {
        ComPtr<IPart> p;
        return Wrap<CaPart>(c_.As(AsGuid(ids::kIidPart), &p), p, part);
    }

  private:
    ComPtr<IConnector> c_;
};

class CaTopology : public DeviceTopology {
  public:
    explicit CaTopology(ComPtr<IDeviceTopology> t) : t_(std::move(t)) {}
    HResult GetConnectorCount(uint32_t* count) override {
        UINT n = 0;
        HRESULT hr = t_->GetConnectorCount(&n);
        if (SUCCEEDED(hr)) *count = n;
        return hr;
    }
    HResult GetConnector(uint32_t index, std::shared_ptr<Connector>* connector) override {
        ComPtr<IConnector> c;
        return Wrap<CaConnector>(t_->GetConnector(index, c.Put()), c, connector);
    }

  private:
    ComPtr<IDeviceTopology> t_;
};

HResult CaPart::GetTopologyObject(std::shared_ptr<DeviceTopology>* topology) {
    ComPtr<IDeviceTopology> t;
    // GetTopologyObject in the SDK.
    return Wrap<CaTopology>(p_->GetTopologyObjects(t.Put()), t, topology);
}

// ---- Devices ---------------------------------------------------------------------------

class CaDevice : public Device {
  public:
    explicit CaDevice(ComPtr<IMMDevice> d) : d_(std::move(d)) {}
    HResult GetId(std::u16string* id) override {
        CoTaskMemString text;
        HRESULT hr = d_->GetId(text.Put());
        if (SUCCEEDED(hr)) *id = ToU16(text.Get());
        return hr;
    }
    HResult GetFriendlyName(std::u16string* name) override {
        ComPtr<IPropertyStore> store;
        HRESULT hr = d_->OpenPropertyStore(STGM_READ, store.Put());
        if (FAILED(hr)) return hr;
        if (!store) return E_POINTER;
        ScopedPropVariant value;
        hr = store->GetValue(kFriendlyNameKey, value.Put());
        if (FAILED(hr)) return hr;
        // The friendly name is a VT_LPWSTR; take it as it is. Only another type goes through
        // PropVariantToBSTR, which Wine leaves unimplemented (calling it there aborts).
        const PROPVARIANT& pv = value.Get();
        if (pv.vt == VT_LPWSTR) {
            *name = ToU16(pv.pwszVal != nullptr ? pv.pwszVal : L"");
            return hr;
        }
        if (pv.vt == VT_EMPTY) return E_NOTFOUND_PROPERTY;
        ScopedBstr text;
        hr = PropVariantToBSTR(pv, text.Put());
        if (FAILED(hr)) return hr;
        *name = ToU16(text.Get(), text.Length());
        return hr;
    }
    HResult ActivateTopology(std::shared_ptr<DeviceTopology>* topology) override {
        ComPtr<IDeviceTopology> t;
        return Wrap<CaTopology>(
            d_->Activate(AsGuid(ids::kIidDeviceTopology), CLSCTX_ALL, nullptr, t.PutVoid()), t,
            topology);
    }
    HResult ActivateEndpointVolume(std::shared_ptr<EndpointVolume>* volume) override {
        ComPtr<IAudioEndpointVolume> v;
        return Wrap<CaEndpointVolume>(d_->Activate(AsGuid(ids::kIidAudioEndpointVolume),
                                                   CLSCTX_INPROC_SERVER, nullptr, v.PutVoid()),
                                      v, volume);
    }

  private:
    ComPtr<IMMDevice> d_;
};

class CaCollection : public DeviceCollection {
  public:
    explicit CaCollection(ComPtr<IMMDeviceCollection> c) : c_(std::move(c)) {}
    HResult GetCount(uint32_t* count) override {
        UINT n = 0;
        HRESULT hr = c_->GetCount(&n);
        if (SUCCEEDED(hr)) *count = n;
        return hr;
    }
    HResult Item(uint32_t index, std::shared_ptr<Device>* device) override {
        ComPtr<IMMDevice> d;
        return Wrap<CaDevice>(c_->Item(index, d.Put()), d, device);
    }

  private:
    ComPtr<IMMDeviceCollection> c_;
};

EDataFlow ToDataFlow(Flow flow) {
    return flow == Flow::kRender ? eRender : eCapture;
}

class CaEnumerator : public DeviceEnumerator {
  public:
    explicit CaEnumerator(ComPtr<IMMDeviceEnumerator> e) : e_(std::move(e)) {}
    HResult EnumActiveEndpoints(Flow flow, std::shared_ptr<DeviceCollection>* devices) override {
        ComPtr<IMMDeviceCollection> c;
        return Wrap<CaCollection>(
            e_->EnumAudioEndpoints(ToDataFlow(flow), DEVICE_STATE_ACTIVE, c.Put()), c, devices);
    }
    HResult GetDefaultEndpoint(Flow flow, std::shared_ptr<Device>* device) override {
        ComPtr<IMMDevice> d;
        return Wrap<CaDevice>(e_->GetDefaultAudioEndpoint(ToDataFlow(flow), eConsole, d.Put()), d,
                              device);
    }
    HResult GetDevice(const std::u16string& id, std::shared_ptr<Device>* device) override {
        ComPtr<IMMDevice> d;
        return Wrap<CaDevice>(e_->GetDevice(AsWide(id), d.Put()), d, device);
    }

  private:
    ComPtr<IMMDeviceEnumerator> e_;
};

}  // namespace

HResult CoreAudioSystem::Initialize() {
    return CoInitialize(nullptr);
}

void CoreAudioSystem::Uninitialize() {
    CoUninitialize();
}

HResult CoreAudioSystem::CreateEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) {
    ComPtr<IMMDeviceEnumerator> e;
    return Wrap<CaEnumerator>(
        CoCreateInstance(AsGuid(ids::kClsidMMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                         AsGuid(ids::kIidMMDeviceEnumerator), e.PutVoid()),
        e, enumerator);
}

std::string CoreAudioSystem::ToAnsi(std::u16string_view text) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::u16string CoreAudioSystem::FromAnsi(std::string_view text) {
    if (text.empty()) return std::u16string();
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (units <= 0) return std::u16string();
    std::wstring out(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), units);
    return ToU16(out.data(), out.size());
}

}  // namespace havro::coreaudio
