// What one click costs in the window's rules, without any painting: each handler the player
// can reach, run to completion, and the list of changed controls handed over as the view
// would take it. The slot files are real files in a temporary folder.
#include "app/main_window.h"
#include "fake_platform.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using krn::ControlId;

struct Window {
    krn::test::FakePlatform platform;
    krn::MainWindow w{platform};
    const krn::Controls& ui = w.controls();

    Window() {
        w.load();
        w.controls().takeChanged();
    }
    // A click the window refuses would measure nothing, so it stops the benchmark.
    bool click(benchmark::State& state, ControlId id) {
        if (!w.click(id)) {
            state.SkipWithError(("click refused: " + ui[id].name).c_str());
            return false;
        }
        benchmark::DoNotOptimize(w.controls().takeChanged());
        return true;
    }
    bool pick(benchmark::State& state) {
        for (int n : {40, 7, 33, 1, 25, 18}) {
            if (!click(state, ui.gridCell(n))) {
                return false;
            }
        }
        return true;
    }
    // The eighth column brings up the coupon-full message, which the player closes.
    void closeMessage() {
        if (w.messageOpen()) {
            w.onMessageClosed();
            w.controls().takeChanged();
        }
    }
    // One column on the coupon and the coupon saved in slot a.
    bool storeCoupon(benchmark::State& state) {
        return click(state, ui.command(7)) && click(state, ui.command(8)) &&
               click(state, ui.saveButton(0));
    }
};

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// The floor under save and empty, which wait for the disk: one write of 96 bytes and its
// sync, in the slot folder. The disk's flush time drifts, so it is taken between the timed
// clicks and reported beside them.
struct SyncReference {
    explicit SyncReference(const std::filesystem::path& folder) : path(folder / "reference") {}
    void take() {
        const char record[96] = {1};
        const auto start = Clock::now();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        benchmark::DoNotOptimize(::pwrite(fd, record, sizeof record, 0));
        benchmark::DoNotOptimize(::fdatasync(fd));
        ::close(fd);
        total += seconds(start);
        ++count;
    }
    void report(benchmark::State& state) const {
        state.counters["reference_us"] = count > 0 ? 1e6 * total / count : 0.0;
    }
    std::filesystem::path path;
    double total{0};
    long count{0};
};

// "Çevir", then the drop button.
void core_round(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        if (!win.click(state, win.ui.command(7)) || !win.click(state, win.ui.command(8))) {
            break;
        }
        win.closeMessage();
    }
}
BENCHMARK(core_round);

// "Gir", six numbers on the grid, "Tamam", then the drop button.
void core_hand_entry(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        if (!win.click(state, win.ui.command(9)) || !win.pick(state) ||
            !win.click(state, win.ui.tamam()) || !win.click(state, win.ui.command(8))) {
            break;
        }
        win.closeMessage();
    }
}
BENCHMARK(core_hand_entry);

void core_save(benchmark::State& state) {
    Window win;
    SyncReference reference(win.platform.slots());
    for (auto _ : state) {
        if (!win.click(state, win.ui.command(7)) || !win.click(state, win.ui.command(8))) {
            break;
        }
        win.closeMessage();
        const auto start = Clock::now();
        win.click(state, win.ui.saveButton(0));
        state.SetIterationTime(seconds(start));
        reference.take();
    }
    reference.report(state);
}
BENCHMARK(core_save)->UseManualTime();

void core_empty(benchmark::State& state) {
    Window win;
    SyncReference reference(win.platform.slots());
    for (auto _ : state) {
        const auto start = Clock::now();
        win.click(state, win.ui.emptyButton(0));
        state.SetIterationTime(seconds(start));
        reference.take();
    }
    reference.report(state);
}
BENCHMARK(core_empty)->UseManualTime();

void core_load(benchmark::State& state) {
    Window win;
    if (!win.storeCoupon(state)) {
        return;
    }
    for (auto _ : state) {
        if (!win.click(state, win.ui.loadButton(0))) {
            break;
        }
    }
}
BENCHMARK(core_load);

// "Sına": the six numbers of a real draw, entered by hand, against the loaded slot.
void core_check(benchmark::State& state) {
    Window win;
    if (!win.storeCoupon(state) || !win.click(state, win.ui.loadButton(0))) {
        return;
    }
    for (auto _ : state) {
        if (!win.click(state, win.ui.command(3)) || !win.pick(state) ||
            !win.click(state, win.ui.tamam())) {
            break;
        }
        const auto start = Clock::now();
        win.click(state, win.ui.command(4));
        state.SetIterationTime(seconds(start));
    }
}
BENCHMARK(core_check)->UseManualTime();

// "At Sına": a random draw against the loaded slot.
void core_random_check(benchmark::State& state) {
    Window win;
    if (!win.storeCoupon(state) || !win.click(state, win.ui.loadButton(0))) {
        return;
    }
    for (auto _ : state) {
        if (!win.click(state, win.ui.command(5))) {
            break;
        }
    }
}
BENCHMARK(core_random_check);

void core_wheel_tick(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        win.w.tick(4);
        benchmark::DoNotOptimize(win.w.controls().takeChanged());
    }
}
BENCHMARK(core_wheel_tick);

// The floor under save, load and check: opening, reading and closing one slot-sized file.
void reference_file_read(benchmark::State& state) {
    krn::test::FakePlatform platform;
    const auto path = platform.root() / "record";
    std::ofstream(path) << std::string(96, '\0');
    char buffer[96];
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        benchmark::DoNotOptimize(::pread(fd, buffer, sizeof buffer, 0));
        ::close(fd);
    }
}
BENCHMARK(reference_file_read);

} // namespace

BENCHMARK_MAIN();
