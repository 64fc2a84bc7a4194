// The package importers against a real data.s3: the rules of each kind, values stored as the
// program always stored them, hostile values kept out of SQL, and a package that is stored
// whole or not at all.

#include "databaseschema.h"
#include "dbconnection.h"
#include "packageimport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct Notices
{
    QStringList statuses;
    QList<QStringList> messages;   // id, title, institution, type, entry, published
    QList<QStringList> alerts;     // kind, id
    QStringList blockTips;
};

QByteArray packageText(const QJsonArray &rows)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("data"), rows}}).toJson(QJsonDocument::Compact);
}

QJsonObject report(qint64 id, const QString &modified, const QJsonObject &extra = {})
{
    QJsonObject row{{"id", id},
                    {"cd", "STK.COM@CN"},
                    {"im", 1},
                    {"ex", 0},
                    {"in", "电子"},
                    {"sc", "600000.SH"},
                    {"is", "华信证券"},
                    {"an", "张三[1001]"},
                    {"tt", "标题"},
                    {"dP", "2017-01-09"},
                    {"pg", 12},
                    {"tE", "2017-01-09 09:30:00"},
                    {"ty", "PDF"},
                    {"tM", modified},
                    {"ms", 0}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

QJsonObject rating(qint64 id, const QString &stock, const QString &institution, const QString &published,
                   const QString &modified, const QJsonObject &extra = {})
{
    QJsonObject row{{"cd", stock},       {"is", institution}, {"an", "张三[1001]"}, {"dP", published},
                    {"rc", "买入"},      {"sc", 5},           {"ac", "I"},          {"pP", 12.5},
                    {"pF", 1.25},        {"pL", 14},          {"pU", 16.5},         {"fs", 0.35},
                    {"fm", -0.12},       {"nw", 1},           {"id", id},           {"pr", ""},
                    {"tE", published + " 10:00:00"},          {"tM", modified}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

} // namespace

class TestImporters : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void progressTexts_data();
    void progressTexts();
    void recordWrittenWithTheRows();
    void failedRecordLeavesNothing();
    void failedCommitRollsBack();
    void notJsonWritesNothing();

    void reportInsertAndUpdate();
    void reportUpdateKeepsReadFlagAndEntryTime();
    void reportTitleAndApostrophes();
    void reportMessages_data();
    void reportMessages();
    void reportBlockTips();
    void reportMalformedKeySkipsOnlyThatRow();
    void reportDelete();

    void ratingUpdateRules_data();
    void ratingUpdateRules();
    void ratingUpdateKeepsFactorAndReadFlag();
    void ratingRekeyedReportId();
    void ratingNewFlagReset();
    void ratingAlerts_data();
    void ratingAlerts();
    void ratingHostileValues();

    void estimates();
    void estimateDelete();

    void valueConversion_data();
    void valueConversion();
    void figureDateRule_data();
    void figureDateRule();
    void figureMissingNumberSkipsRow();
    void aceYearAndStockQuit_data();
    void aceYearAndStockQuit();
    void sameKeyTwiceInOnePackage();

    void recommendations();
    void analysts();
    void analystDelete();

private:
    ImportResult import(const QString &name, const QJsonArray &rows, const DataRecord *record = nullptr);
    QVariant value(const QString &sql);
    int count(const QString &table) { return value(QStringLiteral("select count(*) from ") + table).toInt(); }
    bool exec(const QString &sql);

    std::unique_ptr<QTemporaryDir> m_dir;
    ImportContext m_context;
    Notices m_notices;
    QStringList m_blocked;
};

void TestImporters::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(initMainDatabase(m_dir->path()));
    m_notices = Notices();
    m_blocked.clear();
    m_context = ImportContext();
    m_context.messageShow = true;
    m_context.ratingDays = 180;
    m_context.alertFirstRating = true;
    m_context.alertUpgrade = true;
    m_context.status = [this](const QString &text) { m_notices.statuses.append(text); };
    m_context.message = [this](const QString &id, const QString &title, const QString &institution,
                               const QString &type, const QDateTime &entry, const QDateTime &published) {
        m_notices.messages.append({id, title, institution, type, entry.toString(Qt::ISODate),
                                   published.toString(Qt::ISODate)});
    };
    m_context.alert = [this](const QString &kind, const QString &id) { m_notices.alerts.append({kind, id}); };
    m_context.blockTip = [this](const QString &code) { m_notices.blockTips.append(code); };
    m_context.isBlockedStock = [this](const QString &code) { return m_blocked.contains(code); };
}

void TestImporters::cleanup()
{
    closeMainDatabase();
    closeSqliteConnection(QStringLiteral("Check"));
    m_dir.reset();
}

ImportResult TestImporters::import(const QString &name, const QJsonArray &rows, const DataRecord *record)
{
    return importPackage(mainDatabase(), name, packageText(rows), m_context, record);
}

QVariant TestImporters::value(const QString &sql)
{
    QSqlQuery query(mainDatabase());
    if (!query.exec(sql) || !query.next()) {
        qWarning() << sql << query.lastError().text();
        return QVariant();
    }
    return query.value(0);
}

bool TestImporters::exec(const QString &sql)
{
    QSqlQuery query(mainDatabase());
    if (query.exec(sql))
        return true;
    qWarning() << sql << query.lastError().text();
    return false;
}

// Common procedure

void TestImporters::progressTexts_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("percents");
    QTest::newRow("empty") << 0 << QStringList{"0.00", "100.00"};
    QStringList every80{"0.00"};
    for (int i = 2; i <= 80; i += 2)
        every80.append(QString::number(i * 100.0 / 80, 'f', 2));
    every80.append("100.00");
    QTest::newRow("80 rows, every second") << 80 << every80;
    QStringList every39{"0.00"};
    for (int i = 1; i <= 39; ++i)
        every39.append(QString::number(i * 100.0 / 39, 'f', 2));
    every39.append("100.00");
    QTest::newRow("39 rows, every row") << 39 << every39;
}

