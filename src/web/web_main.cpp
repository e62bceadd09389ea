// The bridge between the window's rules and the page. The page calls these functions for
// every click and tick and reads back the records that changed; it never decides anything
// the rules decide. Records go out as JSON text, which the page parses in one call.
#include "app/main_window.h"
#include "coupon/slot_file.h"
#include "layout/access_text.h"
#include "layout/focus.h"

#include <emscripten.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// What the page does for the rules: all of it lives in the page's script.
EM_JS(double, page_random, (), { return Module.krnPage.random(); });
EM_JS(double, page_seconds, (), { return Module.krnPage.secondsSinceMidnight(); });
EM_JS(void, page_beep, (), { Module.krnPage.beep(); });
EM_JS(void, page_message, (const char* title, const char* text),
      { Module.krnPage.showMessage(UTF8ToString(title), UTF8ToString(text)); });
EM_JS(void, page_quit, (), { Module.krnPage.quit(); });
class WebPlatform : public krn::Platform {
  public:
    // The browser's random source needs no seed.
    void seedRandomFromClock() override {}
    double random() override { return page_random(); }
    long secondsSinceMidnight() override { return static_cast<long>(page_seconds()); }
    void beep() override { page_beep(); }
    void showMessage(const std::string& title, const std::string& text) override {
        page_message(title.c_str(), text.c_str());
    }
    void quit() override { page_quit(); }
    // Where the page mounts the browser's persistent storage.
    std::filesystem::path slotFolder() override { return "/KRN_Sayısal"; }
};

std::unique_ptr<WebPlatform> platform;
std::unique_ptr<krn::MainWindow> window;
std::unique_ptr<krn::FocusRule> focusRule;
std::string reply;
// The changes of the last mirror, the control whose click made them, and the "Gir" that
// opened the grid last: what the report of a press is read from.
std::vector<krn::ControlId> changed;
krn::ControlId pressed = krn::kNoControl;
krn::ControlId entry = krn::kNoControl;

void putString(std::string& out, const std::string& text) {
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void putColour(std::string& out, const krn::Colour& c) {
    out += "[" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
           std::to_string(c.system) + "]";
}

void putIds(std::string& out, const std::vector<krn::ControlId>& ids) {
    out += '[';
    for (std::size_t i = 0; i < ids.size(); ++i) {
        out += (i == 0 ? "" : ",") + std::to_string(ids[i]);
    }
    out += ']';
}

} // namespace

// A save or an empty is on the disk (fdatasync) before its indicator changes. In the browser
// the disk is the page's storage: the handler waits here until the storage holds this one
// file as it now stands, so the page never shows a save its storage does not yet hold, and
// a refusal is a failed write that the rules report and undo as on the desktop. The
// runtime's own fdatasync returns at once and stores nothing.
EM_ASYNC_JS(int, page_store, (int fd), { return await Module.krnPage.storeFile(fd); });

