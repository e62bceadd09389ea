#include "view/window_view.h"

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

WindowView::WindowView(MainWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
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
    setWindowIcon(pictures_.icon(win.picture));

    widgets_.assign(static_cast<size_t>(ui.size()), nullptr);
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
    setTimersRunning(true);
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
    ControlWidget* made = nullptr;
    switch (c.kind) {
    case Kind::Panel: {
        auto* w = new PanelWidget(ui, id, parent);
        w->clicks.onClick = [this, id] { click(id); };
        made = w;
        break;
    }
    case Kind::Button: {
        auto* w = new ButtonWidget(ui, id, pictures_, parent);
        connect(w, &QAbstractButton::clicked, this, [this, id] { click(id); });
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
        w->clicks.onClick = [this, id] { click(id); };
        made = w;
        break;
    }
    case Kind::Window:
    case Kind::Timer:
        return;
    }

    QWidget* w = made->widget();
    w->setObjectName(QString::fromStdString(c.name));
    w->setGeometry(twipsToPixels(c.left), twipsToPixels(c.top), twipsToPixels(c.width),
                   twipsToPixels(c.height));
    if (!c.hint.empty()) {
        const QString hint = QString::fromStdString(c.hint);
        w->setAccessibleName(hint);
        w->setToolTip(hint);
    }
    w->setVisible(c.visible);
    w->setEnabled(c.enabled);
    widgets_[static_cast<size_t>(id)] = made;
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

void WindowView::mirror() {
    Controls& ui = window_.controls();
    for (const ControlId id : ui.takeChanged()) {
        if (id == ui.window()) {
            followWindowRecord();
        } else if (ControlWidget* w = widgets_[static_cast<size_t>(id)]) {
            w->follow();
        }
    }
}

void WindowView::followWindowRecord() {
    const Controls& ui = window_.controls();
    const Control& win = ui[ui.window()];
    const QString title = QString::fromStdString(win.caption);
    if (windowTitle() != title) {
        setWindowTitle(title);
    }
    // A new title alone must not repaint every control.
    const QColor back = toQColor(win.back);
    if (back != back_) {
        back_ = back;
        update();
    }
}

void WindowView::click(ControlId id) {
    window_.click(id);
    mirror();
}

void WindowView::tick(int k) {
    window_.tick(k);
    mirror();
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
}

} // namespace krn
