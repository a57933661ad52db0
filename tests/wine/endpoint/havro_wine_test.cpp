// HavroVista.dll under Wine: loaded exactly as the program loads it (LoadLibrary from the
// executable's folder, GetProcAddress by name), driven against Wine's Core Audio and the
// harness's PulseAudio null devices ("Speakers", "Headphones", "Microphone", "Line In").
//
// Wine offers no IDeviceTopology, so every walk fails there (OpenSoundCard reports the
// endpoint as failed) while the endpoint volumes stay usable. Wine's IAudioEndpointVolume
// keeps its level in each object it hands out, not in the device, so a level set through
// the library cannot be seen through another object; levels are read back through the
// library. The walks, the topology controls and their exact restore on close are proven on
// scripted topologies in tests/wine/topology.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "havro_vista.h"

namespace {

// The exports these tests call.
// clang-format off
#define HAVRO_EXPORTS(X)                                                                    \
    X(GetNumberPlayDevices) X(GetNumberRecordDevices) X(GetPlayBackDevice)                  \
    X(GetRecordDevice) X(GetDeviceNames) X(OpenDefaultDevices) X(OpenSoundCard)             \
    X(CloseSoundCard) X(SetMasterVolume) X(GetMasterVolume) X(SetMasterMute)                \
    X(GetMasterMute) X(SetMicRecordVolume) X(GetMicRecordVolume) X(GetLineRecordVolume)     \
    X(GetLinePlayBack) X(GetEQRange) X(OpenVirtual_1) X(CloseVirtual_1) X(SetVirtualVolume) \
    X(GetVirtualVolume) X(SetVirtualMute) X(GetVirtualMute)
// clang-format on

struct Api {
    HMODULE dll = nullptr;
#define HAVRO_FN(name) havro::PFN_##name name = nullptr;
    HAVRO_EXPORTS(HAVRO_FN)
#undef HAVRO_FN
};

Api g_api;

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

bool LoadApi() {
    const std::wstring path = ExeFolder() + L"HavroVista.dll";
    g_api.dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (g_api.dll == nullptr) return false;
#define HAVRO_BIND(name)                              \
    g_api.name = reinterpret_cast<havro::PFN_##name>( \
        reinterpret_cast<void*>(GetProcAddress(g_api.dll, #name)));
    HAVRO_EXPORTS(HAVRO_BIND)
#undef HAVRO_BIND
    return true;
}

struct Endpoint {
    std::string name;
    std::string id;
};

std::vector<Endpoint> List(bool playback) {
    std::vector<Endpoint> out;
    int32_t count = 0;
    if ((playback ? g_api.GetNumberPlayDevices : g_api.GetNumberRecordDevices)(&count) != 0) {
        return out;
    }
    for (int32_t i = 0; i < count; ++i) {
        char name[256] = {};
        char id[256] = {};
        if ((playback ? g_api.GetPlayBackDevice : g_api.GetRecordDevice)(i, name, id) == 0) {
            out.push_back({name, id});
        }
    }
    return out;
}

const Endpoint* FindByName(const std::vector<Endpoint>& list, const char* needle) {
    for (const Endpoint& e : list) {
        if (e.name.find(needle) != std::string::npos) return &e;
    }
    return nullptr;
}

// The part the program stores: from the "{" after the first "}.{" to the end.
std::string Fragment(const std::string& id) {
    const size_t at = id.find("}.{");
    return at == std::string::npos ? id : id.substr(at + 2);
}

std::string SwapCase(std::string s) {
    for (char& c : s) {
        c = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                        : static_cast<char>(std::toupper(c));
    }
    return s;
}

class HavroWineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        playback = List(true);
        capture = List(false);
        speakers = FindByName(playback, "Speakers");
        headphones = FindByName(playback, "Headphones");
        microphone = FindByName(capture, "Microphone");
        if (speakers == nullptr || headphones == nullptr) {
            FAIL() << "the harness's PulseAudio sinks are not visible to Wine (is "
                      "tk_env_up run and PULSE_SERVER/XDG_RUNTIME_DIR exported?)";
        }
    }
    void TearDown() override {
        g_api.CloseSoundCard();
        g_api.CloseVirtual_1();
    }

    std::vector<Endpoint> playback, capture;
    const Endpoint* speakers = nullptr;
    const Endpoint* headphones = nullptr;
    const Endpoint* microphone = nullptr;
    int32_t status = -1;
};

TEST(HavroWineLoad, LevelExportsAnswerStatus3BeforeAnyOpen) {
    int32_t status = -1;
    EXPECT_EQ(g_api.GetMasterVolume(&status), 0);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(g_api.SetMasterVolume(50, &status), 0);
    EXPECT_EQ(status, 3);
    double mn = 1, mx = 1, st = 1;
    EXPECT_EQ(g_api.GetEQRange(&mn, &mx, &st), 3);
    EXPECT_EQ(g_api.SetVirtualVolume(10, &status), 0);
    EXPECT_EQ(status, 1);
    char a[256] = "untouched", b[256] = "untouched", c[256] = "untouched";
    g_api.GetDeviceNames(a, b, c);
    EXPECT_STREQ(a, "untouched");
    EXPECT_STREQ(c, "untouched");
}

TEST_F(HavroWineTest, ResolvesAFragmentInOtherLetterCase) {
    // The fragment's GUID is the headphones' alone, so an open set proves the match.
    const std::string fragment = SwapCase(Fragment(headphones->id));
    ASSERT_NE(fragment, Fragment(headphones->id));
    const int32_t r = g_api.OpenSoundCard(fragment.c_str(), "", "");
    EXPECT_TRUE(r == 0 || r == 1) << r;  // 1: Wine has no device topology to walk
    EXPECT_EQ(g_api.SetMasterVolume(10, &status), 10);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.GetMasterVolume(&status), 10);
    // A part of the id in the middle works too.
    const std::string middle = Fragment(speakers->id).substr(3, 12);
    g_api.OpenSoundCard(middle.c_str(), "", "");
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 0);
}

