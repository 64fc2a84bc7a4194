#include "databaseschema.h"
#include "dbconnection.h"

#include <QtTest>
#include <QSqlError>
#include <QSqlQuery>

#include <memory>

class TestDatabaseSchema : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void tableStatements_data();
    void tableStatements();
    void indexStatements_data();
    void indexStatements();
    void freshFile_data();
    void freshFile();
    void freshFileHoldsNothingElse();
    void upgradeSteps_data();
    void upgradeSteps();
    void columnsAreTestedExactly();
    void failureKeepsTheVersion();
    void failedUpgradeDoesNotRepeatTheCleanUp();
    void notADatabase();
    void createOnlyAddsNoColumns();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    QSqlDatabase fixture(const QString &name);
    std::unique_ptr<QTemporaryDir> dir;
};

static const char kOldReportTable[] =
    "CREATE TABLE 'T_Report' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Rpt_Title' VARCHAR, 'Ins_Name' VARCHAR, "
    "'Anl_List' VARCHAR, 'Rpt_DtPublish' DATETIME, 'Rpt_Imp' INTEGER, 'Rpt_Exclusive' INTEGER, 'Rpt_Code' VARCHAR, "
    "'Ind_Name' VARCHAR, 'Stk_Code' VARCHAR, 'Rpt_Page_Count' INTEGER, 'Rpt_DtEntry' DATETIME, 'Rpt_Readed' INTEGER, "
    "'Rpt_DtModify' DATETIME, PRIMARY KEY ('Rpt_ID'))";

static QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

static QVariant scalar(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        return QVariant();
    return query.value(0);
}

static QStringList column(QSqlDatabase db, const QString &sql)
{
    QStringList values;
    QSqlQuery query(db);
    if (!query.exec(sql))
        return {QStringLiteral("error: ") + query.lastError().text()};
    while (query.next())
        values << query.value(0).toString();
    return values;
}

static bool run(QSqlDatabase db, const QStringList &statements)
{
    QSqlQuery query(db);
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            qWarning() << statement << query.lastError().text();
            return false;
        }
    }
    return true;
}

static QStringList columnsOf(QSqlDatabase db, const QString &table)
{
    return column(db, QStringLiteral("select name from pragma_table_info('%1')").arg(table));
}

void TestDatabaseSchema::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestDatabaseSchema::cleanup()
{
    closeMainDatabase();
    closeSqliteConnection(QStringLiteral("Fixture"));
    dir.reset();
}

// An existing file from an older version of the program, with report, rating and estimate rows.
QSqlDatabase TestDatabaseSchema::fixture(const QString &name)
{
    QSqlDatabase db = sqliteConnection(QStringLiteral("Fixture"), path(name));
    const bool ok = run(db, {
        QStringLiteral("CREATE TABLE 'T_Data' ( 'Dat_Name' VARCHAR Not Null UNIQUE, 'Dat_DtModify' DATETIME, PRIMARY KEY ('Dat_Name'))"),
        QLatin1String(kOldReportTable),
        QStringLiteral("CREATE TABLE 'T_Rating' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Stk_Code' VARCHAR, PRIMARY KEY ('Rpt_ID'))"),
        QStringLiteral("CREATE TABLE 'T_Estimate' ( 'Rpt_ID' INTEGER Not Null, 'Est_Period' VARCHAR Not Null, PRIMARY KEY ('Rpt_ID','Est_Period'))"),
        QStringLiteral("insert into T_Data values ('RPT_20140101', '2014-01-01 00:00:00'), ('RAT_20140101', '2014-01-01 00:00:00'), "
                       "('EST_20140101', '2014-01-01 00:00:00'), ('STK_20140101', '2014-01-01 00:00:00')"),
        QStringLiteral("insert into T_Report (Rpt_ID, Rpt_Title, Rpt_Readed) values (7, 'old report', 1)"),
        QStringLiteral("insert into T_Rating values (7, '600000')"),
        QStringLiteral("insert into T_Estimate values (7, '2014')"),
    });
    if (!ok)
        qFatal("fixture");
    return db;
}

