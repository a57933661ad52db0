// HavroVista.dll and Tonekeep.exe on a scripted codec (standin.cpp): through the Windows
// identifiers and layouts the library must find the described controls, move every channel of
// the described control on a Set, put every control back on close and leave nothing
// referenced; the program's level windows and endpoints that come and go run on the same codec.
#include <windows.h>
#include <objbase.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <sstream>
#include <string>
#include <vector>

#include "coreaudio/core_audio_system.h"
#include "havro_vista.h"
#include "sound_vista_win.h"
#include "tone_win.h"
#include "user_input.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::topology {
namespace {

using Values = std::map<std::string, double>;  // "part.kind.channel" -> the latest value

// Playback: tone after a mixing point fed by the jacks "Line In" (vol1, whose channels differ,
// mute1) and "Microphone" (vol2, mute2); capture endpoints with a boost and a no-monitor switch.
const std::string kCodec = R"(
endpoint Speakers; connector out Speakers; start out; part sum Sum; link sum tone out;
part tone Tone bass=-12:12:1:3,3 treble=-12:12:1:-2,-2;
connector jack1 "Line In"; link jack1 vol1 mute1 sum; part mute1 "Mute 1" mute=0;
connector jack2 Microphone; link jack2 vol2 mute2 sum; part mute2 "Mute 2" mute=1;
part vol1 "Volume 1" volume=-34.5:12:1.5:-6,-7.5; part vol2 "Volume 2" volume=-34.5:12:1.5:0,0;
endpoint Microphone; connector micout Capture; start micout; link mic boost micout;
connector mic Mic; part boost "Microphone Boost" loudness=1;
endpoint "Line In"; connector lineout Capture; start lineout; link line linerec nomon lineout;
connector line "Line In"; part linerec "Line Capture"; part nomon "Line Monitor" agc=0;
)";

// Points the class at the stand-in in the prefix's machine hive (Wine 8 reads classes only
// there) for the whole test program, and back at Wine's (mended if a run left it at ours).
class StandinRegistration : public ::testing::Environment {
    void SetUp() override {
        std::wstring dll = wintest::unixToWine(TK_STANDIN);
        dll.pop_back();  // unixToWine gives a folder's trailing backslash
        ASSERT_TRUE(wintest::readString(HKEY_LOCAL_MACHINE, kServer, L"", wine_));
        if (wine_.find(L"tk_topology_standin") != std::wstring::npos) {
            wine_ = L"C:\\windows\\system32\\mmdevapi.dll";
        }
        ASSERT_TRUE(wintest::writeString(HKEY_LOCAL_MACHINE, kServer, L"", dll));
        ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr));
    }
    void TearDown() override {
        CoUninitialize();
        EXPECT_TRUE(wintest::writeString(HKEY_LOCAL_MACHINE, kServer, L"", wine_));
    }
    const std::wstring kServer =
        L"Software\\Classes\\CLSID\\{BCDE0395-E52F-467C-8E3D-C4579291692E}\\InprocServer32";
    std::wstring wine_;
};
const auto* const kRegistration = ::testing::AddGlobalTestEnvironment(new StandinRegistration);

// One description in force for this process and the programs it starts, and its report.
struct Scenario {
    Scenario(const std::string& name, const std::string& description) {
        static const std::wstring folder = wintest::freshTempFolder(L"tk_topology");
        const std::wstring base = folder + std::wstring(name.begin(), name.end());
        std::ofstream((base + L".txt").c_str(), std::ios::binary) << description;
        SetEnvironmentVariableW(L"TK_TOPOLOGY", (base + L".txt").c_str());
        SetEnvironmentVariableW(L"TK_TOPOLOGY_REPORT", (report = base + L".report").c_str());
    }

    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> out;
        std::istringstream in(wintest::readFile(report).value_or(""));
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        }
        return out;
    }

    Values Controls() const {
        Values out;
        for (const std::string& line : Lines("value ")) {
            const size_t blank = line.rfind(' ');
            out[line.substr(6, blank - 6)] = std::stod(line.substr(blank));
        }
        return out;
    }

    // Since `before`, the control "part.kind" has come to hold `db` (a value per channel),
    // and no other control moved.
    void ExpectMoved(const Values& before, const std::string& control,
                     const std::vector<double>& db) const {
        for (const auto& [key, value] : Controls()) {
            const size_t dot = key.rfind('.');
            const bool moved = key.substr(0, dot) == control;
            EXPECT_NEAR(value, moved ? db.at(std::stoul(key.substr(dot + 1))) : before.at(key),
                        1e-3)
                << key;
        }
    }

    // The objects still referenced ("LABEL REFS; ..."), as the stand-in listed them on a dump
    // (waited for: "unload" is written when the process that used it ends).
    std::string Held(const std::wstring& tag) const {
        std::optional<std::string> held;
        wintest::waitFor(
            [&] { return (held = wintest::readFile(report + L"." + tag)).has_value(); });
        return held.value_or("<no dump>");
    }

    // Carries out a device command ("hide Line In") in the process `pid` (the stand-in there
    // watches once a notification client is registered); false when it was not carried out.
    bool Change(DWORD pid, const std::string& command) const {
        const size_t before = Lines("notified").size();
        std::ofstream((report + L".devices").c_str(), std::ios::binary) << command << "\n";
        const std::wstring name = L"tk_topology_devices_" + std::to_wstring(pid);
        const HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
        return event != nullptr && SetEvent(event) && CloseHandle(event) &&
               wintest::waitFor([&] { return Lines("notified").size() > before; });
    }

    std::wstring report;
};

