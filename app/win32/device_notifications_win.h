// Endpoint notifications: a client registered with the system's endpoint enumerator that
// tells a window when audio endpoints are added, removed or change state.
//
// Windows calls the client on threads of its own. The client therefore does nothing but
// post one message to the window (and no second one while that is still pending); the
// window's thread does the work when it takes the message and then calls taken().
// start() and stop() run on the window's thread, which keeps COM initialised between
// them.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

namespace tk::win {

class DeviceNotifications {
  public:
    DeviceNotifications();
    ~DeviceNotifications();
    DeviceNotifications(const DeviceNotifications&) = delete;
    DeviceNotifications& operator=(const DeviceNotifications&) = delete;

    // Registers the client; `message` is posted to `window` for every change. False when
    // the system has no endpoint enumerator (older Windows) or refuses the client.
    bool start(HWND window, UINT message);
    // Unregisters the client; no message is posted after it returns.
    void stop();
    bool active() const { return enumerator_ != nullptr; }
    // The window has taken the posted message: the next change posts again.
    void taken();

  private:
    class Client;
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> enumerator_;
    Microsoft::WRL::ComPtr<Client> client_;
};

}  // namespace tk::win