void TestDatabaseSchema::tableStatements_data()
{
    QTest::addColumn<QJsonObject>("schema");
    QTest::addColumn<QString>("statement");
    QTest::newRow("no key column") << json(R"({"fields":[{"name":"a","type":"FLOAT","unique":1,"valid":1},
        {"name":"b","type":"DATE","valid":1}],"valid":1})")
        << QStringLiteral("CREATE TABLE 'T' ( 'a' FLOAT UNIQUE, 'b' DATE)");
    QTest::newRow("invalid fields left out") << json(R"({"fields":[{"name":"x","type":"FLOAT","pk":1,"valid":0},
        {"name":"a","type":"FLOAT","valid":1},{"name":"y","type":"FLOAT","valid":0},{"name":"b","type":"DATE","valid":"1"}],"valid":1})")
        << QStringLiteral("CREATE TABLE 'T' ( 'a' FLOAT, 'b' DATE)");
    QTest::newRow("invalid table") << json(R"({"fields":[{"name":"a","type":"FLOAT","valid":1}],"valid":0})") << QString();
    QTest::newRow("no valid field") << json(R"({"fields":[{"name":"a","type":"FLOAT"}],"valid":1})") << QString();
    QTest::newRow("not json") << QJsonObject() << QString();
}

void TestDatabaseSchema::tableStatements()
{
    QFETCH(QJsonObject, schema);
    QFETCH(QString, statement);
    QCOMPARE(buildCreateTableStatement(QStringLiteral("T"), schema), statement);
}

void TestDatabaseSchema::indexStatements_data()
{
    QTest::addColumn<QJsonObject>("schema");
    QTest::addColumn<QString>("statement");
    QTest::newRow("two fields") << json(R"({"table":"T_Report","fields":[{"name":"Stk_Code","order":"ASC"},
        {"name":"Rpt_DtEntry","order":"ASC"}],"valid":1})")
        << QStringLiteral("CREATE  INDEX 'I' ON 'T_Report' ( 'Stk_Code' ASC, 'Rpt_DtEntry' ASC)");
    QTest::newRow("unique") << json(R"({"table":"T","fields":[{"name":"a","order":"DESC"}],"unique":1,"valid":1})")
        << QStringLiteral("CREATE UNIQUE INDEX 'I' ON 'T' ( 'a' DESC)");
    QTest::newRow("invalid") << json(R"({"table":"T","fields":[{"name":"a","order":"ASC"}],"valid":0})") << QString();
}

void TestDatabaseSchema::indexStatements()
{
    QFETCH(QJsonObject, schema);
    QFETCH(QString, statement);
    QCOMPARE(buildCreateIndexStatement(QStringLiteral("I"), schema), statement);
}

