// The about box (frmAbout) as a modal window.
#pragma once

#include <windows.h>

#include "platform/services.h"

namespace tk {
struct Publics;
}

namespace tk::win {

// Shows the about box modally over `owner` (disabled meanwhile) and returns when it closes.
void showAboutBox(HWND owner, Services& services, const Publics& publics);

}  // namespace tk::win
