// The real Tonekeep.exe on a scripted codec: the level dialog enables the controls the
// description has and each slider and box moves its own described control, the tone
// dialog works where there is a tone stage and holds the whole program while it is open,
// a program's stored level set is put in force when it is selected, the end of a launched
// program puts "Normal Windows"' levels back, and endpoints that come and go while it runs
// are followed without saving anything. The stand-in's report is the witness of every
// control.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sound_vista_win.h"
#include "tone_win.h"
#include "topology_support.h"
#include "user_input.h"
#include "window_ids.h"

namespace tk::topology {
namespace {

namespace sv = win::soundvistaid;
namespace id = win::mainid;

const wchar_t kGameLevels[] = L"100,False,10,True,100,False,True,True,-6,0,6,100,100,";

HWND ShownWindow(DWORD pid, const wchar_t* cls) {
    HWND window = nullptr;
    wintest::waitFor([&] {
        const auto windows = wintest::windowsOf(pid, cls);
        window = windows.empty() ? nullptr : windows.front();
        return window != nullptr && IsWindowVisible(window);  // shown once loaded
    });
    return window;
}

void Press(HWND window, int control) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, control)));
}

// The codec's described controls hold what the level set `text` says (fields 3 to 11).
void ExpectLevels(const Scenario& scenario, const std::wstring& text) {
    std::vector<std::string> f;
    std::istringstream in(wintest::narrowText(text));
    for (std::string field; std::getline(in, field, ',');) f.push_back(field);
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

class ProgramTopology : public ::testing::Test {
  protected:
    void TearDown() override {
        if (program_ && !program_->ended()) program_->exitThroughTray();
        program_.reset();
        wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
    }
    std::unique_ptr<wintest::Tonekeep> program_;
};

TEST_F(ProgramTopology, LevelsDriveTheDescribedControlsAndFollowEndpointsThatComeAndGo) {
    // The codec's playback, and capture endpoints of their own: one that goes takes its
    // controls with it.
    Scenario scenario("program", CodecPlayback("Line In", "Microphone") + R"(
endpoint Microphone
connector micout "Capture"
connector mic "Mic"
part boost "Microphone Boost" agc=1
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
    // "Normal Windows" and the game, registered on these endpoints with levels of its own.
    wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
    const std::wstring game = wintest::unixToWine(TK_GAME);
    for (const auto& [name, value] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"Name 0", L"Normal Windows"},
             {L"Name 1", game.substr(0, game.size() - 1)},
             {L"MixerNumber 1", L"0"},
             {L"PlaybackGuid 1", wintest::endpointFragment(0, L"Speakers")},
             {L"MicGuid 1", wintest::endpointFragment(1, L"Microphone")},
             {L"LineInGuid 1", wintest::endpointFragment(1, L"Line In")},
             {L"VistaSettings 1", kGameLevels}}) {
        wintest::writeString(HKEY_CURRENT_USER, wintest::kProgramsKey, name, value);
    }
    program_ = std::make_unique<wintest::Tonekeep>(BinFolder());
    ASSERT_TRUE(program_->waitStarted());
    auto box = [&](int control, UINT message, WPARAM w = 0, LPARAM l = 0) {
        return static_cast<int>(SendMessageW(program_->control(control), message, w, l));
    };
    auto chosen = [&](int control) {
        wchar_t text[256] = L"<none>";
        box(control, CB_GETLBTEXT, program_->selected(control), reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    const std::pair<int, const wchar_t*> devices[] = {{id::kCmbSpeakers, L"Speakers"},
                                                      {id::kCmbMic, L"Microphone"},
                                                      {id::kCmbLineIn, L"Line In"}};
    for (const auto& [control, name] : devices) {
        const int position = box(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(name));
        ASSERT_GE(position, 0) << "no endpoint " << wintest::narrowText(name);
        program_->pick(control, position);
    }
    ASSERT_TRUE(program_->settle());
    ASSERT_EQ(scenario.Lines("register Tonekeep.exe").size(), 1u) << "no client registered";

    // Every level control is enabled: each has its control in the description.
    program_->press(id::kCmdSetup);
    HWND dialog = ShownWindow(program_->pid(), win::kSoundVistaWindowClass);
    ASSERT_NE(dialog, nullptr) << "the level dialog did not open";
    for (int control :
         {sv::kSldMaster, sv::kChkMasterMute, sv::kSldLinePlay, sv::kChkLinePlay, sv::kSldMicPlay,
          sv::kChkMicPlay, sv::kSldMic, sv::kChkBoost, sv::kSldLine, sv::kChkNoMon, sv::kCmdTone}) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, control))) << control;
    }
    EXPECT_EQ(SendDlgItemMessageW(dialog, sv::kSldLinePlay, TBM_GETPOS, 0, 0), 12);
    EXPECT_EQ(SendDlgItemMessageW(dialog, sv::kSldMicPlay, TBM_GETPOS, 0, 0), 25);
    EXPECT_EQ(IsDlgButtonChecked(dialog, sv::kChkMicPlay), BST_CHECKED);

    // Each slider and box moves its own control, and only that one.
    const struct {
        int id;
        int position;  // -1: a click
        const char* control;
        std::vector<double> db;
    } moves[] = {
        {sv::kSldLinePlay, 50, "vol1.volume", {5.9794, 5.9794}},
        {sv::kSldMicPlay, 10, "vol2.volume", {-8, -8}},
        {sv::kChkLinePlay, -1, "mute1.mute", {1}},
        {sv::kChkMicPlay, -1, "mute2.mute", {0}},
        {sv::kChkBoost, -1, "boost.agc", {0}},
        {sv::kChkNoMon, -1, "nomon.agc", {1}},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.control);
        const Values before = scenario.Controls();
        if (m.position < 0) wintest::clickButton(dialog, m.id);
        if (m.position >= 0) wintest::dragSlider(dialog, m.id, m.position);
        scenario.ExpectMoved(before, m.control, m.db);
    }

    // Tone: bass and treble, no mid-range; the treble slider sets every channel.
    Press(dialog, sv::kCmdTone);
    HWND tone = ShownWindow(program_->pid(), win::kToneWindowClass);
    ASSERT_NE(tone, nullptr) << "the tone dialog did not open";
    // Modal to the whole program: the main window, the level dialog and the tray icon's
    // window wait while it is open. TK_VISTA_HOLD_MS keeps it on screen (screenshots).
    const HWND others[] = {program_->main(), dialog, program_->trayWindow()};
    auto othersEnabled = [&](bool enabled) {
        return std::all_of(std::begin(others), std::end(others),
                           [&](HWND h) { return (IsWindowEnabled(h) != FALSE) == enabled; });
    };
    EXPECT_TRUE(wintest::waitFor([&] { return othersEnabled(false); }));
    if (const char* ms = std::getenv("TK_VISTA_HOLD_MS")) Sleep(std::atoi(ms));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tone, win::toneid::kSldBass)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tone, win::toneid::kSldMid)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tone, win::toneid::kSldTreble)));
    wintest::dragSlider(tone, win::toneid::kSldTreble, 3);
    EXPECT_EQ(scenario.Controls().at("tone.treble.0"), 3);
    EXPECT_EQ(scenario.Controls().at("tone.treble.1"), 3);
    Press(tone, win::toneid::kCmdClose);
    ASSERT_TRUE(wintest::waitFor([&] { return !IsWindow(tone) && othersEnabled(true); }));
    wintest::clickButton(dialog, sv::kCommand1);
    EXPECT_TRUE(wintest::waitFor([&] { return !IsWindow(dialog); }));
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

    // Endpoints come and go, told by the stand-in from a thread of its own.
    const DWORD pid = program_->pid();
    auto change = [&](const std::string& command) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(scenario.Change(pid, command)) << "the stand-in called no client";
        ASSERT_TRUE(program_->settle());
    };
    const wintest::Snapshot stored = wintest::readPrograms();
    const int inputs = box(id::kCmbMic, CB_GETCOUNT);
    // A capture endpoint unplugged and plugged in again: both input boxes follow, and the
    // choices are kept by id.
    change("hide Line In");
    EXPECT_EQ(box(id::kCmbLineIn, CB_GETCOUNT), inputs - 1);
    EXPECT_EQ(box(id::kCmbMic, CB_GETCOUNT), inputs - 1);
    EXPECT_EQ(program_->selected(id::kCmbLineIn), -1);
    EXPECT_EQ(chosen(id::kCmbMic), L"Microphone");
    change("show Line In");
    EXPECT_EQ(box(id::kCmbLineIn, CB_GETCOUNT), inputs);
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
    // the program's levels reach it then (its boost, off in "Normal Windows", tells).
    const std::wstring gameLevels = wintest::setting(L"VistaSettings 1");
    change("hide Microphone");
    ASSERT_TRUE(program_->select(1));
    EXPECT_EQ(scenario.Controls().at("boost.agc.0"), 0);
    EXPECT_EQ(wintest::setting(L"VistaSettings 1"), gameLevels);
    const wintest::Snapshot selected = wintest::readPrograms();
    change("show Microphone");
    ExpectLevels(scenario, gameLevels);
    EXPECT_EQ(chosen(id::kCmbMic), L"Microphone");
    EXPECT_EQ(wintest::readPrograms(), selected);

    // At the end nothing is left referenced, apart from the one enumerator that Wine's
    // winmm keeps for the whole process (Tonekeep creates none itself; the library's own
    // are checked in topology_test.cpp), and the client is unregistered.
    ASSERT_TRUE(program_->exitThroughTray());
    std::string held = scenario.Held("unload");
    const std::string winmm = "IMMDeviceEnumerator 1; ";
    if (const size_t at = held.find(winmm); at != std::string::npos) held.erase(at, winmm.size());
    EXPECT_EQ(held, "") << "objects Tonekeep still referenced at its end";
    EXPECT_EQ(scenario.Lines("unregister Tonekeep.exe").size(), 1u);
    EXPECT_EQ(scenario.Lines("client Tonekeep.exe").size(), 0u) << "a client left registered";
}

}  // namespace
}  // namespace tk::topology
