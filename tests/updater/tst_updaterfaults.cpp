// What the network and the object host can do wrong: every fault leaves data.s3 intact, stores
// nothing of the package it hit, and that package is fetched again next cycle.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "enginerunner.h"
#include "globalstate.h"
#include "packageimport.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct Fault
{
    const char *name;
    const char *package;
};

// Each fault hits one package of its own in the same cycle.
const Fault kFaults[] = {
    {"http_500", "RPTTDY.DAT"},   {"truncate", "RATTDY.DAT"}, {"pkg_corrupt", "ESTTDY.DAT"},
    {"pkg_not_json", "RCM.DAT"},  {"pkg_bomb", "CNS.DAT"},    {"stall", "ACE.DAT"},
};

const QStringList kTables = {"T_Ace",    "T_Analyst", "T_Consensus", "T_Data",   "T_Estimate", "T_Finance",
                             "T_Matrix", "T_Rating",  "T_Recommend", "T_Report", "T_Stock"};

QStringList fetchedPackages(const QList<QJsonObject> &log)
{
    QStringList names;
    for (const QJsonObject &entry : log) {
        const QString path = entry.value(QLatin1String("path")).toString();
        if (path.startsWith(QLatin1String("/oss/dat/")) && !path.endsWith(QLatin1String("/IDX.DAT")))
            names.append(path.mid(9));
    }
    return names;
}

} // namespace

class TestUpdaterFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void failedPackagesLeaveNothingAndComeAgain();
    void indexFaults();

private:
    int count(const QString &table);
    QVariant value(const QString &sql);
    QJsonArray packageRows(const QString &name);
    QJsonArray rowsOnlyIn(const QString &name, const QStringList &keys);

    DevServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUpdaterFaults::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    setHostIndex(0);
}

void TestUpdaterFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(initMainDatabase(m_dir->path()));
    m_server.clearRequestLog();
}

void TestUpdaterFaults::cleanup()
{
    QVERIFY(m_server.resetFaults());
    closeMainDatabase();
    m_dir.reset();
}

int TestUpdaterFaults::count(const QString &table)
{
    return value(QStringLiteral("select count(*) from ") + table).toInt();
}

QVariant TestUpdaterFaults::value(const QString &sql)
{
    QSqlQuery query(mainDatabase());
    if (!query.exec(sql) || !query.next())
        return QVariant();
    return query.value(0);
}

