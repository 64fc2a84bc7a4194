#pragma once

class QWidget;

// Gives a dialog the keyboard each time it shows, as the user who opened it with a click
// expects. The window manager activates the window it maps, but a busy one takes a while, and
// keys typed meanwhile go to the window that had the focus: until the dialog is active, the keys
// typed into the program's other windows go to it. The second click of the double-click that
// opened it lands on the window clicked, which the manager then activates: the dialog asks for
// the focus back and has the keys until it is active again. Any other click in the program ends
// the claim, and so does hiding.
void takeKeyboardWhenShown(QWidget *dialog);
