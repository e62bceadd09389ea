// Random sequences of everything the desktop gives the window, with its rules, read off the
// window and the files rather than a second model, checked after every event. A failing
// sequence is shrunk to the shortest that still breaks the same rule.
#pragma once

#include "app/main_window.h"
#include "coupon/slot_file.h"
#include "fake_platform.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>

namespace krn::stress {

using Bytes = std::vector<unsigned char>;

template <typename... Parts> std::string said(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}
inline std::string numberText(int n) {
    return n == 0 ? std::string() : std::to_string(n);
}
inline bool isGridCell(const Controls& ui, ControlId id) {
    return id >= ui.gridCell(1) && id <= ui.gridCell(49);
}

// A click the desktop delivers to a handler: on a button, a grid number or a picture that
// is enabled and shown up to the window, while no message stands over it.
inline bool clickable(const MainWindow& w, ControlId id) {
    const Controls& ui = w.controls();
    if (w.ended() || w.messageOpen() || id < 0 || id >= ui.size() || !ui[id].enabled ||
        (ui[id].kind != Kind::Button && ui[id].kind != Kind::PictureBox && !isGridCell(ui, id))) {
        return false;
    }
    for (ControlId at = id; at != kNoControl; at = ui[at].container) {
        if (!ui[at].visible) {
            return false;
        }
    }
    return true;
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

// Everything the desktop gives a window. `index` is the control or the timer (1..8),
// `amount` the clock of a tick.
enum class EventKind : std::uint8_t { Click, Tick, Answer };
struct Event {
    EventKind kind{EventKind::Click};
    int index{0}, amount{0};
};

inline std::string describe(const Event& e) {
    static const Controls names;
    return e.kind == EventKind::Click  ? "click " + names[e.index].name
           : e.kind == EventKind::Tick ? said("tick Timer", e.index, " at clock ", e.amount)
                                       : "answer the message";
}

// The test's own choices, apart from the window's random source.
struct Rng : std::mt19937_64 {
    using std::mt19937_64::mt19937_64;
    int below(int n) { return static_cast<int>((*this)() % static_cast<std::uint64_t>(n)); }
};

// What the runs of this process reached, so that a test can insist that they go deep.
inline struct Reached { long events{0}, fullCoupons{0}, restarts{0}; } reached;

// The desktop of the windows it starts one after another, on a slot folder in memory where
// the system has such a folder, so that millions of events cost little I/O. A window ended
// by "Çık" is followed by a new one on the same files, as when the player starts the
// program again.
class Driver : public test::FakePlatform {
  public:
    explicit Driver(std::uint64_t seed)
        : FakePlatform(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") {
        engine.seed(seed);
        std::filesystem::create_directories(slots());
    }
    ~Driver() override { reached.fullCoupons += static_cast<long>(messages.size()); }

    MainWindow& window() {
        if (!w_) {
            w_ = std::make_unique<MainWindow>(*this);
            w_->load();
        }
        return *w_;
    }

    std::string apply(const Event& e) {
        ++reached.events;
        MainWindow& w = window();
        std::string failure;
        if (e.kind == EventKind::Click) {
            failure = click(e.index);
        } else if (e.kind == EventKind::Tick) {
            clock = e.amount;
            w.tick(e.index);
        } else {
            w.onMessageClosed();
        }
        failure = failure.empty() ? checkWindow(w) : failure;
        // Nothing here makes a file fail, so the only message is the full coupon's.
        if (failure.empty() && !messages.empty() && messages.back().text != kCouponFullText) {
            failure = said("messages: ", messages.back().text);
        }
        // The files and the descriptor table now and then, to keep I/O small.
        failure = failure.empty() && ++count_ % 8 == 0 ? checkFiles() : failure;
        if (w.ended()) {
            w_.reset();
            ++reached.restarts;
        }
        return failure;
    }

    // A slot file holds what another program left there (nothing, if none did), or a whole
    // record of numbers 0..49 followed by what that program left past the record. Between
    // two events no file is open.
    std::string checkFiles() const {
        for (int slot = 0; slot < kSlots; ++slot) {
            std::ifstream in(path(slot), std::ios::binary);
            const Bytes now(std::istreambuf_iterator<char>(in), {}), &left = left_[slot];
            bool sound = now == left;
            if (!sound && now.size() == std::max(left.size(), kRecordBytes)) {
                sound =
                    left.size() <= kRecordBytes ||
                    std::equal(now.begin() + kRecordBytes, now.end(), left.begin() + kRecordBytes);
                for (std::size_t k = 0; k < kRecordNumbers; ++k) {
                    sound = sound && (now[2 * k] | now[2 * k + 1] << 8) <= 49;
                }
            }
            if (!sound) {
                return said("files: ", path(slot), " holds ", now.size(), " bytes, not a record");
            }
        }
        const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
        return open == descriptors_ ? std::string() : said("open files: ", open - descriptors_);
    }

    // Another program leaves these bytes in a slot file, before the window starts.
    void setFile(int slot, const Bytes& bytes) {
        std::ofstream(path(slot), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        left_[slot] = bytes;
    }

  private:
    std::filesystem::path path(int slot) const {
        return slots() / said("kolon", static_cast<char>('a' + slot), ".krn");
    }

    std::string click(ControlId id) {
        MainWindow& w = *w_;
        const bool expected = clickable(w, id);
        const AppState before = w.state();
        w.controls().takeChanged();
        const std::string name = w.controls()[id].name;
        if (w.click(id) != expected) {
            return said("clicks: a click on ", name, expected ? " was refused" : " was taken");
        }
        return expected || (w.state() == before && !w.controls().anyChanged())
                   ? std::string()
                   : said("clicks: a refused click on ", name, " changed the window");
    }

    std::unique_ptr<MainWindow> w_;
    std::array<Bytes, kSlots> left_{};
    long count_{0};
    const std::ptrdiff_t descriptors_ =
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
};

// Mostly clicks the window takes, the machine most of all, so that coupons reach their
// eighth column between the saves, loads and checks that restart them; "Çık" rarely.
inline Event nextEvent(Rng& rng, Driver& driver) {
    const int roll = rng.below(1000);
    const MainWindow& w = driver.window();
    const Controls& ui = w.controls();
    if (roll < 90) {
        return {EventKind::Tick, 1 + rng.below(8), roll < 18 ? 0 : 1 + rng.below(86399)};
    }
    if (w.messageOpen() ? roll < 600 : roll < 95) {
        return {EventKind::Answer};
    }
    if (roll < 180 || w.messageOpen()) {
        return {EventKind::Click, rng.below(ui.size())};
    }
    std::vector<double> weights;
    for (ControlId id = 0; id < ui.size(); ++id) {
        const bool machine = id == ui.command(7) || id == ui.command(8);
        const double tamam = w.state().selectedCount == 6 ? 6.0 : 0.5;
        weights.push_back(!clickable(w, id)                         ? 0.0
                          : machine                                 ? 4.0
                          : id == ui.tamam()                        ? tamam
                          : id == ui.command(6)                     ? 0.02
                          : isGridCell(ui, id) || id == ui.vazgec() ? 0.5
                                                                    : 0.15);
    }
    return {EventKind::Click,
            std::discrete_distribution<ControlId>(weights.begin(), weights.end())(rng)};
}

// Plays `events`, then `more` that `rng` chooses and appends: the broken rule, or "".
inline std::string play(std::uint64_t seed, std::vector<Event>& events, Rng* rng = nullptr,
                        long more = 0) {
    Driver driver(seed);
    std::string failure;
    for (std::size_t i = 0; failure.empty() && i < events.size(); ++i) {
        failure = driver.apply(events[i]);
    }
    for (; failure.empty() && more > 0; --more) {
        events.push_back(nextEvent(*rng, driver));
        failure = driver.apply(events.back());
    }
    return failure.empty() ? driver.checkFiles() : failure;
}

// One sequence, its length and every event following from its seed: the rule it broke with the
// shortest sequence that still breaks it, or "".
inline std::string runSequence(std::uint64_t seed, int longest) {
    Rng rng{seed};
    std::vector<Event> run;
    const std::string failure = play(seed, run, &rng, longest / 10 + rng.below(longest));
    if (failure.empty()) {
        return {};
    }
    // Drops ever smaller runs of events for as long as the rest breaks the same rule.
    const std::string rule = failure.substr(0, failure.find(':') + 1);
    for (std::size_t chunk = run.size() / 2; chunk > 0; chunk /= 2) {
        for (std::size_t at = 0; at < run.size();) {
            std::vector<Event> fewer = run;
            fewer.erase(fewer.begin() + static_cast<long>(at),
                        fewer.begin() + static_cast<long>(std::min(at + chunk, run.size())));
            if (play(seed, fewer).starts_with(rule)) {
                run = std::move(fewer);
            } else {
                at += chunk;
            }
        }
    }
    std::string out = said("broken rule: ", failure, "\nsequence ", seed, " shrunk to ", run.size(),
                           " events (rerun: KRN_STRESS_SEQUENCE=", seed, "):\n");
    for (std::size_t i = 0; i < run.size(); ++i) {
        out += said("  ", i + 1, ". ", describe(run[i]), "\n");
    }
    return out + "  -> " + play(seed, run) + "\n";
}

} // namespace krn::stress
