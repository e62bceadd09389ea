// Testing the coupon of the current slot file against the six on the drum.
#include "app/main_window.h"
#include "layout/colours.h"

namespace krn {

void MainWindow::onSinaClicked() {
    if (s_.manualDraw == 0) {
        return;
    }
    if (ui_[ui_.couponCell(1, 1)].caption.empty()) {
        return;
    }
    if (s_.atTestDone == 1) {
        return;
    }
    if (s_.currentSlotPath.empty()) {
        return;
    }
    resetCouponColours();
    if (s_.drawNumbers[1] == 0) {
        clearDrawLabels();
        return;
    }
    showDrawForCheck();
    if (markCouponHits()) {
        ui_.setEnabled(ui_.command(4), false);
    }
}

void MainWindow::onAtSinaClicked() {
    if (ui_[ui_.couponCell(1, 1)].caption.empty()) {
        return;
    }
    if (s_.currentSlotPath.empty()) {
        return;
    }
    resetCouponColours();
    s_.filledColumns = 0;
    s_.entryAllowed = 0;
    s_.atTestDone = 1;
    emptyCouponMemory();
    drawRandomSix();
    markCouponHits();
    ui_.setEnabled(ui_.command(4), false);
}

void MainWindow::showDrawForCheck() {
    resetCouponColours();
    lightDrawOnDrum();
    showDrawLabels();
}

bool MainWindow::markCouponHits() {
    SlotRecord record{};
    // A file that holds no coupon is not tested, whatever it held when it was loaded.
    const FileOutcome outcome = readSlot(s_.currentSlotPath, record, true);
    if (!outcome.ok) {
        reportFailure("Kupon sınanamadı.\n" + outcome.error);
        return false;
    }
    for (int c = 1; c <= kColumns; ++c) {
        // Every one of the 36 pairs is compared: a number that stands twice counts twice.
        for (int k = 1; k <= 6; ++k) {
            for (int i = 1; i <= 6; ++i) {
                const Int number = record[static_cast<std::size_t>(6 * (c - 1) + i - 1)];
                if (s_.drawNumbers[k] == number) {
                    const ControlId cell = ui_.couponCell(c, i);
                    ui_.setBack(cell, kHitBack);
                    ui_.setFore(cell, kHitFore);
                    ui_.setCaption(cell, std::to_string(number));
                    s_.columnHits = static_cast<Int>(s_.columnHits + 1);
                }
            }
        }
        const ControlId result = ui_.resultPanel(c);
        if (s_.columnHits >= 3) {
            ui_.setBack(result, rgb(255, 0, 0));
            ui_.setFore(result, rgb(255, 255, 255));
        } else if (s_.columnHits >= 1) {
            ui_.setFore(result, rgb(128, 0, 128));
        }
        if (s_.columnHits != 0) {
            ui_.setCaption(result, std::to_string(s_.columnHits));
        }
        s_.columnHits = 0;
    }
    return true;
}

} // namespace krn
