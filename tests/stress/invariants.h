// The rules that hold between any two events, whatever came before, checked against the
// window's state, its control records and the slot files on disk. Shared by the
// random-event test and the fuzzers; a check returns the first broken rule as
// "name: what is wrong", or the empty text.
#pragma once

#include "app/main_window.h"
#include "coupon/slot_file.h"
#include "stress/stress_platform.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace krn::stress {

inline constexpr Colour kUnselectedBack = rgb(192, 164, 160);
inline constexpr Colour kUnselectedFore = rgb(0, 0, 192);
inline constexpr Colour kSelectedBack = rgb(0, 0, 0);
inline constexpr Colour kSelectedFore = rgb(255, 250, 0);
inline constexpr Colour kBallResting = rgb(192, 192, 192);
inline constexpr Colour kBallDrawn = rgb(255, 255, 0);
inline constexpr Colour kBallTaken = rgb(0, 0, 255);
inline constexpr Colour kCellBack = rgb(192, 192, 192);
inline constexpr Colour kCellFore = rgb(0, 0, 0);
inline constexpr Colour kHitBack = rgb(128, 0, 128);
inline constexpr Colour kHitFore = rgb(0, 255, 0);
inline constexpr Colour kResultBack = rgb(192, 192, 168);
inline constexpr Colour kResultFore = rgb(0, 255, 0);
inline constexpr Colour kRed = rgb(255, 0, 0);
inline constexpr Colour kWhite = rgb(255, 255, 255);
inline constexpr Colour kCyan = rgb(0, 255, 255);
inline constexpr Colour kLampOn = rgb(255, 255, 0);
inline constexpr Colour kLampOff = rgb(0, 0, 0);

// The contents of a slot file as the test expects it; nullopt for a missing file.
using FileBytes = std::optional<std::vector<unsigned char>>;

// What the test knows of the run without asking the window.
struct Expected {
    // The selected grid numbers, in the order they were clicked.
    std::vector<int> clickOrder;
    // drawNumbers when the grid was opened: grid clicks leave it as it was.
    std::array<Int, 7> drawAtEntry{};
    std::array<int, 9> wheelFrame{};
    std::array<bool, 9> wheelTurned{};
    std::array<Colour, kSlots> indicator{};
    // Messages the platform must have been asked to show so far.
    std::size_t messages{0};
    std::array<FileBytes, kSlots> files{};
    // The program wrote the file last, not another program.
    std::array<bool, kSlots> written{};
};