// ---- The library ------------------------------------------------------------------------

constexpr double kGet = NAN;  // a step's argument for a Get

// An export called (Set with `arg`, or Get), its result (a Get's value), status, and the
// control "part.kind" it moved ("" none) with its channels afterwards.
struct Step {
    const char* name;
    double arg;
    double result;
    int status = 0;
    const char* control = "";
    std::vector<double> db = {};
};

struct Row {
    const char* name;
    std::string description;
    int open;  // OpenSoundCard's result on Speakers, Microphone and Line In
    std::vector<Step> steps;
};

// clang-format off
const Row kRows[] = {
    {"codec", kCodec, 0, {
        {"LinePlayBack", kGet, 12},  // channel 0's -6 dB of +12: 100 * 10^(-18/20)
        {"MicPlayBack", kGet, 25}, {"LinePlayBackMute", kGet, 0}, {"MicPlayBackMute", kGet, 1},
        {"MicBoost", kGet, 1}, {"NoMonitor", kGet, 0}, {"Bass", kGet, 3}, {"Treble", kGet, -2},
        {"MidRange", kGet, 0, 1}, {"MidRange", 1, 1, 1},
        {"LinePlayBack", 50, 50, 0, "vol1.volume", {5.9794, 5.9794}},
        {"MicPlayBack", 10, 10, 0, "vol2.volume", {-8, -8}},
        {"LinePlayBackMute", -1, 0, 0, "mute1.mute", {1}},
        {"MicPlayBackMute", 0, 0, 0, "mute2.mute", {0}},
        {"MicBoost", 0, 0, 0, "boost.loudness", {0}},
        {"NoMonitor", -1, 0, 0, "nomon.agc", {1}},
        {"Bass", -4.5, 0, 0, "tone.bass", {-4.5, -4.5}},
        {"Treble", 6, 0, 0, "tone.treble", {6, 6}},  // then Wine's endpoint volumes:
        {"MasterVolume", 50, 50}, {"MasterVolume", kGet, 50}, {"MasterMute", -1, 0},
        {"MasterMute", kGet, 1}, {"MicRecordVolume", 10, 10}, {"MicRecordVolume", kGet, 10},
        {"LineRecordVolume", 100, 100}}},
    // COM calls that fail (the line in's topology, a mute, a level); microphone parts in a cycle.
    {"failures", kCodec + R"(
fail "Line In" Activate 0x80070005; fail mute2 SetMute 0x80004001; fail tone SetLevel 0x80004001;
endpoint Microphone; connector cout Capture; start cout; connector cin Mic; link cin c1 c2 c1;
)", 5, {
        {"NoMonitor", kGet, 0, 1}, {"LineRecordVolume", 10, 10}, {"MicPlayBackMute", 0, 0, 2},
        {"Treble", 6, 1, 2}, {"MicBoost", kGet, 0, 1}, {"MicRecordVolume", 10, 10}}},
};
// clang-format on

HMODULE g_dll = nullptr;  // HavroVista.dll, as the row under test loaded it
void* Fn(const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(g_dll, name.c_str()));
}
#define HAVRO(name) reinterpret_cast<havro::PFN_##name>(Fn(#name))