void TestImporters::progressTexts()
{
    QFETCH(int, rows);
    QFETCH(QStringList, percents);
    QJsonArray data;
    for (int i = 0; i < rows; ++i)
        data.append(QJsonObject{{"id", 9000 + i}});
    const ImportResult result = import(QStringLiteral("ESTDEL.DAT"), data);
    QVERIFY(result.ok());
    QStringList expected;
    for (const QString &p : percents)
        expected.append(QStringLiteral("清理ESTDEL.DAT...") + p + QLatin1Char('%'));
    QCOMPARE(m_notices.statuses, expected);
}

void TestImporters::recordWrittenWithTheRows()
{
    const DataRecord record{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 17:00:00")};
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 10:00:00")}, &record).ok());
    QCOMPARE(value("select Dat_DtModify from T_Data where Dat_Name = 'RPTTDY'").toString(), record.time);
    const DataRecord later{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 18:00:00")};
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {}, &later).ok());
    QCOMPARE(count("T_Data"), 1);
    QCOMPARE(value("select Dat_DtModify from T_Data").toString(), later.time);
}

void TestImporters::failedRecordLeavesNothing()
{
    QVERIFY(exec("drop table T_Data"));
    const DataRecord record{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 17:00:00")};
    m_blocked = QStringList{QStringLiteral("600000.SH")};
    const ImportResult result = import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 10:00:00")}, &record);
    QCOMPARE(result.status, ImportResult::DatabaseFailed);
    QCOMPARE(count("T_Report"), 0);
    QVERIFY(m_notices.blockTips.isEmpty());
}

void TestImporters::failedCommitRollsBack()
{
    // A deferred foreign key that is broken fails the COMMIT itself, and SQLite then stays inside
    // the transaction.
    QVERIFY(exec("create table T_Parent (y integer primary key)"));
    QVERIFY(exec("create table T_Check (x integer references T_Parent (y) deferrable initially deferred)"));
    QVERIFY(exec("create trigger Trg_Check after insert on T_Report begin insert into T_Check values (1); end"));
    QVERIFY(exec("pragma foreign_keys = on"));
    m_blocked = QStringList{QStringLiteral("600000.SH")};

    const DataRecord record{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 17:00:00")};
    const ImportResult failed = import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 10:00:00")}, &record);
    QCOMPARE(failed.status, ImportResult::DatabaseFailed);
    QVERIFY(m_notices.blockTips.isEmpty());

    // The next package must not join a transaction left open: what it writes is on disk for
    // every other connection.
    const DataRecord next{QStringLiteral("RCM"), QStringLiteral("2017-01-09 17:00:00")};
    QVERIFY(import(QStringLiteral("RCM.DAT"), {QJsonObject{{"id", 7}, {"vl", 1}, {"tA", "a"}, {"tM", "b"}}}, &next).ok());
    QSqlDatabase other = sqliteConnection(QStringLiteral("Check"), mainDatabasePath());
    QSqlQuery query(other);
    QVERIFY(query.exec("select (select count(*) from T_Report), (select count(*) from T_Recommend), "
                       "(select group_concat(Dat_Name) from T_Data)"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 0);
    QCOMPARE(query.value(1).toInt(), 1);
    QCOMPARE(query.value(2).toString(), QStringLiteral("RCM"));
}

void TestImporters::notJsonWritesNothing()
{
    const DataRecord record{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 17:00:00")};
    const ImportResult result = importPackage(mainDatabase(), QStringLiteral("RPTTDY.DAT"),
                                              QByteArray("<html>502</html>"), m_context, &record);
    QCOMPARE(result.status, ImportResult::NotJson);
    QCOMPARE(count("T_Data"), 0);
    // JSON without rows is an empty package, imported.
    QVERIFY(importPackage(mainDatabase(), QStringLiteral("RPTTDY.DAT"), QByteArray("{}"), m_context, &record).ok());
    QCOMPARE(count("T_Data"), 1);
}

// Reports

void TestImporters::reportInsertAndUpdate()
{
    QVERIFY(import(QStringLiteral("RPTMTH201701.DAT"), {report(1, "2017-01-09 10:00:00")}).ok());
    const ImportResult same = import(QStringLiteral("RPTMTH201701.DAT"),
                                     {report(1, "2017-01-09 10:00:00", {{"tt", "同样的时间"}}),
                                      report(1, "2017-01-09 09:00:00", {{"tt", "更早的时间"}})});
    QCOMPARE(same.unchanged, 2);
    QCOMPARE(value("select Rpt_Title from T_Report").toString(), QStringLiteral("标题"));
    const ImportResult later = import(QStringLiteral("RPTMTH201701.DAT"),
                                      {report(1, "2017-01-09 10:00:01", {{"tt", "新标题"}, {"pg", 30}})});
    QCOMPARE(later.updated, 1);
    QCOMPARE(value("select Rpt_Title || '/' || Rpt_Page_Count from T_Report").toString(), QStringLiteral("新标题/30"));
    QCOMPARE(count("T_Report"), 1);
}

void TestImporters::reportUpdateKeepsReadFlagAndEntryTime()
{
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 10:00:00")}).ok());
    QCOMPARE(value("select Rpt_Readed from T_Report").toInt(), 0);
    QVERIFY(exec("update T_Report set Rpt_Readed = 1"));
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"),
                   {report(1, "2017-01-09 11:00:00", {{"tE", "2017-01-09 11:00:00"}, {"ty", "DOC"}})})
                .ok());
    QCOMPARE(value("select Rpt_Readed || '/' || Rpt_DtEntry || '/' || Rpt_Type from T_Report").toString(),
             QStringLiteral("1/2017-01-09 09:30:00/DOC"));
}

void TestImporters::reportTitleAndApostrophes()
{
    const QJsonObject row = report(9000001, "2017-01-09 17:00:00",
                                   {{"tt", "O'Neil科技(699001)：It's &quot;quoted&quot; C:&#92;x"},
                                    {"is", "Moody's"},
                                    {"an", "O'Brien[9991]"},
                                    {"pg", "1); DELETE FROM T_Report; --"},
                                    {"ms", 1}});
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {row}).ok());
    QCOMPARE(value("select Rpt_Title from T_Report").toString(),
             QStringLiteral("O'Neil科技(699001)：It's \"quoted\" C:\\x"));
    QCOMPARE(value("select Ins_Name || '|' || Anl_List from T_Report").toString(), QStringLiteral("Moody's|O'Brien[9991]"));
    // Read as an integer, the hostile page count is 0.
    QCOMPARE(value("select Rpt_Page_Count from T_Report").toInt(), 0);
    QCOMPARE(m_notices.messages.size(), 1);
    QCOMPARE(m_notices.messages.first().at(1), QStringLiteral("O'Neil科技(699001)：It's \"quoted\" C:\\x"));
}