void TestDatabaseSchema::freshFile_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("T_Data") << QStringLiteral("CREATE TABLE 'T_Data' ( 'Dat_Name' VARCHAR Not Null UNIQUE, 'Dat_DtModify' DATETIME, PRIMARY KEY ('Dat_Name'))");
    QTest::newRow("T_Stock") << QStringLiteral("CREATE TABLE 'T_Stock' ( 'Stk_Code' VARCHAR Not Null UNIQUE, 'Stk_Name' VARCHAR, 'Stk_Spell' VARCHAR, 'Stk_Quit' INTEGER, 'Ind_Name' VARCHAR, 'Stk_Share' FLOAT, 'Prc_Date' DATE, 'Prc_Close' FLOAT, 'Prc_Change' FLOAT, 'Prc_Factor' FLOAT, 'Prc_Count' INTEGER, 'Prc_DtModify' DATETIME, 'Prf_5010_TTM' FLOAT, 'Blc_3010_TTM' FLOAT, 'Stk_DtModify' DATETIME, PRIMARY KEY ('Stk_Code'))");
    QTest::newRow("T_Report") << QStringLiteral("CREATE TABLE 'T_Report' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Rpt_Title' VARCHAR, 'Ins_Name' VARCHAR, 'Anl_List' VARCHAR, 'Rpt_DtPublish' DATETIME, 'Rpt_Imp' INTEGER, 'Rpt_Exclusive' INTEGER, 'Rpt_Code' VARCHAR, 'Ind_Name' VARCHAR, 'Stk_Code' VARCHAR, 'Rpt_Page_Count' INTEGER, 'Rpt_DtEntry' DATETIME, 'Rpt_Type' VARCHAR, 'Rpt_Readed' INTEGER, 'Rpt_DtModify' DATETIME, PRIMARY KEY ('Rpt_ID'))");
    QTest::newRow("T_Rating") << QStringLiteral("CREATE TABLE 'T_Rating' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Ins_Name' VARCHAR, 'Anl_List' VARCHAR, 'Rpt_DtPublish' DATETIME, 'Stk_Code' VARCHAR, 'Rat_Recomm' VARCHAR, 'Rat_Score' INTEGER, 'Rat_Action' VARCHAR, 'Rat_PrcPub' FLOAT, 'Rat_PrcFac' FLOAT, 'Rat_PrcLower' FLOAT, 'Rat_PrcUpper' FLOAT, 'Rat_PerformShort' FLOAT, 'Rat_PerformMiddle' FLOAT, 'Rpt_ID_Pre' INTEGER, 'Rat_New' INTEGER, 'Rpt_DtEntry' DATETIME, 'Rat_DtModify' DATETIME, 'Rat_Readed' INTEGER, PRIMARY KEY ('Rpt_ID'))");
    QTest::newRow("T_Estimate") << QStringLiteral("CREATE TABLE 'T_Estimate' ( 'Rpt_ID' INTEGER Not Null, 'Est_Period' VARCHAR Not Null, 'Stk_Code' VARCHAR, 'Est_NetProfit' FLOAT, 'Est_DtModify' DATETIME, PRIMARY KEY ('Rpt_ID','Est_Period'))");
    QTest::newRow("T_Finance") << QStringLiteral("CREATE TABLE 'T_Finance' ( 'Stk_Code' VARCHAR Not Null, 'Fin_Date' DATE Not Null, 'Blc_3010' FLOAT, 'Prf_30' FLOAT, 'Prf_5010' FLOAT, 'Fin_DtModify' DATETIME, PRIMARY KEY ('Stk_Code','Fin_Date'))");
    QTest::newRow("T_Consensus") << QStringLiteral("CREATE TABLE 'T_Consensus' ( 'Stk_Code' VARCHAR Not Null, 'Cns_Type' VARCHAR Not Null, 'Ins_Count' INTEGER, 'Ins_Count_Bull' INTEGER, 'Ins_Count_Neutral' INTEGER, 'Ins_Count_Bear' INTEGER, 'Rat_Count' INTEGER, 'Short_Success' FLOAT, 'Middle_Success' FLOAT, 'Min_Price_Lower' FLOAT, 'Max_Price_Upper' FLOAT, 'Prf_5010_Next_1' FLOAT, 'Prf_5010_Next_2' FLOAT, 'Prf_5010_Next_3' FLOAT, 'CAGR_Next' FLOAT, 'Cns_DtUpdate' DATETIME, 'Cns_DtModify' DATETIME, PRIMARY KEY ('Stk_Code','Cns_Type'))");
    QTest::newRow("T_Matrix") << QStringLiteral("CREATE TABLE 'T_Matrix' ( 'Stk_Code' VARCHAR Not Null UNIQUE, 'Mtx_Level' INTEGER, 'OPG_TTM' FLOAT, 'CAGR_Last' FLOAT, 'Pre_Type' VARCHAR, 'Mtx_DtUpdate' DATETIME, 'Mtx_DtModify' DATETIME, PRIMARY KEY ('Stk_Code'))");
    QTest::newRow("T_Recommend") << QStringLiteral("CREATE TABLE 'T_Recommend' ( 'Rpt_ID' INTEGER Not Null UNIQUE, 'Rcm_DtAdd' DATETIME, 'Rcm_DtModify' DATETIME, PRIMARY KEY ('Rpt_ID'))");
    QTest::newRow("T_Analyst") << QStringLiteral("CREATE TABLE 'T_Analyst' ( 'Anl_ID' INTEGER Not Null UNIQUE, 'Anl_Name' VARCHAR, 'Ins_Name' VARCHAR, 'Ind_Name' VARCHAR, 'Anl_Months' INTEGER, 'Anl_UID' INTEGER, 'Anl_New' INTEGER, 'Anl_DtUpdate' DATETIME, 'Anl_DtModify' DATETIME, PRIMARY KEY ('Anl_ID'))");
    QTest::newRow("T_Ace") << QStringLiteral("CREATE TABLE 'T_Ace' ( 'Anl_UID' INTEGER Not Null, 'Ace_Year' INTEGER Not Null, 'Stk_Count' INTEGER, 'Rat_Count' INTEGER, 'Short_Count' INTEGER, 'Short_SuccessCount' INTEGER, 'Short_MinRise' FLOAT, 'Short_MaxRise' FLOAT, 'Short_AvgRise' FLOAT, 'Middle_Count' INTEGER, 'Middle_SuccessCount' INTEGER, 'Middle_MinRise' FLOAT, 'Middle_MaxRise' FLOAT, 'Middle_AvgRise' FLOAT, 'Ace_DtUpdate' DATETIME, 'Ace_DtModify' DATETIME, PRIMARY KEY ('Anl_UID','Ace_Year'))");
    QTest::newRow("Idx_Report_DtEntry") << QStringLiteral("CREATE  INDEX 'Idx_Report_DtEntry' ON 'T_Report' ( 'Rpt_DtEntry' ASC)");
    QTest::newRow("Idx_Report_DtPublish") << QStringLiteral("CREATE  INDEX 'Idx_Report_DtPublish' ON 'T_Report' ( 'Rpt_DtPublish' ASC)");
    QTest::newRow("Idx_Report_StkCode") << QStringLiteral("CREATE  INDEX 'Idx_Report_StkCode' ON 'T_Report' ( 'Stk_Code' ASC, 'Rpt_DtEntry' ASC)");
    QTest::newRow("Idx_Report_Code") << QStringLiteral("CREATE  INDEX 'Idx_Report_Code' ON 'T_Report' ( 'Rpt_Code' ASC, 'Rpt_DtEntry' ASC)");
    QTest::newRow("Idx_Report_IndName") << QStringLiteral("CREATE  INDEX 'Idx_Report_IndName' ON 'T_Report' ( 'Ind_Name' ASC, 'Rpt_DtEntry' ASC)");
    QTest::newRow("Idx_Rating_DtPublish") << QStringLiteral("CREATE  INDEX 'Idx_Rating_DtPublish' ON 'T_Rating' ( 'Rpt_DtPublish' ASC)");
    QTest::newRow("Idx_Recommend_DtAdd") << QStringLiteral("CREATE  INDEX 'Idx_Recommend_DtAdd' ON 'T_Recommend' ( 'Rcm_DtAdd' ASC)");
    QTest::newRow("Idx_Analyst_UID") << QStringLiteral("CREATE  INDEX 'Idx_Analyst_UID' ON 'T_Analyst' ( 'Anl_UID' ASC)");
}

