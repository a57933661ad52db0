// A playback device that goes away while the program is open, and comes back. The
// device is a PulseAudio null sink "USB-Headset" that device_requests.sh loads and
// unloads on request.
//
// Wine lists the audio endpoints of a process when it first asks for them, so a
// running program keeps seeing the device it listed at start-up; what is observable
// is that selection, the level dialog, the watch and the shutdown keep working while
// the device is gone, and that the next start falls back for the profile whose device
// is missing, keeping every other stored value.
#include <gtest/gtest.h>

#include "wine_util.h"
#include "sound_vista_win.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

using namespace std::chrono_literals;
namespace id = win::mainid;

std::wstring requestFolder() {
    wchar_t unix[1024] = {};
    if (!GetEnvironmentVariableW(L"TK_FAULT_REQUESTS", unix, 1024)) return {};
    std::wstring w = L"Z:" + std::wstring(unix);
    for (auto& c : w)
        if (c == L'/') c = L'\\';
    return w + L"\\";
}

// Asks the script for a change of devices and waits for its answer.
bool request(const wchar_t* what) {
    static int n = 0;
    const std::wstring folder = requestFolder();
    const std::wstring base = folder + std::to_wstring(++n);
    HANDLE f = CreateFileW((base + L"." + what).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return wintest::waitFor(
        [&] { return GetFileAttributesW((base + L".done").c_str()) != INVALID_FILE_ATTRIBUTES; },
        20s);
}

int position(const Tonekeep& p, const std::wstring& name) {
    return static_cast<int>(SendMessageW(p.control(id::kCmbSpeakers), CB_FINDSTRINGEXACT,
                                         static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(name.c_str())));
}

void chooseSpeakers(Tonekeep& p, int pos) {
    HWND box = p.control(id::kCmbSpeakers);
    SendMessageW(box, CB_SETCURSEL, pos, 0);
    PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(id::kCmbSpeakers, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    p.settle();
}

// Opens the endpoint level dialog and closes it again; true when both happened.
bool openAndCloseLevels(Tonekeep& p) {
    const DWORD pid = p.pid();
    PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(id::kCmdSetup, BN_CLICKED),
                 reinterpret_cast<LPARAM>(p.control(id::kCmdSetup)));
    HWND dlg = nullptr;
    if (!wintest::waitFor([&] {
            auto all = wintest::windowsOf(pid, win::kSoundVistaWindowClass);
            dlg = all.empty() ? nullptr : all.front();
            return dlg && IsWindowVisible(dlg);
        }))
        return false;
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(win::soundvistaid::kCommand1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, win::soundvistaid::kCommand1)));
    return wintest::waitFor([&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); }) && p.settle();
}

