// Eight decorative wheels, each stepped by its own timer through the three stored frames.
#include "app/main_window.h"

namespace krn {

void MainWindow::lüfer(int k) {
    Int& frame = s_.wheelFrame[k];
    frame = static_cast<Int>(frame + 1);
    if (frame == 3) {
        frame = 0;
    }
    // The three frames are made once; a tick only hands one of them on.
    ui_.setPicture(ui_.wheelImage(k), ui_[ui_.storedFrame(frame)].picture);
}

} // namespace krn
