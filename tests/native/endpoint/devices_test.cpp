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

TEST_F(DevicesTest, OpenDefaultDevicesPicksMicrophoneByTheDefaultEndpointsOwnName) {
    // The first capture endpoint in order is a line-in; the default one is the microphone.
    std::swap(sys.devices[2], sys.devices[3]);
    // A line-in opened before is forgotten once the default microphone is taken.
    ASSERT_EQ(lib.OpenSoundCard("", "", "DDDD-4444"), 0);
    EXPECT_EQ(lib.OpenDefaultDevices(), 0);
    char play[256], lineIn[256], micName[256];
    Fill(lineIn);
    lib.GetDeviceNames(play, lineIn, micName);
    EXPECT_STREQ(play, "Speakers (HD Audio)");
    EXPECT_STREQ(micName, "Microphone (HD Audio)");
    EXPECT_STREQ(lineIn, kUntouched);
    int32_t status = -1;
    EXPECT_EQ(lib.GetMicBoost(&status), 1);
    EXPECT_EQ(status, 0);
}

TEST_F(DevicesTest, OpenDefaultDevicesTakesANonMicrophoneDefaultAsLineIn) {
    sys.defaultCapture = line.device->id;
    EXPECT_EQ(lib.OpenDefaultDevices(), 0);
    char play[256], lineIn[256], micName[256];
    Fill(micName);
    lib.GetDeviceNames(play, lineIn, micName);
    EXPECT_STREQ(lineIn, "Line In (HD Audio)");
    EXPECT_STREQ(micName, kUntouched);
    int32_t status = -1;
    EXPECT_EQ(lib.GetNoMonitor(&status), 1);
    EXPECT_EQ(status, 0);
}

TEST_F(DevicesTest, OpenDefaultDevicesWithoutDefaultPlaybackStoresNoStaleName) {
    sys.defaultRender.reset();
    EXPECT_EQ(lib.OpenDefaultDevices(), 0);
    char play[256], lineIn[256], micName[256];
    Fill(play);
    lib.GetDeviceNames(play, lineIn, micName);
    EXPECT_STREQ(play, kUntouched);
    EXPECT_STREQ(micName, "Microphone (HD Audio)");
    int32_t status = -1;
    lib.GetMasterVolume(&status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(lib.CloseSoundCard(), 0);
}

TEST_F(DevicesTest, OpenDefaultDevicesWithoutDefaultCaptureReturns1) {
    sys.defaultCapture.reset();
    EXPECT_EQ(lib.OpenDefaultDevices(), 1);
    int32_t status = -1;
    lib.GetMasterVolume(&status);
    EXPECT_EQ(status, 0);
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
