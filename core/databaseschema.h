#pragma once

#include <QJsonObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <functional>

// Tables and indexes are described in INI files: group [Tables] maps a table name to a JSON object
// {"fields": [{"name", "type", "pk", "unique", "valid"}...], "valid"}, group [Indexes] an index name
// to {"table", "fields": [{"name", "order"}...], "unique", "valid"}, and [Database] Version is the
// schema version. Absent numbers read as 0; only entries with "valid" > 0 are created.

struct SchemaEntry
{
    QString name;
    QJsonObject schema; // empty when the value is not a JSON object
};

// The entries of one group ("Tables" or "Indexes") of a schema INI file, in key order.
QVector<SchemaEntry> readSchemaEntries(const QString &iniPath, const QString &group);

// "CREATE TABLE 'T' ( 'a' TYPE Not Null UNIQUE, 'b' TYPE, PRIMARY KEY ('a'))": a column per valid
// field, Not Null and a key column for "pk" > 0, UNIQUE for "unique" > 0, no PRIMARY KEY clause without
// key columns. Empty when the table or all of its fields are not valid.
QString buildCreateTableStatement(const QString &table, const QJsonObject &schema);

// "CREATE  INDEX 'I' ON 'T' ( 'a' ASC, 'b' DESC)" ("CREATE UNIQUE INDEX ..." when "unique" > 0).
// Empty when the index is not valid or has no fields.
QString buildCreateIndexStatement(const QString &index, const QJsonObject &schema);

// Creates the valid tables and indexes of iniPath that db lacks. Never adds columns to an existing
// table and never touches user_version (the per-stock price files). False when a statement failed.
bool createDatabaseSchema(QSqlDatabase db, const QString &iniPath);

// Brings db to the [Database] Version of iniPath (the embedded configuration by default): when
// user_version is older, runs the legacy clean-up for that version, creates missing tables, adds
// missing valid columns and creates missing indexes; at the version, it only creates missing
// indexes and leaves user_version as it is. user_version is set to the target only when all
// of that succeeded, so a failure is retried at the next start. newFile: db was created just now, so
// no legacy step applies. Returns true when the file ends at the target version.
bool upgradeDatabaseSchema(QSqlDatabase db, bool newFile,
                           const QString &iniPath = QStringLiteral(":/config.ini"));

// The login's database step: points the connection helper at dataDir (created when missing), opens
// the GUI thread's "MainDB" on dataDir/data.s3 and upgrades its schema. showStatus receives
// "初始化数据库..." before and "数据库初始化完成" after the work; it may process events.
// Returns false when the file could not be opened or brought to the target version.
bool initMainDatabase(const QString &dataDir,
                      const std::function<void(const QString &)> &showStatus = {});
