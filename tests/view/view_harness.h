// The real window on the offscreen desktop, with its own empty slot folder and its timers
// held still, so that a test decides every tick.
#pragma once

#include "app/main_window.h"
#include "view/qt_platform.h"
#include "view/window_view.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace krn::test {

class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(data.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        platform = makePlatform();
        window = std::make_unique<MainWindow>(*platform);
        view = std::make_unique<WindowView>(*window);
        platform->attach(*view);
        view->setTimersRunning(false);
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        window->load();
        view->mirror();
    }

    virtual std::unique_ptr<QtPlatform> makePlatform() { return std::make_unique<QtPlatform>(); }

    // Where the window shows the control, in window pixels.
    QRect rectOf(const char* name) const {
        const QRect r = view->rectOf(name);
        EXPECT_FALSE(r.isEmpty()) << name;
        return r;
    }
    // The widget that takes events at a point of the window, and the point in its pixels.
    QWidget* receiverAt(QPoint point, QPoint* local) const {
        QWidget* w = view->childAt(point);
        w = w != nullptr ? w : view.get();
        *local = w->mapFrom(view.get(), point);
        return w;
    }
    // A click on the middle of the control, delivered to whatever lies in front there.
    void clickOn(const char* name) {
        QPoint local;
        QWidget* w = receiverAt(rectOf(name).center(), &local);
        QTest::mouseClick(w, Qt::LeftButton, {}, local);
    }
    // A key pressed where the desktop sends it: to the widget that has the focus.
    static void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    }
    static std::string focused() { return QApplication::focusWidget()->objectName().toStdString(); }
    QImage cell(const char* name) const { return view->grab(rectOf(name)).toImage(); }
    // What the desktop shows, repainted first as the desktop would. The offscreen desktop
    // grabs its backing store only at scale 1; at other scales this is a fresh rendering.
    QImage shot() const {
        QCoreApplication::processEvents();
        QEvent paintNow(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(view.get(), &paintNow);
        const QImage shown = view->screen()->grabWindow(view->winId()).toImage();
        return view->devicePixelRatioF() == 1.0 ? shown : view->grab().toImage();
    }
    const Controls& ui() const { return window->controls(); }

    // The first and the last device pixel of the logical pixel (x, y) have the colour, so
    // the edge is sharp at any pixel ratio.
    static ::testing::AssertionResult pixelIs(const QImage& image, int x, int y, QColor wanted) {
        const int r = static_cast<int>(image.devicePixelRatio());
        const QColor got = image.pixelColor(x * r, y * r),
                     last = image.pixelColor(x * r + r - 1, y * r + r - 1);
        if (got.rgb() == wanted.rgb() && last.rgb() == wanted.rgb()) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "(" << x << "," << y << ") is " << got.name().toStdString() << ", not "
               << wanted.name().toStdString();
    }

    // Some device pixel of the area has the colour.
    static bool shows(const QImage& image, QRect area, const QColor& colour) {
        const int r = static_cast<int>(image.devicePixelRatio());
        for (int y = area.top() * r; y < (area.bottom() + 1) * r; ++y) {
            for (int x = area.left() * r; x < (area.right() + 1) * r; ++x) {
                if (image.pixelColor(x, y).rgb() == colour.rgb()) {
                    return true;
                }
            }
        }
        return false;
    }

    // Destroyed in reverse: the view first, the folder last.
    QTemporaryDir data;
    std::unique_ptr<QtPlatform> platform;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowView> view;
};

inline const QColor kNavy(0, 0, 128), kWhite(255, 255, 255), kShadow(128, 128, 128),
    kGrey(192, 192, 192);

} // namespace krn::test
