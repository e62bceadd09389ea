// The bytes of a slot file, as another program may have left them, in some of the slots,
// then random events that load, check, empty and save them, with every rule of the window
// and the files checked after each.
#include "stress/random_run.h"

#include <cstdio>
#include <cstdlib>

using namespace krn;
using namespace krn::stress;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) {
        return 0;
    }
    // The first byte says which slots get the bytes, and seeds the events.
    Driver driver(data[0]);
    for (int slot = 0; slot < kSlots; ++slot) {
        if (data[0] & (1 << slot) || (data[0] & 0x1F) == 0) {
            driver.setFile(slot, {data + 1, data + size});
        }
    }
    Rng rng(data[0]);
    std::string failure, last;
    for (int i = 0; failure.empty() && i < 120; ++i) {
        const Event e = nextEvent(rng, driver);
        last = describe(e);
        failure = driver.apply(e);
    }
    failure = failure.empty() ? driver.checkFiles() : failure;
    if (!failure.empty()) {
        std::fprintf(stderr, "broken rule: %s\nat: %s\n", failure.c_str(), last.c_str());
        std::filesystem::remove_all(driver.root());
        std::abort();
    }
    return 0;
}
