#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

// SQLite connections. This is the only code that calls QSqlDatabase::addDatabase.
//
// Qt refuses a connection from any thread but the one that created it, so every thread gets its own:
// - the GUI thread (the application object's thread) uses the connection named "MainDB";
// - any other thread uses "MainDB/<n>", opened on first use in that thread and removed as the thread
//   exits (after everything the thread deleted on its way out, so just after QThread::wait() returns),
//   or earlier by closeMainDatabase() from that thread. A worker whose thread may still be exiting
//   while the program ends (the update engine) calls closeMainDatabase() itself before it finishes.
// All of them open the same file, <data dir>/data.s3. Each connection is opened with a busy timeout and
// switched to WAL, so the GUI keeps reading (and writing its read flags) while the update engine
// imports a package in one transaction on its own connection.
//
// WAL keeps "data.s3-wal" and "data.s3-shm" beside the file while connections are open: whatever moves
// or removes data.s3 must close the connections first and carry those files too.
//
// Other SQLite files go through sqliteConnection() under a base name of their own.

extern const char kMainDbConnectionName[]; // "MainDB"
extern const char kMainDbFileName[];       // "data.s3"
constexpr int kSqliteBusyTimeoutMs = 10000;

// The folder that holds data.s3; set before the first mainDatabase() call (the login does it).
void setMainDatabaseDir(const QString &dataDir);
QString mainDatabaseDir();
QString mainDatabasePath();

// The calling thread's connection to data.s3, open. The folder is created when missing. The result is
// not open when no folder was set or the file cannot be opened as a database.
QSqlDatabase mainDatabase();

// Closes and removes the calling thread's connection to data.s3. Queries made on it must be gone.
void closeMainDatabase();

// Settings of the calling thread's own for its connection to data.s3 (the update engine's): setUp
// runs on the connection now when it is open, and each time mainDatabase() opens it, after the
// settings every connection gets. Other threads' connections keep those alone.
void setMainDatabaseSetUp(const std::function<void(QSqlDatabase)> &setUp);

// The calling thread's connection under baseName (named as above) to filePath, open, with WAL and the
// busy timeout. A connection of that base name to another file is closed and reopened on filePath.
QSqlDatabase sqliteConnection(const QString &baseName, const QString &filePath);

// Closes and removes the calling thread's connection under baseName, if it has one.
void closeSqliteConnection(const QString &baseName);

// The name the calling thread's connection under baseName has or would have.
QString sqliteConnectionName(const QString &baseName);
