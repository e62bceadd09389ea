// What the player waits for after a click: from the mouse press and release on the window
// to the changed widgets repainted and handed to the screen, through the whole Qt layer.
// The click enters at the window, as the desktop delivers it, and finds its widget the way
// a real one does. The wheels are stopped while a click is timed, so that no tick lands in
// the middle of one; the wheel tick is timed on its own.
#include "app/main_window.h"
#include "fake_platform.h"
#include "view/window_view.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include <chrono>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using krn::ControlId;

// Sees every event the application delivers: paints of any widget, and the update request
// of each top-level window, whose handling paints the dirty widgets and flushes the
// backing store.
class Watch : public QObject {
  public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        } else if (event->type() == QEvent::UpdateRequest && object->isWidgetType() &&
                   static_cast<QWidget*>(object)->isWindow()) {
            ++flushes;
        }
        return false;
    }
    long paints{0};
    long flushes{0};
};

Watch* watch = nullptr;

// Processes events until the window's repaint has been flushed. False when nothing was
// repainted within a second, which means the click changed nothing on screen.
bool settle() {
    const long before = watch->flushes;
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    while (watch->flushes == before) {
        if (Clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents();
    }
    // Whatever the repaint posted in turn is handled too.
    QCoreApplication::processEvents();
    return true;
}

void press(QWidget& top, QPointF inWindow, QEvent::Type type, Qt::MouseButtons buttons) {
    QMouseEvent event(type, inWindow, inWindow, top.mapToGlobal(inWindow), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(top.windowHandle(), &event);
}

// A left click at a point of the window, and the time until its repaint is flushed.
double clickAndRepaint(benchmark::State& state, QWidget& top, QPointF at, const std::string& name) {
    const auto start = Clock::now();
    press(top, at, QEvent::MouseButtonPress, Qt::LeftButton);
    press(top, at, QEvent::MouseButtonRelease, Qt::NoButton);
    const bool repainted = settle();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (!repainted) {
        state.SkipWithError(("nothing repainted after a click on " + name).c_str());
    }
    return elapsed;
}

// A click on the middle of the control, wherever it lies.
double clickAndRepaint(benchmark::State& state, krn::WindowView& view, ControlId target) {
    return clickAndRepaint(state, view, QRectF(view.rectOf(target)).center(),
                           view.mainWindow().controls()[target].name);
}

// A new window's first frame is painted and flushed when it is exposed, without an update
// request; its first paint event is the sign.
void show(QWidget& window) {
    const long before = watch->paints;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    window.show();
    while (watch->paints == before && Clock::now() < deadline) {
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
}

struct Window {
    krn::test::FakePlatform platform;
    krn::MainWindow w{platform};
    krn::WindowView view{w};
    const krn::Controls& ui = w.controls();

    Window() {
        show(view);
        w.load();
        view.mirror();
        settle();
        view.setTimersRunning(false);
    }

    // Setting the scene for the next timed click: the same click, not timed.
    bool prepare(benchmark::State& state, ControlId id) {
        clickAndRepaint(state, view, id);
        closeMessage();
        return !state.error_occurred();
    }

    // The eighth column brings up the coupon-full message, which the player closes.
    void closeMessage() {
        if (!w.messageOpen()) {
            return;
        }
        w.onMessageClosed();
        const bool changed = w.controls().anyChanged();
        view.mirror();
        if (changed) {
            settle();
        }
    }

    double timed(benchmark::State& state, ControlId id) {
        const long paintsBefore = watch->paints;
        const double t = clickAndRepaint(state, view, id);
        paints += watch->paints - paintsBefore;
        ++clicks;
        return t;
    }

    void report(benchmark::State& state) const {
        state.counters["paints"] =
            clicks > 0 ? static_cast<double>(paints) / static_cast<double>(clicks) : 0.0;
    }

    bool storeCoupon(benchmark::State& state) {
        return prepare(state, ui.command(7)) && prepare(state, ui.command(8)) &&
               prepare(state, ui.saveButton(0));
    }

    long paints{0};
    long clicks{0};
};

void view_spin(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        state.SetIterationTime(win.timed(state, win.ui.command(7)));
    }
    win.report(state);
}
BENCHMARK(view_spin)->UseManualTime();

void view_drop(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        if (!win.prepare(state, win.ui.command(7))) {
            break;
        }
        state.SetIterationTime(win.timed(state, win.ui.command(8)));
        win.closeMessage();
    }
    win.report(state);
}
BENCHMARK(view_drop)->UseManualTime();

// "Gir" brings up the grid of 49 numbers over the coupon.
void view_entry_open(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        state.SetIterationTime(win.timed(state, win.ui.command(9)));
        if (!win.prepare(state, win.ui.vazgec())) {
            break;
        }
    }
    win.report(state);
}
BENCHMARK(view_entry_open)->UseManualTime();

