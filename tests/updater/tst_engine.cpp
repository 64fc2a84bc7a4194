// The update engine on its thread against the stand-in's small data set: a full cycle stores
// exactly the data set, a second fetches nothing, a re-issued package is fetched alone; and what
// the network, the object host or the packages do wrong leaves data.s3 intact, stores nothing of
// the package it hit (nor any hostile row), and that package is fetched again next cycle.

#include "packageimport.h"
#include "serviceapi.h"
#include "standin.h"
#include "testfiles.h"
#include "userlists.h"
#include "usersettings.h"

#include <functional>
#include <memory>

class TestEngine : public QObject
{
    Q_OBJECT

    QByteArray readData(const QString &name) { return readFile(m_dataSet.filePath(name)); }
    bool writeData(const QString &name, const QByteArray &data) { return writeFile(m_dataSet.filePath(name), data); }
    // Rewrites the stand-in's index (its manifest) and restarts it; cleanup() puts it back.
    bool editIndex(const std::function<void(QJsonArray &)> &edit)
    {
        QJsonObject manifest = QJsonDocument::fromJson(readData("manifest.json")).object();
        QJsonArray packages = manifest.value(QLatin1String("packages")).toArray();
        edit(packages);
        manifest.insert(QStringLiteral("packages"), packages);
        return writeData("manifest.json", QJsonDocument(manifest).toJson()) && m_server->restart();
    }
    // The object paths below /oss/dat/ fetched since the log was cleared, in order.
    QStringList fetched()
    {
        QStringList paths;
        for (const QJsonObject &entry : m_server->requestLog())
            paths << entry.value("path").toString();
        return paths.filter(QRegularExpression("^/oss/dat/")).replaceInStrings("/oss/dat/", QString());
    }
    // The time in a base name's T_Data record, or "(none)". (The names are the test's own.)
    QString record(const QString &base) { return sqlText("select Dat_DtModify from T_Data where Dat_Name = '" + base + "'"); }
    int expectedRows(const QString &table) { return m_server->manifest().value("tables")[table].toInt(); }
    QStringList mismatchedTables() { return ::mismatchedTables(*m_server); }

