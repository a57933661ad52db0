// The tray icon over the real Shell_NotifyIcon of Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wine_util.h"
#include "tray_win.h"
#include "window_ids.h"

namespace tk::win {
namespace {

// A stand-in for the shell's call: it records what the icon asks for (the balloon is
// not kept where the test could read it back) and passes every call on.
struct ShellCall {
    DWORD message;
    UINT flags;
    std::wstring info, infoTitle;
    DWORD infoFlags;
};
std::vector<ShellCall> g_shellCalls;
BOOL WINAPI recordingShell(DWORD message, PNOTIFYICONDATAW data) {
    g_shellCalls.push_back(
        {message, data->uFlags, data->szInfo, data->szInfoTitle, data->dwInfoFlags});
    return Shell_NotifyIconW(message, data);
}

// The tip as Wine's tray host holds it for the one icon there is.
std::wstring hostTip() {
    const std::vector<std::wstring> tips = wintest::trayHostTips();
    return tips.size() == 1 ? tips.front() : std::to_wstring(tips.size()) + L" icons";
}

TEST(TrayIconTest, AddsSetsTheTipAndRemovesWithoutError) {
    g_shellCalls.clear();
    TrayIcon tray(nullptr, &recordingShell);
    ASSERT_NE(tray.callbackWindow(), nullptr);
    wchar_t cls[64] = {};
    GetClassNameW(tray.callbackWindow(), cls, 64);
    EXPECT_STREQ(cls, kTrayWindowClass);

    tray.setTip("Havro Tonekeep\rSound card set for Normal Windows");
    tray.showBalloon("not yet");  // no icon yet: nothing reaches the shell
    EXPECT_TRUE(g_shellCalls.empty());
    tray.show();
    ASSERT_TRUE(wintest::waitFor([&] { return tray.shown(); }, std::chrono::seconds(5)))
        << "the shell did not accept the icon";
    // The tip's CR is the line break the shell shows.
    EXPECT_EQ(hostTip(), L"Havro Tonekeep\nSound card set for Normal Windows");

    tray.setTip("Havro Tonekeep\rSound Card set for game.exe");
    EXPECT_EQ(hostTip(), L"Havro Tonekeep\nSound Card set for game.exe");

    g_shellCalls.clear();
    tray.showBalloon("The Speakers device stored for game.exe is missing;\rHeadphones");
    ASSERT_EQ(g_shellCalls.size(), 1u);
    EXPECT_EQ(g_shellCalls[0].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(g_shellCalls[0].flags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(g_shellCalls[0].info,
              L"The Speakers device stored for game.exe is missing;\nHeadphones");
    EXPECT_EQ(g_shellCalls[0].infoTitle, L"Havro Tonekeep");
    EXPECT_EQ(g_shellCalls[0].infoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(hostTip(), L"Havro Tonekeep\nSound Card set for game.exe");  // the tip stays
    // The icon really is registered: modifying it succeeds, and fails once removed.
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = tray.callbackWindow();
    nid.uID = 1;
    nid.uFlags = NIF_TIP;
    lstrcpynW(nid.szTip, L"probe", ARRAYSIZE(nid.szTip));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &nid));

    tray.remove();
    EXPECT_FALSE(tray.shown());
    EXPECT_FALSE(tray.wanted());
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &nid));
    EXPECT_TRUE(wintest::trayHostTips().empty());
    tray.remove();  // twice is harmless
}

TEST(TrayIconTest, ComesBackWhenTheTaskbarIsCreatedAgain) {
    TrayIcon tray;
    tray.show();
    ASSERT_TRUE(wintest::waitFor([&] { return tray.shown(); }, std::chrono::seconds(5)));
    // The shell lost its icons (as when Explorer restarts) and announces a new taskbar.
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = tray.callbackWindow();
    nid.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
    SendMessageW(tray.callbackWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(tray.shown());
    nid.uFlags = NIF_TIP;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &nid)) << "the icon was not added again";

    // A removed icon stays removed.
    tray.remove();
    SendMessageW(tray.callbackWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_FALSE(tray.shown());
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &nid));
}

}  // namespace
}  // namespace tk::win
