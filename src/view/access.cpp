#include "view/access.h"

#include "layout/access_text.h"
#include "view/control_widgets.h"
#include "view/window_view.h"

#include <QAccessibleWidget>

namespace krn {

namespace {

bool isBall(const Controls& ui, ControlId id) {
    for (int n = 1; n <= 49; ++n) {
        if (id == ui.ball(n)) {
            return true;
        }
    }
    return false;
}

int slotOf(ControlId id) {
    return id <= slotItem(0) && id > slotItem(kSlots) ? slotItem(0) - id : -1;
}

// The control that stands for an item with no record of its own: a slot's lamp.
ControlId recordOf(const Controls& ui, ControlId id) {
    const int s = slotOf(id);
    return s < 0 ? id : ui.slotLamp(s);
}

ControlId containerOf(const Controls& ui, ControlId id) {
    const ControlId container = id == kDrumItem ? kNoControl : ui[recordOf(ui, id)].container;
    return container == kNoControl ? ui.window() : container;
}

QRect windowRect(const WindowView& view, ControlId id) {
    if (const int s = slotOf(id); s >= 0) {
        const Controls& ui = view.controls();
        return view.rectOf(ui.slotLamp(s)) | view.rectOf(ui.slotIndicator(s));
    }
    if (id != kDrumItem) {
        return view.rectOf(id);
    }
    QRect drum;
    for (int n = 1; n <= 49; ++n) {
        drum |= view.rectOf(view.controls().ball(n));
    }
    return drum;
}

// Hidden from sight by a widget shown in front of it: the grid covers the coupon cells,
// the pictures cover the drum and one another. A covered item takes no action.
bool covered(const WindowView& view, ControlId id) {
    const Controls& ui = view.controls();
    const QRect r = windowRect(view, id);
    for (const ControlId before : readingOrder(ui, containerOf(ui, id))) {
        if (before == id) {
            break;
        }
        const QWidget* w = view.widgetOf(before);
        if (w != nullptr && w->isVisible() && windowRect(view, before).contains(r)) {
            return true;
        }
    }
    return false;
}

void raise(QAccessibleInterface* iface, QAccessible::Event type) {
    QAccessibleEvent event(iface, type);
    QAccessible::updateAccessibility(&event);
}

} // namespace

// A control its container paints, or the drum: an object with no widget behind it.
class PaintedAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    PaintedAccessible(WindowView& view, ControlId id) : view_(view), id_(id) {
        remembered_ = now();
    }

    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_.windowHandle(); }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        QWidget* host = id_ == kDrumItem ? &view_ : view_.hostOf(recordOf(view_.controls(), id_));
        return QAccessible::queryAccessibleInterface(host);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name) {
            return {};
        }
        return QString::fromStdString(accessibleName(view_.controls(), id_));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect r = windowRect(view_, id_);
        return {view_.mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override {
        return gridNumber() ? QAccessible::CheckBox : QAccessible::StaticText;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const bool showing = isShowing();
        s.invisible = !showing;
        if (gridNumber()) {
            s.checkable = true;
            s.checked = isChecked(view_.controls(), id_);
            s.focusable = showing;
            const GridWidget* grid = view_.grid();
            s.focused = showing && grid->hasFocus() &&
                        view_.controls().gridCell(grid->frameNumber()) == id_;
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface && gridNumber()) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        return nullptr;
    }

    QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }
    void doAction(const QString& action) override {
        if (action == toggleAction()) {
            view_.click(id_);
        } else if (action == setFocusAction() && isShowing()) {
            view_.grid()->takeFocusAt(gridNumberOf(view_.controls(), id_));
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // Raises an event for whatever the reader was last told that no longer holds.
    void announceChange() {
        const Seen seen = now();
        if (seen.showing != remembered_.showing) {
            raise(this, seen.showing ? QAccessible::ObjectShow : QAccessible::ObjectHide);
        }
        if (seen.name != remembered_.name) {
            raise(this, QAccessible::NameChanged);
        }
        if (seen.checked != remembered_.checked) {
            QAccessible::State checked;
            checked.checked = true;
            QAccessibleStateChangeEvent event(this, checked);
            QAccessible::updateAccessibility(&event);
        }
        remembered_ = seen;
    }

  private:
    struct Seen {
        QString name;
        bool showing{false};
        bool checked{false};
    };

    Seen now() const {
        return {text(QAccessible::Name), isShowing(), isChecked(view_.controls(), id_)};
    }
    bool gridNumber() const { return gridNumberOf(view_.controls(), id_) != 0; }
    bool isShowing() const {
        const Controls& ui = view_.controls();
        return (id_ == kDrumItem || ui.shown(recordOf(ui, id_))) && !saysNothing(ui, id_) &&
               !covered(view_, id_);
    }

    WindowView& view_;
    ControlId id_;
    Seen remembered_;
};

// What the last press did, as a notification: a reader speaks one when it shows. It has no
// widget and takes no room; it stays showing until the next press replaces it.
class ReportAccessible : public QAccessibleInterface {
  public:
    explicit ReportAccessible(WindowView& view) : view_(view) {}

    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_.windowHandle(); }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(&view_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? text_ : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = text_.isEmpty();
        return s;
    }

    // Hidden while its name changes, so that the reader, which keeps names it was told,
    // takes the new one, and speaks it once, as it shows.
    void tell(const QString& text) {
        if (!text_.isEmpty()) {
            raise(this, QAccessible::ObjectHide);
        }
        text_ = text;
        raise(this, QAccessible::NameChanged);
        raise(this, QAccessible::ObjectShow);
    }

  private:
    WindowView& view_;
    QString text_;
};

