// The two hand-entry modes: column entry ("Gir" beside "Çevir") and result entry ("Gir"
// beside "Sına"), and the buttons that end them.
#include "app/main_window.h"

namespace krn {

void MainWindow::setEntryLockSet(bool enabled) {
    for (int n = 2; n <= 9; ++n) {
        ui_.setEnabled(ui_.command(n), enabled);
    }
    ui_.setEnabled(ui_.command(11), enabled);
    // The save button of slot e (SSCommand26) is not in the set: it stays live.
    for (int n = 12; n <= 25; ++n) {
        ui_.setEnabled(ui_.command(n), enabled);
    }
}

void MainWindow::onColumnEntryClicked() {
    if (s_.couponEntryLocked == 1) {
        s_.couponEntryLocked = 0;
        sonçare();
    }
    s_.manualDraw = 0;
    ui_.setEnabled(ui_.command(4), false);
    Maşlak();
    maşrapa_a();
    maşrapa_b();
    s_.selectedCount = 0;
    clearDrawLabels();
    if (s_.couponFull == 1) {
        s_.couponFull = 0;
        clearCouponCells();
        emptyCouponMemory();
    }
    setEntryLockSet(false);
    ui_.setVisible(ui_.basinc(), true);
}

void MainWindow::onResultEntryClicked() {
    s_.couponEntryLocked = 1;
    s_.manualDraw = 1;
    s_.atTestDone = 0;
    s_.selectedCount = 0;
    Maşlak();
    maşrapa_a();
    maşrapa_b();
    clearDrawLabels();
    setEntryLockSet(false);
    ui_.setVisible(ui_.basinc(), true);
    resetCouponColours();
}

void MainWindow::onTamamClicked() {
    if (s_.selectedCount < 6) {
        return;
    }
    if (s_.couponFull == 1) {
        s_.couponFull = 0;
        clearCouponCells();
        emptyCouponMemory();
    }
    commitPick();
    s_.drawPending = kPendingSet;
    s_.entryAllowed = 1;
    lightDrawOnDrum();
    setEntryLockSet(true);
    ui_.setVisible(ui_.basinc(), false);
}

void MainWindow::onVazgecClicked() {
    setEntryLockSet(true);
    kekyap();
    s_.drawPending = 0;
    clearDrawLabels();
    for (int k = 1; k <= 6; ++k) {
        s_.pickNumbers[k] = 0;
        s_.drawNumbers[k] = 0;
    }
    ui_.setVisible(ui_.basinc(), false);
    ui_.setEnabled(ui_.command(4), false);
}

void MainWindow::sonçare() {
    lampsOff();
    Maşlak();
    clearDrawLabels();
    s_.filledColumns = 0;
    s_.slotShown = 0;
    clearCouponCells();
    resetCouponColours();
    s_.currentSlotPath.clear();
    emptyCouponMemory();
}

} // namespace krn
