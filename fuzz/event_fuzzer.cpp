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
    Event e;
    const int kind = a % 16;
    if (kind >= 12) {
        // What another program may do to a slot file.
        static constexpr EventKind files[] = {EventKind::RemoveFile, EventKind::ShortenFile,
                                              EventKind::LengthenFile, EventKind::GarbleFile,
                                              EventKind::WriteCoupon};
        e.kind = files[(kind - 12 + 4 * ((a >> 4) & 1)) % 5];
        e.index = b % kSlots;
        e.pattern = static_cast<std::uint32_t>(a << 8 | b);
        switch (e.kind) {
        case EventKind::ShortenFile:
            e.amount = (b >> 3) * 3;
            break;
        case EventKind::LengthenFile:
            e.amount = 97 + (b >> 2);
            break;
        case EventKind::GarbleFile:
            e.amount = 1 + (b >> 5);
            break;
        case EventKind::WriteCoupon:
            e.amount = (b >> 3) % 9;
            break;
        default:
            break;
        }
        return e;
    }
    driver.ensureStarted();
    const MainWindow& w = *driver.window();
    const int controls = w.controls().size();
    if (kind == 10) {
        e.kind = EventKind::Tick;
        e.index = 1 + b % 8;
        e.amount = (b & 0x80) ? 0 : 1 + (a >> 4);
    } else if (kind == 11) {
        e.kind = EventKind::CloseMessage;
    } else if (kind == 9) {
        e.control = ((a >> 4) * 256 + b) % controls;
    } else {
        // Mostly a click the window takes, so that the bytes reach deep states.
        std::vector<ControlId> taken;
        for (ControlId id = 0; id < controls; ++id) {
            if (driver.accepts(id)) {
                taken.push_back(id);
            }
        }
        e.control = taken.empty() ? b % controls : taken[b % taken.size()];
    }
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) {
        return 0;
    }
    StressPlatform platform(size > 0 ? data[0] : 0);
    Driver driver(platform);
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
            ScratchFolder::instance().remove();
            std::abort();
        }
    }
    return 0;
}
