#pragma once

// The start-of-session work on the data directory, run by the login before the database opens:
// the move to the folder chosen in the about box (Option/NewDataDir), the removal of the report
// folder of an older layout, and the one-time import of the lists that older versions kept in the
// user's settings file. Runs on the GUI thread while nothing else uses the data directory.

#include <QString>
#include <QVector>

#include <functional>

using MigrationStatus = std::function<void(const QString &)>;

// The three steps in order, on the global state; each shows its progress through showStatus.
void migrateLocalData(const MigrationStatus &showStatus = {});

// Moves data.s3 and the report-file and day-price folders (LocalDir/File, LocalDir/Day) from
// oldDir to newDir, creating newDir first; an item whose target exists already stays where it
// is. Then newDir becomes the data directory and Option/NewDataDir is cleared. When newDir
// cannot be created nothing moves, the data directory stays and the choice is kept for the next
// start; the result is then false.
bool moveDataDirectory(const QString &oldDir, const QString &newDir);

// Moves the database file with its "-wal" and "-shm" companions (the WAL may hold committed
// transactions). Companions left in the target folder by a database that is no longer there are
// removed first, so SQLite never replays them onto the moved file. All or nothing: false leaves
// every file where it was. Connections to the file must be closed.
bool moveDatabaseFile(const QString &fromPath, const QString &toPath);

// The report folder of the older layout: "pdf" in the program's own default data location. A
// "pdf" folder in a data directory that the user chose is the user's and is never touched.
QString legacyReportDir();

// Removes a directory with everything in it. Read-only files and folders are made writable first.
// A symbolic link, also when it is path itself, is removed as a link; its target stays untouched.
// True when the directory is gone (or never existed).
bool removeDirectory(const QString &path);

// One group of the legacy forms "name[a,b,...],name[...]": the name before the first "[" and
// the body after it (both the whole piece when it has no "[").
struct LegacyGroup
{
    QString name;
    QString body;
};
QVector<LegacyGroup> splitLegacyGroups(const QString &text);

// The content of a legacy subscription body "ttl,ath,cod" (cod may hold commas; a missing part
// takes the remaining text): the JSON object {"ttl","ath","cod"} without blanks, percent-encoded.
QString legacySubscribeContent(const QString &body);

// Imports Portfolio/List, Block/List, Inst/List, Tag/List and Subscribe/List of the settings file
// into the user lists, stamped so that they are uploaded, and empties each key it imported.
void importLegacyLists(const QString &settingsPath, const MigrationStatus &showStatus = {});
