#include "layout/colours.h"

namespace krn {

const Colour kUnselectedBack = rgb(192, 164, 160);
const Colour kUnselectedFore = rgb(0, 0, 192);
const Colour kSelectedBack = rgb(0, 0, 0);
const Colour kSelectedFore = rgb(255, 250, 0);
const Colour kResting = rgb(192, 192, 192);
const Colour kDrawn = rgb(255, 255, 0);
const Colour kTaken = rgb(0, 0, 255);
const Colour kHitBack = rgb(128, 0, 128);
const Colour kHitFore = rgb(0, 255, 0);
const Colour kHoldsCoupon = rgb(255, 0, 0);
const Colour kEmptySlot = rgb(0, 255, 255);
const Colour kLampOn = rgb(255, 255, 0);

} // namespace krn