void TestImporters::reportMessages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("messageShow");
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("message");
    QTest::newRow("today, on, flagged") << "RPTTDY.DAT" << true << 1 << true;
    QTest::newRow("today with a suffix") << "RPTTDY_2.DAT" << true << 1 << true;
    QTest::newRow("not flagged") << "RPTTDY.DAT" << true << 0 << false;
    QTest::newRow("flag 2") << "RPTTDY.DAT" << true << 2 << false;
    QTest::newRow("messages off") << "RPTTDY.DAT" << false << 1 << false;
    QTest::newRow("monthly package") << "RPTMTH201701.DAT" << true << 1 << false;
}

void TestImporters::reportMessages()
{
    QFETCH(QString, name);
    QFETCH(bool, messageShow);
    QFETCH(int, flag);
    QFETCH(bool, message);
    m_context.messageShow = messageShow;
    QVERIFY(import(name, {report(10009713, "2017-01-09 10:00:00", {{"ms", flag}, {"ty", ""}})}).ok());
    if (!message) {
        QVERIFY(m_notices.messages.isEmpty());
        return;
    }
    QCOMPARE(m_notices.messages.size(), 1);
    QCOMPARE(m_notices.messages.first(),
             (QStringList{"10009713", "标题", "华信证券", "", "2017-01-09T09:30:00", "2017-01-09T00:00:00"}));
    // An update of the same report raises none.
    QVERIFY(import(name, {report(10009713, "2017-01-09 12:00:00", {{"ms", flag}})}).ok());
    QCOMPARE(m_notices.messages.size(), 1);
}

void TestImporters::reportBlockTips()
{
    m_blocked = QStringList{QStringLiteral("600428.SH")};
    QVERIFY(import(QStringLiteral("RPTMTH201701.DAT"),
                   {report(1, "2017-01-09 10:00:00", {{"sc", "600428.SH"}}),
                    report(2, "2017-01-09 10:00:00", {{"sc", "000001.SZ"}}),
                    report(3, "2017-01-09 10:00:00", {{"sc", ""}})})
                .ok());
    QCOMPARE(m_notices.blockTips, QStringList{QStringLiteral("600428.SH")});
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 11:00:00", {{"sc", "600428.SH"}})}).ok());
    QCOMPARE(m_notices.blockTips.size(), 1);
}

void TestImporters::reportMalformedKeySkipsOnlyThatRow()
{
    auto withId = [](const QJsonValue &id) {
        QJsonObject row = report(0, "2017-01-09 10:00:00");
        row.insert("id", id);
        return row;
    };
    const ImportResult result = import(QStringLiteral("RPTTDY.DAT"),
                                       {withId(1), withId("9000002 OR 1=1"), withId(QJsonValue::Null), withId(3)});
    QVERIFY(result.ok());
    QCOMPARE(result.skipped, 2);
    QCOMPARE(result.inserted, 2);
    QCOMPARE(value("select group_concat(Rpt_ID) from (select Rpt_ID from T_Report order by Rpt_ID)").toString(),
             QStringLiteral("1,3"));
}

