// Listing, resolving and opening endpoint sets.
#include <gtest/gtest.h>

#include <cstring>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::BuildCapture;
using fake::BuildPlayback;
using fake::EndpointId;
using fake::FakeAudioSystem;

constexpr char kUntouched[] = "untouched";

class DevicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        speakers = BuildPlayback(sys, u"AAAA-1111", u"Speakers (HD Audio)");
        headphones = BuildPlayback(sys, u"BBBB-2222", u"Headphones");
        mic = BuildCapture(sys, u"CCCC-3333", u"Microphone (HD Audio)");
        line = BuildCapture(sys, u"DDDD-4444", u"Line In (HD Audio)");
        sys.defaultRender = speakers.device->id;
        sys.defaultCapture = mic.device->id;
    }
    void TearDown() override { EXPECT_EQ(sys.initDepth, 0) << "CoInitialize left unbalanced"; }

    static void Fill(char* buffer) { std::strcpy(buffer, kUntouched); }

    FakeAudioSystem sys;
    Library lib{sys};
    fake::PlaybackRig speakers, headphones;
    fake::CaptureRig mic, line;
    char name[256];
    char id[256];
};

TEST_F(DevicesTest, CountsOnlyActiveEndpointsPerFlow) {
    int32_t count = -5;
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(count, 2);
    headphones.device->active = false;
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(lib.GetNumberRecordDevices(&count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(sys.Calls("Initialize"), 3);
}

TEST_F(DevicesTest, CountLeftUntouchedWhenEnumeratorFails) {
    sys.Fail("CreateEnumerator");
    int32_t count = 77;
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 1);
    EXPECT_EQ(lib.GetNumberRecordDevices(&count), 1);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(lib.GetPlayBackDevice(0, name, id), -1);
    EXPECT_EQ(lib.GetRecordDevice(0, name, id), -1);
}

TEST_F(DevicesTest, ListsNameAndAnsiId) {
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "Headphones");
    EXPECT_STREQ(id, "{0.0.0.00000000}.{BBBB-2222}");
    EXPECT_EQ(lib.GetRecordDevice(0, name, id), 0);
    EXPECT_STREQ(name, "Microphone (HD Audio)");
    EXPECT_STREQ(id, "{0.0.1.00000000}.{CCCC-3333}");
    EXPECT_EQ(lib.GetRecordDevice(-1, name, id), -1);  // only past the end is it the count
}

