// Fakes of the platform services, keeping their state in memory, and a rig that bundles
// every fake into the Services a form needs.
#pragma once

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

    std::string get(std::string_view key, std::string_view fallback) override {
        return has(key) ? values.find(key)->second : std::string(fallback);
    }
    void save(std::string_view key, std::string_view value) override {
        ++writes;
        values[std::string(key)] = value;
    }
    void remove(std::string_view key) override { values.erase(std::string(key)); }
    bool has(std::string_view key) const { return values.find(key) != values.end(); }
    std::string at(std::string_view key) const { return has(key) ? values.find(key)->second : ""; }
};

class FakeTray : public Tray {
  public:
    std::string tip;
    std::vector<std::string> balloons;
    void show() override {}
    void setTip(const std::string& text) override { tip = text; }
    void showBalloon(const std::string& text) override { balloons.push_back(text); }
    void remove() override {}
};

// Every question is answered Yes.
class FakeMessages : public MessageBoxes {
  public:
    std::vector<std::string> shown;
    int flags = 0;  // of the last one
    int show(const std::string& text, int f, const std::string&) override {
        shown.push_back(text);
        flags = f;
        return (f & 7) == mb::kYesNo ? mb::kYes : mb::kOk;
    }
    std::string last() const { return shown.empty() ? "" : shown.back(); }
};

// Started programs run until a test marks them ended; their exit code cannot be read.
class FakeProcesses : public Processes {
  public:
    std::set<std::string> existing;  // paths that start
    bool startFails = false, runFails = false;
    std::map<ProcessHandle, bool> ended;
    std::vector<std::string> folders, commands;  // of each start, each run

    LaunchResult start(const std::string& path, const std::string& folder) override {
        folders.push_back(folder);
        LaunchResult r;
        if (!existing.count(path)) r.outcome = LaunchResult::Outcome::NotFound;
        if (!existing.count(path) || startFails) return r;
        r = {LaunchResult::Outcome::Started, uint32_t(400 + folders.size()),
             ProcessHandle(500 + folders.size())};
        ended[r.handle] = false;
        return r;
    }
    bool exitCode(ProcessHandle, uint32_t&) override { return false; }  // the end tells
    bool hasEnded(ProcessHandle h) override { return ended[h]; }
    void close(ProcessHandle) override {}
    bool run(const std::string& commandLine) override {
        if (!runFails) commands.push_back(commandLine);
        return !runFails;
    }
};

class FakeFileDialog : public FileDialog {
  public:
    std::optional<std::string> answer;
    std::optional<std::string> openFile(const FileDialogOptions&) override { return answer; }
};

class FakeShortcuts : public Shortcuts {
  public:
    std::map<std::string, std::string> targets;  // unreadable when absent
    std::optional<std::string> targetPath(const std::string& file) override {
        if (!targets.count(file)) return std::nullopt;
        return targets[file];
    }
    std::optional<std::string> createDesktopShortcut(const DesktopShortcut& s) override {
        return "C:\\Desktop\\" + s.name + ".lnk";
    }
};

class FakeShell : public Shell {
  public:
    std::vector<std::string> opened;
    std::optional<std::string> open(const std::string& target) override {
        opened.push_back(target);
        return std::nullopt;
    }
};

class FakeSystem : public System {
  public:
    int major = 10;
    bool otherInstance = false;
    std::vector<Cursor> cursors;
    int windowsMajorVersion() override { return major; }
    bool anotherInstanceRunning() override { return otherInstance; }
    std::string environment(const std::string&) override { return "C:"; }
    void setCursor(Cursor cursor) override { cursors.push_back(cursor); }
    bool fileExists(const std::string&) override { return false; }
    // A Latin-1 code page: a two-byte character beyond it (led by 0xC4 or more) turns
    // into "?" (the tests use no longer sequences).
    std::string ansiForm(const std::string& text) override {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            const bool beyond = static_cast<unsigned char>(text[i]) >= 0xC4;
            out += beyond ? std::string("?") : text.substr(i, 1);
            i += beyond;  // and its second byte
        }
        return out;
    }
    void doEvents() override {}
    std::optional<std::string> machineValue(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

class FakeFormHost : public FormHost {
  public:
    std::map<std::string, int> calls;
    int count(const std::string& call) { return calls[call]; }
    std::function<void()> onSoundChangedOutside;  // the dialog's reload, as the host calls it
    void showSoundVista() override { ++calls["showSoundVista"]; }
    void unloadSoundVista() override { ++calls["unloadSoundVista"]; }
    void showSound() override { ++calls["showSound"]; }
    void unloadSound() override { ++calls["unloadSound"]; }
    void soundChangedOutside() override {
        ++calls["soundChangedOutside"];
        if (onSoundChangedOutside) onSoundChangedOutside();
    }
    void showAbout() override { ++calls["showAbout"]; }
    void popupTrayMenu() override { ++calls["popupTrayMenu"]; }
    void restoreMainWindow() override { ++calls["restoreMainWindow"]; }
    void closeMainWindow() override { ++calls["closeMainWindow"]; }
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
