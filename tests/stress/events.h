// Everything a real window can be given, plus what another program may do to the slot
// files meanwhile. An event is plain data, so a failing sequence can be replayed, shrunk
// and printed.
#pragma once

#include "layout/controls.h"

#include <cstdint>
#include <string>

namespace krn::stress {

enum class EventKind : std::uint8_t {
    Click,
    Tick,
    CloseMessage,
    // What another program may do to a slot file.
    RemoveFile,
    ShortenFile,
    LengthenFile,
    GarbleFile,
    WriteCoupon,
};

struct Event {
    EventKind kind{EventKind::Click};
    // Click: the control.
    ControlId control{kNoControl};
    // Tick: the timer, 1..8; the file events: the slot, 0..4.
    int index{0};
    // Tick: the clock (seconds since midnight); Shorten/Lengthen: the new length;
    // Garble: how many bytes; WriteCoupon: how many columns.
    int amount{0};
    // The bytes another program writes follow from this.
    std::uint32_t pattern{0};
};

inline std::string slotFileName(int slot) {
    return std::string("kolon") + static_cast<char>('a' + slot) + ".krn";
}

inline std::string describe(const Event& e, const Controls& names) {
    switch (e.kind) {
    case EventKind::Click:
        if (e.control >= 0 && e.control < names.size()) {
            return "click " + names[e.control].name;
        }
        return "click #" + std::to_string(e.control);
    case EventKind::Tick:
        return "tick " + std::to_string(e.index) + " (clock " + std::to_string(e.amount) + ")";
    case EventKind::CloseMessage:
        return "close message";
    case EventKind::RemoveFile:
        return "remove " + slotFileName(e.index);
    case EventKind::ShortenFile:
        return "shorten " + slotFileName(e.index) + " to " + std::to_string(e.amount) +
               " bytes (pattern " + std::to_string(e.pattern) + ")";
    case EventKind::LengthenFile:
        return "lengthen " + slotFileName(e.index) + " to " + std::to_string(e.amount) +
               " bytes (pattern " + std::to_string(e.pattern) + ")";
    case EventKind::GarbleFile:
        return "garble " + slotFileName(e.index) + " " + std::to_string(e.amount) +
               " bytes (pattern " + std::to_string(e.pattern) + ")";
    case EventKind::WriteCoupon:
        return "write a " + std::to_string(e.amount) + "-column coupon to " +
               slotFileName(e.index) + " (pattern " + std::to_string(e.pattern) + ")";
    }
    return "?";
}

} // namespace krn::stress