void TestImporters::reportDelete()
{
    QVERIFY(import(QStringLiteral("RPTMTH201701.DAT"), {report(1, "2017-01-09 10:00:00"), report(2, "2017-01-09 10:00:00")}).ok());
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"),
                   {rating(1, "600000.SH", "华信证券", "2017-01-09", "2017-01-09 10:00:00"),
                    rating(2, "600000.SH", "华信证券", "2017-01-08", "2017-01-09 10:00:00")})
                .ok());
    const ImportResult hostile = import(QStringLiteral("RPTDEL.DAT"), {QJsonObject{{"id", "0 or 1=1"}}});
    QVERIFY(hostile.ok());
    QCOMPARE(count("T_Report"), 2);
    QCOMPARE(count("T_Rating"), 2);
    const ImportResult result = import(QStringLiteral("RPTDEL.DAT"), {QJsonObject{{"id", 1}}, QJsonObject{{"id", 404}}});
    QVERIFY(result.ok());
    QCOMPARE(result.deleted, 1);
    QCOMPARE(value("select group_concat(Rpt_ID) from T_Report").toString(), QStringLiteral("2"));
    QCOMPARE(value("select group_concat(Rpt_ID) from T_Rating").toString(), QStringLiteral("2"));
    QCOMPARE(m_notices.statuses.last(), QStringLiteral("清理RPTDEL.DAT...100.00%"));
}

// Ratings

void TestImporters::ratingUpdateRules_data()
{
    QTest::addColumn<QString>("modified");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<int>("storedNew");
    QTest::addColumn<int>("rowNew");
    QTest::addColumn<bool>("updated");
    QTest::newRow("same time, link and flag") << "2017-01-09 10:00:00" << "" << 1 << 1 << false;
    QTest::newRow("later time") << "2017-01-09 10:00:01" << "" << 1 << 1 << true;
    QTest::newRow("older time, other previous report") << "2017-01-09 09:00:00" << "77" << 1 << 1 << true;
    QTest::newRow("previous report not a number counts as 0") << "2017-01-09 09:00:00" << "x" << 1 << 1 << false;
    QTest::newRow("stops being new") << "2017-01-09 09:00:00" << "" << 1 << 0 << true;
    QTest::newRow("does not become new") << "2017-01-09 09:00:00" << "" << 0 << 1 << false;
}

void TestImporters::ratingUpdateRules()
{
    QFETCH(QString, modified);
    QFETCH(QString, previous);
    QFETCH(int, storedNew);
    QFETCH(int, rowNew);
    QFETCH(bool, updated);
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"),
                   {rating(1, "600000.SH", "华信证券", "2017-01-09", "2017-01-09 10:00:00", {{"nw", storedNew}})})
                .ok());
    QCOMPARE(value("select Rpt_ID_Pre from T_Rating").toInt(), 0);
    const ImportResult result = import(QStringLiteral("RATMTH201701.DAT"),
                                       {rating(1, "600000.SH", "华信证券", "2017-01-09", modified,
                                               {{"nw", rowNew}, {"pr", previous}, {"rc", "增持"}})});
    QCOMPARE(result.updated, updated ? 1 : 0);
    QCOMPARE(value("select Rat_Recomm from T_Rating").toString(), updated ? QStringLiteral("增持") : QStringLiteral("买入"));
    QCOMPARE(count("T_Rating"), 1);
}

void TestImporters::ratingUpdateKeepsFactorAndReadFlag()
{
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(1, "600000.SH", "华信证券", "2017-01-09", "2017-01-09 10:00:00")}).ok());
    QVERIFY(exec("update T_Rating set Rat_Readed = 1"));
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"),
                   {rating(1, "600000.SH", "华信证券", "2017-01-09", "2017-01-09 11:00:00",
                           {{"pF", 9.9}, {"pP", 13}, {"pr", ""}})})
                .ok());
    QCOMPARE(value("select Rat_PrcFac || '/' || Rat_PrcPub || '/' || Rat_Readed || '/' || Rpt_ID_Pre from T_Rating").toString(),
             QStringLiteral("1.25/13.0/1/0"));
}

void TestImporters::ratingRekeyedReportId()
{
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(5, "600000.SH", "华信证券", "2017-01-05", "2017-01-05 10:00:00")}).ok());
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(5, "000001.SZ", "华信证券", "2017-01-05", "2017-01-05 10:00:00")}).ok());
    QCOMPARE(count("T_Rating"), 1);
    QCOMPARE(value("select Stk_Code from T_Rating where Rpt_ID = 5").toString(), QStringLiteral("000001.SZ"));
}

