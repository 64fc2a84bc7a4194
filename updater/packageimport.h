#pragma once

// Data packages: what a package is by its file name, how its text is read, and the import of
// its rows into data.s3.
//
// importPackage() is the whole procedure for one package: it reads the text, opens one
// transaction, lets the importer of the name's kind write every row, writes the package's
// T_Data record when asked to, and commits; on any failure it rolls back, so a package is
// either stored whole and recorded, or not at all and fetched again. Values are bound, never
// pasted into SQL. Importers run on the calling thread's connection and report through the
// callbacks of an ImportContext, so they are tested without the engine.

#include <QDateTime>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QString>

#include <functional>

enum class PackageKind {
    Unknown,
    Report,
    ReportDelete,
    Rating,
    Estimate,
    EstimateDelete,
    Matrix,
    Finance,
    Consensus,
    Ace,
    Recommend,
    Stock,
    Analyst,
    AnalystDelete,
};

// By the name's prefix, case-sensitive: "RPTDEL" before "RPT", "ESTDEL" before "EST",
// "ANLDEL" before "ANL"; "RAT..." is always a rating package.
PackageKind packageKind(const QString &name);

// The key of T_Data: the name cut before its first ".", then before its first "_".
QString packageBaseName(const QString &name);

// The year of a monthly package: up to four characters after the first "MTH" of the base name,
// read as a decimal number; 0 when there is no "MTH" or no number.
int monthlyPackageYear(const QString &baseName);

// Monthly packages of years before the user's first data year are not fetched.
bool isSkippedMonthlyPackage(const QString &baseName, int dataYear);

// What the importers tell the rest of the program, and the settings they read, taken once per
// package.
struct ImportContext
{
    std::function<void(const QString &text)> status;
    std::function<void(const QString &id, const QString &title, const QString &institution,
                       const QString &type, const QDateTime &entryTime, const QDateTime &publishDate)>
        message;
    std::function<void(const QString &kind, const QString &id)> alert;
    std::function<void(const QString &stockCode)> blockTip;
    std::function<bool(const QString &stockCode)> isBlockedStock;

    bool messageShow = false;   // Option/MessageShow is 1
    int ratingDays = 180;
    bool alertFirstRating = false;   // "RAT_ACT_INI"
    bool alertUpgrade = false;       // "RAT_ACT_UPG"

    // The settings of the global state and isBlockedStock of the user lists; no callbacks.
    static ImportContext fromSettings();
};

struct ImportResult
{
    enum Status {
        Imported,
        NotJson,         // the text does not parse; nothing was written
        DatabaseFailed,  // a statement could not run or the commit failed; rolled back
    };
    Status status = Imported;
    int rows = 0;        // rows of the package
    int inserted = 0;
    int updated = 0;
    int deleted = 0;     // statements of delete packages and RCM rows below 1 that ran
    int unchanged = 0;   // rows whose stored copy is as new or newer
    int skipped = 0;     // rows with a malformed number or key, or whose statement was refused
    QString error;

    bool ok() const { return status == Imported; }
};

// The rows of a package text (UTF-8, read up to its first NUL byte). False when the text is not
// JSON. JSON without a "data" array has no rows.
bool readPackageRows(const QByteArray &text, QJsonArray *rows);

// The T_Data record that importPackage writes with the package's rows.
struct DataRecord
{
    QString baseName;
    QString time;   // the index's "tM" of the package
};

ImportResult importPackage(QSqlDatabase db, const QString &name, const QByteArray &text, ImportContext &context,
                           const DataRecord *record = nullptr);

// The same for rows already read.
ImportResult importPackageRows(QSqlDatabase db, const QString &name, const QJsonArray &rows, ImportContext &context,
                               const DataRecord *record = nullptr);

// Writes (or replaces) one T_Data record on db, inside whatever transaction is open.
bool saveDataRecord(QSqlDatabase db, const DataRecord &record, QString *error = nullptr);
