// The Windows implementations of the program's smaller outside services: message
// boxes, process start and query, the common open dialog, shortcut files, the shell,
// and system queries. Each lives in its own source file (<service>_win.cpp).
//
// All of them are called on the user-interface thread; the shortcut resolver needs COM
// initialised on that thread (WinMain does it once).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/services.h"
#include "win_util.h"

namespace tk::win {

// The window message boxes belong to (nullptr while there is none).
using OwnerWindow = std::function<HWND()>;

// True while the program asked for the hourglass (System::setCursor).
bool waitCursorActive();

class WinMessageBoxes : public MessageBoxes {
  public:
    explicit WinMessageBoxes(OwnerWindow owner = {}) : owner_(std::move(owner)) {}
    // A CR not followed by LF is shown as a line break (CR LF).
    int show(const std::string& text, int flags, const std::string& title) override;

    // The text as it is shown: every CR alone becomes CR LF.
    static std::wstring displayText(const std::string& text);

  private:
    OwnerWindow owner_;
};

class WinProcesses : public Processes {
  public:
    LaunchResult start(const std::string& path, const std::string& folder) override;
    bool exitCode(ProcessHandle handle, uint32_t& code) override;
    bool hasEnded(ProcessHandle handle) override;
    void close(ProcessHandle handle) override;
    bool run(const std::string& commandLine) override;
};

class WinFileDialog : public FileDialog {
  public:
    explicit WinFileDialog(OwnerWindow owner = {}) : owner_(std::move(owner)) {}
    std::optional<std::string> openFile(const FileDialogOptions& options) override;

    // "a|b|c|d" -> "a\0b\0c\0d\0\0" as the dialog wants its filter.
    static std::wstring filterText(const std::string& filter);

  private:
    OwnerWindow owner_;
};

class WinShortcuts : public Shortcuts {
  public:
    std::optional<std::string> targetPath(const std::string& shortcutFile) override;
    // The shortcut's target is this program's file, its working folder that file's folder.
    std::optional<std::string> createDesktopShortcut(const DesktopShortcut& shortcut) override;
};

class WinShell : public Shell {
  public:
    explicit WinShell(OwnerWindow owner = {}) : owner_(std::move(owner)) {}
    std::optional<std::string> open(const std::string& target) override;

  private:
    OwnerWindow owner_;
};

class WinSystem : public System {
  public:
    // `instanceName`: the name of the per-user mutex that marks a running copy.
    explicit WinSystem(std::wstring instanceName = L"Havro Tonekeep");
    int windowsMajorVersion() override;
    bool anotherInstanceRunning() override;
    std::string environment(const std::string& name) override;
    void setCursor(Cursor cursor) override;
    bool fileExists(const std::string& path) override;
    std::string ansiForm(const std::string& text) override;
    void doEvents() override;
    std::optional<std::string> machineValue(const std::string& key,
                                            const std::string& valueName) override;

    Cursor cursor() const { return cursor_; }

  private:
    std::wstring instanceName_;
    UniqueHandle instanceMutex_;
    Cursor cursor_ = Cursor::Default;
};

}  // namespace tk::win
