// One widget per kind of control. Each paints its record as it stands and reports clicks;
// none keeps state of its own beyond a press in progress.
#pragma once

#include "layout/controls.h"
#include "view/pictures.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QWidget>

#include <functional>

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

// Panels and picture boxes report a click as a real button does: pressed and released
// inside, with the left button.
class ClickTracker {
  public:
    std::function<void()> onClick;
    void press(QMouseEvent* event);
    void release(QMouseEvent* event, const QWidget* widget);

  private:
    bool pressed_{false};
};

class PanelWidget : public QWidget, public ControlWidget {
  public:
    PanelWidget(const Controls& controls, ControlId id, QWidget* parent);
    QWidget* widget() override { return this; }
    ClickTracker clicks;

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
    ClickTracker clicks;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const Pictures& pictures_;
};

} // namespace krn
