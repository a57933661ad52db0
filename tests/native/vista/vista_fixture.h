// A main window on the endpoint path over fakes: three playback and three capture
// endpoints, mixer devices named after the playback endpoints, and a program list of
// "Normal Windows" and one game.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_services.h"
#include "forms/frmMain.h"

namespace tk::test {

class VistaTest : public ::testing::Test {
  protected:
    VistaTest() {
        rig.library.addPlayback("Speakers (HD Audio)", "AAAA-1111");
        rig.library.addPlayback("Headphones", "BBBB-2222");
        rig.library.addPlayback("Digital Output", "CCCC-3333");
        rig.library.addCapture("Microphone", "DDDD-4444");
        rig.library.addCapture("Line In", "EEEE-5555");
        rig.library.addCapture("Stereo Mix", "FFFF-6666");
        rig.mixer.devices.push_back(typicalSoundCard("Speakers"));
        rig.mixer.devices.push_back(typicalSoundCard("Headphones"));
        rig.settings.values["Name 0"] = "Normal Windows";
        rig.settings.values["Settings 0"] = "";
        rig.settings.values["Mixer 0"] = "0";
        rig.settings.values["Name 1"] = "C:\\Games\\game.exe";
    }

    frmMain& start() {
        rig.system.major = 6;
        main = std::make_unique<frmMain>(rig.services, publics);
        EXPECT_TRUE(main->Form_Load());
        return *main;
    }

    static std::string frag(const std::string& guid) { return "{" + guid + "}"; }
    std::string key(const char* base, int n) const { return entryKey(base, n); }
    std::string stored(const char* base, int n) const { return rig.settings.at(entryKey(base, n)); }

    // Stores a complete profile for entry n, as an earlier run would have.
    void storeProfile(int n, const std::string& play, const std::string& line,
                      const std::string& mic, const std::string& levels) {
        rig.settings.values[key("MixerNumber", n)] = "0";
        rig.settings.values[key("SoundSettings", n)] = "";
        rig.settings.values[key("PlaybackGuid", n)] = frag(play);
        rig.settings.values[key("LineInGuid", n)] = frag(line);
        rig.settings.values[key("MicGuid", n)] = frag(mic);
        rig.settings.values[key("VistaSettings", n)] = levels;
    }

    // The user moves a slider to `value`.
    static void drag(controls::Slider& slider, int value) {
        slider.setValue(value);
        if (slider.onScroll) slider.onScroll();
    }

    Rig rig;
    Publics publics;
    std::unique_ptr<frmMain> main;
};

}  // namespace tk::test
