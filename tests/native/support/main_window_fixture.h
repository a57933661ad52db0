// The main window over fakes: three playback and three capture endpoints, mixer devices
// named after the first two playback endpoints, and an empty store (a first start) unless
// the test registers programs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_services.h"
#include "forms/frmMain.h"

namespace tk::test {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        rig.library.addPlayback("Speakers (HD Audio)", "AAAA-1111");
        rig.library.addPlayback("Headphones", "BBBB-2222");
        rig.library.addPlayback("Digital Output", "CCCC-3333");
        rig.library.addCapture("Microphone", "DDDD-4444");
        rig.library.addCapture("Line In", "EEEE-5555");
        rig.library.addCapture("Stereo Mix", "FFFF-6666");
        rig.mixer.devices.push_back(typicalSoundCard("Speakers"));
        rig.mixer.devices.push_back(typicalSoundCard("Headphones"));
    }

    frmMain& start(int major = 6) {
        rig.system.major = major;
        main = std::make_unique<frmMain>(rig.services, publics);
        started = main->Form_Load();
        return *main;
    }
    // A start after earlier runs registered "Normal Windows" and one game, in a folder
    // with a blank, that starts.
    static constexpr const char* kGameExe = "C:\\My Games\\game.exe";
    frmMain& startWithGame(int major = 6) {
        rig.settings.values["Name 0"] = "Normal Windows";
        storeProgram(1, kGameExe);
        rig.processes.existing.insert(kGameExe);
        frmMain& m = start(major);
        EXPECT_TRUE(started);
        return m;
    }

    // Registers a program directly in the store, as an earlier run would have.
    void storeProgram(int index, const std::string& path) {
        rig.settings.values[entryKey("Name", index)] = path;
    }
    std::string key(const char* base, int n) const { return entryKey(base, n); }
    std::string stored(const char* base, int n) const { return rig.settings.at(entryKey(base, n)); }
    // Stores a complete endpoint profile for entry n, as an earlier run would have.
    void storeProfile(int n, const std::string& play, const std::string& line,
                      const std::string& mic, const std::string& levels) {
        rig.settings.values[key("MixerNumber", n)] = "0";
        rig.settings.values[key("SoundSettings", n)] = "";
        rig.settings.values[key("PlaybackGuid", n)] = "{" + play + "}";
        rig.settings.values[key("LineInGuid", n)] = "{" + line + "}";
        rig.settings.values[key("MicGuid", n)] = "{" + mic + "}";
        rig.settings.values[key("VistaSettings", n)] = levels;
    }

    Rig rig;
    Publics publics;
    std::unique_ptr<frmMain> main;
    bool started = false;
};

}  // namespace tk::test
