// The real Tonekeep.exe on scripted topologies: the level dialog enables exactly the
// controls the description has, each slider and box moves its described control, the
// tone dialog works where there is a tone stage, a program's stored level set is put in
// force when it is selected, and the end of a launched program puts "Normal Windows"'
// levels back; endpoints that come and go while it runs. The stand-in's report is the
// witness of every control.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "descriptions.h"
#include "sound_vista_win.h"
#include "tone_win.h"
#include "topology_support.h"
#include "user_input.h"
#include "window_ids.h"

namespace tk::topology {
namespace {

namespace sv = win::soundvistaid;
using wintest::Tonekeep;

// The sound dialog's controls that a level control stands behind.
const int kLevelControls[] = {sv::kSldMaster,   sv::kChkMasterMute, sv::kSldLinePlay,
                              sv::kChkLinePlay, sv::kSldMicPlay,    sv::kChkMicPlay,
                              sv::kSldMic,      sv::kChkBoost,      sv::kSldLine,
                              sv::kChkNoMon,    sv::kCmdTone};

HWND ThreadWindow(DWORD pid, const wchar_t* cls) {
    const auto windows = wintest::windowsOf(pid, cls);
    return windows.empty() ? nullptr : windows.front();
}

std::vector<std::string> Fields(const std::wstring& levelSet) {
    std::vector<std::string> out;
    std::istringstream in(wintest::narrowText(levelSet));
    for (std::string field; std::getline(in, field, ',');) out.push_back(field);
    return out;
}

const wchar_t kGameLevels[] = L"100,False,10,True,100,False,True,True,-6,0,6,100,100,";

class ProgramTopology : public ::testing::Test {
  protected:
    void TearDown() override {
        if (program_ && !program_->ended()) program_->exitThroughTray();
        program_.reset();
        wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
    }

    // Settings with "Normal Windows" and one program, then Tonekeep started on them.
    void Start(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
        wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
        wintest::writeString(HKEY_CURRENT_USER, wintest::kProgramsKey, L"Name 0",
                             L"Normal Windows");
        for (const auto& [name, value] : values) {
            wintest::writeString(HKEY_CURRENT_USER, wintest::kProgramsKey, name, value);
        }
        program_ = std::make_unique<Tonekeep>(BinFolder());
        ASSERT_TRUE(program_->waitStarted());
    }

    // Start() with the game registered on the codec's endpoints, with levels of its own.
    void StartWithTheGame() {
        const std::wstring game = wintest::unixToWine(TK_GAME);
        Start({{L"Name 1", game.substr(0, game.size() - 1)},
               {L"MixerNumber 1", L"0"},
               {L"PlaybackGuid 1", wintest::endpointFragment(0, L"Speakers")},
               {L"MicGuid 1", wintest::endpointFragment(1, L"Microphone")},
               {L"LineInGuid 1", wintest::endpointFragment(1, L"Line In")},
               {L"VistaSettings 1", kGameLevels}});
    }

    // Picks the endpoint named `name` in the device box `id` (as the user does).
    void Choose(int id, const wchar_t* name) {
        const int position =
            static_cast<int>(SendMessageW(program_->control(id), CB_FINDSTRINGEXACT,
                                          static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)));
        ASSERT_GE(position, 0) << "no endpoint " << wintest::narrowText(name);
        program_->pick(id, position);
    }

    HWND OpenLevels() {
        program_->press(win::mainid::kCmdSetup);
        HWND dialog = nullptr;
        wintest::waitFor([&] {
            dialog = ThreadWindow(program_->pid(), win::kSoundVistaWindowClass);
            return dialog != nullptr && IsWindowVisible(dialog);  // shown once loaded
        });
        return dialog;
    }

    void CloseLevels(HWND dialog) {
        wintest::clickButton(dialog, sv::kCommand1);
        EXPECT_TRUE(wintest::waitFor([&] { return !IsWindow(dialog); }));
    }

