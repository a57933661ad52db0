#include "services_win.h"

namespace tk::win {

std::wstring WinMessageBoxes::displayText(const std::string& text) {
    std::wstring wide = widen(text);
    std::wstring out;
    out.reserve(wide.size() + 8);
    for (size_t i = 0; i < wide.size(); ++i) {
        out += wide[i];
        if (wide[i] == L'\r' && (i + 1 >= wide.size() || wide[i + 1] != L'\n')) out += L'\n';
    }
    return out;
}

int WinMessageBoxes::show(const std::string& text, int flags, const std::string& title) {
    // The flag values are the message-box function's own (buttons, icon, default button).
    UINT type = static_cast<UINT>(flags) & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK);
    HWND owner = owner_ ? owner_() : nullptr;
    if (owner && !IsWindowVisible(owner)) owner = nullptr;
    if (!owner) type |= MB_SETFOREGROUND | MB_TASKMODAL;
    int answer = MessageBoxW(owner, displayText(text).c_str(), widen(title).c_str(), type);
    return answer == 0 ? mb::kOk : answer;
}

}  // namespace tk::win
