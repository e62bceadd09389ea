// The drum of 49 balls shows the current draw by colour alone.
#include "app/main_window.h"
#include "layout/colours.h"

namespace krn {

void MainWindow::Maşlak() {
    for (int n = 1; n <= 49; ++n) {
        ui_.setBack(ui_.ball(n), kResting);
    }
}

void MainWindow::yahyalı(int k) {
    const Int n = s_.drawNumbers[k];
    if (n >= 1 && n <= 49) {
        ui_.setBack(ui_.ball(n), kDrawn);
    }
}

void MainWindow::soysallı(int k) {
    const Int n = s_.drawNumbers[k];
    if (n >= 1 && n <= 49) {
        ui_.setBack(ui_.ball(n), kTaken);
    }
}

} // namespace krn
