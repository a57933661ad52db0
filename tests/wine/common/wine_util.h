// Helpers of the Wine tests: paths, polling, the registry (the settings key and
// whole-key snapshots), the prefix's Windows version, and one started copy of the real
// Tonekeep.exe driven through window messages.
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

std::wstring ownFolder();                              // of the test program, ends in '\'
std::wstring unixToWine(const std::string& unixPath);  // through drive Z:, ends in '\'
std::string narrowText(const std::wstring& text);      // UTF-8

// Polls `done` every 50 ms, pumping this thread's messages, until it holds or time is up.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s);
// Top-level windows of process `pid` of class `className` (nullptr: any).
std::vector<HWND> windowsOf(DWORD pid, const wchar_t* className);
std::wstring windowText(HWND hwnd);  // also of another process's window

// The registry (HKCU and the program's settings unless said otherwise).
inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\Havro Tonekeep";
inline const std::wstring kProgramsKey = kAppKey + L"\\Programs";
bool deleteTree(HKEY root, const std::wstring& path);
bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& out);
bool writeString(HKEY root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& value);
std::wstring setting(const std::wstring& name);  // "<absent>" when there is none

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

bool fileExists(const std::wstring& path);
std::optional<std::string> readFile(const std::wstring& path);
std::wstring freshTempFolder(const std::wstring& name);  // empty, in the temp folder, ends in '\'
void removeFolder(const std::wstring& folder);

// Sets the prefix's Windows version for programs started from now on ("winxp64": the
// legacy path; nullptr: the endpoint path) until it goes.
class WindowsVersion {
  public:
    explicit WindowsVersion(const wchar_t* version);
    ~WindowsVersion();

  private:
    std::optional<std::wstring> previous_;
};

// One started copy of Tonekeep.exe. The waits that take a time-out answer the message
// boxes the program shows (OK, or No for a question), record their texts in `messages`
// and fail as soon as the process has ended. It is ended through its tray menu; only a
// test that failed half-way leaves one that is then terminated.
class Tonekeep {
  public:
    explicit Tonekeep(const std::wstring& binFolder);  // binFolder\Tonekeep.exe, run there
    // `arguments` follow the quoted program on the command line.
    Tonekeep(const std::wstring& exe, const std::wstring& folder,
             const std::wstring& arguments = L"");
    ~Tonekeep();
    Tonekeep(const Tonekeep&) = delete;

    DWORD pid() const { return pi_.dwProcessId; }
    bool ended(std::chrono::milliseconds wait = 0ms) const;
    DWORD exitCode() const;
    HWND main() const;  // the main window, shown or not; nullptr before it exists
    HWND control(int id) const { return GetDlgItem(main(), id); }
    // A visible window of class `cls` whose texts include `text` ("#32770": a message box,
    // left open); nullptr after the time-out.
    HWND shown(const wchar_t* cls, const std::wstring& text = L"",
               std::chrono::milliseconds timeout = 20s) const;
    bool answer(const std::wstring& text, int button = IDOK) const;  // the box showing `text`
    HWND trayWindow() const;       // the hidden window the tray icon calls back
    std::wstring trayTip() const;  // of the one icon in the tray, as the tray host holds it

    // Waits until the program list holds "Normal Windows" selected, the tray icon is
    // there and the window answers.
    bool waitStarted(std::chrono::milliseconds timeout = 40s);
    void pick(int id, int index) const;      // in combo box `id`, as the user does (sent)
    int selected(int id) const;              // the position picked in combo box `id`
    void press(int id) const;                // button `id` (sent)
    void click(int id) const;                // button `id` (posted: it may show a box or a dialog)
    LRESULT timerState(WPARAM which) const;  // 0: timer messages taken, 1: watch on
    int entryCount() const;
    std::wstring entryText(int k) const;
    // Selects program entry k as the user does and waits until its profile is in force.
    bool select(int k, std::chrono::milliseconds timeout = 20s);
    // Presses Launch: true once the list locks (started), false on a refusal with a message.
    bool launch(std::chrono::milliseconds timeout = 20s);
    // Waits for the watch to notice the end: the list unlocks with "Normal Windows".
    bool waitRestored(std::chrono::milliseconds timeout = 20s);
    // Ends the program through the tray menu's last item, confirming a question.
    bool exitThroughTray(std::chrono::milliseconds timeout = 30s);
    bool settle();  // lets the window handle what was posted to it before
    // Polls `done`, answering message boxes; false on time-out or when the process ended.
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s);
    std::vector<std::wstring> messages;

  private:
    void answerMessageBoxes(bool confirm = false);  // a question No (Yes if `confirm`), else OK
    PROCESS_INFORMATION pi_{};
    mutable HWND main_ = nullptr;
};

// The endpoint id fragment ("{...}" after the first "}.{") of the active endpoint of
// `flow` (0 render, 1 capture) named `name`; empty when there is none.
std::wstring endpointFragment(int flow, const std::wstring& name);

}  // namespace tk::wintest