    // The enabled state of every level control against the description's controls.
    static void ExpectEnabled(HWND dialog, const std::vector<int>& enabled) {
        for (int id : kLevelControls) {
            SCOPED_TRACE(id);
            const bool expected = std::find(enabled.begin(), enabled.end(), id) != enabled.end();
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE, expected);
        }
    }

    std::unique_ptr<Tonekeep> program_;
};

// What the stand-in listed as still referenced when Tonekeep ended, apart from the one
// enumerator that Wine's winmm keeps for its device notifications for the whole process
// (Tonekeep creates none itself; the library's own are checked in topology_test.cpp).
std::string HeldAtProgramEnd(const Scenario& scenario) {
    std::string held = scenario.Held("unload");
    const std::string winmm = "IMMDeviceEnumerator 1; ";
    if (const size_t at = held.find(winmm); at != std::string::npos) held.erase(at, winmm.size());
    return held;
}

// The codec's described controls hold what the level set `text` says (fields 3 to 11).
void ExpectLevels(const Scenario& scenario, const std::wstring& text) {
    const auto f = Fields(text);
    ASSERT_EQ(f.size(), 13u) << wintest::narrowText(text);
    const Values v = scenario.Controls();
    auto db = [](const std::string& percent) {
        return 12 + 20 * std::log10(std::stod(percent) / 100);
    };
    auto flag = [](const std::string& word) { return word == "True" ? 1.0 : 0.0; };
    SCOPED_TRACE(wintest::narrowText(text));
    for (const char* ch : {"0", "1"}) {
        EXPECT_NEAR(v.at(std::string("vol1.volume.") + ch), db(f[2]), 1e-3);
        EXPECT_NEAR(v.at(std::string("vol2.volume.") + ch), db(f[4]), 1e-3);
        EXPECT_EQ(v.at(std::string("tone.bass.") + ch), std::stod(f[8]));
        EXPECT_EQ(v.at(std::string("tone.treble.") + ch), std::stod(f[10]));
    }
    EXPECT_EQ(v.at("mute1.mute.0"), flag(f[3]));
    EXPECT_EQ(v.at("mute2.mute.0"), flag(f[5]));
    EXPECT_EQ(v.at("boost.agc.0"), flag(f[6]));
    EXPECT_EQ(v.at("nomon.agc.0"), flag(f[7]));
}

