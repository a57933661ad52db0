// The endpoint level dialog (frmSoundVista) as a modeless window over the main window,
// at most one at a time. Its "Tone" button opens the tone dialog modally (tone_win.h).
//
// Closing it any way — Close, the close box, Esc, or unloadSoundVistaWindow from the
// shutdown — runs the form's unload (which stores the entry's levels) and destroys the
// window. The form and window objects stay until the next opening, so nothing is freed
// while one of their own handlers runs.
#pragma once

#include <windows.h>

namespace tk {
class frmMain;
}

namespace tk::win {

inline constexpr wchar_t kSoundVistaWindowClass[] = L"HavroTonekeepSoundVista";

namespace soundvistaid {
inline constexpr int kFrame1 = 3001;
inline constexpr int kLblOutputMixer = 3002;
inline constexpr int kLblSpeaker = 3003;
inline constexpr int kSldMaster = 3004;
inline constexpr int kChkMasterMute = 3005;
inline constexpr int kLblLinePlay = 3006;
inline constexpr int kSldLinePlay = 3007;
inline constexpr int kChkLinePlay = 3008;
inline constexpr int kLblMicPlay = 3009;
inline constexpr int kSldMicPlay = 3010;
inline constexpr int kChkMicPlay = 3011;
inline constexpr int kCmdTone = 3012;
inline constexpr int kFrame2 = 3013;
inline constexpr int kLblInputMixer = 3014;
inline constexpr int kLabel2 = 3015;
inline constexpr int kSldMic = 3016;
inline constexpr int kChkBoost = 3017;
inline constexpr int kLblLineInMixer = 3018;
inline constexpr int kSldLine = 3019;
inline constexpr int kChkNoMon = 3020;
inline constexpr int kCmdSync = 3021;
inline constexpr int kCommand1 = 3022;
inline constexpr int kLblPrgName = 3023;
}  // namespace soundvistaid

// Shows the dialog (creating and loading it when it is not open) and activates it.
void showSoundVistaWindow(HWND owner, frmMain& main);
// Closes the dialog when it is open, storing the levels as a close does.
void unloadSoundVistaWindow();
// The dialog's window while it is open, else nullptr.
HWND soundVistaWindow();

}  // namespace tk::win
