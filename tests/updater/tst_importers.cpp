// Package rows read as the script engine reads them, and the importers against a real data.s3:
// the rules of each kind, hostile values kept out of SQL, a package stored whole or not at all.

#include "databaseschema.h"
#include "dbconnection.h"
#include "jsonscript.h"
#include "packageimport.h"
#include "packagerow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QJsonObject report(qint64 id, const QString &modified, const QJsonObject &extra = {})
{
    QJsonObject row{{"id", id}, {"cd", "STK.COM@CN"}, {"in", "电子"}, {"sc", "600000.SH"}, {"is", "华信证券"},
                    {"an", "张三[1001]"}, {"tt", "标题"}, {"dP", "2017-01-09"}, {"pg", 12},
                    {"tE", "2017-01-09 09:30:00"}, {"ty", "PDF"}, {"tM", modified}, {"ms", 0}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

QJsonObject rating(qint64 id, const QString &stock, const QString &published, const QString &modified,
                   const QJsonObject &extra = {}, const QString &institution = QStringLiteral("华信证券"))
{
    QJsonObject row{{"cd", stock}, {"is", institution}, {"an", "张三[1001]"}, {"dP", published}, {"rc", "买入"},
                    {"sc", 5},     {"ac", "I"},         {"pP", 12.5},         {"pF", 1.25},        {"pL", 14},
                    {"pU", 16.5},  {"fs", 0.35},        {"fm", -0.12},        {"nw", 1},           {"id", id},
                    {"pr", ""},    {"tE", published + " 10:00:00"},           {"tM", modified}};
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

    void sameAsScriptEngine_data();
    void sameAsScriptEngine();
    void bareValues_data();
    void bareValues();
    void valueConversion_data();
    void valueConversion();

    void failureStoresNothing();
    void failedCommitRollsBack();
    void upsertRules_data();
    void upsertRules();

    void reportMessages_data();
    void reportMessages();
    void ratingUpdateRules_data();
    void ratingUpdateRules();
    void ratingNewFlagResetAndRekey();
    void ratingAlerts_data();
    void ratingAlerts();
    void deletePackages();
    void recommendations();
    void analystCurrentRecord();

private:
    ImportResult import(const QString &name, const QJsonArray &rows, const DataRecord *record = nullptr)
    {
        const QByteArray text = QJsonDocument(QJsonObject{{"data", rows}}).toJson(QJsonDocument::Compact);
        return importPackage(mainDatabase(), name, text, m_context, record);
    }
    QString value(const QString &sql)
    {
        QSqlQuery query(mainDatabase());
        return query.exec(sql) && query.next() ? query.value(0).toString() : query.lastError().text();
    }
    void exec(const QString &sql)
    {
        QSqlQuery query(mainDatabase());
        QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ImportContext m_context;
    QStringList m_messages, m_alerts, m_tips, m_blocked;
};

void TestImporters::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(initMainDatabase(m_dir->path()));
    m_messages.clear(), m_alerts.clear(), m_tips.clear(), m_blocked.clear();
    m_context = ImportContext();
    m_context.messageShow = m_context.alertFirstRating = m_context.alertUpgrade = true;
    m_context.status = [](const QString &) {};
    m_context.message = [this](const QString &id, const QString &title, const QString &institution,
                               const QString &type, const QDateTime &entry, const QDateTime &published) {
        m_messages.append(QStringList{id, title, institution, type, entry.toString(Qt::ISODate),
                                      published.toString(Qt::ISODate)}.join(QLatin1Char('|')));
    };
    m_context.alert = [this](const QString &kind, const QString &id) { m_alerts.append(kind + QLatin1Char(' ') + id); };
    m_context.blockTip = [this](const QString &code) { m_tips.append(code); };
    m_context.isBlockedStock = [this](const QString &code) { return m_blocked.contains(code); };
}

void TestImporters::cleanup()
{
    closeMainDatabase();
    closeSqliteConnection(QStringLiteral("Check"));
    m_dir.reset();
}

// Reading rows

void TestImporters::sameAsScriptEngine_data()
{
    QTest::addColumn<QString>("value");   // the JSON text of the member "v"
    for (const char *v : {R"("O'Neil科技")", "120", "0.35", "-12.5", "-0", "1e21", "1e20", "1e-7", "1.5e-6", "5e-324",
                          "1.7976931348623157e308", "1.2345e25", "0.30000000000000004", "4294967297", "-2.9", "null",
                          "true", R"([1, null, [2, 3], "x", true])", "[]", R"({"a": 1})", R"("2013")", R"(" 12 ")",
                          R"("0x1A")", R"("-0x10")", R"("1e3")", R"(".5")", R"("Infinity")", R"("12abc")",
                          R"("1); DELETE FROM T_Report; --")", R"("\u00a012")"})
        QTest::addRow("%s", v) << QString::fromUtf8(v);
}

void TestImporters::sameAsScriptEngine()
{
    QFETCH(QString, value);
    const QString text = QStringLiteral(R"({"data":[{"v":%1}]})").arg(value);
    JsonScript script;
    const QScriptValue scriptRow = jsonElement(script.parse(text).property(QStringLiteral("data")), 0);
    QJsonArray rows;
    QVERIFY(readPackageRows(text.toUtf8(), &rows));
    const PackageRow row(rows.at(0));
    for (const char *key : {"v", "missing"}) {
        QCOMPARE(row.text(QLatin1String(key)), jsonText(scriptRow, QLatin1String(key)));
        QCOMPARE(row.integer(QLatin1String(key)), jsonInt(scriptRow, QLatin1String(key)));
    }
}

void TestImporters::bareValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("integer") << "-7" << true << QVariant(qlonglong(-7));
    QTest::newRow("fraction kept as text for SQLite") << "0.35" << true << QVariant(QStringLiteral("0.35"));
    QTest::newRow("too big for 64 bits") << "99999999999999999999" << true << QVariant(QStringLiteral("99999999999999999999"));
    QTest::newRow("padded") << " 12 " << true << QVariant(qlonglong(12));
    QTest::newRow("null") << "null" << true << QVariant();
    QTest::newRow("true") << "true" << true << QVariant(qlonglong(1));
    for (const char *bad : {"", "0 or 1=1", "1); DELETE FROM T_Report; --", "5 --", "0x10", "Infinity", "1 2", ".", "1e"})
        QTest::addRow("refused: %s", bad) << QString::fromLatin1(bad) << false << QVariant();
}

