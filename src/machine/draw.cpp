// The drawing machine's draw of six distinct numbers.
#include "app/main_window.h"

#include <utility>

namespace krn {

void MainWindow::drawRandomSix() {
    auto& d = s_.drawNumbers;
    d[1] = randomNumber();
    for (int k = 2; k <= 6; ++k) {
        d[k] = randomNumber();
        // A repeat of an earlier number is drawn again, and the comparisons start over.
        for (int j = 1; j < k;) {
            if (d[k] == d[j]) {
                d[k] = randomNumber();
                j = 1;
            } else {
                ++j;
            }
        }
    }
    for (int i = 1; i <= 5; ++i) {
        for (int j = i + 1; j <= 6; ++j) {
            if (d[i] > d[j]) {
                std::swap(d[i], d[j]);
            }
        }
    }
    showDrawOnDrum();
}

void MainWindow::showDrawOnDrum() {
    Maşlak();
    lightDrawOnDrum();
    showDrawLabels();
}

void MainWindow::lightDrawOnDrum() {
    yahyalı_a();
    yahyalı_b();
    yahyalı_c();
    yahyalı_d();
    yahyalı_e();
    yahyalı_f();
}

void MainWindow::showDrawLabels() {
    for (int k = 1; k <= 6; ++k) {
        ui_.setCaption(ui_.numberLabel(k), std::to_string(s_.drawNumbers[k]));
    }
}

void MainWindow::clearDrawLabels() {
    for (int k = 1; k <= 6; ++k) {
        ui_.setCaption(ui_.numberLabel(k), "");
    }
}

} // namespace krn
