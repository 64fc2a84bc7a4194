#pragma once

// A window manager that focuses on a click holds each click on a window up until it has dealt
// with it, while the keyboard goes on to the focused window: keys typed behind a click the
// manager is slow with would go to the window the click leaves, not to the one it opens. On X,
// from the first call on, such keys are kept until the click has reached the program, then
// handed to it behind the click; only while the button is down inside one of the program's own
// windows, so that keys typed while a button is held elsewhere (another program, a title bar)
// arrive at once. Does nothing on other platforms.
void keepKeysBehindHeldClicks();
