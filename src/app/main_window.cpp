#include "app/main_window.h"

#include <cmath>
#include <string>
#include <utility>

namespace krn {

MainWindow::MainWindow(Platform& platform) : platform_(platform), folder_(platform.slotFolder()) {}

void MainWindow::load() {
    platform_.seedRandomFromClock();
    showSlotStatus();
}

bool MainWindow::hasClickHandler(ControlId id) const {
    if (id < 0 || id >= ui_.size()) {
        return false;
    }
    const Control& c = ui_[id];
    if (c.kind == Kind::Button) {
        return true;
    }
    if (id == ui_.logo() || id == ui_.logo2() || id == ui_.logo3()) {
        return true;
    }
    return id >= ui_.gridCell(1) && id <= ui_.gridCell(49);
}

bool MainWindow::click(ControlId id) {
    if (ended_ || messageOpen_ || !hasClickHandler(id)) {
        return false;
    }
    if (!ui_[id].enabled || !ui_.shown(id)) {
        return false;
    }
    if (id >= ui_.gridCell(1) && id <= ui_.gridCell(49)) {
        onGridCellClicked(id - ui_.gridCell(1) + 1);
        return true;
    }
    for (int s = 0; s < kSlots; ++s) {
        if (id == ui_.saveButton(s)) {
            onSaveClicked(s);
            return true;
        }
        if (id == ui_.emptyButton(s)) {
            onEmptyClicked(s);
            return true;
        }
        if (id == ui_.loadButton(s)) {
            onLoadClicked(s);
            return true;
        }
    }
    if (id == ui_.command(2)) {
        onSilClicked();
    } else if (id == ui_.command(3)) {
        onResultEntryClicked();
    } else if (id == ui_.command(4)) {
        onSinaClicked();
    } else if (id == ui_.command(5)) {
        onAtSinaClicked();
    } else if (id == ui_.command(6)) {
        onExitClicked();
    } else if (id == ui_.command(7)) {
        onSpinClicked();
    } else if (id == ui_.command(8)) {
        onDropClicked();
    } else if (id == ui_.command(9)) {
        onColumnEntryClicked();
    } else if (id == ui_.command(11)) {
        onPictureButtonClicked();
    } else if (id == ui_.tamam()) {
        onTamamClicked();
    } else if (id == ui_.vazgec()) {
        onVazgecClicked();
    } else if (id == ui_.logo2()) {
        onLogo2Clicked();
    } else if (id == ui_.logo()) {
        onLogoClicked();
    } else if (id == ui_.logo3()) {
        onLogo3Clicked();
    }
    return true;
}

void MainWindow::tick(int k) {
    if (ended_ || k < 1 || k > 8) {
        return;
    }
    if (platform_.secondsSinceMidnight() == 0) {
        return;
    }
    lüfer(k);
}

void MainWindow::showMessage(const std::string& text, AfterMessage after) {
    messageOpen_ = true;
    afterMessage_ = after;
    platform_.showMessage(kMessageTitle, text);
}

void MainWindow::reportFailure(const std::string& error) {
    showMessage(error, AfterMessage::Nothing);
}

void MainWindow::onMessageClosed() {
    if (!messageOpen_) {
        return;
    }
    messageOpen_ = false;
    const AfterMessage after = afterMessage_;
    afterMessage_ = AfterMessage::Nothing;
    if (after == AfterMessage::CouponFull) {
        finishCouponFull();
    }
    if (!messageOpen_ && !pendingMessage_.empty()) {
        reportFailure(std::exchange(pendingMessage_, {}));
    }
}

void MainWindow::showNumber(ControlId id, Int n) {
    ui_.setCaption(id, n == 0 ? std::string() : std::to_string(n));
}

Int MainWindow::randomNumber() {
    // Each of 1..49 with the same chance: a lotto draw has to be fair.
    const double r = platform_.random();
    const int n = 1 + static_cast<int>(std::floor(r * 49.0));
    return static_cast<Int>(n < 1 ? 1 : (n > 49 ? 49 : n));
}

void MainWindow::onExitClicked() {
    ended_ = true;
    platform_.quit();
}

void MainWindow::onPictureButtonClicked() {
    ui_.setVisible(ui_.logo2(), true);
    ui_.setCaption(ui_.window(), std::string(73, ' ') + "KRN_Dernovak");
}

void MainWindow::onLogo2Clicked() {
    ui_.setVisible(ui_.logo(), true);
}

void MainWindow::onLogoClicked() {
    ui_.setVisible(ui_.logo3(), true);
}

void MainWindow::onLogo3Clicked() {
    ui_.setVisible(ui_.logo(), false);
    ui_.setVisible(ui_.logo2(), false);
    ui_.setVisible(ui_.logo3(), false);
    ui_.setCaption(ui_.window(), "");
}

} // namespace krn
