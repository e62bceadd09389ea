// An empty title on the desktop. Qt's platforms put the application's name in the title bar
// of a window whose title is empty; the picture sequence ends on an empty title bar.
#pragma once

class QWidget;

namespace krn {

// Call after QWidget::setWindowTitle with the empty text. Under X11 it empties _NET_WM_NAME,
// which Qt has just set to the application's name and which window managers prefer, and
// WM_NAME with it. On Wayland it sends the empty title to the window's xdg_toplevel, which
// Qt's platform interface hands out; the compositor decides what its title bar then shows.
// Elsewhere (the offscreen platform of the tests) it does nothing.
void keepTitleEmpty(QWidget& window);

} // namespace krn
