#include "view/window_view.h"

#include "layout/access_text.h"
#include "layout/focus.h"
#include "view/window_title.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

namespace krn {

namespace {

// Controls placed right of the client area are never on screen.
bool liesOutside(const Controls& ui, ControlId id) {
    const Control& win = ui[ui.window()];
    return ui.windowLeft(id) >= win.width || ui.windowTop(id) >= win.height;
}

} // namespace

WindowView::WindowView(MainWindow& window, QWidget* parent)
    : QWidget(parent), window_(window), painted_(window.controls(), kNoControl),
      focusRule_(window.controls()) {
    // Before any widget is made: Qt 6.8 asks for the window's accessible object as soon as
    // a child is added to it, and keeps the first answer.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&accessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    const Controls& ui = window_.controls();
    const Control& win = ui[ui.window()];
    back_ = toQColor(win.back);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The controls paint their records, not the palette; with the inactive colours the
    // same as the active ones, Qt repaints nothing when the window gains or loses focus.
    QPalette steady = palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        if (r == QPalette::NoRole) {
            continue;
        }
        steady.setColor(QPalette::Inactive, r, steady.color(QPalette::Active, r));
    }
    setPalette(steady);
    setFixedSize(twipsToPixels(win.width), twipsToPixels(win.height));
    setWindowTitle(QString::fromStdString(win.caption));

    const auto count = static_cast<size_t>(ui.size());
    widgets_.assign(count, nullptr);
    paintedBy_.assign(count, nullptr);
    holdsControls_.assign(count, false);
    for (ControlId id = 0; id < ui.size(); ++id) {
        if (ui[id].container != kNoControl) {
            holdsControls_[static_cast<size_t>(ui[id].container)] = true;
        }
    }
    painted_.onClick = [this](ControlId target) { click(target); };
    timers_.assign(9, nullptr);
    // In inventory order, so that a later sibling lies in front of an earlier one.
    for (ControlId id = 0; id < ui.size(); ++id) {
        createControl(id);
    }

    // The wheel frames are drawn now, once, at the size the wheels show them; every tick
    // hands on one of these three.
    const QWidget* wheel = widgetOf(ui.wheelImage(1));
    for (int frame = 0; frame < 3 && wheel != nullptr; ++frame) {
        pictures_.pixmap(wheelFramePicture(frame), wheel->size(), devicePixelRatioF());
    }
    // Tab follows the reading order: the button bar, the picture in front, the slot bar,
    // then the grid with Vazgeç before Tamam.
    setTabOrder(widgetOf(ui.command(6)), widgetOf(ui.logo3()));
    setTabOrder(widgetOf(ui.logo3()), widgetOf(ui.logo()));
    setTabOrder(widgetOf(ui.logo()), widgetOf(ui.logo2()));
    setTabOrder(widgetOf(ui.logo2()), widgetOf(ui.saveButton(0)));
    setTabOrder(grid_, widgetOf(ui.vazgec()));
    setTabOrder(widgetOf(ui.vazgec()), widgetOf(ui.tamam()));

    setTimersRunning(true);
}

WindowView::~WindowView() {
    closing_ = true;
    access_.reset();
}

AccessibleControls* WindowView::accessibility() {
    if (closing_) {
        return nullptr;
    }
    if (access_ == nullptr) {
        access_ = std::make_unique<AccessibleControls>(*this);
    }
    return access_.get();
}

