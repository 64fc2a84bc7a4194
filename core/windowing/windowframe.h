#pragma once

// The frame a window manager has drawn around one of the program's windows, as the manager
// tells it (EWMH _NET_FRAME_EXTENTS), for placing a window by its frame.
//
// Qt's own record (QWindow::frameMargins) will not do for that: it cannot tell a frame not known
// yet from none at all (kwin without a decoration theme gives every window none), and until the
// manager has set the extents it measures the windows around the window instead, which kwin
// builds from a frame of one pixel: margins of minus the window's size, kept until it next moves.

#include <QEvent>
#include <QMargins>

#include <optional>

class QWindow;

// The window's frame as its manager set it; none until the manager has taken the window on and
// shows it (held up, withdrawn, minimized, or no EWMH manager). A window that asked for no frame
// has none: managers set no extents on it, or zeros. Off X11, Qt's record where it has one.
std::optional<QMargins> managedFrame(const QWindow *window);

// The event a window of the program is sent each time its manager sets its frame extents or
// takes it on, for the event filters that place it. kwin sets the extents only after it has
// mapped the window, once Qt has told it exposed; Qt itself tells nothing then. A move to where
// the window stands comes first, so that its widget reads the frame again. The events come once
// this is first asked.
QEvent::Type frameSetEventType();

// Tells the window manager the window draws its own title bar and edges, with no margin of
// shadow around them (GTK's _GTK_FRAME_EXTENTS, all zero). metacity and mutter take a frameless
// window that asks for the whole monitor for an old program going full screen, and then keep
// it full screen whatever size it asks for next; they never do so with a window that draws its
// own decorations. Does nothing off X11.
void declareOwnDecorations(QWindow *window);
