// Random events through the real widgets on the offscreen desktop: mouse presses and
// releases on whatever lies in front at the middle of a control, timer ticks, and the
// message box closed with its button. The rules hold as in the core run, and what the
// widgets show follows the records.
#include "stress/driver.h"
#include "stress/generator.h"
#include "view/control_widgets.h"
#include "view/window_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace krn;
using namespace krn::stress;

namespace {

#ifndef KRN_VIEW_STRESS_EVENTS
#define KRN_VIEW_STRESS_EVENTS "20000"
#endif

class ViewPlatform : public StressPlatform {
  public:
    using StressPlatform::StressPlatform;
    void showMessage(const std::string& title, const std::string& text) override {
        StressPlatform::showMessage(title, text);
        if (view) {
            view->openMessage(QString::fromStdString(title), QString::fromStdString(text));
        }
    }
    WindowView* view{nullptr};
};

class ViewDelivery : public Delivery {
  public:
    explicit ViewDelivery(ViewPlatform& platform) : platform_(platform) {}

    void started(MainWindow& window) override {
        window_ = &window;
        view_ = std::make_unique<WindowView>(window);
        platform_.view = view_.get();
        // The test decides every tick.
        view_->setTimersRunning(false);
        view_->show();
        exposed_ = QTest::qWaitForWindowExposed(view_.get());
    }
    void loaded() override { view_->mirror(); }
    void ending() override {
        platform_.view = nullptr;
        view_.reset();
        window_ = nullptr;
    }