QJsonArray TestUpdaterFaults::packageRows(const QString &name)
{
    QFile file(m_server.dataDir() + QStringLiteral("/dat/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonArray();
    return QJsonDocument::fromJson(qUncompress(file.readAll())).object().value(QLatin1String("data")).toArray();
}

// The rows of a package whose key no other package of its kind (deletes aside) carries.
QJsonArray TestUpdaterFaults::rowsOnlyIn(const QString &name, const QStringList &keys)
{
    auto keyOf = [&keys](const QJsonObject &row) {
        QStringList parts;
        for (const QString &key : keys)
            parts.append(row.value(key).toVariant().toString());
        return parts.join(QLatin1Char('|'));
    };
    QSet<QString> elsewhere;
    const QString prefix = name.left(3);
    const QStringList others = QDir(m_server.dataDir() + QStringLiteral("/dat")).entryList({prefix + QLatin1Char('*')});
    for (const QString &other : others) {
        if (other == name || packageKind(other) != packageKind(name))
            continue;
        for (const QJsonValue &row : packageRows(other))
            elsewhere.insert(keyOf(row.toObject()));
    }
    QJsonArray only;
    for (const QJsonValue &row : packageRows(name)) {
        if (!elsewhere.contains(keyOf(row.toObject())))
            only.append(row);
    }
    return only;
}

void TestUpdaterFaults::failedPackagesLeaveNothingAndComeAgain()
{
    QStringList hit;
    for (const Fault &fault : kFaults) {
        QVERIFY(m_server.setFault(QLatin1String(fault.name), true, QStringLiteral("/oss/dat/") + QLatin1String(fault.package)));
        hit.append(QLatin1String(fault.package));
    }
    hit.sort();
    {
        EngineRunner engine;
        engine.start();
        QVERIFY(engine.waitForCycles(1, 180000));
        QVERIFY(engine.stop());
        QVERIFY(engine.cycles.at(0).complete);
        QCOMPARE(engine.cycles.at(0).failed, hit.size());
        QStringList failed;
        for (const PackageEnd &p : qAsConst(engine.packages)) {
            if (!p.ok)
                failed.append(p.name);
        }
        failed.sort();
        QCOMPARE(failed, hit);

        // What arrived broken is named; what never arrived is simply fetched again.
        for (const char *name : {"ESTTDY.DAT", "RCM.DAT", "CNS.DAT"}) {
            const QString text = QStringLiteral("数据包") + QLatin1String(name) + QStringLiteral("已损坏，下次更新时重新接收！");
            QVERIFY2(engine.statuses.contains(text), name);
        }
        // Today's packages that never arrived notify nothing.
        QVERIFY(!engine.events.contains(QStringLiteral("showNewestReport")));
        QVERIFY(!engine.events.contains(QStringLiteral("showNewestRating")));
    }

    QCOMPARE(integrityCheck(mainDatabase()), QStringLiteral("ok"));
    for (const QString &name : qAsConst(hit)) {
        QSqlQuery query(mainDatabase());
        query.prepare(QStringLiteral("select count(*) from T_Data where Dat_Name = ?"));
        query.addBindValue(packageBaseName(name));
        QVERIFY(query.exec() && query.next());
        QVERIFY2(query.value(0).toInt() == 0, qPrintable(name));
    }
    // Nothing of the failed packages was stored.
    QCOMPARE(count("T_Consensus"), 0);
    QCOMPARE(count("T_Ace"), 0);
    QCOMPARE(count("T_Recommend"), 0);
    // Today's rows that no other package carries.
    const QJsonArray reports = rowsOnlyIn(QStringLiteral("RPTTDY.DAT"), {"id"});
    QVERIFY(!reports.isEmpty());
    for (const QJsonValue &row : reports) {
        QSqlQuery query(mainDatabase());
        query.prepare(QStringLiteral("select count(*) from T_Report where Rpt_ID = ?"));
        query.addBindValue(row.toObject().value(QLatin1String("id")).toVariant());
        QVERIFY(query.exec() && query.next());
        QCOMPARE(query.value(0).toInt(), 0);
    }
    const QJsonArray estimates = rowsOnlyIn(QStringLiteral("ESTTDY.DAT"), {"id", "pr"});
    QVERIFY(!estimates.isEmpty());
    for (const QJsonValue &row : estimates) {
        const QJsonObject o = row.toObject();
        QSqlQuery query(mainDatabase());
        query.prepare(QStringLiteral("select count(*) from T_Estimate where Rpt_ID = ? and Est_Period = ?"));
        query.addBindValue(o.value(QLatin1String("id")).toVariant());
        query.addBindValue(o.value(QLatin1String("pr")).toVariant());
        QVERIFY(query.exec() && query.next());
        QCOMPARE(query.value(0).toInt(), 0);
    }

    // With the faults gone, the next cycle fetches exactly the failed packages.
    QVERIFY(m_server.resetFaults());
    m_server.clearRequestLog();
    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForCycles(1));
    QVERIFY(engine.stop());
    QCOMPARE(engine.cycles.at(0).failed, 0);
    QStringList fetched = fetchedPackages(m_server.requestLog());
    fetched.sort();
    QCOMPARE(fetched, hit);
    const QJsonObject tables = m_server.manifest().value(QLatin1String("tables")).toObject();
    for (const QString &table : kTables)
        QCOMPARE(count(table), tables.value(table).toInt());
    QCOMPARE(integrityCheck(mainDatabase()), QStringLiteral("ok"));
}

void TestUpdaterFaults::indexFaults()
{
    QVERIFY(m_server.setFault(QStringLiteral("http_500"), true, QStringLiteral("/oss/dat/IDX.DAT")));
    {
        EngineRunner engine;
        engine.start();
        QVERIFY(engine.waitForCycles(1));
        QVERIFY(engine.stop());
        QVERIFY(!engine.cycles.at(0).complete);
        QVERIFY(engine.statuses.contains(QStringLiteral("接收索引数据失败！")));
    }
    QVERIFY(m_server.resetFaults());
    // An index that does not inflate lists nothing.
    QVERIFY(m_server.setFault(QStringLiteral("pkg_corrupt"), true, QStringLiteral("/oss/dat/IDX.DAT")));
    {
        EngineRunner engine;
        engine.start();
        QVERIFY(engine.waitForCycles(1));
        QVERIFY(engine.stop());
        QVERIFY(engine.cycles.at(0).complete);
        QCOMPARE(engine.cycles.at(0).fetched, 0);
        QVERIFY(engine.statuses.contains(QStringLiteral("数据更新完毕！")));
    }
    QCOMPARE(fetchedPackages(m_server.requestLog()), QStringList());
    QCOMPARE(count("T_Data"), 0);
}

QTEST_GUILESS_MAIN(TestUpdaterFaults)
#include "tst_updaterfaults.moc"
