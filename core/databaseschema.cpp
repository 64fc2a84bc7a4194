#include "databaseschema.h"

#include "corelog.h"
#include "dbconnection.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Files at or below these versions predate the current report, rating and estimate layouts.
constexpr int kDropReportTablesUpTo = 20140900;
constexpr int kClearRatingsUpTo = 20150900;

int intOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString().toInt();
    return int(value.toDouble());
}

QString textOf(const QJsonValue &value)
{
    return value.isString() ? value.toString() : value.toVariant().toString();
}

bool isValid(const QJsonObject &object)
{
    return intOf(object.value(QLatin1String("valid"))) > 0;
}

QJsonArray fieldsOf(const QJsonObject &schema)
{
    return schema.value(QLatin1String("fields")).toArray();
}

bool exec(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    qCWarning(lcCore).noquote() << "Schema statement failed:" << statement << '-' << query.lastError().text();
    return false;
}

// 1 when the schema object exists, 0 when not, -1 when the lookup failed.
int schemaObjectExists(QSqlDatabase &db, const QString &type, const QString &name)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("select name from sqlite_master where type=? and name=?"));
    query.addBindValue(type);
    query.addBindValue(name);
    if (!query.exec()) {
        qCWarning(lcCore) << "Cannot look up" << type << name << query.lastError().text();
        return -1;
    }
    return query.next() ? 1 : 0;
}

// The column names of table, or false when they cannot be read.
bool tableColumns(QSqlDatabase &db, const QString &table, QStringList *columns)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("select name from pragma_table_info(?)"));
    query.addBindValue(table);
    if (!query.exec()) {
        qCWarning(lcCore) << "Cannot read the columns of" << table << query.lastError().text();
        return false;
    }
    while (query.next())
        *columns << query.value(0).toString();
    return true;
}

// Adds the valid fields that the table lacks, testing names exactly (SQLite ignores their ASCII case).
bool addMissingColumns(QSqlDatabase &db, const QString &table, const QJsonObject &schema)
{
    QStringList columns;
    if (!tableColumns(db, table, &columns))
        return false;
    bool ok = true;
    for (const QJsonValue &value : fieldsOf(schema)) {
        const QJsonObject field = value.toObject();
        if (!isValid(field))
            continue;
        const QString name = textOf(field.value(QLatin1String("name")));
        if (columns.contains(name, Qt::CaseInsensitive))
            continue;
        const QString type = textOf(field.value(QLatin1String("type")));
        ok = exec(db, QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD COLUMN '") + name
                          + QStringLiteral("' ") + type)
             && ok;
    }
    return ok;
}

bool applyTables(QSqlDatabase &db, const QString &iniPath, bool addColumns)
{
    bool ok = true;
    for (const SchemaEntry &entry : readSchemaEntries(iniPath, QStringLiteral("Tables"))) {
        if (!isValid(entry.schema))
            continue;
        const int exists = schemaObjectExists(db, QStringLiteral("table"), entry.name);
        if (exists < 0) {
            ok = false;
        } else if (exists == 0) {
            const QString statement = buildCreateTableStatement(entry.name, entry.schema);
            ok = (statement.isEmpty() || exec(db, statement)) && ok;
        } else if (addColumns) {
            ok = addMissingColumns(db, entry.name, entry.schema) && ok;
        }
    }
    return ok;
}

bool applyIndexes(QSqlDatabase &db, const QString &iniPath)
{
    bool ok = true;
    for (const SchemaEntry &entry : readSchemaEntries(iniPath, QStringLiteral("Indexes"))) {
        if (!isValid(entry.schema))
            continue;
        const int exists = schemaObjectExists(db, QStringLiteral("index"), entry.name);
        if (exists < 0) {
            ok = false;
        } else if (exists == 0) {
            const QString statement = buildCreateIndexStatement(entry.name, entry.schema);
            ok = (statement.isEmpty() || exec(db, statement)) && ok;
        }
    }
    return ok;
}

// Clears what older layouts left behind; the package bookkeeping rows go too, so the update engine
// fetches those packages again. Failures are expected (a dropped table cannot be emptied) and ignored.
void runLegacySteps(QSqlDatabase &db, int version)
{
    QSqlQuery query(db);
    if (version <= kDropReportTablesUpTo) {
        query.exec(QStringLiteral("DROP TABLE T_Report"));
        query.exec(QStringLiteral("DROP TABLE T_Rating"));
        query.exec(QStringLiteral("DROP TABLE T_Estimate"));
        query.exec(QStringLiteral("delete from T_Data where Dat_Name like 'RPT%' or Dat_Name like 'RAT%' "
                                  "or Dat_Name like 'EST%'"));
    }
    if (version <= kClearRatingsUpTo) {
        query.exec(QStringLiteral("delete from T_Rating"));
        query.exec(QStringLiteral("delete from T_Data where Dat_Name like 'RAT%'"));
    }
}

bool setUserVersion(QSqlDatabase &db, int version)
{
    return exec(db, QStringLiteral("PRAGMA user_version = ") + QString::number(version));
}

} // namespace