// One number on the open grid, chosen and then given up again.
void view_entry_number(benchmark::State& state) {
    Window win;
    if (!win.prepare(state, win.ui.command(9))) {
        return;
    }
    for (auto _ : state) {
        state.SetIterationTime(win.timed(state, win.ui.gridCell(25)));
    }
    win.report(state);
}
BENCHMARK(view_entry_number)->UseManualTime();

// "Tamam" closes the grid and puts the six on the drum.
void view_entry_confirm(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        bool ready = win.prepare(state, win.ui.command(9));
        for (int n : {40, 7, 33, 1, 25, 18}) {
            ready = ready && win.prepare(state, win.ui.gridCell(n));
        }
        if (!ready) {
            break;
        }
        state.SetIterationTime(win.timed(state, win.ui.tamam()));
    }
    win.report(state);
}
BENCHMARK(view_entry_confirm)->UseManualTime();

// A save waits for the disk: beside it, one write of 96 bytes and its sync in the same folder,
// taken between the timed clicks, since the disk's flush time drifts.
void view_save(benchmark::State& state) {
    Window win;
    const auto reference = win.w.slotPath(0).parent_path() / "reference";
    const char record[96] = {1};
    double synced = 0;
    for (auto _ : state) {
        if (!win.prepare(state, win.ui.command(7)) || !win.prepare(state, win.ui.command(8))) {
            break;
        }
        state.SetIterationTime(win.timed(state, win.ui.saveButton(0)));
        const auto start = Clock::now();
        const int fd = ::open(reference.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        benchmark::DoNotOptimize(::pwrite(fd, record, sizeof record, 0));
        benchmark::DoNotOptimize(::fdatasync(fd));
        ::close(fd);
        synced += std::chrono::duration<double>(Clock::now() - start).count();
    }
    win.report(state);
    state.counters["reference_us"] = win.clicks > 0 ? 1e6 * synced / win.clicks : 0.0;
}
BENCHMARK(view_save)->UseManualTime();

void view_load(benchmark::State& state) {
    Window win;
    if (!win.storeCoupon(state)) {
        return;
    }
    for (auto _ : state) {
        // A load of the slot already shown repaints nothing, so the coupon is cleared first.
        if (!win.prepare(state, win.ui.command(7))) {
            break;
        }
        state.SetIterationTime(win.timed(state, win.ui.loadButton(0)));
    }
    win.report(state);
}
BENCHMARK(view_load)->UseManualTime();

// "Sına": a draw entered by hand against the loaded slot.
void view_check(benchmark::State& state) {
    Window win;
    if (!win.storeCoupon(state) || !win.prepare(state, win.ui.loadButton(0))) {
        return;
    }
    for (auto _ : state) {
        bool ready = win.prepare(state, win.ui.command(3));
        for (int n : {40, 7, 33, 1, 25, 18}) {
            ready = ready && win.prepare(state, win.ui.gridCell(n));
        }
        if (!ready || !win.prepare(state, win.ui.tamam())) {
            break;
        }
        state.SetIterationTime(win.timed(state, win.ui.command(4)));
    }
    win.report(state);
}
BENCHMARK(view_check)->UseManualTime();

// "At Sına": a random draw against the loaded slot.
void view_random_check(benchmark::State& state) {
    Window win;
    if (!win.storeCoupon(state) || !win.prepare(state, win.ui.loadButton(0))) {
        return;
    }
    for (auto _ : state) {
        state.SetIterationTime(win.timed(state, win.ui.command(5)));
    }
    win.report(state);
}
BENCHMARK(view_random_check)->UseManualTime();

// What each of the 50 ticks a second of the eight wheels costs while the window is idle.
void view_wheel_tick(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        const long paintsBefore = watch->paints;
        const auto start = Clock::now();
        win.view.tick(4);
        if (!settle()) {
            state.SkipWithError("nothing repainted after a tick");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        win.paints += watch->paints - paintsBefore;
        ++win.clicks;
    }
    win.report(state);
}
BENCHMARK(view_wheel_tick)->UseManualTime();

// The yardstick: a click on a plain push button in an otherwise empty window of the same
// size, to the button repainted.
void reference_push_button(benchmark::State& state) {
    QWidget window;
    window.setFixedSize(482, 453);
    auto* button = new QPushButton(QStringLiteral("Çevir"), &window);
    button->setGeometry(20, 20, 80, 30);
    show(window);
    long paints = 0;
    long clicks = 0;
    for (auto _ : state) {
        const long before = watch->paints;
        state.SetIterationTime(
            clickAndRepaint(state, window, QRectF(button->geometry()).center(), "the button"));
        paints += watch->paints - before;
        ++clicks;
    }
    state.counters["paints"] =
        clicks > 0 ? static_cast<double>(paints) / static_cast<double>(clicks) : 0.0;
}
BENCHMARK(reference_push_button)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Watch w;
    watch = &w;
    app.installEventFilter(&w);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
