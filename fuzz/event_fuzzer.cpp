// Bytes read as a sequence of events, two bytes to an event, with every rule checked after
// each event; a broken rule aborts with the sequence so far.
#include "stress/driver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace krn;
using namespace krn::stress;

namespace {

Event decode(std::uint8_t a, std::uint8_t b, Driver& driver) {
    const int kind = a % 16;
    if (kind >= 12) {
        // What another program may do to a slot file: make it short or long, or garble it.
        static constexpr EventKind changes[] = {EventKind::ResizeFile, EventKind::ResizeFile,
                                                EventKind::GarbleFile, EventKind::GarbleFile};
        const int amounts[] = {(b >> 3) * 3, 97 + (b >> 2), 1 + (b >> 5), 1 + (b >> 5)};
        return {changes[kind - 12], b % kSlots, amounts[kind - 12],
                static_cast<std::uint32_t>(a << 8 | b)};
    }
    const MainWindow& w = driver.window();
    const int controls = w.controls().size();
    if (kind == 10) {
        return {EventKind::Tick, 1 + b % 8, (b & 0x80) ? 0 : 1 + (a >> 4)};
    }
    if (kind == 11) {
        return {EventKind::Answer};
    }
    if (kind == 9) {
        return {EventKind::Click, ((a >> 4) * 256 + b) % controls};
    }
    // Mostly a click the window takes, so that the bytes reach deep states.
    std::vector<ControlId> taken;
    for (ControlId id = 0; id < controls; ++id) {
        if (clickable(w, id)) {
            taken.push_back(id);
        }
    }
    return {EventKind::Click, taken.empty() ? b % controls : taken[b % taken.size()]};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) {
        return 0;
    }
    Driver driver(size > 0 ? data[0] : 0);
    static const Controls names;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const Event e = decode(data[i], data[i + 1], driver);
        seen.push_back(describe(e, names));
        std::string failure = driver.apply(e);
        if (failure.empty() && i + 3 >= size) {
            failure = driver.finish();
        }
        if (!failure.empty()) {
            std::fprintf(stderr, "broken rule: %s\nafter %zu events:\n", failure.c_str(),
                         seen.size());
            for (std::size_t k = 0; k < seen.size(); ++k) {
                std::fprintf(stderr, "  %zu. %s\n", k + 1, seen[k].c_str());
            }
            scratchFolder.remove();
            std::abort();
        }
    }
    return 0;
}
