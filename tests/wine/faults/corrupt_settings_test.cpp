// Every stored value corrupted in each form, on both paths, with the real Tonekeep.exe and
// HavroVista.dll. One run per form and path: entries 1 to 7 have one per-entry value each
// corrupted, entry 8 its "Name", and the values the start-up reads are corrupted too. Every
// listed entry is selectable (a selection stores its profile as the watch's end does), one
// entry per run, a different one each run, is launched and restored, entry 8 is refused with
// a message, and nothing changes but what the program writes, which is well formed again.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "mixer_win.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

enum Kind { kMixer, kMixerNumber, kOption, kPlayGuid, kGuid, kName, kVista, kText };
struct Key {
    std::wstring name;
    Kind kind;
};
// Entries 1..7 in order; entry 8 its name; then what the start-up reads.
const Key kCorrupted[] = {
    {L"Mixer 1", kMixer},           {L"SoundSettings 2", kText}, {L"MixerNumber 3", kMixerNumber},
    {L"PlaybackGuid 4", kPlayGuid}, {L"LineInGuid 5", kGuid},    {L"MicGuid 6", kGuid},
    {L"VistaSettings 7", kVista},   {L"Name 8", kName},          {L"Settings 0", kText},
    {L"Mixer 0", kMixer},           {L"EscKey", kOption},        {L"Exit", kOption},
    {L"StartMin", kOption}};
constexpr int kNameEntry = 8;
const char* const kForms[] = {"empty", "not a number", "enormous", "from another device",
                              "random bytes"};

// What the tests know of the devices, for the "from another device" form.
struct Foreign {
    std::wstring mixerText, lastMixer, capture, render;
};

RawValue corrupt(int form, Kind kind, const Foreign& f, unsigned seed) {
    const bool number = kind <= kOption, guid = kind == kPlayGuid || kind == kGuid;
    switch (form) {
        case 0:
            return textValue(L"");
        case 1:
            return textValue(number ? L"abc" : guid ? L"not-an-endpoint" : L"garbage;|%,.");
        case 2: {
            const std::wstring many(100000, L"999aax1Z"[kind]);
            return textValue(guid             ? L"{" + many + L"}"
                             : kind == kName  ? L"C:\\" + many + L".exe"
                             : kind == kVista ? many + L","
                                              : many);
        }
        case 3: {  // a folder for a name, a wider device's levels, another device's level text
            const wchar_t* wider = L"250,True,-7,1,100.5,False,-1,2,99,-99,1E+300,1000,-100,";
            const std::wstring v[] = {f.lastMixer, L"-2",      L"2",
                                      f.capture,   f.render,   L"C:\\windows\\system32",
                                      wider,       f.mixerText};
            return textValue(v[kind]);
        }
    }
    // Alternately a string of odd length without terminator and a binary value.
    std::mt19937 rng(seed);
    RawValue v{seed % 2 ? DWORD(REG_BINARY) : DWORD(REG_SZ),
               std::vector<BYTE>(seed % 2 ? 64 : 301)};
    for (BYTE& b : v.bytes) b = static_cast<BYTE>(rng());
    return v;
}

class CorruptedSettings : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        bin_ = unixToWine(TK_BIN_DIR);
        ASSERT_TRUE(fileExists(bin_ + L"HavroVista.dll")) << "HavroVista.dll is not built";
        foreign_.render = endpointFragment(0, L"Headphones");
        foreign_.capture = endpointFragment(1, L"Microphone");
        ASSERT_FALSE(foreign_.render.empty() || foreign_.capture.empty())
            << "the harness's sound server (Headphones, Microphone) is not up";
        win::WinmmMixer mixer;
        const int count = mixer.mixerCount();
        ASSERT_GE(count, 2) << "Wine offers fewer than two mixer devices";
        mixer.setCurrentMixer(static_cast<int16_t>(count - 1));
        const std::string text = mixer.getLevelState(0);
        foreign_.mixerText.assign(text.begin(), text.end());  // plain ASCII
        foreign_.lastMixer = std::to_wstring(count - 1);
        folder_ = freshTempFolder(L"tonekeep faults");
        for (int k = 1; k <= kNameEntry; ++k)
            ASSERT_TRUE(CopyFileW((ownFolder() + L"tk_fault_waiter.exe").c_str(),
                                  (game(k) + L".exe").c_str(), FALSE));
    }
    void TearDown() override {
        deleteTree(HKEY_CURRENT_USER, kAppKey);
        removeFolder(folder_);
    }
    std::wstring game(int k) const { return folder_ + L"game " + std::to_wstring(k); }

    std::wstring bin_, folder_;
    Foreign foreign_;
};