    ControlId aim(ControlId target) override {
        hit_ = nullptr;
        QWidget* t = view_->widgetOf(target);
        if (t == nullptr) {
            return kNoControl;
        }
        const QPoint centre = t->mapTo(view_.get(), t->rect().center());
        QWidget* front = view_->childAt(centre);
        const Controls& ui = window_->controls();
        while (front != nullptr && front != view_.get() &&
               ui.find(front->objectName().toStdString()) == kNoControl) {
            front = front->parentWidget();
        }
        if (front == nullptr || front == view_.get()) {
            return kNoControl;
        }
        hit_ = front;
        at_ = front->mapFrom(view_.get(), centre);
        return ui.find(front->objectName().toStdString());
    }
    void click(ControlId) override {
        if (hit_ != nullptr) {
            QTest::mouseClick(hit_, Qt::LeftButton, Qt::NoModifier, at_);
        }
    }
    void tick(int k) override { view_->tick(k); }
    void closeMessage() override {
        if (QMessageBox* box = view_->openMessageBox()) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    std::string verify() override {
        if (!exposed_) {
            return "view: the window was never exposed";
        }
        const Controls& ui = window_->controls();
        for (ControlId id = 0; id < ui.size(); ++id) {
            QWidget* w = view_->widgetOf(id);
            if (w == nullptr) {
                continue;
            }
            if (w->isVisibleTo(view_.get()) != visibleChain(ui, id)) {
                return "view: " + ui[id].name + " is " +
                       (w->isVisibleTo(view_.get()) ? "" : "not ") + "shown";
            }
            if (w->isEnabled() != ui[id].enabled) {
                return "view: " + ui[id].name + " is " + (w->isEnabled() ? "" : "not ") + "enabled";
            }
        }
        QMessageBox* box = view_->openMessageBox();
        if ((box != nullptr) != window_->messageOpen()) {
            return std::string("view: the message box is ") + (box ? "open" : "closed");
        }
        if (box != nullptr && box->text().toStdString() != kCouponFullText) {
            return "view: the message box says \"" + box->text().toStdString() + "\"";
        }
        // A picture of the window now and then: every grab costs milliseconds.
        if (++events_ % 8 != 0 && box == nullptr) {
            return {};
        }
        return verifyPixels();
    }

  private:
    // The back colour of each coloured control, read inside its border band, where no
    // caption reaches.
    std::string verifyPixels() {
        const Controls& ui = window_->controls();
        // What the desktop shows: the window's backing store after the pending paints, not
        // a fresh rendering of the widgets, which would hide a widget that was never
        // repainted.
        QCoreApplication::processEvents();
        // The desktop asks for the paint on a timer of its own; ask now instead. Only what
        // was marked for repainting is painted.
        QEvent paintNow(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(view_.get(), &paintNow);
        const QImage shot = view_->screen()->grabWindow(view_->winId()).toImage();
        if (shot.isNull()) {
            return "painted: the screen gave no picture of the window";
        }
        const qreal ratio = shot.devicePixelRatio();
        const bool gridShown = visibleChain(ui, ui.basinc());
        const bool drumCovered = ui[ui.logo2()].visible;
        auto probe = [&](ControlId id) -> std::string {
            QWidget* w = view_->widgetOf(id);
            if (w == nullptr || !visibleChain(ui, id)) {
                return {};
            }
            const Control& c = ui[id];
            const int inset = c.kind == Kind::Label ? 2 : bevelsOf(c.style).outerWidth + 1;
            const QPoint at = w->mapTo(view_.get(), QPoint(inset, w->height() / 2));
            const QColor got =
                shot.pixelColor(static_cast<int>(at.x() * ratio), static_cast<int>(at.y() * ratio));
            const QColor want = toQColor(c.back);
            if (got.rgb() != want.rgb()) {
                return "painted: " + c.name + " shows " + got.name().toStdString() +
                       ", its record says " + want.name().toStdString();
            }
            return {};
        };
        std::string failure;
        for (int n = 1; n <= 49 && failure.empty(); ++n) {
            failure = drumCovered ? std::string() : probe(ui.ball(n));
            if (failure.empty() && gridShown) {
                failure = probe(ui.gridCell(n));
            }
        }
        for (int c = 1; c <= kColumns && failure.empty(); ++c) {
            for (int i = 1; i <= 6 && failure.empty() && !gridShown; ++i) {
                failure = probe(ui.couponCell(c, i));
            }
            if (failure.empty()) {
                failure = probe(ui.resultPanel(c));
            }
        }
        for (int slot = 0; slot < kSlots && failure.empty(); ++slot) {
            failure = probe(ui.slotLamp(slot));
            if (failure.empty()) {
                failure = probe(ui.slotIndicator(slot));
            }
        }
        for (int k = 1; k <= 6 && failure.empty(); ++k) {
            failure = probe(ui.numberLabel(k));
        }
        return failure;
    }

    ViewPlatform& platform_;
    MainWindow* window_{nullptr};
    std::unique_ptr<WindowView> view_;
    QWidget* hit_{nullptr};
    QPoint at_;
    bool exposed_{false};
    long events_{0};
};

TEST(ViewRandomEvents, TheWidgetsFollowTheRulesAndTheRecords) {
    const long total =
        std::strtol(std::getenv("KRN_VIEW_STRESS_EVENTS") ? std::getenv("KRN_VIEW_STRESS_EVENTS")
                                                          : KRN_VIEW_STRESS_EVENTS,
                    nullptr, 0);
    long events = 0;
    Coverage coverage;
    for (std::uint64_t seed = 1; events < total; ++seed) {
        ViewPlatform platform(seed);
        ViewDelivery delivery(platform);
        Driver driver(platform, &delivery);
        Rng rng{seed * 7919};
        Mood mood = Mood::Mixed;
        std::vector<std::string> lines;
        const Controls names;
        for (int i = 0; i < 1000 && events < total; ++i, ++events) {
            const Event e = nextEvent(rng, driver, mood);
            const std::string failure = driver.apply(e);
            lines.push_back(describe(e, names) + "  [" + driver.takeNote() + "]");
            if (!failure.empty()) {
                std::string tail;
                for (std::size_t k = lines.size() > 30 ? lines.size() - 30 : 0; k < lines.size();
                     ++k) {
                    tail += "  " + std::to_string(k + 1) + ". " + lines[k] + "\n";
                }
                FAIL() << "broken rule: " << failure << "\nseed " << seed << ", the last events:\n"
                       << tail;
            }
        }
        const std::string failure = driver.finish();
        ASSERT_TRUE(failure.empty()) << failure;
        coverage.add(driver.coverage());
    }
    std::printf("%ld events through the widgets: %ld clicks taken, %ld refused, %ld full "
                "coupons, %ld checks with hits\n",
                events, coverage.taken, coverage.refused, coverage.couponFull,
                coverage.checksWithHits);
    EXPECT_GT(coverage.couponFull, 0);
}

} // namespace
