// HavroVista.dll, loaded as the program loads it, on scripted device topologies: the
// stand-in enumerator (standin.cpp) passes Wine's endpoints through and gives them the
// topology of a description. Each row is modelled on a kind of real hardware; the library
// must find exactly the described controls, report their values and statuses, move
// the described control on every Set, put every control back exactly on close, and leave
// nothing referenced.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

#include "havro_vista.h"
#include "topology_support.h"

namespace tk::topology {
namespace {

// ---- Expectations -------------------------------------------------------------------------------

struct Get {
    const char* exportName;
    int status;
    double value;  // NAN: any value (Wine's endpoint volumes)
};

struct Set {
    const char* exportName;
    double argument;
    int result;
    int status;
    const char* control;     // "part.kind" moved by the call, or "" for none
    std::vector<double> db;  // its channels afterwards
};

// OpenSoundCard on the endpoints of these names ("" none), and its result.
struct Open {
    const char* play;
    const char* mic;
    const char* line;
    int result;
};

// GetEQRange's result and range.
struct Eq {
    int result;
    double min, max, step;
};

struct Row {
    const char* name;
    std::string description;
    Open open;
    std::vector<Get> gets;
    std::vector<Set> sets;
    Eq eq;
    int virtualResult;  // OpenVirtual_1 on Headphones
};

const double kAny = NAN;

// The codec's capture: "Mic" -> "Microphone Boost" (part boost, offering `boostControl`),
// and "Line In" whose second part downstream (nomon) offers automatic gain control, the
// no-monitor switch.
std::string CodecCapture(const std::string& boostControl) {
    return R"(
endpoint Microphone|Line In
connector adcout "Capture"
part mux "Input Select"
connector mic "Mic"
part boost "Microphone Boost" )" +
           boostControl + R"(
part micrec "Mic Capture Volume" volume=-17.25:30:0.75:10,10
connector line "Line In"
part linerec "Line Capture Volume" volume=-17.25:30:0.75:0,0
part nomon "Line Monitor" agc=0
link mic boost micrec mux adcout
link line linerec nomon mux
start adcout
)";
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    // (a) On-board codec.
    rows.push_back({"a_codec",
                    CodecPlayback("Line In", "Microphone") + CodecCapture("agc=1"),
                    {"Speakers", "Microphone", "Line In", 0},
                    {{"MasterVolume", 0, kAny},
                     {"MasterMute", 0, kAny},
                     {"LinePlayBack", 0, 12},  // -6 dB of +12: 100 * 10^(-18/20)
                     {"MicPlayBack", 0, 25},   // 0 dB of +12
                     {"LinePlayBackMute", 0, 0},
                     {"MicPlayBackMute", 0, 1},
                     {"MicBoost", 0, 1},
                     {"NoMonitor", 0, 0},
                     {"Bass", 0, 3},
                     {"MidRange", 1, 0},
                     {"Treble", 0, -2},
                     {"MicRecordVolume", 0, kAny},
                     {"LineRecordVolume", 0, kAny}},
                    {{"LinePlayBack", 50, 50, 0, "vol1.volume", {5.9794, 5.9794}},
                     {"LinePlayBack", 0, 0, 0, "vol1.volume", {-34.5, -34.5}},
                     {"MicPlayBack", 10, 10, 0, "vol2.volume", {-8, -8}},
                     {"LinePlayBackMute", -1, 0, 0, "mute1.mute", {1}},
                     {"MicPlayBackMute", 0, 0, 0, "mute2.mute", {0}},
                     {"MicBoost", 0, 0, 0, "boost.agc", {0}},
                     {"NoMonitor", -1, 0, 0, "nomon.agc", {1}},
                     {"Bass", -4.5, 0, 0, "tone.bass", {-4.5, -4.5}},
                     {"Treble", 6, 0, 0, "tone.treble", {6, 6}},
                     {"MidRange", 1, 1, 1, "", {}},
                     // above the maximum: refused
                     {"LinePlayBack", 200, 0, 2, "", {}}},
                    {0, -12, 12, 1},
                    0});
    // (b) The same codec whose boost offers loudness only.
    rows.push_back({"b_loudness_boost",
                    CodecPlayback("Line In", "Microphone") + CodecCapture("loudness=1"),
                    {"", "Microphone", "", 0},
                    {{"MicBoost", 0, 1}, {"LinePlayBack", 1, 0}},
                    {{"MicBoost", 0, 0, 0, "boost.loudness", {0}}},
                    {1, 0, 0, 0},
                    0});
    // (c) USB headset: one volume stage and no mixing point, so the playback walk fails;
    // capture with its endpoint volume only; no line in. The endpoint volumes still work.
    rows.push_back({"c_usb_headset",
                    R"(
endpoint Speakers
connector out "Speakers"
part vol "Volume" volume=-45:0:1:-5 mute=0
connector usb "USB Streaming"
link usb vol out
start out
endpoint Microphone
connector out "Capture"
connector jack "Microphone"
part vol "Volume" volume=-20:20:1:0
link jack vol out
start out
)",
                    {"Speakers", "Microphone", "", 1},
                    {{"MasterVolume", 0, kAny},
                     {"LinePlayBack", 1, 0},
                     {"MicPlayBackMute", 1, 0},
                     {"MicBoost", 1, 0},
                     {"Bass", 1, 0},
                     {"MicRecordVolume", 0, kAny}},
                    {{"Bass", 2, 1, 1, "", {}}},
                    {1, 0, 0, 0},
                    1});
    // (d) Two microphone connectors that both reach a boost: the second one's is kept.
    rows.push_back({"d_two_mics",
                    R"(
endpoint Microphone|Line In
connector out "Capture"
part mux "Mux"
connector front "Front Mic"
part frontboost "Front Mic Boost" agc=0
connector rear "Rear Mic"
part rearboost "Rear +20dB" agc=1
link front frontboost mux out
link rear rearboost mux
start out
)",
                    {"", "Microphone", "", 0},
                    {{"MicBoost", 0, 1}},
                    {{"MicBoost", 0, 0, 0, "rearboost.agc", {0}}},
                    {1, 0, 0, 0},
                    1});
    // (e) Jacks named by colour in other letter cases, microphone first.
    rows.push_back({"e_colour_jacks",
                    CodecPlayback("pInK Jack", "GREEN jack") + CodecCapture("agc=1"),
                    {"Speakers", "", "", 0},
                    {{"MicPlayBack", 0, 12}, {"LinePlayBack", 0, 25}, {"MicPlayBackMute", 0, 0}},
                    {{"LinePlayBack", 100, 100, 0, "vol2.volume", {12, 12}},
                     {"MicPlayBack", 100, 100, 0, "vol1.volume", {12, 12}}},
                    {0, -12, 12, 1},
                    0});
    // (f) Malformed: a cycle on both sides, and a chain longer than the walk's bound
    // before a good mixing point. The walks end, and fail.
    rows.push_back({"f_cycle",
                    R"(
endpoint Speakers
connector out "Speakers"
part a "Stage A" bass=-12:12:1:1
part b "Stage B"
link a out
link b a
link a b
start out
endpoint Microphone
connector out "Capture"
connector mic "Mic"
part x "X"
part y "Y"
link mic x y
link y x
start out
)",
                    {"Speakers", "Microphone", "", 2},
                    {{"Bass", 0, 1}, {"MasterVolume", 0, kAny}, {"MicBoost", 1, 0}},
                    {},
                    {0, -12, 12, 1},
                    1});
    rows.push_back({"f_long_chain",
                    R"(
endpoint Speakers
connector out "Speakers"
chain c 10002 "Stage"
part sum "Sum"
connector line "Line"
part linevol "Line Volume" volume=-30:0:1:0
part linemute "Line Mute" mute=0
link line linevol linemute sum
connector mic "Mic"
part micvol "Mic Volume" volume=-30:0:1:0
part micmute "Mic Mute" mute=0
link mic micvol micmute sum
link sum c1
link c10002 out
start out
)",
                    {"Speakers", "", "", 1},
                    {{"LinePlayBack", 1, 0}},
                    {},
                    {1, 0, 0, 0},
                    1});
    // (g) Failures the system can answer: no topology for the capture endpoints,
    // GetConnectedTo failing on playback.
    rows.push_back({"g_walk_failures",
                    CodecPlayback("Line In", "Microphone") + CodecCapture("agc=1") + R"(
endpoint Speakers|Headphones
fail endpoint.GetConnectedTo 0x80004005
endpoint Microphone|Line In
fail endpoint.ActivateTopology 0x80070005
)",
                    {"Speakers", "Microphone", "Line In", 4},
                    {{"MasterVolume", 0, kAny},
                     {"LinePlayBack", 1, 0},
                     {"MicRecordVolume", 0, kAny},
                     {"MicBoost", 1, 0}},
                    {},
                    {1, 0, 0, 0},
                    0});
    // ... and controls that fail: a bass of 0 channels, a treble and a line volume that do
    // not implement their per-channel calls, a microphone level whose driver answers
    // "invalid function" although it took the value.
    rows.push_back({"g_control_failures",
                    R"(
endpoint Speakers
connector out "Speakers"
part bass "Bass" bass=-12:12:1:
part treble "Treble" treble=-12:12:1:2
part sum "Sum"
connector line "Line In"
part linevol "Line Volume" volume=-30:0:1:-20
part linemute "Line Mute" mute=0
connector mic "Mic"
part micvol "Mic Volume" volume=-30:0:1:-20
part micmute "Mic Mute" mute=0
link line linevol linemute sum
link mic micvol micmute sum
link sum treble bass out
start out
fail treble.SetLevel 0x80004001
fail linemute.SetMute 0x80004001
fail micvol.SetLevel 0x80070001
)",
                    {"Speakers", "", "", 0},
                    {{"Bass", 2, 0}, {"Treble", 0, 2}, {"LinePlayBack", 0, 10}},
                    {{"Bass", 1, 1, 2, "", {}},
                     {"Treble", 1, 1, 2, "", {}},
                     {"LinePlayBackMute", -1, 0, 2, "", {}},
                     {"MicPlayBack", 50, 50, 0, "", {}}},
                    {2, 0, 0, 0},
                    1});
    return rows;
}

