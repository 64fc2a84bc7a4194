#pragma once

// A dialog or box hidden while the program was minimized shows normal at its next showing, and
// leaves the window it stands over as it is. A manager may let such a window go without saying
// so (openbox removes its state): Qt then still records it as minimized, maps it minimized the
// next time, and the manager minimizes the main window with it.
//
// Installed once, for the whole program.
void forgetMinimizedAsDialogsGo();
