#pragma once

class QWidget;

// Keeps a dialog's frame centred over the anchor's frame when the dialog shows. Qt centres the
// inner rectangle by a guess of the frame; a window manager frames the dialog only on its way to
// the screen and may place it where it likes, so the dialog is placed again as the manager moves
// it, when it is exposed and when the manager tells its frame (EWMH frame extents). Exposed
// with its frame told, it is left where the user moves it.
void centreOverWhenShown(QWidget *dialog, QWidget *anchor);

// Centres a frameless window in its screen's available area each time it shows, and moves it
// there again once the window manager has mapped it. A manager frames a frameless window without
// a word to the program (the window does not move inside its frame), and Qt's record of the
// position may have been read while the new frame still stood at the screen's origin; everything
// placed from that record (the dialogs centred over the window) would then be off. The move after
// mapping makes the record what the screen shows.
void centreOnScreenWhenShown(QWidget *window);
