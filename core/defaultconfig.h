#pragma once

#include <QString>

// Reads the embedded configuration ":/config.ini" into the global state, then the OS name,
// the data location and the program's folder. Called once at start, before anything reads
// the state.
//
// When the environment variable TAMREL_HOSTS names an INI file, the values it holds of
// [ServiceHost] Host0/Host1 (JSON {"name", "host"}), [ObjectHost] Host, [Url] Register,
// Password, Card, Share and [Contact] Website replace the embedded ones (tests and the
// local stand-in use other ports).
void loadDefaultConfig();

// The same from another file (tests).
void loadDefaultConfig(const QString &path);