// ---- The exports by name ----------------------------------------------------------------------

using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>;

template <class F>
F Export(const Library& dll, const std::string& name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll.get(), name.c_str())));
}

// A Get export's value (percent, flag or dB) and status.
double Read(const Library& dll, const std::string& name, int32_t* status) {
    if (name != "Bass" && name != "MidRange" && name != "Treble") {
        return Export<int32_t(HAVRO_API*)(int32_t*)>(dll, "Get" + name)(status);
    }
    double db = -1;
    Export<int32_t(HAVRO_API*)(double*, int32_t*)>(dll, "Get" + name)(&db, status);
    return db;
}

int32_t Write(const Library& dll, const std::string& name, double value, int32_t* status) {
    if (name == "Bass" || name == "MidRange" || name == "Treble") {
        return Export<int32_t(HAVRO_API*)(double, int32_t*)>(dll, "Set" + name)(value, status);
    }
    return Export<int32_t(HAVRO_API*)(int32_t, int32_t*)>(dll, "Set" + name)(
        static_cast<int32_t>(value), status);
}

// The id of the endpoint named `name` as the library lists it; "" for no name, and the
// names listed when there is no such endpoint.
std::string Id(const Library& dll, const char* name, bool playback) {
    if (*name == '\0') return "";
    auto item = Export<int32_t(HAVRO_API*)(int32_t, char*, char*)>(
        dll, playback ? "GetPlayBackDevice" : "GetRecordDevice");
    std::string seen = "? listed:";
    for (int32_t i = 0; i < 16; ++i) {
        char n[256] = {}, id[256] = {};
        if (item(i, n, id) != 0) break;
        if (std::string(n) == name) return id;
        seen += std::string(" \"") + n + "\"";
    }
    return seen;
}

