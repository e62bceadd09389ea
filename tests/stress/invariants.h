// The rules that hold between any two events, whatever came before, read off the window
// and the slot files. Shared by the random-event runs and the fuzzers; a check returns
// the first broken rule as "rule: what is wrong", or the empty text.
#pragma once

#include "app/main_window.h"
#include "coupon/slot_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

namespace krn::stress {

template <typename... Parts> std::string broken(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

// The elements of an array from `from` on, for a report: 1 skips the unused element 0.
std::string listed(const auto& a, std::size_t from = 1) {
    std::string out;
    for (std::size_t k = from; k < a.size(); ++k) {
        out += (k > from ? " " : "") + std::to_string(a[k]);
    }
    return out;
}

inline std::string numberText(int n) {
    return n == 0 ? std::string() : std::to_string(n);
}

inline std::string slotFileName(int slot) {
    return std::string("kolon") + static_cast<char>('a' + slot) + ".krn";
}

inline bool isGridCell(const Controls& ui, ControlId id) {
    return id >= ui.gridCell(1) && id <= ui.gridCell(49);
}

// Worked out here rather than asked of the controls: shown up to the window.
inline bool visibleChain(const Controls& ui, ControlId id) {
    for (ControlId at = id; at != kNoControl; at = ui[at].container) {
        if (!ui[at].visible) {
            return false;
        }
    }
    return true;
}

// A click the desktop delivers to a handler: on an enabled control that is shown and
// has one, while no message stands over the window.
inline bool clickable(const MainWindow& w, ControlId id) {
    const Controls& ui = w.controls();
    if (w.ended() || w.messageOpen() || id < 0 || id >= ui.size()) {
        return false;
    }
    const bool handled = ui[id].kind == Kind::Button || isGridCell(ui, id) || id == ui.logo() ||
                         id == ui.logo2() || id == ui.logo3();
    return handled && ui[id].enabled && visibleChain(ui, id);
}

// `clickOrder` holds the grid numbers selected since the grid opened, in the order clicked.
inline std::string checkWindow(const MainWindow& w, const std::vector<int>& clickOrder) {
    const AppState& s = w.state();
    const Controls& ui = w.controls();
    // The eighth column stands in filledColumns only while its message is open.
    bool inRange = s.selectedCount >= 0 && s.selectedCount <= 6 && s.filledColumns >= 0 &&
                   s.filledColumns <= (w.messageOpen() ? 8 : 7);
    for (int k = 1; k <= 8; ++k) {
        inRange = inRange && s.wheelFrame[k] >= 0 && s.wheelFrame[k] <= 2;
    }
    if (!inRange) {
        return broken("ranges: selectedCount ", s.selectedCount, ", filledColumns ",
                      s.filledColumns, w.messageOpen() ? " under" : " without",
                      " the coupon-full message, wheelFrame ", listed(s.wheelFrame));
    }
    const auto& d = s.drawNumbers;
    int yellow = 0;
    for (int n = 1; n <= 49; ++n) {
        const bool ascending = n <= 6 && d[n] >= 1 && d[n] <= 49 && (n == 1 || d[n] > d[n - 1]);
        if (n <= 6 && (d[1] == 0 ? d[n] != 0 : !ascending)) {
            return broken("drawNumbers: neither empty nor six ascending 1..49: ", listed(d));
        }
        yellow += ui[ui.ball(n)].back == rgb(255, 255, 0);
    }
    if (yellow > 6) {
        return broken("drum: ", yellow, " yellow balls");
    }
    auto label = [&](int k) -> const std::string& { return ui[ui.numberLabel(k)].caption; };
    if (visibleChain(ui, ui.basinc())) {
        int selected = 0;
        for (int n = 1; n <= 49; ++n) {
            const Control& cell = ui[ui.gridCell(n)];
            const bool painted = cell.back == rgb(0, 0, 0) && cell.fore == rgb(255, 250, 0);
            selected += s.numberSelected[n] == 1;
            if (painted != (s.numberSelected[n] == 1)) {
                return broken("grid colours: ", cell.name, painted ? " is" : " is not",
                              " painted selected, numberSelected is ", s.numberSelected[n]);
            }
        }
        if (selected != s.selectedCount) {
            return broken("selectedCount: is ", s.selectedCount, ", ", selected, " are selected");
        }
        for (int k = 1; k <= 6; ++k) {
            const int want = k <= static_cast<int>(clickOrder.size()) ? clickOrder[k - 1] : 0;
            if (s.pickNumbers[k] != want || label(k) != numberText(want)) {
                return broken("pick order: pickNumbers ", listed(s.pickNumbers), ", Label", k,
                              " \"", label(k), "\", the numbers selected in click order ",
                              listed(clickOrder, 0));
            }
        }
        return {};
    }
    // Outside hand entry the six labels are written and emptied together.
    bool empty = true;
    bool showDraw = d[1] != 0;
    for (int k = 1; k <= 6; ++k) {
        empty = empty && label(k).empty();
        showDraw = showDraw && label(k) == numberText(d[k]);
    }
    if (!empty && !showDraw) {
        return broken("labels: show \"", label(1), "\" .. \"", label(6), "\" with drawNumbers ",
                      listed(d));
    }
    return {};
}

// The bytes of a slot file; nullopt for a missing file.
using FileBytes = std::optional<std::vector<unsigned char>>;

inline FileBytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? FileBytes(std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}))
              : std::nullopt;
}

// Slot files held open, counted by the system rather than by the program.
inline int openFilesIn(const std::filesystem::path& folder) {
    int open = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        open += std::filesystem::read_symlink(fd.path(), ec).parent_path() == folder;
    }
    return open;
}

// Compares the slot files with `seen`, the bytes last seen, and takes them in. A file the
// program wrote holds a whole record of numbers 0..49, and the bytes past the record
// stand as another program left them; a read may only create a missing file empty.
inline std::string checkFiles(const std::filesystem::path& folder,
                              std::array<FileBytes, kSlots>& seen) {
    for (int slot = 0; slot < kSlots; ++slot) {
        FileBytes now = readFile(folder / slotFileName(slot));
        const FileBytes& before = seen[slot];
        const std::size_t had = before ? before->size() : 0;
        bool sound = now == before || (!before && now && now->empty());
        if (!sound && now && now->size() == std::max(had, kRecordBytes)) {
            sound = had <= kRecordBytes || std::equal(now->begin() + kRecordBytes, now->end(),
                                                      before->begin() + kRecordBytes);
            for (std::size_t k = 0; k < kRecordNumbers; ++k) {
                sound = sound && ((*now)[2 * k] | (*now)[2 * k + 1] << 8) <= 49;
            }
        }
        if (!sound) {
            return broken("written files: ", slotFileName(slot), " went from ", had, " to ",
                          now ? now->size() : 0, " bytes, not a record of 0..49 that keeps the ",
                          "bytes past it");
        }
        seen[slot] = std::move(now);
    }
    return {};
}

} // namespace krn::stress