void TestImporters::ratingNewFlagReset()
{
    // The window: 180 days before the newest report entry, 2017-01-09.
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {report(100, "2017-01-09 10:00:00", {{"tE", "2017-01-09 15:00:00"}})}).ok());
    QVERIFY(import(QStringLiteral("RATMTH201612.DAT"),
                   {rating(5, "600000.SH", "华信证券", "2017-01-10", "2017-01-10 10:00:00"),   // published later
                    rating(2, "600000.SH", "华信证券", "2016-06-01", "2016-06-01 10:00:00"),   // before the window
                    rating(1, "600000.SH", "华信证券", "2016-12-01", "2016-12-01 10:00:00"),
                    rating(3, "600000.SH", "鼎信证券", "2016-12-01", "2016-12-01 10:00:00"),   // other institution
                    rating(4, "000001.SZ", "华信证券", "2016-12-01", "2016-12-01 10:00:00")})  // other stock
                .ok());
    QCOMPARE(value("select sum(Rat_New) from T_Rating").toInt(), 5);
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(6, "600000.SH", "华信证券", "2017-01-05", "2017-01-05 10:00:00")}).ok());
    QCOMPARE(value("select group_concat(Rpt_ID) from (select Rpt_ID from T_Rating where Rat_New = 1 order by Rpt_ID)").toString(),
             QStringLiteral("2,3,4,5,6"));

    // A rating that became new through an update in the same package is reset too.
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"),
                   {rating(7, "000002.SZ", "华信证券", "2016-12-02", "2016-12-02 10:00:00", {{"nw", 0}}),
                    rating(7, "000002.SZ", "华信证券", "2016-12-02", "2016-12-03 10:00:00", {{"nw", 1}}),
                    rating(8, "000002.SZ", "华信证券", "2017-01-06", "2017-01-06 10:00:00")})
                .ok());
    QCOMPARE(value("select Rat_New from T_Rating where Rpt_ID = 7").toInt(), 0);
    QCOMPARE(value("select Rat_New from T_Rating where Rpt_ID = 8").toInt(), 1);
}

void TestImporters::ratingAlerts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("isNew");
    QTest::addColumn<bool>("firstEnabled");
    QTest::addColumn<QString>("alert");
    QTest::newRow("first rating") << "RATTDY.DAT" << "I" << 1 << true << "RAT_ACT_INI";
    QTest::newRow("upgrade") << "RATTDY.DAT" << "U" << 1 << true << "RAT_ACT_UPG";
    QTest::newRow("first ratings not chosen") << "RATTDY.DAT" << "I" << 1 << false << "";
    QTest::newRow("not new") << "RATTDY.DAT" << "I" << 0 << true << "";
    QTest::newRow("other action") << "RATTDY.DAT" << "D" << 1 << true << "";
    QTest::newRow("monthly package") << "RATMTH201701.DAT" << "I" << 1 << true << "";
}

void TestImporters::ratingAlerts()
{
    QFETCH(QString, name);
    QFETCH(QString, action);
    QFETCH(int, isNew);
    QFETCH(bool, firstEnabled);
    QFETCH(QString, alert);
    m_context.alertFirstRating = firstEnabled;
    const QJsonObject row = rating(10009001, "600000.SH", "华信证券", "2017-01-09", "2017-01-09 10:00:00",
                                   {{"ac", action}, {"nw", isNew}});
    QVERIFY(import(name, {row}).ok());
    if (alert.isEmpty())
        QVERIFY(m_notices.alerts.isEmpty());
    else
        QCOMPARE(m_notices.alerts, (QList<QStringList>{{alert, "10009001"}}));
    // Seen again (an update or nothing), it raises no alert.
    QVERIFY(import(name, {rating(10009001, "600000.SH", "华信证券", "2017-01-09", "2017-01-09 11:00:00",
                                 {{"ac", action}, {"nw", isNew}})})
                .ok());
    QCOMPARE(m_notices.alerts.size(), alert.isEmpty() ? 0 : 1);
}

void TestImporters::ratingHostileValues()
{
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(1, "600000.SH", "Moody's", "2017-01-09", "2017-01-09 10:00:00",
                                                               {{"fs", QJsonValue::Null}})})
                .ok());
    const ImportResult result = import(QStringLiteral("RATTDY.DAT"),
                                       {rating(2, "600000.SH", "Moody's", "2017-01-08", "2017-01-08 10:00:00",
                                               {{"pP", "12.5); DROP TABLE T_Rating; --"}}),
                                        rating(3, "600000.SH", "Moody's", "2017-01-07", "2017-01-07 10:00:00",
                                               {{"pL", "0 OR 1=1"}}),
                                        rating(1, "600000.SH", "Moody's", "2017-01-09", "2017-01-09 10:00:00")});
    QVERIFY(result.ok());
    QCOMPARE(result.skipped, 2);
    QCOMPARE(result.unchanged, 1);
    QCOMPARE(count("T_Rating"), 1);
    QCOMPARE(value("select coalesce(Rat_PerformShort, 'NULL') || '/' || Ins_Name from T_Rating").toString(),
             QStringLiteral("NULL/Moody's"));
}

// Estimates

