// The empty window with one line of text in the window's font: what explains the start-up
// of any window that shows text, since the first text pays for setting up the fonts.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(482, 453);
    window.setWindowTitle(QStringLiteral("label"));
    QLabel label(QStringLiteral("Çevir"), &window);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    label.setFont(font);
    label.move(20, 20);
    window.show();
    return app.exec();
}
