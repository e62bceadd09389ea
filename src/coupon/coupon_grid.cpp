// The coupon of eight columns, in memory and on screen.
#include "app/main_window.h"

namespace krn {

namespace {
const Colour kCellBack = rgb(192, 192, 192);
const Colour kCellFore = rgb(0, 0, 0);
const Colour kResultBack = rgb(192, 192, 168);
const Colour kResultFore = rgb(0, 255, 0);
} // namespace

void MainWindow::enterPickIntoCoupon() {
    clearDrawLabels();
    if (s_.drawNumbers[1] != 0) {
        s_.filledColumns = static_cast<Int>(s_.filledColumns + 1);
        const int c = s_.filledColumns;
        for (int i = 1; i <= 6; ++i) {
            s_.coupon[6 * (c - 1) + i] = s_.drawNumbers[i];
        }
        for (int i = 1; i <= 6; ++i) {
            showNumber(ui_.couponCell(c, i), s_.drawNumbers[i]);
        }
        if (c == kColumns) {
            // The rest waits until the player has closed the message over the full coupon.
            showMessage(kCouponFullText, AfterMessage::CouponFull);
            return;
        }
    }
    s_.drawNumbers = {};
}

void MainWindow::finishCouponFull() {
    s_.filledColumns = 0;
    s_.couponFull = 1;
    s_.drawNumbers = {};
}

void MainWindow::clearCouponCells() {
    for (int c = 1; c <= kColumns; ++c) {
        for (int i = 1; i <= 6; ++i) {
            ui_.setCaption(ui_.couponCell(c, i), "");
        }
    }
}

void MainWindow::resetCouponColours() {
    for (int c = 1; c <= kColumns; ++c) {
        for (int i = 1; i <= 6; ++i) {
            ui_.setBack(ui_.couponCell(c, i), kCellBack);
        }
    }
    for (int c = 1; c <= kColumns; ++c) {
        for (int i = 1; i <= 6; ++i) {
            ui_.setFore(ui_.couponCell(c, i), kCellFore);
        }
    }
    for (int c = 1; c <= kColumns; ++c) {
        ui_.setBack(ui_.resultPanel(c), kResultBack);
        ui_.setFore(ui_.resultPanel(c), kResultFore);
        ui_.setCaption(ui_.resultPanel(c), "");
    }
}

void MainWindow::emptyCouponMemory() {
    s_.coupon = {};
    s_.filledColumns = 0;
}

void MainWindow::onSilClicked() {
    // The same restart as sonçare (which also empties the coupon in memory, so that a
    // save afterwards cannot bring back what was cleared), and no check until a new load.
    sonçare();
    ui_.setEnabled(ui_.command(4), false);
}

} // namespace krn
