// What one click costs in the window's rules, without any painting.
#include "app/main_window.h"
#include "fake_platform.h"

#include <benchmark/benchmark.h>

namespace {

using krn::MainWindow;

struct Window {
    krn::test::FakePlatform platform;
    MainWindow w{platform};
    Window() { w.load(); }
    void click(krn::ControlId id) { w.click(id); }
    const krn::Controls& ui() const { return w.controls(); }
};

void fullRound(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        win.click(win.ui().command(7));
        win.click(win.ui().command(8));
        if (win.w.messageOpen()) {
            win.w.onMessageClosed();
        }
    }
}
BENCHMARK(fullRound);

void handEntry(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        win.click(win.ui().command(9));
        for (int n : {40, 7, 33, 1, 25, 18}) {
            win.click(win.ui().gridCell(n));
        }
        win.click(win.ui().tamam());
    }
}
BENCHMARK(handEntry);

void save(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        state.PauseTiming();
        win.click(win.ui().command(7));
        win.click(win.ui().command(8));
        state.ResumeTiming();
        win.click(win.ui().saveButton(1));
    }
}
BENCHMARK(save);

void load(benchmark::State& state) {
    Window win;
    win.click(win.ui().command(7));
    win.click(win.ui().command(8));
    win.click(win.ui().saveButton(1));
    for (auto _ : state) {
        win.click(win.ui().loadButton(1));
    }
}
BENCHMARK(load);

void check(benchmark::State& state) {
    Window win;
    win.click(win.ui().command(7));
    win.click(win.ui().command(8));
    win.click(win.ui().saveButton(1));
    win.click(win.ui().loadButton(1));
    for (auto _ : state) {
        win.click(win.ui().command(5));
    }
}
BENCHMARK(check);

void wheelTick(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        win.w.tick(4);
    }
}
BENCHMARK(wheelTick);

} // namespace

BENCHMARK_MAIN();
