// The library core over the in-memory Core Audio: listing, opening and the walks, the level
// exports, the restore on close and the second playback endpoint; then the level math.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "core/level_math.h"
#include "core/tick_widener.h"
#include "coreaudio_ids.h"
#include "test_support/rig.h"

namespace havro {
namespace {

using namespace fake;
using L = Library;
using Set = int32_t (Library::*)(int32_t, int32_t*);
using Get = int32_t (Library::*)(int32_t*);
using Levels = std::vector<float>;

// Every percent and flag export.
// clang-format off
const std::pair<Set, Get> kExports[] = {
    {&L::SetMasterVolume, &L::GetMasterVolume}, {&L::SetLinePlayBack, &L::GetLinePlayBack},
    {&L::SetMicPlayBack, &L::GetMicPlayBack}, {&L::SetMicRecordVolume, &L::GetMicRecordVolume},
    {&L::SetLineRecordVolume, &L::GetLineRecordVolume}, {&L::SetMasterMute, &L::GetMasterMute},
    {&L::SetLinePlayBackMute, &L::GetLinePlayBackMute}, {&L::SetMicBoost, &L::GetMicBoost},
    {&L::SetMicPlayBackMute, &L::GetMicPlayBackMute}, {&L::SetNoMonitor, &L::GetNoMonitor}};
// clang-format on
constexpr char kUntouched[] = "untouched";

// Two playback and two capture endpoints; COM must be balanced after every export.
struct Endpoints {
    ~Endpoints() { EXPECT_EQ(sys.initDepth, 0) << "CoInitialize left unbalanced"; }
    // The names GetDeviceNames gives (kUntouched for none).
    std::vector<std::string> Names() {
        char n[3][256] = {"untouched", "untouched", "untouched"};
        lib.GetDeviceNames(n[0], n[1], n[2]);
        return {n[0], n[1], n[2]};
    }
    // Every control's levels and flag.
    std::vector<std::pair<Levels, bool>> Values() const {
        std::vector<std::pair<Levels, bool>> out;
        for (const auto& d : sys.devices) {
            out.emplace_back(d->volume->channelDb, d->volume->on);
            for (const auto& [name, part] : d->parts) {
                for (const auto& [slot, c] : part->controls) {
                    if (c) out.emplace_back(c->channelDb, c->on);
                }
            }
        }
        return out;
    }
    FakeAudioSystem sys;
    Library lib{sys};
    FakeDevice &play = Build(sys, Flow::kRender, u"AAAA-1111", u"Speakers", kPlayback),
               &phones = Build(sys, Flow::kRender, u"BBBB-2222", u"Headphones", kPlayback),
               &mic = Build(sys, Flow::kCapture, u"CCCC-3333", u"Microphone", kCapture),
               &line = Build(sys, Flow::kCapture, u"DDDD-4444", u"Line In", kCapture);
    FakeControl& master = *play.volume;
    int32_t status = -1;
};

struct Core : ::testing::Test, Endpoints {
    void Open() { ASSERT_EQ(lib.OpenSoundCard("AAAA", "CCCC", "DDDD"), 0); }
};

// Active endpoints by index, their names in the ANSI code page cut to 254 bytes, never
// inside a double-byte character; past its end the record list answers its count; failures
// answer -1 (1 for a count, left alone). A failed COM initialise (another apartment model)
// is not paired with an uninitialise and the work goes on.
TEST_F(Core, ListsActiveEndpoints) {
    char name[256], id[256];
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "Headphones");
    EXPECT_STREQ(id, "{0.0.0.00000000}.{BBBB-2222}");
    EXPECT_EQ(lib.GetPlayBackDevice(2, nullptr, nullptr), -1);
    EXPECT_EQ(lib.GetRecordDevice(3, name, id), 2);
    EXPECT_EQ(lib.GetRecordDevice(-1, name, id), -1);
    for (const auto& [longName, bytes] : {std::pair{std::u16string(300, u'n'), size_t{254}},
                                          {u"a" + std::u16string(200, u'\u4e2d'), 253}}) {
        phones.name = longName;
        std::memset(name, 'X', sizeof name);
        ASSERT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
        EXPECT_EQ(std::strlen(name), bytes);
        EXPECT_EQ(name[255], 'X');  // nothing written past the terminator
    }
    phones.Fail("GetFriendlyName");
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "");
    phones.Fail("GetId");
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), -1);
    phones.active = false;
    sys.Fail("Initialize", static_cast<HResult>(0x80010106u));
    int32_t count = -5;
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(count, 1);
    for (const char* method : {"EnumActiveEndpoints", "CreateEnumerator"}) {
        sys.Fail(method);
        EXPECT_EQ(lib.GetNumberRecordDevices(&count), 1);
        EXPECT_EQ(count, 1);
        EXPECT_EQ(lib.GetRecordDevice(0, name, id), -1);
    }
}

