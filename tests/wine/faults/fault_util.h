// Helpers of the fault tests: the real Tonekeep.exe driven through window messages
// (message boxes it shows are answered and recorded), the prefix's Windows version,
// and whole-key registry snapshots.
#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tk::faults {

inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\Havro Tonekeep";
inline const std::wstring kProgramsKey = kAppKey + L"\\Programs";

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

// Sets the prefix's Windows version for programs started from now on ("winxp64": the
// legacy path; nullopt: the endpoint path) and puts the previous setting back when it
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

// A started Tonekeep.exe. Every wait answers the message boxes the program shows (OK,
// or No for a question) and records their texts in `messages`. It fails a wait as
// soon as the process has ended.
class Tonekeep {
  public:
    explicit Tonekeep(const std::wstring& binFolder);
    ~Tonekeep();  // terminates a copy a failed test left running
    Tonekeep(const Tonekeep&) = delete;
    Tonekeep& operator=(const Tonekeep&) = delete;

    bool started() const { return pi_.hProcess != nullptr; }
    bool ended() const;
    DWORD exitCode() const;
    HWND main() const { return main_; }
    DWORD processId() const { return pi_.dwProcessId; }
    HWND child(int id) const { return GetDlgItem(main_, id); }

    // Waits until the start-up has run through: the main window exists, the program
    // list holds its entries with "Normal Windows" selected and the window answers.
    bool waitStarted(std::chrono::milliseconds timeout = std::chrono::seconds(40));
    // Selects list entry k as the user does and waits until its profile is in force
    // (the title names the entry).
    bool select(int k, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Presses Launch. Returns true when the program was started (the list locks); false
    // when the launch was refused with a message.
    bool launch(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Waits for the watch to notice the end: the list unlocks with "Normal Windows".
    bool waitRestored(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Ends the program through the tray menu's last item; true when it ended.
    bool exitThroughTray(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    int entryCount() const;
    int selectedEntry() const;
    std::wstring entryText(int k) const;
    std::wstring title() const;
    // Lets the window handle what was posted to it before (a sent message is answered
    // between posted ones, so two rounds are made).
    bool settle();

    std::vector<std::wstring> messages;

  private:
    // Polls `done`, answering message boxes; false on time-out or when the process ended.
    template <typename Done>
    bool waitUntil(Done done, std::chrono::milliseconds timeout);
    int answerMessageBoxes();

    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// The endpoint id fragment ("{...}" after the first "}.{") of the active endpoint of
// `flow` (0 render, 1 capture) named `name`; empty when there is none.
std::wstring endpointFragment(int flow, const std::wstring& name);

std::string narrowText(const std::wstring& text);

}  // namespace tk::faults
