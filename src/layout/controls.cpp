#include "layout/controls.h"

#include <string>
#include <utility>

namespace krn {

namespace {

const Font kFrameFont{Face::MsSansSerif, 8.25, true, false};
const Font kBarFont{Face::TimesNewRoman, 9.75, true, false};
const Font kNumberFont{Face::TimesNewRoman, 26.25, true, false};
const Font kEntryButtonFont{Face::MsSansSerif, 8.25, false, true};
const Font kGridFont{Face::TimesNewRoman, 12, true, false};
const Font kCellFont{Face::TimesNewRoman, 11.25, true, false};
const Font kResultFont{Face::TimesNewRoman, 20.25, true, false};

const Colour kGrey = rgb(192, 192, 192);
const Colour kBlack = rgb(0, 0, 0);
const Colour kCommandBlue = rgb(0, 0, 192);

struct Box {
    int left, top, width, height;
};

Control make(std::string name, Kind kind, ControlId container, Box box) {
    Control c;
    c.name = std::move(name);
    c.kind = kind;
    c.container = container;
    c.left = box.left;
    c.top = box.top;
    c.width = box.width;
    c.height = box.height;
    return c;
}

Control panel3d(std::string name, ControlId container, Box box, PanelStyle style, Colour back,
                Colour fore, Font font = {}) {
    Control c = make(std::move(name), Kind::Panel, container, box);
    c.style = style;
    c.back = back;
    c.fore = fore;
    c.font = font;
    return c;
}

Control button3d(std::string name, ControlId container, Box box, std::string caption, Colour fore,
                 Font font) {
    Control c = make(std::move(name), Kind::Button, container, box);
    c.caption = std::move(caption);
    c.back = systemColour(kButtonFace);
    c.fore = fore;
    c.font = font;
    return c;
}

Control pictureButton(std::string name, ControlId container, Box box, Picture picture, Colour fore,
                      std::string hint) {
    Control c = button3d(std::move(name), container, box, "", fore, kBarFont);
    c.picture = picture;
    c.hint = std::move(hint);
    return c;
}

Control makeLabel(std::string name, ControlId container, Box box, Colour back, Colour fore,
                  Font font = {}) {
    Control c = make(std::move(name), Kind::Label, container, box);
    c.back = back;
    c.fore = fore;
    c.font = font;
    c.border = true;
    return c;
}

std::string indexed(const char* family, int i) {
    return std::string(family) + "(" + std::to_string(i) + ")";
}

std::string numbered(const char* family, int n) {
    return family + std::to_string(n);
}

} // namespace

Controls::Controls() {
    commands_.fill(kNoControl);
    labels_.fill(kNoControl);
    panels_.fill(kNoControl);
    gridCells_.fill(kNoControl);
    balls_.fill(kNoControl);
    images_.fill(kNoControl);
    timers_.fill(kNoControl);
    storedFrames_.fill(kNoControl);

    Control win = make("MainWindow", Kind::Window, kNoControl, {0, 0, 7230, 6795});
    win.caption = std::string(13, ' ');
    win.back = rgb(0, 0, 128);
    win.picture = Picture::AppIcon;
    window_ = add(win);

    // The four frames. Later siblings lie in front of earlier ones.
    auto frame = [&](int n, Box box, Colour fore) {
        Control c = panel3d(numbered("SSPanel", n), window_, box, PanelStyle::Frame, kGrey, fore,
                            kFrameFont);
        // The maker's mark stands at the right end of each frame, where no control
        // covers it; the two trailing blanks keep it off the bevel.
        c.caption = "KRN  ";
        c.align = Align::Right;
        panels_[static_cast<size_t>(n)] = add(c);
        return panels_[static_cast<size_t>(n)];
    };
    const ControlId buttonBar = frame(69, {60, 60, 7155, 615}, rgb(64, 0, 64));
    const ControlId numberBar = frame(70, {1800, 720, 5415, 1155}, kBlack);
    const ControlId slotBar = frame(66, {60, 1920, 7155, 615}, kBlack);
    const ControlId mainPanel = frame(6, {60, 2580, 7155, 4155}, kBlack);

    // The button bar.
    auto command = [&](int n, Control c) { commands_[static_cast<size_t>(n)] = add(std::move(c)); };
    command(
        7, button3d("SSCommand7", buttonBar, {60, 120, 735, 375}, "Çevir", kCommandBlue, kBarFont));
    command(9,
            button3d("SSCommand9", buttonBar, {840, 120, 495, 375}, "Gir", kCommandBlue, kBarFont));
    command(8, pictureButton("SSCommand8", buttonBar, {1380, 120, 390, 390}, Picture::DropIcon,
                             rgb(255, 255, 0), "Topları kupona aktar"));
    command(2, button3d("SSCommand2", buttonBar, {2040, 120, 735, 375}, "Sil", rgb(255, 0, 0),
                        kBarFont));
    command(
        3, button3d("SSCommand3", buttonBar, {2820, 120, 435, 375}, "Gir", kCommandBlue, kBarFont));
    Control sina =
        button3d("SSCommand4", buttonBar, {3300, 120, 795, 375}, "Sına", kCommandBlue, kBarFont);
    sina.enabled = false;
    command(4, sina);
    command(5, button3d("SSCommand5", buttonBar, {4140, 120, 795, 375}, "At Sına", kCommandBlue,
                        kBarFont));
    command(11, pictureButton("SSCommand11", buttonBar, {5100, 120, 375, 375}, Picture::AppIcon,
                              rgb(64, 0, 0), "Resimler"));
    command(6, button3d("SSCommand6", buttonBar, {5640, 120, 795, 375}, "Çık", rgb(0, 128, 128),
                        kBarFont));

    // The number display.
    const int labelLefts[7] = {0, 60, 900, 1680, 2460, 3240, 4020};
    for (int k = 1; k <= 6; ++k) {
        const int width = k == 1 ? 795 : 735;
        labels_[static_cast<size_t>(k)] =
            add(makeLabel(numbered("Label", k), numberBar, {labelLefts[k], 180, width, 735},
                          rgb(220, 218, 150), kBlack, kNumberFont));
    }

    // The slot bar: save, empty and load button, then the lamp above the indicator.
    struct SlotRow {
        const char* letter;
        int save, empty, load, lamp, indicator;
        int saveLeft, emptyLeft, loadLeft, lampLeft;
    };
    const SlotRow slotRows[kSlots] = {
        {"a", 14, 13, 12, 19, 14, 180, 480, 780, 1140},
        {"b", 17, 16, 15, 20, 15, 1440, 1740, 2040, 2400},
        {"c", 20, 19, 18, 21, 16, 2760, 3060, 3360, 3720},
        {"d", 23, 22, 21, 22, 17, 4080, 4380, 4680, 5040},
        {"e", 26, 25, 24, 23, 18, 5340, 5640, 5940, 6300},
    };
    for (const SlotRow& row : slotRows) {
        const std::string slot = row.letter;
        command(row.save, pictureButton(numbered("SSCommand", row.save), slotBar,
                                        {row.saveLeft, 120, 315, 375}, Picture::SaveKey, kBlack,
                                        slot + " yuvasına kaydet"));
        command(row.empty, pictureButton(numbered("SSCommand", row.empty), slotBar,
                                         {row.emptyLeft, 120, 315, 375}, Picture::EmptyBin, kBlack,
                                         slot + " yuvasını boşalt"));
        command(row.load, pictureButton(numbered("SSCommand", row.load), slotBar,
                                        {row.loadLeft, 120, 315, 375}, Picture::LoadArrow, kBlack,
                                        slot + " yuvasından yükle"));
        labels_[static_cast<size_t>(row.lamp)] = add(makeLabel(
            numbered("Label", row.lamp), slotBar, {row.lampLeft, 120, 135, 135}, kBlack, kBlack));
        labels_[static_cast<size_t>(row.indicator)] =
            add(makeLabel(numbered("Label", row.indicator), slotBar, {row.lampLeft, 360, 135, 135},
                          systemColour(kButtonFace), kBlack));
    }

    // The main panel: coupon cells, result panels and picture frames, with the grid frame
    // in front of them.
    for (int r = 1; r <= kColumns; ++r) {
        for (int i = 1; i <= 6; ++i) {
            const int n = 6 * r + i;
            panels_[static_cast<size_t>(n)] =
                add(panel3d(numbered("SSPanel", n), mainPanel,
                            {240 + 840 * (i - 1), 240 + 480 * (r - 1), 735, 375}, PanelStyle::Cell,
                            kGrey, kBlack, kCellFont));
        }
    }
    for (int r = 1; r <= kColumns; ++r) {
        panels_[static_cast<size_t>(54 + r)] = add(
            panel3d(numbered("SSPanel", 54 + r), mainPanel, {5280, 180 + 480 * (r - 1), 735, 495},
                    PanelStyle::Result, rgb(192, 192, 168), rgb(64, 0, 64), kResultFont));
    }
    const int framePanels[9] = {0, 1, 2, 3, 4, 5, 63, 64, 65};
    for (int r = 1; r <= kColumns; ++r) {
        const int n = framePanels[r];
        const ControlId holder =
            add(panel3d(numbered("SSPanel", n), mainPanel, {6120, 240 + 480 * (r - 1), 375, 375},
                        PanelStyle::PictureFrame, rgb(192, 192, 168), rgb(255, 192, 192)));
        panels_[static_cast<size_t>(n)] = holder;
        images_[static_cast<size_t>(r)] =
            add(make(numbered("Image", r), Kind::Image, holder, {120, 120, 135, 135}));
    }

    Control grid = panel3d("Basınç", mainPanel, {60, 180, 5115, 3855}, PanelStyle::Raised, kGrey,
                           rgb(255, 192, 192));
    grid.visible = false;
    basinc_ = add(grid);
    for (int n = 1; n <= 49; ++n) {
        Control cell = panel3d(numbered("bas", n), basinc_,
                               {180 + 540 * ((n - 1) % 9), 120 + 540 * ((n - 1) / 9), 435, 435},
                               PanelStyle::Raised, rgb(192, 164, 160), kCommandBlue, kGridFont);
        cell.caption = std::to_string(n);
        gridCells_[static_cast<size_t>(n)] = add(cell);
    }
    tamam_ =
        add(button3d("Tamam", basinc_, {3840, 3060, 1095, 555}, "Tamam", kBlack, kEntryButtonFont));
    vazgec_ = add(
        button3d("Vazgeç", basinc_, {2520, 3060, 1155, 555}, "Vazgeç", kBlack, kEntryButtonFont));

    // The drum, and the three pictures in front of it: Logo3 over Logo over Logo2.
    for (int i = 0; i <= 48; ++i) {
        balls_[static_cast<size_t>(i)] = add(panel3d(
            indexed("SSPanel67", i), window_, {120 + 180 * (i % 9), 780 + 180 * (i / 9), 135, 135},
            PanelStyle::Raised, systemColour(kMenuBackground), rgb(255, 192, 192)));
    }
    auto picture = [&](const char* name, Box box, Picture pic) {
        Control c = make(name, Kind::PictureBox, window_, box);
        c.back = rgb(255, 255, 255);
        c.picture = pic;
        c.visible = false;
        return add(c);
    };
    logo2_ = picture("Logo2", {120, 720, 1635, 1155}, Picture::Logo2);
    logo_ = picture("Logo", {60, 720, 1695, 1155}, Picture::Logo);
    logo3_ = picture("Logo3", {60, 720, 1695, 1160}, Picture::Logo3);

    // The stored wheel frames lie right of the client area and are never seen.
    for (int i = 0; i < 3; ++i) {
        Control c =
            make(indexed("Image9", i), Kind::Image, window_, {7980, 60 + 660 * i, 585, 600});
        c.picture = wheelFramePicture(i);
        storedFrames_[static_cast<size_t>(i)] = add(c);
    }

    const int intervals[9] = {0, 200, 150, 200, 100, 150, 200, 150, 200};
    for (int k = 1; k <= 8; ++k) {
        Control c = make(numbered("Timer", k), Kind::Timer, window_, {0, 0, 0, 0});
        c.interval = intervals[k];
        timers_[static_cast<size_t>(k)] = add(c);
    }

    changed_.assign(all_.size(), 0);
}

ControlId Controls::add(Control control) {
    const auto id = static_cast<ControlId>(all_.size());
    byName_.emplace(control.name, id);
    all_.push_back(std::move(control));
    return id;
}

ControlId Controls::find(std::string_view name) const {
    const auto it = byName_.find(std::string(name));
    return it == byName_.end() ? kNoControl : it->second;
}

void Controls::touch(ControlId id) {
    auto& flag = changed_[static_cast<size_t>(id)];
    if (!flag) {
        flag = 1;
        changedList_.push_back(id);
    }
}

void Controls::setCaption(ControlId id, std::string caption) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.caption != caption) {
        c.caption = std::move(caption);
        touch(id);
    }
}