void TestImporters::bareValues()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QVariant, value);
    const BareValue bare = bareValue(text);
    QCOMPARE(bare.valid, valid);
    QCOMPARE(bare.value, value);
    QCOMPARE(bare.value.isNull(), value.isNull());
    // A key must name a row: null is refused too.
    QCOMPARE(bareKey(text).valid, valid && !value.isNull());
}

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
    QTest::newRow("missing: the row is left out") << QJsonValue(QJsonValue::Undefined) << "";
}

void TestImporters::valueConversion()
{
    QFETCH(QJsonValue, json);
    QFETCH(QString, stored);
    QJsonObject row{{"cd", "600000.SH"}, {"dt", "2015-12-31"}, {"prf30", 1}, {"prf5010", 2}, {"tM", "2017-01-09 06:00:00"}};
    if (!json.isUndefined())
        row.insert("blc3010", json);
    QCOMPARE(import(QStringLiteral("FIN.DAT"), {row}).skipped, int(stored.isEmpty()));
    QCOMPARE(value("select coalesce(Blc_3010, 'NULL') || '/' || typeof(Blc_3010) from T_Finance"), stored);
}

// The procedure of every package and the rules of each kind

void TestImporters::failureStoresNothing()
{
    // Not JSON: nothing written, not recorded. JSON without rows is an empty package, imported.
    const DataRecord record{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 17:00:00")};
    QCOMPARE(importPackage(mainDatabase(), QStringLiteral("RPTTDY.DAT"), "<html>502</html>", m_context, &record).status,
             ImportResult::NotJson);
    QCOMPARE(value("select count(*) from T_Data"), QStringLiteral("0"));
    QVERIFY(importPackage(mainDatabase(), QStringLiteral("RPTTDY.DAT"), "{\"res\":1}", m_context, &record).ok());
    QCOMPARE(value("select Dat_DtModify from T_Data where Dat_Name = 'RPTTDY'"), record.time);

    // A record that cannot be written takes the rows with it, and nothing is announced.
    exec("drop table T_Data");
    m_blocked = QStringList{QStringLiteral("600000.SH")};
    QCOMPARE(import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 10:00:00")}, &record).status,
             ImportResult::DatabaseFailed);
    QCOMPARE(value("select count(*) from T_Report"), QStringLiteral("0"));
    QCOMPARE(m_tips, QStringList());
}

void TestImporters::failedCommitRollsBack()
{
    // A deferred foreign key that is broken fails the COMMIT itself, and SQLite then stays inside
    // the transaction.
    exec("create table T_Parent (y integer primary key)");
    exec("create table T_Check (x integer references T_Parent (y) deferrable initially deferred)");
    exec("create trigger Trg_Check after insert on T_Report begin insert into T_Check values (1); end");
    exec("pragma foreign_keys = on");
    m_blocked = QStringList{QStringLiteral("600000.SH")};
    const DataRecord record{QStringLiteral("RPTTDY"), QStringLiteral("2017-01-09 17:00:00")};
    QCOMPARE(import(QStringLiteral("RPTTDY.DAT"), {report(1, "2017-01-09 10:00:00")}, &record).status,
             ImportResult::DatabaseFailed);
    QCOMPARE(m_tips, QStringList());

    // The next package must not join a transaction left open: what it writes is on disk for
    // every other connection.
    const DataRecord next{QStringLiteral("RCM"), QStringLiteral("2017-01-09 17:00:00")};
    QVERIFY(import(QStringLiteral("RCM.DAT"), {QJsonObject{{"id", 7}, {"vl", 1}, {"tA", "a"}, {"tM", "b"}}}, &next).ok());
    QSqlQuery query(sqliteConnection(QStringLiteral("Check"), mainDatabasePath()));
    QVERIFY(query.exec("select (select count(*) from T_Report) || '/' || (select count(*) from T_Recommend) || '/' || "
                       "(select group_concat(Dat_Name) from T_Data)"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("0/1/RCM"));
}

void TestImporters::upsertRules_data()
{
    // A row of the kind, $v the value that shows which row is stored, $d its date, $t its time;
    // kept: what an update leaves as the first insert wrote it, after the setup statement.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("dateRule");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("kept");
    QTest::newRow("report") << "RPTTDY.DAT"
                            << R"({"id":1,"sc":"600000.SH","is":"Moody's","an":"O'Brien","tt":"It's","pg":$v,"dP":"$d","tE":"$t","tM":"$t"})"
                            << "select Rpt_Page_Count from T_Report" << false << "update T_Report set Rpt_Readed = 1"
                            << "select Rpt_Readed || Rpt_DtEntry from T_Report";
    QTest::newRow("estimate") << "ESTMTH201701.DAT" << R"({"id":1,"pr":"2016","cd":"600000.SH","np":$v,"tM":"$t"})"
                              << "select Est_NetProfit from T_Estimate" << false << "" << "";
    QTest::newRow("finance") << "FIN.DAT" << R"({"cd":"600000.SH","dt":"2015-12-31","blc3010":$v,"prf30":1,"prf5010":2,"tM":"$t"})"
                             << "select Blc_3010 from T_Finance" << false << "" << "";
    QTest::newRow("stock") << "STK.DAT"
                           << R"({"cd":"600000.SH","nm":"O'Neil","sp":"O'N","qt":0,"pD":"$d","pC":12.5,"pG":0.1,"pF":1,"sh":5e8,"pN":$v,"pM":"$t","b3010ttm":1,"p5010ttm":2,"tM":"$t"})"
                           << "select Prc_Count from T_Stock" << false << "" << "";
    QTest::newRow("matrix") << "MTX.DAT" << R"({"cd":"600000.SH","mx":$v,"opgttm":0.1,"cagrlast":0.2,"pre":"预增","dt":"$d","tM":"$t"})"
                            << "select Mtx_Level from T_Matrix" << true << "" << "";
    QTest::newRow("consensus") << "CNS.DAT"
                               << R"({"cd":"600000.SH","tp":"TDY","ic":$v,"uc":1,"nc":0,"bc":0,"rc":3,"sr":0.5,"mr":0.4,"pL":10,"pU":20,"p1":1,"p2":2,"p3":3,"cn":0.1,"dt":"$d","tM":"$t"})"
                               << "select Ins_Count from T_Consensus" << true << "" << "";
    QTest::newRow("performance, a text year as key") << "ACE.DAT"
                                 << R"({"uid":1001,"yr":"2015","st":$v,"rc":2,"sc":3,"ss":4,"sx":0.5,"si":-0.5,"sa":0.1,"mc":5,"ms":6,"mx":0.6,"mi":-0.6,"ma":0.2,"dt":"$d","tM":"$t"})"
                                 << "select Stk_Count from T_Ace" << true << "" << "";
    QTest::newRow("analyst") << "ANL.DAT" << R"({"id":1,"nm":"D'Angelo","is":"Moody's","in":"电子","mn":$v,"ui":1001,"nw":1,"dt":"$d","tM":"$t"})"
                             << "select Anl_Months from T_Analyst" << true << "" << "";
}

void TestImporters::upsertRules()
{
    QFETCH(QString, name);
    QFETCH(QString, row);
    QFETCH(QString, stored);
    QFETCH(bool, dateRule);
    QFETCH(QString, setup);
    QFETCH(QString, kept);
    auto rows = [&](const QList<QStringList> &list) {
        QJsonArray out;
        for (const QStringList &r : list)
            out.append(QJsonDocument::fromJson(QString(row).replace("$v", r.at(0)).replace("$d", r.at(1)).replace("$t", r.at(2)).toUtf8()).object());
        return out;
    };
    auto storedNumber = [&] { return value(stored).section(QLatin1Char('.'), 0, 0); };
    QCOMPARE(import(name, rows({{"1", "2017-01-06", "2017-01-09 06:00:00"}})).inserted, 1);
    if (!setup.isEmpty())
        exec(setup);
    const QString keptValue = kept.isEmpty() ? QString() : value(kept);
    // Neither the same time nor an earlier one replaces the stored row.
    ImportResult result = import(name, rows({{"2", "2017-01-06", "2017-01-09 06:00:00"}, {"3", "2017-01-05", "2017-01-09 05:00:00"}}));
    QCOMPARE(result.unchanged, 2);
    QCOMPARE(storedNumber(), QStringLiteral("1"));
    // A later time does; twice the key in one package: the later row wins.
    result = import(name, rows({{"4", "2017-01-06", "2017-01-09 06:00:01"}, {"5", "2017-01-06", "2017-01-09 06:00:00"}}));
    QCOMPARE(result.updated, 1);
    QCOMPARE(storedNumber(), QStringLiteral("4"));
    // A later date with an earlier time replaces it where the kind has the date rule; a date that
    // does not read never does.
    result = import(name, rows({{"6", "2017-01-07", "2017-01-09 05:00:00"}, {"7", "soon", "2017-01-09 05:00:00"}}));
    QCOMPARE(result.updated, int(dateRule));
    QCOMPARE(storedNumber(), QString::fromLatin1(dateRule ? "6" : "4"));
    QCOMPARE(kept.isEmpty() ? QString() : value(kept), keptValue);
    QCOMPARE(value(stored.section(QLatin1String(" from "), 1).prepend("select count(*) from ")), QStringLiteral("1"));
}

// Reports and ratings

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
    // The title is stored, and told, with its entities turned back into the characters.
    const QString title = QStringLiteral("O'Neil科技：It's \"quoted\" C:\\x");
    const QJsonObject extra{{"ms", flag}, {"ty", ""}, {"tt", "O'Neil科技：It's &quot;quoted&quot; C:&#92;x"}};
    QVERIFY(import(name, {report(10009713, "2017-01-09 10:00:00", extra)}).ok());
    // An update of the same report raises none.
    QVERIFY(import(name, {report(10009713, "2017-01-09 12:00:00", extra)}).ok());
    QCOMPARE(value("select Rpt_Title from T_Report"), title);
    QCOMPARE(m_messages, message ? QStringList{"10009713|" + title + "|华信证券||2017-01-09T09:30:00|2017-01-09T00:00:00"}
                                 : QStringList());
}

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
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(1, "600000.SH", "2017-01-09", "2017-01-09 10:00:00", {{"nw", storedNew}})}).ok());
    exec("update T_Rating set Rat_Readed = 1");
    const QJsonObject extra{{"nw", rowNew}, {"pr", previous}, {"rc", "增持"}, {"pF", 9.9}, {"pP", 13}};
    QCOMPARE(import(QStringLiteral("RATMTH201701.DAT"), {rating(1, "600000.SH", "2017-01-09", modified, extra)}).updated,
             int(updated));
    // An update keeps the price factor and the read flag.
    QCOMPARE(value("select Rat_Recomm || '/' || Rat_PrcPub || '/' || Rat_PrcFac || '/' || Rat_Readed from T_Rating"),
             updated ? QStringLiteral("增持/13.0/1.25/1") : QStringLiteral("买入/12.5/1.25/1"));
}

