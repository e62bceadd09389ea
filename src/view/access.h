// The window as a screen reader sees it. The buttons are Qt's own accessible widgets. The
// window and the panels that hold controls list their children in reading order, and each
// control that its container paints gets an accessible object of its own with no widget
// behind it, made when a reader first asks for it: with no reader, none is ever made.
#pragma once

#include "layout/controls.h"

#include <QAccessible>

#include <vector>

class QWidget;

namespace krn {

class WindowView;
class PaintedAccessible;
class ReportAccessible;

class AccessibleControls {
  public:
    explicit AccessibleControls(WindowView& view);
    ~AccessibleControls();
    AccessibleControls(const AccessibleControls&) = delete;
    AccessibleControls& operator=(const AccessibleControls&) = delete;

    // The object of a control its container paints, or of the drum (kDrumItem); null for
    // any other control.
    QAccessibleInterface* painted(ControlId id);
    // The object Qt asks for when a reader meets one of the window's widgets; null for the
    // widgets Qt describes itself.
    QAccessibleInterface* forWidget(QWidget* widget);

    // Tells the reader what the handlers changed in the records since the last mirror: new
    // names, checked states, and what came into view or went out of it; then, after a
    // press, what it did.
    void announce(const std::vector<ControlId>& changed, ControlId pressed);
    // The grid's focus frame moved onto a number.
    void announceFocus(ControlId gridNumber);

  private:
    WindowView& view_;
    std::vector<PaintedAccessible*> painted_;
    PaintedAccessible* drum_{nullptr};
    PaintedAccessible* slots_[kSlots]{};
    ReportAccessible* report_{nullptr};
    // The "Gir" that opened the grid.
    ControlId entry_{kNoControl};
    // Every object made here, so that none outlives the window it describes.
    std::vector<QAccessible::Id> made_;
    std::vector<QAccessibleInterface*> forWidgets_;
};

// Installed once; asks the window that holds the object.
QAccessibleInterface* accessibleFactory(const QString& className, QObject* object);

} // namespace krn
