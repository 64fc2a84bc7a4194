#pragma once

// A window hidden while it was minimized (a dialog as the program was, a window closed from the
// task bar) shows normal at its next showing, and leaves the window it stands over as it is. A
// manager may let such a window go without saying so (openbox removes its state): Qt then still
// records it as minimized, maps it minimized the next time, and the manager minimizes the main
// window with it.
//
// Installed once, for the whole program.
void forgetMinimizedAsWindowsGo();

// The program goes down and comes back as one with its boxes, and a box shows with it. A box or
// modal dialog up while the main window is minimized would take the keyboard with nothing it
// blocks on the screen, and one down would leave the windows it blocks up with dead buttons; a
// manager minimizes only the windows a box is the dialog of (a box may stand over a window that
// stays on top). So a box minimized on its own (its title bar's button, a pager), or left up as
// the main window goes down, goes down with the program. Whichever of the program's windows the
// manager brings back (a task bar, a pager), and any box that opens while the program is down,
// brings back what went down: each box above the windows it stands over, with the keyboard. A
// window the user minimized before stays so.
//
// Installed once, for the whole program.
void minimizeTheProgramWithItsBoxes();
