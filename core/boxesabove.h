#pragma once

// The window manager stacks the program's stay-on-top windows (a download's progress, the
// alerts, the message strip) above every ordinary window, and a box among the ordinary ones:
// opened while one of them is up, it would be hidden behind it, and the program would look
// frozen. So, one rule: a box or other modal window that is open while one of them is up stands
// in their layer, above them. Shown while one is up, it goes there at once; when one is shown
// while it is open, the open modal windows go above that one, those opened later above those
// opened earlier. They leave the layer as they hide, and the manager gives the focus back to
// the window that had it before (windowlayer.h).
//
// Installed once, for the whole program.
void keepBoxesAboveStayOnTopWindows();