void TestImporters::ratingNewFlagResetAndRekey()
{
    // The window: 180 days (the default) before the newest report entry, 2017-01-09.
    QVERIFY(import(QStringLiteral("RPTTDY.DAT"), {report(100, "2017-01-09 10:00:00", {{"tE", "2017-01-09 15:00:00"}})}).ok());
    QVERIFY(import(QStringLiteral("RATMTH201612.DAT"),
                   {rating(5, "600000.SH", "2017-01-10", "2017-01-10 10:00:00"),   // published later
                    rating(2, "600000.SH", "2016-06-01", "2016-06-01 10:00:00"),   // before the window
                    rating(1, "600000.SH", "2016-12-01", "2016-12-01 10:00:00"),
                    rating(3, "600000.SH", "2016-12-01", "2016-12-01 10:00:00", {}, "鼎信证券"),   // other institution
                    rating(4, "000001.SZ", "2016-12-01", "2016-12-01 10:00:00")})                  // other stock
                .ok());
    QCOMPARE(value("select sum(Rat_New) from T_Rating"), QStringLiteral("5"));
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(6, "600000.SH", "2017-01-05", "2017-01-05 10:00:00")}).ok());
    // A rating that became new through an update in the same package is reset too.
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"),
                   {rating(7, "000002.SZ", "2016-12-02", "2016-12-02 10:00:00", {{"nw", 0}}),
                    rating(7, "000002.SZ", "2016-12-02", "2016-12-03 10:00:00", {{"nw", 1}}),
                    rating(8, "000002.SZ", "2017-01-06", "2017-01-06 10:00:00")})
                .ok());
    QCOMPARE(value("select group_concat(Rpt_ID) from (select Rpt_ID from T_Rating where Rat_New = 1 order by Rpt_ID)"),
             QStringLiteral("2,3,4,5,6,8"));
    // A report id that comes back under another stock moves its rating.
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(8, "000003.SZ", "2017-01-06", "2017-01-06 10:00:00")}).ok());
    QCOMPARE(value("select group_concat(Stk_Code) from T_Rating where Rpt_ID = 8"), QStringLiteral("000003.SZ"));
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
    // Seen again (an update), it raises no alert.
    for (const char *modified : {"2017-01-09 10:00:00", "2017-01-09 11:00:00"})
        QVERIFY(import(name, {rating(10009001, "600000.SH", "2017-01-09", modified, {{"ac", action}, {"nw", isNew}})}).ok());
    QCOMPARE(m_alerts, alert.isEmpty() ? QStringList() : QStringList{alert + QStringLiteral(" 10009001")});
}

