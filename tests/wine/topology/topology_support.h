// The stand-in enumerator (standin.cpp) as the tests use it: registered for the
// MMDeviceEnumerator class while the test program runs, one description file per scenario
// (named to this process and the programs it starts by TK_TOPOLOGY), its report
// (TK_TOPOLOGY_REPORT) read back as control values and held objects, and endpoints hidden
// and shown in a running program through its device commands.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "wine_util.h"

namespace tk::topology {

// "part.kind.channel" -> dB (flags 0 or 1), the latest value the stand-in reported.
using Values = std::map<std::string, double>;

inline std::wstring BinFolder() {
    return wintest::unixToWine(TK_BIN_DIR);
}

// The playback of an on-board codec: master volume and mute, a tone stage with bass and
// treble, a mixing point whose inputs mute1/mute2/cdmute are fed by volumes vol1/vol2/cdvol
// behind the jacks named `first`, `second` and "CD".
inline std::string CodecPlayback(const std::string& first, const std::string& second) {
    return R"(
endpoint Speakers|Headphones
connector out "Speakers"
part master "Master Volume" volume=-65.25:0:0.75:-10,-10 mute=0
part tone "Tone" bass=-12:12:1:3,3 treble=-12:12:1:-2,-2
part sum "Sum"
connector jack1 ")" +
           first + R"("
part vol1 "Volume 1" volume=-34.5:12:1.5:-6,-7.5
part mute1 "Mute 1" mute=0
connector jack2 ")" +
           second + R"("
part vol2 "Volume 2" volume=-34.5:12:1.5:0,0
part mute2 "Mute 2" mute=1
connector cd "CD"
part cdvol "CD Volume" volume=-34.5:12:1.5:-3,-3
part cdmute "CD Mute" mute=0
link jack1 vol1 mute1 sum
link jack2 vol2 mute2 sum
link cd cdvol cdmute sum
link sum tone master out
start out
)";
}

// Registers the stand-in for the whole test program (a gtest environment) and takes the
// registration away again. Windows takes a per-user class registration before the
// machine's; Wine 8 reads classes from the machine hive only, so the private prefix's
// machine entry is pointed at the stand-in as well and Wine's own put back at the end (one
// that an interrupted run left pointing at the stand-in is mended at the next start).
class StandinRegistration : public ::testing::Environment {
  public:
    void SetUp() override {
        std::wstring dll = wintest::unixToWine(TK_STANDIN);
        dll.pop_back();  // unixToWine gives a folder's trailing backslash
        ASSERT_TRUE(wintest::readString(HKEY_LOCAL_MACHINE, kServer, L"", wine_));
        if (wine_.find(L"tk_topology_standin") != std::wstring::npos) {
            wine_ = L"C:\\windows\\system32\\mmdevapi.dll";
        }
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ASSERT_TRUE(wintest::writeString(root, kServer, L"", dll));
            ASSERT_TRUE(wintest::writeString(root, kServer, L"ThreadingModel", L"Both"));
        }
        ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr));
    }
    void TearDown() override {
        CoUninitialize();
        wintest::deleteTree(HKEY_CURRENT_USER, kClass);
        if (!wine_.empty()) {
            EXPECT_TRUE(wintest::writeString(HKEY_LOCAL_MACHINE, kServer, L"", wine_));
        }
    }

  private:
    const std::wstring kClass = L"Software\\Classes\\CLSID\\{BCDE0395-E52F-467C-8E3D-C4579291692E}";
    const std::wstring kServer = kClass + L"\\InprocServer32";
    std::wstring wine_;
};

