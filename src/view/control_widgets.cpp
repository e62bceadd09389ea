#include "view/control_widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <cmath>

namespace krn {

namespace {

const QColor kLight(255, 255, 255);
const QColor kShadow(128, 128, 128);
const QColor kDarkShadow(0, 0, 0);

QString qstr(const std::string& text) {
    return QString::fromStdString(text);
}

// One ring of a bevel, one pixel wide, drawn as rectangles so that it covers whole device
// pixels at any pixel ratio. The top right and bottom left corners go to the dark side.
void drawRing(QPainter& p, QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    r.adjust(1, 1, -1, -1);
}

void drawBevel(QPainter& p, QRect& r, Bevel bevel, int width) {
    if (bevel == Bevel::None) {
        r.adjust(width, width, -width, -width);
        return;
    }
    const bool raised = bevel == Bevel::Raised;
    for (int i = 0; i < width; ++i) {
        drawRing(p, r, raised ? kLight : kShadow, raised ? kShadow : kLight);
    }
}

void drawCaption(QPainter& p, const QRect& r, const Control& c) {
    if (c.caption.empty()) {
        return;
    }
    Qt::Alignment align = Qt::AlignCenter;
    if (c.align == Align::Left) {
        align = Qt::AlignLeft | Qt::AlignVCenter;
    } else if (c.align == Align::Right) {
        align = Qt::AlignRight | Qt::AlignVCenter;
    }
    p.setFont(toQFont(c.font));
    p.setPen(toQColor(c.fore));
    p.drawText(r, align | Qt::TextSingleLine, qstr(c.caption));
}

// The focus mark of the grid and the pictures: black dots over a white line, seen on a
// dark face as on a light one, one logical pixel wide at any pixel ratio.
void drawFocusFrame(QPainter& p, const QRect& r) {
    const QRectF line = QRectF(r).adjusted(2.5, 2.5, -2.5, -2.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(line);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(line);
}

} // namespace

QColor toQColor(const Colour& colour) {
    switch (colour.system) {
    case kMenuBackground:
        return QApplication::palette("QMenu").color(QPalette::Window);
    case kButtonFace:
        return QApplication::palette().color(QPalette::Button);
    default:
        return QColor(colour.r, colour.g, colour.b);
    }
}

QFont toQFont(const Font& font) {
    QFont f(font.face == Face::TimesNewRoman ? QStringLiteral("Liberation Serif")
                                             : QStringLiteral("Liberation Sans"));
    f.setStyleHint(font.face == Face::TimesNewRoman ? QFont::Serif : QFont::SansSerif);
    // Pixels, not points: the layout is in pixels at 96 dpi whatever dpi the screen reports.
    f.setPixelSize(static_cast<int>(std::lround(font.points * 96.0 / 72.0)));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}

int twipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

void ControlWidget::follow() {
    QWidget* w = widget();
    const Control& c = record();
    w->setVisible(c.visible);
    w->setEnabled(c.enabled);
    w->update();
}

QRect geometryOf(const Control& c) {
    return {twipsToPixels(c.left), twipsToPixels(c.top), twipsToPixels(c.width),
            twipsToPixels(c.height)};
}

void paintPanel(QPainter& p, QRect r, const Control& c) {
    const PanelBevels bevels = bevelsOf(c.style);
    p.fillRect(r, toQColor(c.back));
    drawBevel(p, r, bevels.outer, bevels.outerWidth);
    r.adjust(bevels.band, bevels.band, -bevels.band, -bevels.band);
    drawBevel(p, r, bevels.inner, bevels.innerWidth);
    drawCaption(p, r, c);
}

void paintLabel(QPainter& p, QRect r, const Control& c) {
    p.fillRect(r, toQColor(c.back));
    if (c.border) {
        drawRing(p, r, Qt::black, Qt::black);
    }
    drawCaption(p, r, c);
}

void PaintedControls::paint(QPainter& p, const QRect& area) const {
    for (const ControlId id : ids_) {
        const Control& c = controls_[id];
        const QRect r = geometryOf(c);
        if (!c.visible || !r.intersects(area)) {
            continue;
        }
        if (c.kind == Kind::Label) {
            paintLabel(p, r, c);
        } else {
            paintPanel(p, r, c);
        }
    }
}

ControlId PaintedControls::at(QPoint point) const {
    for (auto it = ids_.rbegin(); it != ids_.rend(); ++it) {
        const Control& c = controls_[*it];
        if (c.visible && geometryOf(c).contains(point)) {
            return *it;
        }
    }
    return kNoControl;
}

void PaintedControls::press(QMouseEvent* event, const QWidget* container) {
    event->accept();
    pressed_ = kNoControl;
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint point = event->position().toPoint();
    const ControlId hit = at(point);
    if (hit != kNoControl && controls_[hit].kind == Kind::Label) {
        return;
    }
    if (hit != kNoControl && controls_[hit].enabled) {
        pressed_ = hit;
        pressedRect_ = geometryOf(controls_[hit]);
    } else {
        pressed_ = self_;
        pressedRect_ = container->rect();
    }
}

void PaintedControls::release(QMouseEvent* event) {
    const ControlId target = pressed_;
    pressed_ = kNoControl;
    event->accept();
    if (target != kNoControl && event->button() == Qt::LeftButton &&
        pressedRect_.contains(event->position().toPoint()) && onClick) {
        onClick(target);
    }
}

PanelWidget::PanelWidget(const Controls& controls, ControlId id, QWidget* parent)
    : QWidget(parent), ControlWidget(controls, id), painted(controls, id) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    paintPanel(p, rect(), record());
    painted.paint(p, event->rect());
}

void PanelWidget::mousePressEvent(QMouseEvent* event) {
    painted.press(event, this);
}

void PanelWidget::mouseReleaseEvent(QMouseEvent* event) {
    painted.release(event);
}

GridWidget::GridWidget(const Controls& controls, ControlId id, QWidget* parent)
    : PanelWidget(controls, id, parent) {
    // Tab reaches the grid; a click on a number leaves the focus where it was, as it always did.
    setFocusPolicy(Qt::TabFocus);
}

QRect GridWidget::cellRect(int n) const {
    return geometryOf(controls()[controls().gridCell(n)]);
}

void GridWidget::moveFrame(int n) {
    if (n < 1 || n > 49) {
        return;
    }
    update(cellRect(number_));
    number_ = n;
    update(cellRect(number_));
    if (hasFocus() && onFrameMoved) {
        onFrameMoved(number_);
    }
}

void GridWidget::takeFocusAt(int n, bool showFrame) {
    keyboard_ = showFrame;
    moveFrame(n);
    setFocus(Qt::OtherFocusReason);
}

int GridWidget::typedNumber(int digit, quint64 time) {
    // Two digits typed within a second make one number, as "4" and "9" make 49.
    const bool follows = pendingDigit_ != 0 && time - pendingSince_ < 1000;
    const int number = follows ? pendingDigit_ * 10 + digit : digit;
    pendingDigit_ = !follows && digit >= 1 && digit <= 4 ? digit : 0;
    pendingSince_ = time;
    return number >= 1 && number <= 49 ? number : 0;
}

void GridWidget::keyPressEvent(QKeyEvent* event) {
    const Controls& ui = controls();
    const bool once = !event->isAutoRepeat();
    const QString text = event->text();
    const bool digit = text.size() == 1 && text[0].isDigit();
    if (!digit) {
        pendingDigit_ = 0;
    }
    int to = number_;
    switch (event->key()) {
    case Qt::Key_Left:
        to = number_ - 1;
        break;
    case Qt::Key_Right:
        to = number_ + 1;
        break;
    case Qt::Key_Up:
        to = number_ - 9;
        break;
    case Qt::Key_Down:
        to = number_ + 9;
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: {
        keyboard_ = true;
        update(cellRect(number_));
        event->accept();
        const ControlId target = event->key() == Qt::Key_Space    ? ui.gridCell(number_)
                                 : event->key() == Qt::Key_Escape ? ui.vazgec()
                                                                  : ui.tamam();
        if (once && onKeyClick) {
            onKeyClick(target);
        }
        return;
    }
    default: {
        if (!digit) {
            PanelWidget::keyPressEvent(event);
            return;
        }
        const int typed = typedNumber(text[0].digitValue(), event->timestamp());
        to = typed != 0 ? typed : number_;
    }
    }
    event->accept();
    if (!keyboard_) {
        keyboard_ = true;
        update(cellRect(number_));
    }
    moveFrame(to);
}

void GridWidget::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        keyboard_ = true;
    }
    // Only the frame changes: the other 48 numbers are not painted again.
    update(cellRect(number_));
    if (onFrameMoved) {
        onFrameMoved(number_);
    }
}