// Calls the step's export (the tone exports take and give dB in doubles); its result, or a
// tone Get's value.
double Call(const Step& s, int32_t* status) {
    const bool get = std::isnan(s.arg),
               tone = std::string("Bass MidRange Treble").find(s.name) != std::string::npos;
    void* fn = Fn((get ? "Get" : "Set") + std::string(s.name));
    double db = -1;
    if (get && tone) {
        reinterpret_cast<int32_t(HAVRO_API*)(double*, int32_t*)>(fn)(&db, status);
        return db;
    }
    if (tone) return reinterpret_cast<int32_t(HAVRO_API*)(double, int32_t*)>(fn)(s.arg, status);
    if (get) return reinterpret_cast<int32_t(HAVRO_API*)(int32_t*)>(fn)(status);
    return reinterpret_cast<int32_t(HAVRO_API*)(int32_t, int32_t*)>(fn)(int32_t(s.arg), status);
}

class TopologyTest : public ::testing::TestWithParam<Row> {};

TEST_P(TopologyTest, FindsDrivesAndRestoresTheDescribedControls) {
    const Row& row = GetParam();
    Scenario scenario(row.name, row.description);
    g_dll = LoadLibraryExW((wintest::unixToWine(TK_BIN_DIR) + L"HavroVista.dll").c_str(), nullptr,
                           LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(g_dll, nullptr);
    int32_t status = -1;
    EXPECT_EQ(HAVRO(SetMasterVolume)(50, &status), 0);
    EXPECT_EQ(status, 3) << "no endpoint set opened yet";
    auto id = [](int flow, const wchar_t* name) {
        return wintest::narrowText(wintest::endpointFragment(flow, name));
    };
    const std::string play = id(0, L"Speakers"), mic = id(1, L"Microphone"),
                      line = id(1, L"Line In"), headphones = id(0, L"Kopfh\u00f6rer");
    const auto dump = reinterpret_cast<void(WINAPI*)(const char*)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"tk_topology_standin.dll"), "TopologyDump")));
    ASSERT_NE(dump, nullptr) << "the stand-in is not in use";
    EXPECT_EQ(HAVRO(OpenSoundCard)(play.c_str(), mic.c_str(), line.c_str()), row.open);
    const Values captured = scenario.Controls();
    double eq[3] = {};
    EXPECT_EQ(HAVRO(GetEQRange)(&eq[0], &eq[1], &eq[2]), 0);
    EXPECT_EQ(std::vector<double>(eq, eq + 3), std::vector<double>({-12, 12, 1}));
    for (const Step& s : row.steps) {
        SCOPED_TRACE(std::string(s.name) + " " + std::to_string(s.arg));
        const Values before = scenario.Controls();
        EXPECT_EQ(Call(s, &status), s.result);
        EXPECT_EQ(status, s.status);
        scenario.ExpectMoved(before, s.control, s.db);
    }
    // The second playback endpoint: its own volume, apart from the set.
    EXPECT_EQ(HAVRO(OpenVirtual_1)(headphones.c_str()), 1);
    EXPECT_EQ(HAVRO(SetVirtualVolume)(50, &status), 50);
    EXPECT_EQ(HAVRO(GetVirtualVolume)(&status), 50);
    HAVRO(CloseSoundCard)();
    EXPECT_EQ(scenario.Controls(), captured) << "not every control was put back";
    HAVRO(CloseVirtual_1)();
    dump("closed");
    EXPECT_EQ(scenario.Held(L"closed"), "");
    FreeLibrary(g_dll);
    dump("unloaded");
    EXPECT_EQ(scenario.Held(L"unloaded"), "");
}

