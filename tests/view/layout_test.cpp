#include "view_harness.h"

#include "view/control_widgets.h"

#include <QDir>
#include <QFontInfo>

using namespace krn;
using namespace krn::test;

using Layout = ViewTest;

TEST_F(Layout, WindowFramesAndBevelsStandWhereTheTwipsSay) {
    EXPECT_EQ(view->size(), QSize(482, 453));
    EXPECT_EQ(view->widgetOf("Image9(0)"), nullptr); // a stored frame is never on screen
    // Start-up made the slot folder in the desktop's data folder, with the dotless i.
    EXPECT_TRUE(QDir(data.path() + QString::fromUtf8("/KRN_Sayısal")).exists());
    EXPECT_EQ(rectOf("SSPanel69"), QRect(4, 4, 477, 41));
    EXPECT_EQ(rectOf("SSPanel6"), QRect(4, 172, 477, 277));
    // Inside its container: SSPanel6 at (60, 2580), the cell at (240, 240) in it.
    EXPECT_EQ(rectOf("SSPanel7"), QRect(20, 188, 49, 25));
    EXPECT_EQ(rectOf("Label1").width(), rectOf("Label2").width() + 4);
    // The grid has nine numbers to a row: bas10 opens the second.
    EXPECT_EQ(view->rectOf("bas10").topLeft(), QPoint(20, 228));
    EXPECT_EQ(view->rectOf("bas9").y(), view->rectOf("bas1").y());

    // Points (x, y) and their colour: the window's in the margins around and between the
    // frames; a frame's three rings of raised bevel; a drum ball, raised: light above and
    // left, dark below and right; a coupon cell: inset, band, inset again; a result panel's
    // two rings of inset bevel and a picture frame beside it; a number label and its border,
    // and the lamp and indicator of slot a.
    const QColor menu = toQColor(systemColour(kMenuBackground));
    const QColor colours[] = {kNavy,           kWhite,          kGrey,     kShadow, menu,
                              {192, 192, 168}, {220, 218, 150}, Qt::black, Qt::cyan};
    const int probes[][3] = {
        {2, 2, 0},    {100, 46, 0}, {481, 44, 0},  {3, 4, 0},     {4, 4, 1},     {6, 20, 1},
        {7, 20, 2},   {480, 44, 3}, {478, 20, 3},  {8, 52, 1},    {8, 59, 1},    {16, 60, 3},
        {12, 60, 3},  {12, 56, 4},  {20, 188, 3},  {68, 212, 1},  {22, 190, 2},  {24, 192, 3},
        {64, 208, 1}, {40, 200, 2}, {357, 190, 3}, {359, 190, 5}, {412, 188, 1}, {415, 191, 5},
        {126, 62, 6}, {124, 80, 7}, {83, 140, 7},  {83, 156, 8}};
    const QImage image = shot();
    for (const auto& [x, y, colour] : probes) {
        EXPECT_TRUE(pixelIs(image, x, y, colours[colour]));
    }
    // The captions of the button bar and of its frame in their colours.
    const std::pair<const char*, QColor> captions[] = {
        {"SSCommand7", {0, 0, 192}}, {"SSCommand9", {0, 0, 192}}, {"SSCommand2", {255, 0, 0}},
        {"SSCommand3", {0, 0, 192}}, {"SSCommand5", {0, 0, 192}}, {"SSCommand6", {0, 128, 128}},
        {"SSPanel69", {64, 0, 64}}};
    for (const auto& [name, colour] : captions) {
        EXPECT_TRUE(shows(image, rectOf(name), colour)) << name;
    }
    // Every caption in the font the desktop gives it, bold and upright but the entry buttons',
    // which are plain and italic: the frames', the bar's, a number label's, a coupon cell's, a
    // result's, a grid number's.
    const std::tuple<const char*, const char*, int, bool> fonts[] = {
        {"SSPanel69", "Liberation Sans", 11, true},  {"SSCommand7", "Liberation Serif", 13, true},
        {"Label1", "Liberation Serif", 35, true},    {"SSPanel7", "Liberation Serif", 15, true},
        {"SSPanel55", "Liberation Serif", 27, true}, {"bas1", "Liberation Serif", 16, true},
        {"Tamam", "Liberation Sans", 11, false}};
    for (const auto& [name, family, pixels, bold] : fonts) {
        const QFontInfo f(toQFont(ui()[ui().find(name)].font));
        EXPECT_TRUE(f.family() == family && f.pixelSize() == pixels && f.bold() == bold &&
                    f.italic() != bold)
            << name << ": " << f.family().toStdString() << " " << f.pixelSize();
    }
}