class TopologyTest : public ::testing::TestWithParam<Row> {};

TEST_P(TopologyTest, FindsDrivesAndRestoresTheDescribedControls) {
    const Row& row = GetParam();
    Scenario scenario(row.name, row.description);
    Library dll(LoadLibraryExW((BinFolder() + L"HavroVista.dll").c_str(), nullptr,
                               LOAD_WITH_ALTERED_SEARCH_PATH),
                &FreeLibrary);
    ASSERT_NE(dll, nullptr);
    const std::string play = Id(dll, row.open.play, true);
    ASSERT_NE(GetModuleHandleW(L"tk_topology_standin.dll"), nullptr)
        << "the library did not get the stand-in enumerator";
    const std::string mic = Id(dll, row.open.mic, false);
    const std::string line = Id(dll, row.open.line, false);
    for (const std::string& id : {play, mic, line}) ASSERT_NE(id.rfind("?", 0), 0u) << id;
    const auto open = Export<havro::PFN_OpenSoundCard>(dll, "OpenSoundCard");
    EXPECT_EQ(open(play.c_str(), mic.c_str(), line.c_str()), row.open.result);
    const Values captured = scenario.Controls();

    for (const auto& g : row.gets) {
        SCOPED_TRACE(std::string("Get") + g.exportName);
        int32_t status = -1;
        const double value = Read(dll, g.exportName, &status);
        EXPECT_EQ(status, g.status);
        EXPECT_TRUE(std::isnan(g.value) || value == g.value) << value << " for " << g.value;
    }
    double mn = -1, mx = -1, st = -1;
    EXPECT_EQ(Export<havro::PFN_GetEQRange>(dll, "GetEQRange")(&mn, &mx, &st), row.eq.result);
    EXPECT_EQ(std::vector<double>({mn, mx, st}),
              std::vector<double>({row.eq.min, row.eq.max, row.eq.step}));

    for (const auto& s : row.sets) {
        SCOPED_TRACE(std::string("Set") + s.exportName + " " + std::to_string(s.argument));
        const Values before = scenario.Controls();
        int32_t status = -1;
        EXPECT_EQ(Write(dll, s.exportName, s.argument, &status), s.result);
        EXPECT_EQ(status, s.status);
        scenario.ExpectMoved(before, s.control, s.db);
    }

    // The second playback endpoint: its own volume, apart from the set.
    const std::string headphones = Id(dll, "Headphones", true);
    ASSERT_NE(headphones.rfind("?", 0), 0u) << headphones;
    EXPECT_EQ(Export<havro::PFN_OpenVirtual_1>(dll, "OpenVirtual_1")(headphones.c_str()),
              row.virtualResult);
    int32_t status = -1;
    EXPECT_EQ(Export<havro::PFN_SetVirtualVolume>(dll, "SetVirtualVolume")(50, &status), 50);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Export<havro::PFN_GetVirtualVolume>(dll, "GetVirtualVolume")(&status), 50);

    Export<havro::PFN_CloseSoundCard>(dll, "CloseSoundCard")();
    EXPECT_EQ(scenario.Controls(), captured) << "not every control was put back";
    Export<havro::PFN_CloseVirtual_1>(dll, "CloseVirtual_1")();
    EXPECT_EQ(scenario.Held("closed"), "");
    dll.reset();
    EXPECT_EQ(scenario.Held("unloaded"), "");
}

const auto* const kRegistration = ::testing::AddGlobalTestEnvironment(new StandinRegistration);

INSTANTIATE_TEST_SUITE_P(Descriptions, TopologyTest, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tk::topology
