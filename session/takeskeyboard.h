#pragma once

class QWidget;

// Gives a dialog the keyboard each time it shows, as the user who opened it with a click
// expects: the dialog asks to be activated, and until it is active the keys typed into the
// program's other windows go to it (a busy window manager may take a while, and keys meanwhile
// go to the window that had the focus). The second click of the double-click that opened it
// lands on the window clicked, which the manager then activates: the dialog asks again and
// has those keys too. Any other click in the program ends the claim, and so does hiding.
void takeKeyboardWhenShown(QWidget *dialog);
