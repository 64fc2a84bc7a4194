#include "databaseschema.h"
#include "dbconnection.h"
#include "sqlhelpers.h"
#include "testfiles.h"

#include <QSemaphore>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

QStringList columnsOf(QSqlDatabase db, const QString &table)
{
    return sqlColumn(db, QString("select name from pragma_table_info('%1')").arg(table));
}

// Every schema statement of a fresh file, in the order of their names.
QStringList freshSchema()
{
    return QString::fromUtf8(readFile(QFINDTESTDATA("freshschema.sql"))).split('\n').filter(QRegularExpression("^CREATE"));
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }

    // A file of an older version of the program, with report, rating and estimate rows.
    QSqlDatabase oldFile(int version)
    {
        QSqlDatabase db = sqliteConnection("Fixture", path("old.s3"));
        if (!runSql(db, {"CREATE TABLE 'T_Data' ( 'Dat_Name' VARCHAR Not Null UNIQUE, 'Dat_DtModify' DATETIME, PRIMARY KEY ('Dat_Name'))",
                      "CREATE TABLE 'T_Report' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Rpt_Title' VARCHAR, 'Stk_Code' VARCHAR, "
                      "'Rpt_DtEntry' DATETIME, 'Rpt_Readed' INTEGER, 'Rpt_DtModify' DATETIME, PRIMARY KEY ('Rpt_ID'))",
                      "CREATE TABLE 'T_Rating' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Stk_Code' VARCHAR, PRIMARY KEY ('Rpt_ID'))",
                      "CREATE TABLE 'T_Estimate' ( 'Rpt_ID' INTEGER, 'Est_Period' VARCHAR, PRIMARY KEY ('Rpt_ID','Est_Period'))",
                      "insert into T_Data values ('RPT_20140101', ''), ('RAT_20140101', ''), ('EST_20140101', ''), ('STK_20140101', '')",
                      "insert into T_Report (Rpt_ID, Rpt_Readed) values (7, 1)", "insert into T_Rating values (7, '600000')",
                      "insert into T_Estimate values (7, '2014')", QString("PRAGMA user_version = %1").arg(version)}))
            qFatal("fixture");
        return db;
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void cleanup()
    {
        closeMainDatabase();
        closeSqliteConnection("Fixture");
        m_dir.reset();
    }

    void freshFile()
    {
        const QString dataDir = path("not/yet/there");
        QStringList texts;
        QVERIFY(initMainDatabase(dataDir, [&](const QString &text) { texts << text; }));
        QCOMPARE(texts, QStringList({"初始化数据库...", "数据库初始化完成"}));
        QSqlDatabase db = mainDatabase();
        QCOMPARE(QVariantList({db.connectionName(), db.databaseName(), sqlValue(db, "PRAGMA journal_mode"),
                               sqlValue(db, "PRAGMA busy_timeout").toInt(), sqlValue(db, "PRAGMA user_version").toInt()}),
                 QVariantList({"MainDB", dataDir + "/data.s3", "wal", kSqliteBusyTimeoutMs, 20161101}));
        QCOMPARE(sqlColumn(db, "select sql from sqlite_master where sql not null order by name"), freshSchema());
        QVERIFY(initMainDatabase(dataDir)); // a second start changes nothing
        QCOMPARE(sqlColumn(mainDatabase(), "select sql from sqlite_master where sql not null order by name"), freshSchema());
    }

    void upgradeSteps_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("rows");     // rows left in T_Report, T_Rating, T_Estimate
        QTest::addColumn<QStringList>("data"); // T_Data rows left
        const QStringList all{"EST_20140101", "RAT_20140101", "RPT_20140101", "STK_20140101"};
        QTest::newRow("20140900") << 20140900 << "000" << QStringList{"STK_20140101"};
        QTest::newRow("20140901") << 20140901 << "101" << QStringList{all[0], all[2], all[3]};
        QTest::newRow("20150901") << 20150901 << "111" << all;
        QTest::newRow("20161101") << 20161101 << "111" << all;
        QTest::newRow("20170101, a newer program's") << 20170101 << "111" << all;
    }

    void upgradeSteps()
    {
        QFETCH(int, version);
        QFETCH(QString, rows);
        QFETCH(QStringList, data);
        QSqlDatabase db = oldFile(version);
        QVERIFY(upgradeDatabaseSchema(db, false));
        QCOMPARE(sqlValue(db, "PRAGMA user_version").toInt(), qMax(version, 20161101));
        QCOMPARE(sqlValue(db, "select (select count(*) from T_Report) || (select count(*) from T_Rating) || "
                            "(select count(*) from T_Estimate)").toString(), rows);
        QCOMPARE(sqlColumn(db, "select Dat_Name from T_Data order by Dat_Name"), data);
        const bool upgraded = version < 20161101;
        // Missing indexes are made at every start, also at the version.
        QCOMPARE(sqlColumn(db, "select name from sqlite_master where name in ('T_Ace', 'Idx_Report_StkCode', 'Idx_Rating_DtEntry')"),
                 upgraded ? QStringList({"T_Ace", "Idx_Report_StkCode"}) : QStringList("Idx_Report_StkCode"));
        // Columns marked not valid are never added.
        QCOMPARE((columnsOf(db, "T_Rating") + columnsOf(db, "T_Report"))
                     .filter(QRegularExpression("^(Rpt_Type|Rat_Readed|Rat_Divide|Rat_Year|Rat_NP1|Rpt_Path)$")),
                 upgraded ? QStringList({"Rat_Readed", "Rpt_Type"}) : QStringList());
        if (rows.startsWith('1')) // kept rows keep their read flags
            QCOMPARE(sqlValue(db, "select Rpt_Readed from T_Report where Rpt_ID=7").toInt(), 1);
    }

    void columnsAreTestedExactly()
    {
        QSqlDatabase db = oldFile(20150901);
        // Ins_Count is missing although its name occurs inside Ins_Count_Bull; rpt_type is Rpt_Type to SQLite.
        QVERIFY(runSql(db, {"CREATE TABLE 'T_Consensus' ( 'Stk_Code' VARCHAR, 'Cns_Type' VARCHAR, 'Ins_Count_Bull' INTEGER)",
                         "ALTER TABLE T_Report ADD COLUMN 'rpt_type' VARCHAR"}));
        QVERIFY(upgradeDatabaseSchema(db, false));
        QCOMPARE(columnsOf(db, "T_Consensus").size(), 17);
        QVERIFY(runSql(db, {"insert into T_Consensus (Stk_Code, Cns_Type, Ins_Count) values ('600000', 'A', 3)"}));
        QCOMPARE(columnsOf(db, "T_Report").filter("rpt_type", Qt::CaseInsensitive), QStringList{"rpt_type"});
    }

    // A step that fails leaves the version below the last, so the next start completes the schema;
    // the clean-up of old rows is not repeated then.
    void failureKeepsTheVersion()
    {
        QSqlDatabase db = oldFile(20140900);
        // An index that holds the name T_Matrix makes CREATE TABLE T_Matrix fail.
        QVERIFY(runSql(db, {"CREATE INDEX T_Matrix ON T_Data (Dat_DtModify)"}));
        QVERIFY(!upgradeDatabaseSchema(db, false));
        QCOMPARE(sqlValue(db, "PRAGMA user_version").toInt(), 20150901);
        QVERIFY(columnsOf(db, "T_Ace").size() > 0); // the rest was still done
        QVERIFY(runSql(db, {"insert into T_Report (Rpt_ID, Rpt_Readed) values (8, 1)", "insert into T_Data values ('RPT_20170101', '')",
                         "DROP INDEX T_Matrix"}));
        QVERIFY(upgradeDatabaseSchema(db, false));
        QCOMPARE(sqlValue(db, "PRAGMA user_version").toInt(), 20161101);
        QCOMPARE(sqlValue(db, "select Rpt_Readed from T_Report where Rpt_ID=8").toInt(), 1);
        QCOMPARE(sqlValue(db, "select count(*) from T_Data where Dat_Name='RPT_20170101'").toInt(), 1);
    }

    void notADatabaseIsLeftAlone()
    {
        const QByteArray junk(8192, 'j');
        QVERIFY(writeFile(path("data/data.s3"), junk));
        QStringList texts;
        QVERIFY(!initMainDatabase(path("data"), [&](const QString &text) { texts << text; }));
        QCOMPARE(texts, QStringList({"初始化数据库...", "数据库初始化失败"}));
        QCOMPARE(readFile(path("data/data.s3")), junk);
    }

    // The price files reuse only the CREATE TABLE builder: no version, no added columns.
    void createOnlyAddsNoColumns()
    {
        QVERIFY(writeFile(path("day.ini"), "[Tables]\nT_Price=\"{\\\"fields\\\":[{\\\"name\\\":\\\"Prc_Date\\\",\\\"type\\\":\\\"DATETIME\\\","
                                           "\\\"pk\\\":1,\\\"valid\\\":1},{\\\"name\\\":\\\"Prc_Close\\\",\\\"type\\\":\\\"FLOAT\\\",\\\"valid\\\":1}],"
                                           "\\\"valid\\\":1}\"\n[Indexes]\n"));
        QSqlDatabase db = sqliteConnection("Fixture", path("day/600000.s3"));
        QVERIFY(createDatabaseSchema(db, path("day.ini")));
        QCOMPARE(columnsOf(db, "T_Price"), QStringList({"Prc_Date", "Prc_Close"}));
        QVERIFY(runSql(db, {"DROP TABLE T_Price", "CREATE TABLE T_Price (Prc_Date DATETIME)"}));
        QVERIFY(createDatabaseSchema(db, path("day.ini")));
        QCOMPARE(columnsOf(db, "T_Price"), QStringList{"Prc_Date"});
        QCOMPARE(sqlValue(db, "PRAGMA user_version").toInt(), 0);
    }

    // Each thread has its own connection to the same file; the GUI thread's is "MainDB" and follows
    // the data folder. While the engine's thread holds a write transaction, the GUI thread reads the
    // last committed state at once, and its own write waits for the commit instead of failing as locked.
    void connectionsPerThread()
    {
        setMainDatabaseDir(path("a"));
        QVERIFY(runSql(mainDatabase(), {"create table T (v INTEGER)"}));
        QSemaphore holding;
        QString names[2];
        bool writerOk = false;
        std::unique_ptr<QThread> writer(QThread::create([&] {
            QSqlDatabase db = mainDatabase();
            names[0] = db.connectionName();
            writerOk = sqlValue(db, "PRAGMA journal_mode") == "wal" && db.transaction() && runSql(db, {"insert into T values (1)"});
            holding.release();
            QThread::msleep(300);
            writerOk = db.commit() && writerOk;
        }));
        std::unique_ptr<QThread> reader(QThread::create([&] {
            if (sqlValue(mainDatabase(), "select count(*) from T").isValid())
                names[1] = mainDatabase().connectionName();
        }));
        writer->start();
        holding.acquire();
        reader->start();
        QCOMPARE(sqlValue(mainDatabase(), "select count(*) from T").toInt(), 0);
        QSqlQuery query(mainDatabase());
        QVERIFY2(query.exec("insert into T values (2)"), qPrintable(query.lastError().text()));
        QVERIFY(writer->wait(30000) && reader->wait(30000) && writerOk);
        QCOMPARE(sqlValue(mainDatabase(), "select count(*) from T").toInt(), 2);
        QVERIFY(!names[1].isEmpty() && names[0] != names[1] && names[0] != "MainDB" && names[1] != "MainDB");
        // Removed as their threads end, which is just after wait() returned.
        QTRY_VERIFY(!QSqlDatabase::contains(names[0]) && !QSqlDatabase::contains(names[1]));
        setMainDatabaseDir(path("b"));
        QVERIFY(!sqlValue(mainDatabase(), "select count(*) from T").isValid());
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
