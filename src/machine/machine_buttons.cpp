// "Çevir" draws six; the drop button takes them into the next coupon column.
#include "app/main_window.h"

namespace krn {

void MainWindow::onSpinClicked() {
    ui_.setEnabled(ui_.command(4), false);
    s_.couponEntryLocked = 0;
    s_.drawPending = kPendingSet;
    if (s_.slotShown == 1) {
        s_.slotShown = 0;
        s_.currentSlotPath.clear();
        s_.filledColumns = 0;
        clearCouponCells();
        lampsOff();
        emptyCouponMemory();
    }
    s_.entryAllowed = 1;
    if (s_.couponFull == 1) {
        s_.couponFull = 0;
        clearCouponCells();
        emptyCouponMemory();
    }
    resetCouponColours();
    drawRandomSix();
}

void MainWindow::onDropClicked() {
    if (s_.drawPending == 0 || s_.couponEntryLocked == 1) {
        return;
    }
    ui_.setEnabled(ui_.command(4), false);
    soysallı_a();
    soysallı_b();
    soysallı_c();
    soysallı_d();
    soysallı_e();
    soysallı_f();
    s_.drawPending = 0;
    if (s_.entryAllowed == 1) {
        s_.entryAllowed = 0;
        enterPickIntoCoupon();
    }
}

void MainWindow::lampsOff() {
    for (int s = 0; s < kSlots; ++s) {
        ui_.setBack(ui_.slotLamp(s), rgb(0, 0, 0));
    }
}

} // namespace krn
