#pragma once

// A dialog or box hidden while the program was minimized shows normal at its next showing, and
// leaves the window it stands over as it is. A manager may let such a window go without saying
// so (openbox removes its state): Qt then still records it as minimized, maps it minimized the
// next time, and the manager minimizes the main window with it.
//
// Installed once, for the whole program.
void forgetMinimizedAsDialogsGo();

// A box or modal dialog minimized on its own (its title bar's button, a pager) would leave the
// windows it blocks on the screen with nothing to answer, for a manager minimizes only the
// windows it is the dialog of (a box may stand over a window that stays on top). So the program
// goes down with it; brought back (its task bar entry, a pager), the box shows again above its
// window, with the keyboard.
//
// Installed once, for the whole program.
void minimizeTheProgramWithItsBoxes();