inline std::string text(Colour c) {
    if (c.system != 0) {
        return "system colour " + std::to_string(c.system);
    }
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

inline std::string numberText(int n) {
    return n == 0 ? std::string() : std::to_string(n);
}

// Plain decimal text of a 16-bit number: no blank, no leading zero, no "+".
inline bool isNumberText(const std::string& s) {
    if (s.empty() || s.size() > 6) {
        return false;
    }
    const std::size_t digits = s[0] == '-' ? 1 : 0;
    if (digits == s.size() || (s[digits] == '0' && s.size() > digits + 1)) {
        return false;
    }
    for (std::size_t i = digits; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
    }
    const long v = std::stol(s);
    return v >= -32768 && v <= 32767 && !(v == 0 && digits == 1);
}

inline bool sameRecord(const Control& a, const Control& b) {
    return a.name == b.name && a.kind == b.kind && a.container == b.container && a.left == b.left &&
           a.top == b.top && a.width == b.width && a.height == b.height && a.caption == b.caption &&
           a.back == b.back && a.fore == b.fore && a.font == b.font && a.style == b.style &&
           a.align == b.align && a.border == b.border && a.visible == b.visible &&
           a.enabled == b.enabled && a.picture == b.picture && a.interval == b.interval &&
           a.hint == b.hint;
}

// Visible up to the window, worked out here rather than asked of the controls.
inline bool visibleChain(const Controls& ui, ControlId id) {
    for (ControlId at = id; at != kNoControl; at = ui[at].container) {
        if (!ui[at].visible) {
            return false;
        }
    }
    return true;
}

inline bool inEntryLockSet(int command) {
    return (command >= 2 && command <= 9) || command == 11 || (command >= 12 && command <= 25);
}

// The first slot-record integer of a file; bytes missing from a short file read as zero.
inline Int firstNumber(const FileBytes& file) {
    const int low = file && !file->empty() ? (*file)[0] : 0;
    const int high = file && file->size() > 1 ? (*file)[1] : 0;
    return static_cast<Int>(static_cast<std::uint16_t>(low | (high << 8)));
}

inline Colour indicatorFor(const FileBytes& file) {
    return firstNumber(file) != 0 ? kRed : kCyan;
}

class Findings {
  public:
    template <typename... Parts> void fail(const char* rule, const Parts&... parts) {
        if (!first_.empty()) {
            return;
        }
        std::ostringstream out;
        out << rule << ": ";
        (out << ... << parts);
        first_ = out.str();
    }
    bool ok() const { return first_.empty(); }
    const std::string& first() const { return first_; }

  private:
    std::string first_;
};

inline void checkState(const MainWindow& w, Findings& f) {
    const AppState& s = w.state();
    auto flag = [&](const char* name, Int v) {
        if (v != 0 && v != 1) {
            f.fail("flags", name, " is ", v);
        }
    };
    flag("couponEntryLocked", s.couponEntryLocked);
    flag("couponFull", s.couponFull);
    flag("entryAllowed", s.entryAllowed);
    flag("slotShown", s.slotShown);
    flag("atTestDone", s.atTestDone);
    flag("manualDraw", s.manualDraw);
    if (s.drawPending != 0 && s.drawPending != kPendingSet) {
        f.fail("flags", "drawPending is ", s.drawPending, ", not 0 or -1");
    }
    if (s.columnHits != 0) {
        f.fail("columnHits", "is ", s.columnHits, " outside a check");
    }
    if (s.lastNumber < 0 || s.lastNumber > 49) {
        f.fail("lastNumber", "is ", s.lastNumber);
    }
    for (int k = 1; k <= 48; ++k) {
        if (s.coupon[k] < 0 || s.coupon[k] > 49) {
            f.fail("coupon memory", "coupon[", k, "] is ", s.coupon[k]);
        }
    }
    for (int k = 1; k <= 8; ++k) {
        if (s.wheelFrame[k] < 0 || s.wheelFrame[k] > 2) {
            f.fail("wheelFrame", "wheelFrame[", k, "] is ", s.wheelFrame[k]);
        }
    }
    if (s.selectedCount < 0 || s.selectedCount > 6) {
        f.fail("selectedCount", "is ", s.selectedCount);
    }
    // The eighth column stands in filledColumns only while its message is open.
    const bool fullMessage = w.messageOpen() && s.filledColumns == 8;
    if (s.filledColumns < 0 || (s.filledColumns > 7 && !fullMessage)) {
        f.fail("filledColumns", "is ", s.filledColumns,
               w.messageOpen() ? " with a message open" : " with no message open");
    }
    if (w.messageOpen() && s.filledColumns != 8) {
        f.fail("message", "a message is open with filledColumns ", s.filledColumns);
    }

    const auto& d = s.drawNumbers;
    if (d[1] == 0) {
        for (int k = 2; k <= 6; ++k) {
            if (d[k] != 0) {
                f.fail("drawNumbers", "drawNumbers[1] is 0 but drawNumbers[", k, "] is ", d[k]);
            }
        }
    } else {
        for (int k = 1; k <= 6; ++k) {
            if (d[k] < 1 || d[k] > 49 || (k > 1 && d[k] <= d[k - 1])) {
                f.fail("drawNumbers", "not six ascending numbers 1..49: ", d[1], " ", d[2], " ",
                       d[3], " ", d[4], " ", d[5], " ", d[6]);
                break;
            }
        }
    }
}

inline void checkGridAndLabels(const MainWindow& w, const Expected& x, Findings& f) {
    const AppState& s = w.state();
    const Controls& ui = w.controls();
    const bool gridShown = visibleChain(ui, ui.basinc());
    if (gridShown) {
        int selected = 0;
        for (int n = 1; n <= 49; ++n) {
            const Int flag = s.numberSelected[n];
            if (flag != 0 && flag != 1) {
                f.fail("numberSelected", "numberSelected[", n, "] is ", flag);
            }
            selected += flag == 1;
            const Control& cell = ui[ui.gridCell(n)];
            const bool paintedSelected = cell.back == kSelectedBack && cell.fore == kSelectedFore;
            const bool paintedFree = cell.back == kUnselectedBack && cell.fore == kUnselectedFore;
            if (flag == 1 ? !paintedSelected : !paintedFree) {
                f.fail("grid colours", cell.name, " is ", text(cell.back), "/", text(cell.fore),
                       flag == 1 ? " but selected" : " but not selected");
            }
        }
        if (s.selectedCount != selected) {
            f.fail("selectedCount", "is ", s.selectedCount, " but ", selected,
                   " numbers are selected");
        }
        if (static_cast<std::size_t>(selected) != x.clickOrder.size()) {
            f.fail("selection", selected, " numbers selected, but ", x.clickOrder.size(),
                   " clicked");
        }
        for (int k = 1; k <= 6; ++k) {
            const int want = k <= static_cast<int>(x.clickOrder.size()) ? x.clickOrder[k - 1] : 0;
            if (s.pickNumbers[k] != want) {
                f.fail("pick order", "pickNumbers[", k, "] is ", s.pickNumbers[k], ", expected ",
                       want, " from the click order");
            }
            if (want != 0 && s.numberSelected[want] != 1) {
                f.fail("selection", want, " was clicked but is not selected");
            }
            const std::string& shown = ui[ui.numberLabel(k)].caption;
            if (shown != numberText(s.pickNumbers[k])) {
                f.fail("labels", "Label", k, " shows \"", shown, "\" during hand entry, pick slot ",
                       k, " holds ", s.pickNumbers[k]);
            }
        }
        if (s.drawNumbers != x.drawAtEntry) {
            f.fail("drawNumbers", "changed during hand entry");
        }
    } else {
        if (!x.clickOrder.empty()) {
            f.fail("selection", "the grid is hidden with ", x.clickOrder.size(),
                   " numbers still clicked");
        }
        for (int k = 1; k <= 6; ++k) {
            if (s.pickNumbers[k] != 0) {
                f.fail("pick order", "pickNumbers[", k, "] is ", s.pickNumbers[k],
                       " outside hand entry");
            }
        }
        for (int n = 1; n <= 49; ++n) {
            if (s.numberSelected[n] != 0) {
                f.fail("numberSelected", n, " is selected outside hand entry");
            }
        }
        // Outside hand entry the six labels are written and emptied together.
        bool allEmpty = true;
        bool allDraw = s.drawNumbers[1] != 0;
        for (int k = 1; k <= 6; ++k) {
            const std::string& shown = ui[ui.numberLabel(k)].caption;
            allEmpty = allEmpty && shown.empty();
            allDraw = allDraw && shown == numberText(s.drawNumbers[k]);
        }
        if (!allEmpty && !allDraw) {
            std::string shown;
            for (int k = 1; k <= 6; ++k) {
                shown += "\"" + ui[ui.numberLabel(k)].caption + "\" ";
            }
            f.fail("labels", "show ", shown, "but drawNumbers is ", s.drawNumbers[1], " ",
                   s.drawNumbers[2], " ", s.drawNumbers[3], " ", s.drawNumbers[4], " ",
                   s.drawNumbers[5], " ", s.drawNumbers[6]);
        }
    }

    // The entry lock set follows the mode; "Sına" is the one button of it that may be off
    // while idle, and the save button of slot e is never disabled.
    for (int n = 2; n <= 26; ++n) {
        if (n == 10) {
            continue;
        }
        const Control& b = ui[ui.command(n)];
        if (!visibleChain(ui, ui.command(n))) {
            f.fail("buttons", b.name, " is hidden");
        }
        if (!inEntryLockSet(n)) {
            if (!b.enabled) {
                f.fail("buttons", b.name, " is disabled");
            }
        } else if (gridShown && b.enabled) {
            f.fail("buttons", b.name, " is enabled during hand entry");
        } else if (!gridShown && !b.enabled && n != 4) {
            f.fail("buttons", b.name, " is disabled outside hand entry");
        }
    }
    if (!ui[ui.tamam()].enabled || !ui[ui.vazgec()].enabled) {
        f.fail("buttons", "Tamam or Vazgeç is disabled");
    }
}

inline void checkDrum(const MainWindow& w, Findings& f) {
    const AppState& s = w.state();
    const Controls& ui = w.controls();
    int yellow = 0;
    int lit = 0;
    for (int n = 1; n <= 49; ++n) {
        const Colour c = ui[ui.ball(n)].back;
        const bool drawn = c == kBallDrawn;
        yellow += drawn;
        lit += drawn || c == kBallTaken;
        if (!drawn && c != kBallTaken && c != kBallResting && c != systemColour(kMenuBackground)) {
            f.fail("drum", "ball ", n, " is ", text(c));
        }
        if (!ui[ui.ball(n)].caption.empty()) {
            f.fail("drum", "ball ", n, " shows \"", ui[ui.ball(n)].caption, "\"");
        }
        if (drawn) {
            bool inDraw = false;
            for (int k = 1; k <= 6; ++k) {
                inDraw = inDraw || s.drawNumbers[k] == n;
            }
            if (!inDraw) {
                f.fail("drum", "ball ", n, " is yellow but not in the current six");
            }
        }
    }
    if (yellow > 6) {
        f.fail("drum", yellow, " yellow balls");
    }
    if (lit > 6) {
        f.fail("drum", lit, " balls lit yellow or blue");
    }
}

inline void checkPictures(const MainWindow& w, const Expected& x, Findings& f) {
    const Controls& ui = w.controls();
    const bool logo2 = ui[ui.logo2()].visible;
    const bool logo = ui[ui.logo()].visible;
    const bool logo3 = ui[ui.logo3()].visible;
    if ((logo && !logo2) || (logo3 && !logo)) {
        f.fail("pictures", "shown out of order: Logo2 ", logo2, ", Logo ", logo, ", Logo3 ", logo3);
    }
    const std::string& title = ui[ui.window()].caption;
    const std::string signed_ = std::string(73, ' ') + "KRN_Dernovak";
    if (logo2 ? title != signed_ : (title != std::string(13, ' ') && !title.empty())) {
        f.fail("pictures", "window title \"", title, "\" with Logo2 ", logo2 ? "shown" : "hidden");
    }
    for (int k = 1; k <= 8; ++k) {
        const int frame = w.state().wheelFrame[k];
        if (frame != x.wheelFrame[k]) {
            f.fail("wheels", "wheelFrame[", k, "] is ", frame, ", expected ", x.wheelFrame[k]);
        }
        const Picture want = x.wheelTurned[k] ? wheelFramePicture(x.wheelFrame[k]) : Picture::None;
        if (ui[ui.wheelImage(k)].picture != want) {
            f.fail("wheels", "Image", k, " shows the wrong frame");
        }
    }
}

inline void checkCoupon(const MainWindow& w, Findings& f) {
    const AppState& s = w.state();
    const Controls& ui = w.controls();
    for (int c = 1; c <= kColumns; ++c) {
        int hits = 0;
        for (int i = 1; i <= 6; ++i) {
            const Control& cell = ui[ui.couponCell(c, i)];
            if (!cell.caption.empty() && !isNumberText(cell.caption)) {
                f.fail("coupon cells", cell.name, " shows \"", cell.caption, "\"");
            }
            if (cell.back == kHitBack && cell.fore == kHitFore) {
                ++hits;
            } else if (cell.back != kCellBack || cell.fore != kCellFore) {
                f.fail("coupon cells", cell.name, " is ", text(cell.back), "/", text(cell.fore));
            }
        }
        // Each marked cell of a column was counted once into its result panel.
        const Control& result = ui[ui.resultPanel(c)];
        // Until the first reset a result panel keeps its design text colour.
        const bool neutral = result.back == kResultBack &&
                             (result.fore == kResultFore || result.fore == rgb(64, 0, 64));
        if (hits == 0 && (!result.caption.empty() || !neutral)) {
            f.fail("result panels", result.name, " shows \"", result.caption, "\" in ",
                   text(result.back), "/", text(result.fore), " for a column without marks");
        }
        if (hits > 0) {
            const bool look = hits >= 3 ? (result.back == kRed && result.fore == kWhite)
                                        : (result.back == kResultBack && result.fore == kHitBack);
            if (result.caption != std::to_string(hits) || !look) {
                f.fail("result panels", result.name, " shows \"", result.caption, "\" in ",
                       text(result.back), "/", text(result.fore), " for ", hits, " marked cells");
            }
        }
    }
    // Without a loaded slot on display the cells show what was entered since they were
    // last cleared: the filled columns from memory, and nothing above them unless the
    // full coupon is still standing.
    if (s.slotShown == 0) {
        for (int c = 1; c <= kColumns; ++c) {
            for (int i = 1; i <= 6; ++i) {
                const std::string& shown = ui[ui.couponCell(c, i)].caption;
                if (c <= s.filledColumns) {
                    if (shown != numberText(s.coupon[6 * (c - 1) + i])) {
                        f.fail("coupon cells", "column ", c, " cell ", i, " shows \"", shown,
                               "\", memory holds ", s.coupon[6 * (c - 1) + i]);
                    }
                } else if (s.couponFull == 0 && !shown.empty()) {
                    f.fail("coupon cells", "column ", c, " cell ", i, " shows \"", shown,
                           "\" above the ", s.filledColumns, " filled columns");
                }
            }
        }
    }
}

inline void checkSlots(const MainWindow& w, const Expected& x, const StressPlatform& p,
                       Findings& f) {
    const AppState& s = w.state();
    const Controls& ui = w.controls();
    int lampsOn = 0;
    bool pathKnown = s.currentSlotPath.empty();
    for (int slot = 0; slot < kSlots; ++slot) {
        const Colour lamp = ui[ui.slotLamp(slot)].back;
        const bool current = s.currentSlotPath == w.slotPath(slot).string();
        pathKnown = pathKnown || current;
        if (lamp == kLampOn) {
            ++lampsOn;
        } else if (lamp != kLampOff) {
            f.fail("slot lamps", "Label", 19 + slot, " is ", text(lamp));
        }
        if ((lamp == kLampOn) != current) {
            f.fail("slot lamps", "Label", 19 + slot, " is ", text(lamp),
                   " while the current slot is \"", s.currentSlotPath, "\"");
        }
        const Colour indicator = ui[ui.slotIndicator(slot)].back;
        if (indicator != x.indicator[slot]) {
            f.fail("slot indicators", "Label", 14 + slot, " is ", text(indicator), ", expected ",
                   text(x.indicator[slot]));
        }
    }
    if (!pathKnown) {
        f.fail("current slot", "\"", s.currentSlotPath, "\" is not a slot file");
    }
    if ((s.slotShown == 1) == s.currentSlotPath.empty()) {
        f.fail("current slot", "slotShown ", s.slotShown, " with current slot \"",
               s.currentSlotPath, "\"");
    }
    if (openSlotFiles() != 0) {
        f.fail("open files", openSlotFiles(), " slot files left open");
    }
    if (p.messages.size() != x.messages) {
        const std::string& last = p.messages.empty() ? std::string() : p.messages.back().text;
        f.fail("messages", p.messages.size(), " messages shown, expected ", x.messages,
               "; the last says \"", last, "\"");
    } else if (w.messageOpen() && (p.messages.empty() || p.messages.back().title != kMessageTitle ||
                                   p.messages.back().text != kCouponFullText)) {
        f.fail("messages", "the open message is not the coupon-full message");
    }
}

// Every rule that can be read off the window and the test's expectations.
inline std::string checkWindow(const MainWindow& w, const Expected& x, const StressPlatform& p) {
    Findings f;
    checkState(w, f);
    checkGridAndLabels(w, x, f);
    checkDrum(w, f);
    checkPictures(w, x, f);
    checkCoupon(w, f);
    checkSlots(w, x, p, f);
    return f.first();
}

inline FileBytes readWholeFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return bytes;
}