namespace {

// The window and the panels that hold controls: their children in reading order, the
// widgets Qt describes and the controls they paint alike.
class ContainerAccessible : public QAccessibleWidget {
  public:
    ContainerAccessible(QWidget* widget, WindowView& view, AccessibleControls& access,
                        ControlId self, QAccessible::Role role)
        : QAccessibleWidget(widget, role), view_(view), access_(access), self_(self),
          items_(readingOrder(view.controls(), self)) {}

    int childCount() const override { return isValid() ? static_cast<int>(items_.size()) : 0; }
    QAccessibleInterface* child(int index) const override {
        if (!isValid() || index < 0 || index >= childCount()) {
            return nullptr;
        }
        const ControlId id = items_[static_cast<size_t>(index)];
        if (QWidget* w = view_.widgetOf(id)) {
            return QAccessible::queryAccessibleInterface(w);
        }
        return access_.painted(id);
    }
    int indexOfChild(const QAccessibleInterface* wanted) const override {
        for (int i = 0; i < childCount(); ++i) {
            if (child(i) == wanted) {
                return i;
            }
        }
        return -1;
    }
    // The one in front: whatever covers others comes first in reading order.
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* c = child(i);
            if (c != nullptr && !c->state().invisible && c->rect().contains(x, y)) {
                return c;
            }
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const GridWidget* grid = view_.grid();
        if (widget() == grid && grid->hasFocus()) {
            return access_.painted(view_.controls().gridCell(grid->frameNumber()));
        }
        return QAccessibleWidget::focusChild();
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && isValid()) {
            return QString::fromStdString(accessibleName(view_.controls(), self_));
        }
        return QAccessibleWidget::text(t);
    }

  private:
    WindowView& view_;
    AccessibleControls& access_;
    ControlId self_;
    std::vector<ControlId> items_;
};

// Logo, Logo2 and Logo3: pictures that take a click while no other covers them.
class PictureAccessible : public QAccessibleWidget {
  public:
    PictureAccessible(QWidget* widget, WindowView& view, ControlId id)
        : QAccessibleWidget(widget, QAccessible::Graphic), view_(view), id_(id) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && isValid()) {
            return QString::fromStdString(accessibleName(view_.controls(), id_));
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (isValid() && covered(view_, id_)) {
            s.invisible = true;
        }
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
        } else if (isValid() && !covered(view_, id_)) {
            view_.keyClick(id_);
        }
    }

  private:
    WindowView& view_;
    ControlId id_;
};

} // namespace

