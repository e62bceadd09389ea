#include "view_harness.h"

#include <map>

using namespace krn;
using namespace krn::test;

namespace {

// Counts the paint events each widget of the window receives.
struct PaintCounter : QObject {
    std::map<QObject*, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints[watched] += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class Behaviour : public ViewTest {
  protected:
    // Every panel and label in front shows its record's colour inside its border band, where
    // no caption reaches, on the screen as the desktop last painted it.
    void expectScreenShowsTheRecords() {
        const QImage image = shot();
        for (ControlId id = 0; id < ui().size(); ++id) {
            const Control& c = ui()[id];
            const QRect r = view->rectOf(id);
            const PanelBevels b = bevelsOf(c.style);
            const int inset = c.kind == Kind::Label ? 2
                              : b.band > 0          ? b.outerWidth + 1
                                                    : b.outerWidth + b.innerWidth + 1;
            const QPoint at = r.topLeft() + QPoint(inset, r.height() / 2);
            if (r.isEmpty() || view->controlAt(r.center()) != id) {
                continue;
            }
            if ((c.kind == Kind::Panel || c.kind == Kind::Label) && view->controlAt(at) == id) {
                EXPECT_TRUE(pixelIs(image, at.x(), at.y(), toQColor(c.back))) << c.name;
            }
            // A caption shows in its own colour somewhere, a live button's too.
            EXPECT_TRUE(c.caption.empty() || (c.kind == Kind::Button && !c.enabled) ||
                        shows(image, r, toQColor(c.fore)))
                << c.name << " \"" << c.caption << "\"";
        }
    }
};

TEST_F(Behaviour, ClicksReachTheControlInFrontAndTheScreenFollowsTheRecords) {
    for (const char* step : {"SSCommand7", "SSCommand8", "SSCommand7", "SSCommand9", "bas7",
                             "Vazgeç", "SSCommand3", "bas1", "bas2", "bas3", "bas4", "bas5", "bas8",
                             "Tamam", "SSCommand14", "SSCommand12", "SSCommand4", "SSCommand5"}) {
        SCOPED_TRACE(step);
        clickOn(step);
        expectScreenShowsTheRecords();
    }
    // Each click reached its control: the coupon was saved, loaded and tested.
    EXPECT_TRUE(window->state().atTestDone);
    EXPECT_EQ(ui()[ui().slotIndicator(0)].back, rgb(255, 0, 0));
    EXPECT_EQ(ui()[ui().slotLamp(0)].back, rgb(255, 255, 0));

    clickOn("SSCommand9");
    clickOn("bas7");
    EXPECT_EQ(window->state().selectedCount, 1);
    // A press that the player drags off the cell, or lets go over its neighbour, is no click.
    const QRect cell = rectOf("bas8");
    QPoint local;
    QWidget* grid = receiverAt(cell.center(), &local);
    for (const QPoint off :
         {QPoint(cell.width(), cell.height()), QPoint(rectOf("bas9").x() - cell.x(), 0)}) {
        QTest::mousePress(grid, Qt::LeftButton, {}, local);
        QTest::mouseRelease(grid, Qt::LeftButton, {}, local + off);
    }
    // A click on a label does not fall through to the frame behind it.
    clickOn("Label1");
    EXPECT_EQ(window->state().selectedCount, 1);
    clickOn("Vazgeç");
    EXPECT_NE(view->controlAt(rectOf("bas7").center()), ui().find("bas7"));
}

TEST_F(Behaviour, ATickRepaintsItsOwnWheelAndNothingElse) {
    // Each wheel turns at its own speed.
    const int intervals[] = {200, 150, 200, 100, 150, 200, 150, 200};
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(view->timer(k)->interval(), intervals[k - 1]) << k;
    }
    QTest::qWait(50);
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    QWidget* wheel = view->widgetOf("Image4");
    view->timer(4)->start();
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints[wheel] > 0, 2000);
    view->timer(4)->stop();
    qApp->removeEventFilter(&counter);
    for (const auto& [object, count] : counter.paints) {
        EXPECT_TRUE(count == 0 || object == wheel) << object->objectName().toStdString();
    }
}

// Two starts of the program, however close, draw different sixes.
TEST(Platform, EachStartSeedsItsDrawsAfresh) {
    QtPlatform first, second;
    first.seedRandomFromClock();
    second.seedRandomFromClock();
    EXPECT_NE(first.random(), second.random());
}