TEST_P(CorruptedSettings, EveryStoredValueInEachForm) {
    const bool legacy = GetParam();
    WindowsVersion version(legacy ? L"winxp64" : nullptr);
    // A valid state: the entries registered (a first start) and each selected once, so that
    // the program stored its profile.
    Snapshot start;
    for (int k = 1; k <= kNameEntry; ++k)
        start[L"Name " + std::to_wstring(k)] = textValue(game(k) + L".exe");
    ASSERT_TRUE(writePrograms(start));
    {
        Tonekeep program(bin_);
        ASSERT_TRUE(program.waitStarted());
        for (int k = 1; k <= kNameEntry; ++k) ASSERT_TRUE(program.select(k)) << k;
        ASSERT_TRUE(program.exitThroughTray());
        ASSERT_TRUE(program.messages.empty()) << narrowText(program.messages.front());
    }
    const Snapshot valid = readPrograms();
    ASSERT_EQ(valid.count(legacy ? L"Mixer 8" : L"VistaSettings 8"), 1u);

    for (int form = 0; form < static_cast<int>(std::size(kForms)); ++form) {
        SCOPED_TRACE(std::string(legacy ? "legacy path, " : "endpoint path, ") + kForms[form]);
        Snapshot before = valid;
        unsigned seed = 1;
        for (const Key& key : kCorrupted)
            before[key.name] = corrupt(form, key.kind, foreign_, seed++);
        ASSERT_TRUE(writePrograms(before));
        ASSERT_EQ(readPrograms(), before) << "the corrupted values were not stored as given";
        const int launched = 1 + (form + (legacy ? 5 : 0)) % 7;
        DeleteFileW((game(launched) + L".started").c_str());

        Tonekeep program(bin_);
        ASSERT_TRUE(program.waitStarted()) << (program.ended() ? "it ended" : "no start-up");
        // An empty or unreadable name ends the list before entry 8.
        const int listed = program.entryCount();
        EXPECT_TRUE(listed == kNameEntry + 1 ? form != 0 : listed == kNameEntry) << listed;
        for (int k = 1; k < listed; ++k) {
            SCOPED_TRACE("entry " + std::to_string(k));
            ASSERT_TRUE(program.select(k)) << "entry could not be selected";
            if (k == launched) {
                ASSERT_TRUE(program.launch()) << "entry could not be launched";
                ASSERT_TRUE(program.waitRestored()) << "the watch did not restore Normal Windows";
                EXPECT_TRUE(fileExists(game(k) + L".started")) << "the program did not run";
            } else if (k == kNameEntry) {
                const size_t said = program.messages.size();
                EXPECT_FALSE(program.launch());
                ASSERT_TRUE(program.settle());
                ASSERT_GT(program.messages.size(), said) << "refused without a message";
                EXPECT_NE(program.messages.back().find(L"Unable to"), std::wstring::npos);
            }
        }
        ASSERT_TRUE(program.exitThroughTray()) << "the tray's exit did not end the program";
        EXPECT_EQ(program.exitCode(), 0u);
        for (const std::wstring& m : program.messages) {
            bool known = false;
            for (const wchar_t* text :
                 {L"Unable to find ", L"Unable to Launch ", L"Error setting desired sound card.",
                  L"Soundcard that was setup for selected program missing"})
                known = known || m.find(text) != std::wstring::npos;
            EXPECT_TRUE(known) << "unexpected message: " << narrowText(m.substr(0, 200));
        }

        // No value changed but the listed entries' profiles and the options, read and
        // written back; on the legacy path "Mixer 0", which the start-up repairs.
        std::set<std::wstring> mayChange = {L"EscKey", L"Exit", L"StartMin"};
        if (legacy) mayChange.insert(L"Mixer 0");
        for (int k = 0; k < listed; ++k)
            for (const wchar_t* base :
                 legacy ? std::vector<const wchar_t*>{L"Mixer ", L"SoundSettings "}
                        : std::vector<const wchar_t*>{L"MixerNumber ", L"SoundSettings ",
                                                      L"PlaybackGuid ", L"LineInGuid ", L"MicGuid ",
                                                      L"VistaSettings "})
                mayChange.insert(base + std::to_wstring(k));
        const Snapshot after = readPrograms();
        for (const auto& [name, v] : before)
            EXPECT_TRUE(after.count(name)) << "deleted: " << narrowText(name);
        for (const auto& [name, v] : after) {
            const auto b = before.find(name);
            EXPECT_TRUE(mayChange.count(name) || (b != before.end() && b->second == v))
                << "changed: " << narrowText(name) << " to " << narrowText(describe(v));
        }
        // What was written back for the corrupted entries is well formed.
        for (int k = 1; k < kNameEntry; ++k) {
            const std::wstring n = L" " + std::to_wstring(k);
            if (legacy) {
                EXPECT_EQ(describe(after.at(L"SoundSettings" + n)).rfind(L"TKL1|", 0), 0u) << k;
                continue;
            }
            const std::wstring levels = describe(after.at(L"VistaSettings" + n));
            EXPECT_EQ(std::count(levels.begin(), levels.end(), L','), 13) << k;
            EXPECT_NE(describe(after.at(L"MixerNumber" + n)), L"-1") << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, CorruptedSettings, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Legacy" : "Endpoint"; });

}  // namespace
}  // namespace tk::wintest