extern "C" int fdatasync(int fd) {
    if (const int error = page_store(fd); error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

extern "C" {

EMSCRIPTEN_KEEPALIVE void krn_start() {
    platform = std::make_unique<WebPlatform>();
    window = std::make_unique<krn::MainWindow>(*platform);
    window->load();
    focusRule = std::make_unique<krn::FocusRule>(window->controls());
}

EMSCRIPTEN_KEEPALIVE int krn_count() {
    return window->controls().size();
}

EMSCRIPTEN_KEEPALIVE int krn_click(int id) {
    const bool done = window->click(id);
    const krn::Controls& ui = window->controls();
    pressed = done ? id : krn::kNoControl;
    if (pressed == ui.command(9) || pressed == ui.command(3)) {
        entry = pressed;
    }
    return done ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void krn_tick(int k) {
    window->tick(k);
}

EMSCRIPTEN_KEEPALIVE void krn_message_closed() {
    window->onMessageClosed();
}

// The controls whose record changed since the last call, as a JSON array.
EMSCRIPTEN_KEEPALIVE const char* krn_changed() {
    reply.clear();
    changed = window->controls().takeChanged();
    putIds(reply, changed);
    return reply.c_str();
}

// What the last click did, as the desktop's screen reader is told it; empty when it did
// nothing worth telling, or opened a message, which the reader reads itself. Read after the
// changes have been taken.
EMSCRIPTEN_KEEPALIVE const char* krn_report() {
    reply.clear();
    if (pressed != krn::kNoControl && !window->messageOpen()) {
        reply = krn::actionReport(window->controls(), pressed, changed, entry);
    }
    pressed = krn::kNoControl;
    return reply.c_str();
}

// Everything the page draws of a control, and what a screen reader is told of it.
EMSCRIPTEN_KEEPALIVE const char* krn_control(int id) {
    const krn::Controls& ui = window->controls();
    reply.clear();
    if (id < 0 || id >= ui.size()) {
        reply = "null";
        return reply.c_str();
    }
    const krn::Control& c = ui[id];
    const krn::PanelBevels b = krn::bevelsOf(c.style);
    auto num = [](int v) { return std::to_string(v); };
    reply += "{\"name\":";
    putString(reply, c.name);
    reply += ",\"kind\":" + num(static_cast<int>(c.kind)) + ",\"container\":" + num(c.container) +
             ",\"box\":[" + num(c.left) + "," + num(c.top) + "," + num(c.width) + "," +
             num(c.height) + "],\"wleft\":" + num(ui.windowLeft(id)) +
             ",\"wtop\":" + num(ui.windowTop(id)) + ",\"caption\":";
    putString(reply, c.caption);
    reply += ",\"back\":";
    putColour(reply, c.back);
    reply += ",\"fore\":";
    putColour(reply, c.fore);
    reply += ",\"font\":[" + num(static_cast<int>(c.font.face)) + "," +
             std::to_string(c.font.points) + "," + num(c.font.bold) + "," + num(c.font.italic) +
             "],\"bevels\":[" + num(static_cast<int>(b.outer)) + "," + num(b.outerWidth) + "," +
             num(b.band) + "," + num(static_cast<int>(b.inner)) + "," + num(b.innerWidth) +
             "],\"align\":" + num(static_cast<int>(c.align)) + ",\"border\":" + num(c.border) +
             ",\"visible\":" + num(c.visible) + ",\"enabled\":" + num(c.enabled) +
             ",\"shown\":" + num(ui.shown(id)) +
             ",\"picture\":" + num(static_cast<int>(c.picture)) +
             ",\"interval\":" + num(c.interval) +
             ",\"clickable\":" + num(window->hasClickHandler(id)) + ",\"hint\":";
    putString(reply, c.hint);
    reply += ",\"access\":";
    putString(reply, krn::accessibleName(ui, id));
    reply += ",\"about\":";
    putString(reply, krn::accessibleDescription(ui, id));
    reply += ",\"number\":" + num(krn::gridNumberOf(ui, id)) +
             ",\"checked\":" + num(krn::isChecked(ui, id)) + "}";
    return reply.c_str();
}

// The picture a control shows: all that a wheel's tick changes, read without its record.
EMSCRIPTEN_KEEPALIVE int krn_picture(int id) {
    const krn::Controls& ui = window->controls();
    return id < 0 || id >= ui.size() ? 0 : static_cast<int>(ui[id].picture);
}

// The items a reader meets inside a container, in order; those with no control of their own
// (the drum, each slot's lamp and indicator, the report of a press) have negative ids.
EMSCRIPTEN_KEEPALIVE const char* krn_reading_order(int container) {
    reply.clear();
    putIds(reply, krn::readingOrder(window->controls(), container));
    return reply.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* krn_item_name(int id) {
    reply = krn::accessibleName(window->controls(), id);
    return reply.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* krn_slot_path(int slot) {
    reply = window->slotPath(slot).string();
    return reply.c_str();
}

// The control that must hold the keyboard focus after the last change, by the desktop's
// rule: `focus` holds it now (-1 for none of the window's), `byKeyboard` made the change.
// -1 when no control of the window is to take it.
EMSCRIPTEN_KEEPALIVE int krn_focus(int focus, int byKeyboard) {
    return focusRule->follow(window->controls(), focus, byKeyboard != 0);
}

// Another tab wrote a slot, or the storage changed under the page: the page has put the
// slot files as they now are, and the indicators follow them.
EMSCRIPTEN_KEEPALIVE void krn_slots_changed() {
    window->onSlotFilesChanged();
}

// Takes the .krn file the page has put at `path` into slot `slot` (0..4), read by the
// same parser as every slot file. A file that cannot be a slot file is refused as well,
// or it would overwrite a kept coupon with noise: one cut short inside its record (the
// program writes whole records; only an empty slot's file is shorter), or one whose
// numbers are not those of a coupon (0..49). So is one that holds no coupon, an empty file
// or an empty record: taking it would empty the slot, which its empty button is for.
// `size` is the length of the player's file. Returns 1 when the slot holds it; otherwise
// the message has been shown.
EMSCRIPTEN_KEEPALIVE int krn_import(int slot, const char* path, const char* shownName,
                                    double size) {
    if (slot < 0 || slot >= krn::kSlots || window->ended() || window->messageOpen()) {
        return 0;
    }
    krn::SlotRecord record{};
    krn::FileOutcome outcome = krn::readSlotRecord(path, record);
    if (outcome.ok && ((size > 0 && size < krn::kRecordBytes) || !krn::isCouponRecord(record))) {
        outcome = {false, std::string("\"") + shownName + "\" bir kupon dosyası değil"};
    } else if (outcome.ok && record[0] == 0) {
        outcome = {false, std::string("\"") + shownName + "\" dosyasında kupon yok"};
    }
    if (outcome.ok) {
        outcome = krn::writeSlotRecord(window->slotPath(slot), record);
    }
    if (!outcome.ok) {
        platform->showMessage(krn::kMessageTitle, "Kupon yüklenemedi.\n" + outcome.error);
        return 0;
    }
    window->onSlotFilesChanged();
    return 1;
}

} // extern "C"
