// One widget per kind of control, and the painting of the controls that need no widget.
// Each paints its record as it stands and reports clicks; none keeps state of its own
// beyond a press in progress.
#pragma once

#include "layout/controls.h"
#include "view/pictures.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

class QMouseEvent;
class QPainter;

namespace krn {

QColor toQColor(const Colour& colour);
QFont toQFont(const Font& font);
// Twips to logical pixels at 96 dpi, to the nearest pixel.
int twipsToPixels(int twips);

// What every control widget shares: the record it shows, and how it takes over a change.
class ControlWidget {
  public:
    ControlWidget(const Controls& controls, ControlId id) : controls_(controls), id_(id) {}
    virtual ~ControlWidget() = default;
    ControlWidget(const ControlWidget&) = delete;
    ControlWidget& operator=(const ControlWidget&) = delete;

    ControlId id() const { return id_; }
    const Control& record() const { return controls_[id_]; }
    // Takes over a changed record: visibility, enabled state, and one repaint.
    virtual void follow();
    virtual QWidget* widget() = 0;

  private:
    const Controls& controls_;
    ControlId id_;
};

// Panels without controls inside them, and labels, need no widget of their own: the widget
// of their container paints them over its own face and takes their clicks. The window then
// has a few dozen widgets where it would have two hundred, and opens that much sooner.
// A click counts as a real button's does: pressed and released over the same control, with
// the left button. A label takes no click and passes none on to what lies behind it; a
// disabled panel passes its click on to its container, as a disabled widget does.
class PaintedControls {
  public:
    // `self` is the container's own control, or kNoControl for the window, which takes no
    // clicks.
    PaintedControls(const Controls& controls, ControlId self) : controls_(controls), self_(self) {}

    std::function<void(ControlId)> onClick;

    void add(ControlId id) { ids_.push_back(id); }
    // Those in view that the area touches, in inventory order, so that a later one lies in
    // front of an earlier one.
    void paint(QPainter& p, const QRect& area) const;
    // The one in view in front at the point, or kNoControl.
    ControlId at(QPoint point) const;

    void press(QMouseEvent* event, const QWidget* container);
    void release(QMouseEvent* event);

  private:
    const Controls& controls_;
    ControlId self_;
    std::vector<ControlId> ids_;
    ControlId pressed_{kNoControl};
    QRect pressedRect_;
};

// Where a control lies in its container, in logical pixels.
QRect geometryOf(const Control& c);
// The faces of a panel and of a label over `r`, as their widgets and their containers
// paint them.
void paintPanel(QPainter& p, QRect r, const Control& c);
void paintLabel(QPainter& p, QRect r, const Control& c);

class PanelWidget : public QWidget, public ControlWidget {
  public:
    PanelWidget(const Controls& controls, ControlId id, QWidget* parent);
    QWidget* widget() override { return this; }
    PaintedControls painted;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class ButtonWidget : public QAbstractButton, public ControlWidget {
  public:
    ButtonWidget(const Controls& controls, ControlId id, const Pictures& pictures, QWidget* parent);
    QWidget* widget() override { return this; }
    void follow() override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void keepOwnLook();
    const Pictures& pictures_;
};

class LabelWidget : public QWidget, public ControlWidget {
  public:
    LabelWidget(const Controls& controls, ControlId id, QWidget* parent);
    QWidget* widget() override { return this; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class ImageWidget : public QWidget, public ControlWidget {
  public:
    ImageWidget(const Controls& controls, ControlId id, const Pictures& pictures, QWidget* parent);
    QWidget* widget() override { return this; }
    void follow() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap current() const;
    const Pictures& pictures_;
};

class PictureBoxWidget : public QWidget, public ControlWidget {
  public:
    PictureBoxWidget(const Controls& controls, ControlId id, const Pictures& pictures,
                     QWidget* parent);
    QWidget* widget() override { return this; }
    // It holds no controls; this takes its own clicks.
    PaintedControls clicks;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const Pictures& pictures_;
};

} // namespace krn
