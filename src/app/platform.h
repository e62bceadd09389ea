// What the window needs from outside. The view gives the real desktop; tests give a fake
// they can steer.
#pragma once

#include <filesystem>
#include <string>

namespace krn {

class Platform {
  public:
    virtual ~Platform() = default;

    // Seeds the random source from the clock; called once, at start-up.
    virtual void seedRandomFromClock() = 0;
    // A uniform real 0 <= r < 1.
    virtual double random() = 0;
    virtual long secondsSinceMidnight() = 0;
    virtual void beep() = 0;
    // Shows a modal message with one OK button and no icon, and returns at once; the
    // view calls MainWindow::onMessageClosed when the player closes it.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    virtual void quit() = 0;
    // The folder that holds the five slot files.
    virtual std::filesystem::path slotFolder() = 0;
};

} // namespace krn
