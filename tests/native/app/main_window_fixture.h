// A main window over fakes, with two playback and two capture endpoints and two mixer
// devices, ready to start on either path.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fake_services.h"
#include "forms/frmMain.h"

namespace tk::test {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        rig.library.addPlayback("Speakers", "AAAA-1111");
        rig.library.addPlayback("Headphones", "BBBB-2222");
        rig.library.addCapture("Microphone", "CCCC-3333");
        rig.library.addCapture("Line In", "DDDD-4444");
        rig.mixer.devices.push_back(typicalSoundCard("Speakers (Card A)"));
        rig.mixer.devices.push_back(typicalSoundCard("Card B"));
    }

    frmMain& start(int major) {
        rig.system.major = major;
        main = std::make_unique<frmMain>(rig.services, publics);
        started = main->Form_Load();
        return *main;
    }
    frmMain& startLegacy() { return start(5); }
    frmMain& startEndpoint() { return start(6); }

    // Registers a program directly in the store, as an earlier run would have.
    void storeProgram(int index, const std::string& path) {
        rig.settings.values[entryKey("Name", index)] = path;
    }

    Rig rig;
    Publics publics;
    std::unique_ptr<frmMain> main;
    bool started = false;
};

}  // namespace tk::test