void GridWidget::focusOutEvent(QFocusEvent*) {
    update(cellRect(number_));
}

void GridWidget::mousePressEvent(QMouseEvent* event) {
    if (keyboard_) {
        keyboard_ = false;
        update(cellRect(number_));
    }
    PanelWidget::mousePressEvent(event);
}

void GridWidget::paintEvent(QPaintEvent* event) {
    PanelWidget::paintEvent(event);
    if (frameShown() && event->rect().intersects(cellRect(number_))) {
        QPainter p(this);
        drawFocusFrame(p, cellRect(number_));
    }
}

ButtonWidget::ButtonWidget(const Controls& controls, ControlId id, const Pictures& pictures,
                           QWidget* parent)
    : QAbstractButton(parent), ControlWidget(controls, id), pictures_(pictures) {
    keepOwnLook();
    setFocusPolicy(Qt::StrongFocus);
    setText(qstr(record().caption));
}

// The desktop style, when it polishes a button, makes it transparent and repainted on
// every hover; this button paints its whole face itself and looks the same under the mouse.
void ButtonWidget::keepOwnLook() {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover, false);
}

bool ButtonWidget::event(QEvent* event) {
    const bool handled = QAbstractButton::event(event);
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange) {
        keepOwnLook();
    }
    return handled;
}

