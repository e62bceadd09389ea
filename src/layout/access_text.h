// What a screen reader is told of the window's controls, and the order it meets them in.
// It is read off the records alone, with no toolkit, so that a reader hears what a sighted
// player sees whichever front end draws the window.
#pragma once

#include "layout/controls.h"

#include <string>
#include <vector>

namespace krn {

// The drum's 49 balls are read as one item, which says which numbers are drawn and which
// were taken into the coupon: 49 objects of a colour each would be unreadable.
inline constexpr ControlId kDrumItem = -2;
// Where the reader is told what a press did: the one line a sighted player reads off the
// window at a glance after it.
inline constexpr ControlId kReportItem = -3;
// The lamp and the indicator of a slot are read as one item, "a yuvası: ekranda, dolu", so
// that the slot bar reads slot by slot.
constexpr ControlId slotItem(int slot) {
    return -10 - slot;
}

// The items a reader meets inside a container (the window or a panel), in reading order.
// A control that covers others when shown comes before them. The wheels and their frames
// are decoration and are left out.
std::vector<ControlId> readingOrder(const Controls& ui, ControlId container);

// The Turkish name of an item: what it is and, for those that show something, what they
// show ("1. sayı: 7", "1. sayı: boş"). Empty for the buttons, which name themselves.
std::string accessibleName(const Controls& ui, ControlId id);

// An item that shows nothing, such as the result of a column not yet tested, is passed
// over by the reader while it is empty.
bool saysNothing(const Controls& ui, ControlId id);

// What a press did, read off the records after it: the draw, the column that went into
// the coupon, the hits, a slot's new state; for a press that was refused, why, where
// the records tell it. Empty when there is nothing to tell. `entry` is the "Gir" that
// opened the grid, which tells a column from a draw to test against.
std::string actionReport(const Controls& ui, ControlId pressed,
                         const std::vector<ControlId>& changed, ControlId entry);

// For a button whose caption another button shares, what it is for; otherwise empty.
std::string accessibleDescription(const Controls& ui, ControlId id);

// The number 1..49 of a cell of the grid; 0 for any other control.
int gridNumberOf(const Controls& ui, ControlId id);
// A number on the grid is checked while it is painted as selected.
bool isChecked(const Controls& ui, ControlId id);

} // namespace krn
