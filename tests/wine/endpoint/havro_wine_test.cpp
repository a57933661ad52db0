// HavroVista.dll loaded from the test's folder as the program loads it, on Wine's own
// endpoints (the harness's PulseAudio null devices). Wine has no device topology: every
// walk fails (OpenSoundCard reports the endpoint) while the endpoint volumes work. What a
// described topology adds is checked through the same DLL by the topology group; here:
// the closed state, ids found by a part in any letter case, the master volume and mute
// round trip, and the system code page at the boundary.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "coreaudio/core_audio_system.h"
#include "havro_vista.h"

namespace {

HMODULE g_dll = nullptr;

template <class F>
F fn(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_dll, name)));
}
#define HAVRO(name) fn<havro::PFN_##name>(#name)

// The part of the id of the endpoint named `name` that the program stores: from the "{"
// after the first "}.{"; "" when there is no such endpoint.
std::string fragment(const char* name, bool playback) {
    auto item = playback ? HAVRO(GetPlayBackDevice) : HAVRO(GetRecordDevice);
    for (int32_t i = 0; i < 16; ++i) {
        char n[256] = {}, id[256] = {};
        if (item(i, n, id) != 0) break;
        const std::string full = id;
        if (n == std::string(name)) return full.substr(full.find("}.{") + 2);
    }
    return "";
}

struct HavroWine : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(g_dll, nullptr);
        ASSERT_FALSE(headphones.empty()) << "no \"Headphones\": the harness's sinks are missing";
        ASSERT_FALSE(mic.empty()) << "no \"Microphone\" source";
    }
    void TearDown() override {
        HAVRO(CloseSoundCard)();
        HAVRO(CloseVirtual_1)();
    }
    int32_t masterStatus() {
        HAVRO(GetMasterVolume)(&status);
        return status;
    }
    std::string headphones = fragment("Headphones", true), mic = fragment("Microphone", false);
    int32_t status = -1;
};

TEST_F(HavroWine, ClosedUntilAnEndpointIsFoundByAnyPartOfItsIdInAnyLetterCase) {
    EXPECT_EQ(HAVRO(SetMasterVolume)(50, &status), 0);
    EXPECT_EQ(status, 3);
    double mn = 1, mx = 1, st = 1;
    EXPECT_EQ(HAVRO(GetEQRange)(&mn, &mx, &st), 3);
    HAVRO(SetVirtualVolume)(10, &status);
    EXPECT_EQ(status, 1);
    char a[256] = "untouched", b[256] = "untouched", c[256] = "untouched";
    HAVRO(GetDeviceNames)(a, b, c);
    EXPECT_STREQ(a, "untouched");
    EXPECT_STREQ(c, "untouched");
    EXPECT_EQ(HAVRO(OpenSoundCard)("{no-such-endpoint}", "", ""), 1);
    EXPECT_EQ(masterStatus(), 3);
    EXPECT_EQ(HAVRO(OpenSoundCard)("", "", ""), 0);
    EXPECT_EQ(masterStatus(), 3);

    std::string swapped = headphones;
    for (char& ch : swapped)
        ch = static_cast<char>(std::isupper(static_cast<unsigned char>(ch)) ? std::tolower(ch)
                                                                            : std::toupper(ch));
    ASSERT_NE(swapped, headphones);
    EXPECT_EQ(HAVRO(OpenSoundCard)(swapped.c_str(), "", ""), 1);  // found; no topology to walk
    EXPECT_EQ(masterStatus(), 0);
    EXPECT_EQ(HAVRO(OpenSoundCard)("", "", ""), 0);  // stays open, its controls released
    EXPECT_EQ(masterStatus(), 1);
    HAVRO(OpenSoundCard)(headphones.substr(3, 12).c_str(), "", "");
    EXPECT_EQ(masterStatus(), 0);
    EXPECT_EQ(HAVRO(CloseSoundCard)(), 0);
    EXPECT_EQ(HAVRO(CloseSoundCard)(), 0);
    EXPECT_EQ(masterStatus(), 3);
}

TEST_F(HavroWine, EndpointLevelsAndMutesRoundTrip) {
    HAVRO(OpenSoundCard)(headphones.c_str(), "", "");
    for (int32_t percent : {50, 100, 10, 0, 2, 37, 99}) {  // tens come back exactly
        EXPECT_EQ(HAVRO(SetMasterVolume)(percent, &status), percent);
        const int32_t back = HAVRO(GetMasterVolume)(&status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(back == percent || (percent % 10 != 0 && back == percent - 1))
            << percent << " read back as " << back;
    }
    for (const auto& [flag, muted] : {std::pair{-1, 1}, {256, 0}, {1, 1}, {0, 0}}) {
        HAVRO(SetMasterMute)(flag, &status);  // the low 8 bits count
        EXPECT_EQ(HAVRO(GetMasterMute)(&status), muted) << flag;
    }

    EXPECT_EQ(HAVRO(OpenSoundCard)("", mic.c_str(), ""), 3);  // no capture topology
    for (int32_t percent : {10, 100}) {
        EXPECT_EQ(HAVRO(SetMicRecordVolume)(percent, &status), percent);
        EXPECT_EQ(HAVRO(GetMicRecordVolume)(&status), percent);
        EXPECT_EQ(status, 0);
    }
    HAVRO(GetLineRecordVolume)(&status);
    EXPECT_EQ(status, 1);

    // The second playback endpoint, apart from the set.
    HAVRO(CloseSoundCard)();
    HAVRO(OpenVirtual_1)(headphones.c_str());
    HAVRO(SetVirtualMute)(1, &status);
    EXPECT_EQ(HAVRO(GetVirtualMute)(&status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(masterStatus(), 1);  // open through the second endpoint, no playback controls
    EXPECT_EQ(HAVRO(CloseVirtual_1)(), 0);
    HAVRO(GetVirtualMute)(&status);
    EXPECT_EQ(status, 1);
}

// Names cross the boundary in the system's ANSI code page (1252 in the test prefix).
TEST(SystemCodePage, NamesAreConvertedBothWays) {
    ASSERT_EQ(GetACP(), 1252u);
    havro::coreaudio::CoreAudioSystem system;
    EXPECT_EQ(system.ToAnsi(u"Kopfh\u00f6rer \u4e2d"), "Kopfh\xf6rer ?");
    EXPECT_EQ(system.ToAnsi(u""), "");
    EXPECT_EQ(system.FromAnsi("Kopfh\xf6rer"), u"Kopfh\u00f6rer");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    CoInitialize(nullptr);  // as the program keeps COM on its one thread
    wchar_t path[MAX_PATH] = {};
    const std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    const std::wstring dll = self.substr(0, self.find_last_of(L"\\/") + 1) + L"HavroVista.dll";
    g_dll = LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
