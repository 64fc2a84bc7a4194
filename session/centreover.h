#pragma once

class QWidget;

// Keeps a dialog's frame centred over the anchor's frame when the dialog shows. Qt centres the
// inner rectangle by a guess of the frame; a window manager that frames the dialog only after it
// maps leaves it off centre (or where the manager likes), so the dialog is placed again once its
// frame is known. Once centred with its frame, the dialog is left where the user moves it.
void centreOverWhenShown(QWidget *dialog, QWidget *anchor);
