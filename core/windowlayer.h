#pragma once

// Puts one of the program's windows on top of the window manager's stay-on-top layer (EWMH
// _NET_WM_STATE_ABOVE, as the user's "always on top" does). The requests go on Qt's own
// connection to the X server, so they keep their order with Qt's: a window shown just before is
// dealt with first.
//
// A manager stacks a modal window with its parent (openbox raises the parent in its stead), so
// the window is made transient for the program as a whole (for the root window, ICCCM's group
// transient) instead of for its parent; the manager then gives the focus back to the window
// that had it when the window goes. Both last until the window is next hidden: the manager drops
// the layer of a withdrawn window and Qt writes the parent anew at its next showing. Does
// nothing off X11.

class QWindow;

void liftIntoStayOnTopLayer(QWindow *window);
