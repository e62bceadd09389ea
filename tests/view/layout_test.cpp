#include "view_harness.h"

#include "view/control_widgets.h"

#include <QFontInfo>

using namespace krn;
using namespace krn::test;

using Layout = ViewTest;

TEST_F(Layout, WindowAndFramesStandWhereTheTwipsSay) {
    EXPECT_EQ(view->size(), QSize(482, 453));
    EXPECT_EQ(view->windowTitle(), QString(13, ' '));
    EXPECT_EQ(widget("SSPanel69")->geometry(), QRect(4, 4, 477, 41));
    EXPECT_EQ(widget("SSPanel6")->geometry(), QRect(4, 172, 477, 277));
    // Inside its container: SSPanel6 at (60, 2580), the cell at (240, 240) in it.
    EXPECT_EQ(rectOf("SSPanel7"), QRect(20, 188, 49, 25));

    const QImage image = shot();
    // The window's colour in the margins around and between the frames.
    EXPECT_TRUE(pixelIs(image, 2, 2, kNavy));
    EXPECT_TRUE(pixelIs(image, 100, 46, kNavy));
    EXPECT_TRUE(pixelIs(image, 481, 44, kNavy));
    // A frame: three rings of raised bevel and nothing outside it.
    EXPECT_TRUE(pixelIs(image, 3, 4, kNavy));
    EXPECT_TRUE(pixelIs(image, 4, 4, kWhite));
    EXPECT_TRUE(pixelIs(image, 6, 20, kWhite));
    EXPECT_TRUE(pixelIs(image, 7, 20, kGrey));
    EXPECT_TRUE(pixelIs(image, 480, 44, kShadow));
    EXPECT_TRUE(pixelIs(image, 478, 20, kShadow));
}

TEST_F(Layout, BevelsFollowThePanelStyle) {
    const QImage image = shot();
    // A drum ball, raised: light above and left, dark below and right.
    EXPECT_TRUE(pixelIs(image, 8, 52, kWhite));
    EXPECT_TRUE(pixelIs(image, 8, 59, kWhite));
    EXPECT_TRUE(pixelIs(image, 16, 60, kShadow));
    EXPECT_TRUE(pixelIs(image, 12, 60, kShadow));
    EXPECT_TRUE(pixelIs(image, 12, 56, toQColor(systemColour(kMenuBackground))));
    // A coupon cell: inset, band, inset again.
    EXPECT_TRUE(pixelIs(image, 20, 188, kShadow));
    EXPECT_TRUE(pixelIs(image, 68, 212, kWhite));
    EXPECT_TRUE(pixelIs(image, 22, 190, kGrey));
    EXPECT_TRUE(pixelIs(image, 24, 192, kShadow));
    EXPECT_TRUE(pixelIs(image, 64, 208, kWhite));
    EXPECT_TRUE(pixelIs(image, 40, 200, kGrey));
    // A result panel: two rings of inset bevel.
    EXPECT_TRUE(pixelIs(image, 357, 190, kShadow));
    EXPECT_TRUE(pixelIs(image, 359, 190, QColor(192, 192, 168)));
}

TEST_F(Layout, GridFrameCoversTheCouponCellsOnly) {
    clickOn("SSCommand9");
    ASSERT_TRUE(widget("Basınç")->isVisible());
    EXPECT_EQ(view->controlAt(rectOf("bas1").center()), ui().find("bas1"));
    const QImage image = shot();
    EXPECT_TRUE(pixelIs(image, 8, 184, kWhite));
    // Where the first and last coupon rows had their dark inset edges, the frame shows.
    EXPECT_TRUE(pixelIs(image, 20, 188, kGrey));
    EXPECT_TRUE(pixelIs(image, 24, 416, kGrey));
    // The result panels and the picture frames stay in view beside it.
    EXPECT_TRUE(pixelIs(image, 356, 184, kShadow));
    EXPECT_TRUE(pixelIs(image, 412, 188, kWhite));
    // bas10 opens the second row of the grid.
    EXPECT_EQ(rectOf("bas10").topLeft(), QPoint(20, 228));
}

TEST_F(Layout, DisabledSinaLooksDisabled) {
    const QColor blue(0, 0, 192);
    const QImage disabled = widget("SSCommand4")->grab().toImage();
    EXPECT_EQ(countPixels(disabled, blue), 0);
    EXPECT_GT(countPixels(disabled, kShadow), 0);

    clickOn("SSCommand3");
    for (const char* cell : {"bas3", "bas14", "bas15", "bas27", "bas40", "bas49"}) {
        clickOn(cell);
    }
    clickOn("Tamam");
    ASSERT_TRUE(widget("SSCommand4")->isEnabled());
    const QImage enabled = widget("SSCommand4")->grab().toImage();
    EXPECT_GT(countPixels(enabled, blue), 0);
}

TEST_F(Layout, FontsAreTheMetricTwinsAtTheirPixelSize) {
    const QFont serif = toQFont({Face::TimesNewRoman, 26.25, true, false});
    EXPECT_EQ(QFontInfo(serif).family(), QString("Liberation Serif"));
    EXPECT_EQ(serif.pixelSize(), 35);
    const QFont sans = toQFont({Face::MsSansSerif, 8.25, false, true});
    EXPECT_EQ(QFontInfo(sans).family(), QString("Liberation Sans"));
    EXPECT_EQ(sans.pixelSize(), 11);
    EXPECT_TRUE(QFontInfo(sans).italic());
}
