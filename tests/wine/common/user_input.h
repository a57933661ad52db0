// A user's drag and click, sent as the controls send them to their dialog.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace tk::wintest {

// The user drags slider `id` of `dialog` to `position` and lets go.
inline void dragSlider(HWND dialog, int id, int position) {
    HWND slider = GetDlgItem(dialog, id);
    const UINT scroll = (GetWindowLongW(slider, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, scroll, MAKEWPARAM(TB_THUMBTRACK, position), LPARAM(slider));
    SendMessageW(dialog, scroll, MAKEWPARAM(TB_ENDTRACK, 0), LPARAM(slider));
}

// The user clicks the button `id` of `dialog`.
inline void clickButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

}  // namespace tk::wintest
