// The main window over fakes: three playback and three capture endpoints, mixer devices
// named after the first two playback endpoints, and an empty store (a first start) unless
// the test stores more.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_services.h"
#include "forms/frmMain.h"

namespace tk::test {

inline const std::string kGame = "C:\\My Games\\game.exe";

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        for (auto [name, guid] : {std::pair{"Speakers (HD Audio)", "AAAA-1111"},
                                  {"Headphones", "BBBB-2222"},
                                  {"Digital Output", "CCCC-3333"}})
            rig.library.addPlayback(name, guid);
        for (auto [name, guid] : {std::pair{"Microphone", "DDDD-4444"},
                                  {"Line In", "EEEE-5555"},
                                  {"Stereo Mix", "FFFF-6666"}})
            rig.library.addCapture(name, guid);
        rig.mixer.devices = {typicalSoundCard("Speakers"), typicalSoundCard("Headphones")};
    }

    frmMain& start(int major = 6) {
        rig.system.major = major;
        main.reset();
        main = std::make_unique<frmMain>(rig.services, publics);
        started = main->Form_Load();
        return *main;
    }
    // A start after earlier runs registered "Normal Windows" and a game that starts.
    frmMain& startWithGame(int major = 6) {
        store("Name", 0, "Normal Windows");
        store("Name", 1, kGame);
        rig.processes.existing.insert(kGame);
        return start(major);
    }
    void store(const char* base, int n, const std::string& value) {
        rig.settings.values[entryKey(base, n)] = value;
    }
    std::string stored(const char* base, int n) const { return rig.settings.at(entryKey(base, n)); }
    // A complete endpoint profile for entry n, as an earlier run stores it.
    void storeProfile(int n, const std::string& play, const std::string& line,
                      const std::string& mic, const std::string& levels) {
        store("MixerNumber", n, "0");
        store("PlaybackGuid", n, "{" + play + "}");
        store("LineInGuid", n, "{" + line + "}");
        store("MicGuid", n, "{" + mic + "}");
        store("VistaSettings", n, levels);
    }

    Rig rig;
    Publics publics;
    std::unique_ptr<frmMain> main;
    bool started = false;
};

}  // namespace tk::test
