// The update engine on its thread against the stand-in's small data set: a full cycle stores
// exactly the data set, a second fetches nothing, a re-issued package is fetched alone, old
// monthly packages are skipped, hostile rows are kept out, and stopping ends cleanly.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "enginerunner.h"
#include "globalstate.h"
#include "packageimport.h"
#include "userlists.h"
#include "usersettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QStringList kTables = {"T_Ace",     "T_Analyst", "T_Consensus", "T_Data",      "T_Estimate", "T_Finance",
                             "T_Matrix",  "T_Rating",  "T_Recommend", "T_Report",    "T_Stock"};

bool copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

// Paths of the object host that were fetched, in order.
QStringList fetchedPaths(const QList<QJsonObject> &log)
{
    QStringList paths;
    for (const QJsonObject &entry : log) {
        const QString path = entry.value(QLatin1String("path")).toString();
        if (path.startsWith(QLatin1String("/oss/dat/")))
            paths.append(path.mid(9));
    }
    return paths;
}

} // namespace

class TestUpdaterCycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fullCycleThenNothing();
    void reissuedPackageFetchedAlone();
    void monthlyPackagesBeforeDataYear();
    void hostileRows();
    void sharedBaseNamesAndOddNames();
    void stopDuringCycleAndResume();

private:
    bool addIndexEntries(const QList<QPair<QString, QString>> &entries);
    bool restoreDataSet();
    QString dataRecord(const QString &base);
    int count(const QString &table);
    QStringList dataRecords();
    QJsonObject tables() { return m_server->manifest().value(QLatin1String("tables")).toObject(); }

    QString m_original;
    QTemporaryDir m_dataSet;   // a copy of the small set that tests may change
    std::unique_ptr<DevServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUpdaterCycle::initTestCase()
{
    QVERIFY(m_dataSet.isValid());
    m_original = DevServer::defaultDataDir();
    QVERIFY(copyFolder(m_original, m_dataSet.path()));
    qputenv("TAMREL_DEVDATA", QFile::encodeName(m_dataSet.path()));
    m_server = std::make_unique<DevServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    loadDefaultConfig();
    setHostIndex(0);
}

void TestUpdaterCycle::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(initMainDatabase(m_dir->path()));
    setDataYear(2012);
    setMessageShow(0);
    setAlertKinds({});
    m_server->clearRequestLog();
}

void TestUpdaterCycle::cleanup()
{
    QVERIFY(m_server->resetFaults());
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
    closeMainDatabase();
    m_dir.reset();
}

int TestUpdaterCycle::count(const QString &table)
{
    QSqlQuery query(mainDatabase());
    if (!query.exec(QStringLiteral("select count(*) from ") + table) || !query.next())
        return -1;
    return query.value(0).toInt();
}

