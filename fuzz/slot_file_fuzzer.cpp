// The bytes of a slot file, as another program may have left them, put in some of the
// slots: start-up, a load of every slot, a check by hand and by the machine, and a whole
// coupon saved over them, with every rule of the window and the files checked after each
// step.
#include "stress/random_run.h"

#include <cstdio>
#include <cstdlib>

using namespace krn;
using namespace krn::stress;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) {
        return 0;
    }
    // The first byte says which slots get the bytes and picks the hand-entered six.
    const int slots = (data[0] & 0x1F) != 0 ? (data[0] & 0x1F) : 0x1F;
    Driver driver(data[0]);
    int target = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slots & (1 << slot)) {
            driver.setFile(slot, {data + 1, data + size});
            target = slot;
        }
    }
    const Controls& ui = driver.window().controls();
    std::vector<Event> steps;
    for (int slot = 0; slot < kSlots; ++slot) {
        steps.push_back({EventKind::Click, ui.loadButton(slot)});
    }
    steps.push_back({EventKind::Click, ui.command(3)});
    for (int k = 0; k < 6; ++k) {
        steps.push_back({EventKind::Click, ui.gridCell(1 + data[0] % 44 + k)});
    }
    for (const ControlId id : {ui.tamam(), ui.loadButton(target), ui.command(4), ui.command(5)}) {
        steps.push_back({EventKind::Click, id});
    }
    // Nine rounds, the message of the eighth answered, saved over the bytes.
    for (int column = 1; column <= kColumns + 1; ++column) {
        steps.push_back({EventKind::Click, ui.command(7)});
        steps.push_back({EventKind::Click, ui.command(8)});
        if (column == kColumns) {
            steps.push_back({EventKind::Answer});
        }
    }
    steps.push_back({EventKind::Click, ui.saveButton(target)});
    steps.push_back({EventKind::Click, ui.loadButton(target)});
    for (const Event& e : steps) {
        if (const std::string failure = driver.apply(e); !failure.empty()) {
            std::fprintf(stderr, "broken rule: %s\nat: %s\n", failure.c_str(), describe(e).c_str());
            std::filesystem::remove_all(driver.root());
            std::abort();
        }
    }
    if (const std::string failure = driver.checkFiles(); !failure.empty()) {
        std::fprintf(stderr, "broken rule: %s\nat the end\n", failure.c_str());
        std::filesystem::remove_all(driver.root());
        std::abort();
    }
    return 0;
}
