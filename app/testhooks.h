#pragma once

class QSingleApplication;
class QWidget;

// Ways for the program-level tests to watch a running instance, switched on only by
// environment variables:
// - TAMREL_ECHO_MESSAGES=1: prints "READY" once the event loop runs and
//   "MESSAGE <text>" for every single-instance message received, on stdout; the program
//   quits when its standard input reaches its end.
// - TAMREL_SCREENSHOT=<file.png>: saves a picture of the main window to the file shortly
//   after it is shown, prints "SCREENSHOT <file>", and quits (exit code 1 when the file
//   could not be written).
void installTestHooks(QSingleApplication &app, QWidget &window);
