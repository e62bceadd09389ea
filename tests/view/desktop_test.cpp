// The window on a display server of the test's own, as the window manager sees it: an X
// server (xvfb-run) or a Wayland compositor (sway-run).
#include "view_harness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

} // namespace krn::test