void TestDatabaseSchema::freshFile()
{
    QFETCH(QString, statement);
    const QString dataDir = path(QStringLiteral("not/yet/there"));
    QStringList texts;
    QVERIFY(initMainDatabase(dataDir, [&](const QString &text) { texts << text; }));
    QCOMPARE(texts, (QStringList{QStringLiteral("初始化数据库..."), QStringLiteral("数据库初始化完成")}));
    QSqlDatabase db = mainDatabase();
    QCOMPARE(db.databaseName(), dataDir + QStringLiteral("/data.s3"));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20161101);

    QSqlQuery query(db);
    query.prepare(QStringLiteral("select sql from sqlite_master where name=?"));
    query.addBindValue(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(query.exec() && query.next());
    // SQLite keeps a statement as written, except that it folds "CREATE  INDEX" to one blank.
    QCOMPARE(query.value(0).toString(), QString(statement).replace(QStringLiteral("CREATE  INDEX"), QStringLiteral("CREATE INDEX")));
}

void TestDatabaseSchema::freshFileHoldsNothingElse()
{
    QVERIFY(initMainDatabase(path(QStringLiteral("data"))));
    const QStringList names = column(mainDatabase(), QStringLiteral("select name from sqlite_master where sql not null order by name"));
    QCOMPARE(names, (QStringList{
        QStringLiteral("Idx_Analyst_UID"), QStringLiteral("Idx_Rating_DtPublish"), QStringLiteral("Idx_Recommend_DtAdd"),
        QStringLiteral("Idx_Report_Code"), QStringLiteral("Idx_Report_DtEntry"), QStringLiteral("Idx_Report_DtPublish"),
        QStringLiteral("Idx_Report_IndName"), QStringLiteral("Idx_Report_StkCode"),
        QStringLiteral("T_Ace"), QStringLiteral("T_Analyst"), QStringLiteral("T_Consensus"), QStringLiteral("T_Data"),
        QStringLiteral("T_Estimate"), QStringLiteral("T_Finance"), QStringLiteral("T_Matrix"), QStringLiteral("T_Rating"),
        QStringLiteral("T_Recommend"), QStringLiteral("T_Report"), QStringLiteral("T_Stock")}));
    // A second start changes nothing.
    QVERIFY(initMainDatabase(path(QStringLiteral("data"))));
    QCOMPARE(column(mainDatabase(), QStringLiteral("select name from sqlite_master where sql not null order by name")), names);
}

