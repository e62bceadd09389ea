// The yardstick for the window's start-up and memory: the least a Qt program must do to put
// a fixed window of the same size on screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(482, 453);
    window.setWindowTitle(QStringLiteral("empty"));
    window.show();
    return app.exec();
}
