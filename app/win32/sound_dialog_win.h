// The legacy sound card controls dialog (frmSound) as a modeless window over the main
// window, at most one at a time.
//
// Closing it any way — Close, the close box, Esc, or unloadSoundWindow from the
// shutdown — destroys the window, and the window's end runs the form's unload (which
// stores the entry's levels). The form and window objects stay until the next opening,
// so nothing is freed while one of their own handlers runs.
#pragma once

#include <windows.h>

namespace tk {
class frmMain;
}

namespace tk::win {

inline constexpr wchar_t kSoundWindowClass[] = L"HavroTonekeepSound";

namespace soundid {
inline constexpr int kFrame1 = 2001;
inline constexpr int kLabel2 = 2002;
inline constexpr int kMicIn = 2003;
inline constexpr int kChkmic = 2004;
inline constexpr int kChk20Db = 2005;
inline constexpr int kLabel1 = 2006;
inline constexpr int kLineIn = 2007;
inline constexpr int kChkline = 2008;
inline constexpr int kChkNoMon = 2009;
inline constexpr int kLblRecord = 2010;
inline constexpr int kFrame2 = 2011;
inline constexpr int kLabel3 = 2012;
inline constexpr int kMasterOut = 2013;
inline constexpr int kMasterMute = 2014;
inline constexpr int kLabel4 = 2015;
inline constexpr int kWaveOut = 2016;
inline constexpr int kWaveMute = 2017;
inline constexpr int kLabel5 = 2018;
inline constexpr int kPlayMic = 2019;
inline constexpr int kMicPlayMute = 2020;
inline constexpr int kLabel7 = 2021;
inline constexpr int kLineOut = 2022;
inline constexpr int kLinePlayMute = 2023;
inline constexpr int kLblPlay = 2024;
inline constexpr int kLblPrgName = 2025;
inline constexpr int kCommand1 = 2026;
inline constexpr int kCmdOk = 2027;
}  // namespace soundid

// Shows the dialog (creating and loading it when it is not open) and activates it.
void showSoundWindow(HWND owner, frmMain& main);
// Closes the dialog when it is open, storing the levels as a close does.
void unloadSoundWindow();
// The mixer changed from outside: the open dialog reloads and offers Apply.
void soundChangedOutsideWindow();
// The dialog's window while it is open, else nullptr.
HWND soundWindow();

}  // namespace tk::win