// The result is the exclusive or of 1 (playback), 3 (microphone) and 6 (line-in) for each
// endpoint that fails to open; a failed open keeps what was opened before. Ids match in any
// letter case, as a part of the id; an endpoint without an id is passed over.
TEST_F(Core, OpenSoundCardAnswersTheExclusiveOrOfFailures) {
    EXPECT_EQ(lib.OpenSoundCard(nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(lib.IsOpen());
    const std::tuple<const char*, const char*, const char*, int32_t> rows[] = {
        {"aaaa", "CCCC", "DDDD", 0}, {"nope", "CCCC", "DDDD", 1}, {"AAAA", "nope", "DDDD", 3},
        {"AAAA", "CCCC", "nope", 6}, {"AAAA", "nope", "nope", 5}, {"nope", "nope", "nope", 4}};
    for (auto [p, m, l, result] : rows)
        EXPECT_EQ(lib.OpenSoundCard(p, m, l), result) << p << m << l;
    EXPECT_EQ(Names()[0], "Speakers");
    play.Fail("GetId");
    EXPECT_EQ(lib.OpenSoundCard("{0.0.0.00000000}", "", ""), 0);
    EXPECT_EQ(Names()[0], "Headphones");
    lib.CloseSoundCard();
    EXPECT_EQ(Names(), std::vector<std::string>(3, kUntouched));  // gone with the close
}

// The default capture endpoint opens as microphone or line-in by its own name; a role
// without a default stores no name (the line-in opened before is forgotten too).
TEST(OpenDefaultDevices, OpensEachDefaultInItsRole) {
    const struct {
        bool lineInFirst, noRender;
        char capture;  // the default capture endpoint: 'm', 'l' or none
        int32_t result;
        std::vector<std::string> names;
    } rows[] = {
        {true, false, 'm', 0, {"Speakers", kUntouched, "Microphone"}},
        {false, false, 'l', 0, {"Speakers", "Line In", kUntouched}},
        {false, true, 'm', 0, {kUntouched, kUntouched, "Microphone"}},
        {false, false, 0, 1, {"Speakers", kUntouched, kUntouched}},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(std::string(1, c.capture) + (c.noRender ? " without render" : ""));
        Endpoints e;
        if (c.lineInFirst) std::swap(e.sys.devices[2], e.sys.devices[3]);  // default not first
        if (!c.noRender) e.sys.defaults[0] = e.play.id;
        if (c.capture != 0) e.sys.defaults[1] = (c.capture == 'm' ? e.mic : e.line).id;
        ASSERT_EQ(c.lineInFirst ? e.lib.OpenSoundCard("", "", "DDDD") : 0, 0);
        EXPECT_EQ(e.lib.OpenDefaultDevices(), c.result);
        EXPECT_EQ(e.Names(), c.names);
    }
}

// One method failing on every object but the endpoint volumes: the open neither crashes nor
// leaves COM initialised, the endpoint volumes are kept, and the close completes and puts
// them back.
TEST(Walks, AnyFailingCallIsSurvived) {
    for (const char* method :
         {"GetName",         "EnumPartsIncoming", "EnumPartsOutgoing", "GetTopologyObject",
          "GetPart",         "ActivateLevel",     "ActivateMute",      "ActivateSwitch",
          "GetLevel",        "GetMute",           "GetEnabled",        "GetLevelRange",
          "GetChannelCount", "GetConnectorCount", "GetConnector",      "GetConnectedTo",
          "QueryPart",       "ActivateTopology",  "SetLevel",          "SetMute",
          "SetEnabled"}) {
        SCOPED_TRACE(method);
        Endpoints e;
        Faults::everywhere = method;
        for (FakeControl* c : {&e.master, e.mic.volume.get()}) c->Fail(method, kSOk);
        e.lib.OpenSoundCard("AAAA", "CCCC", "DDDD");
        e.lib.SetMasterVolume(100, &e.status);
        EXPECT_EQ(e.status, 0);
        e.lib.SetMicRecordVolume(100, &e.status);
        EXPECT_EQ(e.status, 0);
        EXPECT_EQ(e.lib.CloseSoundCard(), 0);
        EXPECT_FALSE(e.lib.IsOpen());
        EXPECT_EQ(e.master.channelDb, Levels(2, -20));
        EXPECT_EQ(e.mic.volume->channelDb, Levels(2, 20));
        Faults::everywhere.clear();
    }
}

// Before an open every export answers status 3 (tested before 1, a missing control), and
// again after a close.
TEST_F(Core, EveryExportAnswersStatus3WithoutAnOpenSet) {
    for (int round = 0; round < 2; ++round) {
        for (auto [set, get] : kExports) {
            EXPECT_EQ((lib.*set)(50, &status), 0);
            EXPECT_EQ(std::exchange(status, -1), 3);
            EXPECT_EQ((lib.*get)(&status), 0);
            EXPECT_EQ(std::exchange(status, -1), 3);
        }
        std::vector<double> range(4, 1);
        EXPECT_EQ(lib.GetTreble(&range[3], &status), 1);
        EXPECT_EQ(status, 3);
        EXPECT_EQ(lib.GetEQRange(&range[0], &range[1], &range[2]), 3);
        EXPECT_EQ(range, std::vector<double>(4, 0));
        ASSERT_EQ(lib.OpenSoundCard("AAAA", "", ""), 0);
        lib.GetMicRecordVolume(&status);
        EXPECT_EQ(status, 1);
        lib.CloseSoundCard();
    }
}

TEST_F(Core, PercentLevelsGoToEveryChannelAndComeFromChannel0) {
    Open();
    EXPECT_EQ(lib.SetMasterVolume(100, &status), 100);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(master.channelDb, Levels(2, 0));
    master.channelDb = {-40, -6};
    EXPECT_EQ(lib.GetMasterVolume(&status), 1);
    EXPECT_EQ(lib.GetLinePlayBack(&status), 12);  // -6 dB of +12: truncated from 12.6
    // The recording volumes go through the master level; the line-in's 0 is 40 dB below its
    // maximum, the microphone's the range minimum.
    EXPECT_EQ(lib.SetLineRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(line.volume->channelDb[1], 30 - 40);
    EXPECT_EQ(lib.SetMicRecordVolume(0, &status), 0);
    EXPECT_FLOAT_EQ(mic.volume->channelDb[1], -12);
    EXPECT_EQ(lib.GetMicRecordVolume(&status), 0);
    master.channelDb.clear();  // no channels: nothing is set
    EXPECT_EQ(lib.SetMasterVolume(40, &status), 40);
    EXPECT_EQ(status, 2);
}

// Each row gives one control's method an answer (none for "") on a fresh open set; then a
// Set export with the argument and a Get export (either may be missing) are called, and the
// last must give this result and status. The master mute looks at the low 8 bits only.
TEST(LevelAnswers, FailuresQuirksAndFlags) {
    const struct {
        const char *control, *method;
        HResult code;
        Set set;
        Get get;
        int32_t argument, result, status;
    } rows[] = {
        {"master", "SetChannelVolumeLevel", kEFail, &L::SetMasterVolume, nullptr, 60, 60, 2},
        {"master", "GetChannelCount", kENotImpl, &L::SetMasterVolume, nullptr, 60, 60, 0},
        {"master", "SetChannelVolumeLevel", kENotImpl, &L::SetMasterVolume, nullptr, 60, 60, 0},
        {"master", "GetChannelVolumeLevel", kENotImpl, nullptr, &L::GetMasterVolume, 0, 10, 0},
        {"master", "SetMute", kSFalse, &L::SetMasterMute, nullptr, 0, 0, 0},
        {"master", "SetMute", kEInvalidArg, &L::SetMasterMute, nullptr, 0, 0, kEInvalidArg},
        {"mic record", "SetMasterVolumeLevel", kEFail, &L::SetMicRecordVolume, nullptr, 6, 6, 2},
        {"mic level", "GetLevel", kEFail, nullptr, &L::GetMicPlayBack, 0, 0, 2},  // still taken
        {"mic level", "SetLevel", kEInvalidFunction, &L::SetMicPlayBack, nullptr, 60, 60, 0},
        {"mic mute", "SetMute", kEInvalidFunction, &L::SetMicPlayBackMute, nullptr, 1, 0, 0},
        {"line level", "SetLevel", kEInvalidFunction, &L::SetLinePlayBack, nullptr, 60, 0, 2},
        {"line mute", "SetMute", kEInvalidFunction, &L::SetLinePlayBackMute, nullptr, 1, 0, 2},
        {"mic input", "ActivateMute", kENoInterface, &L::SetMicPlayBackMute, nullptr, 1, 0, 1},
        {"monitor", "GetEnabled", kEFail, nullptr, &L::GetNoMonitor, 0, 0, 2},
        {"", "", 0, &L::SetMasterMute, &L::GetMasterMute, -1, 1, 0},
        {"", "", 0, &L::SetMasterMute, &L::GetMasterMute, 256, 0, 0},
        {"", "", 0, &L::SetLinePlayBackMute, &L::GetLinePlayBackMute, 256, 1, 0},
        {"", "", 0, &L::SetMicPlayBackMute, &L::GetMicPlayBackMute, 2, 1, 0},
        {"", "", 0, &L::SetMicBoost, &L::GetMicBoost, 7, 1, 0},
        {"", "", 0, &L::SetNoMonitor, &L::GetNoMonitor, 5, 1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.control) + " " + row.method + " " +
                     std::to_string(row.argument));
        Endpoints e;
        const std::map<std::string, Faults*> controls = {
            {"master", &e.master},
            {"mic record", e.mic.volume.get()},
            {"mic level", &e.play.At("Volume 2", kVolume)},
            {"mic mute", &e.play.At("Mute 2", kMute)},
            {"line level", &e.play.At("Volume 1", kVolume)},
            {"line mute", &e.play.At("Mute 1", kMute)},
            {"mic input", &e.play["Mute 2"]},
            {"monitor", &e.line.At("Line Monitor", kAgc)},
            {"", &e.play["Speaker"]}};
        controls.at(row.control)->Fail(row.method, row.code);
        ASSERT_EQ(e.lib.OpenSoundCard("AAAA", "CCCC", "DDDD"), 0);
        int32_t result = row.set ? (e.lib.*row.set)(row.argument, &e.status) : 0;
        if (row.get) result = (e.lib.*row.get)(&e.status);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(e.status, row.status);
    }
}

// A close puts back exactly the dB values (each channel its own) and flags read at open.
TEST_F(Core, CloseRestoresEveryCapturedValue) {
    const auto before = Values();
    Open();
    for (auto [set, get] : kExports) (lib.*set)(3, &status);
    lib.SetBass(-9, &status);
    lib.SetTreble(9, &status);
    ASSERT_NE(Values(), before);
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_EQ(Values(), before);
}

// A value captured goes with its control: a microphone opened in place of another, whose
// level could not be read, gets nothing of the first one's on close.
TEST_F(Core, CloseRestoresOnlyValuesCapturedForTheSetNowOpen) {
    Open();
    FakeDevice& other = Build(sys, Flow::kCapture, u"X", u"USB Microphone", kCapture);
    other.volume->Fail("GetMasterVolumeLevel");
    ASSERT_EQ(lib.OpenSoundCard("", "{x}", ""), 0);
    lib.SetMicRecordVolume(100, &status);
    mic.volume->channelDb = master.channelDb = {7, 7};
    lib.CloseSoundCard();
    EXPECT_EQ(other.volume->channelDb, Levels(2, 30));
    EXPECT_EQ(mic.volume->channelDb, Levels(2, 7));
    EXPECT_EQ(master.channelDb, Levels(2, 7));
}

// Tone: the first bass up the chain is the one used, read at channel 0; values without a
// float form are refused; mid-range always answers 1; the range comes from the first tone
// control in bass, mid-range, treble order.
TEST_F(Core, ToneControls) {
    Open();
    double db = 0;
    EXPECT_EQ(lib.GetBass(&db, &status), 0);
    EXPECT_EQ(db, 2.5);
    EXPECT_EQ(lib.SetMidRange(3, &status), 1);
    EXPECT_EQ(lib.GetMidRange(&db, &status), 1);
    EXPECT_EQ(db, 3);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_EQ(lib.SetBass(bad, &status), 1);
        EXPECT_EQ(status, 2);
    }
    const std::pair<std::vector<int>, std::vector<double>> rows[] = {
        {{}, {-12, 12, 1.5}}, {{kBass}, {-10, 10, 1.5}}, {{kBass, kMidrange}, {-6, 6, 1.5}}};
    for (const auto& [removed, expected] : rows) {
        for (int slot : removed)
            play["Tone 1"].controls.erase(slot), play["Tone 2"].controls.erase(slot);
        ASSERT_EQ(lib.OpenSoundCard("AAAA", "", ""), 0);
        std::vector<double> range(3, 1);
        EXPECT_EQ(lib.GetEQRange(&range[0], &range[1], &range[2]), 0);
        EXPECT_EQ(range, expected);
    }
}

// The second playback endpoint lives apart from the set: opening and closing the set leave
// it alone. A failed mute reads like a missing endpoint; a failed open releases it.
TEST_F(Core, SecondEndpoint) {
    ASSERT_EQ(lib.OpenVirtual_1("BBBB"), 0);
    EXPECT_EQ(lib.SetVirtualVolume(10, &status), 10);
    EXPECT_EQ(lib.SetVirtualMute(256, &status), 0);  // any nonzero flag mutes
    EXPECT_TRUE(phones.volume->on);
    lib.OpenSoundCard("BBBB", "", "");
    lib.CloseSoundCard();
    EXPECT_EQ(lib.GetVirtualVolume(&status), 10);
    phones.volume->Fail("SetMute");
    lib.SetVirtualMute(0, &status);
    EXPECT_EQ(status, 1);
    phones.Fail("ActivateEndpointVolume");
    EXPECT_EQ(lib.OpenVirtual_1("BBBB"), 1);
    lib.GetVirtualVolume(&status);
    EXPECT_EQ(status, 1);
}

// Percent to dB follows the log rule below the maximum, unclamped; the read-back truncates
// the single-precision result (a set percent can read back one lower) and stays in range.
TEST(LevelMath, LogRuleAndTruncatingReadBack) {
    const struct {
        int32_t percent;
        float minDb, maxDb, db;
    } rows[] = {{100, -65.25f, 0, 0},      {50, -65.25f, 0, -6.0206f}, {10, -65.25f, 0, -20},
                {1, -65.25f, 0, -40},      {10, -12, 30, 10},          {0, -65.25f, 0, -65.25f},
                {-7, -65.25f, 0, -65.25f}, {200, -65.25f, 0, 6.0206f}, {1, -20, 0, -40}};
    for (const auto& r : rows)
        EXPECT_NEAR(PercentToDb(r.percent, r.minDb, r.maxDb), r.db, 1e-4) << r.percent;
    for (auto [set, get] : {std::pair{50, 50}, {20, 19}, {2, 1}, {100, 100}})
        EXPECT_EQ(DbToPercent(PercentToDb(set, -96, 0), 0), get) << set;
    const std::pair<float, int32_t> reads[] = {
        {-20, 10}, {-40, 1}, {-1000, 0}, {1000, INT32_MAX}, {6.0206f, 199}, {std::nanf(""), 0}};
    for (auto [db, percent] : reads) EXPECT_EQ(DbToPercent(db, 0), percent) << db;
    EXPECT_EQ(DbToPercent(10, 30), 10);
}

TEST(TickWidener, CountsOnAcrossWrapsAndNeverGoesBack) {
    const std::pair<uint32_t, uint64_t> rows[] = {
        {5, 5},
        {0x7FFFFFFF, 0x7FFFFFFF},
        {0x7FFFFF00, 0x7FFFFFFF},  // read before a newer count: that one
        {0xFFFFFFF0, 0xFFFFFFF0},
        {0x10, 0x100000010},        // wrapped
        {0x5, 0x100000010},         // a stale read just after the wrap
        {0x80000011, 0x180000011},  // half the range on: still the same round
        {0x11, 0x200000011},        // half the range back: wrapped again
    };
    TickWidener widener;
    for (const auto& [now, expected] : rows) EXPECT_EQ(widener.widen(now), expected) << now;
}

// Against the SDK's text, not the table's own numbers; every other identifier is asked for
// by Wine or the topology tests' stand-in, which answer only the right values.
TEST(CoreAudioIds, NotificationClientHasTheWindowsValue) {
    const ids::Guid& g = ids::kIidMMNotificationClient;
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    EXPECT_STREQ(text, "7991EEC9-7E89-4D85-8390-6C703CEC60C0");
}

}  // namespace
}  // namespace havro