void WindowView::createControl(ControlId id) {
    const Controls& ui = window_.controls();
    const Control& c = ui[id];
    if (c.kind == Kind::Window) {
        return;
    }
    if (c.kind == Kind::Timer) {
        for (int k = 1; k <= 8; ++k) {
            if (ui.timer(k) == id) {
                auto* t = new QTimer(this);
                t->setInterval(c.interval);
                connect(t, &QTimer::timeout, this, [this, k] { tick(k); });
                timers_[static_cast<size_t>(k)] = t;
            }
        }
        return;
    }
    if (liesOutside(ui, id)) {
        return;
    }

    QWidget* parent = this;
    if (c.container != kNoControl && c.container != ui.window()) {
        parent = widgetOf(c.container);
    }
    if (PaintedControls* host = parent != nullptr ? paintedIn(parent) : nullptr;
        host != nullptr && paintedByContainer(id)) {
        host->add(id);
        paintedBy_[static_cast<size_t>(id)] = parent;
        return;
    }
    ControlWidget* made = nullptr;
    switch (c.kind) {
    case Kind::Panel: {
        PanelWidget* w = nullptr;
        if (id == ui.basinc()) {
            grid_ = new GridWidget(ui, id, parent);
            grid_->onKeyClick = [this](ControlId target) { keyClick(target); };
            grid_->onFrameMoved = [this](int) { announceFrame(); };
            w = grid_;
        } else {
            w = new PanelWidget(ui, id, parent);
        }
        w->painted.onClick = [this](ControlId target) { click(target); };
        made = w;
        break;
    }
    case Kind::Button: {
        auto* w = new ButtonWidget(ui, id, pictures_, parent);
        connect(w, &QAbstractButton::clicked, this, [this, w, id] {
            if (w->takeMousePress()) {
                click(id);
            } else {
                keyClick(id);
            }
        });
        made = w;
        break;
    }
    case Kind::Label:
        made = new LabelWidget(ui, id, parent);
        break;
    case Kind::Image:
        made = new ImageWidget(ui, id, pictures_, parent);
        break;
    case Kind::PictureBox: {
        auto* w = new PictureBoxWidget(ui, id, pictures_, parent);
        w->clicks.onClick = [this](ControlId target) { click(target); };
        w->onKeyClick = [this](ControlId target) { keyClick(target); };
        // Hidden, it is passed over; a covered one gives up the focus (FocusRule).
        w->setFocusPolicy(Qt::TabFocus);
        made = w;
        break;
    }
    case Kind::Window:
    case Kind::Timer:
        return;
    }

    QWidget* w = made->widget();
    w->setObjectName(QString::fromStdString(c.name));
    w->setGeometry(geometryOf(c));
    if (!c.hint.empty()) {
        const QString hint = QString::fromStdString(c.hint);
        w->setAccessibleName(hint);
        w->setToolTip(hint);
    }
    if (const std::string about = krn::accessibleDescription(ui, id); !about.empty()) {
        w->setAccessibleDescription(QString::fromStdString(about));
    }
    w->setVisible(c.visible);
    w->setEnabled(c.enabled);
    widgets_[static_cast<size_t>(id)] = made;
}

// A panel with no controls inside it, or a label, is painted by its container unless a
// widget made before it overlaps it: a widget lies in front of its container's face, so
// the control would show behind a sibling it must cover.
bool WindowView::paintedByContainer(ControlId id) const {
    const Controls& ui = window_.controls();
    const Control& c = ui[id];
    if (c.kind != Kind::Label &&
        (c.kind != Kind::Panel || holdsControls_[static_cast<size_t>(id)])) {
        return false;
    }
    auto containerOf = [&](const Control& control) {
        return control.container == kNoControl ? ui.window() : control.container;
    };
    const QRect r = geometryOf(c);
    for (ControlId earlier = 0; earlier < id; ++earlier) {
        const Control& o = ui[earlier];
        if (widgets_[static_cast<size_t>(earlier)] != nullptr && containerOf(o) == containerOf(c) &&
            geometryOf(o).intersects(r)) {
            return false;
        }
    }
    return true;
}

PaintedControls* WindowView::paintedIn(QWidget* container) {
    if (container == this) {
        return &painted_;
    }
    auto* panel = dynamic_cast<PanelWidget*>(container);
    return panel != nullptr ? &panel->painted : nullptr;
}

QWidget* WindowView::widgetOf(ControlId id) const {
    if (id < 0 || id >= static_cast<ControlId>(widgets_.size())) {
        return nullptr;
    }
    ControlWidget* w = widgets_[static_cast<size_t>(id)];
    return w != nullptr ? w->widget() : nullptr;
}

QWidget* WindowView::widgetOf(std::string_view name) const {
    return widgetOf(window_.controls().find(name));
}

QWidget* WindowView::hostOf(ControlId id) const {
    if (id < 0 || id >= static_cast<ControlId>(paintedBy_.size())) {
        return nullptr;
    }
    return paintedBy_[static_cast<size_t>(id)];
}

QRect WindowView::rectOf(ControlId id) const {
    if (const QWidget* w = widgetOf(id)) {
        return {w->mapTo(this, QPoint(0, 0)), w->size()};
    }
    if (id < 0 || id >= static_cast<ControlId>(paintedBy_.size())) {
        return {};
    }
    if (const QWidget* host = paintedBy_[static_cast<size_t>(id)]) {
        return geometryOf(window_.controls()[id]).translated(host->mapTo(this, QPoint(0, 0)));
    }
    return {};
}

QRect WindowView::rectOf(std::string_view name) const {
    return rectOf(window_.controls().find(name));
}

ControlId WindowView::controlAt(QPoint point) const {
    if (!rect().contains(point)) {
        return kNoControl;
    }
    // The widget in front, then whatever it paints of its own at the point.
    const QWidget* host = childAt(point);
    const auto* front = dynamic_cast<const ControlWidget*>(host);
    const PaintedControls* painted = &painted_;
    if (front == nullptr) {
        host = this;
    } else if (const auto* panel = dynamic_cast<const PanelWidget*>(host)) {
        painted = &panel->painted;
    } else {
        painted = nullptr;
    }
    if (painted != nullptr) {
        const ControlId hit = painted->at(host->mapFrom(this, point));
        if (hit != kNoControl) {
            return hit;
        }
    }
    return front != nullptr ? front->id() : kNoControl;
}

