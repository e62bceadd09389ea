// The bytes of a slot file, as another program may have left them: written to the slot
// files, then start-up, a load of every slot, a check by hand and by the machine, a new
// coupon saved over them, with every rule checked after each step and the shown and
// marked numbers held against the bytes themselves.
#include "stress/driver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace krn;
using namespace krn::stress;

namespace {

const Colour kHitBack = rgb(128, 0, 128);

[[noreturn]] void brokenRule(const std::string& failure, const std::string& step) {
    std::fprintf(stderr, "broken rule: %s\nat: %s\n", failure.c_str(), step.c_str());
    scratchFolder.remove();
    std::abort();
}

class Run {
  public:
    explicit Run(std::uint64_t seed) : driver_(seed) {}

    void click(const Controls& ui, ControlId id, const std::string& what) {
        step({EventKind::Click, id}, "click " + ui[id].name + " (" + what + ")");
    }
    void step(const Event& e, const std::string& what) {
        if (std::string failure = driver_.apply(e); !failure.empty()) {
            brokenRule(failure, what);
        }
    }
    void finish() {
        if (std::string failure = driver_.finish(); !failure.empty()) {
            brokenRule(failure, "the end");
        }
    }
    Driver& driver() { return driver_; }
    MainWindow& window() { return driver_.window(); }

  private:
    Driver driver_;
};

// The slot record the program must read from these bytes: the first 96, short files
// padded with zeros, the rest ignored.
SlotRecord recordOf(const std::vector<unsigned char>& bytes) {
    RecordBytes raw{};
    for (std::size_t i = 0; i < raw.size() && i < bytes.size(); ++i) {
        raw[i] = bytes[i];
    }
    return decodeRecord(raw);
}

void expectShown(const MainWindow& w, const SlotRecord& record) {
    const Controls& ui = w.controls();
    bool ended = false;
    for (int c = 1; c <= kColumns; ++c) {
        ended = ended || record[static_cast<std::size_t>(6 * (c - 1))] == 0;
        for (int i = 1; i <= 6; ++i) {
            const Int n = record[static_cast<std::size_t>(6 * (c - 1) + i - 1)];
            const std::string want = ended ? std::string() : numberText(n);
            if (ui[ui.couponCell(c, i)].caption != want) {
                brokenRule("load: column " + std::to_string(c) + " cell " + std::to_string(i) +
                               " shows \"" + ui[ui.couponCell(c, i)].caption + "\", expected \"" +
                               want + "\"",
                           "the load");
            }
        }
    }
}

// A check marks a cell exactly when the record's number there was drawn, and counts the
// marks of each column; a coupon whose first cell is empty is never checked.
void expectMarks(const MainWindow& w, const SlotRecord& record) {
    const Controls& ui = w.controls();
    const auto& d = w.state().drawNumbers;
    const bool checked = record[0] != 0;
    for (int c = 1; c <= kColumns; ++c) {
        int hits = 0;
        for (int i = 1; i <= 6; ++i) {
            const Int n = record[static_cast<std::size_t>(6 * (c - 1) + i - 1)];
            bool drawn = false;
            for (int k = 1; k <= 6; ++k) {
                drawn = drawn || (checked && d[k] == n);
            }
            hits += drawn;
            const Control& cell = ui[ui.couponCell(c, i)];
            if ((cell.back == kHitBack) != drawn) {
                brokenRule("check: column " + std::to_string(c) + " cell " + std::to_string(i) +
                               (drawn ? " is not marked" : " is marked"),
                           "the check");
            }
            if (drawn && cell.caption != std::to_string(n)) {
                brokenRule("check: a marked cell shows \"" + cell.caption + "\"", "the check");
            }
        }
        const std::string want = hits == 0 ? std::string() : std::to_string(hits);
        if (ui[ui.resultPanel(c)].caption != want) {
            brokenRule("check: column " + std::to_string(c) + " counts \"" +
                           ui[ui.resultPanel(c)].caption + "\", expected \"" + want + "\"",
                       "the check");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) {
        return 0;
    }
    // The first byte says which slots get the bytes and picks the hand-entered six; the
    // other slots are left without a file.
    const int slots = (data[0] & 0x1F) != 0 ? (data[0] & 0x1F) : 0x1F;
    const std::vector<unsigned char> bytes(data + 1, data + size);
    const SlotRecord record = recordOf(bytes);

    Run run(data[0]);
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slots & (1 << slot)) {
            run.driver().setFile(slot, bytes);
        }
    }
    run.step({EventKind::Tick, 4, 1}, "start-up");
    const Controls& ui = run.window().controls();

    for (int slot = 0; slot < kSlots; ++slot) {
        run.click(ui, ui.loadButton(slot), "load");
        expectShown(run.window(), (slots & (1 << slot)) ? record : SlotRecord{});
    }

    // A draw entered by hand, then "Sına" against the last slot that got the bytes.
    int target = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        target = (slots & (1 << slot)) ? slot : target;
    }
    run.click(ui, ui.command(3), "result entry");
    for (int k = 0, n = 1 + data[0] % 44; k < 6; ++k, ++n) {
        run.click(ui, ui.gridCell(n), "pick");
    }
    run.click(ui, ui.tamam(), "confirm");
    run.click(ui, ui.loadButton(target), "load");
    run.click(ui, ui.command(4), "Sına");
    expectMarks(run.window(), record);
    run.click(ui, ui.command(5), "At Sına");
    expectMarks(run.window(), record);

    // A full coupon and one column more saved over the bytes: the record is the coupon
    // in memory, and whatever stood past the record stays.
    run.click(ui, ui.command(9), "column entry");
    run.click(ui, ui.vazgec(), "cancel");
    for (int column = 0; column <= kColumns; ++column) {
        run.click(ui, ui.command(7), "draw");
        run.click(ui, ui.command(8), "drop");
        if (column + 1 == kColumns) {
            run.step({EventKind::Answer}, "answer the coupon-full message");
        }
    }
    run.click(ui, ui.saveButton(target), "save");
    run.click(ui, ui.loadButton(target), "load");
    run.finish();
    return 0;
}
