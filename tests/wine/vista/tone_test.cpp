// The tone dialog of the real Tonekeep.exe, on the topology of an on-board codec with a
// tone stage, is modal to the whole program: the main window, the sound controls dialog
// and the tray icon are disabled while it is open. Closed by a message sent from here,
// which its modal loop gets without returning from its wait, it ends that loop.
// TK_VISTA_HOLD_MS (environment) keeps it on screen that long first, for screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "descriptions.h"
#include "sound_vista_win.h"
#include "tone_win.h"
#include "topology_support.h"
#include "window_ids.h"

namespace tk::topology {
namespace {

// The visible window of class `cls` of `program`, once there is one; nullptr after 10 s.
HWND shown(const wintest::Tonekeep& program, const wchar_t* cls) {
    HWND found = nullptr;
    wintest::waitFor([&] {
        for (HWND h : wintest::windowsOf(program.pid(), cls))
            if (IsWindowVisible(h)) found = h;
        return found != nullptr;
    });
    return found;
}

TEST(DialogsWin, ToneDialogIsModalToTheWholeProgram) {
    Scenario scenario("tone", CodecDescription());
    ASSERT_TRUE(wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey));
    wintest::Tonekeep program(BinFolder());
    ASSERT_TRUE(program.waitStarted());
    HWND speakers = program.control(win::mainid::kCmbSpeakers);
    program.pick(
        win::mainid::kCmbSpeakers,
        static_cast<int>(SendMessageW(speakers, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(L"Speakers"))));
    program.press(win::mainid::kCmdSetup);
    HWND levels = shown(program, win::kSoundVistaWindowClass);
    ASSERT_NE(levels, nullptr) << "\"&Set Levels\" showed no level dialog";
    HWND button = GetDlgItem(levels, win::soundvistaid::kCmdTone);
    ASSERT_TRUE(IsWindowEnabled(button)) << "no tone stage on the default playback device";
    PostMessageW(levels, WM_COMMAND, MAKEWPARAM(win::soundvistaid::kCmdTone, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    HWND tone = shown(program, win::kToneWindowClass);
    ASSERT_NE(tone, nullptr) << "the tone dialog did not show";
    const HWND others[] = {program.main(), levels, program.trayWindow()};
    auto othersEnabled = [&](bool enabled) {
        return std::all_of(std::begin(others), std::end(others),
                           [&](HWND h) { return (IsWindowEnabled(h) != FALSE) == enabled; });
    };
    EXPECT_TRUE(wintest::waitFor([&] { return othersEnabled(false); }));
    if (const char* ms = std::getenv("TK_VISTA_HOLD_MS")) Sleep(std::atoi(ms));
    SendMessageW(tone, WM_COMMAND, MAKEWPARAM(win::toneid::kCmdClose, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(tone, win::toneid::kCmdClose)));
    EXPECT_TRUE(wintest::waitFor([&] { return !IsWindow(tone) && othersEnabled(true); }));
    PostMessageW(levels, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wintest::waitFor([&] { return !IsWindow(levels); }));
    EXPECT_TRUE(program.exitThroughTray());
    wintest::deleteTree(HKEY_CURRENT_USER, wintest::kAppKey);
}

const auto* const kRegistration = ::testing::AddGlobalTestEnvironment(new StandinRegistration);

}  // namespace
}  // namespace tk::topology