// Deletes, recommendations and analysts

void TestImporters::deletePackages()
{
    QVERIFY(import(QStringLiteral("RPTMTH201701.DAT"), {report(1, "t"), report(2, "t")}).ok());
    QVERIFY(import(QStringLiteral("RATMTH201701.DAT"), {rating(1, "600000.SH", "2017-01-09", "t"), rating(2, "600000.SH", "2017-01-08", "t")}).ok());
    QVERIFY(import(QStringLiteral("ESTTDY.DAT"), {QJsonObject{{"id", 1}, {"pr", "2016"}, {"np", 1}}, QJsonObject{{"id", 1}, {"pr", "2017"}, {"np", 1}}}).ok());
    QVERIFY(import(QStringLiteral("ANL.DAT"), {QJsonObject{{"id", 1}, {"ui", 1}}, QJsonObject{{"id", 2}, {"ui", 2}}}).ok());
    // A key that is not a number deletes nothing; one that names no row is no failure.
    for (const char *name : {"RPTDEL.DAT", "ESTDEL.DAT", "ANLDEL.DAT"}) {
        const ImportResult result = import(QLatin1String(name), {QJsonObject{{"id", "0 or 1=1"}, {"pr", "2016"}},
                                                                 QJsonObject{{"id", 1}, {"pr", "2016"}}, QJsonObject{{"id", 404}}});
        QVERIFY(result.ok());
        QCOMPARE(result.deleted, 1);
    }
    QCOMPARE(value("select (select group_concat(Rpt_ID) from T_Report) || '/' || (select group_concat(Rpt_ID) from T_Rating) "
                   "|| '/' || (select group_concat(Est_Period) from T_Estimate) || '/' || (select group_concat(Anl_ID) from T_Analyst)"),
             QStringLiteral("2/2/2017/2"));
}

