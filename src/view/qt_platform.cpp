#include "view/qt_platform.h"

#include "coupon/slot_file.h"
#include "view/window_view.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTime>
#include <QTranslator>

#include <chrono>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace krn {

void useTurkishQtTexts(QCoreApplication& app) {
    auto* texts = new QTranslator(&app);
    if (texts->load(QStringLiteral("qtbase_tr"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(texts);
    }
}

void QtPlatform::seed(std::uint64_t value) {
    engine_.seed(value);
}

void QtPlatform::seedRandomFromClock() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    seed(static_cast<std::uint64_t>(ticks));
}

double QtPlatform::random() {
    // The top 53 bits as a fraction: never 1.0, which a distribution may round up to and
    // which would draw a 50.
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

long QtPlatform::secondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}

void QtPlatform::beep() {
    QApplication::beep();
}

void QtPlatform::showMessage(const std::string& title, const std::string& text) {
    if (view_ != nullptr) {
        view_->openMessage(QString::fromStdString(title), QString::fromStdString(text));
    }
}

void QtPlatform::quit() {
    if (view_ != nullptr) {
        view_->close();
    }
    QCoreApplication::quit();
}

std::filesystem::path QtPlatform::slotFolder() {
    // The environment's bytes as they are: decoding them could name another folder.
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return slotFolderFor(std::getenv("XDG_DATA_HOME"), home);
}

} // namespace krn