void TestImporters::estimates()
{
    auto estimate = [](qint64 id, const QString &period, const QJsonValue &profit, const QString &modified) {
        QJsonObject row{{"id", id}, {"pr", period}, {"cd", "600000.SH"}, {"tM", modified}};
        if (!profit.isUndefined())
            row.insert("np", profit);
        return row;
    };
    QVERIFY(import(QStringLiteral("ESTMTH201701.DAT"),
                   {estimate(1, "2016", 120, "2017-01-09 10:00:00"), estimate(1, "2017", 0.35, "2017-01-09 10:00:00")})
                .ok());
    QCOMPARE(count("T_Estimate"), 2);
    const ImportResult result = import(QStringLiteral("ESTTDY.DAT"),
                                       {estimate(1, "2016", 130, "2017-01-09 11:00:00"),
                                        estimate(1, "2017", 99, "2017-01-09 10:00:00"),
                                        estimate(2, "2016", QJsonValue(QJsonValue::Undefined), "2017-01-09 10:00:00"),
                                        estimate(3, "2016", QJsonValue(QJsonValue::Null), "2017-01-09 10:00:00")});
    QCOMPARE(result.updated, 1);
    QCOMPARE(result.unchanged, 1);
    QCOMPARE(result.skipped, 1);   // no net profit: the row is left out
    QCOMPARE(result.inserted, 1);  // a null one is stored as NULL
    QCOMPARE(value("select group_concat(coalesce(Est_NetProfit, 'NULL')) from "
                   "(select Est_NetProfit from T_Estimate order by Rpt_ID, Est_Period)").toString(),
             QStringLiteral("130.0,0.35,NULL"));
}

void TestImporters::estimateDelete()
{
    QVERIFY(import(QStringLiteral("ESTTDY.DAT"), {QJsonObject{{"id", 1}, {"pr", "2016"}, {"cd", "x"}, {"np", 1}, {"tM", "t"}},
                                                   QJsonObject{{"id", 1}, {"pr", "2017"}, {"cd", "x"}, {"np", 1}, {"tM", "t"}}})
                .ok());
    const ImportResult result = import(QStringLiteral("ESTDEL.DAT"), {QJsonObject{{"id", 1}, {"pr", "2016"}},
                                                                       QJsonObject{{"id", 1}, {"pr", "2030"}}});
    QVERIFY(result.ok());
    QCOMPARE(result.deleted, 1);
    QCOMPARE(value("select group_concat(Est_Period) from T_Estimate").toString(), QStringLiteral("2017"));
}

// Finance, consensus, matrix, performance and stocks

void TestImporters::valueConversion_data()
{
    QTest::addColumn<QJsonValue>("json");
    QTest::addColumn<QString>("stored");   // value || '/' || typeof(value)
    QTest::newRow("120") << QJsonValue(120) << "120.0/real";
    QTest::newRow("0.35") << QJsonValue(0.35) << "0.35/real";
    QTest::newRow("numeric text") << QJsonValue("0.35") << "0.35/real";
    QTest::newRow("null") << QJsonValue(QJsonValue::Null) << "NULL/null";
    QTest::newRow("exponent") << QJsonValue(1e21) << "1.0e+21/real";
    QTest::newRow("true") << QJsonValue(true) << "1.0/real";
}

void TestImporters::valueConversion()
{
    QFETCH(QJsonValue, json);
    QFETCH(QString, stored);
    QVERIFY(import(QStringLiteral("FIN.DAT"), {QJsonObject{{"cd", "600000.SH"}, {"dt", "2015-12-31"}, {"blc3010", json},
                                                           {"prf30", 1}, {"prf5010", 2}, {"tM", "2017-01-09 06:00:00"}}})
                .ok());
    QCOMPARE(value("select coalesce(Blc_3010, 'NULL') || '/' || typeof(Blc_3010) from T_Finance").toString(), stored);
}

void TestImporters::figureDateRule_data()
{
    QTest::addColumn<QString>("storedDate");
    QTest::addColumn<QString>("rowDate");
    QTest::addColumn<QString>("rowTime");   // stored time: 2017-01-09 06:00:00
    QTest::addColumn<bool>("updated");
    QTest::newRow("later time") << "2017-01-06" << "2017-01-06" << "2017-01-09 06:00:01" << true;
    QTest::newRow("later date, earlier time") << "2017-01-06" << "2017-01-09" << "2017-01-08 06:00:00" << true;
    QTest::newRow("same date, same time") << "2017-01-06" << "2017-01-06" << "2017-01-09 06:00:00" << false;
    QTest::newRow("earlier date") << "2017-01-06" << "2017-01-05" << "2017-01-08 06:00:00" << false;
    QTest::newRow("unreadable stored date loses") << "" << "2017-01-05" << "2017-01-08 06:00:00" << true;
    QTest::newRow("unreadable row date never wins") << "2017-01-06" << "soon" << "2017-01-08 06:00:00" << false;
}