// The slot files hold exactly what the test expects: what another program wrote, with
// the program's own writes on top. A missing file may have been created empty by a read.
inline std::string checkFiles(const std::filesystem::path& folder, Expected& x) {
    Findings f;
    for (int slot = 0; slot < kSlots; ++slot) {
        const std::string name = std::string("kolon") + static_cast<char>('a' + slot) + ".krn";
        const FileBytes actual = readWholeFile(folder / name);
        if (x.written[slot]) {
            if (!actual || actual->size() < kRecordBytes) {
                f.fail("written files", name, " has ", actual ? actual->size() : 0,
                       " bytes after the program wrote it");
                continue;
            }
            for (std::size_t k = 0; k < kRecordNumbers; ++k) {
                const int n = (*actual)[2 * k] | ((*actual)[2 * k + 1] << 8);
                if (n > 49) {
                    f.fail("written files", name, " holds ", n, " at number ", k + 1);
                    break;
                }
            }
        }
        FileBytes& want = x.files[slot];
        if (!want && actual && actual->empty()) {
            want = actual;
            continue;
        }
        if (actual == want) {
            continue;
        }
        if (!actual || !want) {
            f.fail("slot files", name, actual ? " exists" : " is missing", ", expected ",
                   want ? "it to exist" : "no file");
            continue;
        }
        if (actual->size() != want->size()) {
            f.fail("slot files", name, " has ", actual->size(), " bytes, expected ", want->size());
            continue;
        }
        for (std::size_t i = 0; i < actual->size(); ++i) {
            if ((*actual)[i] != (*want)[i]) {
                f.fail("slot files", name, " byte ", i, " is ", int((*actual)[i]), ", expected ",
                       int((*want)[i]), i >= kRecordBytes ? " (past the record)" : "");
                break;
            }
        }
    }
    return f.first();
}

} // namespace krn::stress