QVector<SchemaEntry> readSchemaEntries(const QString &iniPath, const QString &group)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.beginGroup(group);
    QVector<SchemaEntry> entries;
    for (const QString &key : ini.childKeys()) {
        const QString text = ini.value(key).toString();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
        if (!doc.isObject())
            qCWarning(lcCore) << "Schema entry" << group << key << "is not a JSON object:" << error.errorString();
        entries.append({key, doc.object()});
    }
    return entries;
}

QString buildCreateTableStatement(const QString &table, const QJsonObject &schema)
{
    if (!isValid(schema))
        return QString();
    QStringList columns;
    QStringList keys;
    for (const QJsonValue &value : fieldsOf(schema)) {
        const QJsonObject field = value.toObject();
        if (!isValid(field))
            continue;
        const QString name = textOf(field.value(QLatin1String("name")));
        QString column = QStringLiteral(" '") + name + QStringLiteral("' ") + textOf(field.value(QLatin1String("type")));
        if (intOf(field.value(QLatin1String("pk"))) > 0) {
            column += QLatin1String(" Not Null");
            keys << QLatin1Char('\'') + name + QLatin1Char('\'');
        }
        if (intOf(field.value(QLatin1String("unique"))) > 0)
            column += QLatin1String(" UNIQUE");
        columns << column;
    }
    if (columns.isEmpty())
        return QString();
    QString statement = QStringLiteral("CREATE TABLE '") + table + QStringLiteral("' (") + columns.join(QLatin1Char(','));
    if (!keys.isEmpty())
        statement += QStringLiteral(", PRIMARY KEY (") + keys.join(QLatin1Char(',')) + QLatin1Char(')');
    return statement + QLatin1Char(')');
}

QString buildCreateIndexStatement(const QString &index, const QJsonObject &schema)
{
    if (!isValid(schema))
        return QString();
    QStringList columns;
    for (const QJsonValue &value : fieldsOf(schema)) {
        const QJsonObject field = value.toObject();
        columns << QStringLiteral(" '") + textOf(field.value(QLatin1String("name"))) + QStringLiteral("' ")
                       + textOf(field.value(QLatin1String("order")));
    }
    if (columns.isEmpty())
        return QString();
    const bool unique = intOf(schema.value(QLatin1String("unique"))) > 0;
    return QStringLiteral("CREATE ") + (unique ? QStringLiteral("UNIQUE") : QString()) + QStringLiteral(" INDEX '")
           + index + QStringLiteral("' ON '") + textOf(schema.value(QLatin1String("table"))) + QStringLiteral("' (")
           + columns.join(QLatin1Char(',')) + QLatin1Char(')');
}

bool createDatabaseSchema(QSqlDatabase db, const QString &iniPath)
{
    if (!db.isOpen())
        return false;
    const bool tablesOk = applyTables(db, iniPath, false);
    return applyIndexes(db, iniPath) && tablesOk;
}

bool upgradeDatabaseSchema(QSqlDatabase db, bool newFile, const QString &iniPath)
{
    if (!db.isOpen())
        return false;
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    const int target = ini.value(QStringLiteral("Database/Version")).toInt();

    if (!newFile) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
            qCWarning(lcCore) << "Cannot read the schema version of" << db.databaseName() << query.lastError().text();
            return false;
        }
        const int current = query.value(0).toInt();
        query.finish();
        if (target <= current) {
            // Indexes added to the configuration reach files already at the version; each one
            // that exists costs a lookup. A failure only leaves a list slower.
            if (!applyIndexes(db, iniPath))
                qCWarning(lcCore) << "Some indexes of" << db.databaseName() << "could not be created";
            return true;
        }
        runLegacySteps(db, current);
        // Once the clean-up has run it must not run again, or a retry after a failure below would
        // drop what was imported in between.
        if (current <= kClearRatingsUpTo && target > kClearRatingsUpTo)
            setUserVersion(db, kClearRatingsUpTo + 1);
    }

    const bool tablesOk = applyTables(db, iniPath, true);
    const bool indexesOk = applyIndexes(db, iniPath);
    if (!tablesOk || !indexesOk) {
        qCWarning(lcCore) << "Schema of" << db.databaseName() << "left below version" << target;
        return false;
    }
    return setUserVersion(db, target);
}

bool initMainDatabase(const QString &dataDir, const std::function<void(const QString &)> &showStatus)
{
    if (showStatus)
        showStatus(QStringLiteral("初始化数据库..."));
    setMainDatabaseDir(dataDir);
    bool ok = false;
    if (!QDir().mkpath(dataDir)) {
        qCWarning(lcCore) << "Cannot create the data folder" << dataDir;
    } else {
        const bool newFile = !QFileInfo::exists(mainDatabasePath());
        QSqlDatabase db = mainDatabase();
        ok = upgradeDatabaseSchema(db, newFile);
    }
    // A failure must not read as success: the user would face empty lists with no word why.
    if (showStatus)
        showStatus(ok ? QStringLiteral("数据库初始化完成") : QStringLiteral("数据库初始化失败"));
    return ok;
}