void TestImporters::figureDateRule()
{
    QFETCH(QString, storedDate);
    QFETCH(QString, rowDate);
    QFETCH(QString, rowTime);
    QFETCH(bool, updated);
    auto matrix = [](const QString &date, const QString &time, int level) {
        return QJsonObject{{"cd", "600000.SH"}, {"mx", level}, {"opgttm", 0.1}, {"cagrlast", 0.2}, {"pre", "预增"},
                           {"dt", date}, {"tM", time}};
    };
    auto consensus = [](const QString &date, const QString &time, int count) {
        return QJsonObject{{"cd", "600000.SH"}, {"tp", "TDY"}, {"ic", count}, {"uc", 1}, {"nc", 0}, {"bc", 0},
                           {"rc", 3}, {"sr", 0.5}, {"mr", 0.4}, {"pL", 10}, {"pU", 20}, {"p1", 1}, {"p2", 2},
                           {"p3", 3}, {"cn", 0.1}, {"dt", date}, {"tM", time}};
    };
    QVERIFY(import(QStringLiteral("MTX.DAT"), {matrix(storedDate, "2017-01-09 06:00:00", 5)}).ok());
    QVERIFY(import(QStringLiteral("CNS.DAT"), {consensus(storedDate, "2017-01-09 06:00:00", 5)}).ok());
    QVERIFY(import(QStringLiteral("MTX.DAT"), {matrix(rowDate, rowTime, 9)}).ok());
    QVERIFY(import(QStringLiteral("CNS.DAT"), {consensus(rowDate, rowTime, 9)}).ok());
    const QString expected = updated ? rowDate + QLatin1Char('/') + rowTime : storedDate + "/2017-01-09 06:00:00";
    QCOMPARE(value("select Mtx_Level from T_Matrix").toInt(), updated ? 9 : 5);
    QCOMPARE(value("select Mtx_DtUpdate || '/' || Mtx_DtModify from T_Matrix").toString(), expected);
    QCOMPARE(value("select Ins_Count from T_Consensus").toInt(), updated ? 9 : 5);
    QCOMPARE(value("select Cns_DtUpdate || '/' || Cns_DtModify from T_Consensus").toString(), expected);
}

void TestImporters::figureMissingNumberSkipsRow()
{
    const QJsonObject good{{"cd", "600000.SH"}, {"nm", "O'Neil科技"}, {"sp", "O'NKJ"}, {"qt", 0}, {"pD", "2017-01-09"},
                           {"pC", 12.5}, {"pG", 0.1}, {"pF", 1}, {"sh", 5e8}, {"in", "电子"}, {"pN", 250},
                           {"pM", "2017-01-09 16:00:00"}, {"b3010ttm", 1}, {"p5010ttm", 2}, {"tM", "2017-01-09 06:00:00"}};
    QJsonObject missing = good;
    missing.insert("cd", "000001.SZ");
    missing.remove("pC");
    QJsonObject hostile = good;
    hostile.insert("cd", "000002.SZ");
    hostile.insert("sh", "1); DROP TABLE T_Stock; --");
    const ImportResult result = import(QStringLiteral("STK.DAT"), {good, missing, hostile});
    QVERIFY(result.ok());
    QCOMPARE(result.inserted, 1);
    QCOMPARE(result.skipped, 2);
    QCOMPARE(value("select Stk_Name || '/' || Stk_Spell || '/' || Prc_Count from T_Stock").toString(),
             QStringLiteral("O'Neil科技/O'NKJ/250"));
}

void TestImporters::aceYearAndStockQuit_data()
{
    QTest::addColumn<QJsonValue>("json");
    QTest::addColumn<int>("stored");
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << 0;
    QTest::newRow("number") << QJsonValue(2013) << 2013;
    QTest::newRow("fraction") << QJsonValue(2.9) << 2;
    QTest::newRow("text") << QJsonValue("2013") << 2013;
    QTest::newRow("true") << QJsonValue(true) << 1;
    QTest::newRow("garbage") << QJsonValue("x") << 0;
}

void TestImporters::aceYearAndStockQuit()
{
    QFETCH(QJsonValue, json);
    QFETCH(int, stored);
    QJsonObject ace{{"uid", 1001}, {"st", 1},  {"rc", 2},  {"sc", 3},  {"ss", 4}, {"sx", 0.5}, {"si", -0.5}, {"sa", 0.1},
                    {"mc", 5},     {"ms", 6},  {"mx", 0.6}, {"mi", -0.6}, {"ma", 0.2}, {"dt", "2017-01-06"},
                    {"tM", "2017-01-09 06:00:00"}};
    QJsonObject stock{{"cd", "600000.SH"}, {"nm", "浦发银行"}, {"sp", "PFYH"}, {"pD", "2017-01-09"}, {"pC", 12.5},
                      {"pG", 0.1}, {"pF", 1}, {"sh", 5e8}, {"in", "银行"}, {"pN", 250}, {"pM", "2017-01-09 16:00:00"},
                      {"b3010ttm", 1}, {"p5010ttm", 2}, {"tM", "2017-01-09 06:00:00"}};
    if (!json.isUndefined()) {
        ace.insert("yr", json);
        stock.insert("qt", json);
    }
    QVERIFY(import(QStringLiteral("ACE.DAT"), {ace}).ok());
    QVERIFY(import(QStringLiteral("STK.DAT"), {stock}).ok());
    QCOMPARE(value("select Ace_Year from T_Ace").toInt(), stored);
    QCOMPARE(value("select Stk_Quit from T_Stock").toInt(), stored);
    // The same integer finds the row again.
    const ImportResult again = import(QStringLiteral("ACE.DAT"), {ace});
    QCOMPARE(again.unchanged, 1);
    QCOMPARE(count("T_Ace"), 1);
}