INSTANTIATE_TEST_SUITE_P(Descriptions, TopologyTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Names cross the library's boundary in the system's ANSI code page (1252 in the prefix).
TEST(SystemCodePage, NamesAreConvertedBothWays) {
    havro::coreaudio::CoreAudioSystem system;
    EXPECT_EQ(system.ToAnsi(u"Kopfh\u00f6rer \u4e2d"), "Kopfh\xf6rer ?");
    EXPECT_EQ(system.FromAnsi("Kopfh\xf6rer \xc3\xa9"), u"Kopfh\u00f6rer \u00c3\u00a9");
}

// ---- The program -------------------------------------------------------------------------

namespace sv = win::soundvistaid;
namespace id = win::mainid;

void Press(HWND window, int control) {  // posted: the tone dialog is modal
    PostMessageW(window, WM_COMMAND, control,
                 reinterpret_cast<LPARAM>(GetDlgItem(window, control)));
}

struct ProgramTopology : ::testing::Test {
    void TearDown() override {
        if (program && !program->ended()) program->exitThroughTray();
        wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
    }
    std::unique_ptr<wintest::Tonekeep> program;
};

TEST_F(ProgramTopology, LevelsDriveTheDescribedControlsAndFollowEndpointsThatComeAndGo) {
    Scenario scenario("program", kCodec);
    wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
    program = std::make_unique<wintest::Tonekeep>(wintest::unixToWine(TK_BIN_DIR));
    ASSERT_TRUE(program->waitStarted());
    auto box = [&](int control, UINT message, WPARAM w = 0, LPARAM l = 0) {
        return static_cast<int>(SendMessageW(program->control(control), message, w, l));
    };
    for (const auto& [control, name] : {std::pair{id::kCmbSpeakers, L"Speakers"},
                                        {id::kCmbMic, L"Microphone"},
                                        {id::kCmbLineIn, L"Line In"}}) {
        const int position = box(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(name));
        ASSERT_GE(position, 0) << "no endpoint " << wintest::narrowText(name);
        program->pick(control, position);
    }
    EXPECT_GE(box(id::kCmbSpeakers, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"Kopfh\u00f6rer")), 0)
        << "a name outside ASCII is not shown as itself";
    ASSERT_TRUE(program->settle());

    program->press(id::kCmdSetup);
    HWND dialog = program->shown(win::kSoundVistaWindowClass);
    ASSERT_NE(dialog, nullptr) << "the level dialog did not open";
    // A slider dragged to `position`, or a box clicked (-1), moves `control` to `db`, and
    // only that control.
    auto move = [&](HWND window, int id, int position, const char* control,
                    const std::vector<double>& db) {
        const Values before = scenario.Controls();
        if (position < 0) wintest::clickButton(window, id);
        if (position >= 0) wintest::dragSlider(window, id, position);
        scenario.ExpectMoved(before, control, db);
    };
    move(dialog, sv::kSldLinePlay, 50, "vol1.volume", {5.9794, 5.9794});
    move(dialog, sv::kChkBoost, -1, "boost.loudness", {0});
    move(dialog, sv::kChkNoMon, -1, "nomon.agc", {1});

    // Tone: modal to the whole program (the main window, the level dialog and the tray icon's
    // window wait). TK_VISTA_HOLD_MS keeps it on screen.
    Press(dialog, sv::kCmdTone);
    HWND tone = program->shown(win::kToneWindowClass);
    ASSERT_NE(tone, nullptr) << "the tone dialog did not open";
    const HWND others[] = {program->main(), dialog, program->trayWindow()};
    auto othersEnabled = [&](bool enabled) {
        return std::all_of(std::begin(others), std::end(others),
                           [&](HWND h) { return (IsWindowEnabled(h) != FALSE) == enabled; });
    };
    EXPECT_TRUE(wintest::waitFor([&] { return othersEnabled(false); }));
    if (const char* ms = std::getenv("TK_VISTA_HOLD_MS")) Sleep(std::atoi(ms));
    move(tone, win::toneid::kSldTreble, 3, "tone.treble", {3, 3});
    Press(tone, win::toneid::kCmdClose);
    ASSERT_TRUE(wintest::waitFor([&] { return !IsWindow(tone) && othersEnabled(true); }));
    wintest::clickButton(dialog, sv::kCommand1);
    EXPECT_TRUE(wintest::waitFor([&] { return !IsWindow(dialog); }));

    // Endpoints come and go, told by the stand-in from a thread of its own: a capture endpoint
    // unplugged leaves both input boxes, and the selected playback endpoint removed shows in
    // the tray tip until it is back.
    const int inputs = box(id::kCmbMic, CB_GETCOUNT);
    const std::wstring gone = L"Speakers is no longer connected";
    for (const auto& [command, count, tip] : {std::tuple{"hide Line In", inputs - 1, false},
                                              {"show Line In", inputs, false},
                                              {"remove Speakers", inputs, true},
                                              {"add Speakers", inputs, false}}) {
        ASSERT_TRUE(scenario.Change(program->pid(), command)) << command;
        ASSERT_TRUE(program->settle());
        EXPECT_EQ(box(id::kCmbLineIn, CB_GETCOUNT), count) << command;
        EXPECT_EQ(box(id::kCmbMic, CB_GETCOUNT), count) << command;
        EXPECT_EQ(program->trayTip().find(gone) != std::wstring::npos, tip) << command;
    }

    // At the end nothing is left referenced and the client is unregistered.
    ASSERT_TRUE(program->exitThroughTray());
    EXPECT_EQ(scenario.Held(L"unload"), "") << "objects Tonekeep still referenced at its end";
    EXPECT_EQ(scenario.Lines("unregister").size(), 1u) << "the client left registered";
}

}  // namespace
}  // namespace tk::topology
