// The window on an Xvfb of the run's own, as the window manager and a screen reader see it.
#include "view_harness.h"

#include <QAccessible>
#include <QApplication>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(Desktop, TheMessageBoxAndScreenReaderActionsSpeakTurkish) {
    platform->showMessage(kMessageTitle, kCouponFullText);
    ASSERT_NE(view->openMessageBox(), nullptr);
    QAccessibleInterface* ok =
        QAccessible::queryAccessibleInterface(view->openMessageBox()->button(QMessageBox::Ok));
    EXPECT_EQ(ok->text(QAccessible::Name), QString("Tamam"));
    EXPECT_EQ(ok->actionInterface()->localizedActionDescription(
                  QAccessibleActionInterface::pressAction()),
              QString("Eylemi tetikler"));
}

} // namespace krn::test

int main(int argc, char** argv) {
    int display[2];
    const pid_t server = ::pipe(display) == 0 ? ::fork() : -1;
    if (server == 0) {
        // SIGTERM lets the server remove its lock file.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string fd = std::to_string(display[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", nullptr);
        ::_exit(127);
    }
    char number[16] = {};
    ::close(display[1]);
    if (server < 0 || ::read(display[0], number, sizeof number - 1) <= 0) {
        return 1;
    }
    ::setenv("DISPLAY", (":" + std::to_string(std::atoi(number))).c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    auto app = std::make_unique<QApplication>(argc, argv);
    krn::useTurkishQtTexts(*app);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    app.reset();
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    return result;
}
