#include "packageimport.h"

#include "globalstate.h"
#include "importrun.h"
#include "updaterlog.h"
#include "userlists.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScriptEngine>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

PackageKind packageKind(const QString &name)
{
    auto starts = [&name](const char *prefix) { return name.startsWith(QLatin1String(prefix)); };
    if (starts("RPT"))
        return starts("RPTDEL") ? PackageKind::ReportDelete : PackageKind::Report;
    if (starts("RAT"))
        return PackageKind::Rating;
    if (starts("EST"))
        return starts("ESTDEL") ? PackageKind::EstimateDelete : PackageKind::Estimate;
    if (starts("MTX"))
        return PackageKind::Matrix;
    if (starts("FIN"))
        return PackageKind::Finance;
    if (starts("CNS"))
        return PackageKind::Consensus;
    if (starts("ACE"))
        return PackageKind::Ace;
    if (starts("RCM"))
        return PackageKind::Recommend;
    if (starts("STK"))
        return PackageKind::Stock;
    if (starts("ANL"))
        return starts("ANLDEL") ? PackageKind::AnalystDelete : PackageKind::Analyst;
    return PackageKind::Unknown;
}

QString packageBaseName(const QString &name)
{
    QString base = name.left(name.indexOf(QLatin1Char('.')));
    const int underscore = base.indexOf(QLatin1Char('_'));
    if (underscore >= 0)
        base.truncate(underscore);
    return base;
}

int monthlyPackageYear(const QString &baseName)
{
    const int at = baseName.indexOf(QLatin1String("MTH"));
    if (at < 0)
        return 0;
    return baseName.mid(at + 3, 4).toInt();
}

bool isSkippedMonthlyPackage(const QString &baseName, int dataYear)
{
    const int year = monthlyPackageYear(baseName);
    return year != 0 && year < dataYear;
}

ImportContext ImportContext::fromSettings()
{
    ImportContext context;
    context.messageShow = getMessageShow() == 1;
    context.ratingDays = getRatingDays();
    context.alertFirstRating = isAlertEnabled(QStringLiteral("RAT_ACT_INI"));
    context.alertUpgrade = isAlertEnabled(QStringLiteral("RAT_ACT_UPG"));
    context.isBlockedStock = [](const QString &code) { return ::isBlockedStock(code); };
    return context;
}

namespace {

// JSON.parse of the script engine: the verdict for texts that QJsonDocument refuses, so that a
// text the program always accepted (a byte-order mark, a bare number) still reads the same.
bool readWithScriptEngine(const QByteArray &text, QJsonArray *rows)
{
    QScriptEngine engine;
    QScriptValue parse = engine.globalObject().property(QStringLiteral("JSON")).property(QStringLiteral("parse"));
    const QScriptValue result = parse.call(QScriptValue(), QScriptValueList{QScriptValue(QString::fromUtf8(text))});
    if (engine.hasUncaughtException())
        return false;
    const QScriptValue data = result.property(QStringLiteral("data"));
    if (data.isArray())
        *rows = QJsonValue::fromVariant(data.toVariant()).toArray();
    return true;
}

} // namespace

bool readPackageRows(const QByteArray &text, QJsonArray *rows)
{
    *rows = QJsonArray();
    const int nul = text.indexOf('\0');
    const QByteArray json = nul < 0 ? text : text.left(nul);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return readWithScriptEngine(json, rows);
    if (document.isObject()) {
        const QJsonValue data = document.object().value(QLatin1String("data"));
        if (data.isArray())
            *rows = data.toArray();
    }
    return true;
}

bool saveDataRecord(QSqlDatabase db, const DataRecord &record, QString *error)
{
    QSqlQuery query(db);
    if (query.prepare(QStringLiteral("insert into T_Data (Dat_Name, Dat_DtModify) values (?, ?) "
                                     "on conflict (Dat_Name) do update set Dat_DtModify = excluded.Dat_DtModify"))) {
        query.addBindValue(ImportRun::text(record.baseName));
        query.addBindValue(ImportRun::text(record.time));
        if (query.exec())
            return true;
    }
    if (error)
        *error = query.lastError().text();
    return false;
}

namespace {

using RowImporter = void (*)(ImportRun &, const QJsonArray &);

RowImporter rowImporter(PackageKind kind)
{
    switch (kind) {
    case PackageKind::Report:
        return importReportRows;
    case PackageKind::ReportDelete:
        return deleteReportRows;
    case PackageKind::Rating:
        return importRatingRows;
    case PackageKind::Estimate:
        return importEstimateRows;
    case PackageKind::EstimateDelete:
        return deleteEstimateRows;
    case PackageKind::Matrix:
        return importMatrixRows;
    case PackageKind::Finance:
        return importFinanceRows;
    case PackageKind::Consensus:
        return importConsensusRows;
    case PackageKind::Ace:
        return importAceRows;
    case PackageKind::Recommend:
        return importRecommendRows;
    case PackageKind::Stock:
        return importStockRows;
    case PackageKind::Analyst:
        return importAnalystRows;
    case PackageKind::AnalystDelete:
        return deleteAnalystRows;
    case PackageKind::Unknown:
        break;
    }
    return nullptr;
}

bool execControl(QSqlDatabase db, const char *statement, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(QLatin1String(statement)))
        return true;
    *error = query.lastError().text();
    return false;
}

} // namespace

ImportResult importPackage(QSqlDatabase db, const QString &name, const QByteArray &text, ImportContext &context,
                           const DataRecord *record)
{
    QJsonArray rows;
    if (!readPackageRows(text, &rows)) {
        ImportResult result;
        result.status = ImportResult::NotJson;
        result.error = QStringLiteral("not JSON");
        return result;
    }
    return importPackageRows(db, name, rows, context, record);
}

ImportResult importPackageRows(QSqlDatabase db, const QString &name, const QJsonArray &rows, ImportContext &context,
                               const DataRecord *record)
{
    ImportResult result;
    result.rows = rows.size();
    if (!db.isOpen()) {
        result.status = ImportResult::DatabaseFailed;
        result.error = QStringLiteral("the database is not open");
        return result;
    }
    // IMMEDIATE takes the write lock now (waiting out the GUI's short writes), so the package never
    // fails half-way because another connection wrote after this one began reading.
    if (!execControl(db, "BEGIN IMMEDIATE", &result.error)) {
        result.status = ImportResult::DatabaseFailed;
        qCWarning(lcUpdater) << name << "cannot begin:" << result.error;
        return result;
    }
    ImportRun run(db, name, context, &result);
    if (const RowImporter import = rowImporter(packageKind(name)))
        import(run, rows);
    run.finishQueries();

    QString error;
    if (!run.failed() && record && !saveDataRecord(db, *record, &error))
        run.fail(error);
    if (!run.failed() && !execControl(db, "COMMIT", &error))
        run.fail(error);
    if (run.failed()) {
        // After a failed COMMIT SQLite may still be inside the transaction; the next package
        // must not join it.
        QString ignored;
        execControl(db, "ROLLBACK", &ignored);
        return result;
    }
    run.sendNotices();
    return result;
}
