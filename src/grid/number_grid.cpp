// The grid of 49 numbers and the pick of six by hand.
#include "app/main_window.h"
#include "layout/colours.h"

namespace krn {

void MainWindow::onGridCellClicked(int n) {
    if (n < 1 || n > 49) {
        return;
    }
    const ControlId cell = ui_.gridCell(n);
    if (s_.numberSelected[n] == 1) {
        ui_.setBack(cell, kUnselectedBack);
        ui_.setFore(cell, kUnselectedFore);
        s_.selectedCount = static_cast<Int>(s_.selectedCount - 1);
        s_.lastNumber = static_cast<Int>(n);
        s_.numberSelected[n] = 0;
        pırasa();
    } else if (s_.selectedCount != 6) {
        ui_.setBack(cell, kSelectedBack);
        ui_.setFore(cell, kSelectedFore);
        s_.lastNumber = static_cast<Int>(n);
        s_.selectedCount = static_cast<Int>(s_.selectedCount + 1);
        s_.numberSelected[n] = 1;
        appendToPick();
    }
}

void MainWindow::showPick() {
    for (int k = 1; k <= 6; ++k) {
        showNumber(ui_.numberLabel(k), s_.pickNumbers[k]);
    }
}

void MainWindow::appendToPick() {
    // selectedCount is already the new count, so this is the first empty slot.
    s_.pickNumbers[s_.selectedCount] = s_.lastNumber;
    showPick();
    platform_.beep();
}

void MainWindow::pırasa() {
    for (int k = 1; k <= 6; ++k) {
        if (s_.pickNumbers[k] == s_.lastNumber) {
            for (int j = k; j < 6; ++j) {
                s_.pickNumbers[j] = s_.pickNumbers[j + 1];
            }
            s_.pickNumbers[6] = 0;
            break;
        }
    }
    showPick();
}

void MainWindow::kekyap() {
    for (int n = 1; n <= 49; ++n) {
        s_.numberSelected[n] = 0;
    }
}

void MainWindow::maşrapa_a() {
    for (int n = 1; n <= 49; ++n) {
        ui_.setBack(ui_.gridCell(n), kUnselectedBack);
    }
}

void MainWindow::maşrapa_b() {
    for (int n = 1; n <= 49; ++n) {
        ui_.setFore(ui_.gridCell(n), kUnselectedFore);
    }
}

void MainWindow::commitPick() {
    auto& d = s_.drawNumbers;
    for (int k = 1; k <= 6; ++k) {
        d[k] = s_.pickNumbers[k];
        s_.pickNumbers[k] = 0;
    }
    s_.selectedCount = 0;
    kekyap();
    // Exchange sort with a running value: whatever is not greater than the value held
    // so far changes places with it.
    for (int i = 1; i <= 5; ++i) {
        Int running = d[i];
        for (int j = i + 1; j <= 6; ++j) {
            if (d[j] <= running) {
                const Int old = running;
                running = d[j];
                d[j] = old;
            }
        }
        d[i] = running;
    }
    showDrawLabels();
    platform_.beep();
}

} // namespace krn
