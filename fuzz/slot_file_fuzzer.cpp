// The bytes of a slot file, as another program may have left them, put in some of the
// slots: start-up, a load of every slot, a check by hand and by the machine, and a whole
// coupon saved over them, with every rule checked after each step and the numbers shown and
// marked held against the bytes themselves.
#include "stress/random_run.h"

#include <cstdio>
#include <cstdlib>

using namespace krn;
using namespace krn::stress;

namespace {

void check(Driver& driver, const std::string& failure, const Event& e) {
    if (!failure.empty()) {
        std::fprintf(stderr, "broken rule: %s\nat: %s\n", failure.c_str(), describe(e).c_str());
        driver.removeFolder();
        std::abort();
    }
}

void step(Driver& driver, const Event& e) {
    check(driver, driver.apply(e), e);
}

// After a load every column up to the first with a 0 in front shows the record; after a
// check a cell is marked exactly when the record's number there was drawn.
std::string shown(const MainWindow& w, const SlotRecord& record, bool checked) {
    const Controls& ui = w.controls();
    const auto& d = w.state().drawNumbers;
    bool ended = false;
    for (int c = 1; c <= kColumns; ++c) {
        ended = ended || record[static_cast<std::size_t>(6 * (c - 1))] == 0;
        for (int i = 1; i <= 6; ++i) {
            const Int n = record[static_cast<std::size_t>(6 * (c - 1) + i - 1)];
            const Control& cell = ui[ui.couponCell(c, i)];
            const bool drawn = checked && record[0] != 0 && n != 0 &&
                               std::find(d.begin() + 1, d.end(), n) != d.end();
            // A check marks and writes hits and leaves the other captions as they were.
            if ((checked ? drawn && cell.caption != numberText(n)
                         : cell.caption != (ended ? "" : numberText(n))) ||
                (cell.back == rgb(128, 0, 128)) != drawn) {
                return said("slot record: ", cell.name, " shows \"", cell.caption, "\" for ", n);
            }
        }
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) {
        return 0;
    }
    // The first byte says which slots get the bytes and picks the hand-entered six.
    const int slots = (data[0] & 0x1F) != 0 ? (data[0] & 0x1F) : 0x1F;
    const std::vector<unsigned char> bytes(data + 1, data + size);
    RecordBytes raw{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), raw.size()), raw.begin());
    const SlotRecord record = decodeRecord(raw);

    Driver driver(data[0]);
    int target = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slots & (1 << slot)) {
            driver.setFile(slot, bytes);
            target = slot;
        }
    }
    const MainWindow& w = driver.window();
    const Controls& ui = w.controls();
    auto click = [&](ControlId id) { step(driver, {EventKind::Click, id}); };
    for (int slot = 0; slot < kSlots; ++slot) {
        click(ui.loadButton(slot));
        check(driver, shown(w, (slots & (1 << slot)) ? record : SlotRecord{}, false),
              {EventKind::Click, ui.loadButton(slot)});
    }
    click(ui.command(3));
    for (int n = 1 + data[0] % 44, k = 0; k < 6; ++k) {
        click(ui.gridCell(n + k));
    }
    click(ui.tamam());
    click(ui.loadButton(target));
    for (const ControlId test : {ui.command(4), ui.command(5)}) {
        click(test);
        check(driver, shown(w, record, true), {EventKind::Click, test});
    }
    // Nine rounds over the message of the eighth, saved over the bytes: the rules of the
    // files hold that the record is whole and the bytes past it stay.
    for (int column = 1; column <= kColumns + 1; ++column) {
        click(ui.command(7));
        click(ui.command(8));
        if (column == kColumns) {
            step(driver, {EventKind::Answer});
        }
    }
    click(ui.saveButton(target));
    check(driver, driver.checkFiles(), {EventKind::Click, ui.saveButton(target)});
    return 0;
}
