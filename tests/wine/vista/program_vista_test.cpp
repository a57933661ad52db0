// The real Tonekeep.exe on the endpoint path with the harness's PulseAudio devices:
// choosing "Headphones" for a program stores its endpoint, switching away and back
// reopens it and re-applies its master level from the stored set, the level dialog's
// close stores the set, and after a launched program ends "Normal Windows"' devices are
// back.
//
// Wine keeps endpoint volumes inside each process, so levels are read back through
// the program's own window and through the registry, not from this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "sound_vista_win.h"
#include "window_ids.h"
#include "wine_util.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;
namespace sv = win::soundvistaid;

class ProgramVista : public ::testing::Test {
  protected:
    void SetUp() override {
        bin = unixToWine(TK_BIN_DIR);
        ASSERT_TRUE(fileExists(bin + L"HavroVista.dll")) << "HavroVista.dll is not built";
        headphones = endpointFragment(0, L"Headphones");
        ASSERT_FALSE(headphones.empty())
            << "no \"Headphones\" endpoint: the harness's sound server is not up";
        ASSERT_TRUE(deleteTree(HKEY_CURRENT_USER, kAppKey));
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 0", L"Normal Windows");
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Settings 0", L"");
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Mixer 0", L"0");
        std::wstring game = unixToWine(TK_GAME_HELPER);
        game.pop_back();  // a file, not a folder
        writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", game);
    }
    void TearDown() override { deleteTree(HKEY_CURRENT_USER, kAppKey); }

    int find(const Tonekeep& tk, const wchar_t* text) {
        return static_cast<int>(SendMessageW(tk.control(id::kCmbSpeakers), CB_FINDSTRINGEXACT,
                                             static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text)));
    }
    // The master slider's position in the level dialog, after `drag` moved it there when
    // given (>= 0); the dialog is closed again, which stores the set.
    int masterThroughTheDialog(Tonekeep& tk, int drag = -1) {
        tk.press(id::kCmdSetup);
        HWND dlg = nullptr;
        waitFor([&] {
            auto all = windowsOf(tk.pid(), win::kSoundVistaWindowClass);
            dlg = all.empty() || !IsWindowVisible(all.front()) ? nullptr : all.front();
            return dlg != nullptr;
        });
        if (!dlg) return -100;
        HWND master = GetDlgItem(dlg, sv::kSldMaster);
        EXPECT_TRUE(IsWindowEnabled(master)) << "no master volume on the headphones";
        if (drag >= 0) {
            SendMessageW(master, TBM_SETPOS, TRUE, drag);
            SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, drag),
                         reinterpret_cast<LPARAM>(master));
            SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
                         reinterpret_cast<LPARAM>(master));
        }
        const int position = static_cast<int>(SendMessageW(master, TBM_GETPOS, 0, 0));
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(sv::kCommand1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, sv::kCommand1)));
        EXPECT_TRUE(waitFor([&] { return !IsWindow(dlg); })) << "the level dialog stayed open";
        return position;
    }

    std::wstring bin, headphones;
};

TEST_F(ProgramVista, HeadphonesForAProgramAreStoredReopenedAndGiveWayAfterItsLaunch) {
    Tonekeep tk(bin);
    ASSERT_TRUE(tk.waitStarted());
    const int speakersPos = find(tk, L"Speakers");
    const int headphonesPos = find(tk, L"Headphones");
    ASSERT_GE(speakersPos, 0);
    ASSERT_GE(headphonesPos, 0);

    // "Normal Windows" on the speakers, the program on the headphones: stored.
    tk.pick(id::kCmbSpeakers, speakersPos);
    const std::wstring speakersFragment = setting(L"PlaybackGuid 0");
    ASSERT_NE(speakersFragment, L"<absent>");
    ASSERT_TRUE(tk.select(1));
    tk.pick(id::kCmbSpeakers, headphonesPos);
    EXPECT_EQ(setting(L"PlaybackGuid 1"), headphones);
    EXPECT_NE(speakersFragment, headphones);

    // Its master level through the dialog: 50 % (reads back exactly), stored on close.
    EXPECT_EQ(masterThroughTheDialog(tk, 50), 50);
    const std::wstring levels = setting(L"VistaSettings 1");
    EXPECT_EQ(levels.substr(0, 3), L"50,") << narrowText(levels);
    EXPECT_EQ(std::count(levels.begin(), levels.end(), L','), 13) << narrowText(levels);

    // Away to "Normal Windows" and back: the devices follow.
    ASSERT_TRUE(tk.select(0));
    EXPECT_EQ(tk.selected(id::kCmbSpeakers), speakersPos);
    ASSERT_TRUE(tk.select(1));
    EXPECT_EQ(tk.selected(id::kCmbSpeakers), headphonesPos);
    EXPECT_EQ(setting(L"PlaybackGuid 1"), headphones);
    EXPECT_EQ(masterThroughTheDialog(tk), 50);

    // The level comes from the stored set: changed there, it is in force after switching
    // away and back.
    std::wstring changed = setting(L"VistaSettings 1");
    changed.replace(0, 2, L"10");  // max - 20 dB: reads back exactly
    writeString(HKEY_CURRENT_USER, kProgramsKey, L"VistaSettings 1", changed);
    ASSERT_TRUE(tk.select(0));
    ASSERT_TRUE(tk.select(1));
    EXPECT_EQ(masterThroughTheDialog(tk), 10);
    EXPECT_EQ(setting(L"VistaSettings 1").substr(0, 3), L"10,");

    // Launched (the game runs 1.5 s): when it ends its levels are stored, its devices
    // kept, and "Normal Windows"' devices are back.
    deleteValue(HKEY_CURRENT_USER, kProgramsKey, L"VistaSettings 1");
    tk.press(id::kCmdLaunch);  // returns once the launch has run
    ASSERT_TRUE(tk.waitRestored());
    EXPECT_EQ(tk.selected(id::kCmbSpeakers), speakersPos);
    EXPECT_EQ(setting(L"PlaybackGuid 1"), headphones);
    EXPECT_EQ(setting(L"PlaybackGuid 0"), speakersFragment);
    const std::wstring stored = setting(L"VistaSettings 1");
    EXPECT_EQ(std::count(stored.begin(), stored.end(), L','), 13) << narrowText(stored);
    EXPECT_TRUE(tk.exitThroughTray());
}

}  // namespace
}  // namespace tk::wintest
