// The stand-in enumerator as the tests use it: registered per user in the test prefix for
// the MMDeviceEnumerator class while the test program runs, one description file per
// scenario (named to this process and to the programs it starts by TK_TOPOLOGY), and the
// stand-in's report (TK_TOPOLOGY_REPORT) read back as control values and held objects;
// endpoints hidden and shown in a running program through the stand-in's device commands.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

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

inline const wchar_t kEnumeratorClassKey[] =
    L"Software\\Classes\\CLSID\\{BCDE0395-E52F-467C-8E3D-C4579291692E}";
inline const wchar_t kEnumeratorServerKey[] =
    L"Software\\Classes\\CLSID\\{BCDE0395-E52F-467C-8E3D-C4579291692E}\\InprocServer32";

// Registers the stand-in for the whole test program (a gtest environment) and takes the
// registration away again, so that every other test finds the prefix's own enumerator.
//
// Windows takes a per-user class registration (HKCU\Software\Classes) before the
// machine's, and that is where it goes. Wine 8 reads classes from the machine hive only,
// so the machine's server path of the private test prefix is pointed at the stand-in as
// well, and Wine's own value put back at the end (an interrupted run that left the
// stand-in there is recognised and mended at the next start).
class StandinRegistration : public ::testing::Environment {
  public:
    void SetUp() override {
        std::wstring dll = wintest::unixToWine(TK_STANDIN);
        dll.pop_back();  // unixToWine gives a folder's trailing backslash
        ASSERT_TRUE(wintest::readString(HKEY_LOCAL_MACHINE, kEnumeratorServerKey, L"", wine_));
        if (wine_.find(L"tk_topology_standin") != std::wstring::npos) wine_ = kWineServer;
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ASSERT_TRUE(wintest::writeString(root, kEnumeratorServerKey, L"", dll));
            ASSERT_TRUE(
                wintest::writeString(root, kEnumeratorServerKey, L"ThreadingModel", L"Both"));
        }
        ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr));
    }
    void TearDown() override {
        CoUninitialize();
        wintest::deleteTree(HKEY_CURRENT_USER, kEnumeratorClassKey);
        if (!wine_.empty()) {
            EXPECT_TRUE(wintest::writeString(HKEY_LOCAL_MACHINE, kEnumeratorServerKey, L"", wine_));
        }
    }

  private:
    static constexpr wchar_t kWineServer[] = L"C:\\windows\\system32\\mmdevapi.dll";
    std::wstring wine_;
};

// One description in force for this process and the programs it starts from now on.
class Scenario {
  public:
    Scenario(const std::string& name, const std::string& description) {
        const std::wstring folder = FolderOnce();
        const std::wstring base = folder + std::wstring(name.begin(), name.end());
        const std::wstring file = base + L".txt";
        report_ = base + L".report";
        DeleteFileW(report_.c_str());
        std::ofstream(file.c_str(), std::ios::binary) << description;
        SetEnvironmentVariableW(L"TK_TOPOLOGY", file.c_str());
        SetEnvironmentVariableW(L"TK_TOPOLOGY_REPORT", report_.c_str());
    }
    ~Scenario() {
        SetEnvironmentVariableW(L"TK_TOPOLOGY", nullptr);
        SetEnvironmentVariableW(L"TK_TOPOLOGY_REPORT", nullptr);
    }
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // Every control of the description with its present value.
    Values Controls() const {
        Values out;
        std::istringstream in(wintest::readFile(report_).value_or(""));
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string what, part, kind, channel;
            double value = 0;
            if (words >> what >> part >> kind >> channel >> value && what == "value") {
                out[part + "." + kind + "." + channel] = value;
            }
        }
        return out;
    }

    // The objects still referenced, as the stand-in listed them under "dump TAG" ("" when
    // none). In this process the stand-in is asked now; "unload" is what it wrote when the
    // process that used it ended.
    std::string Held(const std::string& tag) const {
        if (tag != "unload") {
            HMODULE standin = GetModuleHandleW(L"tk_topology_standin.dll");
            if (standin == nullptr) return "<stand-in not loaded>";
            auto dump = reinterpret_cast<int(WINAPI*)(const char*)>(
                reinterpret_cast<void*>(GetProcAddress(standin, "TopologyDump")));
            if (dump == nullptr) return "<no TopologyDump>";
            dump(tag.c_str());
        }
        std::string held;
        bool found = false;
        // A process that ended writes its list while it unloads: wait for it a little.
        wintest::waitFor([&] { return (found = Dump(tag, &held)) || tag != "unload"; });
        return found ? held : "<no dump " + tag + ">";
    }

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

    // Carries out a device command ("hide Line In") in the process `pid`, whose stand-in
    // watches for it once a notification client is registered there, and waits until
    // the stand-in has called the clients. False when it did not, or called none.
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
    bool Dump(const std::string& tag, std::string* held) const {
        std::istringstream in(wintest::readFile(report_).value_or(""));
        bool found = false, inside = false;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("dump ", 0) == 0) {
                inside = line == "dump " + tag;
                if (inside) found = true, held->clear();
            } else if (inside && line.rfind("held ", 0) == 0) {
                *held += line.substr(5) + "; ";
            }
        }
        return found;
    }

    static std::wstring FolderOnce() {
        static const std::wstring folder = wintest::freshTempFolder(L"tk_topology");
        return folder;
    }
    std::wstring report_;
};

}  // namespace tk::topology
