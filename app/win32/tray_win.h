// The notification-area icon over Shell_NotifyIconW.
//
// The icon talks to a hidden top-level window of its own (a message-only window would
// not hear the "TaskbarCreated" broadcast). The left button raises restoreEvent(1), the
// right button menuEvent(2), both on the user-interface thread. When the taskbar is
// re-created (Explorer restarted) the icon is added again; when adding fails because the
// shell is not up yet (early at logon) it is retried every second until it is shown.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/tray.h"

namespace tk::win {

class TrayIcon : public Tray {
  public:
    // The shell's notification-area call; a test puts a stand-in in its place.
    using ShellNotify = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);

    // `icon` is not owned; nullptr takes the program's icon (resource 1) or the
    // system's application icon.
    explicit TrayIcon(HICON icon = nullptr, ShellNotify notify = &Shell_NotifyIconW);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void show() override;
    void setTip(const std::string& text) override;
    void showBalloon(const std::string& text) override;
    void remove() override;

    // State for tests and for the window that owns the menu.
    bool wanted() const { return wanted_; }
    bool shown() const { return shown_; }
    HWND callbackWindow() const { return hwnd_; }
    const std::wstring& tip() const { return tip_; }

    // The callback message the shell sends to callbackWindow() (lParam: the mouse message).
    static constexpr UINT kCallbackMessage = WM_APP + 0x301;

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    bool add();
    void startRetry();
    NOTIFYICONDATAW data(UINT flags) const;

    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    ShellNotify notify_;
    UINT taskbarCreated_ = 0;
    std::wstring tip_;
    bool wanted_ = false;  // show() called and remove() not yet
    bool shown_ = false;   // the shell accepted the icon
};

}  // namespace tk::win
