#include "device_notifications_win.h"

#include <atomic>
#include <utility>

#include "coreaudio/com_ids.h"

namespace tk::win {

using havro::coreaudio::AsGuid;
namespace ids = havro::ids;

class DeviceNotifications::Client final : public IMMNotificationClient {
  public:
    Client(HWND window, UINT message) : window_(window), message_(message) {}

    // The window goes: nothing is posted from now on, even by a call under way.
    void detach() { window_.store(nullptr); }
    void taken() { pending_.store(false); }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) ||
            IsEqualIID(iid, AsGuid(ids::kIidMMNotificationClient))) {
            *out = static_cast<IMMNotificationClient*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return post(); }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return post(); }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return post(); }
    // A new default device changes no list; property values change far too often to
    // list the devices again for each.
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override {
        return S_OK;
    }

  private:
    ~Client() = default;

    HRESULT post() {
        HWND window = window_.load();
        if (window && !pending_.exchange(true)) {
            if (!PostMessageW(window, message_, 0, 0)) pending_.store(false);
        }
        return S_OK;
    }

    std::atomic<ULONG> references_{1};
    std::atomic<HWND> window_;
    const UINT message_;
    std::atomic<bool> pending_{false};
};

DeviceNotifications::DeviceNotifications() = default;

DeviceNotifications::~DeviceNotifications() {
    stop();
}

bool DeviceNotifications::start(HWND window, UINT message) {
    stop();
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(CoCreateInstance(AsGuid(ids::kClsidMMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                AsGuid(ids::kIidMMDeviceEnumerator),
                                reinterpret_cast<void**>(enumerator.GetAddressOf()))) ||
        !enumerator)
        return false;
    Microsoft::WRL::ComPtr<Client> client;
    client.Attach(new Client(window, message));
    if (FAILED(enumerator->RegisterEndpointNotificationCallback(client.Get()))) return false;
    enumerator_ = std::move(enumerator);
    client_ = std::move(client);
    return true;
}

void DeviceNotifications::stop() {
    if (!enumerator_) return;
    client_->detach();
    enumerator_->UnregisterEndpointNotificationCallback(client_.Get());
    client_.Reset();
    enumerator_.Reset();
}

void DeviceNotifications::taken() {
    if (client_) client_->taken();
}

}  // namespace tk::win
