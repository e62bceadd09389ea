// The window on a display server of the test's own, as the window manager sees it: an X
// server (xvfb-run) or a Wayland compositor (sway-run).
#include "view_harness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace krn::test {

using Desktop = ViewTest;

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished()) << program.toStdString();
    return p.readAllStandardOutput();
}

// The title sway keeps for this process's window, after a round trip that lets it read
// every request sent before.
std::string swayTitle(const QJsonObject& node) {
    if (node["pid"].toInteger() == QCoreApplication::applicationPid()) {
        return node["name"].toString().toStdString();
    }
    // A window of a fixed size floats.
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const auto& child : node[children].toArray()) {
            const std::string t = swayTitle(child.toObject());
            if (t != "\n") {
                return t;
            }
        }
    }
    return "\n"; // not this window's branch
}

void expectTitle(const QWidget& window, const std::string& title) {
    QCoreApplication::processEvents();
    if (QGuiApplication::platformName() == "wayland") {
        const auto tree = QJsonDocument::fromJson(run("swaymsg", {"-r", "-t", "get_tree"}));
        EXPECT_EQ(swayTitle(tree.object()), title);
        return;
    }
    // xprop quotes a text, and shows an empty one as nothing at all.
    const std::string shown = title.empty() ? "" : "\"" + title + "\"";
    EXPECT_EQ(
        run("xprop", {"-id", QString::number(window.winId()), "-notype", "WM_NAME", "_NET_WM_NAME"})
            .toStdString(),
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
