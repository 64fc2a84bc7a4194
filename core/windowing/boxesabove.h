#pragma once

// The window manager stacks the program's stay-on-top windows (a download's progress, the
// alerts, the message strip) above every ordinary window, and a box among the ordinary ones:
// opened while one of them is up, it would be hidden behind it, and the program would look
// frozen. So, one rule: while one of them is up, a box or other modal window is the dialog
// (ICCCM's transient) of the window on top shown last, or of the box it opens over; a manager
// keeps a dialog above its window, in that window's layer. When a window on top is shown or
// raised while boxes are open, the first box becomes its dialog and the boxes are raised again,
// in the order they were opened; when the manager stacks another window on top above the first
// box (it may decline to raise one), the box stands over that one; when the window a box stands
// over goes, the box stands over the next one, or over its own window again.
//
// Installed once, for the whole program.
void keepBoxesAboveStayOnTopWindows();
