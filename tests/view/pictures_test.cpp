#include "view_harness.h"

#include "view/pictures.h"

#include <QDir>

using namespace krn;
using namespace krn::test;

TEST(Pictures, WheelFramesTurnClockwiseByOneSector) {
    const QColor red(255, 0, 0), blue(0, 0, 255), yellow(255, 255, 0);
    const QColor order[3][3] = {{red, blue, yellow}, {yellow, red, blue}, {blue, yellow, red}};
    for (int frame = 0; frame < 3; ++frame) {
        const QImage image = Pictures::drawWheelFrame(frame, QSize(39, 40));
        EXPECT_EQ(image.pixelColor(12, 14).rgb(), order[frame][0].rgb()) << frame;
        EXPECT_EQ(image.pixelColor(27, 14).rgb(), order[frame][1].rgb()) << frame;
        EXPECT_EQ(image.pixelColor(19, 30).rgb(), order[frame][2].rgb()) << frame;
        EXPECT_EQ(image.pixelColor(0, 0).rgb(), kGrey.rgb());
        EXPECT_EQ(image.pixelColor(19, 2).rgb(), QColor(Qt::black).rgb());
        EXPECT_FALSE(image.hasAlphaChannel());
    }
}

using DesktopPlatform = ViewTest;

TEST_F(DesktopPlatform, SlotsLiveInTheDesktopDataFolder) {
    // Start-up made the folder, under its own name with the dotless i.
    EXPECT_EQ(platform->slotFolder(),
              std::filesystem::path(QFile::encodeName(data.path()).toStdString()) / "KRN_Sayısal");
    EXPECT_TRUE(QDir(data.path() + QString::fromUtf8("/KRN_Sayısal")).exists());
}
