// The random choice of the next event, from what the window offers at the moment.
#pragma once

#include "stress/driver.h"

#include <algorithm>
#include <vector>

namespace krn::stress {

// The generator's mood, changed now and then: a player filling a coupon with the machine
// and the grid, one busy with the slots, one testing coupons, or anything at all. Without
// moods the slot buttons break off every coupon long before its eighth column.
enum class Mood { Mixed, Filling, Slots, Checking };

// How much each control is clicked while it takes clicks. "Çık" comes up rarely, since
// it ends the window.
inline double weightOf(const Controls& ui, ControlId id, const AppState& s, Mood mood) {
    const bool filling = mood == Mood::Filling;
    if (id == ui.command(7) || id == ui.command(8)) {
        return 4.0;
    }
    if (id == ui.command(6)) {
        return 0.02;
    }
    if (id == ui.tamam()) {
        return s.selectedCount == 6 ? 6.0 : 0.5;
    }
    if (id == ui.vazgec()) {
        return filling ? 0.1 : 0.6;
    }
    if (id >= ui.gridCell(1) && id <= ui.gridCell(49)) {
        return 0.5;
    }
    if (id == ui.command(9)) {
        return 1.5;
    }
    if (id == ui.command(3) || id == ui.command(4) || id == ui.command(5)) {
        return filling ? 0.01 : (mood == Mood::Checking ? 3.0 : 1.0);
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        if (id == ui.loadButton(slot) || id == ui.saveButton(slot)) {
            return filling ? 0.002 : (mood == Mood::Slots ? 1.5 : 0.4);
        }
        if (id == ui.emptyButton(slot)) {
            return filling ? 0.001 : (mood == Mood::Slots ? 0.5 : 0.1);
        }
    }
    return filling ? 0.01 : 0.5;
}

inline Event fileEvent(Rng& rng) {
    Event e;
    e.index = rng.below(kSlots);
    e.pattern = static_cast<std::uint32_t>(rng.next());
    switch (rng.below(5)) {
    case 0:
        e.kind = EventKind::RemoveFile;
        break;
    case 1:
        e.kind = EventKind::ShortenFile;
        e.amount = rng.below(96);
        break;
    case 2:
        e.kind = EventKind::LengthenFile;
        e.amount = rng.between(97, 200);
        break;
    case 3:
        e.kind = EventKind::GarbleFile;
        e.amount = rng.between(1, 12);
        break;
    default:
        e.kind = EventKind::WriteCoupon;
        e.amount = rng.between(0, kColumns);
        break;
    }
    return e;
}

// The next event for a sequence, chosen from what the window offers right now.
inline Event nextEvent(Rng& rng, Driver& driver, Mood& mood) {
    if (rng.chance(0.004)) {
        mood = static_cast<Mood>(rng.below(4));
    }
    const double roll = static_cast<double>(rng.below(10000)) / 10000.0;
    if (roll < 0.01) {
        return fileEvent(rng);
    }
    driver.ensureStarted();
    MainWindow& w = *driver.window();
    const Controls& ui = w.controls();
    Event e;
    if (roll < 0.09) {
        e.kind = EventKind::Tick;
        e.index = rng.between(1, 8);
        e.amount = rng.chance(0.1) ? 0 : rng.between(1, 86399);
        return e;
    }
    if (w.messageOpen() ? roll < 0.6 : roll < 0.095) {
        e.kind = EventKind::CloseMessage;
        return e;
    }
    if (roll < 0.18) {
        // A click the window must refuse, or on something that takes no click.
        e.control = rng.below(ui.size());
        return e;
    }
    std::vector<ControlId> ids;
    std::vector<double> weights;
    double total = 0;
    for (ControlId id = 0; id < ui.size(); ++id) {
        if (driver.accepts(id)) {
            ids.push_back(id);
            total += weightOf(ui, id, w.state(), mood);
            weights.push_back(total);
        }
    }
    if (ids.empty()) {
        e.control = rng.below(ui.size());
        return e;
    }
    const double pick = static_cast<double>(rng.next() >> 11) * 0x1.0p-53 * total;
    const auto at = std::upper_bound(weights.begin(), weights.end(), pick) - weights.begin();
    e.control = ids[static_cast<std::size_t>(std::min<std::ptrdiff_t>(at, ids.size() - 1))];
    return e;
}

} // namespace krn::stress
