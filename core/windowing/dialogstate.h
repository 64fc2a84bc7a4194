#pragma once

// A dialog or box hidden while the program was minimized shows normal at its next showing, and
// leaves the window it stands over as it is. A manager may let such a window go without saying
// so (openbox removes its state): Qt then still records it as minimized, maps it minimized the
// next time, and the manager minimizes the main window with it.
//
// Installed once, for the whole program.
void forgetMinimizedAsDialogsGo();

// The program goes down and comes back as one with its boxes. A box or modal dialog up while the
// main window is minimized would take the keyboard with nothing it blocks on the screen, and one
// down would leave the windows it blocks up with dead buttons; a manager minimizes only the
// windows a box is the dialog of (a box may stand over a window that stays on top). So a box
// minimized on its own (its title bar's button, a pager), or left up as the main window goes
// down, or opening while it is down, goes down with the program; whichever of the program's
// windows the manager brings back (a task bar, a pager), what went down with it comes back, the
// box above its window with the keyboard. A window the user minimized before stays so.
//
// Installed once, for the whole program.
void minimizeTheProgramWithItsBoxes();