void Controls::setBack(ControlId id, Colour colour) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.back != colour) {
        c.back = colour;
        touch(id);
    }
}

void Controls::setFore(ControlId id, Colour colour) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.fore != colour) {
        c.fore = colour;
        touch(id);
    }
}

void Controls::setVisible(ControlId id, bool visible) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.visible != visible) {
        c.visible = visible;
        touch(id);
    }
}

void Controls::setEnabled(ControlId id, bool enabled) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.enabled != enabled) {
        c.enabled = enabled;
        touch(id);
    }
}

void Controls::setPicture(ControlId id, Picture picture) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.picture != picture) {
        c.picture = picture;
        touch(id);
    }
}

void Controls::setHint(ControlId id, std::string hint) {
    auto& c = all_[static_cast<size_t>(id)];
    if (c.hint != hint) {
        c.hint = std::move(hint);
        touch(id);
    }
}

bool Controls::shown(ControlId id) const {
    for (ControlId at = id; at != kNoControl; at = all_[static_cast<size_t>(at)].container) {
        if (!all_[static_cast<size_t>(at)].visible) {
            return false;
        }
    }
    return true;
}

int Controls::windowLeft(ControlId id) const {
    int left = 0;
    for (ControlId at = id; at != kNoControl; at = all_[static_cast<size_t>(at)].container) {
        left += all_[static_cast<size_t>(at)].left;
    }
    return left;
}

int Controls::windowTop(ControlId id) const {
    int top = 0;
    for (ControlId at = id; at != kNoControl; at = all_[static_cast<size_t>(at)].container) {
        top += all_[static_cast<size_t>(at)].top;
    }
    return top;
}

std::vector<ControlId> Controls::takeChanged() {
    for (ControlId id : changedList_) {
        changed_[static_cast<size_t>(id)] = 0;
    }
    return std::exchange(changedList_, {});
}

} // namespace krn