QStringList TestUpdaterCycle::dataRecords()
{
    QStringList names;
    QSqlQuery query(mainDatabase());
    query.exec(QStringLiteral("select Dat_Name from T_Data order by Dat_Name"));
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

void TestUpdaterCycle::fullCycleThenNothing()
{
    const QJsonObject manifest = m_server->manifest();
    const QJsonObject facts = manifest.value(QLatin1String("facts")).toObject();
    setMessageShow(1);
    setAlertKinds({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")});
    QStringList blockStocks;
    for (const QJsonValue &code : facts.value(QLatin1String("todayBlockStocks")).toArray())
        blockStocks.append(code.toString());
    addBlockStock(QStringLiteral("自选"), blockStocks.join(QLatin1Char(',')), false);

    QSet<QString> expectedRecords;
    QStringList expectedFetches;
    QStringList skipped;
    for (const QJsonValue &v : manifest.value(QLatin1String("packages")).toArray()) {
        const QJsonObject p = v.toObject();
        const QString name = p.value(QLatin1String("name")).toString();
        if (p.value(QLatin1String("skipped")).toBool()) {
            skipped.append(name);
            continue;
        }
        expectedFetches.append(name);
        expectedRecords.insert(packageBaseName(name));
    }

    EngineRunner engine(1);
    engine.start();
    QVERIFY(engine.waitForCycles(1));
    QVERIFY(engine.cycles.at(0).complete);
    QCOMPARE(engine.cycles.at(0).failed, 0);
    QCOMPARE(engine.cycles.at(0).fetched, expectedFetches.size());

    for (const QString &table : kTables)
        QCOMPARE(count(table), tables().value(table).toInt());
    const QStringList records = dataRecords();
    QCOMPARE(QSet<QString>(records.begin(), records.end()), expectedRecords);
    QCOMPARE(fetchedPaths(m_server->requestLog()), QStringList{"IDX.DAT"} + expectedFetches);
    QCOMPARE(integrityCheck(mainDatabase()), QStringLiteral("ok"));

    // The texts of the first package, in order, and the end of the cycle.
    const QString first = expectedFetches.first();
    const int receive = engine.statuses.indexOf(QStringLiteral("接收") + first + QStringLiteral("..."));
    const int import = engine.statuses.indexOf(QStringLiteral("导入") + first + QStringLiteral("..."));
    QVERIFY(engine.statuses.startsWith(QStringLiteral("接收索引数据...")));
    QVERIFY(receive >= 0 && import > receive);
    QVERIFY(engine.statuses.contains(QStringLiteral("导入") + first + QStringLiteral("...100.00%")));
    QVERIFY(engine.statuses.contains(QStringLiteral("数据更新完毕！")));

    // Notices of today's packages and of the analyst packages.
    QCOMPARE(engine.events.count(QStringLiteral("showNewestReport")), 1);
    QCOMPARE(engine.events.count(QStringLiteral("showReportCount")), 1);
    QCOMPARE(engine.events.indexOf(QStringLiteral("showReportCount")),
             engine.events.indexOf(QStringLiteral("showNewestReport")) + 1);
    QCOMPARE(engine.events.count(QStringLiteral("showNewestRating")), 1);
    QCOMPARE(engine.events.count(QStringLiteral("loadConcernedAnalystListOfSidebar")), 2);
    QCOMPARE(engine.messages.size(), facts.value(QLatin1String("todayMessageReports")).toInt());
    int first_ = 0, upgrades = 0;
    for (const QStringList &alert : qAsConst(engine.alerts))
        (alert.first() == QLatin1String("RAT_ACT_INI") ? first_ : upgrades) += 1;
    QCOMPARE(first_, facts.value(QLatin1String("todayFirstRatingAlerts")).toInt());
    QCOMPARE(upgrades, facts.value(QLatin1String("todayUpgradeAlerts")).toInt());
    for (const QString &code : qAsConst(blockStocks))
        QVERIFY2(engine.blockTips.contains(code), qPrintable(code));

    // The next cycle finds nothing newer.
    m_server->clearRequestLog();
    QVERIFY(engine.waitForCycles(2));
    QVERIFY(engine.cycles.at(1).complete);
    QCOMPARE(engine.cycles.at(1).fetched, 0);
    QCOMPARE(fetchedPaths(m_server->requestLog()), QStringList{"IDX.DAT"});
    QVERIFY(engine.stop());
    for (const QString &table : kTables)
        QCOMPARE(count(table), tables().value(table).toInt());
}

void TestUpdaterCycle::reissuedPackageFetchedAlone()
{
    {
        EngineRunner engine;
        engine.start();
        QVERIFY(engine.waitForCycles(1));
        QVERIFY(engine.stop());
    }
    QCOMPARE(count("T_Recommend"), tables().value("T_Recommend").toInt());

    // The service re-issues RCM.DAT later with one more recommendation.
    auto restore = qScopeGuard([this] {
        for (const QString &file : {QStringLiteral("dat/RCM.DAT"), QStringLiteral("manifest.json")}) {
            QFile::remove(m_dataSet.filePath(file));
            QFile::copy(m_original + QLatin1Char('/') + file, m_dataSet.filePath(file));
        }
        m_server->restart();
    });
    const QString path = m_dataSet.filePath(QStringLiteral("dat/RCM.DAT"));
    QFile package(path);
    QVERIFY(package.open(QIODevice::ReadOnly));
    QJsonObject text = QJsonDocument::fromJson(qUncompress(package.readAll())).object();
    package.close();
    QJsonArray rows = text.value(QLatin1String("data")).toArray();
    rows.append(QJsonObject{{"id", 10000001}, {"vl", 1}, {"tA", "2017-01-09 20:00:00"}, {"tM", "2017-01-09 20:00:00"}});
    text.insert(QStringLiteral("data"), rows);
    QVERIFY(package.open(QIODevice::WriteOnly | QIODevice::Truncate));
    package.write(qCompress(QJsonDocument(text).toJson(QJsonDocument::Compact)));
    package.close();

    const QString manifestPath = m_dataSet.filePath(QStringLiteral("manifest.json"));
    QFile manifestFile(manifestPath);
    QVERIFY(manifestFile.open(QIODevice::ReadOnly));
    QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    manifestFile.close();
    QJsonArray packages = manifest.value(QLatin1String("packages")).toArray();
    for (int i = 0; i < packages.size(); ++i) {
        QJsonObject p = packages.at(i).toObject();
        if (p.value(QLatin1String("name")).toString() == QLatin1String("RCM.DAT")) {
            p.insert(QStringLiteral("tM"), QStringLiteral("2017-01-09 20:00:00"));
            packages.replace(i, p);
        }
    }
    manifest.insert(QStringLiteral("packages"), packages);
    QVERIFY(manifestFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    manifestFile.write(QJsonDocument(manifest).toJson());
    manifestFile.close();
    QVERIFY2(m_server->restart(), qPrintable(m_server->errorString()));
    m_server->clearRequestLog();

    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForCycles(1));
    QVERIFY(engine.stop());
    QCOMPARE(engine.cycles.at(0).fetched, 1);
    QCOMPARE(fetchedPaths(m_server->requestLog()), (QStringList{"IDX.DAT", "RCM.DAT"}));
    QCOMPARE(count("T_Recommend"), tables().value("T_Recommend").toInt() + 1);
    QSqlQuery query(mainDatabase());
    QVERIFY(query.exec("select Dat_DtModify from T_Data where Dat_Name = 'RCM'") && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("2017-01-09 20:00:00"));
}

void TestUpdaterCycle::monthlyPackagesBeforeDataYear()
{
    setDataYear(2016);
    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForCycles(1));
    QVERIFY(engine.stop());
    const QStringList fetched = fetchedPaths(m_server->requestLog());
    const QStringList records = dataRecords();
    QVERIFY(fetched.contains(QStringLiteral("RPTMTH201601.DAT")));
    QVERIFY(records.contains(QStringLiteral("ESTMTH201601")));
    for (const QString &name : fetched + records) {
        const int year = monthlyPackageYear(packageBaseName(name));
        QVERIFY2(year == 0 || year >= 2016, qPrintable(name));
    }
    QVERIFY(records.contains(QStringLiteral("STK")));
}

void TestUpdaterCycle::hostileRows()
{
    QVERIFY(m_server->setFault(QStringLiteral("hostile_rows")));
    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForCycles(1));
    QVERIFY(engine.stop());
    QCOMPARE(engine.cycles.at(0).failed, 0);

    // One row of STKBAD and one of RPTBAD are sound; every other hostile row is left out.
    QCOMPARE(count("T_Stock"), tables().value("T_Stock").toInt() + 1);
    QCOMPARE(count("T_Report"), tables().value("T_Report").toInt() + 1);
    QCOMPARE(count("T_Rating"), tables().value("T_Rating").toInt());
    QCOMPARE(count("T_Analyst"), tables().value("T_Analyst").toInt());
    QCOMPARE(integrityCheck(mainDatabase()), QStringLiteral("ok"));
    for (const QString &name : QStringList{"STKBAD", "ANLBAD", "RPTBAD", "RATBAD"})
        QVERIFY2(dataRecords().contains(name), qPrintable(name));

    QSqlQuery query(mainDatabase());
    QVERIFY(query.exec("select Rpt_Title, Ins_Name, Anl_List, Rpt_Page_Count from T_Report where Rpt_ID = 9000001"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("O'Neil科技(699001)：It's a test, 'quoted' \"title\""));
    QCOMPARE(query.value(1).toString(), QStringLiteral("Moody's"));
    QCOMPARE(query.value(2).toString(), QStringLiteral("O'Brien[9991]"));
    QCOMPARE(query.value(3).toInt(), 0);
    QVERIFY(query.exec("select Stk_Name from T_Stock where Stk_Code = '699002.SH'") && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("正常股份"));
}

// Appends packages to the stand-in's index (a file of an empty package for each plain name).
bool TestUpdaterCycle::addIndexEntries(const QList<QPair<QString, QString>> &entries)
{
    QFile manifestFile(m_dataSet.filePath(QStringLiteral("manifest.json")));
    if (!manifestFile.open(QIODevice::ReadOnly))
        return false;
    QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    manifestFile.close();
    QJsonArray packages = manifest.value(QLatin1String("packages")).toArray();
    for (const auto &entry : entries) {
        packages.append(QJsonObject{{"name", entry.first}, {"tM", entry.second}, {"rows", 0}, {"skipped", false}});
        if (entry.first.contains(QLatin1Char('/')) || entry.first.contains(QLatin1Char('?')))
            continue;
        QFile file(m_dataSet.filePath(QStringLiteral("dat/") + entry.first));
        if (!file.open(QIODevice::WriteOnly) || file.write(qCompress("{\"data\":[]}")) <= 0)
            return false;
    }
    manifest.insert(QStringLiteral("packages"), packages);
    if (!manifestFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    manifestFile.write(QJsonDocument(manifest).toJson());
    manifestFile.close();
    return m_server->restart();
}

bool TestUpdaterCycle::restoreDataSet()
{
    QFile::remove(m_dataSet.filePath(QStringLiteral("manifest.json")));
    return QFile::copy(m_original + QStringLiteral("/manifest.json"), m_dataSet.filePath(QStringLiteral("manifest.json")))
           && m_server->restart();
}

QString TestUpdaterCycle::dataRecord(const QString &base)
{
    QSqlQuery query(mainDatabase());
    query.prepare(QStringLiteral("select Dat_DtModify from T_Data where Dat_Name = ?"));
    query.addBindValue(base);
    if (!query.exec() || !query.next())
        return QStringLiteral("(none)");
    return query.value(0).toString();
}

void TestUpdaterCycle::sharedBaseNamesAndOddNames()
{
    QVERIFY(addIndexEntries({{"XYZ_1.DAT", "2017-01-09 10:00:00"},   // fails in the first cycle
                             {"XYZ_2.DAT", "2017-01-09 11:00:00"},
                             {"ABC_1.DAT", "2017-01-09 11:00:00"},
                             {"ABC_2.DAT", "2017-01-09 10:00:00"},   // fails in the first cycle
                             {"odd/name.DAT", "2017-01-09 10:00:00"},
                             {"odd?.DAT", "2017-01-09 10:00:00"}}));
    auto restore = qScopeGuard([this] { restoreDataSet(); });
    QVERIFY(m_server->setFault(QStringLiteral("http_500"), true, QStringLiteral("/oss/dat/XYZ_1.DAT")));
    QVERIFY(m_server->setFault(QStringLiteral("http_404"), true, QStringLiteral("/oss/dat/ABC_2.DAT")));
    {
        EngineRunner engine;
        engine.start();
        QVERIFY(engine.waitForCycles(1));
        QVERIFY(engine.stop());
        // Names with "/" or "?" leave the queue like any other, and the cycle ends.
        QVERIFY(engine.cycles.at(0).complete);
        QCOMPARE(engine.cycles.at(0).failed, 4);
    }
    // A sibling that failed, or that is older and still to come, holds its base name's record back.
    QCOMPARE(dataRecord(QStringLiteral("XYZ")), QStringLiteral("(none)"));
    QCOMPARE(dataRecord(QStringLiteral("ABC")), QStringLiteral("(none)"));

    QVERIFY(m_server->resetFaults());
    m_server->clearRequestLog();
    {
        EngineRunner engine;
        engine.start();
        QVERIFY(engine.waitForCycles(1));
        QVERIFY(engine.stop());
    }
    const QStringList fetched = fetchedPaths(m_server->requestLog());
    for (const QString &name : {QStringLiteral("XYZ_1.DAT"), QStringLiteral("XYZ_2.DAT"), QStringLiteral("ABC_1.DAT"),
                                QStringLiteral("ABC_2.DAT")})
        QVERIFY2(fetched.contains(name), qPrintable(name));
    QCOMPARE(dataRecord(QStringLiteral("XYZ")), QStringLiteral("2017-01-09 11:00:00"));
    QCOMPARE(dataRecord(QStringLiteral("ABC")), QStringLiteral("2017-01-09 10:00:00"));
}

void TestUpdaterCycle::stopDuringCycleAndResume()
{
    // Downloaded report files go on stop; folders stay.
    setDataDir(m_dir->path());
    const QString files = getLocalFileDirPath();
    QVERIFY(QDir().mkpath(files + QStringLiteral("/keep")));
    for (const QString &name : QStringList{"a.pdf", "b.doc"}) {
        QFile file(files + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    {
        EngineRunner engine;
        engine.start();
        QVERIFY(EngineRunner::waitFor([&] { return engine.packages.size() >= 5; }));
        QVERIFY(engine.stop());
        QVERIFY(engine.statuses.contains(QStringLiteral("数据更新中止！")));
        QCOMPARE(engine.statuses.count(QStringLiteral("清理报告文件...")), 2);
        QVERIFY(!engine.cycles.last().complete);
    }
    QCOMPARE(QDir(files).entryList(QDir::Files), QStringList());
    QVERIFY(QFileInfo(files + QStringLiteral("/keep")).isDir());
    QCOMPARE(integrityCheck(mainDatabase()), QStringLiteral("ok"));
    QVERIFY(count("T_Data") < tables().value("T_Data").toInt());

    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForCycles(1));
    QVERIFY(engine.stop());
    QVERIFY(engine.cycles.at(0).complete);
    for (const QString &table : kTables)
        QCOMPARE(count(table), tables().value(table).toInt());
}

QTEST_GUILESS_MAIN(TestUpdaterCycle)
#include "tst_updatercycle.moc"
