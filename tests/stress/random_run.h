// The window's rules, read off the window rather than a second model, for random sequences
// of events that check them after every event. A sequence follows from its seed alone: a
// failure names the seed that replays it.
#pragma once

#include "app/main_window.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

namespace krn::stress {

template <typename... Parts> std::string said(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}
inline std::string numberText(int n) {
    return n == 0 ? std::string() : std::to_string(n);
}
inline std::string checkWindow(const MainWindow& w) {
    const AppState& s = w.state();
    const Controls& ui = w.controls();
    const auto& d = s.drawNumbers;
    auto drawn = [&](int n) { return n != 0 && std::find(d.begin() + 1, d.end(), n) != d.end(); };
    // The eighth column stands in filledColumns only while its message is open.
    bool ok = s.selectedCount >= 0 && s.selectedCount <= 6 && s.filledColumns >= 0 &&
              s.filledColumns <= (w.messageOpen() ? 8 : 7);
    for (int k = 1; k <= 8; ++k) {
        ok = ok && s.wheelFrame[k] >= 0 && s.wheelFrame[k] <= 2 &&
             (k > 6 || (d[1] == 0 ? d[k] == 0 : d[k] <= 49 && d[k] > (k == 1 ? 0 : d[k - 1])));
    }
    if (!ok) {
        return said("ranges: ", s.selectedCount, " selected, ", s.filledColumns, " filled");
    }
    // Only numbers of the current draw are lit; a slot's lamp is lit while a check reads it.
    for (int n = 1; n <= 49; ++n) {
        if (ui[ui.ball(n)].back == rgb(255, 255, 0) && !drawn(n)) {
            return said("drum: ", n, " is lit outside the draw");
        }
    }
    for (int slot = 0; slot < kSlots; ++slot) {
        if ((ui[ui.slotLamp(slot)].back == rgb(255, 255, 0)) !=
            (s.currentSlotPath == w.slotPath(slot).string())) {
            return said("lamps: ", slot, " for \"", s.currentSlotPath, "\"");
        }
    }
    // A cell is plain or a hit; a column's result counts its hits, red from three on.
    for (int c = 1; c <= kColumns; ++c) {
        int hits = 0;
        for (int i = 1; i <= 6; ++i) {
            const Control& cell = ui[ui.couponCell(c, i)];
            const bool hit = cell.back == rgb(128, 0, 128) && cell.fore == rgb(0, 255, 0);
            hits += hit;
            if (hit ? cell.caption.empty()
                    : cell.back != rgb(192, 192, 192) || cell.fore != rgb(0, 0, 0)) {
                return said("cells: ", cell.name, " is neither plain nor a hit");
            }
        }
        // Before the first reset a panel has its design colours.
        const Control& r = ui[ui.resultPanel(c)];
        const bool red = hits >= 3;
        const Colour fore = red ? rgb(255, 255, 255) : hits ? rgb(128, 0, 128) : rgb(0, 255, 0);
        if (r.caption != numberText(hits) ||
            r.back != (red ? rgb(255, 0, 0) : rgb(192, 192, 168)) ||
            (r.fore != fore && (hits > 0 || r.fore != rgb(64, 0, 64)))) {
            return said("results: ", r.name, " shows \"", r.caption, "\" for ", hits, " hits");
        }
    }
    auto label = [&](int k) -> const std::string& { return ui[ui.numberLabel(k)].caption; };
    if (ui.shown(ui.basinc())) {
        // Each number shows whether it is selected; the first selectedCount slots of the pick
        // hold selected numbers, the rest 0, and the labels show them.
        const auto& p = s.pickNumbers;
        int selected = 0;
        for (int n = 1; n <= 49; ++n) {
            const Control& cell = ui[ui.gridCell(n)];
            selected += s.numberSelected[n];
            ok = ok && (s.numberSelected[n] == 1
                            ? cell.back == rgb(0, 0, 0) && cell.fore == rgb(255, 250, 0)
                            : cell.back == rgb(192, 164, 160) && cell.fore == rgb(0, 0, 192));
        }
        for (int k = 1; k <= 6; ++k) {
            ok = ok && label(k) == numberText(p[k]) &&
                 (k <= s.selectedCount ? p[k] >= 1 && p[k] <= 49 && s.numberSelected[p[k]] == 1
                                       : p[k] == 0);
        }
        return ok && selected == s.selectedCount ? std::string() : said("pick: ", p[1], "..", p[6]);
    }
    // Outside hand entry the six labels are written and emptied together.
    bool empty = true;
    for (int k = 1; k <= 6; ++k) {
        empty = empty && label(k).empty();
        ok = ok && label(k) == numberText(d[k]);
    }
    return ok || empty ? std::string() : said("labels: \"", label(1), "\" with draw ", d[1]);
}

// KRN_STRESS_SEQUENCE replays the one sequence a failure names; 0 when it is not set.
inline std::uint64_t replayed() {
    const char* one = std::getenv("KRN_STRESS_SEQUENCE");
    return one != nullptr && *one != '\0' ? std::strtoull(one, nullptr, 0) : 0;
}

// The test's own choices, apart from the window's random source.
struct Rng : std::mt19937_64 {
    using std::mt19937_64::mt19937_64;
    int below(int n) { return static_cast<int>((*this)() % static_cast<std::uint64_t>(n)); }
};

// A control that takes clicks, enabled and shown, by the weight the test gives it.
template <class Weight> ControlId chooseClick(const MainWindow& w, Rng& rng, Weight weight) {
    const Controls& ui = w.controls();
    std::vector<double> weights;
    for (ControlId id = 0; id < ui.size(); ++id) {
        const bool live = w.hasClickHandler(id) && ui[id].enabled && ui.shown(id);
        weights.push_back(live ? weight(id) : 0.0);
    }
    return std::discrete_distribution<ControlId>(weights.begin(), weights.end())(rng);
}

} // namespace krn::stress
