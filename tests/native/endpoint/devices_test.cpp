// Listing, resolving and opening endpoint sets, the walks that find their controls, and
// the second playback endpoint.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::BuildCapture;
using fake::BuildPlayback;

constexpr char kUntouched[] = "untouched";

// The names GetDeviceNames gives (kUntouched for none).
std::vector<std::string> Names(Library& lib) {
    char play[256] = "untouched", lineIn[256] = "untouched", mic[256] = "untouched";
    lib.GetDeviceNames(play, lineIn, mic);
    return {play, lineIn, mic};
}

// Two playback and two capture endpoints; COM must be balanced after every export.
struct Devices {
    ~Devices() { EXPECT_EQ(sys.initDepth, 0) << "CoInitialize left unbalanced"; }
    fake::FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig speakers = BuildPlayback(sys, u"AAAA-1111", u"Speakers");
    fake::PlaybackRig headphones = BuildPlayback(sys, u"BBBB-2222", u"Headphones");
    fake::CaptureRig mic = BuildCapture(sys, u"CCCC-3333", u"Microphone");
    fake::CaptureRig line = BuildCapture(sys, u"DDDD-4444", u"Line In");
};

struct DevicesTest : ::testing::Test, Devices {
    char name[256] = "", id[256] = "";
    int32_t count = -5;
};

// Active endpoints by index; past its end the record list answers its count; failures
// answer -1 (1 for a count, left alone). A failed COM initialise (another apartment model)
// is not paired with an uninitialise (the fixture checks) and the work goes on.
TEST_F(DevicesTest, ListsActiveEndpointsByIndex) {
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "Headphones");
    EXPECT_STREQ(id, "{0.0.0.00000000}.{BBBB-2222}");
    EXPECT_EQ(lib.GetPlayBackDevice(2, nullptr, nullptr), -1);
    EXPECT_EQ(lib.GetRecordDevice(0, name, id), 0);
    EXPECT_STREQ(id, "{0.0.1.00000000}.{CCCC-3333}");
    EXPECT_EQ(lib.GetRecordDevice(3, name, id), 2);
    EXPECT_EQ(lib.GetRecordDevice(-1, name, id), -1);
    headphones.device->Fail("GetFriendlyName");
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "");
    headphones.device->Fail("GetId");
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), -1);
    headphones.device->active = false;
    sys.Fail("Initialize", static_cast<HResult>(0x80010106u));
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(count, 1);
    for (const char* method : {"EnumActiveEndpoints", "CreateEnumerator"}) {
        sys.Fail(method);
        EXPECT_EQ(lib.GetNumberRecordDevices(&count), 1);
        EXPECT_EQ(count, 1);  // left alone
        EXPECT_EQ(lib.GetRecordDevice(0, name, id), -1);
    }
}

// Names are converted to the ANSI code page and cut to 254 bytes, never inside a
// double-byte character.
TEST_F(DevicesTest, LongNamesAreCutTo254Bytes) {
    for (const auto& [longName, bytes] : {std::pair{std::u16string(300, u'n'), size_t{254}},
                                          {u"a" + std::u16string(200, u'\u4e2d'), 253}}) {
        headphones.device->name = longName;
        std::memset(name, 'X', sizeof name);
        ASSERT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
        EXPECT_EQ(std::strlen(name), bytes);
        EXPECT_EQ(name[255], 'X');  // nothing written past the terminator
    }
}