TEST_F(DevicesTest, NoCaptureEndpoints) {
    mic.device->active = false;
    line.device->active = false;
    int32_t count = -1;
    EXPECT_EQ(lib.GetNumberRecordDevices(&count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(lib.GetRecordDevice(0, name, id), 0);  // index 0 is not below 0: the count
    EXPECT_EQ(lib.OpenDefaultDevices(), 1);
    char play[256], lineIn[256], micName[256];
    Fill(lineIn);
    Fill(micName);
    lib.GetDeviceNames(play, lineIn, micName);
    EXPECT_STREQ(play, "Speakers (HD Audio)");  // the playback side was opened first
    EXPECT_STREQ(lineIn, kUntouched);
    EXPECT_STREQ(micName, kUntouched);
}

TEST_F(DevicesTest, NamesOutsideTheCodePageAreConvertedNotTruncatedToLowBits) {
    headphones.device->name = u"Kopfh\u00f6rer \u03a9";  // U+03A9 would become 0xA9 by low bits
    ASSERT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "Kopfh\xf6rer ?");
}

TEST_F(DevicesTest, LongNamesAreCutTo254Bytes) {
    headphones.device->name = std::u16string(300, u'n');
    std::memset(name, 'X', sizeof name);
    ASSERT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_EQ(std::strlen(name), 254u);
    EXPECT_EQ(name[255], 'X');  // nothing written past the terminator

    // Double-byte characters are never split at the cut.
    headphones.device->name = u"a" + std::u16string(200, u'\u4e2d');
    ASSERT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_EQ(std::strlen(name), 253u);

    // The stored name of an opened endpoint is cut the same way.
    headphones.device->name = std::u16string(400, u'z');
    lib.OpenSoundCard("BBBB", "", "");
    char play[256];
    std::memset(play, 'X', sizeof play);
    lib.GetDeviceNames(play, nullptr, nullptr);
    EXPECT_EQ(std::strlen(play), 254u);
}

TEST_F(DevicesTest, OpenSoundCardResultIsTheExclusiveOrOfFailures) {
    struct Case {
        const char* play;
        const char* mic;
        const char* line;
        int32_t expected;
    } cases[] = {
        {"AAAA", "CCCC", "DDDD", 0}, {"nope", "CCCC", "DDDD", 1}, {"AAAA", "nope", "DDDD", 3},
        {"AAAA", "CCCC", "nope", 6}, {"nope", "nope", "DDDD", 2}, {"nope", "CCCC", "nope", 7},
        {"AAAA", "nope", "nope", 5}, {"nope", "nope", "nope", 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lib.OpenSoundCard(c.play, c.mic, c.line), c.expected)
            << c.play << " " << c.mic << " " << c.line;
    }
}

TEST_F(DevicesTest, AFailedResolveKeepsNamesAndOpenMark) {
    ASSERT_EQ(lib.OpenSoundCard("AAAA", "", ""), 0);
    EXPECT_EQ(lib.OpenSoundCard("no-such-device", "", ""), 1);
    EXPECT_TRUE(lib.IsOpen());
    char play[256];
    lib.GetDeviceNames(play, nullptr, nullptr);
    EXPECT_STREQ(play, "Speakers (HD Audio)");
}

// Beyond what the DLL's own test covers: null texts read as empty, and a second close
// restores nothing again, the names freed by the first.
TEST_F(DevicesTest, NullTextsAndCloseSoundCardTwice) {
    EXPECT_EQ(lib.OpenSoundCard(nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(lib.IsOpen());
    ASSERT_EQ(lib.OpenSoundCard("AAAA", "CCCC", "DDDD"), 0);
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_FALSE(lib.IsOpen());
    speakers.device->volume->ResetCalls();
    EXPECT_EQ(lib.CloseSoundCard(), 0);
    EXPECT_EQ(speakers.device->volume->Calls("SetMasterVolumeLevel"), 0);
    char play[256];
    Fill(play);
    lib.GetDeviceNames(play, nullptr, nullptr);
    EXPECT_STREQ(play, kUntouched);  // names freed by the first close
}

// The default capture endpoint opens as microphone or line-in by its own name; a role
// without a default stores no name (the line-in opened before is forgotten too).
TEST_F(DevicesTest, OpenDefaultDevicesOpensEachDefaultInItsRole) {
    struct Case {
        bool lineInFirst, noRender;
        const char* capture;  // the default capture endpoint, "" for none
        int32_t result;
        const char *play, *lineIn, *mic;
        int32_t (Library::*probe)(int32_t*);  // answers status 0 for the role opened
    } cases[] = {
        {true, false, "mic", 0, "Speakers (HD Audio)", kUntouched, "Microphone (HD Audio)",
         &Library::GetMicBoost},
        {false, false, "line", 0, "Speakers (HD Audio)", "Line In (HD Audio)", kUntouched,
         &Library::GetNoMonitor},
        {false, true, "mic", 0, kUntouched, kUntouched, "Microphone (HD Audio)",
         &Library::GetMicBoost},
        {false, false, "", 1, "Speakers (HD Audio)", kUntouched, kUntouched,
         &Library::GetMasterVolume},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.capture) + (c.noRender ? " without render" : ""));
        FakeAudioSystem s;
        Library l{s};
        fake::BuildPlayback(s, u"AAAA-1111", u"Speakers (HD Audio)");
        auto m = fake::BuildCapture(s, u"CCCC-3333", u"Microphone (HD Audio)");
        auto li = fake::BuildCapture(s, u"DDDD-4444", u"Line In (HD Audio)");
        if (c.lineInFirst) std::swap(s.devices[1], s.devices[2]);  // the default is not first
        if (!c.noRender) s.defaultRender = s.devices[0]->id;
        if (c.capture[0]) s.defaultCapture = (c.capture[0] == 'm' ? m : li).device->id;
        if (c.lineInFirst) ASSERT_EQ(l.OpenSoundCard("", "", "DDDD-4444"), 0);
        EXPECT_EQ(l.OpenDefaultDevices(), c.result);
        char play[256], lineIn[256], micName[256];
        Fill(play);
        Fill(lineIn);
        Fill(micName);
        l.GetDeviceNames(play, lineIn, micName);
        EXPECT_STREQ(play, c.play);
        EXPECT_STREQ(lineIn, c.lineIn);
        EXPECT_STREQ(micName, c.mic);
        int32_t status = -1;
        (l.*c.probe)(&status);
        EXPECT_EQ(status, 0);
        if (c.noRender) {
            l.GetMasterVolume(&status);
            EXPECT_EQ(status, 1);
        }
        EXPECT_EQ(l.CloseSoundCard(), 0);
        EXPECT_EQ(s.initDepth, 0);
    }
}

TEST_F(DevicesTest, ComIsInitialisedAroundEveryListingAndOpening) {
    int32_t count = 0;
    lib.GetNumberPlayDevices(&count);
    lib.GetPlayBackDevice(0, name, id);
    lib.OpenSoundCard("AAAA", "CCCC", "");
    lib.OpenDefaultDevices();
    lib.OpenVirtual_1("BBBB");
    EXPECT_EQ(sys.Calls("Initialize"), 5);
    EXPECT_EQ(sys.Calls("Uninitialize"), 5);
    // A failed initialise (another apartment) is not paired, and the work goes on.
    sys.Fail("Initialize", static_cast<HResult>(0x80010106u));
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 0);
    EXPECT_EQ(sys.Calls("Uninitialize"), 5);
}

TEST_F(DevicesTest, FailuresInsideListingAreReportedNotCrashed) {
    headphones.device->Fail("GetId");
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), -1);
    headphones.device->Heal("GetId");
    headphones.device->Fail("GetFriendlyName");
    EXPECT_EQ(lib.GetPlayBackDevice(1, name, id), 0);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(lib.GetPlayBackDevice(1, nullptr, nullptr), 0);
    sys.enumerator->Fail("EnumActiveEndpoints");
    int32_t count = 9;
    EXPECT_EQ(lib.GetNumberPlayDevices(&count), 1);
    EXPECT_EQ(count, 9);
}

TEST_F(DevicesTest, EndpointWithoutIdIsSkippedWhenResolving) {
    speakers.device->Fail("GetId");
    EXPECT_EQ(lib.OpenSoundCard("{0.0.0.00000000}", "", ""), 0);  // the first with an id
    char play[256];
    lib.GetDeviceNames(play, nullptr, nullptr);
    EXPECT_STREQ(play, "Headphones");
}

}  // namespace
}  // namespace havro
