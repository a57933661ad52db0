// Every stored value corrupted in turn, on both paths, with the real Tonekeep.exe and
// HavroVista.dll on the harness's devices.
//
// One program run per form of corruption and path. A run holds, next to "Normal
// Windows", eight registered programs (copies of fault_child.exe, each waiting a second):
// entries 1 to 7 have one per-entry value each corrupted ("Mixer", "SoundSettings",
// "MixerNumber", "PlaybackGuid", "LineInGuid", "MicGuid", "VistaSettings"), entry 8 its
// "Name"; "Settings 0", "Mixer 0", "EscKey", "Exit" and "StartMin", which only the
// start-up reads, are corrupted in the same run. A watch takes a timer interval, so
// each corrupted entry is launched in every other form (entry 1 and entry 8 in all). The program
// must start, every listed entry must be selectable, launchable (entry 8 refuses with its message)
// and be restored by the watch; the program ends only through the tray; and no value may change but
// the ones the program writes: the selected entries' profile values and the three options
// (rewritten from what they read), and "Mixer 0" where the legacy start-up repairs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "wine_util.h"
#include "mixer_win.h"

namespace tk::wintest {
namespace {

using namespace std::chrono_literals;

enum class Form { Empty, Word, Enormous, Foreign, Random };
constexpr Form kForms[] = {Form::Empty, Form::Word, Form::Enormous, Form::Foreign, Form::Random};
const char* formName(Form f) {
    static const char* const names[] = {"empty", "not a number", "enormous", "from another device",
                                        "random bytes"};
    return names[static_cast<int>(f)];
}

// Entries 1..7: one per-entry value each; entry 8: its name.
const std::wstring kEntryBases[] = {L"Mixer",        L"SoundSettings", L"MixerNumber",
                                    L"PlaybackGuid", L"LineInGuid",    L"MicGuid",
                                    L"VistaSettings"};
constexpr int kNameEntry = 8;
constexpr int kEntries = 9;
const std::wstring kStartupKeys[] = {L"Settings 0", L"Mixer 0", L"EscKey", L"Exit", L"StartMin"};
const std::wstring kOptionKeys[] = {L"EscKey", L"Exit", L"StartMin"};

std::wstring entryKey(const std::wstring& base, int n) {
    return base + L" " + std::to_wstring(n);
}

bool isNumberKey(const std::wstring& key) {
    for (const wchar_t* base : {L"Mixer ", L"MixerNumber ", L"EscKey", L"Exit", L"StartMin"})
        if (key.rfind(base, 0) == 0) return true;
    return false;
}

// What the tests know of the devices, for the "from another device" forms.
struct Foreign {
    std::wstring mixerText;        // level text of a mixer device no entry uses
    std::wstring lastMixer;        // that device's index
    std::wstring captureFragment;  // "Microphone"
    std::wstring renderFragment;   // "Headphones"
};

RawValue corrupt(const std::wstring& key, Form form, const Foreign& foreign, unsigned seed) {
    const bool number = isNumberKey(key);
    const bool guid = key.find(L"Guid") != std::wstring::npos;
    switch (form) {
        case Form::Empty:
            return textValue(L"");
        case Form::Word:
            return textValue(number ? L"abc" : guid ? L"not-an-endpoint" : L"garbage;|%,.");
        case Form::Enormous:
            if (number) return textValue(std::wstring(100000, L'9'));
            if (guid) return textValue(L"{" + std::wstring(100000, L'a') + L"}");
            if (key.rfind(L"Name", 0) == 0)
                return textValue(L"C:\\" + std::wstring(100000, L'x') + L".exe");
            if (key.rfind(L"VistaSettings", 0) == 0)
                return textValue(std::wstring(100000, L'1') + L",");
            return textValue(std::wstring(100000, L'Z'));
        case Form::Foreign:
            if (key.rfind(L"Mixer ", 0) == 0) return textValue(foreign.lastMixer);
            if (key.rfind(L"MixerNumber", 0) == 0) return textValue(L"-2");
            if (key.rfind(L"PlaybackGuid", 0) == 0) return textValue(foreign.captureFragment);
            if (guid) return textValue(foreign.renderFragment);
            if (key.rfind(L"VistaSettings", 0) == 0)  // a wider device's levels, and a mixer text
                return textValue(L"250,True,-7,1,100.5,False,-1,2,99,-99,1E+300,1000,-100,");
            if (key.rfind(L"Name", 0) == 0) return textValue(L"C:\\windows\\system32");  // a folder
            if (number) return textValue(L"2");
            return textValue(foreign.mixerText);
        case Form::Random: {
            std::mt19937 rng(seed);
            RawValue v;
            // Alternately a string of odd length without terminator and a binary value.
            v.type = seed % 2 ? REG_BINARY : REG_SZ;
            v.bytes.resize(seed % 2 ? 64 : 301);
            for (BYTE& b : v.bytes) b = static_cast<BYTE>(rng());
            return v;
        }
    }
    return {};
}

class CorruptedSettings : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        bin_ = wintest::unixToWine(TK_BIN_DIR);
        if (GetFileAttributesW((bin_ + L"HavroVista.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "HavroVista.dll is not built next to Tonekeep.exe";
        foreign_.renderFragment = endpointFragment(0, L"Headphones");
        foreign_.captureFragment = endpointFragment(1, L"Microphone");
        if (foreign_.renderFragment.empty() || foreign_.captureFragment.empty())
            FAIL() << "the harness's sound server (Headphones, Microphone) is not up";
        {
            win::WinmmMixer mixer;
            const int count = mixer.mixerCount();
            ASSERT_GE(count, 2) << "Wine offers fewer than two mixer devices";
            mixer.setCurrentMixer(static_cast<int16_t>(count - 1));
            std::string text = mixer.getLevelState(0);
            foreign_.mixerText.assign(text.begin(), text.end());  // plain ASCII
            foreign_.lastMixer = std::to_wstring(count - 1);
        }
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        games_ = std::wstring(temp) + L"tonekeep faults\\";
        CreateDirectoryW(games_.c_str(), nullptr);
        const std::wstring child = wintest::ownFolder() + L"tk_fault_child.exe";
        for (int k = 1; k < kEntries; ++k) {
            ASSERT_TRUE(CopyFileW(child.c_str(), game(k).c_str(), FALSE));
            DeleteFileW((game(k) + L".runs").c_str());
        }
    }
    void TearDown() override {
        wintest::deleteTree(HKEY_CURRENT_USER, kAppKey);
        if (games_.empty()) return;
        for (int k = 1; k < kEntries; ++k) {
            DeleteFileW(game(k).c_str());
            DeleteFileW((game(k) + L".runs").c_str());
        }
        RemoveDirectoryW(games_.c_str());
    }

    std::wstring game(int k) const { return games_ + L"game " + std::to_wstring(k) + L".exe"; }
    int runs(int k) const {
        HANDLE f =
            CreateFileW((game(k) + L".runs").c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 0;
        char buf[4096];
        DWORD got = 0;
        ReadFile(f, buf, sizeof buf, &got, nullptr);
        CloseHandle(f);
        return static_cast<int>(std::count(buf, buf + got, '\n'));
    }

    // A valid starting state: the entries registered, each selected once so that the
    // program stored its profile.
    Snapshot validState() {
        // Without "Name 0" this is a first start: it writes "Name 0", "Settings 0" and
        // "Mixer 0" before it loads the list.
        Snapshot start;
        for (int k = 1; k < kEntries; ++k) start[entryKey(L"Name", k)] = textValue(game(k));
        EXPECT_TRUE(writePrograms(start));
        Tonekeep program(bin_);
        EXPECT_TRUE(program.started());
        EXPECT_TRUE(program.waitStarted());
        for (int k = 1; k < kEntries; ++k) EXPECT_TRUE(program.select(k)) << k;
        EXPECT_TRUE(program.exitThroughTray());
        EXPECT_TRUE(program.messages.empty()) << narrowText(program.messages.front());
        return readPrograms();
    }

    std::wstring bin_, games_;
    Foreign foreign_;
};

TEST_P(CorruptedSettings, EveryStoredValueInTurn) {
    const bool legacy = GetParam();
    WindowsVersion version(legacy ? L"winxp64" : nullptr);
    const Snapshot valid = validState();
    ASSERT_FALSE(HasFailure()) << "the valid starting state could not be made";
    ASSERT_EQ(valid.count(L"Settings 0"), 1u);
    ASSERT_EQ(valid.count(legacy ? L"Mixer 8" : L"VistaSettings 8"), 1u);

    int corruptions = 0;
    for (Form form : kForms) {
        SCOPED_TRACE(std::string(legacy ? "legacy path, " : "endpoint path, ") + formName(form));
        Snapshot before = valid;
        std::vector<std::wstring> corrupted;
        unsigned seed = 1;
        for (int k = 1; k <= 7; ++k) corrupted.push_back(entryKey(kEntryBases[k - 1], k));
        corrupted.push_back(entryKey(L"Name", kNameEntry));
        for (const std::wstring& key : kStartupKeys) corrupted.push_back(key);
        for (const std::wstring& key : corrupted)
            before[key] = corrupt(key, form, foreign_, seed++);
        corruptions += static_cast<int>(corrupted.size());
        ASSERT_TRUE(writePrograms(before));
        ASSERT_EQ(readPrograms(), before) << "the corrupted values were not stored as given";

        const int startRuns = runs(1);
        Tonekeep program(bin_);
        ASSERT_TRUE(program.started());
        ASSERT_TRUE(program.waitStarted())
            << "the program did not start up" << (program.ended() ? " (it ended)" : "");
        // An empty or unreadable name ends the list before entry 8.
        const int listed = program.entryCount();
        const bool nameListed = listed == kEntries;
        EXPECT_TRUE(listed == kEntries || listed == kNameEntry) << listed;
        if (form == Form::Empty) {
            EXPECT_EQ(listed, kNameEntry);
        }

        for (int k = 1; k < listed; ++k) {
            SCOPED_TRACE("entry " + std::to_string(k));
            ASSERT_TRUE(program.select(k)) << "entry could not be selected";
            // Each watch takes a timer interval (2 s): every corrupted entry is launched
            // in every other form, entry 1 and the name entry in every form.
            if (k != 1 && k != kNameEntry && (k + static_cast<int>(form)) % 2 != 0) continue;
            const size_t messagesBefore = program.messages.size();
            const bool launched = program.launch();
            if (k == kNameEntry) {
                EXPECT_FALSE(launched);
                ASSERT_GT(program.messages.size(), messagesBefore);
                EXPECT_NE(program.messages.back().find(L"Unable to"), std::wstring::npos)
                    << narrowText(program.messages.back().substr(0, 200));
                ASSERT_TRUE(program.settle());
                continue;
            }
            ASSERT_TRUE(launched) << "entry could not be launched";
            ASSERT_TRUE(program.waitRestored()) << "the watch did not restore Normal Windows";
            EXPECT_FALSE(program.ended());
        }
        if (listed > 1) {
            EXPECT_EQ(runs(1), startRuns + 1) << "game 1 did not run";
        }

        ASSERT_TRUE(program.exitThroughTray()) << "the tray's exit did not end the program";
        EXPECT_EQ(program.exitCode(), 0u);

        // Messages: only the ones these faults call for.
        for (const std::wstring& m : program.messages) {
            bool known = false;
            for (const wchar_t* text :
                 {L"Unable to find ", L"Unable to Launch ", L"Error setting desired sound card.",
                  L"Soundcard that was setup for selected program missing"})
                known = known || m.find(text) != std::wstring::npos;
            EXPECT_TRUE(known) << "unexpected message: " << narrowText(m.substr(0, 200));
        }

        // No value changed but the ones the program writes.
        std::set<std::wstring> mayChange(std::begin(kOptionKeys), std::end(kOptionKeys));
        const std::vector<std::wstring> profileBases =
            legacy ? std::vector<std::wstring>{L"Mixer", L"SoundSettings"}
                   : std::vector<std::wstring>{L"MixerNumber", L"SoundSettings", L"PlaybackGuid",
                                               L"LineInGuid",  L"MicGuid",       L"VistaSettings"};
        for (int k = 0; k < listed; ++k)
            for (const std::wstring& base : profileBases) mayChange.insert(entryKey(base, k));
        if (legacy) mayChange.insert(L"Mixer 0");
        const Snapshot after = readPrograms();
        std::set<std::wstring> names;
        for (const auto& [name, v] : before) names.insert(name);
        for (const auto& [name, v] : after) names.insert(name);
        for (const std::wstring& name : names) {
            auto b = before.find(name);
            auto a = after.find(name);
            if (b != before.end() && a != after.end() && b->second == a->second) continue;
            EXPECT_TRUE(a != after.end()) << "deleted: " << narrowText(name);
            EXPECT_TRUE(mayChange.count(name))
                << "changed: " << narrowText(name) << " from "
                << narrowText(b == before.end() ? L"<absent>" : describe(b->second)) << " to "
                << narrowText(a == after.end() ? L"<absent>" : describe(a->second));
        }
        // What the program wrote back for the corrupted entries is well formed again.
        for (int k = 1; k <= 7 && k < listed; ++k) {
            if (legacy) {
                EXPECT_EQ(describe(after.at(entryKey(L"SoundSettings", k))).rfind(L"TKL1|", 0), 0u)
                    << k;
            } else {
                const std::wstring levels = describe(after.at(entryKey(L"VistaSettings", k)));
                EXPECT_EQ(std::count(levels.begin(), levels.end(), L','), 13) << k;
                EXPECT_NE(describe(after.at(entryKey(L"MixerNumber", k))), L"-1") << k;
            }
        }

        if (!nameListed) {
            EXPECT_EQ(after.at(entryKey(L"Name", kNameEntry)),
                      before.at(entryKey(L"Name", kNameEntry)));
        }
        std::printf(
            "[ faults   ] %s path, %s: %d values corrupted, %d entries listed, %zu "
            "messages, exit code %lu\n",
            legacy ? "legacy" : "endpoint", formName(form), static_cast<int>(corrupted.size()),
            listed, program.messages.size(), program.exitCode());
    }
    std::printf("[ faults   ] %s path: %d corruptions, all runs ended through the tray\n",
                legacy ? "legacy" : "endpoint", corruptions);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, CorruptedSettings, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Legacy" : "Endpoint"; });

}  // namespace
}  // namespace tk::wintest