// One description in force for this process and the programs it starts from now on.
class Scenario {
  public:
    Scenario(const std::string& name, const std::string& description) {
        static const std::wstring folder = wintest::freshTempFolder(L"tk_topology");
        const std::wstring base = folder + std::wstring(name.begin(), name.end());
        report_ = base + L".report";
        DeleteFileW(report_.c_str());
        std::ofstream((base + L".txt").c_str(), std::ios::binary) << description;
        SetEnvironmentVariableW(L"TK_TOPOLOGY", (base + L".txt").c_str());
        SetEnvironmentVariableW(L"TK_TOPOLOGY_REPORT", report_.c_str());
    }
    ~Scenario() {
        SetEnvironmentVariableW(L"TK_TOPOLOGY", nullptr);
        SetEnvironmentVariableW(L"TK_TOPOLOGY_REPORT", nullptr);
    }
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // The report's lines that begin with `prefix`.
    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> out;
        std::istringstream in(wintest::readFile(report_).value_or(""));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        }
        return out;
    }

    // Every control of the description with its present value.
    Values Controls() const {
        Values out;
        for (const std::string& line : Lines("value ")) {
            std::istringstream words(line.substr(6));
            std::string part, kind, channel;
            double value = 0;
            if (words >> part >> kind >> channel >> value) {
                out[part + "." + kind + "." + channel] = value;
            }
        }
        return out;
    }

    // Checks that since `before` the control "part.kind" has come to hold `db` (a value per
    // channel), and that no other control moved.
    void ExpectMoved(const Values& before, const std::string& control,
                     const std::vector<double>& db) const {
        for (const auto& [key, value] : Controls()) {
            const size_t dot = key.rfind('.');
            if (key.substr(0, dot) != control) {
                EXPECT_EQ(value, before.at(key)) << key << " moved";
                continue;
            }
            const size_t channel = std::stoul(key.substr(dot + 1));
            ASSERT_LT(channel, db.size()) << key;
            EXPECT_NEAR(value, db[channel], 1e-3) << key;
        }
    }

    // The objects still referenced, as the stand-in listed them under the last "dump TAG"
    // ("" when none). In this process the stand-in is asked now; "unload" is what it wrote
    // when the process that used it ended, waited for a little.
    std::string Held(const std::string& tag) const {
        if (tag != "unload") {
            HMODULE standin = GetModuleHandleW(L"tk_topology_standin.dll");
            auto dump = reinterpret_cast<int(WINAPI*)(const char*)>(
                reinterpret_cast<void*>(GetProcAddress(standin, "TopologyDump")));
            if (standin == nullptr || dump == nullptr) return "<stand-in not loaded>";
            dump(tag.c_str());
        }
        std::vector<std::string> lines;
        const std::string start = "dump " + tag;
        if (!wintest::waitFor([&] {
                lines = Lines("");
                return std::find(lines.begin(), lines.end(), start) != lines.end();
            })) {
            return "<no " + start + ">";
        }
        std::string held;
        bool inside = false;
        for (const std::string& line : lines) {
            if (line.rfind("dump ", 0) == 0) inside = line == start;
            if (line == start) held.clear();
            if (inside && line.rfind("held ", 0) == 0) held += line.substr(5) + "; ";
        }
        return held;
    }

    // Carries out a device command ("hide Line In") in the process `pid`, whose stand-in
    // watches for it once a notification client is registered there, and waits until the
    // stand-in has called the clients. False when it did not, or called none.
    bool Change(DWORD pid, const std::string& command) const {
        const std::wstring name = L"tk_topology_devices_" + std::to_wstring(pid);
        HANDLE event = nullptr;
        wintest::waitFor([&] {
            return (event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())) != nullptr;
        });
        if (event == nullptr) return false;
        const std::string done = "notified " + command + " ";
        const size_t before = Lines(done).size();
        std::ofstream((report_ + L".devices").c_str(), std::ios::binary) << command << "\n";
        SetEvent(event);
        CloseHandle(event);
        std::vector<std::string> lines;
        return wintest::waitFor([&] { return (lines = Lines(done)).size() > before; }) &&
               lines.back() != done + "unknown" && lines.back() != done + "0";
    }

  private:
    std::wstring report_;
};

}  // namespace tk::topology