void TestImporters::sameKeyTwiceInOnePackage()
{
    auto finance = [](double value, const QString &time) {
        return QJsonObject{{"cd", "600000.SH"}, {"dt", "2015-12-31"}, {"blc3010", value}, {"prf30", 1}, {"prf5010", 2},
                           {"tM", time}};
    };
    const ImportResult result = import(QStringLiteral("FIN.DAT"), {finance(1, "2017-01-09 06:00:00"),
                                                                   finance(2, "2017-01-09 05:00:00"),
                                                                   finance(3, "2017-01-09 07:00:00")});
    QCOMPARE(result.inserted, 1);
    QCOMPARE(result.unchanged, 1);
    QCOMPARE(result.updated, 1);
    QCOMPARE(value("select Blc_3010 from T_Finance").toDouble(), 3.0);
}

// Recommendations and analysts

void TestImporters::recommendations()
{
    auto rcm = [](const QJsonValue &id, const QJsonValue &valid, const QString &added, const QString &modified) {
        QJsonObject row{{"id", id}, {"tA", added}, {"tM", modified}};
        if (!valid.isUndefined())
            row.insert("vl", valid);
        return row;
    };
    QVERIFY(import(QStringLiteral("RCM.DAT"), {rcm(1, 1, "2017-01-01 09:00:00", "2017-01-01 09:00:00"),
                                               rcm(2, 1, "2017-01-01 09:00:00", "2017-01-01 09:00:00"),
                                               rcm(3, 1, "2017-01-01 09:00:00", "2017-01-01 09:00:00"),
                                               rcm(4, 1, "2017-01-01 09:00:00", "2017-01-01 09:00:00")})
                .ok());
    const ImportResult result = import(QStringLiteral("RCM.DAT"),
                                       {rcm(1, 1, "2017-01-05 09:00:00", "2017-01-05 09:00:00"),
                                        rcm(2, 0, "x", "2016-01-01 00:00:00"),
                                        rcm(3, -1, "x", "2016-01-01 00:00:00"),
                                        rcm(4, QJsonValue(QJsonValue::Undefined), "x", "2016-01-01 00:00:00"),
                                        rcm("0 or 1=1", 0, "x", "x")});
    QCOMPARE(result.deleted, 3);
    QCOMPARE(result.skipped, 1);
    QCOMPARE(value("select Rpt_ID || '/' || Rcm_DtAdd || '/' || Rcm_DtModify from T_Recommend").toString(),
             QStringLiteral("1/2017-01-01 09:00:00/2017-01-05 09:00:00"));
}

void TestImporters::analysts()
{
    auto analyst = [](qint64 id, qint64 uid, int isNew, const QString &date, const QString &time, const QString &name) {
        return QJsonObject{{"id", id},  {"nm", name},  {"is", "Moody's"}, {"in", "电子"}, {"mn", 12},
                           {"ui", uid}, {"nw", isNew}, {"dt", date},      {"tM", time}};
    };
    QVERIFY(import(QStringLiteral("ANL.DAT"), {analyst(1, 1001, 1, "2017-01-06", "2017-01-06 06:00:00", "D'Angelo"),
                                               analyst(2, 1002, 1, "2017-01-06", "2017-01-06 06:00:00", "李四")})
                .ok());
    // A new record of the person takes the mark; an update with the mark leaves the others alone.
    QVERIFY(import(QStringLiteral("ANL.DAT"), {analyst(3, 1001, 1, "2017-01-06", "2017-01-06 06:00:00", "D'Angelo")}).ok());
    QCOMPARE(value("select group_concat(Anl_ID || ':' || Anl_New) from (select * from T_Analyst order by Anl_ID)").toString(),
             QStringLiteral("1:0,2:1,3:1"));
    QVERIFY(import(QStringLiteral("ANL.DAT"), {analyst(1, 1001, 1, "2017-01-09", "2017-01-01 00:00:00", "D'Angelo 2")}).ok());
    QCOMPARE(value("select group_concat(Anl_ID || ':' || Anl_New) from (select * from T_Analyst order by Anl_ID)").toString(),
             QStringLiteral("1:1,2:1,3:1"));
    QCOMPARE(value("select Anl_Name || '/' || Anl_DtModify from T_Analyst where Anl_ID = 1").toString(),
             QStringLiteral("D'Angelo 2/2017-01-01 00:00:00"));
    const ImportResult hostile = import(QStringLiteral("ANL.DAT"),
                                        {[&] {
                                            QJsonObject row = analyst(9, 1001, 1, "2017-01-09", "x", "x");
                                            row.insert("ui", "1); DELETE FROM T_Analyst; --");
                                            return row;
                                        }()});
    QCOMPARE(hostile.skipped, 1);
    QCOMPARE(count("T_Analyst"), 3);
}

void TestImporters::analystDelete()
{
    QVERIFY(import(QStringLiteral("ANL.DAT"), {QJsonObject{{"id", 1}, {"ui", 1}, {"nw", 1}, {"dt", "d"}, {"tM", "t"}},
                                               QJsonObject{{"id", 2}, {"ui", 2}, {"nw", 1}, {"dt", "d"}, {"tM", "t"}}})
                .ok());
    const ImportResult result = import(QStringLiteral("ANLDEL.DAT"), {QJsonObject{{"id", 2}}, QJsonObject{{"id", 404}},
                                                                       QJsonObject{{"id", "1 or 1=1"}}});
    QVERIFY(result.ok());
    QCOMPARE(result.deleted, 1);
    QCOMPARE(value("select group_concat(Anl_ID) from T_Analyst").toString(), QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestImporters)
#include "tst_importers.moc"