void TestDatabaseSchema::upgradeSteps_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("reports");     // rows left in T_Report
    QTest::addColumn<int>("ratings");     // rows left in T_Rating
    QTest::addColumn<int>("estimates");   // rows left in T_Estimate
    QTest::addColumn<QStringList>("data"); // T_Data rows left
    QTest::addColumn<bool>("upgraded");   // missing tables, columns and indexes made
    const QStringList all{QStringLiteral("EST_20140101"), QStringLiteral("RAT_20140101"), QStringLiteral("RPT_20140101"),
                          QStringLiteral("STK_20140101")};
    QTest::newRow("20140900") << 20140900 << 0 << 0 << 0 << QStringList{QStringLiteral("STK_20140101")} << true;
    QTest::newRow("20140901") << 20140901 << 1 << 0 << 1
                              << QStringList{all[0], all[2], all[3]} << true;
    QTest::newRow("20150900") << 20150900 << 1 << 0 << 1
                              << QStringList{all[0], all[2], all[3]} << true;
    QTest::newRow("20150901") << 20150901 << 1 << 1 << 1 << all << true;
    QTest::newRow("20161101") << 20161101 << 1 << 1 << 1 << all << false;
}

void TestDatabaseSchema::upgradeSteps()
{
    QFETCH(int, version);
    QFETCH(int, reports);
    QFETCH(int, ratings);
    QFETCH(int, estimates);
    QFETCH(QStringList, data);
    QFETCH(bool, upgraded);
    QSqlDatabase db = fixture(QStringLiteral("old.s3"));
    QVERIFY(run(db, {QStringLiteral("PRAGMA user_version = %1").arg(version)}));

    QVERIFY(upgradeDatabaseSchema(db, false));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20161101);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from T_Report")).toInt(), reports);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from T_Rating")).toInt(), ratings);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from T_Estimate")).toInt(), estimates);
    QCOMPARE(column(db, QStringLiteral("select Dat_Name from T_Data order by Dat_Name")), data);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from sqlite_master where name='T_Ace'")).toInt(), upgraded ? 1 : 0);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from sqlite_master where name='Idx_Report_StkCode'")).toInt(), upgraded ? 1 : 0);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from sqlite_master where name='Idx_Rating_DtEntry'")).toInt(), 0);
    const QStringList reportColumns = columnsOf(db, QStringLiteral("T_Report"));
    QCOMPARE(reportColumns.contains(QStringLiteral("Rpt_Type")), upgraded);
    QVERIFY(!reportColumns.contains(QStringLiteral("Rpt_Path")));
    if (upgraded && reports > 0) {
        // A kept table gets the bare column (SQLite writes it in before the key clause); rows and read
        // flags stay.
        QVERIFY(scalar(db, QStringLiteral("select sql from sqlite_master where name='T_Report'")).toString()
                    .endsWith(QStringLiteral("'Rpt_DtModify' DATETIME, 'Rpt_Type' VARCHAR, PRIMARY KEY ('Rpt_ID'))")));
        QCOMPARE(scalar(db, QStringLiteral("select Rpt_Readed from T_Report where Rpt_ID=7")).toInt(), 1);
    }
    const QStringList ratingColumns = columnsOf(db, QStringLiteral("T_Rating"));
    QCOMPARE(ratingColumns.contains(QStringLiteral("Rat_Readed")), upgraded);
    for (const char *unused : {"Rat_Divide", "Rat_Year", "Rat_NP1", "Rat_NP2", "Rat_NP3"})
        QVERIFY(!ratingColumns.contains(QLatin1String(unused)));
}

