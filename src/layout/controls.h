// The window's control inventory, and the only place that knows how a control's number
// follows from what it shows: every index formula is one accessor here.
#pragma once

#include "layout/control.h"

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace krn {

inline constexpr int kSlots = 5;
inline constexpr int kColumns = 8;

class Controls {
  public:
    // Builds every control in its design state.
    Controls();

    const Control& operator[](ControlId id) const { return all_[static_cast<size_t>(id)]; }
    int size() const { return static_cast<int>(all_.size()); }
    // kNoControl when there is no control of that name.
    ControlId find(std::string_view name) const;

    void setCaption(ControlId id, std::string caption);
    void setBack(ControlId id, Colour colour);
    void setFore(ControlId id, Colour colour);
    void setVisible(ControlId id, bool visible);
    void setEnabled(ControlId id, bool enabled);
    void setPicture(ControlId id, Picture picture);
    void setHint(ControlId id, std::string hint);

    // Visible, and so is every container up to the window.
    bool shown(ControlId id) const;
    // The position in window client coordinates, in twips.
    int windowLeft(ControlId id) const;
    int windowTop(ControlId id) const;

    // The controls whose record changed since the last call, each once, in order of change.
    std::vector<ControlId> takeChanged();
    bool anyChanged() const { return !changedList_.empty(); }

    ControlId window() const { return window_; }
    ControlId command(int n) const { return commands_.at(static_cast<size_t>(n)); }
    ControlId label(int n) const { return labels_.at(static_cast<size_t>(n)); }
    ControlId panel(int n) const { return panels_.at(static_cast<size_t>(n)); }
    ControlId basinc() const { return basinc_; }
    ControlId tamam() const { return tamam_; }
    ControlId vazgec() const { return vazgec_; }
    ControlId logo() const { return logo_; }
    ControlId logo2() const { return logo2_; }
    ControlId logo3() const { return logo3_; }

    // Number n (1..49) on the grid: bas<n>.
    ControlId gridCell(int n) const { return gridCells_.at(static_cast<size_t>(n)); }
    // Number n (1..49) on the drum: SSPanel67(n-1).
    ControlId ball(int n) const { return balls_.at(static_cast<size_t>(n - 1)); }
    // Number i (1..6) of coupon column c (1..8): SSPanel(6c+i).
    ControlId couponCell(int c, int i) const { return panel(6 * c + i); }
    // The hit count of coupon column c: SSPanel(54+c).
    ControlId resultPanel(int c) const { return panel(54 + c); }
    // Label k (1..6) shows number k of the pick or the draw.
    ControlId numberLabel(int k) const { return label(k); }
    // Slots 0..4 are a..e.
    ControlId slotLamp(int s) const { return label(19 + s); }
    ControlId slotIndicator(int s) const { return label(14 + s); }
    ControlId saveButton(int s) const { return command(14 + 3 * s); }
    ControlId emptyButton(int s) const { return command(13 + 3 * s); }
    ControlId loadButton(int s) const { return command(12 + 3 * s); }
    // Wheel k (1..8): Image<k>, turned by Timer<k>.
    ControlId wheelImage(int k) const { return images_.at(static_cast<size_t>(k)); }
    ControlId timer(int k) const { return timers_.at(static_cast<size_t>(k)); }
    // The stored frames Image9(0..2).
    ControlId storedFrame(int i) const { return storedFrames_.at(static_cast<size_t>(i)); }

  private:
    ControlId add(Control control);
    void touch(ControlId id);

    std::vector<Control> all_;
    std::vector<char> changed_;
    std::vector<ControlId> changedList_;
    std::unordered_map<std::string, ControlId> byName_;

    ControlId window_{kNoControl};
    ControlId basinc_{kNoControl};
    ControlId tamam_{kNoControl};
    ControlId vazgec_{kNoControl};
    ControlId logo_{kNoControl};
    ControlId logo2_{kNoControl};
    ControlId logo3_{kNoControl};
    std::array<ControlId, 27> commands_{};
    std::array<ControlId, 24> labels_{};
    std::array<ControlId, 71> panels_{};
    std::array<ControlId, 50> gridCells_{};
    std::array<ControlId, 49> balls_{};
    std::array<ControlId, 9> images_{};
    std::array<ControlId, 9> timers_{};
    std::array<ControlId, 3> storedFrames_{};
};

} // namespace krn
