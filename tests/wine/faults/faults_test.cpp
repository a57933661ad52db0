// Faults met by the real Tonekeep.exe and HavroVista.dll, on both paths: a playback device
// that goes away while the program runs (device_requests.sh loads and unloads it), then
// every stored value corrupted in each form.
#include <gtest/gtest.h>

#include <regex>

#include "mixer_win.h"
#include "sound_vista_win.h"
#include "user_input.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
const std::wstring kMissing = L"Soundcard that was setup for selected program missing";

// The corrupted values: entries 1 to 7 one per-entry value each, entry 8 its name, then
// what the start-up reads. Each form of a value depends on its kind.
enum Kind { kMixer, kMixerNumber, kOption, kPlayGuid, kGuid, kName, kVista, kText };
const std::pair<const wchar_t*, Kind> kCorrupted[] = {
    {L"Mixer 1", kMixer},           {L"SoundSettings 2", kText}, {L"MixerNumber 3", kMixerNumber},
    {L"PlaybackGuid 4", kPlayGuid}, {L"LineInGuid 5", kGuid},    {L"MicGuid 6", kGuid},
    {L"VistaSettings 7", kVista},   {L"Name 8", kName},          {L"Settings 0", kText},
    {L"Mixer 0", kMixer},           {L"EscKey", kOption},        {L"Exit", kOption},
    {L"StartMin", kOption}};

// Form `form` of a value: empty, not a number, enormous, from another device (`foreign`
// holds each kind's), not text or text of odd length.
RawValue corrupt(int form, Kind kind, const std::wstring* foreign, int index) {
    // An enormous value repeats one character 100,000 times inside its kind's outer marks.
    std::wstring many(100000, L"999aax1Z"[kind]);
    if (kind == kPlayGuid || kind == kGuid) many = L"{" + many + L"}";
    if (kind == kName) many = L"C:\\" + many + L".exe";
    if (kind == kVista) many += L",";
    const std::wstring text[] = {L"", L"garbage;|%,.", many, foreign[kind]};
    if (form < 4) return textValue(text[form]);
    // By the value's place, a REG_DWORD whose bytes read "1" as text (Name 8 among them) or
    // text of odd length, without terminator, holding a lone surrogate and control characters.
    if (index % 2 == 0) return {REG_DWORD, {'1', 0, 0, 0}};
    RawValue v = textValue(L"\xD800\x7F,|%\x01\t");
    v.bytes.resize(v.bytes.size() - 3);
    return v;
}

// Asks device_requests.sh to load or unload its "USB-Headset" sink; true once it answered.
bool request(const wchar_t* what) {
    static int n = 0;
    const wchar_t* dir = _wgetenv(L"TK_FAULT_REQUESTS");
    if (!dir) return false;
    const std::wstring base = L"Z:" + std::wstring(dir) + L"/" + std::to_wstring(++n);
    FILE* f = _wfopen((base + L"." + what).c_str(), L"w");
    return f && !fclose(f) && waitFor([&] { return fileExists(base + L".done"); }, 20s);
}

class Faults : public ::testing::TestWithParam<bool> {};

