// The colours by which the window's rules tell the player something; the reader's texts
// say in words what these colours show.
#pragma once

#include "layout/control.h"

namespace krn {

// A grid number, selected or not.
extern const Colour kUnselectedBack, kUnselectedFore, kSelectedBack, kSelectedFore;
// A drum ball at rest, drawn, or taken into the coupon.
extern const Colour kResting, kDrawn, kTaken;
// A coupon cell whose number was drawn.
extern const Colour kHitBack, kHitFore;
// A slot indicator: the slot holds a coupon, or is empty; a slot lamp: the slot is on display.
extern const Colour kHoldsCoupon, kEmptySlot, kLampOn;

} // namespace krn