// The result is the exclusive or of 1 (playback), 3 (microphone) and 6 (line-in) for each
// endpoint that fails to open; a failed open keeps what was opened before. Ids match in any
// letter case, as a part of the id; an endpoint without an id is passed over.
TEST_F(DevicesTest, OpenSoundCardResultIsTheExclusiveOrOfFailures) {
    EXPECT_EQ(lib.OpenSoundCard(nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(lib.IsOpen());
    const struct {
        const char *play, *mic, *line;
        int32_t expected;
    } cases[] = {
        {"aaaa", "CCCC", "DDDD", 0}, {"nope", "CCCC", "DDDD", 1}, {"AAAA", "nope", "DDDD", 3},
        {"AAAA", "CCCC", "nope", 6}, {"AAAA", "nope", "nope", 5}, {"nope", "nope", "nope", 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lib.OpenSoundCard(c.play, c.mic, c.line), c.expected)
            << c.play << c.mic << c.line;
    }
    EXPECT_TRUE(lib.IsOpen());
    EXPECT_EQ(Names(lib)[0], "Speakers");
    speakers.device->Fail("GetId");
    EXPECT_EQ(lib.OpenSoundCard("{0.0.0.00000000}", "", ""), 0);
    EXPECT_EQ(Names(lib)[0], "Headphones");
    lib.CloseSoundCard();
    EXPECT_EQ(Names(lib), std::vector<std::string>(3, kUntouched));  // gone with the close
}

// The default capture endpoint opens as microphone or line-in by its own name; a role
// without a default stores no name (the line-in opened before is forgotten too).
TEST(OpenDefaultDevices, OpensEachDefaultInItsRole) {
    const struct {
        bool lineInFirst, noRender;
        char capture;  // the default capture endpoint: 'm', 'l' or none
        int32_t result;
        std::vector<std::string> names;  // stored only for a walk that succeeded
    } cases[] = {
        {true, false, 'm', 0, {"Speakers", kUntouched, "Microphone"}},
        {false, false, 'l', 0, {"Speakers", "Line In", kUntouched}},
        {false, true, 'm', 0, {kUntouched, kUntouched, "Microphone"}},
        {false, false, 0, 1, {"Speakers", kUntouched, kUntouched}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.capture) + (c.noRender ? " without render" : ""));
        Devices d;
        if (c.lineInFirst) std::swap(d.sys.devices[2], d.sys.devices[3]);  // default not first
        if (!c.noRender) d.sys.defaultRender = d.speakers.device->id;
        if (c.capture != 0) d.sys.defaultCapture = (c.capture == 'm' ? d.mic : d.line).device->id;
        ASSERT_EQ(c.lineInFirst ? d.lib.OpenSoundCard("", "", "DDDD") : 0, 0);
        EXPECT_EQ(d.lib.OpenDefaultDevices(), c.result);
        EXPECT_EQ(Names(d.lib), c.names);
    }
}

// The microphone boost: a switch (automatic gain control, else loudness) on the first part
// named like a boost, searched downstream of the microphone connector list by list.
TEST(Walks, MicrophoneBoostIsTakenByName) {
    const struct {
        std::u16string first;  // the part after the connector; the next is named "Mic Boost"
        std::optional<SwitchKind> firstSwitch, secondSwitch;
        int32_t status;
    } rows[] = {{u"Gain", SwitchKind::kAutoGainControl, {}, 1},
                {u"Mic Boost", {}, {}, 1},
                {u"Pre-amp", {}, SwitchKind::kLoudness, 0}};
    for (const auto& row : rows) {
        Devices d;
        fake::FakePart& first = *d.mic.adapter->connectors[1]->outgoing[0];
        fake::FakePart& second = *first.outgoing[0];
        first.switches.clear();
        first.name = row.first;
        second.name = u"Mic Boost";
        if (row.firstSwitch) d.sys.AddSwitch(first, *row.firstSwitch, true);
        if (row.secondSwitch) d.sys.AddSwitch(second, *row.secondSwitch, true);
        ASSERT_EQ(d.lib.OpenSoundCard("", "CCCC", ""), 0);
        int32_t status = -1;
        EXPECT_EQ(d.lib.GetMicBoost(&status), 1 - row.status) << row.status;
        EXPECT_EQ(status, row.status);
    }
}

// Fail each method of several objects in turn: the open must neither crash nor leave COM
// initialised, the endpoint volume is kept whatever failed, and the close completes and
// puts back what it can.
TEST(Walks, AnyFailingCallIsSurvived) {
    // clang-format off
    const char* methods[] = {"GetName", "EnumPartsIncoming", "EnumPartsOutgoing",
        "GetTopologyObject", "ActivateLevel", "ActivateMute", "ActivateSwitch", "GetLevel",
        "GetMute", "GetEnabled", "GetLevelRange", "GetChannelCount", "GetConnector",
        "GetConnectedTo", "QueryPart", "ActivateTopology", "SetLevel", "SetMute", "SetEnabled"};
    // clang-format on
    for (const char* method : methods) {
        SCOPED_TRACE(method);
        Devices d;
        fake::PlaybackRig& rig = d.speakers;
        fake::CaptureRig& rec = d.mic;
        for (fake::Faults* f : std::initializer_list<fake::Faults*>{
                 rig.device, rig.start, rig.sum, rig.lineLevel.get(), rig.micMute.get(),
                 rig.device->topology, rec.adc, rec.boost.get(), rec.adapter}) {
            f->Fail(method);
        }
        rig.device->topology->connectors[0]->Fail(method);
        d.lib.OpenSoundCard("AAAA", "CCCC", "CCCC");
        int32_t status = -1;
        d.lib.SetMasterVolume(100, &status);
        EXPECT_EQ(status, 0);
        d.lib.SetMicRecordVolume(100, &status);
        EXPECT_EQ(d.lib.CloseSoundCard(), 0);
        EXPECT_FALSE(d.lib.IsOpen());
        EXPECT_FLOAT_EQ(rig.device->volume->masterDb, -10);
        EXPECT_FLOAT_EQ(rec.device->volume->masterDb, 20);
    }
}

// The second playback endpoint lives apart from the set: opening and closing the set
// leave it alone. A failed mute reads like a missing endpoint; a failed open releases it.
TEST_F(DevicesTest, SecondEndpoint) {
    int32_t status = -1;
    ASSERT_EQ(lib.OpenVirtual_1("BBBB"), 0);
    EXPECT_EQ(lib.SetVirtualVolume(10, &status), 10);
    EXPECT_EQ(lib.SetVirtualMute(256, &status), 0);  // any nonzero flag mutes
    EXPECT_TRUE(headphones.device->volume->flag);
    lib.OpenSoundCard("BBBB", "", "");
    lib.CloseSoundCard();
    EXPECT_EQ(lib.GetVirtualVolume(&status), 10);
    headphones.device->volume->Fail("SetMute");
    lib.SetVirtualMute(0, &status);
    EXPECT_EQ(status, 1);
    headphones.device->Fail("ActivateEndpointVolume");
    EXPECT_EQ(lib.OpenVirtual_1("BBBB"), 1);
    lib.GetVirtualVolume(&status);
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace havro
