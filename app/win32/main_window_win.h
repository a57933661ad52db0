// The main window of the program (frmMain) and the FormHost that opens the program's
// other windows.
//
// WindowHost exists before the form (the form's Services refer to it); after the form
// is constructed, createMainWindow() builds the window, hidden. WinMain then runs the
// form's load and shows the window unless the load hid it.
//
// Closing: the close box and the system menu's Close (SC_CLOSE) ask Form_QueryUnload(0)
// (which hides the window); a close from code (FormHost::closeMainWindow, the tray's or
// the File menu's exit) asks Form_QueryUnload(1), a bare WM_CLOSE from outside (a task
// manager) Form_QueryUnload(2) and Windows ending the session Form_QueryUnload(3). When
// a close is not cancelled the window is destroyed and the message loop ends.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <memory>
#include <string>

#include "device_notifications_win.h"
#include "form_window_win.h"
#include "forms/frmMain.h"
#include "platform/services.h"

namespace tk::win {

class MainWindow : public FormWindow {
  public:
    explicit MainWindow(frmMain& form);
    bool open();

    frmMain& main() { return form_; }
    // Fits the frame and the window to the device rows the load left visible (three
    // endpoint boxes, or the one legacy sound card box).
    void fitToPath();

    // Runs the close request with `reason`; destroys the window unless it is cancelled.
    // Returns true when the program goes on.
    bool requestClose(int reason);

    // Called by the message loop for every WM_TIMER it takes (see mainmsg::kTimerState).
    void countTimerMessage() { ++timerMessages_; }

    // On the endpoint path: registers for endpoint notifications, which list the device
    // boxes again (mainmsg::kDevicesChanged) until the window goes.
    void watchDevices();
    // Queues a launch of the registered program `path`; the form runs it from the
    // message loop (mainmsg::kLaunchRequest).
    void requestLaunch(std::string path);

  protected:
    void onClose() override;
    void onCommand(int id, int code, HWND control) override;
    bool onKeyPreview(const MSG& msg) override;
    void onCreated() override;
    void onDestroyed() override;
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void dropFiles(HDROP drop);

    frmMain& form_;
    bool closed_ = false;
    LRESULT timerMessages_ = 0;
    DeviceNotifications devices_;
    bool deviceChangePosted_ = false;  // the legacy path's WM_DEVICECHANGE
    std::deque<std::string> launches_;
};

class WindowHost : public FormHost {
  public:
    WindowHost() = default;
    ~WindowHost() override;

    // Builds the main window for `form` (hidden). False when it cannot be created.
    bool createMainWindow(frmMain& form, Services& services, Publics& publics);
    MainWindow* mainWindow() { return main_.get(); }
    HWND mainHwnd() const { return main_ ? main_->hwnd() : nullptr; }

    void showSoundVista() override;
    void unloadSoundVista() override;
    void showSound() override;
    void unloadSound() override;
    void soundChangedOutside() override;
    void showAbout() override;
    void popupTrayMenu() override;
    void restoreMainWindow() override;
    void closeMainWindow() override;

  private:
    std::unique_ptr<MainWindow> main_;
    Services* services_ = nullptr;
    Publics* publics_ = nullptr;
    bool aboutOpen_ = false;
};

}  // namespace tk::win
