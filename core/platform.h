#pragma once

// What the program asks of the operating system: where the user's data lives, which
// system this is (for the User-Agent), and the desktop area a window is centred in.

#include <QRect>
#include <QString>

// The per-user application data folder, ~/.local/share/Tamrel/Tamrel on Linux. Sets the
// organisation and application names to the product's own first, so the folder does not
// depend on the name of the executable.
QString platformDataLocation();

// "WinNT" .. "Win8" or "Windows" on Windows, "Linux" on Linux, else the product type.
QString platformOsName();

// Available geometry of screen index 1 when there is one, else of the primary screen.
QRect platformCentringArea();