void TestImporters::recommendations()
{
    auto rcm = [](const QJsonValue &id, const QJsonValue &valid, const QString &time) {
        QJsonObject row{{"id", id}, {"tA", time}, {"tM", time}};
        if (!valid.isUndefined())
            row.insert("vl", valid);
        return row;
    };
    const QString old = QStringLiteral("2017-01-01 09:00:00");
    QVERIFY(import(QStringLiteral("RCM.DAT"), {rcm(1, 1, old), rcm(2, 1, old), rcm(3, 1, old), rcm(4, 1, old)}).ok());
    // Valid below 1 (or missing) deletes, whatever the time; a hostile key deletes nothing. The time
    // a recommendation was added stays that of its first insert.
    const ImportResult result = import(QStringLiteral("RCM.DAT"), {rcm(1, 1, "2017-01-05 09:00:00"), rcm(2, 0, "x"), rcm(3, -1, "x"),
                                                                   rcm(4, QJsonValue::Undefined, "x"), rcm("0 or 1=1", 0, "x")});
    QCOMPARE(result.deleted, 3);
    QCOMPARE(result.skipped, 1);
    QCOMPARE(value("select group_concat(Rpt_ID || '/' || Rcm_DtAdd || '/' || Rcm_DtModify) from T_Recommend"),
             QStringLiteral("1/2017-01-01 09:00:00/2017-01-05 09:00:00"));
}

