// Fakes of the remaining platform services and a rig that bundles every fake into
// the Services a form needs.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_library.h"
#include "fake_mixer.h"
#include "platform/services.h"

namespace tk::test {

class FakeSettings : public SettingsStore {
  public:
    std::map<std::string, std::string, std::less<>> values;
    int writes = 0;
    bool failWrites = false;

    std::string get(std::string_view key, std::string_view fallback) override {
        return has(key) ? values.find(key)->second : std::string(fallback);
    }
    void save(std::string_view key, std::string_view value) override;
    void remove(std::string_view key) override;
    bool has(std::string_view key) const { return values.find(key) != values.end(); }
    std::string at(std::string_view key) const { return has(key) ? values.find(key)->second : ""; }
};

class FakeTray : public Tray {
  public:
    bool shown = false;
    std::string tip;
    std::vector<std::string> balloons;
    void show() override { shown = true; }
    void setTip(const std::string& text) override { tip = text; }
    void showBalloon(const std::string& text) override { balloons.push_back(text); }
    void remove() override { shown = false; }
};

struct ShownMessage {
    std::string text;
    int flags;
};

class FakeMessages : public MessageBoxes {
  public:
    std::vector<ShownMessage> shown;
    // Answers for questions, in order; a question without a scripted answer gets Yes.
    std::deque<int> answers;
    int show(const std::string& text, int flags, const std::string& title) override;
    std::string last() const { return shown.empty() ? std::string() : shown.back().text; }
};

class FakeProcesses : public Processes {
  public:
    struct Process {
        uint32_t exitCode = 259;
        bool ended = false;
        bool queryFails = false;
        bool closed = false;
    };
    std::set<std::string> existing;  // paths that start
    bool startFails = false;         // a start that yields no process
    std::map<ProcessHandle, Process> processes;
    std::vector<std::pair<std::string, std::string>> started;  // path, folder
    std::vector<std::string> commands;
    std::set<std::string> missingCommands;
    ProcessHandle nextHandle = 500;

    LaunchResult start(const std::string& path, const std::string& folder) override;
    bool exitCode(ProcessHandle handle, uint32_t& code) override;
    bool hasEnded(ProcessHandle handle) override {
        return queried(handle) && queried(handle)->ended;
    }
    void close(ProcessHandle handle) override;
    bool run(const std::string& commandLine) override;
    void end(ProcessHandle handle, uint32_t code) { processes.at(handle) = {code, true}; }
    Process* queried(ProcessHandle handle);
};

class FakeFileDialog : public FileDialog {
  public:
    std::optional<std::string> answer;
    std::optional<std::string> openFile(const FileDialogOptions&) override { return answer; }
};

class FakeShortcuts : public Shortcuts {
  public:
    std::map<std::string, std::string> targets;  // unreadable when absent
    std::vector<DesktopShortcut> created;
    bool createFails = false;
    std::optional<std::string> targetPath(const std::string& file) override {
        auto it = targets.find(file);
        if (it == targets.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> createDesktopShortcut(const DesktopShortcut& shortcut) override {
        if (createFails) return std::nullopt;
        created.push_back(shortcut);
        return "C:\\Desktop\\" + shortcut.name + ".lnk";
    }
};

class FakeShell : public Shell {
  public:
    std::vector<std::string> opened;
    std::optional<std::string> error;
    std::optional<std::string> open(const std::string& target) override {
        if (error) return error;
        opened.push_back(target);
        return std::nullopt;
    }
};

class FakeSystem : public System {
  public:
    int major = 10;
    bool otherInstance = false;
    std::map<std::string, std::string> env{{"systemdrive", "C:"}};
    std::vector<Cursor> cursors;
    std::set<std::string> files;
    std::map<std::string, std::string> machine;  // "key|value" -> text

    int windowsMajorVersion() override { return major; }
    bool anotherInstanceRunning() override { return otherInstance; }
    std::string environment(const std::string& name) override {
        auto it = env.find(name);
        return it == env.end() ? std::string() : it->second;
    }
    void setCursor(Cursor cursor) override { cursors.push_back(cursor); }
    bool fileExists(const std::string& path) override { return files.count(path) > 0; }
    // A Latin-1 code page: every character above U+00FF turns into "?".
    std::string ansiForm(const std::string& text) override;
    void doEvents() override {}
    std::optional<std::string> machineValue(const std::string& key,
                                            const std::string& valueName) override {
        auto it = machine.find(key + "|" + valueName);
        if (it == machine.end()) return std::nullopt;
        return it->second;
    }
};

class FakeFormHost : public FormHost {
  public:
    std::vector<std::string> calls;
    int count(const std::string& call) const;
    void showSoundVista() override { calls.push_back("showSoundVista"); }
    void unloadSoundVista() override { calls.push_back("unloadSoundVista"); }
    void showSound() override { calls.push_back("showSound"); }
    void unloadSound() override { calls.push_back("unloadSound"); }
    std::function<void()> onSoundChangedOutside;  // the dialog's reload, as the host calls it
    void soundChangedOutside() override {
        calls.push_back("soundChangedOutside");
        if (onSoundChangedOutside) onSoundChangedOutside();
    }
    void showAbout() override { calls.push_back("showAbout"); }
    void popupTrayMenu() override { calls.push_back("popupTrayMenu"); }
    void restoreMainWindow() override { calls.push_back("restoreMainWindow"); }
    void closeMainWindow() override { calls.push_back("closeMainWindow"); }
};

// Every fake, wired into one Services.
struct Rig {
    FakeSettings settings;
    FakeMixer mixer;
    FakeTray tray;
    FakeLibrary library;
    FakeMessages messages;
    FakeProcesses processes;
    FakeFileDialog fileDialog;
    FakeShortcuts shortcuts;
    FakeShell shell;
    FakeSystem system;
    FakeFormHost forms;
    Services services{settings,   mixer,     tray,  library, messages, processes,
                      fileDialog, shortcuts, shell, system,  forms};
};

}  // namespace tk::test
