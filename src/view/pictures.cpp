#include "view/pictures.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

// The resources live in a static library, whose unreferenced objects a linker may drop.
static void initPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace krn {

namespace {

// The wheel frames follow a 39 x 40 bitmap design; everything below is in its units.
constexpr qreal kDesignWidth = 39.0;
constexpr qreal kDesignHeight = 40.0;

// The pale grey that the desktop uses for a disabled picture: what was dark stays darker.
QImage greyedCopy(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int grey = 128 + qGray(c) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(c) / 2 + qAlpha(c) / 4);
        }
    }
    return image;
}

QImage renderVector(QSvgRenderer& renderer, QSize pixels) {
    if (!renderer.isValid() || pixels.isEmpty()) {
        return {};
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSizeF natural = renderer.viewBoxF().size();
    if (natural.isEmpty()) {
        natural = renderer.defaultSize();
    }
    const QSizeF fitted = natural.scaled(QSizeF(pixels), Qt::KeepAspectRatio);
    const QRectF target((pixels.width() - fitted.width()) / 2.0,
                        (pixels.height() - fitted.height()) / 2.0, fitted.width(), fitted.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, target);
    return image;
}

} // namespace

Pictures::Pictures() {
    initPictureResources();
}

QString Pictures::resourcePath(Picture picture) {
    const char* name = nullptr;
    switch (picture) {
    case Picture::AppIcon:
        name = "app-icon";
        break;
    case Picture::DropIcon:
        name = "drop";
        break;
    case Picture::SaveKey:
        name = "save-key";
        break;
    case Picture::EmptyBin:
        name = "empty-bin";
        break;
    case Picture::LoadArrow:
        name = "load-arrow";
        break;
    case Picture::Logo:
        name = "logo";
        break;
    case Picture::Logo2:
        name = "logo2";
        break;
    case Picture::Logo3:
        name = "logo3";
        break;
    case Picture::None:
    case Picture::Wheel0:
    case Picture::Wheel1:
    case Picture::Wheel2:
        return {};
    }
    return QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(name));
}

bool Pictures::isWheelFrame(Picture picture) {
    return picture == Picture::Wheel0 || picture == Picture::Wheel1 || picture == Picture::Wheel2;
}

QImage Pictures::drawWheelFrame(int frame, QSize pixels) {
    // An opaque image: the widget showing it then needs nothing painted beneath.
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels.width() / kDesignWidth, pixels.height() / kDesignHeight);

    // Lines at least one device pixel wide, or a frame shown small loses its outline.
    const qreal line = std::max(1.0, kDesignWidth / pixels.width());
    const QPointF centre(kDesignWidth / 2.0, kDesignHeight / 2.0);
    const qreal radius = 18.0 - line / 2.0;
    const QRectF disc(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);

    // Sectors in clockwise order: upper left, upper right, bottom, as angles counted
    // anticlockwise from three o'clock. Frame 0 paints them red, blue, yellow; each later
    // frame turns the colours one sector on, clockwise.
    const QColor colours[3] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 255, 0)};
    const int starts[3] = {90, -30, 210};
    p.setPen(Qt::NoPen);
    for (int s = 0; s < 3; ++s) {
        p.setBrush(colours[(s - frame % 3 + 3) % 3]);
        p.drawPie(disc, starts[s] * 16, 120 * 16);
    }
    p.setPen(QPen(Qt::black, line));
    p.setBrush(Qt::NoBrush);
    for (const int degrees : {90, 210, 330}) {
        const qreal a = degrees * M_PI / 180.0;
        p.drawLine(centre, centre + QPointF(radius * std::cos(a), -radius * std::sin(a)));
    }
    p.drawEllipse(disc);
    return image;
}

QPixmap Pictures::pixmap(Picture picture, QSize size, qreal ratio, bool greyed) const {
    if (picture == Picture::None || size.isEmpty()) {
        return {};
    }
    const Key key{static_cast<int>(picture), size.width(), size.height(),
                  static_cast<int>(std::lround(ratio * 1000)), greyed};
    if (const auto it = cache_.find(key); it != cache_.end()) {
        return it->second;
    }
    const QSize pixels(static_cast<int>(std::lround(size.width() * ratio)),
                       static_cast<int>(std::lround(size.height() * ratio)));
    QImage image;
    if (greyed) {
        // The greyed picture is the plain one, greyed: drawn once, for both.
        const QPixmap plain = pixmap(picture, size, ratio, false);
        if (!plain.isNull()) {
            image = greyedCopy(plain.toImage());
        }
    } else if (isWheelFrame(picture)) {
        image =
            drawWheelFrame(static_cast<int>(picture) - static_cast<int>(Picture::Wheel0), pixels);
    } else {
        image = renderVector(renderer(picture), pixels);
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(ratio);
    cache_.emplace(key, result);
    return result;
}

QSvgRenderer& Pictures::renderer(Picture picture) const {
    auto& kept = renderers_[static_cast<int>(picture)];
    if (!kept) {
        kept = std::make_unique<QSvgRenderer>(resourcePath(picture));
    }
    return *kept;
}

QIcon Pictures::icon(Picture picture) const {
    QIcon result;
    for (const int side : {16, 32, 48, 64}) {
        const QPixmap pix = pixmap(picture, QSize(side, side), 1.0);
        if (!pix.isNull()) {
            result.addPixmap(pix);
        }
    }
    return result;
}

} // namespace krn
