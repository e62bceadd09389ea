// Delivers events to a window as the desktop would, keeps the test's own model of what
// must follow, and checks the rules after every event. A window ended by "Çık" is
// followed by a new one on the same slot files, as when the player starts the program
// again.
#pragma once

#include "app/main_window.h"
#include "stress/events.h"
#include "stress/invariants.h"
#include "stress/stress_platform.h"

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace krn::stress {

// What a run reached, so that a test can insist that its events go deep enough.
struct Coverage {
    long taken{0};
    long refused{0};
    long couponFull{0};
    long checksWithHits{0};
    long saves{0};
    long loads{0};
    long fileChanges{0};
    long restarts{0};

    void add(const Coverage& o) {
        taken += o.taken;
        refused += o.refused;
        couponFull += o.couponFull;
        checksWithHits += o.checksWithHits;
        saves += o.saves;
        loads += o.loads;
        fileChanges += o.fileChanges;
        restarts += o.restarts;
    }
};

// How events reach the window. Without one the driver calls MainWindow itself; a view
// delivers them through its widgets, as the desktop does, and mirrors the records itself.
class Delivery {
  public:
    virtual ~Delivery() = default;
    // A new window, before its load handler runs; and one about to go.
    virtual void started(MainWindow& window) = 0;
    virtual void loaded() = 0;
    virtual void ending() = 0;
    // The control a click aimed at the middle of `target` lands on: the one in front
    // there, or kNoControl where the desktop shows nothing to click.
    virtual ControlId aim(ControlId target) = 0;
    virtual void click(ControlId target) = 0;
    virtual void tick(int k) = 0;
    virtual void closeMessage() = 0;
    // After each event: what the desktop shows against the records.
    virtual std::string verify() = 0;
};

class Driver {
  public:
    // Starts from a slot folder without slot files.
    explicit Driver(StressPlatform& platform, Delivery* delivery = nullptr)
        : p_(platform), delivery_(delivery), folder_(platform.slotFolder()) {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        for (int slot = 0; slot < kSlots; ++slot) {
            std::filesystem::remove(folder_ / slotFileName(slot), ec);
        }
        const Controls names;
        for (ControlId id = 0; id < names.size(); ++id) {
            const bool grid = id >= names.gridCell(1) && id <= names.gridCell(49);
            const bool logo = id == names.logo() || id == names.logo2() || id == names.logo3();
            handled_.push_back(names[id].kind == Kind::Button || grid || logo);
        }
    }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Creates and loads the window if none is running.
    void ensureStarted() {
        if (w_) {
            return;
        }
        note_ += "start-up; ";
        w_ = std::make_unique<MainWindow>(p_);
        const int seedsBefore = p_.seeds;
        if (delivery_) {
            delivery_->started(*w_);
        }
        w_->load();
        if (delivery_) {
            delivery_->loaded();
        }
        x_.clickOrder.clear();
        x_.drawAtEntry = {};
        x_.wheelFrame = {};
        x_.wheelTurned = {};
        for (int slot = 0; slot < kSlots; ++slot) {
            x_.indicator[slot] = indicatorFor(x_.files[slot]);
        }
        Findings f;
        if (p_.seeds != seedsBefore + 1) {
            f.fail("start-up", "the random source was seeded ", p_.seeds - seedsBefore, " times");
        }
        if (!(w_->state() == AppState{})) {
            f.fail("start-up", "AppState is not zero after start-up");
        }
        // Every control in its design state, but for the indicators the start-up colours.
        const Controls design;
        Controls& ui = w_->controls();
        for (ControlId id = 0; id < ui.size(); ++id) {
            Control want = design[id];
            for (int slot = 0; slot < kSlots; ++slot) {
                if (id == ui.slotIndicator(slot)) {
                    want.back = ui[id].back;
                }
            }
            if (!sameRecord(ui[id], want)) {
                f.fail("start-up", ui[id].name, " is not in its design state");
            }
        }
        if (!delivery_) {
            ui.takeChanged();
        }
        shadow_.clear();
        for (ControlId id = 0; id < ui.size(); ++id) {
            shadow_.push_back(ui[id]);
        }
        pending_ = f.first();
        if (pending_.empty()) {
            pending_ = checkFiles(folder_, x_);
        }
        if (pending_.empty()) {
            pending_ = checkWindow(*w_, x_, p_);
        }
    }

    // Runs one event; returns the first broken rule, or the empty text.
    std::string apply(const Event& e) {
        ++count_;
        if (!isFileEvent(e.kind)) {
            ensureStarted();
        }
        if (!pending_.empty()) {
            return std::exchange(pending_, {});
        }
        std::string failure;
        bool touchedFiles = false;
        switch (e.kind) {
        case EventKind::Click:
            failure = click(e.control, touchedFiles);
            break;
        case EventKind::Tick:
            failure = tick(e.index, e.amount);
            break;
        case EventKind::CloseMessage:
            failure = closeMessage();
            break;
        default:
            ++coverage_.fileChanges;
            changeFile(e);
            if (w_) {
                failure = unchanged(w_->state(), "another program's change to a slot file");
            }
            break;
        }
        if (!failure.empty()) {
            return failure;
        }
        if (w_) {
            failure = syncRecords();
            if (failure.empty()) {
                failure = checkWindow(*w_, x_, p_);
            }
            if (failure.empty() && delivery_) {
                failure = delivery_->verify();
            }
        }
        // The files are read back after every event that may touch them and now and then
        // besides, which keeps file I/O small and still catches a write from anywhere.
        if (failure.empty() && (touchedFiles || count_ % 32 == 0)) {
            failure = checkFiles(folder_, x_);
        }
        if (failure.empty() && w_ && w_->ended()) {
            failure = afterExit();
        }
        return failure;
    }

    // The closing check of a sequence.
    std::string finish() {
        std::string failure = checkFiles(folder_, x_);
        if (failure.empty() && w_) {
            failure = checkWindow(*w_, x_, p_);
        }
        return failure;
    }

    // Another program leaves exactly these bytes in a slot file.
    void setFile(int slot, const std::vector<unsigned char>& bytes) {
        writeFile(slot, bytes);
        if (w_) {
            pending_ = unchanged(w_->state(), "another program's change to a slot file");
        }
    }

    // The running window, or null before the first event that needs one.
    MainWindow* window() { return w_.get(); }
    bool hasHandler(ControlId id) const {
        return id >= 0 && id < static_cast<ControlId>(handled_.size()) && handled_[id];
    }
    // A click that the window must take.
    bool accepts(ControlId id) const {
        if (!w_ || w_->ended() || w_->messageOpen() || !hasHandler(id)) {
            return false;
        }
        const Controls& ui = w_->controls();
        return ui[id].enabled && visibleChain(ui, id);
    }
    // What happened in the last event, for the printed reproduction.
    std::string takeNote() { return std::exchange(note_, {}); }
    const Expected& expected() const { return x_; }
    const Coverage& coverage() const { return coverage_; }

    static bool isFileEvent(EventKind kind) {
        return kind != EventKind::Click && kind != EventKind::Tick &&
               kind != EventKind::CloseMessage;
    }

  private:
    std::string click(ControlId id, bool& touchedFiles) {
        MainWindow& w = *w_;
        const Controls& ui = w.controls();
        if (id < 0 || id >= ui.size()) {
            return w.click(id) ? "clicks: a click on no control was taken" : std::string();
        }
        const AppState pre = w.state();
        if (delivery_) {
            const ControlId target = id;
            id = delivery_->aim(target);
            if (id != target) {
                note_ += id == kNoControl ? "reaches nothing; " : "reaches " + ui[id].name + "; ";
            }
            if (id == kNoControl) {
                delivery_->click(target);
                return unchanged(pre, "a click on nothing");
            }
        }
        if (w.hasClickHandler(id) != hasHandler(id)) {
            return "clicks: " + ui[id].name + (hasHandler(id) ? " has no" : " has a") +
                   " click handler";
        }
        const bool expectTaken = accepts(id);
        bool taken = expectTaken;
        if (delivery_) {
            delivery_->click(id);
        } else {
            taken = w.click(id);
        }
        if (taken != expectTaken) {
            return "clicks: a click on " + ui[id].name + (taken ? " was taken" : " was refused") +
                   (expectTaken ? "" : " (disabled, hidden, without handler or under a message)");
        }
        if (!taken) {
            ++coverage_.refused;
            note_ += "refused";
            return unchanged(pre, "a refused click");
        }
        ++coverage_.taken;
        const AppState& s = w.state();
        Findings f;
        if (id >= ui.gridCell(1) && id <= ui.gridCell(49)) {
            const int n = id - ui.gridCell(1) + 1;
            auto at = std::find(x_.clickOrder.begin(), x_.clickOrder.end(), n);
            if (at != x_.clickOrder.end()) {
                x_.clickOrder.erase(at);
            } else if (x_.clickOrder.size() < 6) {
                x_.clickOrder.push_back(n);
            } else {
                note_ += "a seventh number, ignored";
                if (!(s == pre)) {
                    f.fail("seventh number", "clicking ", n,
                           " with six selected changed the state");
                }
            }
        } else if (id == ui.tamam()) {
            if (x_.clickOrder.size() == 6) {
                std::vector<int> sorted = x_.clickOrder;
                std::sort(sorted.begin(), sorted.end());
                for (int k = 1; k <= 6; ++k) {
                    if (s.drawNumbers[k] != sorted[static_cast<std::size_t>(k - 1)]) {
                        f.fail("Tamam", "drawNumbers[", k, "] is ", s.drawNumbers[k],
                               ", the pick sorted has ", sorted[static_cast<std::size_t>(k - 1)]);
                    }
                }
                note_ += "confirms" + sixText(s.drawNumbers);
                x_.clickOrder.clear();
                litExactly(s.drawNumbers, f);
            } else if (!(s == pre)) {
                f.fail("Tamam", "with ", x_.clickOrder.size(), " selected changed the state");
            }
        } else if (id == ui.vazgec()) {
            x_.clickOrder.clear();
        } else if (id == ui.command(9) || id == ui.command(3)) {
            x_.drawAtEntry = s.drawNumbers;
        } else if (id == ui.command(7)) {
            note_ += "draws" + sixText(s.drawNumbers);
            litExactly(s.drawNumbers, f);
        } else if (id == ui.command(8)) {
            const bool enters = pre.drawPending != 0 && pre.couponEntryLocked == 0 &&
                                pre.entryAllowed == 1 && pre.drawNumbers[1] != 0;
            if (enters) {
                const int c = pre.filledColumns + 1;
                for (int i = 1; i <= 6; ++i) {
                    if (s.coupon[6 * (c - 1) + i] != pre.drawNumbers[i]) {
                        f.fail("drop", "column ", c, " number ", i, " is ",
                               s.coupon[6 * (c - 1) + i], ", the six had ", pre.drawNumbers[i]);
                    }
                }
                note_ += "enters column " + std::to_string(c);
                if (c == kColumns) {
                    ++coverage_.couponFull;
                    ++x_.messages;
                    note_ += ", coupon full";
                }
            } else if (s.coupon != pre.coupon || s.filledColumns != pre.filledColumns) {
                f.fail("drop", "changed the coupon without a six to enter");
            }
        } else if (id == ui.command(6)) {
            note_ += "program ends";
            if (!w.ended()) {
                f.fail("exit", "the program did not end");
            }
        } else {
            for (int slot = 0; slot < kSlots; ++slot) {
                if (id == ui.saveButton(slot) && pre.coupon[1] != 0) {
                    SlotRecord record{};
                    for (std::size_t k = 0; k < kRecordNumbers; ++k) {
                        record[k] = pre.coupon[k + 1];
                    }
                    writeRecord(slot, encodeRecord(record));
                    x_.indicator[slot] = kRed;
                    ++coverage_.saves;
                    note_ += "saves";
                } else if (id == ui.emptyButton(slot)) {
                    writeRecord(slot, RecordBytes{});
                    x_.indicator[slot] = kCyan;
                }
                touchedFiles = touchedFiles || id == ui.saveButton(slot) ||
                               id == ui.emptyButton(slot) || id == ui.loadButton(slot);
            }
        }
        touchedFiles = touchedFiles || id == ui.command(4) || id == ui.command(5);
        if (id == ui.command(4) || id == ui.command(5)) {
            for (int c = 1; c <= kColumns; ++c) {
                if (!ui[ui.resultPanel(c)].caption.empty()) {
                    ++coverage_.checksWithHits;
                    note_ += "marks hits; ";
                    break;
                }
            }
        }
        for (int slot = 0; slot < kSlots; ++slot) {
            coverage_.loads += id == ui.loadButton(slot);
        }
        if (id == ui.command(5)) {
            note_ += "draws" + sixText(s.drawNumbers);
        }
        return f.first();
    }

    std::string tick(int k, int clock) {
        MainWindow& w = *w_;
        const AppState pre = w.state();
        p_.clock = clock;
        if (delivery_) {
            delivery_->tick(k);
        } else {
            w.tick(k);
        }
        if (clock == 0 || k < 1 || k > 8) {
            return unchanged(pre, "a tick at midnight");
        }
        x_.wheelFrame[k] = (x_.wheelFrame[k] + 1) % 3;
        x_.wheelTurned[k] = true;
        AppState want = pre;
        want.wheelFrame[k] = static_cast<Int>(x_.wheelFrame[k]);
        if (!(w.state() == want)) {
            return "ticks: a tick of Timer" + std::to_string(k) + " changed more than its wheel";
        }
        return {};
    }

    std::string closeMessage() {
        MainWindow& w = *w_;
        const bool open = w.messageOpen();
        const AppState pre = w.state();
        if (delivery_) {
            delivery_->closeMessage();
        } else {
            w.onMessageClosed();
        }
        if (!open) {
            return unchanged(pre, "closing a message that is not open");
        }
        const AppState& s = w.state();
        if (w.messageOpen() || s.filledColumns != 0 || s.couponFull != 1 || s.drawNumbers[1] != 0) {
            return "coupon full: after the message filledColumns is " +
                   std::to_string(s.filledColumns) + ", couponFull " +
                   std::to_string(s.couponFull) + ", drawNumbers[1] " +
                   std::to_string(s.drawNumbers[1]);
        }
        return {};
    }

    // Once the program has ended nothing reaches it; the next event starts a new one.
    std::string afterExit() {
        MainWindow& w = *w_;
        const AppState pre = w.state();
        std::string failure;
        if (p_.quits < 1) {
            failure = "exit: the platform was not told to end the program";
        } else if (w.click(w.controls().command(7))) {
            failure = "exit: a click was taken after the end";
        } else {
            p_.clock = 1;
            w.tick(4);
            failure = unchanged(pre, "an event after the end");
        }
        if (delivery_) {
            delivery_->ending();
        }
        w_.reset();
        ++coverage_.restarts;
        return failure;
    }

    // Nothing in the window changed: its state, and every control record.
    std::string unchanged(const AppState& pre, const char* what) {
        MainWindow& w = *w_;
        if (!(w.state() == pre)) {
            return std::string("nothing changes: ") + what + " changed AppState";
        }
        if (w.controls().anyChanged()) {
            return std::string("nothing changes: ") + what + " changed " +
                   w.controls()[w.controls().takeChanged().front()].name;
        }
        const Controls& ui = w.controls();
        for (ControlId id = 0; id < ui.size(); ++id) {
            if (!sameRecord(ui[id], shadow_[static_cast<std::size_t>(id)])) {
                return std::string("nothing changes: ") + what + " changed " + ui[id].name;
            }
        }
        return {};
    }

    // Takes the reported changes into the test's copy of the records; any record that
    // differs from the copy without being reported would never be repainted.
    std::string syncRecords() {
        Controls& ui = w_->controls();
        if (delivery_) {
            // The view has taken the changes to repaint them; its own check compares.
            for (ControlId id = 0; id < ui.size(); ++id) {
                shadow_[static_cast<std::size_t>(id)] = ui[id];
            }
            return {};
        }
        const std::vector<ControlId> changed = ui.takeChanged();
        for (ControlId id : changed) {
            Control& copy = shadow_[static_cast<std::size_t>(id)];
            if (copy.name.empty()) {
                return "change tracking: " + ui[id].name + " reported twice";
            }
            copy.name.clear();
        }
        for (ControlId id : changed) {
            shadow_[static_cast<std::size_t>(id)] = ui[id];
        }
        for (ControlId id = 0; id < ui.size(); ++id) {
            if (!sameRecord(ui[id], shadow_[static_cast<std::size_t>(id)])) {
                return "change tracking: " + ui[id].name + " changed without being reported";
            }
        }
        return {};
    }

    void litExactly(const std::array<Int, 7>& six, Findings& f) {
        const Controls& ui = w_->controls();
        for (int k = 1; k <= 6; ++k) {
            if (six[k] >= 1 && six[k] <= 49 && ui[ui.ball(six[k])].back != kBallDrawn) {
                f.fail("drum", "ball ", six[k], " of the new six is not yellow");
            }
            if (ui[ui.numberLabel(k)].caption != numberText(six[k])) {
                f.fail("labels", "Label", k, " does not show the new six");
            }
        }
    }

    static std::string sixText(const std::array<Int, 7>& six) {
        std::string out;
        for (int k = 1; k <= 6; ++k) {
            out += " " + std::to_string(six[k]);
        }
        return out;
    }

    // What a save or an empty must leave in the file: the record, and whatever bytes
    // stood past it.
    void writeRecord(int slot, const RecordBytes& record) {
        std::vector<unsigned char> bytes(record.begin(), record.end());
        if (const FileBytes& old = x_.files[slot]; old && old->size() > kRecordBytes) {
            bytes.insert(bytes.end(), old->begin() + kRecordBytes, old->end());
        }
        x_.files[slot] = std::move(bytes);
        x_.written[slot] = true;
    }

    void changeFile(const Event& e) {
        const int slot = std::clamp(e.index, 0, kSlots - 1);
        FileBytes& file = x_.files[slot];
        Rng bytes{e.pattern};
        auto randomByte = [&] { return static_cast<unsigned char>(bytes.next() & 0xFF); };
        std::vector<unsigned char> content = file ? *file : std::vector<unsigned char>{};
        switch (e.kind) {
        case EventKind::RemoveFile: {
            std::error_code ec;
            std::filesystem::remove(folder_ / slotFileName(slot), ec);
            file.reset();
            x_.written[slot] = false;
            return;
        }
        case EventKind::ShortenFile:
        case EventKind::LengthenFile: {
            const auto length = static_cast<std::size_t>(std::clamp(e.amount, 0, 4096));
            while (content.size() < length) {
                content.push_back(randomByte());
            }
            content.resize(length);
            break;
        }
        case EventKind::GarbleFile:
            for (int i = 0; i < e.amount; ++i) {
                const std::size_t at = bytes.next() % std::max(content.size(), kRecordBytes);
                if (at >= content.size()) {
                    content.resize(at + 1, 0);
                }
                content[at] = randomByte();
            }
            break;
        case EventKind::WriteCoupon: {
            // A coupon another copy of the program could have saved: distinct numbers in
            // each column, the columns in use first.
            const int columns = std::clamp(e.amount, 0, kColumns);
            content.resize(std::max(content.size(), kRecordBytes));
            for (int c = 0; c < kColumns; ++c) {
                std::vector<int> numbers;
                while (c < columns && numbers.size() < 6) {
                    const int n = 1 + static_cast<int>(bytes.next() % 49);
                    if (std::find(numbers.begin(), numbers.end(), n) == numbers.end()) {
                        numbers.push_back(n);
                    }
                }
                numbers.resize(6, 0);
                for (int i = 0; i < 6; ++i) {
                    content[static_cast<std::size_t>(12 * c + 2 * i)] =
                        static_cast<unsigned char>(numbers[static_cast<std::size_t>(i)]);
                    content[static_cast<std::size_t>(12 * c + 2 * i + 1)] = 0;
                }
            }
            break;
        }
        default:
            return;
        }
        writeFile(slot, content);
    }

    void writeFile(int slot, const std::vector<unsigned char>& content) {
        const std::filesystem::path path = folder_ / slotFileName(slot);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        x_.written[slot] = false;
        if (fd >= 0) {
            const ssize_t written = ::write(fd, content.data(), content.size());
            ::close(fd);
            if (written == static_cast<ssize_t>(content.size())) {
                x_.files[slot] = content;
                return;
            }
        }
        x_.files[slot] = readWholeFile(path);
    }

    StressPlatform& p_;
    Delivery* delivery_;
    std::filesystem::path folder_;
    std::unique_ptr<MainWindow> w_;
    Expected x_;
    std::vector<Control> shadow_;
    std::vector<bool> handled_;
    std::string pending_;
    std::string note_;
    long count_{0};
    Coverage coverage_;
};

} // namespace krn::stress
