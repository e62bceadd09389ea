#include "app/main_window.h"
#include "view/qt_platform.h"
#include "view/window_view.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    krn::QtPlatform platform;
    krn::MainWindow window(platform);
    krn::WindowView view(window);
    platform.attach(view);
    view.show();
    // The load handler runs over the open window, so a message it shows stands over it.
    window.load();
    view.mirror();
    return app.exec();
}
