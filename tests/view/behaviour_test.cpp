#include "view_harness.h"

#include <QAccessible>
#include <QMessageBox>
#include <QPushButton>

#include <map>

using namespace krn;
using namespace krn::test;

using Behaviour = ViewTest;

TEST_F(Behaviour, AClickOnTheWidgetRunsTheHandlerAndShowsTheResult) {
    clickOn("SSCommand7");
    const int first = window->state().drawNumbers[1];
    ASSERT_NE(first, 0);
    const QImage ball = view->grab(view->rectOf(ui().ball(first))).toImage();
    const QPoint centre(ball.width() / 2, ball.height() / 2);
    EXPECT_EQ(ball.pixelColor(centre).rgb(), QColor(255, 255, 0).rgb());

    clickOn("SSCommand9");
    EXPECT_TRUE(widget("Tamam")->isVisible());
    EXPECT_FALSE(widget("SSCommand7")->isEnabled());
    EXPECT_FALSE(widget("SSCommand6")->isEnabled());
    EXPECT_TRUE(widget("SSCommand26")->isEnabled());

    clickOn("bas7");
    EXPECT_EQ(window->state().selectedCount, 1);
    // A press that the player drags off the cell before letting go is no click.
    const QRect cell = rectOf("bas8");
    QPoint local;
    QWidget* grid = receiverAt(cell.center(), &local);
    QTest::mousePress(grid, Qt::LeftButton, {}, local);
    QTest::mouseRelease(grid, Qt::LeftButton, {}, local + QPoint(cell.width(), 0));
    EXPECT_EQ(window->state().selectedCount, 1);
    // Nor is a press on one cell let go over its neighbour.
    QTest::mousePress(grid, Qt::LeftButton, {}, local);
    QTest::mouseRelease(grid, Qt::LeftButton, {}, local + QPoint(rectOf("bas9").x() - cell.x(), 0));
    EXPECT_EQ(window->state().selectedCount, 1);
    // A click on a label does not fall through to the frame behind it.
    clickOn("Label1");
    EXPECT_EQ(window->state().selectedCount, 1);

    clickOn("Vazgeç");
    EXPECT_FALSE(widget("Basınç")->isVisible());
    EXPECT_NE(view->controlAt(rectOf("bas7").center()), ui().find("bas7"));
}

TEST_F(Behaviour, EnterAndSpaceActivateTheFocusedButton) {
    QWidget* spin = widget("SSCommand7");
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Return);
    const int first = window->state().drawNumbers[1];
    EXPECT_NE(first, 0);
    QWidget* drop = widget("SSCommand8");
    drop->setFocus();
    QTest::keyClick(drop, Qt::Key_Space);
    EXPECT_EQ(window->state().coupon[1], first);
}

namespace {

// Counts the paint events each widget of the window receives.
class PaintCounter : public QObject {
  public:
    std::map<QObject*, int> paints;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
        }
        return false;
    }
};

} // namespace

TEST_F(Behaviour, ATickRepaintsItsOwnWheelAndNothingElse) {
    QTest::qWait(50);
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    QWidget* wheel = widget("Image4");
    view->timer(4)->start();
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints[wheel] > 0, 2000);
    view->timer(4)->stop();
    qApp->removeEventFilter(&counter);

    EXPECT_NE(window->state().wheelFrame[4], 0);
    EXPECT_EQ(window->state().wheelFrame[1], 0);
    for (const auto& [object, count] : counter.paints) {
        if (count > 0) {
            EXPECT_EQ(object, wheel) << object->objectName().toStdString() << " repainted";
        }
    }
}

TEST_F(Behaviour, LosingFocusToAnotherWindowRepaintsOnlyTheFocusMark) {
    QWidget* focused = widget("SSCommand7");
    focused->setFocus();
    QTest::qWait(50);
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    QWidget other;
    other.resize(50, 50);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::qWait(50);
    qApp->removeEventFilter(&counter);
    for (const auto& [object, count] : counter.paints) {
        const auto* w = qobject_cast<QWidget*>(object);
        if (w != nullptr && w->window() == view.get() && count > 0) {
            EXPECT_EQ(w, focused) << w->objectName().toStdString() << " repainted";
        }
    }
}

TEST_F(Behaviour, TheFullCouponMessageWaitsForOkWithoutBlocking) {
    for (int round = 1; round <= 8; ++round) {
        clickOn("SSCommand7");
        clickOn("SSCommand8");
    }
    QMessageBox* box = view->openMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->windowTitle(), QString("KRN Dernovak"));
    EXPECT_EQ(box->text(), QString::fromStdString(kCouponFullText));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_TRUE(window->messageOpen());
    // The eighth column is on screen under the message.
    EXPECT_FALSE(ui()[ui().couponCell(8, 1)].caption.empty());

    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    QTRY_VERIFY(view->openMessageBox() == nullptr);
    EXPECT_FALSE(window->messageOpen());
    EXPECT_EQ(window->state().couponFull, 1);
    // The next spin clears the full coupon, and the view shows it.
    clickOn("SSCommand7");
    EXPECT_TRUE(ui()[ui().couponCell(8, 1)].caption.empty());
    EXPECT_FALSE(ui().anyChanged());
}

TEST_F(Behaviour, PictureButtonsAreNamedForScreenReaders) {
    auto name = [&](const char* control) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget(control));
        EXPECT_NE(a, nullptr);
        return a ? a->text(QAccessible::Name) : QString();
    };
    EXPECT_EQ(name("SSCommand8"), QString("Topları kupona aktar"));
    EXPECT_EQ(widget("SSCommand8")->toolTip(), QString("Topları kupona aktar"));
    EXPECT_EQ(name("SSCommand11"), QString("Resimler"));
    EXPECT_EQ(name("SSCommand14"), QString("a yuvasına kaydet"));
    EXPECT_EQ(name("SSCommand25"), QString("e yuvasını boşalt"));
    EXPECT_EQ(name("SSCommand24"), QString("e yuvasından yükle"));
    EXPECT_EQ(name("SSCommand7"), QString("Çevir"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(widget("SSCommand4"))->role(),
              QAccessible::Button);
}

TEST_F(Behaviour, PicturesStackOverTheDrumAndTakeTheirClicks) {
    const QPoint overDrum(50, 100);
    auto inFront = [&] {
        const ControlId id = view->controlAt(overDrum);
        return id == kNoControl ? std::string() : ui()[id].name;
    };
    EXPECT_EQ(inFront().rfind("SSPanel67", 0), 0u);
    clickOn("SSCommand11");
    EXPECT_EQ(view->windowTitle(), QString(73, ' ') + "KRN_Dernovak");
    for (const char* next : {"Logo2", "Logo", "Logo3"}) {
        QWidget* top = view->childAt(overDrum);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->objectName(), QString(next));
        QTest::mouseClick(top, Qt::LeftButton);
    }
    EXPECT_EQ(inFront().rfind("SSPanel67", 0), 0u);
    EXPECT_EQ(view->windowTitle(), QString());
}

TEST_F(Behaviour, CikClosesTheWindowAtOnce) {
    clickOn("SSCommand6");
    EXPECT_TRUE(window->ended());
    EXPECT_FALSE(view->isVisible());
}
