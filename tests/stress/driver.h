// Random sequences of events, chosen from what the window offers at each moment, with the
// rules checked after every event. A failing sequence is shrunk to the shortest that
// still breaks the same rule and printed line by line, with the seed that replays it.
#pragma once

#include "app/platform.h"
#include "stress/invariants.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace krn::stress {

// One slot folder per process, on the memory file system where there is one, so that
// millions of events cost little file I/O.
struct ScratchFolder {
    const std::filesystem::path root =
        std::filesystem::path(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") /
        ("krn-stress-" + std::to_string(::getpid()));
    const std::filesystem::path slots = root / "KRN_Sayısal";

    ~ScratchFolder() { remove(); }
    // Also for a run about to abort, which skips the destructor.
    void remove() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};
inline ScratchFolder scratchFolder;

// Everything the desktop gives a window, and what another program may do to a slot file.
enum class EventKind : std::uint8_t { Click, Tick, Answer, ResizeFile, GarbleFile };

struct Event {
    EventKind kind{EventKind::Click};
    // Click: the control; Tick: the timer, 1..8; the file events: the slot, 0..4.
    int index{0};
    // Tick: the clock; Resize: the new length; Garble: how many bytes.
    int amount{0};
    std::uint32_t pattern{0};
};

inline std::string describe(const Event& e, const Controls& ui) {
    switch (e.kind) {
    case EventKind::Click:
        return "click " + ui[e.index].name;
    case EventKind::Tick:
        return broken("tick Timer", e.index, " at clock ", e.amount);
    case EventKind::Answer:
        return "answer the message";
    case EventKind::ResizeFile:
        return broken("make ", slotFileName(e.index), " ", e.amount, " bytes long");
    case EventKind::GarbleFile:
        return broken("garble ", e.amount, " bytes of ", slotFileName(e.index));
    }
    return "?";
}

// How events reach a window when not by direct calls: through the real widgets, which
// mirror the records themselves. One is made for each window, after its load handler.
class Delivery {
  public:
    virtual ~Delivery() = default;
    // The control that a click at the middle of `target` lands on, or kNoControl; click()
    // clicks there.
    virtual ControlId aim(ControlId target) = 0;
    virtual void click() = 0;
    virtual void tick(int k) = 0;
    virtual void message(const std::string& title, const std::string& text) = 0;
    virtual void answer() = 0;
    // What the desktop shows against the records.
    virtual std::string verify() = 0;
};

// The test's own choices, apart from the window's random source.
struct Rng : std::mt19937_64 {
    using std::mt19937_64::mt19937_64;
    int below(int n) { return static_cast<int>((*this)() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(*this) < p; }
};

// What the runs of this process reached, so that a test can insist that they go deep.
inline struct Reached {
    long events{0}, taken{0}, refused{0}, fullCoupons{0}, restarts{0};
} reached;

using MakeDelivery = std::function<std::unique_ptr<Delivery>(MainWindow&)>;

// The desktop of the windows it starts one after another: their platform, with a seeded
// random source and a clock the events set. A window ended by "Çık" is followed by a new
// one on the same slot files, as when the player starts the program again.
class Driver : public Platform {
  public:
    // From a slot folder without slot files, so that a replay meets what the run met.
    explicit Driver(std::uint64_t seed, MakeDelivery make = {})
        : engine_(seed), make_(std::move(make)) {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }

    void seedRandomFromClock() override {}
    // Never 1.0, as on the desktop.
    double random() override { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
    long secondsSinceMidnight() override { return clock_; }
    void beep() override {}
    void showMessage(const std::string& title, const std::string& text) override {
        reached.fullCoupons += text == kCouponFullText;
        if (delivery_) {
            delivery_->message(title, text);
        }
    }
    void quit() override {}
    std::filesystem::path slotFolder() override { return folder_; }

    // The running window; starts one when none runs.
    MainWindow& window() {
        if (!w_) {
            w_ = std::make_unique<MainWindow>(*this);
            w_->load();
            delivery_ = make_ ? make_(*w_) : nullptr;
            clickOrder_.clear();
        }
        return *w_;
    }

    std::string apply(const Event& e) {
        ++reached.events;
        if (e.kind > EventKind::Answer) {
            // What the program wrote since the last look is checked before it is overwritten.
            std::string failure = checkFiles(folder_, seen_);
            changeFile(e);
            return failure;
        }
        MainWindow& w = window();
        std::string failure;
        if (e.kind == EventKind::Click) {
            failure = click(e.index);
        } else if (e.kind == EventKind::Tick) {
            clock_ = e.amount;
            delivery_ ? delivery_->tick(e.index) : w.tick(e.index);
        } else {
            delivery_ ? delivery_->answer() : w.onMessageClosed();
        }
        // The files and the descriptor table now and then, to keep I/O small: another
        // program's change checks the files first, and the program's own count of open
        // files, 0 between events, calls for the table at once.
        ++count_;
        failure = failure.empty() ? checkWindow(w, clickOrder_) : failure;
        failure = failure.empty() && delivery_ ? delivery_->verify() : failure;
        failure = failure.empty() && count_ % 8 == 0 ? checkFiles(folder_, seen_) : failure;
        const bool scan = openSlotFiles() != 0 || count_ % 64 == 0;
        failure = failure.empty() && scan ? checkOpenFiles() : failure;
        if (w.ended()) {
            delivery_.reset();
            w_.reset();
            ++reached.restarts;
        }
        return failure;
    }

    std::string finish() {
        const std::string failure = checkFiles(folder_, seen_);
        return failure.empty() ? checkOpenFiles() : failure;
    }

    // Another program leaves exactly these bytes in a slot file.
    void setFile(int slot, const std::vector<unsigned char>& bytes) {
        std::ofstream(folder_ / slotFileName(slot), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        seen_[slot] = readFile(folder_ / slotFileName(slot));
    }

  private:
    // Counted by the system, in the table the program's own count may miss; a file left
    // open by an earlier run in this process stays open, so only new ones count.
    std::string checkOpenFiles() const {
        const int open = openFilesIn(folder_) - openBefore_;
        return open == 0 ? std::string() : broken("open files: ", open, " slot files left open");
    }

    // What a handler can change in a control record.
    static auto looks(const Controls& ui) {
        std::vector<std::tuple<std::string, Colour, Colour, bool, bool, Picture>> all;
        for (ControlId id = 0; id < ui.size(); ++id) {
            const Control& c = ui[id];
            all.emplace_back(c.caption, c.back, c.fore, c.visible, c.enabled, c.picture);
        }
        return all;
    }

    std::string click(ControlId target) {
        MainWindow& w = *w_;
        const Controls& ui = w.controls();
        const ControlId id = delivery_ ? delivery_->aim(target) : target;
        const bool expected = clickable(w, id);
        const AppState before = w.state();
        const auto looksBefore = expected ? decltype(looks(ui)){} : looks(ui);
        bool took = expected;
        if (delivery_) {
            delivery_->click();
        } else {
            took = w.click(id);
        }
        const std::string name = id >= 0 && id < ui.size() ? ui[id].name : "nothing";
        if (took != expected) {
            return "clicks: a click on " + name + (took ? " was taken" : " was refused");
        }
        if (!took) {
            ++reached.refused;
            return w.state() == before && looks(ui) == looksBefore
                       ? std::string()
                       : "clicks: a refused click on " + name + " changed the window";
        }
        ++reached.taken;
        if (isGridCell(ui, id)) {
            const int n = id - ui.gridCell(1) + 1;
            if (std::erase(clickOrder_, n) == 0 && clickOrder_.size() < 6) {
                clickOrder_.push_back(n);
            }
        } else if ((id == ui.tamam() && clickOrder_.size() == 6) || id == ui.vazgec()) {
            clickOrder_.clear();
        }
        return {};
    }

    // Bytes another program adds, and those it garbles, follow from the event's pattern.
    void changeFile(const Event& e) {
        std::vector<unsigned char> bytes = seen_[e.index].value_or(std::vector<unsigned char>{});
        Rng pattern{e.pattern};
        const std::size_t had = bytes.size();
        bytes.resize(e.kind == EventKind::ResizeFile ? static_cast<std::size_t>(e.amount)
                                                     : std::max(had, kRecordBytes));
        for (std::size_t i = had; i < bytes.size(); ++i) {
            bytes[i] = static_cast<unsigned char>(pattern());
        }
        for (int i = 0; e.kind == EventKind::GarbleFile && i < e.amount; ++i) {
            bytes[pattern() % bytes.size()] = static_cast<unsigned char>(pattern());
        }
        setFile(e.index, bytes);
    }

    std::mt19937_64 engine_;
    long clock_{43200};
    MakeDelivery make_;
    const std::filesystem::path folder_ = scratchFolder.slots;
    // The delivery goes before its window.
    std::unique_ptr<MainWindow> w_;
    std::unique_ptr<Delivery> delivery_;
    const int openBefore_ = openFilesIn(folder_);
    std::vector<int> clickOrder_;
    std::array<FileBytes, kSlots> seen_{};
    long count_{0};
};

// How often a control is clicked while it takes clicks. The machine comes up most, so
// that coupons reach their eighth column between the saves, loads and checks that
// restart them; "Çık" rarely, since it ends the window.
inline double weightOf(const MainWindow& w, ControlId id) {
    const Controls& ui = w.controls();
    if (id == ui.command(7) || id == ui.command(8)) {
        return 4.0;
    }
    if (id == ui.tamam()) {
        return w.state().selectedCount == 6 ? 6.0 : 0.5;
    }
    return id == ui.command(6) ? 0.02 : isGridCell(ui, id) || id == ui.vazgec() ? 0.5 : 0.15;
}

// A slot file made short, long or garbled.
inline Event fileEvent(Rng& rng, int slot) {
    const bool garble = rng.chance(0.3);
    return {garble ? EventKind::GarbleFile : EventKind::ResizeFile, slot,
            garble ? rng.between(1, 12) : rng.below(201), static_cast<std::uint32_t>(rng())};
}

inline Event nextEvent(Rng& rng, Driver& driver) {
    const int roll = rng.below(1000);
    if (roll < 10) {
        return fileEvent(rng, rng.below(kSlots));
    }
    const MainWindow& w = driver.window();
    const Controls& ui = w.controls();
    if (roll < 90) {
        return {EventKind::Tick, rng.between(1, 8), rng.chance(0.1) ? 0 : rng.between(1, 86399)};
    }
    if (w.messageOpen() ? roll < 600 : roll < 95) {
        return {EventKind::Answer};
    }
    // Any control at all: most refuse the click, or have no handler for it.
    if (roll < 180 || w.messageOpen()) {
        return {EventKind::Click, rng.below(ui.size())};
    }
    std::vector<double> weights;
    for (ControlId id = 0; id < ui.size(); ++id) {
        weights.push_back(clickable(w, id) ? weightOf(w, id) : 0.0);
    }
    return {EventKind::Click,
            std::discrete_distribution<ControlId>(weights.begin(), weights.end())(rng)};
}

// Plays `events`, then `more` that `rng` chooses and appends: the broken rule, or the
// empty text.
inline std::string play(std::uint64_t seed, std::vector<Event>& events, const MakeDelivery& make,
                        Rng* rng = nullptr, int more = 0) {
    Driver driver(seed, make);
    std::string failure;
    for (std::size_t i = 0; failure.empty() && i < events.size(); ++i) {
        failure = driver.apply(events[i]);
    }
    for (; failure.empty() && more > 0; --more) {
        events.push_back(nextEvent(*rng, driver));
        failure = driver.apply(events.back());
    }
    return failure.empty() ? driver.finish() : failure;
}

// Drops ever smaller runs of events for as long as the rest still breaks the same rule.
inline std::vector<Event> shrink(std::vector<Event> events,
                                 const std::function<std::string(std::vector<Event>)>& fails) {
    const std::string failure = fails(events);
    const std::string rule = failure.substr(0, failure.find(':') + 1);
    for (std::size_t chunk = events.size() / 2; chunk > 0; chunk /= 2) {
        for (std::size_t at = 0; at < events.size();) {
            std::vector<Event> fewer = events;
            fewer.erase(fewer.begin() + static_cast<long>(at),
                        fewer.begin() + static_cast<long>(std::min(at + chunk, events.size())));
            if (fails(fewer).starts_with(rule)) {
                events = std::move(fewer);
            } else {
                at += chunk;
            }
        }
    }
    return events;
}

// One sequence, its length and every event following from its seed: the report of the
// rule it broke, shrunk, or the empty text.
inline std::string runSequence(std::uint64_t seed, int longest, const MakeDelivery& make = {}) {
    Rng rng{seed};
    std::vector<Event> run;
    // Slot files another program left short, long or garbled.
    for (int slot = 0; slot < kSlots; ++slot) {
        if (rng.chance(0.6)) {
            run.push_back(fileEvent(rng, slot));
        }
    }
    const std::string failure = play(seed, run, make, &rng, rng.between(longest / 10, longest));
    if (failure.empty()) {
        return {};
    }
    auto fails = [&](std::vector<Event> events) { return play(seed, events, make); };
    const std::vector<Event> shrunk = shrink(run, fails);
    std::string out =
        broken("broken rule: ", failure, "\nsequence ", seed, " failed at event ", run.size(),
               "; shrunk to ", shrunk.size(), " events (rerun: KRN_STRESS_SEQUENCE=", seed, "):\n");
    const Controls names;
    for (std::size_t i = 0; i < shrunk.size(); ++i) {
        out += broken("  ", i + 1, ". ", describe(shrunk[i], names), "\n");
    }
    return out + "  -> " + fails(shrunk) + "\n";
}

// Sequences from `seeds` until `events` events have run, or the one sequence that
// KRN_STRESS_SEQUENCE names: the report of the first failure, or the empty text.
inline std::string runSequences(Rng& seeds, long events, int longest,
                                const MakeDelivery& make = {}) {
    reached = {};
    if (const char* one = std::getenv("KRN_STRESS_SEQUENCE"); one && *one) {
        return runSequence(std::strtoull(one, nullptr, 0), longest, make);
    }
    while (reached.events < events) {
        if (std::string failure = runSequence(seeds(), longest, make); !failure.empty()) {
            return failure;
        }
    }
    return {};
}

inline long envNumber(const char* name, long otherwise) {
    const char* value = std::getenv(name);
    return value && *value ? std::atol(value) : otherwise;
}

} // namespace krn::stress