TEST(DevicesComeAndGo, AProfileOnAVanishedDeviceFallsBackAndNothingElseIsLost) {
    const std::wstring bin = wintest::unixToWine(TK_BIN_DIR);
    if (requestFolder().empty())
        FAIL() << "run through device_requests.sh, which loads and unloads the device";
    if (GetFileAttributesW((bin + L"HavroVista.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
        FAIL() << "HavroVista.dll is not built next to Tonekeep.exe";
    WindowsVersion version(nullptr);
    ASSERT_TRUE(request(L"load"));
    const std::wstring usb = endpointFragment(0, L"USB-Headset");
    ASSERT_FALSE(usb.empty()) << "Wine does not list the loaded sink";

    const std::wstring game = wintest::ownFolder() + L"tk_fault_child.exe";
    Snapshot start;
    start[L"Name 1"] = textValue(game);
    ASSERT_TRUE(writePrograms(start));  // a first start with one registered program

    Snapshot stored;
    {
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        const int usbPos = position(p, L"USB-Headset");
        ASSERT_GE(usbPos, 0) << "the program does not list the USB headset";
        ASSERT_TRUE(p.select(1));
        chooseSpeakers(p, usbPos);
        ASSERT_EQ(describe(readPrograms().at(L"PlaybackGuid 1")), usb);

        // The device goes away while the program has it open.
        ASSERT_TRUE(request(L"unload"));
        // This process listed its endpoints before: Wine keeps that list.
        std::printf(
            "[ devices  ] after the unload a running process %s the headset\n",
            endpointFragment(0, L"USB-Headset").empty() ? "no longer lists" : "still lists");
        EXPECT_TRUE(p.select(0));
        EXPECT_TRUE(p.select(1));
        EXPECT_TRUE(openAndCloseLevels(p)) << "the level dialog did not open and close";
        ASSERT_TRUE(p.launch());
        ASSERT_TRUE(p.waitRestored());
        ASSERT_TRUE(p.exitThroughTray());
        EXPECT_EQ(p.exitCode(), 0u);
        EXPECT_TRUE(p.messages.empty()) << narrowText(p.messages.front());
        stored = readPrograms();
    }

    // The next start without the device: the profile falls back to the device then
    // selected, and its selection stores nothing over it; every other value stays.
    {
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        EXPECT_LT(position(p, L"USB-Headset"), 0);
        const int before =
            static_cast<int>(SendMessageW(p.control(id::kCmbSpeakers), CB_GETCURSEL, 0, 0));
        ASSERT_TRUE(p.select(1));
        EXPECT_EQ(SendMessageW(p.control(id::kCmbSpeakers), CB_GETCURSEL, 0, 0), before);
        ASSERT_TRUE(p.exitThroughTray());
        EXPECT_EQ(p.exitCode(), 0u);
        const Snapshot after = readPrograms();
        for (const auto& [name, v] : stored) {
            ASSERT_TRUE(after.count(name)) << "lost: " << narrowText(name);
            if (name.back() == L'0' && name != L"Name 0" && name != L"Settings 0" &&
                name != L"Mixer 0")
                continue;  // "Normal Windows" is stored at every selection of it
            EXPECT_EQ(after.at(name), v) << "changed: " << narrowText(name);
        }
        // The stand-in device is not the program's choice: the headset stays stored.
        EXPECT_EQ(describe(after.at(L"PlaybackGuid 1")), usb);
    }

    // The device comes back: the next start lists it again under the same fragment.
    ASSERT_TRUE(request(L"load"));
    EXPECT_EQ(endpointFragment(0, L"USB-Headset"), usb);
    {
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        const int headset = position(p, L"USB-Headset");
        EXPECT_GE(headset, 0);
        // Selecting the program brings its headset back.
        ASSERT_TRUE(p.select(1));
        EXPECT_EQ(SendMessageW(p.control(id::kCmbSpeakers), CB_GETCURSEL, 0, 0), headset);
        ASSERT_TRUE(p.exitThroughTray());
        EXPECT_EQ(p.exitCode(), 0u);
    }
    ASSERT_TRUE(request(L"unload"));
    wintest::deleteTree(HKEY_CURRENT_USER, kAppKey);
}

// The legacy path: the headset is a mixer device of its own. A profile stored on it
// falls back to the first sound card, with the message, once the device is gone.
TEST(DevicesComeAndGo, LegacyProfileOnAVanishedMixerFallsBackToTheFirstCard) {
    const std::wstring bin = wintest::unixToWine(TK_BIN_DIR);
    if (requestFolder().empty())
        FAIL() << "run through device_requests.sh, which loads and unloads the device";
    WindowsVersion version(L"winxp64");
    ASSERT_TRUE(request(L"load"));
    Snapshot start;
    start[L"Name 1"] = textValue(wintest::ownFolder() + L"tk_fault_child.exe");
    ASSERT_TRUE(writePrograms(start));

    auto findCard = [](const Tonekeep& p) {
        HWND box = p.control(id::kSoundCard);
        const int n = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[256] = {};
            if (SendMessageW(box, CB_GETLBTEXTLEN, i, 0) < 255)
                SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            if (std::wstring(text).rfind(L"USB-Headset", 0) == 0) return i;
        }
        return -1;
    };
    int card = -1, cardsWith = 0;
    {
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        card = findCard(p);
        cardsWith = static_cast<int>(SendMessageW(p.control(id::kSoundCard), CB_GETCOUNT, 0, 0));
        ASSERT_GE(card, 0) << "Wine offers no mixer device for the headset";
        ASSERT_TRUE(p.select(1));
        HWND box = p.control(id::kSoundCard);
        SendMessageW(box, CB_SETCURSEL, card, 0);
        PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(id::kSoundCard, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
        ASSERT_TRUE(p.settle());
        ASSERT_EQ(describe(readPrograms().at(L"Mixer 1")), std::to_wstring(card));

        ASSERT_TRUE(request(L"unload"));
        EXPECT_TRUE(p.select(0));
        EXPECT_TRUE(p.select(1));
        ASSERT_TRUE(p.launch());
        ASSERT_TRUE(p.waitRestored());
        ASSERT_TRUE(p.exitThroughTray());
        EXPECT_EQ(p.exitCode(), 0u);
        for (const std::wstring& m : p.messages)
            EXPECT_NE(m.find(L"Soundcard that was setup for selected program missing"),
                      std::wstring::npos)
                << narrowText(m);
    }
    {
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        EXPECT_LT(findCard(p), 0);
        const int cards =
            static_cast<int>(SendMessageW(p.control(id::kSoundCard), CB_GETCOUNT, 0, 0));
        EXPECT_LT(cards, cardsWith);  // the sink and its monitor source are gone
        ASSERT_TRUE(p.select(1));
        if (card >= cards) {
            // The stored card is beyond the list: the message, and the first card.
            ASSERT_FALSE(p.messages.empty());
            EXPECT_NE(
                p.messages.back().find(L"Soundcard that was setup for selected program missing"),
                std::wstring::npos);
            EXPECT_EQ(SendMessageW(p.control(id::kSoundCard), CB_GETCURSEL, 0, 0), 0);
        } else {
            // Another device now has that number: it is selected, and the headset's level
            // text, which names the headset, is refused by it without a message.
            EXPECT_TRUE(p.messages.empty());
            EXPECT_EQ(SendMessageW(p.control(id::kSoundCard), CB_GETCURSEL, 0, 0), card);
        }
        ASSERT_TRUE(p.exitThroughTray());
        EXPECT_EQ(p.exitCode(), 0u);
        const Snapshot after = readPrograms();
        EXPECT_EQ(after.count(L"Name 1"), 1u);
        EXPECT_EQ(after.count(L"SoundSettings 1"), 1u);
        std::printf(
            "[ devices  ] legacy: headset was card %d of %d; afterwards \"Mixer 1\" = %s, "
            "%zu message(s)\n",
            card, cardsWith, narrowText(describe(after.at(L"Mixer 1"))).c_str(), p.messages.size());
    }
    wintest::deleteTree(HKEY_CURRENT_USER, kAppKey);
}

}  // namespace
}  // namespace tk::wintest
