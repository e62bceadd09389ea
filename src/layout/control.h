// The window's controls as plain data. The handlers change these records; the view
// paints them and nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace krn {

// A colour is either an RGB triple or one of the desktop's own colours, which only the
// view can resolve (number 4: menu background, number 15: button face).
struct Colour {
    int r{0};
    int g{0};
    int b{0};
    int system{0};

    friend bool operator==(const Colour&, const Colour&) = default;
};

constexpr Colour rgb(int r, int g, int b) {
    return Colour{r, g, b, 0};
}
constexpr Colour systemColour(int number) {
    return Colour{0, 0, 0, number};
}

inline constexpr int kMenuBackground = 4;
inline constexpr int kButtonFace = 15;

enum class Kind { Window, Panel, Button, Label, Image, PictureBox, Timer };

// Bevel layouts of the 3-D panels: outer bevel, a band of the back colour, inner bevel.
enum class PanelStyle { None, Raised, Frame, Cell, Result, PictureFrame };

enum class Bevel { None, Raised, Inset };

struct PanelBevels {
    Bevel outer{Bevel::None};
    int outerWidth{0};
    int band{0};
    Bevel inner{Bevel::None};
    int innerWidth{0};
};

constexpr PanelBevels bevelsOf(PanelStyle style) {
    switch (style) {
    case PanelStyle::Raised:
        return {Bevel::Raised, 1, 3, Bevel::None, 0};
    case PanelStyle::Frame:
        return {Bevel::None, 0, 0, Bevel::Raised, 3};
    case PanelStyle::Cell:
        return {Bevel::Inset, 1, 3, Bevel::Inset, 1};
    case PanelStyle::Result:
        return {Bevel::Inset, 2, 3, Bevel::None, 0};
    case PanelStyle::PictureFrame:
        return {Bevel::Raised, 2, 2, Bevel::Inset, 2};
    case PanelStyle::None:
        break;
    }
    return {};
}

enum class Face { MsSansSerif, TimesNewRoman };

struct Font {
    Face face{Face::MsSansSerif};
    double points{8.25};
    bool bold{false};
    bool italic{false};

    friend bool operator==(const Font&, const Font&) = default;
};

enum class Picture {
    None,
    AppIcon,
    DropIcon,
    SaveKey,
    EmptyBin,
    LoadArrow,
    Logo,
    Logo2,
    Logo3,
    Wheel0,
    Wheel1,
    Wheel2,
};

constexpr Picture wheelFramePicture(int frame) {
    return static_cast<Picture>(static_cast<int>(Picture::Wheel0) + frame);
}

enum class Align { Centre, Left, Right };

using ControlId = int;
inline constexpr ControlId kNoControl = -1;

struct Control {
    std::string name;
    Kind kind{Kind::Panel};
    ControlId container{kNoControl};
    // Position and size in twips, relative to the container's client area.
    int left{0};
    int top{0};
    int width{0};
    int height{0};
    std::string caption;
    Colour back{};
    Colour fore{};
    Font font{};
    PanelStyle style{PanelStyle::None};
    Align align{Align::Centre};
    bool border{false};
    bool visible{true};
    bool enabled{true};
    Picture picture{Picture::None};
    int interval{0};
    // What a screen reader and a hover tip say of a control that shows no caption.
    std::string hint;
};

inline constexpr int kTwipsPerPixel = 15;

} // namespace krn
