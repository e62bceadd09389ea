#include "view_harness.h"

using namespace krn;
using namespace krn::test;

using Access = ViewTest;

TEST_F(Access, AMousePlayerSeesTheWindowAsBefore) {
    clickOn("SSCommand9");
    const QImage asToday = cell("bas1");
    const QImage two = cell("bas2");
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
    clickOn("Logo2");
    view->widgetOf("SSCommand6")->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), "Logo") << "after Çık, the picture in front";
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), "SSCommand14") << "the covered picture is passed over";
}