TEST_F(HavroWineTest, UnknownIdFailsAndLeavesTheLibraryClosed) {
    EXPECT_EQ(g_api.OpenSoundCard("{no-such-endpoint}", "", ""), 1);
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 3);
}

TEST_F(HavroWineTest, MasterVolumeRoundTrips) {
    g_api.OpenSoundCard(Fragment(speakers->id).c_str(), "", "");
    EXPECT_EQ(g_api.SetMasterVolume(50, &status), 50);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.GetMasterVolume(&status), 50);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.SetMasterVolume(100, &status), 100);
    EXPECT_EQ(g_api.GetMasterVolume(&status), 100);
    g_api.SetMasterVolume(10, &status);
    EXPECT_EQ(g_api.GetMasterVolume(&status), 10);
    g_api.SetMasterMute(-1, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.GetMasterMute(&status), 1);
    g_api.SetMasterMute(256, &status);  // low 8 bits are 0: unmute
    EXPECT_EQ(g_api.GetMasterMute(&status), 0);
    for (int32_t p : {0, 2, 20, 37, 99}) {
        g_api.SetMasterVolume(p, &status);
        const int32_t back = g_api.GetMasterVolume(&status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(back == p || back == p - 1) << p << " read back as " << back;
    }
    EXPECT_EQ(g_api.CloseSoundCard(), 0);
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 3);
}

TEST_F(HavroWineTest, RecordingVolumeOnTheMicrophone) {
    if (microphone == nullptr) FAIL() << "no \"Microphone\" source visible";
    EXPECT_EQ(g_api.OpenSoundCard("", Fragment(microphone->id).c_str(), ""), 3);  // no topology
    EXPECT_EQ(g_api.SetMicRecordVolume(10, &status), 10);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.GetMicRecordVolume(&status), 10);
    EXPECT_EQ(g_api.SetMicRecordVolume(100, &status), 100);
    EXPECT_EQ(g_api.GetMicRecordVolume(&status), 100);
    g_api.GetLineRecordVolume(&status);
    EXPECT_EQ(status, 1);
    g_api.GetLinePlayBack(&status);
    EXPECT_EQ(status, 1);  // no topology: no mix controls
}

TEST_F(HavroWineTest, ThreeEmptyTextsAndCloseTwice) {
    EXPECT_EQ(g_api.OpenSoundCard("", "", ""), 0);
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 3);  // was closed, stays closed
    g_api.OpenSoundCard(Fragment(speakers->id).c_str(), "", "");
    EXPECT_EQ(g_api.OpenSoundCard("", "", ""), 0);
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 1);  // stays open, controls released
    EXPECT_EQ(g_api.CloseSoundCard(), 0);
    EXPECT_EQ(g_api.CloseSoundCard(), 0);
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 3);
}

TEST_F(HavroWineTest, OpenDefaultDevicesThenNames) {
    EXPECT_EQ(g_api.OpenDefaultDevices(), 0);
    char play[256] = "untouched", line[256] = "untouched", mic[256] = "untouched";
    g_api.GetDeviceNames(play, line, mic);
    EXPECT_STRNE(play, "untouched");  // the default playback endpoint's name
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.CloseSoundCard(), 0);
}

// (Its volume is proven on every topology row.)
TEST_F(HavroWineTest, SecondEndpoint) {
    const int32_t r = g_api.OpenVirtual_1(Fragment(headphones->id).c_str());
    EXPECT_TRUE(r == 0 || r == 1) << r;
    g_api.SetVirtualMute(1, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(g_api.GetVirtualMute(&status), 1);
    g_api.SetVirtualMute(0, &status);
    g_api.GetMasterVolume(&status);
    EXPECT_EQ(status, 1);  // open through the second endpoint, no playback controls
    EXPECT_EQ(g_api.CloseVirtual_1(), 0);
    g_api.GetVirtualVolume(&status);
    EXPECT_EQ(status, 1);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The program keeps COM initialised on its one thread; so does this test.
    CoInitialize(nullptr);
    if (!LoadApi()) {
        fprintf(stderr, "HavroVista.dll could not be loaded from the test's folder\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
