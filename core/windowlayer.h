#pragma once

// Asks the window manager of an X display to keep a mapped window in its stay-on-top layer
// (_NET_WM_STATE_ABOVE), as the user's "always on top" does, without touching Qt's own flags:
// changing those makes Qt create the native window again at its next showing. The manager
// drops the state when the window is withdrawn. Does nothing on other platforms.
#include <QtGlobal>
#include <qwindowdefs.h>

void keepMappedWindowAbove(WId window);
