#include "app/main_window.h"
#include "view/qt_platform.h"
#include "view/window_view.h"

#include <QApplication>

#include <fontconfig/fontconfig.h>

#include <thread>

int main(int argc, char** argv) {
    QGuiApplication::setDesktopFileName(QStringLiteral(KRN_DESKTOP_ID));
    // Reading the desktop's font configuration is the dearest part of the first text, and
    // needs nothing of Qt: it runs on a second core while Qt connects to the display.
    std::thread fontConfiguration([] { FcInit(); });
    QApplication app(argc, argv);
    krn::useTurkishQtTexts(app);
    fontConfiguration.join();

    krn::QtPlatform platform;
    krn::MainWindow window(platform);
    krn::WindowView view(window);
    platform.attach(view);
    view.show();
    // The load handler runs over the open window, so a message it shows stands over it.
    window.load();
    view.mirror();
    view.followSlotFiles();
    return app.exec();
}