TEST_F(ProgramTopology, CodecLevelsDriveTheDescribedControlsAndComeBackAfterALaunch) {
    Scenario scenario("program_codec", CodecDescription());
    StartWithTheGame();
    ASSERT_FALSE(HasFatalFailure());
    Choose(win::mainid::kCmbSpeakers, L"Speakers");
    Choose(win::mainid::kCmbMic, L"Microphone");
    Choose(win::mainid::kCmbLineIn, L"Line In");

    HWND dialog = OpenLevels();
    ASSERT_NE(dialog, nullptr) << "the level dialog did not open";
    ExpectEnabled(dialog, std::vector<int>(std::begin(kLevelControls), std::end(kLevelControls)));
    EXPECT_EQ(SendDlgItemMessageW(dialog, sv::kSldLinePlay, TBM_GETPOS, 0, 0), 12);
    EXPECT_EQ(SendDlgItemMessageW(dialog, sv::kSldMicPlay, TBM_GETPOS, 0, 0), 25);
    EXPECT_EQ(IsDlgButtonChecked(dialog, sv::kChkMicPlay), BST_CHECKED);

    // Each slider and box moves its own control, and only that one.
    struct Move {
        int id;
        int position;  // -1: a click
        const char* control;
        double value;
    };
    const Move moves[] = {
        {sv::kSldLinePlay, 50, "vol1.volume", 5.9794}, {sv::kSldMicPlay, 10, "vol2.volume", -8},
        {sv::kChkLinePlay, -1, "mute1.mute", 1},       {sv::kChkMicPlay, -1, "mute2.mute", 0},
        {sv::kChkBoost, -1, "boost.agc", 0},           {sv::kChkNoMon, -1, "nomon.agc", 1},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.control);
        const Values before = scenario.Controls();
        if (m.position < 0) {
            wintest::clickButton(dialog, m.id);
        } else {
            wintest::dragSlider(dialog, m.id, m.position);
        }
        for (const auto& [key, value] : scenario.Controls()) {
            if (key.rfind(std::string(m.control) + ".", 0) == 0) {
                EXPECT_NEAR(value, m.value, 1e-3) << key;
            } else {
                EXPECT_EQ(value, before.at(key)) << key << " moved";
            }
        }
    }

    // Tone: bass and treble, no mid-range; the treble slider sets every channel.
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(sv::kCmdTone, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, sv::kCmdTone)));
    HWND tone = nullptr;
    ASSERT_TRUE(wintest::waitFor([&] {
        tone = ThreadWindow(program_->pid(), win::kToneWindowClass);
        return tone != nullptr && IsWindowVisible(tone);  // shown once its load has run
    }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tone, win::toneid::kSldBass)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tone, win::toneid::kSldMid)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tone, win::toneid::kSldTreble)));
    wintest::dragSlider(tone, win::toneid::kSldTreble, 3);
    EXPECT_EQ(scenario.Controls().at("tone.treble.0"), 3);
    EXPECT_EQ(scenario.Controls().at("tone.treble.1"), 3);
    PostMessageW(tone, WM_COMMAND, MAKEWPARAM(win::toneid::kCmdClose, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(tone, win::toneid::kCmdClose)));
    ASSERT_TRUE(wintest::waitFor([&] { return !IsWindow(tone); }));
    CloseLevels(dialog);
    const std::wstring normalLevels = wintest::setting(L"VistaSettings 0");
    ExpectLevels(scenario, normalLevels);

    // Selecting the program puts its stored set in force, selecting "Normal Windows" its.
    ASSERT_TRUE(program_->select(1));
    ExpectLevels(scenario, kGameLevels);
    ASSERT_TRUE(program_->select(0));
    ExpectLevels(scenario, normalLevels);

    // Launch and end: the program's levels while it runs, "Normal Windows"' after.
    ASSERT_TRUE(program_->select(1));
    ASSERT_TRUE(program_->launch());
    ASSERT_TRUE(program_->waitRestored());
    ExpectLevels(scenario, normalLevels);

    ASSERT_TRUE(program_->exitThroughTray());
    EXPECT_EQ(HeldAtProgramEnd(scenario), "") << "objects Tonekeep still referenced at its end";
}

TEST_F(ProgramTopology, UsbHeadsetOffersOnlyItsEndpointLevels) {
    Scenario scenario("program_usb", UsbHeadsetDescription());
    Start({});
    ASSERT_FALSE(HasFatalFailure());
    Choose(win::mainid::kCmbSpeakers, L"Speakers");
    Choose(win::mainid::kCmbMic, L"Microphone");
    Choose(win::mainid::kCmbLineIn, L"Line In");
    HWND dialog = OpenLevels();
    ASSERT_NE(dialog, nullptr) << "the level dialog did not open";
    ExpectEnabled(dialog, {sv::kSldMaster, sv::kChkMasterMute, sv::kSldMic, sv::kSldLine});
    CloseLevels(dialog);
    ASSERT_TRUE(program_->exitThroughTray());
    EXPECT_EQ(HeldAtProgramEnd(scenario), "");
}

