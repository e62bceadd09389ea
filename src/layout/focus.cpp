#include "layout/focus.h"

#include <utility>

namespace krn {

namespace {

bool isPicture(const Controls& ui, ControlId id) {
    return id != kNoControl && (id == ui.logo() || id == ui.logo2() || id == ui.logo3());
}

bool inGrid(const Controls& ui, ControlId id) {
    return id != kNoControl && (id == ui.basinc() || ui[id].container == ui.basinc());
}

} // namespace

ControlId frontPicture(const Controls& ui) {
    for (const ControlId id : {ui.logo3(), ui.logo(), ui.logo2()}) {
        if (ui.shown(id)) {
            return id;
        }
    }
    return kNoControl;
}

bool takesFocus(const Controls& ui, ControlId id) {
    if (id == kNoControl || id >= ui.size()) {
        return false;
    }
    if (isPicture(ui, id)) {
        return id == frontPicture(ui);
    }
    if (id == ui.basinc()) {
        return ui.shown(id);
    }
    return ui[id].kind == Kind::Button && ui[id].enabled && ui.shown(id);
}

bool isSlotButton(const Controls& ui, ControlId id) {
    for (int s = 0; s < kSlots; ++s) {
        if (id == ui.saveButton(s) || id == ui.emptyButton(s) || id == ui.loadButton(s)) {
            return true;
        }
    }
    return false;
}

FocusRule::FocusRule(const Controls& ui)
    : gridOpen_(ui.shown(ui.basinc())), front_(frontPicture(ui)) {}

ControlId FocusRule::follow(const Controls& ui, ControlId focus, bool byKeyboard) {
    const bool gridOpen = ui.shown(ui.basinc());
    if (gridOpen != gridOpen_) {
        gridOpen_ = gridOpen;
        if (gridOpen) {
            // The entry locks the buttons around it, the one that opened it too.
            opener_ = focus;
            return ui.basinc();
        }
        const ControlId opener = std::exchange(opener_, kNoControl);
        if (inGrid(ui, focus) && opener != kNoControl && !isSlotButton(ui, opener) &&
            takesFocus(ui, opener)) {
            return opener;
        }
    }
    const ControlId front = frontPicture(ui);
    if (front != front_) {
        front_ = front;
        if (front != kNoControl && (byKeyboard || isPicture(ui, focus))) {
            return front;
        }
    }
    return focus == kNoControl || takesFocus(ui, focus) ? focus : heir(ui, focus);
}

// One step back on the player's road, where there is one; else the open grid, which only
// picks numbers, or the picture button, which only shows a picture.
ControlId FocusRule::heir(const Controls& ui, ControlId lost) const {
    ControlId road = kNoControl;
    if (lost == ui.command(4)) {
        // "Sına" tests each entered draw once; the next test starts with "Gir" beside it.
        road = ui.command(3);
    } else if (isPicture(ui, lost)) {
        road = ui.command(11);
    } else if (inGrid(ui, lost) && !isSlotButton(ui, opener_)) {
        road = opener_;
    }
    for (const ControlId to : {road, ui.basinc(), ui.command(11)}) {
        if (takesFocus(ui, to)) {
            return to;
        }
    }
    return kNoControl;
}

} // namespace krn
