// Helpers of the release tests: the settings key, the prefix's Windows version, files,
// and one started copy of Tonekeep.exe driven through its windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "test_util.h"

namespace tk::release {

using namespace std::chrono_literals;

inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\Havro Tonekeep";
inline const std::wstring kProgramsKey = kAppKey + L"\\Programs";

// A value of the program's settings section; "<absent>" when there is none.
std::wstring setting(const std::wstring& name);

bool fileExists(const std::wstring& path);
// The whole file as bytes; nothing when it cannot be read.
std::optional<std::string> readFile(const std::wstring& path);
// A fresh, empty folder under the temporary folder, with a trailing backslash.
std::wstring freshTempFolder(const std::wstring& name);
void removeFolder(const std::wstring& folder);

// Sets the prefix's Windows version for programs started from now on ("winxp64": the
// legacy path; nullptr: the endpoint path) and puts the previous setting back.
class WindowsVersion {
  public:
    explicit WindowsVersion(const wchar_t* version);
    ~WindowsVersion();
    WindowsVersion(const WindowsVersion&) = delete;
    WindowsVersion& operator=(const WindowsVersion&) = delete;

  private:
    std::optional<std::wstring> previous_;
};

// One started copy of Tonekeep.exe. It is ended through its tray menu; only a test that
// failed half-way leaves one that is then terminated.
class Tonekeep {
  public:
    Tonekeep(const std::wstring& exe, const std::wstring& folder);
    ~Tonekeep();
    Tonekeep(const Tonekeep&) = delete;
    Tonekeep& operator=(const Tonekeep&) = delete;

    bool started() const { return started_; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool ended(std::chrono::milliseconds wait = 0ms) const;
    DWORD exitCode() const;

    // The main window once it is visible; nullptr when it did not show in time.
    HWND shownMainWindow(std::chrono::milliseconds timeout = 30s);
    // A message box whose texts include `text`.
    HWND messageBox(const std::wstring& text, std::chrono::milliseconds timeout = 30s) const;
    // The hidden window of the tray icon, whose text is the icon's tip.
    HWND trayWindow() const;
    std::wstring trayTip() const;

    HWND main() const { return main_; }
    HWND control(int id) const { return GetDlgItem(main_, id); }
    // Picks list position `index` in the combo box `id` as the user does.
    void select(int id, int index) const;
    int selected(int id) const;
    void press(int id) const;
    LRESULT timerState(WPARAM which) const;
    // Ends the program through the tray menu's last item.
    bool exitThroughTray() const;

  private:
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
    HWND main_ = nullptr;
};

}  // namespace tk::release
