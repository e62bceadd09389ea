// The window on a display server of the test's own, as the window manager sees it: an X
// server (xvfb-run) or a Wayland compositor (sway-run).
#include "view_harness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>

namespace krn::test {

using Desktop = ViewTest;

std::string output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished()) << program.toStdString();
    return p.readAllStandardOutput().toStdString();
}

// The names of this process's windows in sway's tree; a window of a fixed size floats.
void swayTitles(const QJsonObject& node, std::string& titles) {
    if (node["pid"].toInteger() == QCoreApplication::applicationPid()) {
        titles += node["name"].toString().toStdString() + "\n";
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const auto& child : node[children].toArray()) {
            swayTitles(child.toObject(), titles);
        }
    }
}

void expectTitle(const QWidget& window, const std::string& title) {
    QCoreApplication::processEvents();
    std::string shown;
    if (QGuiApplication::platformName() == "wayland") {
        swayTitles(QJsonDocument::fromJson(
                       QByteArray::fromStdString(output("swaymsg", {"-r", "-t", "get_tree"})))
                       .object(),
                   shown);
        EXPECT_EQ(shown, title + "\n");
        return;
    }
    // xprop quotes a text, and shows an empty one as nothing at all.
    const std::string quoted = title.empty() ? "" : "\"" + title + "\"";
    EXPECT_EQ(output("xprop", {"-id", QString::number(window.winId()), "-notype", "WM_NAME",
                               "_NET_WM_NAME"}),
              "WM_NAME = " + quoted + "\n_NET_WM_NAME = " + quoted + "\n");
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

// The full-coupon message stands over the eighth column and waits for its one button
// without blocking. Its button is Qt's own, in Turkish.
TEST_F(Desktop, TheFullCouponMessageWaitsForTamam) {
    for (int round = 1; round <= 16; ++round) {
        clickOn(round % 2 ? "SSCommand7" : "SSCommand8");
    }
    QMessageBox* box = view->openMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible() && box->windowModality() == Qt::WindowModal);
    EXPECT_EQ(box->windowTitle() + box->text(), QString("KRN Dernovak") + kCouponFullText);
    EXPECT_TRUE(box->icon() == QMessageBox::NoIcon && box->buttons().size() == 1);
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QString("Tamam"));
    EXPECT_FALSE(ui()[ui().couponCell(8, 1)].caption.empty());
    // The keyboard stays on the drop button, which stays live.
    EXPECT_EQ(view->focusWidget()->objectName(), QString("SSCommand8"));
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->openMessageBox() == nullptr; }));
    EXPECT_EQ(window->state().couponFull, 1);
}

} // namespace krn::test
