#include "layout/access_text.h"

#include "layout/colours.h"

namespace krn {

namespace {

std::string ordinal(int n) {
    return std::to_string(n) + ". ";
}

std::string shownOrEmpty(const std::string& caption) {
    return caption.empty() ? "boş" : caption;
}

std::string slotName(int s) {
    return std::string(1, static_cast<char>('a' + s)) + " yuvası";
}

std::string ballList(const Controls& ui, const Colour& colour) {
    std::string list;
    for (int n = 1; n <= 49; ++n) {
        if (ui[ui.ball(n)].back == colour) {
            list += (list.empty() ? "" : ", ") + std::to_string(n);
        }
    }
    return list;
}

std::string drumName(const Controls& ui) {
    const std::string drawn = ballList(ui, kDrawn);
    const std::string taken = ballList(ui, kTaken);
    if (drawn.empty() && taken.empty()) {
        return "Toplar: çekiliş yok";
    }
    std::string name = "Toplar: ";
    if (!drawn.empty()) {
        name += "çekilen " + drawn;
    }
    if (!taken.empty()) {
        name += (drawn.empty() ? "" : "; ") + std::string("kupona alınan ") + taken;
    }
    return name;
}

std::string windowName(const Controls& ui) {
    const std::string& title = ui[ui.window()].caption;
    const auto first = title.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "KRN Sayısal Loto";
    }
    return title.substr(first, title.find_last_not_of(' ') - first + 1);
}

std::string slotState(const Controls& ui, int s) {
    // The indicator keeps its design colour for a slot whose file cannot be used; its hint,
    // when it has one, says why.
    const Control& indicator = ui[ui.slotIndicator(s)];
    return slotName(s) + ": " + (ui[ui.slotLamp(s)].back == kLampOn ? "ekranda" : "ekranda değil") +
           ", " +
           (indicator.back == kHoldsCoupon ? "dolu"
            : indicator.back == kEmptySlot ? "boş"
            : !indicator.hint.empty()      ? indicator.hint
                                           : "okunamadı");
}

std::string captions(const Controls& ui, const std::vector<ControlId>& ids) {
    std::string list;
    for (const ControlId id : ids) {
        if (!ui[id].caption.empty()) {
            list += (list.empty() ? "" : ", ") + ui[id].caption;
        }
    }
    return list;
}

std::vector<ControlId> labels(const Controls& ui) {
    std::vector<ControlId> ids;
    for (int k = 1; k <= 6; ++k) {
        ids.push_back(ui.numberLabel(k));
    }
    return ids;
}

std::vector<ControlId> column(const Controls& ui, int c) {
    std::vector<ControlId> ids;
    for (int i = 1; i <= 6; ++i) {
        ids.push_back(ui.couponCell(c, i));
    }
    return ids;
}

bool contains(const std::vector<ControlId>& ids, ControlId id) {
    for (const ControlId i : ids) {
        if (i == id) {
            return true;
        }
    }
    return false;
}

std::string hits(const Controls& ui) {
    std::string list;
    for (int c = 1; c <= kColumns; ++c) {
        if (const std::string& n = ui[ui.resultPanel(c)].caption; !n.empty()) {
            list += (list.empty() ? "" : "; ") + ordinal(c) + "kolon: " + n + " isabet";
        }
    }
    return list.empty() ? "isabet yok" : list;
}

int checkedCount(const Controls& ui) {
    int count = 0;
    for (int n = 1; n <= 49; ++n) {
        count += isChecked(ui, ui.gridCell(n)) ? 1 : 0;
    }
    return count;
}

bool couponEmpty(const Controls& ui) {
    for (int c = 1; c <= kColumns; ++c) {
        if (!captions(ui, column(ui, c)).empty()) {
            return false;
        }
    }
    return true;
}

std::string slotReport(const Controls& ui, int s, const std::vector<ControlId>& changed) {
    for (int c = 1; c <= kColumns; ++c) {
        for (const ControlId cell : column(ui, c)) {
            if (contains(changed, cell) && couponEmpty(ui)) {
                return slotState(ui, s) + "; kupon boş";
            }
        }
    }
    return slotState(ui, s);
}

} // namespace

std::vector<ControlId> readingOrder(const Controls& ui, ControlId container) {
    std::vector<ControlId> items;
    if (container == ui.window()) {
        items = {ui.panel(69), ui.logo3(),   ui.logo(),   ui.logo2(), kDrumItem,
                 ui.panel(70), ui.panel(66), ui.panel(6), kReportItem};
    } else if (container == ui.panel(69)) {
        for (const int n : {7, 9, 8, 2, 3, 4, 5, 11, 6}) {
            items.push_back(ui.command(n));
        }
    } else if (container == ui.panel(70)) {
        for (int k = 1; k <= 6; ++k) {
            items.push_back(ui.numberLabel(k));
        }
    } else if (container == ui.panel(66)) {
        for (int s = 0; s < kSlots; ++s) {
            items.insert(items.end(),
                         {ui.saveButton(s), ui.emptyButton(s), ui.loadButton(s), slotItem(s)});
        }
    } else if (container == ui.panel(6)) {
        items.push_back(ui.basinc());
        for (int c = 1; c <= kColumns; ++c) {
            for (int i = 1; i <= 6; ++i) {
                items.push_back(ui.couponCell(c, i));
            }
            items.push_back(ui.resultPanel(c));
        }
    } else if (container == ui.basinc()) {
        for (int n = 1; n <= 49; ++n) {
            items.push_back(ui.gridCell(n));
        }
        items.insert(items.end(), {ui.vazgec(), ui.tamam()});
    }
    return items;
}

