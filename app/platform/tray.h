// The notification-area icon of the main window.
#pragma once

#include <functional>
#include <string>

namespace tk {

class Tray {
  public:
    virtual ~Tray() = default;
    // Shows the icon; it stays while the main window is hidden, until remove().
    virtual void show() = 0;
    // Two lines separated by the single character 13.
    virtual void setTip(const std::string& text) = 0;
    // A passing notice at the icon (a balloon titled with the program's name); it never
    // waits for the user. Lines are separated by the single character 13.
    virtual void showBalloon(const std::string& text) = 0;
    virtual void remove() = 0;

    // Button code 1: the left button (restore the window).
    std::function<void(int button)> restoreEvent;
    // Button code 2: the right button (pop up the menu).
    std::function<void(int button)> menuEvent;
};

}  // namespace tk
