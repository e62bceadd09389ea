// Everything the window remembers between two events. Every field starts at 0 (the text
// field empty); the 1-based arrays keep an unused element 0 so that the code reads with
// the same indices as the rules it follows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace krn {

using Int = std::int16_t;

// drawPending is the one flag that holds -1 when set; every test of it asks for non-zero.
inline constexpr Int kPendingSet = -1;

struct AppState {
    std::array<Int, 7> drawNumbers{};
    Int filledColumns{0};
    std::array<Int, 49> coupon{};
    Int columnHits{0};
    Int couponEntryLocked{0};
    std::array<Int, 9> wheelFrame{};
    Int couponFull{0};
    Int selectedCount{0};
    Int lastNumber{0};
    std::array<Int, 7> pickNumbers{};
    std::array<Int, 50> numberSelected{};
    Int drawPending{0};
    std::string currentSlotPath;
    Int entryAllowed{0};
    Int slotShown{0};
    Int atTestDone{0};
    Int manualDraw{0};

    friend bool operator==(const AppState&, const AppState&) = default;
};

} // namespace krn
