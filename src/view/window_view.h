// The window the player sees: a widget for each control record that needs one, the rest
// painted by the widget of their container, and one timer per timer record. It forwards
// every click and tick to MainWindow and then mirrors what changed.
#pragma once

#include "app/main_window.h"
#include "layout/focus.h"
#include "view/access.h"
#include "view/control_widgets.h"
#include "view/pictures.h"
#include "view/slot_watch.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string_view>
#include <vector>

namespace krn {

class WindowView : public QWidget {
    Q_OBJECT
  public:
    explicit WindowView(MainWindow& window, QWidget* parent = nullptr);
    ~WindowView() override;

    // Brings the changed records onto their widgets; nothing else is repainted. While a
    // screen reader listens, it is told what changed and what the press, if any, did.
    void mirror(ControlId pressed = kNoControl);
    // A click or tick as the desktop delivers it, then the mirror.
    void click(ControlId id);
    void tick(int k);
    // The click a key stands for: the same click, after which the keyboard focus goes where
    // the player will want it next (into the grid it opened, back to the button that
    // opened it, onto the picture that came up).
    void keyClick(ControlId id);

    // From now on a change of the slot folder or of a slot file, by this program or another,
    // reaches MainWindow at once and the indicators follow. Call after MainWindow::load,
    // which makes the folder.
    void followSlotFiles();

    // Opens the message over the window without waiting for it; closing it tells MainWindow.
    void openMessage(const QString& title, const QString& text);
    QMessageBox* openMessageBox() const { return message_; }

    // Null for controls that have no widget: the window, the timers, the stored frames, and
    // the controls their container paints.
    QWidget* widgetOf(ControlId id) const;
    QWidget* widgetOf(std::string_view name) const;
    // The widget that paints a control with no widget of its own, or null.
    QWidget* hostOf(ControlId id) const;
    GridWidget* grid() const { return grid_; }
    // Where a control lies in the window, shown or not; empty for those never on screen.
    QRect rectOf(ControlId id) const;
    QRect rectOf(std::string_view name) const;
    // The control in front at a point of the window, or kNoControl.
    ControlId controlAt(QPoint point) const;
    QTimer* timer(int k) const { return timers_.at(static_cast<size_t>(k)); }
    void setTimersRunning(bool running);

    MainWindow& mainWindow() { return window_; }
    const Controls& controls() const { return window_.controls(); }
    // What screen readers are told, made the first time one asks; null while the window
    // is being taken down.
    AccessibleControls* accessibility();
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
    void moveFocusAhead();
    void giveFocusTo(ControlId id);
    void announceFrame();

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
    GridWidget* grid_{nullptr};
    FocusRule focusRule_;
    bool byKeyboard_{false};
    std::unique_ptr<AccessibleControls> access_;
    bool closing_{false};
    std::unique_ptr<SlotWatch> slotWatch_;
};

} // namespace krn