TEST_P(Faults, ADeviceGoesAwayThenEveryStoredValueInEachForm) {
    const bool legacy = GetParam();
    const std::wstring bin = unixToWine(TK_BIN_DIR), dir = freshTempFolder(L"tonekeep faults");
    WindowsVersion version(legacy ? L"winxp64" : nullptr);
    const int box = legacy ? id::kSoundCard : id::kCmbSpeakers;
    const auto headset = [&](const Tonekeep& p) {
        return int(SendMessageW(p.control(box), CB_FINDSTRING, -1, LPARAM(L"USB-Headset")));
    };
    const auto game = [&](int k) { return dir + L"game " + std::to_wstring(k); };
    Snapshot valid;
    for (int k = 1; k <= 8; ++k) {
        ASSERT_TRUE(CopyFileW((ownFolder() + L"tk_fault_waiter.exe").c_str(),
                              (game(k) + L".exe").c_str(), FALSE));
        valid[L"Name " + std::to_wstring(k)] = textValue(game(k) + L".exe");
    }
    ASSERT_TRUE(writePrograms(valid));
    {  // A valid state: every entry selected once, which stores its profile.
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        for (int k = 1; k <= 8; ++k) ASSERT_TRUE(p.select(k)) << k;
        ASSERT_TRUE(p.exitThroughTray());
    }
    ASSERT_TRUE(request(L"load")) << "run through device_requests.sh, which loads the device";
    const std::wstring usb = endpointFragment(0, L"USB-Headset");
    {
        // Entry 1 is put on the headset, which then goes: the running program keeps the
        // devices it listed, and selection, the level dialog, the watch and the end go on.
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted() && p.select(1));
        ASSERT_GE(headset(p), 0) << "the program does not list the USB headset";
        p.pick(box, headset(p));
        ASSERT_TRUE(request(L"unload"));
        EXPECT_TRUE(p.select(0) && p.select(1));
        if (!legacy) {  // the level dialog, not modal, opens and closes
            p.press(id::kCmdSetup);
            HWND dlg = FindWindowW(win::kSoundVistaWindowClass, nullptr);
            ASSERT_TRUE(IsWindowVisible(dlg)) << "the level dialog did not open";
            clickButton(dlg, win::soundvistaid::kCommand1);
            EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(dlg); }) && p.settle());
        }
        ASSERT_TRUE(p.launch() && p.waitRestored() && p.exitThroughTray());
        for (const std::wstring& m : p.messages)
            EXPECT_TRUE(legacy && m.find(kMissing) != std::wstring::npos) << narrowText(m);
    }
    valid = readPrograms();
    ASSERT_TRUE(legacy || describe(valid.at(L"PlaybackGuid 1")) == usb) << "not on the headset";

    win::WinmmMixer mixer;
    const int mixers = mixer.mixerCount();
    mixer.setCurrentMixer(static_cast<int16_t>(mixers - 1));
    const std::string levels = mixer.getLevelState(0);  // plain ASCII
    const std::wstring last = std::to_wstring(mixers - 1), text(levels.begin(), levels.end());
    const wchar_t* wider = L"250,True,-7,1,100.5,False,-1,2,99,-99,1E+300,1000,-100,";
    // The vanished headset's endpoint stands for every endpoint of another device.
    const std::wstring foreign[] = {last,  L"-2", L"2", usb, usb, L"C:\\windows\\system32",
                                    wider, text};

    // One run per form: every listed entry is selected (which stores its profile; entry 1's
    // on the endpoint path falls back to the device then selected and stores nothing), one
    // entry, a different one each run, is launched and restored, entry 8 is refused with a
    // message, and nothing changes but what the program writes, which is well formed.
    // What the program may write ("name=value"): the options, and on its own path the
    // profiles of the listed entries.
    const std::wregex written(
        legacy
            ? L"(EscKey|Exit|StartMin)=[0-2]|Mixer \\d+=\\d+|SoundSettings \\d+=TKL1\\|.*"
            : L"(EscKey|Exit|StartMin)=[0-2]|MixerNumber \\d+=\\d+|VistaSettings \\d+=([^,]*,){13}|"
              L"(SoundSettings|PlaybackGuid|LineInGuid|MicGuid) \\d+=.*");
    const std::wregex known(L"Unable to (find|Launch) |Error setting desired sound card|" +
                            kMissing);
    for (int form = 0; form < 5; ++form) {
        SCOPED_TRACE("form " + std::to_string(form));
        Snapshot before = valid;
        int index = 0;
        for (const auto& [name, kind] : kCorrupted)
            before[name] = corrupt(form, kind, foreign, ++index);
        ASSERT_TRUE(writePrograms(before));
        const int launched = 2 + (form + (legacy ? 3 : 0)) % 6;

        Tonekeep program(bin);
        ASSERT_TRUE(program.waitStarted()) << (program.ended() ? "it ended" : "no start-up");
        EXPECT_LT(headset(program), 0);
        // A name that is empty or not text ends the list before entry 8; any other is
        // listed by its whole file name.
        const int listed = program.entryCount();
        ASSERT_EQ(listed, form == 0 || form == 4 ? 8 : 9);
        if (listed == 9) {
            const std::wstring name =
                reinterpret_cast<const wchar_t*>(before[L"Name 8"].bytes.data());
            EXPECT_TRUE(program.entryText(8) == name.substr(name.rfind(L'\\') + 1)) << "cut";
        }
        for (int k = 1; k < listed; ++k) {
            const int device = program.selected(box);
            ASSERT_TRUE(program.select(k)) << k;
            EXPECT_TRUE(legacy || k != 1 || program.selected(box) == device);
            ASSERT_TRUE(k != launched || (program.launch() && program.waitRestored())) << k;
            const size_t said = program.messages.size();
            EXPECT_TRUE(k != 8 || (!program.launch() && program.messages.size() > said));
        }
        ASSERT_TRUE(program.exitThroughTray()) << "the tray's exit did not end the program";
        EXPECT_EQ(program.exitCode(), 0u);
        for (const std::wstring& m : program.messages)
            EXPECT_TRUE(std::regex_search(m, known))
                << "unexpected message: " << narrowText(m.substr(0, 200));

        // Nothing went, and nothing changed but what the program may write.
        const Snapshot after = readPrograms();
        EXPECT_GE(after.size(), before.size()) << "a value went";
        for (const auto& [name, v] : after) {
            const size_t space = name.rfind(L' ');
            const int k = space == std::wstring::npos ? 0 : _wtoi(&name[space]);
            EXPECT_TRUE(before[name] == v || (k < listed && (legacy || k != 1) &&
                                              std::regex_match(name + L"=" + describe(v), written)))
                << "changed: " << narrowText(name) << " to " << narrowText(describe(v));
        }
    }
    removeFolder(dir);
    deleteTree(HKEY_CURRENT_USER, kAppKey);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Faults, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Legacy" : "Endpoint"; });

}  // namespace
}  // namespace tk::wintest
