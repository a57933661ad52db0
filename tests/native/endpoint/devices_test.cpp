// Listing, resolving and opening endpoint sets, and the second playback endpoint.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::BuildCapture;
using fake::BuildPlayback;
using fake::FakeAudioSystem;

constexpr char kUntouched[] = "untouched";

struct Names {
    char play[256] = "untouched", lineIn[256] = "untouched", mic[256] = "untouched";
    explicit Names(Library& lib) { lib.GetDeviceNames(play, lineIn, mic); }
};

struct DevicesTest : ::testing::Test {
    void TearDown() override { EXPECT_EQ(sys.initDepth, 0) << "CoInitialize left unbalanced"; }

    FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig speakers = BuildPlayback(sys, u"AAAA-1111", u"Speakers (HD Audio)");
    fake::PlaybackRig headphones = BuildPlayback(sys, u"BBBB-2222", u"Headphones");
    fake::CaptureRig mic = BuildCapture(sys, u"CCCC-3333", u"Microphone (HD Audio)");
    fake::CaptureRig line = BuildCapture(sys, u"DDDD-4444", u"Line In (HD Audio)");
    char name[256], id[256];
    int32_t count = -5;
};

TEST_F(DevicesTest, ListsActiveEndpointsByIndex) {
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "Headphones");
    EXPECT_STREQ(id, "{0.0.0.00000000}.{BBBB-2222}");
    EXPECT_EQ(lib.GetPlayBackDevice(2, name, id), -1);
    EXPECT_EQ(lib.GetRecordDevice(0, name, id), 0);
    EXPECT_STREQ(name, "Microphone (HD Audio)");
    EXPECT_STREQ(id, "{0.0.1.00000000}.{CCCC-3333}");
    EXPECT_EQ(lib.GetRecordDevice(3, name, id), 2);  // past the end: the count
    EXPECT_EQ(lib.GetRecordDevice(-1, name, id), -1);
    headphones.device->active = false;
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(lib.GetPlayBackDevice(1, nullptr, nullptr), -1);
    EXPECT_EQ(lib.GetPlayBackDevice(0, nullptr, nullptr), 0);
    // COM is initialised around each call; a failed initialise (another apartment model)
    // is not paired, and the work goes on.
    EXPECT_EQ(sys.Calls("Uninitialize"), 9);
    sys.Fail("Initialize", static_cast<HResult>(0x80010106u));
    EXPECT_EQ(lib.GetNumberRecordDevices(&count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(sys.Calls("Uninitialize"), 9);
}

// Names are converted to the ANSI code page and cut to 254 bytes, never inside a
// double-byte character; the stored name of an opened endpoint is cut the same way.
TEST_F(DevicesTest, LongNamesAreCutTo254Bytes) {
    const std::pair<std::u16string, size_t> rows[] = {{std::u16string(300, u'n'), 254},
                                                      {u"a" + std::u16string(200, u'\u4e2d'), 253}};
    for (const auto& [longName, bytes] : rows) {
        headphones.device->name = longName;
        std::memset(name, 'X', sizeof name);
        ASSERT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
        EXPECT_EQ(std::strlen(name), bytes);
        EXPECT_EQ(name[255], 'X');  // nothing written past the terminator
    }
    lib.OpenSoundCard("BBBB", "", "");
    EXPECT_EQ(std::strlen(Names(lib).play), 253u);
}

// Each row breaks one call; listing answers the failure and leaves the count alone.
TEST_F(DevicesTest, ListingFailures) {
    const struct {
        std::function<void(DevicesTest&)> breakIt;
        int32_t countResult, itemResult;
        const char* itemName;
    } rows[] = {
        {[](DevicesTest& t) { t.sys.Fail("CreateEnumerator"); }, 1, -1, kUntouched},
        {[](DevicesTest& t) { t.sys.Fail("EnumActiveEndpoints"); }, 1, -1, kUntouched},
        {[](DevicesTest& t) { t.headphones.device->Fail("GetId"); }, 0, -1, kUntouched},
        {[](DevicesTest& t) { t.headphones.device->Fail("GetFriendlyName"); }, 0, 0, ""},
    };
    for (const auto& row : rows) {
        row.breakIt(*this);
        count = 77;
        EXPECT_EQ(lib.GetNumberPlayDevices(&count), row.countResult);
        EXPECT_EQ(count, row.countResult == 0 ? 2 : 77);
        std::strcpy(name, kUntouched);
        EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), row.itemResult);
        EXPECT_STREQ(name, row.itemName);
        EXPECT_EQ(lib.GetRecordDevice(0, name, id), row.countResult == 0 ? 0 : -1);
        for (const char* m : {"CreateEnumerator", "EnumActiveEndpoints"}) sys.Heal(m);
        for (const char* m : {"GetId", "GetFriendlyName"}) headphones.device->Heal(m);
    }
}