std::string accessibleName(const Controls& ui, ControlId id) {
    if (id == kDrumItem) {
        return drumName(ui);
    }
    if (id == ui.window()) {
        return windowName(ui);
    }
    for (int s = 0; s < kSlots; ++s) {
        if (id == slotItem(s)) {
            return slotState(ui, s);
        }
    }
    if (id < 0) {
        return {};
    }
    const Control& c = ui[id];
    for (int k = 1; k <= 6; ++k) {
        if (id == ui.numberLabel(k)) {
            return ordinal(k) + "sayı: " + shownOrEmpty(c.caption);
        }
    }
    for (int col = 1; col <= kColumns; ++col) {
        for (int i = 1; i <= 6; ++i) {
            if (id == ui.couponCell(col, i)) {
                return ordinal(col) + "kolon, " + ordinal(i) + "sayı: " + shownOrEmpty(c.caption) +
                       (c.back == kHitBack ? ", isabet" : "");
            }
        }
        if (id == ui.resultPanel(col)) {
            return ordinal(col) +
                   "kolon sonucu: " + (c.caption.empty() ? "boş" : c.caption + " isabet");
        }
    }
    if (gridNumberOf(ui, id) != 0) {
        return c.caption;
    }
    // The pictures in the order the picture button brings them up.
    if (id == ui.logo2()) {
        return "1. resim";
    }
    if (id == ui.logo()) {
        return "2. resim";
    }
    if (id == ui.logo3()) {
        return "3. resim";
    }
    if (id == ui.panel(69)) {
        return "Komutlar";
    }
    if (id == ui.panel(70)) {
        return "Sayılar";
    }
    if (id == ui.panel(66)) {
        return "Yuvalar";
    }
    if (id == ui.panel(6)) {
        return "Kupon";
    }
    if (id == ui.basinc()) {
        return "Sayı tablosu";
    }
    return {};
}

bool saysNothing(const Controls& ui, ControlId id) {
    for (int c = 1; c <= kColumns; ++c) {
        if (id == ui.resultPanel(c)) {
            return ui[id].caption.empty();
        }
    }
    return false;
}

std::string actionReport(const Controls& ui, ControlId pressed,
                         const std::vector<ControlId>& changed, ControlId entry) {
    const std::string drawn = captions(ui, labels(ui));
    if (pressed == ui.tamam() && ui.shown(ui.basinc())) {
        return "6 sayı seçilmeli, " + std::to_string(checkedCount(ui)) + " seçili";
    }
    if (gridNumberOf(ui, pressed) != 0 && changed.empty() && !isChecked(ui, pressed)) {
        return "6 sayı seçili";
    }
    if (pressed == ui.command(2)) {
        return "Kupon boş";
    }
    if (changed.empty()) {
        return {};
    }
    if (pressed == ui.command(7)) {
        return "Çekilen: " + drawn;
    }
    if (pressed == ui.tamam()) {
        return (entry == ui.command(3) ? "Sınanacak çekiliş: " : "Seçilen: ") + drawn;
    }
    if (pressed == ui.command(8)) {
        for (int c = 1; c <= kColumns; ++c) {
            if (contains(changed, ui.couponCell(c, 1)) && !captions(ui, column(ui, c)).empty()) {
                return ordinal(c) + "kolon: " + captions(ui, column(ui, c));
            }
        }
        return {};
    }
    if (pressed == ui.command(4) && !drawn.empty()) {
        return hits(ui);
    }
    if (pressed == ui.command(5)) {
        return "Çekilen: " + drawn + "; " + hits(ui);
    }
    for (int s = 0; s < kSlots; ++s) {
        if (pressed == ui.saveButton(s) || pressed == ui.emptyButton(s) ||
            pressed == ui.loadButton(s)) {
            return slotReport(ui, s, changed);
        }
    }
    return {};
}

std::string accessibleDescription(const Controls& ui, ControlId id) {
    if (id == ui.command(9)) {
        return "Kolonu elle gir";
    }
    if (id == ui.command(3)) {
        return "Çekiliş sonucunu elle gir";
    }
    return {};
}

int gridNumberOf(const Controls& ui, ControlId id) {
    for (int n = 1; n <= 49; ++n) {
        if (id == ui.gridCell(n)) {
            return n;
        }
    }
    return 0;
}

bool isChecked(const Controls& ui, ControlId id) {
    return gridNumberOf(ui, id) != 0 && ui[id].back == kSelectedBack;
}

} // namespace krn