void TestDatabaseSchema::columnsAreTestedExactly()
{
    QSqlDatabase db = fixture(QStringLiteral("old.s3"));
    QVERIFY(run(db, {
        // Ins_Count is missing although its name occurs inside Ins_Count_Bull and Ins_Count_Bear.
        QStringLiteral("CREATE TABLE 'T_Consensus' ( 'Stk_Code' VARCHAR Not Null, 'Cns_Type' VARCHAR Not Null, "
                       "'Ins_Count_Bull' INTEGER, 'Ins_Count_Bear' INTEGER, PRIMARY KEY ('Stk_Code','Cns_Type'))"),
        // A column spelt in another case is the same column to SQLite.
        QStringLiteral("ALTER TABLE T_Report ADD COLUMN 'rpt_type' VARCHAR"),
        QStringLiteral("PRAGMA user_version = 20150901"),
    }));
    QVERIFY(upgradeDatabaseSchema(db, false));
    const QStringList consensus = columnsOf(db, QStringLiteral("T_Consensus"));
    QVERIFY(consensus.contains(QStringLiteral("Ins_Count")));
    QVERIFY(consensus.contains(QStringLiteral("Ins_Count_Neutral")));
    QCOMPARE(consensus.size(), 17);
    QVERIFY(run(db, {QStringLiteral("insert into T_Consensus (Stk_Code, Cns_Type, Ins_Count) values ('600000', 'A', 3)")}));
    QCOMPARE(columnsOf(db, QStringLiteral("T_Report")).filter(QStringLiteral("rpt_type"), Qt::CaseInsensitive),
             QStringList{QStringLiteral("rpt_type")});
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20161101);
}

void TestDatabaseSchema::failureKeepsTheVersion()
{
    QSqlDatabase db = fixture(QStringLiteral("old.s3"));
    // An index that holds the name T_Matrix makes CREATE TABLE T_Matrix fail.
    QVERIFY(run(db, {QStringLiteral("CREATE INDEX T_Matrix ON T_Data (Dat_DtModify)"),
                     QStringLiteral("PRAGMA user_version = 20150901")}));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("CREATE TABLE 'T_Matrix'")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left below version")));
    QVERIFY(!upgradeDatabaseSchema(db, false));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20150901);
    // The rest was still done.
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from sqlite_master where name='T_Ace'")).toInt(), 1);

    // Once the cause is gone, the next start completes the schema.
    QVERIFY(run(db, {QStringLiteral("DROP INDEX T_Matrix")}));
    QVERIFY(upgradeDatabaseSchema(db, false));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20161101);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from sqlite_master where type='table' and name='T_Matrix'")).toInt(), 1);
}