void ButtonWidget::follow() {
    const QString caption = qstr(record().caption);
    if (text() != caption) {
        setText(caption);
    }
    ControlWidget::follow();
}

void ButtonWidget::paintEvent(QPaintEvent*) {
    const Control& c = record();
    const QColor face = toQColor(c.back);
    const bool down = isDown();
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, face);
    if (down) {
        drawRing(p, r, kShadow, kLight);
        drawRing(p, r, kDarkShadow, face);
    } else {
        drawRing(p, r, kLight, kDarkShadow);
        drawRing(p, r, face, kShadow);
    }
    // A pressed face moves down and right, as if pushed into the screen.
    const QRect content = r.translated(down ? 1 : 0, down ? 1 : 0);

    if (c.picture != Picture::None) {
        const QRect area = content.adjusted(1, 1, -1, -1);
        const QPixmap pix =
            pictures_.pixmap(c.picture, area.size(), devicePixelRatioF(), !isEnabled());
        if (!pix.isNull()) {
            p.drawPixmap(area.topLeft(), pix);
        }
    } else if (!c.caption.empty()) {
        const QString caption = qstr(c.caption);
        p.setFont(toQFont(c.font));
        if (isEnabled()) {
            p.setPen(toQColor(c.fore));
            p.drawText(content, Qt::AlignCenter | Qt::TextSingleLine, caption);
        } else {
            // Disabled text is etched into the face: a light copy under a grey one.
            p.setPen(kLight);
            p.drawText(content.translated(1, 1), Qt::AlignCenter | Qt::TextSingleLine, caption);
            p.setPen(kShadow);
            p.drawText(content, Qt::AlignCenter | Qt::TextSingleLine, caption);
        }
    }

    if (hasFocus()) {
        QPen pen(Qt::black, 0, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(content.adjusted(1, 1, -2, -2));
    }
}

void ButtonWidget::mousePressEvent(QMouseEvent* event) {
    mousePress_ = true;
    QAbstractButton::mousePressEvent(event);
}

void ButtonWidget::keyPressEvent(QKeyEvent* event) {
    mousePress_ = false;
    if (!event->isAutoRepeat() &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

LabelWidget::LabelWidget(const Controls& controls, ControlId id, QWidget* parent)
    : QWidget(parent), ControlWidget(controls, id) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A label takes no clicks; the panel behind it must not take them in its place.
    setAttribute(Qt::WA_NoMousePropagation);
}

void LabelWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintLabel(p, rect(), record());
}

ImageWidget::ImageWidget(const Controls& controls, ControlId id, const Pictures& pictures,
                         QWidget* parent)
    : QWidget(parent), ControlWidget(controls, id), pictures_(pictures) {
    setAttribute(Qt::WA_NoMousePropagation);
}

QPixmap ImageWidget::current() const {
    return pictures_.pixmap(record().picture, size(), devicePixelRatioF());
}

void ImageWidget::follow() {
    // An image without a picture lets its container show through; one with an opaque
    // picture covers it, so a new frame repaints this image alone.
    const QPixmap pix = current();
    setAttribute(Qt::WA_OpaquePaintEvent, !pix.isNull() && !pix.hasAlphaChannel());
    ControlWidget::follow();
}

void ImageWidget::paintEvent(QPaintEvent*) {
    const QPixmap pix = current();
    if (pix.isNull()) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), pix);
}

PictureBoxWidget::PictureBoxWidget(const Controls& controls, ControlId id, const Pictures& pictures,
                                   QWidget* parent)
    : QWidget(parent), ControlWidget(controls, id), clicks(controls, id), pictures_(pictures) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
    const Control& c = record();
    QPainter p(this);
    p.fillRect(rect(), toQColor(c.back));
    const QPixmap pix = pictures_.pixmap(c.picture, size(), devicePixelRatioF());
    if (!pix.isNull()) {
        p.drawPixmap(0, 0, pix);
    }
    if (hasFocus()) {
        drawFocusFrame(p, rect());
    }
}

void PictureBoxWidget::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat() && onKeyClick) {
        onKeyClick(id());
    }
}

void PictureBoxWidget::mousePressEvent(QMouseEvent* event) {
    clicks.press(event, this);
}

void PictureBoxWidget::mouseReleaseEvent(QMouseEvent* event) {
    clicks.release(event);
}

} // namespace krn
