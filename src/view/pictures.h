// Every picture of the window, made once for the size and pixel ratio it is shown at.
#pragma once

#include "layout/control.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QSvgRenderer>

#include <map>
#include <memory>
#include <tuple>

namespace krn {

class Pictures {
  public:
    Pictures();

    // The picture for a box of `size` logical pixels at `ratio` device pixels per logical
    // pixel: the vector pictures fit the box with their proportions kept and centred, the
    // wheel frames fill it. Made on first use and kept, so painting never renders a picture
    // again. A null pixmap for Picture::None or a picture that cannot be read.
    QPixmap pixmap(Picture picture, QSize size, qreal ratio, bool greyed = false) const;

    // The window's icon at the sizes desktops ask for.
    QIcon icon(Picture picture) const;

    // Where a vector picture lives in the resources; empty for the wheel frames and None.
    static QString resourcePath(Picture picture);
    static bool isWheelFrame(Picture picture);
    // Wheel frame 0..2 drawn over `pixels` device pixels.
    static QImage drawWheelFrame(int frame, QSize pixels);

  private:
    // Each vector picture is read once, however many sizes it is drawn at.
    QSvgRenderer& renderer(Picture picture) const;

    using Key = std::tuple<int, int, int, int, bool>;
    mutable std::map<Key, QPixmap> cache_;
    mutable std::map<int, std::unique_ptr<QSvgRenderer>> renderers_;
};

} // namespace krn
