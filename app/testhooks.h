#pragma once

class QDialog;
class QSingleApplication;
class QWidget;

// Ways for the program-level tests to watch and drive a running instance, switched on only
// by environment variables:
// - TAMREL_ECHO_MESSAGES=1 (installStartHooks): prints "READY" once an event loop runs (the
//   login dialog's) and "MESSAGE <text>" for every single-instance message received, on
//   stdout; the program quits when its standard input reaches its end.
// - TAMREL_LOGIN_SCREENSHOT=<file.png> (installLoginHooks): saves a picture of the login
//   dialog shortly after it is shown, prints "SCREENSHOT <file>" (or "SCREENSHOT FAILED
//   <file>") and closes the dialog, which ends the program.
// - TAMREL_AUTOLOGIN=1 (installLoginHooks): presses the login button once the dialog shows
//   (a guest login unless an account is stored).
// - TAMREL_SCREENSHOT=<file.png> (installWindowHooks): saves a picture of the main window
//   shortly after it is shown, prints "SCREENSHOT <file>", and quits (exit code 1 when the
//   file could not be written).
void installStartHooks(QSingleApplication &app);
void installLoginHooks(QDialog *login);
void installWindowHooks(QSingleApplication &app, QWidget &window);