void TestDatabaseSchema::failedUpgradeDoesNotRepeatTheCleanUp()
{
    QSqlDatabase db = fixture(QStringLiteral("old.s3"));
    QVERIFY(run(db, {QStringLiteral("CREATE INDEX T_Matrix ON T_Data (Dat_DtModify)"),
                     QStringLiteral("PRAGMA user_version = 20140900")}));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("CREATE TABLE 'T_Matrix'")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left below version")));
    QVERIFY(!upgradeDatabaseSchema(db, false));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20150901);

    // Reports imported before the next start survive it.
    QVERIFY(run(db, {QStringLiteral("insert into T_Report (Rpt_ID, Rpt_Readed) values (8, 1)"),
                     QStringLiteral("insert into T_Data values ('RPT_20170101', '2017-01-01 00:00:00')"),
                     QStringLiteral("DROP INDEX T_Matrix")}));
    QVERIFY(upgradeDatabaseSchema(db, false));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), 20161101);
    QCOMPARE(scalar(db, QStringLiteral("select Rpt_Readed from T_Report where Rpt_ID=8")).toInt(), 1);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from T_Data where Dat_Name='RPT_20170101'")).toInt(), 1);
}

void TestDatabaseSchema::notADatabase()
{
    const QString dataDir = path(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(dataDir));
    QFile file(dataDir + QStringLiteral("/data.s3"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray junk(8192, 'j');
    file.write(junk);
    file.close();
    QStringList texts;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot use")));
    QVERIFY(!initMainDatabase(dataDir, [&](const QString &text) { texts << text; }));
    QCOMPARE(texts, QStringList({QStringLiteral("初始化数据库..."), QStringLiteral("数据库初始化失败")}));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), junk);
}

void TestDatabaseSchema::createOnlyAddsNoColumns()
{
    const QString ini = path(QStringLiteral("day.ini"));
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"([Tables]
T_Price="{\"fields\":[{\"name\":\"Prc_Date\",\"type\":\"DATETIME\",\"pk\":1,\"unique\":1,\"valid\":1},{\"name\":\"Prc_Open\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_High\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_Low\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_Close\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_Change\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_Factor\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_Vol\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_Amount\",\"type\":\"FLOAT\",\"valid\":1},{\"name\":\"Prc_DtModify\",\"type\":\"DATETIME\",\"valid\":1}],\"valid\":1}"

[Indexes]
)");
    }
    QSqlDatabase fresh = sqliteConnection(QStringLiteral("Fixture"), path(QStringLiteral("day/600000.s3")));
    QVERIFY(createDatabaseSchema(fresh, ini));
    QCOMPARE(scalar(fresh, QStringLiteral("select sql from sqlite_master where name='T_Price'")).toString(),
             QStringLiteral("CREATE TABLE 'T_Price' ( 'Prc_Date' DATETIME Not Null UNIQUE, 'Prc_Open' FLOAT, 'Prc_High' FLOAT, "
                            "'Prc_Low' FLOAT, 'Prc_Close' FLOAT, 'Prc_Change' FLOAT, 'Prc_Factor' FLOAT, 'Prc_Vol' FLOAT, "
                            "'Prc_Amount' FLOAT, 'Prc_DtModify' DATETIME, PRIMARY KEY ('Prc_Date'))"));
    QCOMPARE(scalar(fresh, QStringLiteral("PRAGMA user_version")).toInt(), 0);

    QSqlDatabase old = sqliteConnection(QStringLiteral("Fixture"), path(QStringLiteral("day/600001.s3")));
    QVERIFY(run(old, {QStringLiteral("CREATE TABLE T_Price (Prc_Date DATETIME)")}));
    QVERIFY(createDatabaseSchema(old, ini));
    QCOMPARE(columnsOf(old, QStringLiteral("T_Price")), QStringList{QStringLiteral("Prc_Date")});
}

QTEST_GUILESS_MAIN(TestDatabaseSchema)
#include "tst_databaseschema.moc"
