#include "view_harness.h"

#include "view/control_widgets.h"

#include <QFontInfo>

using namespace krn;
using namespace krn::test;

using Layout = ViewTest;

TEST_F(Layout, WindowFramesAndBevelsStandWhereTheTwipsSay) {
    EXPECT_EQ(view->size(), QSize(482, 453));
    EXPECT_EQ(view->windowTitle(), QString(13, ' '));
    EXPECT_EQ(widget("SSPanel69")->geometry(), QRect(4, 4, 477, 41));
    EXPECT_EQ(widget("SSPanel6")->geometry(), QRect(4, 172, 477, 277));
    // Inside its container: SSPanel6 at (60, 2580), the cell at (240, 240) in it.
    EXPECT_EQ(rectOf("SSPanel7"), QRect(20, 188, 49, 25));

    const QColor menu = toQColor(systemColour(kMenuBackground));
    const QColor resultBack(192, 192, 168);
    const struct {
        int x, y;
        QColor colour;
    } probes[] = {
        // The window's colour in the margins around and between the frames.
        {2, 2, kNavy},
        {100, 46, kNavy},
        {481, 44, kNavy},
        {3, 4, kNavy},
        // A frame: three rings of raised bevel.
        {4, 4, kWhite},
        {6, 20, kWhite},
        {7, 20, kGrey},
        {480, 44, kShadow},
        {478, 20, kShadow},
        // A drum ball, raised: light above and left, dark below and right.
        {8, 52, kWhite},
        {8, 59, kWhite},
        {16, 60, kShadow},
        {12, 60, kShadow},
        {12, 56, menu},
        // A coupon cell: inset, band, inset again.
        {20, 188, kShadow},
        {68, 212, kWhite},
        {22, 190, kGrey},
        {24, 192, kShadow},
        {64, 208, kWhite},
        {40, 200, kGrey},
        // A result panel: two rings of inset bevel; a picture frame beside it.
        {357, 190, kShadow},
        {359, 190, resultBack},
        {412, 188, kWhite},
        {415, 191, resultBack},
        // A number label, and the lamp and indicator of slot a after start-up.
        {126, 62, QColor(220, 218, 150)},
        {83, 140, Qt::black},
        {83, 156, QColor(0, 255, 255)},
    };
    const QImage image = shot();
    for (const auto& p : probes) {
        EXPECT_TRUE(pixelIs(image, p.x, p.y, p.colour));
    }
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
    EXPECT_TRUE(pixelIs(image, 24, 232, QColor(192, 164, 160)));
    // The result panels and the picture frames stay in view beside it.
    EXPECT_TRUE(pixelIs(image, 356, 184, kShadow));
    EXPECT_TRUE(pixelIs(image, 412, 188, kWhite));
    // bas10 opens the second row of the grid.
    EXPECT_EQ(rectOf("bas10").topLeft(), QPoint(20, 228));
}

TEST_F(Layout, DisabledSinaLooksDisabled) {
    auto blue = [&] {
        const QImage image = widget("SSCommand4")->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixelColor(x, y) == QColor(0, 0, 192);
            }
        }
        return n;
    };
    EXPECT_EQ(blue(), 0);
    clickOn("SSCommand3");
    for (const char* cell : {"bas3", "bas14", "bas15", "bas27", "bas40", "bas49"}) {
        clickOn(cell);
    }
    clickOn("Tamam");
    ASSERT_TRUE(widget("SSCommand4")->isEnabled());
    EXPECT_GT(blue(), 0);
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
