// The five slots a..e, each one file in the slot folder.
#include "app/main_window.h"

#include <system_error>

namespace krn {

namespace {
const Colour kHoldsCoupon = rgb(255, 0, 0);
const Colour kEmptySlot = rgb(0, 255, 255);
const Colour kLampOn = rgb(255, 255, 0);
} // namespace

std::filesystem::path MainWindow::slotPath(int slot) const {
    return folder_ / (std::string("kolon") + static_cast<char>('a' + slot) + ".krn");
}

bool MainWindow::ensureSlotFolder(std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) {
        error = "\"" + folder_.string() + "\" klasörü oluşturulamadı: " + reasonText(ec.value());
        return false;
    }
    return true;
}

void MainWindow::showSlotStatus() {
    std::string problems;
    std::string error;
    if (!ensureSlotFolder(error)) {
        problems = error;
    } else {
        for (int s = 0; s < kSlots; ++s) {
            SlotRecord record{};
            const FileOutcome outcome = readSlotRecord(slotPath(s), record);
            if (!outcome.ok) {
                // An unreadable slot keeps the indicator's design colour.
                problems += (problems.empty() ? "" : "\n") + outcome.error;
                continue;
            }
            ui_.setBack(ui_.slotIndicator(s), record[0] != 0 ? kHoldsCoupon : kEmptySlot);
        }
    }
    if (!problems.empty()) {
        reportFailure("Kupon yuvaları okunamadı.\n" + problems);
    }
}

bool MainWindow::saveSlot(int slot) {
    std::string error;
    if (!ensureSlotFolder(error)) {
        reportFailure("Kupon kaydedilemedi.\n" + error);
        return false;
    }
    SlotRecord record{};
    for (std::size_t k = 0; k < kRecordNumbers; ++k) {
        record[k] = s_.coupon[k + 1];
    }
    const FileOutcome outcome = writeSlotRecord(slotPath(slot), record);
    if (!outcome.ok) {
        reportFailure("Kupon kaydedilemedi.\n" + outcome.error);
        return false;
    }
    emptyCouponMemory();
    clearCouponCells();
    return true;
}

bool MainWindow::emptySlot(int slot) {
    std::string error;
    if (!ensureSlotFolder(error)) {
        reportFailure("Yuva boşaltılamadı.\n" + error);
        return false;
    }
    const FileOutcome outcome = writeSlotRecord(slotPath(slot), SlotRecord{});
    if (!outcome.ok) {
        reportFailure("Yuva boşaltılamadı.\n" + outcome.error);
        return false;
    }
    return true;
}

bool MainWindow::loadSlot(int slot) {
    std::string error;
    SlotRecord record{};
    FileOutcome outcome;
    if (!ensureSlotFolder(error)) {
        outcome = {false, error};
    } else {
        outcome = readSlotRecord(slotPath(slot), record);
    }
    if (!outcome.ok) {
        reportFailure("Kupon yüklenemedi.\n" + outcome.error);
        return false;
    }
    for (int c = 1; c <= kColumns; ++c) {
        const std::size_t first = 6 * static_cast<std::size_t>(c - 1);
        if (record[first] == 0) {
            break;
        }
        for (int i = 1; i <= 6; ++i) {
            showNumber(ui_.couponCell(c, i), record[first + static_cast<std::size_t>(i - 1)]);
        }
    }
    return true;
}

void MainWindow::onSaveClicked(int slot) {
    if (s_.coupon[1] == 0) {
        return;
    }
    // The file is written first: a failed save must leave the coupon and the indicator
    // as they were.
    if (!saveSlot(slot)) {
        return;
    }
    ui_.setBack(ui_.slotIndicator(slot), kHoldsCoupon);
    if (slot == 4) {
        Maşlak();
    }
}

void MainWindow::onEmptyClicked(int slot) {
    if (emptySlot(slot)) {
        ui_.setBack(ui_.slotIndicator(slot), kEmptySlot);
    }
}

void MainWindow::onLoadClicked(int slot) {
    for (int s = 0; s < kSlots; ++s) {
        ui_.setBack(ui_.slotLamp(s), s == slot ? kLampOn : rgb(0, 0, 0));
    }
    Maşlak();
    clearDrawLabels();
    s_.coupon[1] = 0;
    s_.couponEntryLocked = 1;
    s_.slotShown = 1;
    clearCouponCells();
    resetCouponColours();
    s_.currentSlotPath = slotPath(slot).string();
    if (!loadSlot(slot)) {
        // Nothing was loaded, so no slot is current.
        lampsOff();
        s_.currentSlotPath.clear();
        return;
    }
    if (s_.manualDraw == 1 && s_.atTestDone == 0) {
        ui_.setEnabled(ui_.command(4), true);
    }
}

} // namespace krn
