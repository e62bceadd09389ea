// The window on an X server of the test's own, as the window manager and a screen reader
// see it.
#include "view_harness.h"

#include <QProcess>

namespace krn::test {

using Desktop = ViewTest;

void expectTitle(const QWidget& window, const std::string& title) {
    QCoreApplication::processEvents();
    QProcess xprop;
    xprop.start("xprop",
                {"-id", QString::number(window.winId()), "-notype", "WM_NAME", "_NET_WM_NAME"});
    ASSERT_TRUE(xprop.waitForFinished());
    // xprop quotes a text, and shows an empty one as nothing at all.
    const std::string shown = title.empty() ? "" : "\"" + title + "\"";
    EXPECT_EQ(xprop.readAllStandardOutput().toStdString(),
              "WM_NAME = " + shown + "\n_NET_WM_NAME = " + shown + "\n");
}

TEST_F(Desktop, ThePictureSequenceEndsOnAnEmptyTitleBar) {
    expectTitle(*view, std::string(13, ' '));
    for (int run = 0; run < 2; ++run) {
        clickOn("SSCommand11");
        expectTitle(*view, std::string(73, ' ') + "KRN_Dernovak");
        for (const char* picture : {"Logo2", "Logo", "Logo3"}) {
            clickOn(picture);
        }
        expectTitle(*view, "");
    }
}

} // namespace krn::test
