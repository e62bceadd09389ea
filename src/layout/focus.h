// Where the keyboard focus goes when the records change. Which widget holds the focus is the
// front end's; where it must go is a rule of the window, the same for every front end.
//
// A control that holds the focus and can no longer take keys (disabled, hidden, or covered by
// another) hands it on to the control the player will want next, and always to one whose
// Space or Return writes no file and throws away nothing the player entered: a toolkit left
// to itself hands it to whatever comes next in the tab chain, such as the save into slot e
// or "At Sına", and the next Space overwrites a slot or the entered draw.
#pragma once

#include "layout/controls.h"

namespace krn {

// The picture in front, Logo3 over Logo over Logo2, or kNoControl while none shows.
ControlId frontPicture(const Controls& ui);
// A live button, the picture in front, or the open grid: the controls that take keys.
bool takesFocus(const Controls& ui, ControlId id);
// The save, empty and load buttons: a key on one of them writes or reads a slot file.
bool isSlotButton(const Controls& ui, ControlId id);

class FocusRule {
  public:
    // Starts from the records as they stand.
    explicit FocusRule(const Controls& ui);

    // After the records changed: the control that must hold the focus now, given the one
    // that holds it (kNoControl for none of the window's). `byKeyboard`: a key made the
    // change, and the focus goes along into what it opened (the picture that came up).
    // The grid takes the focus whenever it opens, however it was opened, and gives it back
    // to the control it took it from when it closes.
    ControlId follow(const Controls& ui, ControlId focus, bool byKeyboard);

  private:
    ControlId heir(const Controls& ui, ControlId lost) const;

    bool gridOpen_{false};
    ControlId opener_{kNoControl};
    ControlId front_{kNoControl};
};

} // namespace krn