// Keys act on what the player opened and sees, sent to the window as the desktop sends them.
TEST_F(Behaviour, KeysActOnWhatThePlayerSees) {
    // Typed into a grid opened with the mouse, they pick on the grid and press no button, above
    // all not the save into slot e.
    for (const char* gir : {"SSCommand9", "SSCommand3"}) {
        for (const char* step : {"SSCommand7", "SSCommand8", "SSCommand7", "SSCommand8", gir}) {
            clickOn(step);
        }
        EXPECT_TRUE(view->grid()->hasFocus() && !view->grid()->frameShown()) << gir;
        for (const Qt::Key k : {Qt::Key_7, Qt::Key_Return, Qt::Key_Space, Qt::Key_Return}) {
            QTest::keyClick(view->windowHandle(), k);
        }
        EXPECT_TRUE(window->state().selectedCount == 1 && view->grid()->frameShown());
        EXPECT_EQ(ui()[ui().slotIndicator(4)].back, rgb(0, 255, 255));
        clickOn("Vazgeç");
        EXPECT_EQ(focused(), gir);
    }
    // Opened with a key, the pictures take the focus in turn, paged with Space or by clicks on
    // the one in front, and the last gives it back to their button.
    view->widgetOf("SSCommand11")->setFocus();
    for (const bool byKey : {false, true}) {
        QTest::keyClick(view->windowHandle(), Qt::Key_Return);
        for (const char* picture : {"Logo2", "Logo", "Logo3"}) {
            EXPECT_EQ(focused(), picture);
            byKey ? QTest::keyClick(view->windowHandle(), Qt::Key_Space) : clickOn(picture);
        }
        EXPECT_EQ(focused(), "SSCommand11");
    }
}

// The keyboard is never left on a button that saves or throws the entered draw away: not
// by the pictures paged through during an entry, with Space or clicks, whose button is
// locked then; not by "Sına", which locks itself after a test, pressed with Space or clicked.
// The grid gives it back to the "Gir" that opened it.
TEST_F(Behaviour, TheFocusLeftByAControlGoesWhereNoKeyWritesOrDiscards) {
    for (const char* step : {"SSCommand7", "SSCommand8", "SSCommand14"}) {
        clickOn(step);
    }
    for (const bool byKey : {true, false}) {
        for (const char* step : {"SSCommand7", "SSCommand8", "SSCommand11", "SSCommand9"}) {
            clickOn(step);
        }
        for (int tabs = 0; tabs < 40 && focused() != "Logo2"; ++tabs) {
            key(Qt::Key_Tab);
        }
        for (const char* picture : {"Logo2", "Logo", "Logo3"}) {
            ASSERT_EQ(focused(), picture);
            byKey ? key(Qt::Key_Space) : clickOn(picture);
        }
        EXPECT_EQ(focused(), "Basınç");
        key(Qt::Key_Space);
        EXPECT_EQ(window->state().selectedCount, 1);
        EXPECT_NE(window->state().coupon[1], 0);
        EXPECT_EQ(ui()[ui().slotIndicator(4)].back, rgb(0, 255, 255));
        clickOn("Vazgeç");
    }
    for (const bool byKey : {true, false}) {
        for (const char* step : {"SSCommand3", "bas1", "bas2", "bas3", "bas4", "bas5", "bas6"}) {
            clickOn(step);
        }
        byKey ? key(Qt::Key_Return) : clickOn("Tamam");
        EXPECT_EQ(focused(), "SSCommand3");
        clickOn("SSCommand12");
        if (byKey) {
            view->widgetOf("SSCommand4")->setFocus(Qt::TabFocusReason);
            key(Qt::Key_Space);
        } else {
            clickOn("SSCommand4");
        }
        EXPECT_TRUE(window->state().drawNumbers[1] == 1 && !ui()[ui().command(4)].enabled);
        EXPECT_EQ(focused(), "SSCommand3");
    }
}

using Access = ViewTest;

TEST_F(Access, AMousePlayerSeesTheWindowAsBefore) {
    clickOn("SSCommand9");
    const QImage asToday = cell("bas1");
    const QImage two = cell("bas2");
    // The grid takes the keys from the disabled Gir, and shows no frame until one is pressed.
    ASSERT_EQ(focused(), "Basınç");
    key(Qt::Key_1);
    EXPECT_NE(cell("bas1"), asToday) << "the frame shows once the keyboard is used";
    clickOn("bas9");
    EXPECT_EQ(cell("bas1"), asToday) << "a click hides it again";
    const QImage nine = cell("bas9");
    key(Qt::Key_Right);
    EXPECT_EQ(cell("bas1"), asToday);
    EXPECT_NE(cell("bas2"), two);
    EXPECT_EQ(cell("bas9"), nine);
    // Tab runs through the grid and its two buttons while the rest is disabled.
    for (const char* next : {"Vazgeç", "Tamam", "SSCommand26", "Basınç"}) {
        key(Qt::Key_Tab);
        EXPECT_EQ(focused(), next);
    }
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), "SSCommand26");
}

TEST_F(Access, OnlyThePictureInFrontTakesTheKeyboard) {
    clickOn("SSCommand11");
    clickOn("Logo2");
    EXPECT_EQ(focused(), "SSCommand11") << "a click leaves it where it was";
    view->widgetOf("SSCommand6")->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), "Logo") << "after Çık, the picture in front";
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), "SSCommand14") << "the covered picture is passed over";
}
