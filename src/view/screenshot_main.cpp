// Draws the window as it opens, after an optional script of clicks and ticks, into a PNG.
// It runs offscreen with its own empty slot folder and a fixed seed, so that the same
// script always gives the same picture.
#include "app/main_window.h"
#include "view/qt_platform.h"
#include "view/window_view.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class ScreenshotPlatform : public krn::QtPlatform {
  public:
    void seedRandomFromClock() override { seed(20240101); }
    // Noon: never the midnight second at which a tick does nothing.
    long secondsSinceMidnight() override { return 12 * 3600; }
};

struct Step {
    enum Kind { Click, Key, Ticks, CloseMessage } kind;
    std::string name;
    int count{0};
};

int usage() {
    std::fprintf(stderr, "usage: krn-screenshot OUT.png [--click NAME]... [--key KEY]... "
                         "[--ticks N] [--close-message]\n"
                         "  steps run in the order given; --key presses and releases a key\n"
                         "  (Tab, Shift+Tab, Space, Return, Escape, Right, 7, ...) on the focused\n"
                         "  control; --ticks N ticks every timer N times\n");
    return 2;
}

// A left click on the middle of the control, delivered as the desktop would: to whatever
// lies in front there. False when the control is not there to be clicked.
bool clickControl(krn::WindowView& view, const std::string& name) {
    const krn::ControlId id = view.mainWindow().controls().find(name);
    const QRect r = view.rectOf(id);
    if (r.isEmpty() || view.controlAt(r.center()) != id ||
        !view.mainWindow().controls()[id].enabled) {
        return false;
    }
    QWidget* w = view.childAt(r.center());
    if (w == nullptr) {
        w = &view;
    }
    const QPointF local = w->mapFrom(&view, r.center());
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
    return true;
}

// A key pressed and let go on whatever has the keyboard focus, as the desktop would send it.
bool pressKey(krn::WindowView& view, const std::string& name) {
    const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(name));
    QWidget* target = QApplication::focusWidget();
    if (sequence.count() != 1 || target == nullptr) {
        return false;
    }
    const QKeyCombination key = sequence[0];
    QString text;
    if (key.key() == Qt::Key_Space) {
        text = QStringLiteral(" ");
    } else if (key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9) {
        text = QChar(u'0' + (key.key() - Qt::Key_0));
    }
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers(), text);
    QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), text);
    QCoreApplication::sendEvent(target, &press);
    if (QWidget* now = QApplication::focusWidget(); now != nullptr && now->window() == &view) {
        target = now;
    }
    QCoreApplication::sendEvent(target, &release);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args[1].startsWith(QLatin1String("--"))) {
        return usage();
    }
    const QString out = args[1];
    std::vector<Step> steps;
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--click") && i + 1 < args.size()) {
            steps.push_back({Step::Click, args[++i].toStdString(), 0});
        } else if (a == QLatin1String("--key") && i + 1 < args.size()) {
            steps.push_back({Step::Key, args[++i].toStdString(), 0});
        } else if (a == QLatin1String("--ticks") && i + 1 < args.size()) {
            bool ok = false;
            const int n = args[++i].toInt(&ok);
            if (!ok || n < 0) {
                return usage();
            }
            steps.push_back({Step::Ticks, {}, n});
        } else if (a == QLatin1String("--close-message")) {
            steps.push_back({Step::CloseMessage, {}, 0});
        } else {
            return usage();
        }
    }

    QTemporaryDir data;
    if (!data.isValid()) {
        std::fprintf(stderr, "krn-screenshot: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));

    ScreenshotPlatform platform;
    krn::MainWindow window(platform);
    krn::WindowView view(window);
    platform.attach(view);
    // Ticks come from the script only.
    view.setTimersRunning(false);
    view.show();
    window.load();
    view.mirror();
    QCoreApplication::processEvents();

    for (const Step& step : steps) {
        switch (step.kind) {
        case Step::Click:
            if (!clickControl(view, step.name)) {
                std::fprintf(stderr, "krn-screenshot: %s cannot be clicked now\n",
                             step.name.c_str());
                return 1;
            }
            break;
        case Step::Key:
            if (!pressKey(view, step.name)) {
                std::fprintf(stderr, "krn-screenshot: no key %s, or nothing has the focus\n",
                             step.name.c_str());
                return 1;
            }
            break;
        case Step::Ticks:
            for (int n = 0; n < step.count; ++n) {
                for (int k = 1; k <= 8; ++k) {
                    view.tick(k);
                }
            }
            break;
        case Step::CloseMessage:
            if (QMessageBox* box = view.openMessageBox()) {
                box->accept();
            }
            break;
        }
        QCoreApplication::processEvents();
    }

    QPixmap shot = view.grab();
    if (QMessageBox* box = view.openMessageBox()) {
        // The message is a window of its own; put it where the desktop would, centred over
        // the window.
        const QPixmap message = box->grab();
        const QSizeF size = message.deviceIndependentSize();
        QPainter p(&shot);
        p.drawPixmap(
            QPointF((view.width() - size.width()) / 2.0, (view.height() - size.height()) / 2.0),
            message);
    }
    if (!shot.save(out, "PNG")) {
        std::fprintf(stderr, "krn-screenshot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
