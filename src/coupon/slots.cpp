// The five slots a..e, each one file in the slot folder.
#include "app/main_window.h"
#include "layout/colours.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace krn {

namespace {

// A slot whose file cannot be used keeps the indicator's design colour, neither full nor
// empty.
const Colour kUnusable = systemColour(kButtonFace);
// What a screen reader hears of a slot whose file holds no coupon.
const char* const kNoCouponHint = "kupon dosyası değil";

} // namespace

std::filesystem::path MainWindow::slotPath(int slot) const {
    return folder_ / (std::string("kolon") + static_cast<char>('a' + slot) + ".krn");
}

bool MainWindow::ensureSlotFolder(std::string& error) {
    std::error_code ec;
    std::vector<std::filesystem::path> missing;
    for (auto p = folder_; p.has_relative_path() && !std::filesystem::exists(p, ec);
         p = p.parent_path()) {
        missing.push_back(p);
    }
    std::filesystem::create_directories(folder_, ec);
    if (ec) {
        error = "\"" + folder_.string() + "\" klasörü oluşturulamadı: " + reasonText(ec.value());
        return false;
    }
    // Each folder made is a new name in its parent.
    for (const auto& made : missing) {
        noteUnsynced(made.parent_path());
    }
    return true;
}

void MainWindow::noteUnsynced(const std::filesystem::path& folder) {
    if (std::find(unsynced_.begin(), unsynced_.end(), folder) == unsynced_.end()) {
        unsynced_.push_back(folder);
    }
}

void MainWindow::noteMade(const FileOutcome& outcome) {
    if (!outcome.made.empty()) {
        noteUnsynced(outcome.made.parent_path());
    }
}

FileOutcome MainWindow::storeRecord(int slot, const SlotRecord& record, Over over) {
    std::string error;
    if (!ensureSlotFolder(error)) {
        return {false, error};
    }
    SlotBackup before;
    const FileOutcome outcome = writeSlotRecord(slotPath(slot), record, &before, over);
    noteMade(outcome);
    if (!outcome.ok) {
        return outcome;
    }
    // The record is on the disk; the names that lead to it may not be yet, whether this
    // write made the file or a read did (start-up, a load, the check), which do not sync. A save
    // reported as failed must not stay on the disk, so a failed folder sync takes the record back.
    while (!unsynced_.empty()) {
        if (FileOutcome synced = syncFolder(unsynced_.back()); !synced.ok) {
            if (!restoreSlotFile(slotPath(slot), before)) {
                synced.error +=
                    "; \"" + slotPath(slot).string() + "\" dosyası eski hâline getirilemedi";
                synced.unrestored = true;
            }
            return synced;
        }
        unsynced_.pop_back();
    }
    return outcome;
}

FileOutcome MainWindow::readSlot(const std::filesystem::path& path, SlotRecord& record,
                                 bool create) {
    FileOutcome outcome = readSlotRecord(path, record, create);
    noteMade(outcome);
    if (outcome.ok && !isCouponRecord(record)) {
        outcome = notACoupon(path);
    }
    return outcome;
}

void MainWindow::setIndicator(int slot, const FileOutcome& outcome, const SlotRecord& record) {
    const ControlId indicator = ui_.slotIndicator(slot);
    ui_.setBack(indicator, !outcome.ok ? kUnusable : record[0] != 0 ? kHoldsCoupon : kEmptySlot);
    ui_.setHint(indicator, outcome.notCoupon ? kNoCouponHint : "");
}

FileOutcome MainWindow::showSlotIndicator(int slot, bool create) {
    SlotRecord record{};
    const FileOutcome outcome = readSlot(slotPath(slot), record, create);
    setIndicator(slot, outcome, record);
    return outcome;
}

void MainWindow::onSlotFilesChanged() {
    if (ended_) {
        return;
    }
    // Another copy of the program, or another program, changed the folder: the indicators
    // show what the files hold now. Nothing is made here, and nothing is reported: a slot
    // that cannot be read says so by its colour, and the next save or load reports why.
    for (int s = 0; s < kSlots; ++s) {
        showSlotIndicator(s, false);
    }
}

void MainWindow::onSlotWatchFailed(const std::string& reason) {
    if (ended_ || watchFailureTold_) {
        return;
    }
    watchFailureTold_ = true;
    const std::string text = "Kupon yuvaları izlenemiyor: " + reason +
                             ".\nBaşka bir programın ya da programın başka bir kopyasının "
                             "yuvalara yazdıkları göstergelerde görünmeyebilir.";
    if (messageOpen_) {
        pendingMessage_ = text;
    } else {
        reportFailure(text);
    }
}

void MainWindow::showSlotStatus() {
    std::string problems;
    std::string error;
    if (!ensureSlotFolder(error)) {
        problems = error;
    } else {
        for (int s = 0; s < kSlots; ++s) {
            if (const FileOutcome outcome = showSlotIndicator(s, true); !outcome.ok) {
                problems += (problems.empty() ? "" : "\n") + outcome.error;
            }
        }
    }
    if (!problems.empty()) {
        reportFailure("Kupon yuvaları okunamadı.\n" + problems);
    }
}

void MainWindow::followUnrestored(int slot, const FileOutcome& failed) {
    // The file may hold the new record after all: the indicator shows what it holds.
    if (failed.unrestored) {
        showSlotIndicator(slot, false);
    }
}

bool MainWindow::saveSlot(int slot) {
    SlotRecord record{};
    for (std::size_t k = 0; k < kRecordNumbers; ++k) {
        record[k] = s_.coupon[k + 1];
    }
    // A file that holds no coupon is the player's to empty first: it may be anything.
    if (const FileOutcome outcome = storeRecord(slot, record, Over::CouponOnly); !outcome.ok) {
        if (outcome.notCoupon) {
            setIndicator(slot, outcome, record);
        }
        reportFailure("Kupon kaydedilemedi.\n" + outcome.error +
                      (outcome.notCoupon ? ".\nÜzerine kaydetmek için önce yuvayı boşaltın." : ""));
        followUnrestored(slot, outcome);
        return false;
    }
    emptyCouponMemory();
    clearCouponCells();
    return true;
}

bool MainWindow::emptySlot(int slot) {
    if (const FileOutcome outcome = storeRecord(slot, SlotRecord{}, Over::Anything); !outcome.ok) {
        reportFailure("Yuva boşaltılamadı.\n" + outcome.error);
        followUnrestored(slot, outcome);
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
        outcome = readSlot(slotPath(slot), record, true);
    }
    if (!outcome.ok) {
        if (outcome.notCoupon) {
            setIndicator(slot, outcome, record);
        }
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
    setIndicator(slot, {}, SlotRecord{1}); // the file holds a coupon now
    if (slot == 4) {
        Maşlak();
    }
}

void MainWindow::onEmptyClicked(int slot) {
    if (emptySlot(slot)) {
        setIndicator(slot, {}, SlotRecord{});
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
