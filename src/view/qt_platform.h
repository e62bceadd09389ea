// The real desktop behind MainWindow: clock, random source, sound, message box, the end
// of the program and the folder of the slot files.
#pragma once

#include "app/platform.h"

#include <cstdint>
#include <random>

class QCoreApplication;

namespace krn {

// Qt's own texts that reach the screen or a screen reader (the message box's button, the
// names and descriptions of the actions a screen reader offers) in Turkish, like every
// text of the window, whatever language the desktop speaks. Once, before the first widget.
void useTurkishQtTexts(QCoreApplication& app);

class WindowView;

class QtPlatform : public Platform {
  public:
    // The message box and the end of the program need the window; attach it before
    // MainWindow::load.
    void attach(WindowView& view) { view_ = &view; }

    void seedRandomFromClock() override;
    double random() override;
    long secondsSinceMidnight() override;
    void beep() override;
    void showMessage(const std::string& title, const std::string& text) override;
    void quit() override;
    std::filesystem::path slotFolder() override;

  protected:
    void seed(std::uint64_t value);

  private:
    std::mt19937_64 engine_;
    WindowView* view_{nullptr};
};

} // namespace krn