// Endpoints that come and go while the program runs, told to it by the stand-in from a
// thread of its own: the boxes follow and keep their choices, a selected device that goes
// is named in the tray tip, the levels of a stored device that arrives are put in force,
// nothing is saved on the way, and the client is unregistered at the end.
TEST_F(ProgramTopology, EndpointsThatComeAndGoAreFollowedWithoutSaving) {
    namespace id = win::mainid;
    // The codec's playback, and capture devices of their own: one that goes takes its
    // controls with it.
    Scenario scenario("program_devices", CodecPlayback("Line In", "Microphone") + R"(
endpoint Microphone
connector micout "Capture"
connector mic "Mic"
part boost "Microphone Boost" agc=0
link mic boost micout
start micout
endpoint Line In
connector lineout "Capture"
connector line "Line In"
part linerec "Line Capture Volume" volume=-17.25:30:0.75:0,0
part nomon "Line Monitor" agc=0
link line linerec nomon lineout
start lineout
)");
    StartWithTheGame();
    ASSERT_FALSE(HasFatalFailure());
    const DWORD pid = program_->pid();
    Choose(id::kCmbSpeakers, L"Speakers");
    Choose(id::kCmbMic, L"Microphone");
    Choose(id::kCmbLineIn, L"Line In");
    ASSERT_TRUE(program_->settle());
    ASSERT_EQ(scenario.Lines("register Tonekeep.exe").size(), 1u) << "no client registered";
    const wintest::Snapshot stored = wintest::readPrograms();
    auto count = [&](int box) {
        return static_cast<int>(SendMessageW(program_->control(box), CB_GETCOUNT, 0, 0));
    };
    auto chosen = [&](int box) {
        wchar_t text[256] = L"<none>";
        SendMessageW(program_->control(box), CB_GETLBTEXT, program_->selected(box),
                     reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    auto change = [&](const std::string& command) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(scenario.Change(pid, command)) << "the stand-in called no client";
        ASSERT_TRUE(program_->settle());
    };
    const int inputs = count(id::kCmbMic);

    // A capture endpoint unplugged and plugged in again: both input boxes follow, and
    // the choices are kept by id.
    change("hide Line In");
    EXPECT_EQ(count(id::kCmbLineIn), inputs - 1);
    EXPECT_EQ(count(id::kCmbMic), inputs - 1);
    EXPECT_EQ(program_->selected(id::kCmbLineIn), -1);
    EXPECT_EQ(chosen(id::kCmbMic), L"Microphone");
    change("show Line In");
    EXPECT_EQ(count(id::kCmbLineIn), inputs);
    EXPECT_EQ(chosen(id::kCmbLineIn), L"Line In");
    EXPECT_EQ(chosen(id::kCmbMic), L"Microphone");

    // The selected playback device goes: the tray tip says so until it is back.
    const std::wstring goneNote = L"Speakers is no longer connected";
    change("remove Speakers");
    EXPECT_NE(program_->trayTip().find(goneNote), std::wstring::npos)
        << wintest::narrowText(program_->trayTip());
    change("add Speakers");
    EXPECT_EQ(program_->trayTip().find(goneNote), std::wstring::npos);
    EXPECT_EQ(chosen(id::kCmbSpeakers), L"Speakers");
    EXPECT_EQ(wintest::readPrograms(), stored);

    // The program's stored microphone is missing when it is selected and arrives later:
    // the program's levels reach it then (its boost tells).
    change("hide Microphone");
    ASSERT_TRUE(program_->select(1));
    EXPECT_EQ(scenario.Controls().at("boost.agc.0"), 0);
    EXPECT_EQ(wintest::setting(L"VistaSettings 1"), kGameLevels);
    const wintest::Snapshot selected = wintest::readPrograms();
    change("show Microphone");
    ExpectLevels(scenario, kGameLevels);
    EXPECT_EQ(chosen(id::kCmbMic), L"Microphone");
    EXPECT_EQ(wintest::readPrograms(), selected);

    ASSERT_TRUE(program_->exitThroughTray());
    EXPECT_EQ(HeldAtProgramEnd(scenario), "");
    EXPECT_EQ(scenario.Lines("unregister Tonekeep.exe").size(), 1u);
    EXPECT_EQ(scenario.Lines("client Tonekeep.exe").size(), 0u) << "a client left registered";
}

}  // namespace
}  // namespace tk::topology
