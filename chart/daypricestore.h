#pragma once

// The per-stock day-price files: one SQLite file per stock, named by its code, in the day folder
// of the data directory, with the one table T_Price of ":/day.ini". Rows are never deleted; a
// stored day changes only when a package brings a later modify time for it.

#include "qpricerecord.h"

#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>

// A code is used as a file name: only letters, digits, "." (not leading), "-" and "_".
bool isPlainStockCode(const QString &code);

// <data dir>/<day folder>/<code>; empty for a code that is not a plain file name.
QString dayPriceFilePath(const QString &code);

// Whether db, open on an existing file, can serve as a price file: SQLite opened it as a
// database and its quick check finds the file sound.
bool isSoundPriceFile(QSqlDatabase db);

// Moves a price file that cannot be used, with its WAL and shared-memory files, out of the way
// to "<path>.damaged" (replacing an older one there), so that a new file can take its place and
// the old one is still there to look at. True when nothing is left at path.
bool setAsideDayPriceFile(const QString &path);

// Creates T_Price when the file lacks it (a new file, or one left without its table).
bool ensurePriceTable(QSqlDatabase db);

struct DayImportResult
{
    bool ok = false;     // the package was read and its rows committed
    bool badPackage = false; // not ok because the text is no day-price package
    QString error;       // why not, for the log and the user
    int rows = 0;        // rows in the package
    int inserted = 0;
    int updated = 0;
    int skipped = 0;     // malformed rows (bad date, modify time or number)
};

// The rows of a day-price package ({"data": [{"dt", "pO", "pH", "pL", "pC", "ch", "fc", "tM"}...]});
// false for an empty or unparsable text, or one without a "data" array.
bool parseDayPackage(const QString &packageText, QJsonArray *rows);

// Writes the rows into db in one transaction, creating the table when it is missing.
// progress(i, n) is called before row i.
DayImportResult importDayPrices(QSqlDatabase db, const QJsonArray &rows,
                                const std::function<void(int, int)> &progress = {});
// Both steps; a package that does not parse touches nothing.
DayImportResult importDayPrices(QSqlDatabase db, const QString &packageText);

struct DayPriceStatus
{
    bool ok = false; // false: the file could not be counted (no table, not a database)
    int count = 0;
    QDateTime newest; // the latest Prc_DtModify
};

DayPriceStatus readDayPriceStatus(QSqlDatabase db);

// Every stored day, oldest first; *ok, when given, says whether all of them could be read.
QList<QPriceRecord> readDayPrices(QSqlDatabase db, bool *ok = nullptr);

// Whether the file is behind what the stock cache reports: fewer rows than the cache's count, or
// an older newest modify time (at whole seconds). A file that cannot be counted is stale.
bool isDayPriceStale(const DayPriceStatus &status, int cacheCount, const QDateTime &cacheTime);
