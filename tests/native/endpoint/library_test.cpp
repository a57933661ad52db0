// The library core over the in-memory Core Audio, then the level math and the tick count.
#include <gtest/gtest.h>

#include <cmath>

#include "core/level_math.h"
#include "core/library.h"
#include "core/tick_widener.h"
#include "test_support/fake_audio_system.h"

namespace havro {
namespace {

using namespace fake;
using L = Library;
using Set = int32_t (Library::*)(int32_t, int32_t*);
using Get = int32_t (Library::*)(int32_t*);
using Strings = std::vector<std::string>;

// clang-format off
// Endpoints shaped like an HD-audio codec's, levels off balance where it matters. The speaker's
// chain: two tone stages (a bass on each), "Sum" with the inputs "Line Out" (no level: passed
// over), the line known by its jack's colour only, and the microphone.
const FakeAudioSystem::Rig kPlayback = {
    {{"Sum", "Tone 2", "Tone 1", "Speaker"}, {"Line Out", "Aux", "Sum"},
     {"Rear Green", "Volume 1", "Mute 1", "Sum"}, {"Microphone", "Volume 2", "Mute 2", "Sum"}},
    {"Speaker"},
    {{"Tone 1", kBass, {-12, 12, {2.5f, -1}}}, {"Tone 2", kBass, {-12, 12, {7, 7}}},
     {"Tone 2", kMidrange, {-10, 10, {1, 1}}}, {"Tone 2", kTreble, {-6, 6, {-1.5f, -1.5f}}},
     {"Volume 1", kVolume, {-34.5f, 12, {-6, -7.5f}}}, {"Mute 1", kMute, {0, 0, {}}},
     {"Volume 2", kVolume, {-34.5f, 12, {0, 0}}}, {"Mute 2", kMute, {0, 0, {}}}},
    {-96, 0, {-20, -20}}};
// The boost is known by its "+2" only ("Gain" is no boost name); the no-monitor switch sits
// on the line's second part.
const FakeAudioSystem::Rig kCapture = {
    {{"Mic In", "Gain", "+20 dB", "Capture Mux", "ADC"}, {"Line In", "Line Capture Volume", "Line Monitor"}},
    {"ADC", "Mic In", "Line In"},
    {{"Gain", kAgc, {0, 0, {}, true}}, {"+20 dB", kAgc, {0, 0, {}}}, {"Line Monitor", kAgc, {0, 0, {}}}},
    {-12, 30, {20, 20}}};

// Every percent and flag export.
const std::pair<Set, Get> kExports[] = {
    {&L::SetMasterVolume, &L::GetMasterVolume}, {&L::SetLinePlayBack, &L::GetLinePlayBack},
    {&L::SetMicPlayBack, &L::GetMicPlayBack}, {&L::SetMicRecordVolume, &L::GetMicRecordVolume},
    {&L::SetLineRecordVolume, &L::GetLineRecordVolume}, {&L::SetMasterMute, &L::GetMasterMute},
    {&L::SetLinePlayBackMute, &L::GetLinePlayBackMute}, {&L::SetMicBoost, &L::GetMicBoost},
    {&L::SetMicPlayBackMute, &L::GetMicPlayBackMute}, {&L::SetNoMonitor, &L::GetNoMonitor}};
// clang-format on

// A playback, a microphone and a line-in endpoint; COM must be balanced after every export.
struct Endpoints {
    ~Endpoints() { EXPECT_EQ(sys.initDepth, 0) << "CoInitialize left unbalanced"; }
    Strings Names() {  // as GetDeviceNames gives them
        char n[3][256] = {"untouched", "untouched", "untouched"};
        lib.GetDeviceNames(n[0], n[1], n[2]);
        return {n[0], n[1], n[2]};
    }
    FakeAudioSystem sys;
    Library lib{sys};
    FakePart &play = sys.Build(Flow::kRender, u"AAAA-1111", u"Speakers", kPlayback),
             &mic = sys.Build(Flow::kCapture, u"CCCC-3333", u"Microphone", kCapture),
             &line = sys.Build(Flow::kCapture, u"DDDD-4444", u"Line In", kCapture);
    FakeControl& master = *play.volume;
    int32_t status = -1;
};
struct Core : ::testing::Test, Endpoints {};

// Endpoints by index, names in the ANSI code page cut to 254 bytes, never inside a double-byte
// character; past the end the record list answers its count; a failed count answers 1. A
// failed COM initialise (another apartment model) is not paired with an uninitialise.
TEST_F(Core, ListsActiveEndpoints) {
    char name[256], id[256];
    EXPECT_EQ(lib.GetPlayBackDevice(0, name, id), 0);
    EXPECT_EQ(std::string(name) + id, "Speakers{0.0.0.00000000}.{AAAA-1111}");
    EXPECT_EQ(lib.GetRecordDevice(2, name, id), 2);
    EXPECT_EQ(lib.GetRecordDevice(-1, name, id), -1);
    for (const auto& [longName, bytes] : {std::pair{std::u16string(300, u'n'), size_t{254}},
                                          {u"a" + std::u16string(200, u'\u4e2d'), 253}}) {
        play.name = longName;
        std::fill_n(name, sizeof name, 'X');
        ASSERT_EQ(lib.GetPlayBackDevice(0, name, id), 0);
        EXPECT_EQ(std::string(name).size(), bytes);
        EXPECT_EQ(name[255], 'X');  // nothing written past the terminator
    }
    sys.Fail("Initialize", static_cast<HResult>(0x80010106u));
    int32_t count = -5;
    EXPECT_EQ(lib.GetNumberRecordDevices(&count), 0);
    sys.Fail("EnumActiveEndpoints");
    EXPECT_EQ(lib.GetNumberRecordDevices(&count), 1);
    EXPECT_EQ(count, 2);
}

// OpenSoundCard answers the exclusive or of 1 (playback), 3 (microphone) and 6 (line-in) for
// each endpoint that fails to open; ids match in any letter case, as a part of the id.
// OpenDefaultDevices opens the default capture endpoint as microphone or line-in by its own
// name (a microphone makes it forget the stored line-in); without a default, no name.
TEST_F(Core, OpensEndpointSets) {
    const std::tuple<const char*, const char*, const char*, int32_t> rows[] = {
        {"aaaa", "CCCC", "DDDD", 0}, {"nope", "CCCC", "DDDD", 1}, {"AAAA", "nope", "DDDD", 3},
        {"AAAA", "CCCC", "nope", 6}, {"AAAA", "nope", "nope", 5}, {"nope", "nope", "nope", 4}};
    for (auto [p, m, l, result] : rows)
        EXPECT_EQ(lib.OpenSoundCard(p, m, l), result) << p << m << l;
    const std::tuple<bool, const char*, Strings> defaults[] = {
        {true, "CCCC", {"Speakers", "untouched", "Microphone"}},
        {true, "DDDD", {"Speakers", "Line In", "untouched"}},
        {false, "CCCC", {"untouched", "untouched", "Microphone"}}};
    for (const auto& [render, capture, names] : defaults) {
        Endpoints e;
        std::swap(e.sys.devices[1], e.sys.devices[2]);  // the default capture endpoint not first
        e.sys.defaults[0] = render ? e.play.id : u"";
        e.sys.defaults[1] = (*capture == 'C' ? e.mic : e.line).id;
        ASSERT_EQ(e.lib.OpenSoundCard("", "", "DDDD"), 0);
        EXPECT_EQ(e.lib.OpenDefaultDevices(), 0) << capture;
        EXPECT_EQ(e.Names(), names) << capture;
    }
}

// One method failing on every object but the master volume: the open neither crashes nor
// leaves COM initialised, and the close completes and puts the master volume back.
TEST(Walks, AnyFailingCallIsSurvived) {
    for (const char* method :
         {"GetName",         "EnumPartsIncoming", "EnumPartsOutgoing", "GetTopologyObject",
          "GetPart",         "ActivateLevel",     "ActivateMute",      "ActivateSwitch",
          "GetLevel",        "GetMute",           "GetEnabled",        "GetLevelRange",
          "GetChannelCount", "GetConnectorCount", "GetConnector",      "GetConnectedTo",
          "QueryPart",       "ActivateTopology",  "SetLevel",          "SetMute",
          "SetEnabled"}) {
        Endpoints e;
        Faults::everywhere = method;
        e.master.Fail(method, kSOk);
        e.lib.OpenSoundCard("AAAA", "CCCC", "DDDD");
        e.lib.SetMasterVolume(100, &e.status);
        EXPECT_EQ(e.lib.CloseSoundCard(), 0);
        EXPECT_EQ(e.master.db, Levels(2, -20)) << method;
    }
    Faults::everywhere.clear();
}

// Without an open set, before the first open and after a close, every export answers status
// 3 (tested before 1, a missing control). A close puts back exactly the dB values (each
// channel its own) and flags read at open, and only those: a value goes with its control, so
// a microphone reopened when its level cannot be read gets nothing of the first reading.
TEST_F(Core, CloseRestoresWhatWasRead) {
    std::vector<std::pair<Levels, bool>> before;
    for (const auto& c : sys.controls) before.emplace_back(c->db, c->on);
    for (int round = 0; round < 2; ++round) {
        for (auto [set, get] : kExports) {
            (lib.*set)(3, &status);
            EXPECT_EQ(std::exchange(status, -1), 3);
            (lib.*get)(&status);
            EXPECT_EQ(std::exchange(status, -1), 3);
        }
        ASSERT_EQ(lib.OpenSoundCard("AAAA", "CCCC", "DDDD"), 0);
        for (auto [set, get] : kExports) (lib.*set)(3, &status);
        lib.SetBass(-9, &status);
        lib.SetTreble(9, &status);
        EXPECT_EQ(lib.CloseSoundCard(), 0);
        std::vector<std::pair<Levels, bool>> after;
        for (const auto& c : sys.controls) after.emplace_back(c->db, c->on);
        EXPECT_EQ(after, before);
    }
    lib.OpenSoundCard("", "CCCC", "");
    mic.volume->Fail("GetMasterVolumeLevel");
    lib.OpenSoundCard("", "CCCC", "");
    lib.SetMicRecordVolume(100, &status);
    lib.CloseSoundCard();
    EXPECT_EQ(mic.volume->db, Levels(2, 30));
}

// Percent levels go to every channel and come from channel 0. Tone: the first bass up the
// chain is the one used, read at channel 0; a value without a float form is refused; the
// range is the bass's, which comes before the treble's.
TEST_F(Core, LevelsAndTone) {
    ASSERT_EQ(lib.OpenSoundCard("AAAA", "CCCC", "DDDD"), 0);
    EXPECT_EQ(lib.SetMasterVolume(100, &status), 100);
    EXPECT_EQ(master.db, Levels(2, 0));
    master.db = {-40, -6};
    EXPECT_EQ(lib.GetMasterVolume(&status), 1);
    EXPECT_EQ(lib.GetLinePlayBack(&status), 12);  // -6 dB of +12: truncated from 12.6
    // The recording volumes go through the master level; the line-in's 0 is 40 dB below its
    // maximum, the microphone's the range minimum.
    lib.SetLineRecordVolume(0, &status);
    lib.SetMicRecordVolume(0, &status);
    EXPECT_EQ(std::pair(line.volume->db[1], mic.volume->db[1]), std::pair(30.f - 40, -12.f));
    double db = 0;
    EXPECT_EQ(lib.GetBass(&db, &status), 0);
    EXPECT_EQ(db, 2.5);
    EXPECT_EQ(lib.SetBass(1e300, &status), 1);
    EXPECT_EQ(status, 2);
    double range[3];
    EXPECT_EQ(lib.GetEQRange(&range[0], &range[1], &range[2]), 0);
    EXPECT_EQ(std::vector<double>(range, range + 3), (std::vector<double>{-12, 12, 1.5}));
    master.db.clear();  // no channels: nothing is set
    EXPECT_EQ(lib.SetMasterVolume(40, &status), 40);
    EXPECT_EQ(status, 2);
}

// Each row gives one method an answer on a fresh open set, calls a Set and a Get export (either
// may be missing); the last gives the result and status. The master mute takes 8 bits only.
TEST(LevelAnswers, FailuresQuirksAndFlags) {
    const std::tuple<const char*, const char*, HResult, Set, Get, int32_t, int32_t, int32_t>
        rows[] = {
            {"", "SetChannelVolumeLevel", kEFail, &L::SetMasterVolume, nullptr, 60, 60, 2},
            {"", "SetChannelVolumeLevel", kENotImpl, &L::SetMasterVolume, nullptr, 60, 60, 0},
            {"", "SetMute", kEInvalidArg, &L::SetMasterMute, nullptr, 0, 0, kEInvalidArg},
            {"Volume 2", "SetLevel", kEInvalidFunction, &L::SetMicPlayBack, nullptr, 60, 60, 0},
            {"Mute 2", "SetMute", kEInvalidFunction, &L::SetMicPlayBackMute, nullptr, 1, 0, 0},
            {"Volume 1", "SetLevel", kEInvalidFunction, &L::SetLinePlayBack, nullptr, 60, 0, 2},
            {"Mute 2", "ActivateMute", kENoInterface, &L::SetMicPlayBackMute, nullptr, 1, 0, 1},
            {"", "", 0, &L::SetMasterMute, &L::GetMasterMute, -1, 1, 0},
            {"", "", 0, &L::SetMasterMute, &L::GetMasterMute, 256, 0, 0},
            {"", "", 0, &L::SetLinePlayBackMute, &L::GetLinePlayBackMute, 256, 1, 0},
            {"", "", 0, &L::SetMicBoost, &L::GetMicBoost, 7, 1, 0},
            {"", "", 0, &L::SetNoMonitor, &L::GetNoMonitor, 5, 1, 0}};
    for (auto [control, method, code, set, get, argument, result, status] : rows) {
        Endpoints e;
        // The master volume for "", else the playback part's control, or the part itself for
        // its Activate methods.
        FakePart* part = *control ? e.play.parts.at(control) : nullptr;
        Faults* target = part ? part->controls.begin()->second.get() : &e.master;
        (*method == 'A' ? part : target)->Fail(method, code);
        ASSERT_EQ(e.lib.OpenSoundCard("AAAA", "CCCC", "DDDD"), 0);
        int32_t got = set ? (e.lib.*set)(argument, &e.status) : 0;
        if (get) got = (e.lib.*get)(&e.status);
        EXPECT_EQ(std::pair(got, e.status), std::pair(result, status)) << control << method;
    }
}

// Percent to dB: the log rule, unclamped but for 0 and less (the minimum); the read-back
// truncates (a set percent can read back one lower) and stays in range.
TEST(LevelMath, LogRuleAndTruncatingReadBack) {
    for (auto [percent, db] :
         {std::pair{50, -6.0206f}, {0, -20.f}, {-7, -20.f}, {200, 6.0206f}, {1, -40.f}})
        EXPECT_NEAR(PercentToDb(percent, -20, 0), db, 1e-4) << percent;
    for (auto [db, percent] :
         {std::pair{-1000.f, 0}, {1000.f, INT32_MAX}, {std::nanf(""), 0}, {6.0206f, 199}})
        EXPECT_EQ(DbToPercent(db, 0), percent) << db;
    EXPECT_EQ(DbToPercent(PercentToDb(20, -96, 0), 0), 19);
}

// The 32-bit tick count widened: a read before a newer count gives that one, a wrap counts
// on, and half the range decides between a stale read and a wrap.
TEST(TickWidener, CountsOnAcrossWrapsAndNeverGoesBack) {
    // clang-format off
    const std::pair<uint32_t, uint64_t> rows[] = {
        {5, 5}, {0x7FFFFFFF, 0x7FFFFFFF}, {0x7FFFFF00, 0x7FFFFFFF}, {0xFFFFFFF0, 0xFFFFFFF0},
        {0x10, 0x100000010}, {0x5, 0x100000010}, {0x80000011, 0x180000011}, {0x11, 0x200000011}};
    // clang-format on
    TickWidener widener;
    for (const auto& [now, expected] : rows) EXPECT_EQ(widener.widen(now), expected) << now;
}

}  // namespace
}  // namespace havro