// The result is the exclusive or of 1 (playback), 3 (microphone) and 6 (line-in) for each
// endpoint that fails to open; a failed open keeps what was opened before. Ids match in any
// letter case, as part of the id; an endpoint without an id is passed over.
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
            << c.play << " " << c.mic << " " << c.line;
    }
    EXPECT_TRUE(lib.IsOpen());
    EXPECT_STREQ(Names(lib).play, "Speakers (HD Audio)");
    speakers.device->Fail("GetId");
    EXPECT_EQ(lib.OpenSoundCard("{0.0.0.00000000}", "", ""), 0);
    EXPECT_STREQ(Names(lib).play, "Headphones");
    lib.CloseSoundCard();
    EXPECT_STREQ(Names(lib).play, kUntouched);  // the names go with the close
}

// The default capture endpoint opens as microphone or line-in by its own name; a role
// without a default stores no name (the line-in opened before is forgotten too).
TEST(OpenDefaultDevices, OpensEachDefaultInItsRole) {
    const struct {
        bool lineInFirst, noRender;
        const char* capture;  // the default capture endpoint: "mic", "line", "" none, "-" no
                              // capture endpoint at all
        int32_t result;
        const char *play, *lineIn, *mic;
        int32_t (Library::*probe)(int32_t*);  // answers status 0 for the role opened
    } cases[] = {
        {true, false, "mic", 0, "Speakers", kUntouched, "Microphone", &Library::GetMicBoost},
        {false, false, "line", 0, "Speakers", "Line In", kUntouched, &Library::GetNoMonitor},
        {false, true, "mic", 0, kUntouched, kUntouched, "Microphone", &Library::GetMicBoost},
        {false, false, "", 1, "Speakers", kUntouched, kUntouched, &Library::GetMasterVolume},
        {false, false, "-", 1, "Speakers", kUntouched, kUntouched, &Library::GetMasterVolume},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.capture) + (c.noRender ? " without render" : ""));
        FakeAudioSystem s;
        Library l{s};
        BuildPlayback(s, u"AAAA-1111", u"Speakers");
        auto m = BuildCapture(s, u"CCCC-3333", u"Microphone");
        auto li = BuildCapture(s, u"DDDD-4444", u"Line In");
        if (c.lineInFirst) std::swap(s.devices[1], s.devices[2]);  // the default is not first
        if (!c.noRender) s.defaultRender = s.devices[0]->id;
        if (c.capture[0] != '\0') s.defaultCapture = (c.capture[0] == 'm' ? m : li).device->id;
        if (c.capture[0] == '-') m.device->active = li.device->active = false;
        ASSERT_EQ(c.lineInFirst ? l.OpenSoundCard("", "", "DDDD-4444") : 0, 0);
        EXPECT_EQ(l.OpenDefaultDevices(), c.result);
        Names names(l);
        EXPECT_STREQ(names.play, c.play);
        EXPECT_STREQ(names.lineIn, c.lineIn);
        EXPECT_STREQ(names.mic, c.mic);
        int32_t status = -1;
        (l.*c.probe)(&status);
        EXPECT_EQ(status, 0);
        l.GetMasterVolume(&status);
        EXPECT_EQ(status, c.noRender ? 1 : 0);
        EXPECT_EQ(l.CloseSoundCard(), 0);
        EXPECT_EQ(s.initDepth, 0);
    }
}

// The second playback endpoint lives apart from the set: open and close of the set leave
// it alone. Without a device topology it answers 1 but its volume is usable.
TEST_F(DevicesTest, SecondEndpoint) {
    int32_t status = -1;
    EXPECT_EQ(lib.SetVirtualMute(-1, &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(lib.GetVirtualMute(&status), 0);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(lib.OpenVirtual_1("BBBB"), 0);
    EXPECT_EQ(lib.SetVirtualVolume(10, &status), 10);
    EXPECT_EQ(headphones.device->volume->channelDb, (std::vector<float>{-20, -20}));
    EXPECT_EQ(lib.SetVirtualMute(256, &status), 0);  // any nonzero flag mutes
    EXPECT_TRUE(headphones.device->volume->flag);
    lib.OpenSoundCard("BBBB", "", "");
    lib.CloseSoundCard();
    EXPECT_EQ(lib.GetVirtualVolume(&status), 10);
    EXPECT_EQ(status, 0);
    headphones.device->topology = nullptr;
    EXPECT_EQ(lib.OpenVirtual_1("BBBB"), 1);
    EXPECT_EQ(lib.GetVirtualVolume(&status), 10);
    EXPECT_EQ(status, 0);
    headphones.device->volume->Fail("SetMute");
    lib.SetVirtualMute(0, &status);
    EXPECT_EQ(status, 1);  // a failure reads like a missing endpoint
    headphones.device->volume->Fail("GetMute");
    lib.GetVirtualMute(&status);
    EXPECT_EQ(status, 2);
    headphones.device->Fail("ActivateEndpointVolume");
    EXPECT_EQ(lib.OpenVirtual_1("BBBB"), 1);
    lib.GetVirtualVolume(&status);
    EXPECT_EQ(status, 1);  // the previous one was released
}

}  // namespace
}  // namespace havro
