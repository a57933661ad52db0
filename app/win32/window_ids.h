// Control ids and private window messages of every window of the program, in one
// place so that the Wine tests can drive the real windows by message.
//
// Ranges: main window 1000-1999 (menus 1500-1599, tray pop-up items from 1600), the
// legacy level dialog (frmSound) 2000-2999, the endpoint level dialog (frmSoundVista)
// 3000-3999, the tone dialog (frmVistaTone) 4000-4999, the about box 5000-5099. A
// dialog's own file may name its ids inside its range.
#pragma once

#include <windows.h>

namespace tk::win {

// Window classes (FindWindow).
inline constexpr wchar_t kMainWindowClass[] = L"HavroTonekeepMain";
inline constexpr wchar_t kAboutWindowClass[] = L"HavroTonekeepAbout";
// The hidden window that receives the tray icon's callback message
// (TrayIcon::kCallbackMessage, lParam WM_LBUTTONUP / WM_RBUTTONUP).
inline constexpr wchar_t kTrayWindowClass[] = L"HavroTonekeepTray";

namespace mainid {
inline constexpr int kFrame1 = 1001;
inline constexpr int kLabel1 = 1002;
inline constexpr int kPrgName = 1003;
inline constexpr int kCmdAdd = 1004;
inline constexpr int kCmdRemove = 1005;
inline constexpr int kCmdLaunch = 1006;
inline constexpr int kCmdSetup = 1007;
inline constexpr int kCmdSave = 1008;
inline constexpr int kLblVistaSpeakers = 1009;
inline constexpr int kCmbSpeakers = 1010;
inline constexpr int kLblVistaLineIn = 1011;
inline constexpr int kCmbLineIn = 1012;
inline constexpr int kLblMicrophone = 1013;
inline constexpr int kCmbMic = 1014;
inline constexpr int kLblXpCard = 1015;
inline constexpr int kSoundCard = 1016;
inline constexpr int kChkEsc = 1017;
inline constexpr int kChkExit = 1018;
inline constexpr int kChkStartMin = 1019;
inline constexpr int kLabel2 = 1020;
inline constexpr int kTimer1 = 1021;  // timer id, not a window

// Menu bar commands.
inline constexpr int kMnuAddProgram = 1501;
inline constexpr int kMnuRemove = 1502;
inline constexpr int kMnuLaunch = 1503;
inline constexpr int kMnuExit = 1504;
inline constexpr int kMnuWindowsPlay = 1505;
inline constexpr int kMnuWindowRecord = 1506;
inline constexpr int kMnuCheckUpdates = 1507;
inline constexpr int kMnuAbout = 1508;
inline constexpr int kMnuCreateShortcut = 1509;

// Tray pop-up item i is the command kTrayItemFirst + i (WM_COMMAND to the main window
// picks it, as choosing it in the pop-up does).
inline constexpr int kTrayItemFirst = 1600;
inline constexpr int kTrayItemLast = 1999;
}  // namespace mainid

namespace aboutid {
inline constexpr int kLblTitle = 5001;
inline constexpr int kLblVersion = 5002;
inline constexpr int kCmdOk = 5003;
inline constexpr int kCmdSysInfo = 5004;
inline constexpr int kLabel2 = 5005;
inline constexpr int kLabel3 = 5006;
inline constexpr int kLabel4 = 5007;
inline constexpr int kLabel5 = 5008;
inline constexpr int kIcon = 5009;
}  // namespace aboutid

// Private messages of the main window.
namespace mainmsg {
// Close from code (the tray's exit item, mnuexit): runs the close request with reason 1.
inline constexpr UINT kCloseFromCode = WM_APP + 1;
// Destroy the window after an accepted close.
inline constexpr UINT kDestroy = WM_APP + 2;
// Watch state, for tests and benchmarks: wParam 0 answers the number of WM_TIMER
// messages the message loop has taken so far (every timer of the program's thread);
// wParam 1 answers 1 while the watch timer runs, else 0.
inline constexpr UINT kTimerState = WM_APP + 3;
// Audio devices were added, removed or changed state: the device boxes are listed again.
// Posted by the endpoint notification client and, on the legacy path, for
// WM_DEVICECHANGE; at most one is pending at a time.
inline constexpr UINT kDevicesChanged = WM_APP + 4;
// Runs the next launch request the window has taken (its command line, WM_COPYDATA).
inline constexpr UINT kLaunchRequest = WM_APP + 5;
// Endpoint notifications, for tests: answers 1 while the window's notification client
// is registered, else 0.
inline constexpr UINT kDeviceWatchState = WM_APP + 6;

// WM_COPYDATA from a second copy of the program: a launch request whose data is the
// program's path in UTF-8 (no terminator needed).
inline constexpr ULONG_PTR kLaunchCopyData = 0x544B4C31;  // "TKL1"
}  // namespace mainmsg

}  // namespace tk::win
