// A playback device (a null sink "USB-Headset" that device_requests.sh loads and unloads)
// goes away while the program is open, on both paths. A running program keeps the devices it
// listed at start-up, so selection, the level dialog, the watch and the shutdown must go on
// working; the next start falls back for the profile whose device is missing, losing nothing.
#include <gtest/gtest.h>

#include "sound_vista_win.h"
#include "user_input.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;

// Asks the script for a change of devices and waits for its answer.
bool request(const wchar_t* what) {
    static int n = 0;
    wchar_t unix[1024] = {};
    if (!GetEnvironmentVariableW(L"TK_FAULT_REQUESTS", unix, 1024)) return false;
    const std::wstring base = L"Z:" + std::wstring(unix) + L"/" + std::to_wstring(++n);
    HANDLE f = CreateFileW((base + L"." + what).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return waitFor([&] { return fileExists(base + L".done"); }, 20s);
}

int headsetIn(const Tonekeep& p, int box) {
    return static_cast<int>(SendMessageW(p.control(box), CB_FINDSTRING, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(L"USB-Headset")));
}
int countOf(const Tonekeep& p, int box) {
    return static_cast<int>(SendMessageW(p.control(box), CB_GETCOUNT, 0, 0));
}

// Opens the endpoint level dialog and closes it again; true when both happened.
bool openAndCloseLevels(Tonekeep& p) {
    PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(id::kCmdSetup, BN_CLICKED),
                 reinterpret_cast<LPARAM>(p.control(id::kCmdSetup)));
    HWND dlg = nullptr;
    if (!waitFor([&] {
            for (HWND h : windowsOf(p.pid(), win::kSoundVistaWindowClass))
                if (IsWindowVisible(h)) dlg = h;
            return dlg != nullptr;
        }))
        return false;
    clickButton(dlg, win::soundvistaid::kCommand1);
    return waitFor([&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); }) && p.settle();
}

class DevicesComeAndGo : public ::testing::TestWithParam<bool> {
    void TearDown() override { deleteTree(HKEY_CURRENT_USER, kAppKey); }
};

TEST_P(DevicesComeAndGo, AProfileOnAVanishedDeviceFallsBackAndNothingIsLost) {
    const bool legacy = GetParam();
    const int box = legacy ? id::kSoundCard : id::kCmbSpeakers;
    const wchar_t* const missing = L"Soundcard that was setup for selected program missing";
    const std::wstring bin = unixToWine(TK_BIN_DIR);
    ASSERT_TRUE(fileExists(bin + L"HavroVista.dll")) << "HavroVista.dll is not built";
    WindowsVersion version(legacy ? L"winxp64" : nullptr);
    ASSERT_TRUE(request(L"load")) << "run through device_requests.sh, which loads the device";
    const std::wstring usb = endpointFragment(0, L"USB-Headset");
    ASSERT_TRUE(legacy || !usb.empty()) << "Wine does not list the loaded sink";
    // A first start with one registered program.
    ASSERT_TRUE(writePrograms({{L"Name 1", textValue(ownFolder() + L"tk_fault_waiter.exe")}}));

    int headset = -1, devicesWith = 0;
    Snapshot stored;
    {
        Tonekeep p(bin);
        ASSERT_TRUE(p.waitStarted());
        headset = headsetIn(p, box);
        devicesWith = countOf(p, box);
        ASSERT_GE(headset, 0) << "the program does not list the USB headset";
        ASSERT_TRUE(p.select(1));
        p.pick(box, headset);
        ASSERT_EQ(describe(readPrograms().at(legacy ? L"Mixer 1" : L"PlaybackGuid 1")),
                  legacy ? std::to_wstring(headset) : usb);

        ASSERT_TRUE(request(L"unload"));  // while the program has it open
        EXPECT_TRUE(p.select(0));
        EXPECT_TRUE(p.select(1));
        EXPECT_TRUE(legacy || openAndCloseLevels(p)) << "the level dialog did not open and close";
        ASSERT_TRUE(p.launch());
        ASSERT_TRUE(p.waitRestored());
        ASSERT_TRUE(p.exitThroughTray());
        EXPECT_EQ(p.exitCode(), 0u);
        for (const std::wstring& m : p.messages)
            EXPECT_TRUE(legacy && m.find(missing) != std::wstring::npos) << narrowText(m);
        stored = readPrograms();
    }

    // The next start without the device.
    Tonekeep p(bin);
    ASSERT_TRUE(p.waitStarted());
    EXPECT_LT(headsetIn(p, box), 0);
    const int devices = countOf(p, box), before = p.selected(box);
    EXPECT_LT(devices, devicesWith);
    ASSERT_TRUE(p.select(1));
    if (!legacy) {
        // The profile falls back to the device then selected.
        EXPECT_EQ(p.selected(box), before);
    } else if (headset >= devices) {
        // The stored card is beyond the list: the message, and the first card.
        ASSERT_EQ(p.messages.size(), 1u);
        EXPECT_NE(p.messages[0].find(missing), std::wstring::npos);
        EXPECT_EQ(p.selected(box), 0);
    } else {
        // Another device has that number now: it is selected, and the headset's level
        // text, which names the headset, is refused by it without a message.
        EXPECT_TRUE(p.messages.empty());
        EXPECT_EQ(p.selected(box), headset);
    }
    ASSERT_TRUE(p.exitThroughTray());
    EXPECT_EQ(p.exitCode(), 0u);
    // Nothing is lost; on the endpoint path the selection stores nothing over the profile
    // (the stand-in device is not the program's choice), while "Normal Windows" is stored
    // at every selection of it.
    const Snapshot after = readPrograms();
    for (const auto& [name, v] : stored) {
        ASSERT_TRUE(after.count(name)) << "lost: " << narrowText(name);
        if (!legacy && (name.back() != L'0' || name == L"Name 0" || name == L"Settings 0" ||
                        name == L"Mixer 0")) {
            EXPECT_EQ(after.at(name), v) << "changed: " << narrowText(name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, DevicesComeAndGo, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Legacy" : "Endpoint"; });

}  // namespace
}  // namespace tk::wintest