AccessibleControls::AccessibleControls(WindowView& view)
    : view_(view), painted_(static_cast<size_t>(view.controls().size()), nullptr) {}

AccessibleControls::~AccessibleControls() {
    for (QAccessibleInterface* iface : forWidgets_) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
    }
    for (const QAccessible::Id id : made_) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

QAccessibleInterface* AccessibleControls::painted(ControlId id) {
    PaintedAccessible** slot = nullptr;
    if (id == kReportItem) {
        if (report_ == nullptr) {
            report_ = new ReportAccessible(view_);
            made_.push_back(QAccessible::registerAccessibleInterface(report_));
        }
        return report_;
    }
    if (id == kDrumItem) {
        slot = &drum_;
    } else if (const int s = slotOf(id); s >= 0) {
        slot = &slots_[s];
    } else if (id >= 0 && id < view_.controls().size() && view_.hostOf(id) != nullptr) {
        slot = &painted_[static_cast<size_t>(id)];
    } else {
        return nullptr;
    }
    if (*slot == nullptr) {
        *slot = new PaintedAccessible(view_, id);
        made_.push_back(QAccessible::registerAccessibleInterface(*slot));
    }
    return *slot;
}

QAccessibleInterface* AccessibleControls::forWidget(QWidget* widget) {
    const Controls& ui = view_.controls();
    QAccessibleInterface* iface = nullptr;
    if (widget == &view_) {
        iface = new ContainerAccessible(widget, view_, *this, ui.window(), QAccessible::Window);
    } else if (const auto* panel = dynamic_cast<const PanelWidget*>(widget);
               panel != nullptr && !readingOrder(ui, panel->id()).empty()) {
        iface = new ContainerAccessible(widget, view_, *this, panel->id(), QAccessible::Grouping);
    } else if (const auto* picture = dynamic_cast<const PictureBoxWidget*>(widget)) {
        iface = new PictureAccessible(widget, view_, picture->id());
    }
    if (iface != nullptr) {
        forWidgets_.push_back(iface);
    }
    return iface;
}

void AccessibleControls::announce(const std::vector<ControlId>& changed, ControlId pressed) {
    const Controls& ui = view_.controls();
    bool everything = false;
    bool drum = false;
    for (const ControlId id : changed) {
        const Kind kind = ui[id].kind;
        if (view_.widgetOf(id) != nullptr && (kind == Kind::Panel || kind == Kind::PictureBox)) {
            // Shown or hidden: what it holds and what it covers change with it.
            everything = true;
        } else if (isBall(ui, id)) {
            drum = true;
        } else if (PaintedAccessible* p = painted_[static_cast<size_t>(id)]) {
            p->announceChange();
        }
        for (int s = 0; s < kSlots; ++s) {
            if (slots_[s] != nullptr && (id == ui.slotLamp(s) || id == ui.slotIndicator(s))) {
                slots_[s]->announceChange();
            }
        }
    }
    if (everything) {
        for (PaintedAccessible* p : painted_) {
            if (p != nullptr) {
                p->announceChange();
            }
        }
    }
    if ((everything || drum) && drum_ != nullptr) {
        drum_->announceChange();
    }
    if (pressed == ui.command(9) || pressed == ui.command(3)) {
        entry_ = pressed;
    }
    // A press that opened a message is told by the message, which the reader reads itself.
    if (pressed == kNoControl || view_.mainWindow().messageOpen()) {
        return;
    }
    const std::string report = actionReport(ui, pressed, changed, entry_);
    if (!report.empty()) {
        static_cast<ReportAccessible*>(painted(kReportItem))->tell(QString::fromStdString(report));
    }
}

void AccessibleControls::announceFocus(ControlId gridNumber) {
    if (QAccessibleInterface* cell = painted(gridNumber)) {
        raise(cell, QAccessible::Focus);
    }
}

QAccessibleInterface* accessibleFactory(const QString&, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    auto* view = qobject_cast<WindowView*>(widget->window());
    AccessibleControls* access = view != nullptr ? view->accessibility() : nullptr;
    return access != nullptr ? access->forWidget(widget) : nullptr;
}

} // namespace krn
