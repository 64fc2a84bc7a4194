#pragma once

// Puts one of the program's windows into the window manager's stay-on-top layer (EWMH
// _NET_WM_STATE_ABOVE, as the user's "always on top" does) and raises it there. The requests go
// on Qt's own connection to the X server, so they keep their order with Qt's own: a window shown
// or raised just before is dealt with first.
//
// A manager raises a modal window's parent in its stead (openbox does), with the window only
// in that parent's layer, so the window is made transient for the program as a whole (for the
// root window, ICCCM's group transient) instead of for its parent. Both last until the window is
// next hidden: the manager drops the layer of a withdrawn window and Qt writes the parent anew
// at its next showing. Does nothing off X11.

class QWindow;

void liftIntoStayOnTopLayer(QWindow *window);
