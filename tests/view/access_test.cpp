#include "view_harness.h"

#include <QAccessible>
#include <QApplication>

using namespace krn;
using namespace krn::test;

namespace {

class Access : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    // A key pressed where the desktop sends it: to the widget that has the focus.
    static void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    }
    static void type(const char* digits) { QTest::keyClicks(QApplication::focusWidget(), digits); }
    static std::string focused() { return QApplication::focusWidget()->objectName().toStdString(); }
    QImage cell(const char* name) const { return view->grab(rectOf(name)).toImage(); }
};

} // namespace

TEST_F(Access, TheFrameStopsAtTheGridsEdges) {
    widget("SSCommand9")->setFocus();
    key(Qt::Key_Space);
    ASSERT_EQ(focused(), "Basınç");
    // The frame walks the numbers as they stand, row after row, and stops where none is.
    const std::pair<std::vector<Qt::Key>, int> walks[] = {
        {{Qt::Key_Left, Qt::Key_Up}, 1},
        {{Qt::Key_Down, Qt::Key_Left}, 9},
        {{Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 46},
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Up}, 40}};
    for (const auto& [keys, to] : walks) {
        for (const Qt::Key k : keys) {
            key(k);
        }
        EXPECT_EQ(view->grid()->frameNumber(), to);
    }
    // Two digits make one number; a second digit that would pass 49 starts anew.
    type("42");
    EXPECT_EQ(view->grid()->frameNumber(), 42);
    type("50");
    EXPECT_EQ(view->grid()->frameNumber(), 5);
}

TEST_F(Access, AMousePlayerSeesTheWindowAsBefore) {
    clickOn("SSCommand9");
    const QImage asToday = cell("bas1");
    const QImage two = cell("bas2");
    // Qt hands the focus on from the disabled Gir, as it always did; nothing shows a frame.
    EXPECT_EQ(focused(), "SSCommand26");
    key(Qt::Key_Tab);
    ASSERT_EQ(focused(), "Basınç");
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
    EXPECT_NE(focused(), "Logo2") << "a mouse click moves no focus";
    widget("SSCommand6")->setFocus();
    key(Qt::Key_Tab);
    ASSERT_EQ(focused(), "Logo2");
    key(Qt::Key_Space);
    EXPECT_EQ(focused(), "Logo");
    key(Qt::Key_Return);
    EXPECT_EQ(focused(), "Logo3");
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), "SSCommand14") << "the covered pictures are passed over";
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Space);
    EXPECT_FALSE(ui()[ui().logo3()].visible);
    EXPECT_EQ(focused(), "SSCommand11");
}

TEST_F(Access, AReaderFindsWhatIsInFront) {
    QAccessibleInterface* win = QAccessible::queryAccessibleInterface(view.get());
    ASSERT_EQ(win->childCount(), 8);
    QAccessibleInterface* coupon = win->child(7);
    ASSERT_EQ(coupon->childCount(), 1 + 8 * 7) << "the wheels are not in the tree";
    QAccessibleInterface* grid = coupon->child(0);
    QAccessibleInterface* seven = grid->child(6);
    EXPECT_TRUE(seven->state().invisible);
    EXPECT_FALSE(coupon->child(1)->state().invisible);

    clickOn("SSCommand9");
    clickOn("bas7");
    EXPECT_EQ(seven->text(QAccessible::Name), "7");
    EXPECT_EQ(seven->role(), QAccessible::CheckBox);
    EXPECT_TRUE(seven->state().checked);
    EXPECT_TRUE(coupon->child(1)->state().invisible) << "the coupon lies under the grid";
    const QPoint at = view->mapToGlobal(rectOf("bas7").center());
    EXPECT_EQ(coupon->childAt(at.x(), at.y()), grid);
    EXPECT_EQ(grid->childAt(at.x(), at.y()), seven);
    seven->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(window->state().selectedCount, 0);
    EXPECT_FALSE(seven->state().checked);

    clickOn("Vazgeç");
    clickOn("SSCommand11");
    clickOn("Logo2");
    QAccessibleInterface* logo2 = win->child(3);
    EXPECT_TRUE(logo2->state().invisible) << "covered by Logo";
    logo2->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(ui()[ui().logo3()].visible);
    win->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(ui()[ui().logo3()].visible);
    EXPECT_TRUE(win->child(4)->state().invisible) << "the pictures cover the drum";
}
