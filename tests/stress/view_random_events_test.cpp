// Random events through the real widgets offscreen: mouse clicks on whatever lies in
// front at the middle of a control, timer ticks, the message box answered with its
// button. The rules hold as in the core run, and the desktop shows what the records say.
#include "stress/driver.h"
#include "view/control_widgets.h"
#include "view/window_view.h"

#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace krn;
using namespace krn::stress;

namespace {

class ViewDelivery : public Delivery {
  public:
    explicit ViewDelivery(MainWindow& window)
        : window_(&window), view_(std::make_unique<WindowView>(window)) {
        // The test decides every tick.
        view_->setTimersRunning(false);
        view_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
        view_->mirror();
    }

    ControlId aim(ControlId target) override {
        const QRect r = view_->rectOf(target);
        aimed_ = !r.isEmpty();
        centre_ = r.center();
        return aimed_ ? view_->controlAt(centre_) : kNoControl;
    }
    void click() override {
        if (!aimed_) {
            return;
        }
        QWidget* w = view_->childAt(centre_);
        if (w == nullptr) {
            w = view_.get();
        }
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->mapFrom(view_.get(), centre_));
    }
    void tick(int k) override { view_->tick(k); }
    void message(const std::string& title, const std::string& text) override {
        view_->openMessage(QString::fromStdString(title), QString::fromStdString(text));
    }
    void answer() override {
        if (QMessageBox* box = view_->openMessageBox()) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // The message box while the window has one, and the back colour of every panel and
    // label in front, inside its border band where no caption reaches, as the desktop
    // shows it: a fresh rendering would hide a widget that was never repainted.
    std::string verify() override {
        if ((view_->openMessageBox() != nullptr) != window_->messageOpen()) {
            return "view: the message box is not open exactly while the window has a message";
        }
        QCoreApplication::processEvents();
        // The desktop asks for the paint on a timer of its own; ask now instead.
        QEvent paintNow(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(view_.get(), &paintNow);
        const QImage shot = view_->screen()->grabWindow(view_->winId()).toImage();
        const Controls& ui = window_->controls();
        for (ControlId id = 0; id < ui.size(); ++id) {
            const Control& c = ui[id];
            const QRect r = view_->rectOf(id);
            const PanelBevels b = bevelsOf(c.style);
            const int inset = c.kind == Kind::Label ? 2
                              : b.band > 0          ? b.outerWidth + 1
                                                    : b.outerWidth + b.innerWidth + 1;
            const QPoint at = r.topLeft() + QPoint(inset, r.height() / 2);
            if (r.isEmpty() || (c.kind != Kind::Panel && c.kind != Kind::Label) ||
                view_->controlAt(at) != id) {
                continue;
            }
            const QColor got = shot.pixelColor(at * shot.devicePixelRatio());
            if (got.rgb() != toQColor(c.back).rgb()) {
                return "painted: " + c.name + " shows " + got.name().toStdString() +
                       ", its record says " + toQColor(c.back).name().toStdString();
            }
        }
        return {};
    }

  private:
    MainWindow* window_;
    std::unique_ptr<WindowView> view_;
    bool aimed_{false};
    QPoint centre_;
};

TEST(ViewRandomEvents, TheWidgetsFollowTheRulesAndTheRecords) {
    Rng seeds(7919);
    const std::string failure =
        runSequences(seeds, envNumber("KRN_VIEW_STRESS_EVENTS", 20000), 1000,
                     [](MainWindow& w) { return std::make_unique<ViewDelivery>(w); });
    ASSERT_TRUE(failure.empty()) << failure;
    std::printf("%ld events through the widgets, %ld full coupons\n", reached.events,
                reached.fullCoupons);
    EXPECT_GT(reached.fullCoupons, 0);
}

} // namespace