void WindowView::setTimersRunning(bool running) {
    for (QTimer* t : timers_) {
        if (t == nullptr) {
            continue;
        }
        if (running) {
            t->start();
        } else {
            t->stop();
        }
    }
}

void WindowView::mirror(ControlId pressed) {
    Controls& ui = window_.controls();
    const std::vector<ControlId> changed = ui.takeChanged();
    moveFocusAhead();
    for (const ControlId id : changed) {
        if (id == ui.window()) {
            followWindowRecord();
        } else if (ControlWidget* w = widgets_[static_cast<size_t>(id)]) {
            w->follow();
        } else if (QWidget* host = paintedBy_[static_cast<size_t>(id)]) {
            host->update(geometryOf(ui[id]));
        }
    }
    if (access_ != nullptr && QAccessible::isActive()) {
        access_->announce(changed, pressed);
    }
}

// Where a change takes the keyboard focus, it goes there before the widgets follow their
// records: otherwise Qt would first hand it on to whichever button comes next in the tab
// chain, and a reader would announce that button.
void WindowView::moveFocusAhead() {
    const Controls& ui = window_.controls();
    // The window's own focus child, also while a message holds the keyboard: when the
    // message closes, Qt gives the focus back to it.
    const auto* holder = dynamic_cast<const ControlWidget*>(focusWidget());
    const ControlId focus = holder != nullptr ? holder->id() : kNoControl;
    const bool opening = ui.shown(ui.basinc()) && grid_->isHidden();
    const ControlId to = focusRule_.follow(ui, focus, byKeyboard_);
    // Only the picture in front takes the focus, as only it can be clicked.
    const ControlId front = frontPicture(ui);
    for (const ControlId id : {ui.logo(), ui.logo2(), ui.logo3()}) {
        widgetOf(id)->setFocusPolicy(id == front ? Qt::TabFocus : Qt::NoFocus);
    }
    if (to == focus || to == kNoControl) {
        return;
    }
    if (to == ui.basinc()) {
        // Opened with the mouse, the grid shows no frame until a key is pressed.
        grid_->follow();
        grid_->takeFocusAt(opening ? 1 : grid_->frameNumber(), byKeyboard_ || !opening);
    } else {
        giveFocusTo(to);
    }
}

void WindowView::giveFocusTo(ControlId id) {
    ControlWidget* w = widgets_[static_cast<size_t>(id)];
    w->follow();
    if (w->widget()->isEnabled() && !w->widget()->isHidden()) {
        w->widget()->setFocus(Qt::OtherFocusReason);
    }
}

// The reader hears the number the frame stands on after Qt has announced the grid itself.
void WindowView::announceFrame() {
    if (!QAccessible::isActive()) {
        return;
    }
    QTimer::singleShot(0, grid_, [this] {
        AccessibleControls* access = accessibility();
        if (access != nullptr && grid_->hasFocus()) {
            access->announceFocus(window_.controls().gridCell(grid_->frameNumber()));
        }
    });
}

void WindowView::followWindowRecord() {
    const Controls& ui = window_.controls();
    const Control& win = ui[ui.window()];
    const QString title = QString::fromStdString(win.caption);
    if (windowTitle() != title) {
        setWindowTitle(title);
        if (title.isEmpty()) {
            keepTitleEmpty(*this);
        }
    }
    // A new title alone must not repaint every control.
    const QColor back = toQColor(win.back);
    if (back != back_) {
        back_ = back;
        update();
    }
}

void WindowView::click(ControlId id) {
    // A click the window refuses did nothing, and has nothing to report.
    const bool done = window_.click(id);
    mirror(done ? id : kNoControl);
}

void WindowView::keyClick(ControlId id) {
    byKeyboard_ = true;
    click(id);
    byKeyboard_ = false;
}

void WindowView::tick(int k) {
    window_.tick(k);
    mirror();
}

void WindowView::followSlotFiles() {
    if (slotWatch_ == nullptr) {
        slotWatch_ = std::make_unique<SlotWatch>(window_, [this] { mirror(); });
    }
}

void WindowView::openMessage(const QString& title, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this] {
        window_.onMessageClosed();
        mirror();
    });
    message_ = box;
    // Window-modal and not waiting: the wheels keep turning under the message.
    box->open();
}

void WindowView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), back_);
    painted_.paint(p, event->rect());
    if (!iconSet_) {
        // The icon waits for the first frame: the desktop shows the window's face the
        // sooner, and its icon a moment later.
        iconSet_ = true;
        QTimer::singleShot(0, this, [this] {
            const Controls& ui = window_.controls();
            setWindowIcon(pictures_.icon(ui[ui.window()].picture));
        });
    }
}

void WindowView::mousePressEvent(QMouseEvent* event) {
    painted_.press(event, this);
}

void WindowView::mouseReleaseEvent(QMouseEvent* event) {
    painted_.release(event);
}

} // namespace krn