void TestImporters::analystCurrentRecord()
{
    auto analyst = [](int id, int uid, const QString &date) {
        return QJsonObject{{"id", id}, {"nm", "D'Angelo"}, {"ui", uid}, {"nw", 1}, {"dt", date}, {"tM", "2017-01-06 06:00:00"}};
    };
    QVERIFY(import(QStringLiteral("ANL.DAT"), {analyst(1, 1001, "2017-01-06"), analyst(2, 1002, "2017-01-06")}).ok());
    // A new record of the person takes the current mark; an update with the mark leaves the others alone.
    QVERIFY(import(QStringLiteral("ANL.DAT"), {analyst(3, 1001, "2017-01-06")}).ok());
    QCOMPARE(value("select group_concat(Anl_ID || ':' || Anl_New) from (select * from T_Analyst order by Anl_ID)"),
             QStringLiteral("1:0,2:1,3:1"));
    QVERIFY(import(QStringLiteral("ANL.DAT"), {analyst(1, 1001, "2017-01-09")}).ok());
    QCOMPARE(value("select group_concat(Anl_ID || ':' || Anl_New || ':' || Anl_Name) from (select * from T_Analyst order by Anl_ID)"),
             QStringLiteral("1:1:D'Angelo,2:1:D'Angelo,3:1:D'Angelo"));
}

QTEST_GUILESS_MAIN(TestImporters)
#include "tst_importers.moc"
