// A user's drag and click, sent as the controls send them to their dialog. Header-only:
// the in-process dialog tests use it without the program's helper library.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace tk::wintest {

// The user drags `slider` of `dialog` to `position` and lets go.
inline void dragSlider(HWND dialog, HWND slider, int position) {
    const UINT scroll = (GetWindowLongW(slider, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, scroll, MAKEWPARAM(TB_THUMBTRACK, position),
                 reinterpret_cast<LPARAM>(slider));
    SendMessageW(dialog, scroll, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

inline void dragSlider(HWND dialog, int slider, int position) {
    dragSlider(dialog, GetDlgItem(dialog, slider), position);
}

// The user clicks the button `id` of `dialog`.
inline void clickButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace tk::wintest
