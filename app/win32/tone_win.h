// The tone dialog (frmVistaTone) as a modal window: created and loaded anew for each
// opening, the owner disabled until it closes.
#pragma once

#include <windows.h>

namespace tk {
class frmMain;
}

namespace tk::win {

inline constexpr wchar_t kToneWindowClass[] = L"HavroTonekeepVistaTone";

namespace toneid {
inline constexpr int kLblBass = 4001;
inline constexpr int kSldBass = 4002;
inline constexpr int kLblBassValue = 4003;
inline constexpr int kLblMid = 4004;
inline constexpr int kSldMid = 4005;
inline constexpr int kLblMidValue = 4006;
inline constexpr int kLblTreble = 4007;
inline constexpr int kSldTreble = 4008;
inline constexpr int kLblTrebleValue = 4009;
inline constexpr int kCmdClose = 4010;
}  // namespace toneid

// Shows the tone dialog modally over `owner` and returns when it closes.
void showToneDialog(HWND owner, frmMain& main);

}  // namespace tk::win
