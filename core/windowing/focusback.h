#pragma once

// A dialog, a box or the stock lookup that goes while it has the keyboard gives it back to the
// window the user was in when it came, before it is unmapped. Left to the window manager, the
// focus would go where that manager likes: to the window the dialog stood over (one that stays
// on top), to the topmost window, to the one focused before; or, while the manager is held up,
// nowhere, and the keys typed meanwhile would be lost.
//
// Installed once, for the whole program.
void giveFocusBackAsModalWindowsGo();