    QString m_original;
    QTemporaryDir m_dataSet;   // a copy of the small set that tests may change
    std::unique_ptr<DevServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        m_original = DevServer::defaultDataDir();
        QDirIterator it(m_original, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString target = m_dataSet.path() + it.next().mid(m_original.size());
            QVERIFY(QDir().mkpath(QFileInfo(target).path()) && QFile::copy(it.filePath(), target));
        }
        const QString failure = startStandIn(&m_server, m_dataSet.path());
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(initMainDatabase(m_dir->path()));
        setDataYear(2012);
        setMessageShow(0);
        setAlertKinds({});
        m_server->clearRequestLog();
    }

    void cleanup()
    {
        QVERIFY(m_server->resetFaults());
        deleteBlock(QStringLiteral("自选"));
        closeMainDatabase();
        m_dir.reset();
        if (readData("manifest.json") != readFile(m_original + "/manifest.json")) {
            for (const QString &file : {QStringLiteral("manifest.json"), QStringLiteral("dat/RCM.DAT")})
                QVERIFY(writeData(file, readFile(m_original + '/' + file)));
            QVERIFY(m_server->restart());
        }
    }

    void fullCycleThenNothingThenReissued()
    {
        const QJsonObject manifest = m_server->manifest();
        const QJsonObject facts = manifest.value(QLatin1String("facts")).toObject();
        setMessageShow(1);
        setAlertKinds({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")});
        QSet<QString> tips;
        for (const QJsonValue &code : facts.value(QLatin1String("todayBlockStocks")).toArray()) {
            addBlockStock(QStringLiteral("自选"), code.toString(), false);
            tips.insert(QStringLiteral("tip ") + code.toString());
        }
        QStringList fetches{"IDX.DAT"}, records;
        for (const QJsonValue &v : manifest.value(QLatin1String("packages")).toArray()) {
            if (!v[QLatin1String("skipped")].toBool()) {
                fetches.append(v[QLatin1String("name")].toString());
                records.append(packageBaseName(fetches.last()));
            }
        }
        records.sort();
        {
            EngineRunner engine(1);
            engine.start();
            QVERIFY(waitFor([&] { return engine.cycles.size() == 1; }));
            QCOMPARE(engine.cycles, QList<bool>{true});
            QCOMPARE(engine.failed, QStringList());
            QCOMPARE(mismatchedTables(), QStringList());
            QCOMPARE(sqlText("select group_concat(Dat_Name) from (select Dat_Name from T_Data order by 1)"),
                     records.join(','));
            QCOMPARE(integrityCheck(), QStringLiteral("ok"));
            // Whatever the engine writes is fetched again when lost; the GUI's read flags are not.
            QString engineSync;
            QVERIFY(QMetaObject::invokeMethod(
                engine.updater, [&] { engineSync = sqlText(QStringLiteral("PRAGMA synchronous")); },
                Qt::BlockingQueuedConnection));
            QCOMPARE(engineSync + '/' + sqlText(QStringLiteral("PRAGMA synchronous")), QStringLiteral("1/2"));
            QCOMPARE(engine.statuses.first(), QStringLiteral("接收索引数据..."));
            QVERIFY(engine.statuses.contains(QStringLiteral("数据更新完毕！")));

            // Notices of today's packages and of the analyst packages, against the data set's facts.
            QCOMPARE(engine.events.filter(QRegularExpression(QStringLiteral("^(show|load)"))).join(QLatin1Char(',')),
                     QStringLiteral("loadAnalysts,showNewestReport,showReportCount,showNewestRating,loadAnalysts"));
            QCOMPARE(engine.events.count(QStringLiteral("addMessage")), facts["todayMessageReports"].toInt());
            QCOMPARE(engine.events.count(QStringLiteral("RAT_ACT_INI")), facts["todayFirstRatingAlerts"].toInt());
            QCOMPARE(engine.events.count(QStringLiteral("RAT_ACT_UPG")), facts["todayUpgradeAlerts"].toInt());
            const QStringList tipped = engine.events.filter(QRegularExpression(QStringLiteral("^tip ")));
            QCOMPARE(QSet<QString>(tipped.begin(), tipped.end()), tips);

            // The next cycle finds nothing newer.
            QVERIFY(waitFor([&] { return engine.cycles.size() == 2; }));
            QVERIFY(engine.stop());
            QCOMPARE(engine.cycles.at(1), true);
            const QStringList all = fetched();
            QCOMPARE(all.mid(0, fetches.size()), fetches);
            QCOMPARE(QSet<QString>(all.begin() + fetches.size(), all.end()), QSet<QString>{"IDX.DAT"});
        }

        // The service re-issues RCM.DAT later with one more recommendation: that package alone comes.
        QJsonObject rcm = QJsonDocument::fromJson(qUncompress(readData("dat/RCM.DAT"))).object();
        QJsonArray rows = rcm.value(QLatin1String("data")).toArray();
        rows.append(QJsonObject{{"id", 10000001}, {"vl", 1}, {"tA", "2017-01-09 20:00:00"}, {"tM", "2017-01-09 20:00:00"}});
        rcm.insert(QStringLiteral("data"), rows);
        QVERIFY(writeData("dat/RCM.DAT", qCompress(QJsonDocument(rcm).toJson())));
        QVERIFY(editIndex([](QJsonArray &packages) {
            for (int i = 0; i < packages.size(); ++i) {
                if (packages.at(i)[QLatin1String("name")] == QLatin1String("RCM.DAT"))
                    packages[i] = QJsonObject{{"name", "RCM.DAT"}, {"tM", "2017-01-09 20:00:00"}};
            }
        }));
        m_server->clearRequestLog();
        EngineRunner engine;
        QVERIFY(engine.runCycle());
        QCOMPARE(fetched(), (QStringList{"IDX.DAT", "RCM.DAT"}));
        QCOMPARE(rowCount(QStringLiteral("T_Recommend")), expectedRows(QStringLiteral("T_Recommend")) + 1);
        QCOMPARE(record(QStringLiteral("RCM")), QStringLiteral("2017-01-09 20:00:00"));
    }

    void faultsLeaveNothingAndComeAgain()
    {
        // An index that cannot be fetched ends the cycle without a package.
        QVERIFY(m_server->setFault(QStringLiteral("http_500"), true, QStringLiteral("/oss/dat/IDX.DAT")));
        {
            EngineRunner engine;
            QVERIFY(engine.runCycle());
            QCOMPARE(engine.cycles, QList<bool>{false});
            QVERIFY(engine.statuses.contains(QStringLiteral("接收索引数据失败！")));
            QCOMPARE(fetched(), QStringList{"IDX.DAT"});
        }
        QVERIFY(m_server->resetFaults());

        // Each fault hits a package of its own, for all but RPTTDY the only one of its table; the
        // packages of hostile rows come along.
        QStringList hit;
        for (const char *fault : {"pkg_corrupt MTX", "http_500 RPTTDY", "truncate FIN", "stall ACE", "pkg_bomb CNS",
                                     "pkg_not_json RCM"}) {
            hit.append(QString(fault).section(' ', 1) + ".DAT");
            QVERIFY(m_server->setFault(QString(fault).section(' ', 0, 0), true, "/oss/dat/" + hit.last()));
        }
        QVERIFY(m_server->setFault(QStringLiteral("hostile_rows")));
        {
            EngineRunner engine;
            QVERIFY(engine.runCycle());
            QCOMPARE(engine.cycles, QList<bool>{true});
            QCOMPARE(engine.failed, hit);
            // What arrived broken is named; what never arrived is simply fetched again.
            for (const char *name : {"MTX", "CNS", "RCM"})
                QVERIFY2(engine.statuses.contains(QStringLiteral("数据包%1.DAT已损坏，下次更新时重新接收！").arg(name)), name);
            QVERIFY(!engine.events.contains(QStringLiteral("showNewestReport")));
        }
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
        for (const char *table : {"T_Matrix", "T_Finance", "T_Ace", "T_Consensus", "T_Recommend"})
            QVERIFY2(rowCount(QLatin1String(table)) == 0, table);
        for (const QString &name : hit)
            QCOMPARE(record(packageBaseName(name)), QStringLiteral("(none)"));
        // Of the hostile rows one of STKBAD and one of RPTBAD are sound, and stored intact.
        QCOMPARE(sqlText("select Rpt_Title || '|' || Ins_Name || '|' || Anl_List || '|' || Rpt_Page_Count || '|' || "
                          "(select Stk_Name from T_Stock where Stk_Code = '699002.SH') "
                          "from T_Report where Rpt_ID = 9000001"),
                 QStringLiteral("O'Neil科技(699001)：It's a test, 'quoted' \"title\"|Moody's|O'Brien[9991]|0|正常股份"));

        // With the faults gone, the next cycle fetches exactly the failed packages.
        QVERIFY(m_server->resetFaults());
        m_server->clearRequestLog();
        EngineRunner engine;
        QVERIFY(engine.runCycle());
        QCOMPARE(engine.failed, QStringList());
        QCOMPARE(fetched(), QStringList{"IDX.DAT"} + hit);
        // Every other hostile row is left out; the four hostile packages are recorded.
        QCOMPARE(mismatchedTables(), (QStringList{"T_Data+4", "T_Report+1", "T_Stock+1"}));
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }

    // Monthly packages before Option/DataYear are skipped; siblings of a base name and odd names.
    void queueRules()
    {
        setDataYear(2016);
        QVERIFY(editIndex([this](QJsonArray &packages) {
            for (const QString entry : {"XYZ_1 10", "XYZ_2 11", "ABC_1 11", "ABC_2 10", "odd/n 10", "odd? 10"}) {
                const QString name = entry.section(' ', 0, 0) + ".DAT";
                packages.append(QJsonObject{{"name", name}, {"tM", "2017-01-09 " + entry.section(' ', 1) + ":00:00"}});
                writeData("dat/" + name, qCompress("{\"data\":[]}"));
            }
        }));
        QVERIFY(m_server->setFault(QStringLiteral("http_500"), true, QStringLiteral("/oss/dat/XYZ_1.DAT")));
        QVERIFY(m_server->setFault(QStringLiteral("http_404"), true, QStringLiteral("/oss/dat/ABC_2.DAT")));
        {
            EngineRunner engine;
            QVERIFY(engine.runCycle());
            // Names with "/" or "?" leave the queue like any other, and the cycle ends.
            QCOMPARE(engine.cycles, QList<bool>{true});
            QCOMPARE(engine.failed.size(), 4);
        }
        const QStringList names = fetched();
        QVERIFY(names.contains(QStringLiteral("RPTMTH201601.DAT")) && names.contains(QStringLiteral("STK.DAT")));
        QCOMPARE(names.filter(QRegularExpression(QStringLiteral("MTH201[0-5]"))), QStringList());
        QVERIFY(record(QStringLiteral("ESTMTH201601")) != QStringLiteral("(none)"));
        // A sibling that failed, or that is older and still to come, holds its base name's record back.
        QCOMPARE(record(QStringLiteral("XYZ")) + record(QStringLiteral("ABC")), QStringLiteral("(none)(none)"));
        QVERIFY(m_server->resetFaults());
        m_server->clearRequestLog();
        EngineRunner engine;
        QVERIFY(engine.runCycle());
        QCOMPARE(fetched().filter(QRegularExpression(QStringLiteral("^(ABC|XYZ)"))).size(), 4);
        QCOMPARE(record(QStringLiteral("XYZ")), QStringLiteral("2017-01-09 11:00:00"));
        QCOMPARE(record(QStringLiteral("ABC")), QStringLiteral("2017-01-09 10:00:00"));
    }

    // The engine's connection keeps its own settings however often it is opened: here closed on
    // the engine's thread between two cycles, as when something there opens it again. The GUI's
    // connection keeps automatic checkpoints off and syncs every commit.
    void connectionSettings_data()
    {
        QTest::addColumn<bool>("reopened");
        QTest::newRow("as the engine starts") << false;
        QTest::newRow("opened again") << true;
    }

    void connectionSettings()
    {
        QFETCH(bool, reopened);
        auto settings = [] {
            QStringList values;
            for (const char *name : {"wal_autocheckpoint", "journal_size_limit", "synchronous", "cache_size"})
                values << sqlText(QStringLiteral("PRAGMA ") + QLatin1String(name));
            return values.join(QLatin1Char('/'));
        };
        EngineRunner engine(1);
        engine.start();
        QVERIFY(waitFor([&] { return engine.cycles.size() == 1; }));
        if (reopened) {
            QVERIFY(QMetaObject::invokeMethod(engine.updater, [] { closeMainDatabase(); }, Qt::BlockingQueuedConnection));
            // The next cycle reads T_Data on it.
            QVERIFY(waitFor([&] { return engine.cycles.size() == 2; }));
        }
        QString engineSettings;
        QVERIFY(QMetaObject::invokeMethod(engine.updater, [&] { engineSettings = settings(); }, Qt::BlockingQueuedConnection));
        QVERIFY(engine.stop());
        QCOMPARE(engine.cycles.first(), true);
        QCOMPARE(engineSettings, QStringLiteral("16384/67108864/1/-65536"));
        QCOMPARE(settings(), QStringLiteral("0/-1/2/-2000"));
    }

    void stopDuringCycle()
    {
        // Downloaded report files go on stop; folders stay.
        setDataDir(m_dir->path());
        QVERIFY(QDir().mkpath(getLocalFileDirPath() + QStringLiteral("/keep")));
        QFile file(getLocalFileDirPath() + QStringLiteral("/a.pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        file.close();
        EngineRunner engine;
        engine.start();
        QVERIFY(waitFor([&] { return engine.imported.size() >= 5; }));
        QVERIFY(engine.stop());
        QCOMPARE(engine.cycles, QList<bool>{false});
        QVERIFY(engine.statuses.contains(QStringLiteral("数据更新中止！")));
        QCOMPARE(QDir(getLocalFileDirPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"keep"});
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
