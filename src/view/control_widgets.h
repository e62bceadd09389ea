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
#include <utility>
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

  protected:
    const Controls& controls() const { return controls_; }

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
    Q_OBJECT
  public:
    PanelWidget(const Controls& controls, ControlId id, QWidget* parent);
    QWidget* widget() override { return this; }
    PaintedControls painted;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The number grid Basınç. While it has the keyboard focus a frame stands on one of its 49
// numbers: the arrow keys move it over the numbers as they stand, typing a number's digits
// takes it there, Space is a click on the number under it, Return one on Tamam and Escape
// one on Vazgeç. Which number the frame stands on is the view's alone, and the frame shows
// only while the keyboard is in use: to a mouse player the grid looks as it always did.
class GridWidget : public PanelWidget {
    Q_OBJECT
  public:
    GridWidget(const Controls& controls, ControlId id, QWidget* parent);

    // A click that a key stands for.
    std::function<void(ControlId)> onKeyClick;
    // The frame moved onto a number, or the grid took the focus with the frame on it.
    std::function<void(int)> onFrameMoved;

    int frameNumber() const { return number_; }
    bool frameShown() const { return keyboard_ && hasFocus(); }
    // Takes the keyboard focus with the frame on number n, shown at once or from the
    // first key on.
    void takeFocusAt(int n, bool showFrame = true);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QRect cellRect(int n) const;
    void moveFrame(int n);
    // The number the digits typed so far make, if the next may still make it two-digit.
    int typedNumber(int digit, quint64 time);

    int number_{1};
    bool keyboard_{false};
    int pendingDigit_{0};
    quint64 pendingSince_{0};
};

class ButtonWidget : public QAbstractButton, public ControlWidget {
  public:
    ButtonWidget(const Controls& controls, ControlId id, const Pictures& pictures, QWidget* parent);
    QWidget* widget() override { return this; }
    void follow() override;
    // Whether the click now being reported was made with the mouse; asks once per click.
    bool takeMousePress() { return std::exchange(mousePress_, false); }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void keepOwnLook();
    const Pictures& pictures_;
    bool mousePress_{false};
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

// Reached with Tab only while it is the picture in front; Space or Return is its click.
class PictureBoxWidget : public QWidget, public ControlWidget {
    Q_OBJECT
  public:
    PictureBoxWidget(const Controls& controls, ControlId id, const Pictures& pictures,
                     QWidget* parent);
    QWidget* widget() override { return this; }
    // It holds no controls; this takes its own clicks.
    PaintedControls clicks;
    std::function<void(ControlId)> onKeyClick;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const Pictures& pictures_;
};

} // namespace krn
