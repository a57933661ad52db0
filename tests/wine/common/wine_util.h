// Helpers of the Wine tests: paths, polling, windows of another process, the registry
// (the settings key and whole-key snapshots), the prefix's Windows version, and one
// started copy of the real Tonekeep.exe driven through window messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tk::wintest {

using namespace std::chrono_literals;

// The folder of the running test program, with a trailing backslash.
std::wstring ownFolder();
// A Unix path (as CMake knows it) as Wine sees it through drive Z:.
std::wstring unixToWine(const std::string& unixPath);
std::string narrowText(const std::wstring& text);

// Polls `done` every 50 ms (pumping this thread's messages) until it holds or the time
// is up; returns its last answer.
bool waitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));
void pumpMessages();

// Top-level windows of process `pid` whose class is `className` (nullptr: any).
std::vector<HWND> windowsOf(DWORD pid, const wchar_t* className);
std::wstring windowText(HWND hwnd);
// The texts of all child windows (static texts of a message box, buttons, ...).
std::vector<std::wstring> childTexts(HWND hwnd);

// Whether the tray icon of `trayWindow` is still in the taskbar.
bool trayIconPresent(HWND trayWindow);
// The tips of the icons in the notification area, as Wine's tray host (the process of
// the "Shell_TrayWnd" window) holds them: one tool tip per icon, read through the
// host's memory.
std::vector<std::wstring> trayHostTips();
// Clicks the tray icon of `trayWindow` through its callback message (WM_LBUTTONUP,
// WM_RBUTTONUP).
void clickTray(HWND trayWindow, UINT button);

// Registry helpers (HKCU unless said otherwise).
bool deleteTree(HKEY root, const std::wstring& path);
bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& out);
bool writeString(HKEY root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& value);
bool deleteValue(HKEY root, const std::wstring& path, const std::wstring& name);

// The program's settings.
inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\Havro Tonekeep";
inline const std::wstring kProgramsKey = kAppKey + L"\\Programs";

// A value of the program's settings section; "<absent>" when there is none.
std::wstring setting(const std::wstring& name);

// One registry value as stored: its type and its bytes.
struct RawValue {
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes;
    bool operator==(const RawValue&) const = default;
};
using Snapshot = std::map<std::wstring, RawValue>;

RawValue textValue(const std::wstring& text);  // REG_SZ with its terminator
Snapshot readPrograms();                       // every value under kProgramsKey
bool writePrograms(const Snapshot& values);    // replaces the whole key
std::wstring describe(const RawValue& v);      // short text for failure messages

// Files and folders.
bool fileExists(const std::wstring& path);
// The whole file as bytes; nothing when it cannot be read.
std::optional<std::string> readFile(const std::wstring& path);
// A fresh, empty folder under the temporary folder, with a trailing backslash.
std::wstring freshTempFolder(const std::wstring& name);
void removeFolder(const std::wstring& folder);

// Sets the prefix's Windows version for programs started from now on ("winxp64": the
// legacy path; nullptr: the endpoint path) and puts the previous setting back when it
// goes.
class WindowsVersion {
  public:
    explicit WindowsVersion(const wchar_t* version);
    ~WindowsVersion();
    WindowsVersion(const WindowsVersion&) = delete;
    WindowsVersion& operator=(const WindowsVersion&) = delete;

  private:
    std::optional<std::wstring> previous_;
};

// One started copy of Tonekeep.exe. The waits that take a time-out answer the message
// boxes the program shows (OK, or No for a question), record their texts in `messages`
// and fail as soon as the process has ended. It is ended through its tray menu; only a
// test that failed half-way leaves one that is then terminated.
class Tonekeep {
  public:
    // Starts binFolder\Tonekeep.exe in binFolder.
    explicit Tonekeep(const std::wstring& binFolder);
    // `arguments` follow the quoted program on the command line.
    Tonekeep(const std::wstring& exe, const std::wstring& folder,
             const std::wstring& arguments = L"");
    ~Tonekeep();
    Tonekeep(const Tonekeep&) = delete;
    Tonekeep& operator=(const Tonekeep&) = delete;

    bool started() const { return pi_.hProcess != nullptr; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool ended(std::chrono::milliseconds wait = 0ms) const;
    DWORD exitCode() const;
    HWND main() const { return main_; }
    HWND control(int id) const { return GetDlgItem(main_, id); }

    // The main window, shown or not (a start in the tray); nullptr when none came.
    HWND mainWindow(std::chrono::milliseconds timeout = 30s);
    // The main window once it is visible; nullptr when it did not show in time.
    HWND shownMainWindow(std::chrono::milliseconds timeout = 30s);
    // Waits until the start-up has run through: the main window exists, the program
    // list holds its entries with "Normal Windows" selected and the window answers.
    bool waitStarted(std::chrono::milliseconds timeout = 40s);
    // A message box whose texts include `text` (left open).
    HWND messageBox(const std::wstring& text, std::chrono::milliseconds timeout = 30s) const;
    // The hidden window of the tray icon (its callback window).
    HWND trayWindow() const;
    // The tip of the one icon in the notification area, as the tray host holds it.
    std::wstring trayTip() const;

    // Picks list position `index` in the combo box `id` as the user does (sent: returns
    // once handled).
    void pick(int id, int index) const;
    int selected(int id) const;
    void press(int id) const;
    LRESULT timerState(WPARAM which) const;

    // Selects program entry k as the user does and waits until its profile is in force
    // (the title names the entry).
    bool select(int k, std::chrono::milliseconds timeout = 20s);
    // Presses Launch. Returns true when the program was started (the list locks); false
    // when the launch was refused with a message.
    bool launch(std::chrono::milliseconds timeout = 20s);
    // Waits for the watch to notice the end: the list unlocks with "Normal Windows".
    bool waitRestored(std::chrono::milliseconds timeout = 20s);
    // Ends the program through the tray menu's last item, confirming the question asked
    // while a launched program runs; true when it ended.
    bool exitThroughTray(std::chrono::milliseconds timeout = 30s);

    int entryCount() const;
    int selectedEntry() const;
    std::wstring entryText(int k) const;
    std::wstring title() const;
    // Lets the window handle what was posted to it before (a sent message is answered
    // between posted ones, so two rounds are made).
    bool settle();
    // Polls `done`, answering message boxes; false on time-out or when the process ended.
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Answers the open message boxes: a question No (keep things as they are), or Yes
    // when `confirm`; a message OK.
    int answerMessageBoxes(bool confirm = false);

    std::vector<std::wstring> messages;

  private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// The endpoint id fragment ("{...}" after the first "}.{") of the active endpoint of
// `flow` (0 render, 1 capture) named `name`; empty when there is none.
std::wstring endpointFragment(int flow, const std::wstring& name);

}  // namespace tk::wintest
