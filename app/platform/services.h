// Every outside service the forms use, each behind a small interface: the Windows
// implementations live in app/win32/, fakes for the native tests in tests/native/.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "havro_library.h"
#include "mixer.h"
#include "settings_store.h"
#include "tray.h"

namespace tk {

// Message boxes: flags and answers have the values the classic message-box function
// uses. A line break inside a text is the single character 13; the Windows
// implementation shows it as a line break.
namespace mb {
inline constexpr int kOkOnly = 0;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kOk = 1;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace mb

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual int show(const std::string& text, int flags, const std::string& title) = 0;
};

// A process handle as a number (0 = none).
using ProcessHandle = std::uintptr_t;

struct LaunchResult {
    enum class Outcome { Started, NotFound, Failed };
    Outcome outcome = Outcome::Failed;
    uint32_t processId = 0;
    ProcessHandle handle = 0;  // a handle that can be queried and waited on
};

class Processes {
  public:
    virtual ~Processes() = default;
    // Starts the program (its path quoted, no arguments, a normal focused window) in
    // `folder` (empty: this program's current folder). A program that needs
    // elevation starts after the consent prompt.
    virtual LaunchResult start(const std::string& path, const std::string& folder) = 0;
    // Exit code (259 while active); false when the handle cannot be queried.
    virtual bool exitCode(ProcessHandle handle, uint32_t& code) = 0;
    // True when the process has ended (its handle is signalled).
    virtual bool hasEnded(ProcessHandle handle) = 0;
    virtual void close(ProcessHandle handle) = 0;
    // Runs a command line (system programs) with a normal focused window, without
    // waiting; false when it cannot be started.
    virtual bool run(const std::string& commandLine) = 0;
};

struct FileDialogOptions {
    std::string title;
    std::string initialFolder;
    std::string filter;   // "(All Files) *.* |*.*|(Programs) *.exe|*.exe|..."
    int filterIndex = 1;  // 1-based
    int flags = 0;        // 0x1004: the file must exist, no read-only box
};

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> openFile(const FileDialogOptions& options) = 0;
};

// A shortcut to this program, made for the user's desktop.
struct DesktopShortcut {
    std::string name;       // the file's name without ".lnk"
    std::string arguments;  // the command line given to this program
    std::string iconFile;   // the shortcut shows this file's first icon
};

class Shortcuts {
  public:
    virtual ~Shortcuts() = default;
    // The target path of a shortcut file; nothing when it cannot be read.
    virtual std::optional<std::string> targetPath(const std::string& shortcutFile) = 0;
    // Creates, or replaces, the shortcut "<name>.lnk" on the user's desktop; its target
    // is this program. The file written, or nothing when it could not be made.
    virtual std::optional<std::string> createDesktopShortcut(const DesktopShortcut& shortcut) = 0;
};

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens a document or address with the user's program for it. Returns an error
    // description when the request could not even be made.
    virtual std::optional<std::string> open(const std::string& target) = 0;
};

enum class Cursor { Default, Hourglass };

class System {
  public:
    virtual ~System() = default;
    virtual int windowsMajorVersion() = 0;
    // True when another copy of the program already runs for this user.
    virtual bool anotherInstanceRunning() = 0;
    virtual std::string environment(const std::string& name) = 0;
    virtual void setCursor(Cursor cursor) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // `text` as it comes back through the system's ANSI code page (the form in which
    // the endpoint library reports names): characters outside it turn into "?".
    virtual std::string ansiForm(const std::string& text) = 0;
    // Lets pending window messages run.
    virtual void doEvents() = 0;
    // A value under HKEY_LOCAL_MACHINE, opened for reading only: strings as they are,
    // 32-bit numbers as their decimal text; nothing when absent.
    virtual std::optional<std::string> machineValue(const std::string& key,
                                                    const std::string& valueName) = 0;
};

// Opening and closing the other windows of the program.
class FormHost {
  public:
    virtual ~FormHost() = default;
    virtual void showSoundVista() = 0;  // modeless, at most one
    virtual void unloadSoundVista() = 0;
    virtual void showSound() = 0;  // modeless, at most one
    virtual void unloadSound() = 0;
    // The legacy dialog (when loaded) reloads its controls and offers Apply.
    virtual void soundChangedOutside() = 0;
    virtual void showAbout() = 0;  // modal
    // Pops up the tray menu at the mouse position.
    virtual void popupTrayMenu() = 0;
    // Restores the main window from its minimised or hidden state and activates it.
    virtual void restoreMainWindow() = 0;
    // Asks the main window to close from code (the close request follows).
    virtual void closeMainWindow() = 0;
};

struct Services {
    SettingsStore& settings;
    Mixer& mixer;
    Tray& tray;
    HavroLibrary& library;
    MessageBoxes& messages;
    Processes& processes;
    FileDialog& fileDialog;
    Shortcuts& shortcuts;
    Shell& shell;
    System& system;
    FormHost& forms;
};

}  // namespace tk
