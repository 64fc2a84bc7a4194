#pragma once

// The window manager stacks the program's stay-on-top windows (a download's progress, the
// alerts, the message strip) above every ordinary window, and a box stands among the ordinary
// ones, above its own parent only: opened while one of them is up, it would be hidden behind
// it, and the program would look frozen. So a box or modal dialog shown while one is up is tied
// to the one that came up last (or to the box already tied above it), which the manager keeps
// it above; it gets its own parent back as soon as either of the two hides, and its own parent
// has the focus back when it closes. A manager ties nothing to a splash window (the message
// strip): a box shown while that one came up last goes into the stay-on-top layer itself.
//
// Installed once, for the whole program.
void keepBoxesAboveStayOnTopWindows();
