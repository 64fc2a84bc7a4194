// What the importers store, whichever way a row arrives, and when it is on disk: a row written
// over a stored one ends as the same row written fresh; a rating of a date, stock and institution
// that comes under another report id replaces the stored one; and a finished cycle is in data.s3
// itself, so that a power cut, which takes the WAL's unsynced end, leaves it stored.

#include "enginerunner.h"
#include "packageimport.h"
#include "scratchdatabase.h"
#include "sqlhelpers.h"

#include <memory>

namespace {

// Every row of every table, values quoted, in a fixed order. The "new" marks of ratings and
// analysts are left out: an update sets them from the row, while an insert also takes them from
// the older rows, by design.
QStringList dump(QSqlDatabase db)
{
    QStringList rows;
    for (const QString &table : sqlColumn(db, "select name from sqlite_master where type = 'table' order by 1")) {
        QStringList columns = sqlColumn(db, QStringLiteral("select name from pragma_table_info('%1')").arg(table));
        columns.removeAll(QStringLiteral("Rat_New"));
        columns.removeAll(QStringLiteral("Anl_New"));
        QStringList quoted;
        for (const QString &column : columns)
            quoted << "quote(" + column + ")";
        rows << table + ":";
        rows << sqlColumn(db, "select " + quoted.join(" || '|' || ") + " from " + table + " order by " + columns.join(", "));
    }
    return rows;
}

// The stand-in's small data set, package by package in index order: name, time and rows.
struct Package
{
    QString name, time;
    QJsonArray rows;
};

QList<Package> dataSet(int dataYear)
{
    QList<Package> packages;
    const QString dir = DevServer::defaultDataDir();
    QFile file(dir + "/manifest.json");
    if (!file.open(QIODevice::ReadOnly))
        return packages;
    for (const QJsonValue &entry : QJsonDocument::fromJson(file.readAll())["packages"].toArray()) {
        Package p{entry["name"].toString(), entry["tM"].toString(), {}};
        if (isSkippedMonthlyPackage(packageBaseName(p.name), dataYear))
            continue;
        QFile dat(dir + "/dat/" + p.name);
        if (!dat.open(QIODevice::ReadOnly) || !readPackageRows(qUncompress(dat.readAll()), &p.rows))
            return {};
        packages << p;
    }
    return packages;
}

// The rows with an old time (and snapshot date; a finance row's date is its key): the stored
// copy that the real rows replace.
QJsonArray older(const Package &p)
{
    QJsonArray out;
    for (const QJsonValue &value : p.rows) {
        QJsonObject row = value.toObject();
        row.insert("tM", "2000-01-01 00:00:00");
        if (row.contains("dt") && packageKind(p.name) != PackageKind::Finance)
            row.insert("dt", "2000-01-01");
        out.append(row);
    }
    return out;
}

} // namespace

class TestStoredTables : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDatabase> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchDatabase>();
        QVERIFY(m_dir->open());
        setDataYear(2012);
    }

    void cleanup()
    {
        closeSqliteConnection(QStringLiteral("Fresh"));
        closeSqliteConnection(QStringLiteral("Copy"));
        m_dir.reset();
    }

    // The data set imported once, and imported with every package first in an older copy: the
    // second import of each row takes the update path, the first the insert path.
    void overStoredRowsAsFresh()
    {
        const QList<Package> packages = dataSet(getDataYear());
        QVERIFY(packages.size() > 20);
        ImportContext context;
        QVERIFY(initMainDatabase(m_dir->filePath("fresh")));
        QVERIFY(initMainDatabase(m_dir->path()));
        QSqlDatabase fresh = sqliteConnection(QStringLiteral("Fresh"), m_dir->filePath("fresh/data.s3"));
        int updated = 0;
        for (const Package &p : packages) {
            const DataRecord record{packageBaseName(p.name), p.time};
            QVERIFY2(importPackageRows(fresh, p.name, p.rows, context, &record).ok(), qPrintable(p.name));
            QVERIFY2(importPackageRows(mainDatabase(), p.name, older(p), context).ok(), qPrintable(p.name));
            const ImportResult result = importPackageRows(mainDatabase(), p.name, p.rows, context, &record);
            QVERIFY2(result.ok(), qPrintable(p.name));
            updated += result.updated;
        }
        QVERIFY(updated > 1000);
        const QStringList expected = dump(fresh), stored = dump(mainDatabase());
        QVERIFY(expected.size() > 1000);
        for (int i = 0; i < qMin(expected.size(), stored.size()); ++i)
            QCOMPARE(stored.at(i), expected.at(i));
        QCOMPARE(stored.size(), expected.size());
    }

    // A rating's key is its date, stock and institution: under a new report id it replaces the
    // stored one instead of joining it.
    void ratingUnderAnotherReportId()
    {
        auto rating = [](int id, const char *modified) {
            return QJsonObject{{"cd", "600000.SH"}, {"is", "华信证券"}, {"an", "张三[1001]"}, {"dP", "2017-01-09"},
                               {"rc", "买入"}, {"sc", 5}, {"ac", "I"}, {"pP", 12.5}, {"pF", 1.25}, {"pL", 14},
                               {"pU", 16.5}, {"fs", 0.35}, {"fm", -0.12}, {"nw", 1}, {"id", id}, {"pr", ""},
                               {"tE", "2017-01-09 10:00:00"}, {"tM", modified}};
        };
        ImportContext context;
        QVERIFY(importPackageRows(mainDatabase(), "RATMTH201701.DAT", {rating(1, "2017-01-09 10:00:00")}, context).ok());
        const ImportResult result =
            importPackageRows(mainDatabase(), "RATMTH201701.DAT", {rating(2, "2017-01-09 11:00:00")}, context);
        QCOMPARE(QStringLiteral("%1/%2").arg(result.inserted).arg(result.updated), QStringLiteral("0/1"));
        QCOMPARE(sqlText("select group_concat(Rpt_ID) from T_Rating"), QStringLiteral("2"));
    }

    // Once a cycle has ended its packages are in data.s3 itself, not only in the WAL beside it:
    // the file copied alone holds the whole data set, and an engine on the copy fetches nothing.
    void cycleOnDiskWhenItEnds()
    {
        DevServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        loadDefaultConfig();
        setHostIndex(0);
        const QString copy = m_dir->filePath("copy");
        {
            EngineRunner engine;
            engine.start();
            QVERIFY(waitFor([&] { return !engine.cycles.isEmpty(); }));
            QCOMPARE(engine.cycles, QList<bool>{true});
            // The engine and this thread still have their connections open.
            QVERIFY(QDir().mkpath(copy) && QFile::copy(mainDatabasePath(), copy + "/data.s3"));
            QVERIFY(engine.stop());
        }
        QSqlDatabase db = sqliteConnection(QStringLiteral("Copy"), copy + "/data.s3");
        QCOMPARE(integrityCheck(db), QStringLiteral("ok"));
        const QJsonObject tables = server.manifest().value("tables").toObject();
        for (const QString &table : tables.keys())
            QVERIFY2(rowCount(table, db) == tables.value(table).toInt(), qPrintable(table));
        closeSqliteConnection(QStringLiteral("Copy"));

        closeMainDatabase();
        QVERIFY(initMainDatabase(copy));
        server.clearRequestLog();
        EngineRunner again;
        QVERIFY(again.runCycle());
        QCOMPARE(again.imported, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestStoredTables)
#include "tst_storedtables.moc"
