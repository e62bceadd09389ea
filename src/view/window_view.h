// The window the player sees: a widget for each control record that needs one, the rest
// painted by the widget of their container, and one timer per timer record. It forwards
// every click and tick to MainWindow and then mirrors what changed.
#pragma once

#include "app/main_window.h"
#include "view/control_widgets.h"
#include "view/pictures.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <string_view>
#include <vector>

namespace krn {

class WindowView : public QWidget {
  public:
    explicit WindowView(MainWindow& window, QWidget* parent = nullptr);

    // Brings the changed records onto their widgets; nothing else is repainted.
    void mirror();
    // A click or tick as the desktop delivers it, then the mirror.
    void click(ControlId id);
    void tick(int k);

    // Opens the message over the window without waiting for it; closing it tells MainWindow.
    void openMessage(const QString& title, const QString& text);
    QMessageBox* openMessageBox() const { return message_; }

    // Null for controls that have no widget: the window, the timers, the stored frames, and
    // the controls their container paints.
    QWidget* widgetOf(ControlId id) const;
    QWidget* widgetOf(std::string_view name) const;
    // Where a control lies in the window, shown or not; empty for those never on screen.
    QRect rectOf(ControlId id) const;
    QRect rectOf(std::string_view name) const;
    // The control in front at a point of the window, or kNoControl.
    ControlId controlAt(QPoint point) const;
    QTimer* timer(int k) const { return timers_.at(static_cast<size_t>(k)); }
    void setTimersRunning(bool running);

    MainWindow& mainWindow() { return window_; }
    const Pictures& pictures() const { return pictures_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void createControl(ControlId id);
    bool paintedByContainer(ControlId id) const;
    PaintedControls* paintedIn(QWidget* container);
    void followWindowRecord();

    MainWindow& window_;
    Pictures pictures_;
    std::vector<ControlWidget*> widgets_;
    // For a control its container paints, the widget that paints it.
    std::vector<QWidget*> paintedBy_;
    std::vector<bool> holdsControls_;
    PaintedControls painted_;
    bool iconSet_{false};
    std::vector<QTimer*> timers_;
    QPointer<QMessageBox> message_;
    QColor back_;
};

} // namespace krn
