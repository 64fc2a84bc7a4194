// Package rows read as the script engine reads them, and the importers against a real data.s3:
// the rules of each kind, hostile values kept out of SQL, a package stored whole or not at all.

#include "enginerunner.h"
#include "jsonscript.h"
#include "localzone.h"
#include "packageimport.h"
#include "packagerow.h"

#include <memory>

namespace {

QJsonObject merged(QJsonObject row, const QJsonObject &extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

QJsonObject report(qint64 id, const QString &modified, const QJsonObject &extra = {})
{
    return merged({{"id", id}, {"cd", "STK.COM@CN"}, {"in", "电子"}, {"sc", "600000.SH"}, {"is", "华信证券"},
                   {"an", "张三[1001]"}, {"tt", "标题"}, {"dP", "2017-01-09"}, {"pg", 12},
                   {"tE", "2017-01-09 09:30:00"}, {"ty", "PDF"}, {"tM", modified}, {"ms", 0}}, extra);
}

QJsonObject rating(qint64 id, const QString &stock, const QString &published, const QString &modified,
                   const QJsonObject &extra = {})
{
    return merged({{"cd", stock}, {"is", "华信证券"}, {"an", "张三[1001]"}, {"dP", published}, {"rc", "买入"},
                   {"sc", 5}, {"ac", "I"}, {"pP", 12.5}, {"pF", 1.25}, {"pL", 14}, {"pU", 16.5}, {"fs", 0.35},
                   {"fm", -0.12}, {"nw", 1}, {"id", id}, {"pr", ""}, {"tE", published + " 10:00:00"},
                   {"tM", modified}}, extra);
}

} // namespace

class TestImporters : public QObject
{
    Q_OBJECT

    ImportResult import(const QString &name, const QJsonArray &rows, const DataRecord *record = nullptr)
    {
        const QByteArray text = QJsonDocument(QJsonObject{{"data", rows}}).toJson(QJsonDocument::Compact);
        return importPackage(mainDatabase(), name, text, m_context, record);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ImportContext m_context;
    QStringList m_notices, m_blocked;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(initMainDatabase(m_dir->path()));
        m_notices.clear();
        m_blocked.clear();
        m_context = ImportContext();
        m_context.messageShow = m_context.alertFirstRating = m_context.alertUpgrade = true;
        m_context.status = [](const QString &) {};
        m_context.message = [this](const QString &id, const QString &title, const QString &institution,
                                   const QString &type, const QDateTime &entry, const QDateTime &published) {
            m_notices.append(QStringList{id, title, institution, type, entry.toString(Qt::ISODate),
                                         published.toString(Qt::ISODate)}.join('|'));
        };
        m_context.alert = [this](const QString &kind, const QString &id) { m_notices.append(kind + ' ' + id); };
        m_context.blockTip = [this](const QString &code) { m_notices.append("tip " + code); };
        m_context.isBlockedStock = [this](const QString &code) { return m_blocked.contains(code); };
    }

    void cleanup()
    {
        closeMainDatabase();
        closeSqliteConnection(QStringLiteral("Check"));
        m_dir.reset();
    }

    void sameAsScriptEngine_data();
    void sameAsScriptEngine();
    void valueConversion_data()
    {
        // A value of a bare position as stored (value || '/' || typeof(value)); empty: the row is left out.
        QTest::addColumn<QJsonValue>("json");
        QTest::addColumn<QString>("stored");
        QTest::newRow("120") << QJsonValue(120) << "120.0/real";
        QTest::newRow("0.35") << QJsonValue(0.35) << "0.35/real";
        QTest::newRow("numeric text") << QJsonValue("0.35") << "0.35/real";
        QTest::newRow("padded text") << QJsonValue(" 12 ") << "12.0/real";
        QTest::newRow("beyond 64 bits") << QJsonValue("99999999999999999999") << "1.0e+20/real";
        QTest::newRow("exponent") << QJsonValue(1e21) << "1.0e+21/real";
        QTest::newRow("true") << QJsonValue(true) << "1.0/real";
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << "NULL/null";
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << "";
        for (const char *bad : {"", "0 or 1=1", "1); DELETE FROM T_Finance; --", "5 --", "0x10", "Infinity", "1 2", "1e"})
            QTest::addRow("refused: %s", bad) << QJsonValue(bad) << "";
    }

    void valueConversion()
    {
        QFETCH(QJsonValue, json);
        QFETCH(QString, stored);
        QJsonObject row{{"cd", "600000.SH"}, {"dt", "2015-12-31"}, {"prf30", 1}, {"prf5010", 2}, {"tM", "2017-01-09"}};
        if (!json.isUndefined())
            row.insert("blc3010", json);
        QCOMPARE(import("FIN.DAT", {row}).skipped, int(stored.isEmpty()));
        QCOMPARE(sqlText("select coalesce(Blc_3010, 'NULL') || '/' || typeof(Blc_3010) from T_Finance"),
                 stored.isEmpty() ? "(none)" : stored);
    }

    void failureStoresNothing()
    {
        // Not JSON: nothing written, not recorded. JSON without rows is an empty package, imported.
        const DataRecord record{"RPTTDY", "2017-01-09 17:00:00"};
        QCOMPARE(importPackage(mainDatabase(), "RPTTDY.DAT", "<html>502</html>", m_context, &record).status,
                 ImportResult::NotJson);
        QCOMPARE(sqlText("select count(*) from T_Data"), QStringLiteral("0"));
        QVERIFY(importPackage(mainDatabase(), "RPTTDY.DAT", "{\"res\":1}", m_context, &record).ok());
        QCOMPARE(sqlText("select Dat_DtModify from T_Data where Dat_Name = 'RPTTDY'"), record.time);

        // A deferred foreign key that is broken fails the COMMIT itself, and SQLite then stays inside
        // the transaction: the package is rolled back, and nothing is told.
        QVERIFY(execSql("create table T_Parent (y integer primary key)"));
        QVERIFY(execSql("create table T_Check (x integer references T_Parent (y) deferrable initially deferred)"));
        QVERIFY(execSql("create trigger Trg_Check after insert on T_Report begin insert into T_Check values (1); end"));
        QVERIFY(execSql("pragma foreign_keys = on"));
        m_blocked = QStringList{"600000.SH"};
        QCOMPARE(import("RPTTDY.DAT", {report(1, "t")}, &record).status, ImportResult::DatabaseFailed);
        QCOMPARE(m_notices, QStringList());
        // The next package must not join a transaction left open: what it writes is on disk for
        // every other connection.
        const DataRecord next{"RCM", "2017-01-09 17:00:00"};
        QVERIFY(import("RCM.DAT", {QJsonObject{{"id", 7}, {"vl", 1}, {"tA", "a"}, {"tM", "b"}}}, &next).ok());
        QCOMPARE(sqlText("select (select count(*) from T_Report) || '/' || (select count(*) from T_Recommend) || '/' "
                          "|| (select group_concat(Dat_Name) from T_Data)", sqliteConnection("Check", mainDatabasePath())),
                 QStringLiteral("0/1/RCM,RPTTDY"));

        // A record that cannot be written takes the rows with it.
        QVERIFY(execSql("drop trigger Trg_Check") && execSql("drop table T_Data"));
        QCOMPARE(import("RPTTDY.DAT", {report(2, "t")}, &record).status, ImportResult::DatabaseFailed);
        QCOMPARE(sqlText("select count(*) from T_Report"), QStringLiteral("0"));
        QCOMPARE(m_notices, QStringList());
    }

    void upsertRules_data();
    void upsertRules()
    {
        QFETCH(QString, name);
        QFETCH(QString, row);
        QFETCH(QString, stored);
        QFETCH(bool, dateRule);
        // Imports rows given as value, date, time; returns the counts: inserted/updated/unchanged.
        auto put = [&](const QList<QStringList> &rows) {
            QJsonArray out;
            for (const QStringList &r : rows)
                out.append(QJsonDocument::fromJson(QString(row).replace("$v", r[0]).replace("$d", r[1]).replace("$t", r[2])
                                                       .toUtf8()).object());
            const ImportResult result = import(name, out);
            return QStringLiteral("%1/%2/%3").arg(result.inserted).arg(result.updated).arg(result.unchanged);
        };
        auto shown = [&] { return sqlText(stored).section('.', 0, 0); };
        QCOMPARE(put({{"1", "2017-01-06", "2017-01-09 06:00:00"}}), QStringLiteral("1/0/0"));
        // Neither the same time nor an earlier one replaces the stored row.
        QCOMPARE(put({{"2", "2017-01-06", "2017-01-09 06:00:00"}, {"3", "2017-01-05", "2017-01-09 05:00:00"}}),
                 QStringLiteral("0/0/2"));
        QCOMPARE(shown(), QStringLiteral("1"));
        // A later time does; the key twice in one package: the later row wins.
        QCOMPARE(put({{"4", "2017-01-06", "2017-01-09 06:00:01"}, {"5", "2017-01-06", "2017-01-09 06:00:00"}}),
                 QStringLiteral("0/1/1"));
        QCOMPARE(shown(), QStringLiteral("4"));
        // A later date with an earlier time does where the kind has the date rule; a date that does not
        // read never does.
        put({{"6", "2017-01-07", "2017-01-09 05:00:00"}, {"7", "soon", "2017-01-09 05:00:00"}});
        QCOMPARE(shown(), QString(dateRule ? "6" : "4"));
        QCOMPARE(sqlText("select count(*) from " + stored.section(" from ", 1)), QStringLiteral("1"));
    }

    // The times of the packages are the service's clock: in a zone with summer time the hour
    // it skips orders among the others as written, and a report's message shows its time.
    void skippedHour_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("skipped"); // where the zone's clocks jump an hour on, as written
        QTest::addColumn<QString>("message");
        const auto at = [](const QDate &day, int hour) { return QDateTime(day, QTime(hour, 0), Qt::UTC); };
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << at({2017, 3, 26}, 2) << "02:30|20170326";
        QTest::newRow("New York") << QByteArray("America/New_York") << at({2017, 3, 12}, 2) << "02:30|20170312";
        QTest::newRow("Sao Paulo, at midnight") << QByteArray("America/Sao_Paulo") << at({2018, 11, 4}, 0)
                                                << "00:30|20181104";
        QTest::newRow("UTC") << QByteArray("UTC") << at({2017, 3, 26}, 2) << "02:30|20170326";
    }

    void skippedHour()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, skipped);
        const LocalZone local(zone);
        QStringList shown;
        m_context.message = [&shown](const QString &, const QString &, const QString &, const QString &,
                                     const QDateTime &entry, const QDateTime &published) {
            shown << entry.toString("HH:mm") + '|' + published.toString("yyyyMMdd");
        };
        // Seconds from the jump of each time given after the one stored: "+" replaced it, "=" did not.
        QString outcomes;
        int pages = 0;
        for (int seconds : {1800, 900, -1, 2700, 2699, 3600, 3600}) {
            const QString modified = skipped.addSecs(seconds).toString("yyyy-MM-dd HH:mm:ss");
            const QJsonObject extra{{"pg", ++pages}, {"tE", modified}, {"dP", skipped.toString("yyyy-MM-dd")}, {"ms", 1}};
            const ImportResult result = import("RPTTDY.DAT", {report(7, modified, extra)});
            outcomes += result.inserted ? "i" : result.updated ? "+" : result.unchanged ? "=" : "?";
        }
        QCOMPARE(outcomes, QStringLiteral("i==+=+="));
        QCOMPARE(sqlText("select Rpt_Page_Count || ' ' || Rpt_DtModify from T_Report"),
                 "6 " + skipped.addSecs(3600).toString("yyyy-MM-dd HH:mm:ss"));
        QTEST(shown.join(','), "message");
    }

    void notices_data()
    {
        // The row's own members; whether messages, or alerts of first ratings, are chosen; what is told.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QJsonObject>("extra");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QString>("notice");
        const QString message = "10009713|O'Neil：It's \"quoted\" C:\\x|华信证券||2017-01-09T09:30:00|2017-01-09T00:00:00";
        QTest::newRow("report of today, flagged") << "RPTTDY.DAT" << QJsonObject{{"ms", 1}} << true << message;
        QTest::newRow("today with a suffix") << "RPTTDY_2.DAT" << QJsonObject{{"ms", 1}} << true << message;
        QTest::newRow("not flagged") << "RPTTDY.DAT" << QJsonObject{{"ms", 0}} << true << "";
        QTest::newRow("flag 2") << "RPTTDY.DAT" << QJsonObject{{"ms", 2}} << true << "";
        QTest::newRow("messages off") << "RPTTDY.DAT" << QJsonObject{{"ms", 1}} << false << "";
        QTest::newRow("monthly report") << "RPTMTH201701.DAT" << QJsonObject{{"ms", 1}} << true << "";
        QTest::newRow("report of a blocked stock") << "RPTMTH201701.DAT" << QJsonObject{{"sc", "600428.SH"}} << true
                                                   << "tip 600428.SH";
        QTest::newRow("first rating") << "RATTDY.DAT" << QJsonObject{{"ac", "I"}} << true << "RAT_ACT_INI 10009713";
        QTest::newRow("upgrade") << "RATTDY.DAT" << QJsonObject{{"ac", "U"}} << false << "RAT_ACT_UPG 10009713";
        QTest::newRow("first ratings not chosen") << "RATTDY.DAT" << QJsonObject{{"ac", "I"}} << false << "";
        QTest::newRow("not new") << "RATTDY.DAT" << QJsonObject{{"ac", "I"}, {"nw", 0}} << true << "";
        QTest::newRow("other action") << "RATTDY.DAT" << QJsonObject{{"ac", "D"}} << true << "";
        QTest::newRow("monthly rating") << "RATMTH201701.DAT" << QJsonObject{{"ac", "I"}} << true << "";
    }

    void notices()
    {
        QFETCH(QString, name);
        QFETCH(QJsonObject, extra);
        QFETCH(bool, chosen);
        QFETCH(QString, notice);
        m_context.messageShow = m_context.alertFirstRating = chosen;
        m_blocked = QStringList{"600428.SH"};
        // The title is stored, and told, with its entities turned back into the characters.
        extra.insert("tt", "O'Neil：It's &quot;quoted&quot; C:&#92;x");
        extra.insert("ty", "");
        // Seen again (an update), the row tells nothing; a report keeps its entry time and read flag.
        for (const char *time : {"2017-01-09 09:30:00", "2017-01-09 12:00:00"}) {
            extra.insert("tE", time);
            QVERIFY(import(name, {name.startsWith("RPT") ? report(10009713, time, extra)
                                                         : rating(10009713, "600000.SH", "2017-01-09", time, extra)})
                        .ok());
            QVERIFY(execSql("update T_Report set Rpt_Readed = 1"));
        }
        QCOMPARE(m_notices.join(','), notice);
        if (name.startsWith("RPT"))
            QCOMPARE(sqlText("select Rpt_Title || '|' || Rpt_Readed || '|' || Rpt_DtEntry from T_Report"),
                     QStringLiteral("O'Neil：It's \"quoted\" C:\\x|1|2017-01-09 09:30:00"));
    }

    void ratingUpdateRules_data()
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

    void ratingUpdateRules()
    {
        QFETCH(QString, modified);
        QFETCH(QString, previous);
        QFETCH(int, storedNew);
        QFETCH(int, rowNew);
        QFETCH(bool, updated);
        const QJsonObject stored{{"nw", storedNew}};
        QVERIFY(import("RATMTH201701.DAT", {rating(1, "600000.SH", "2017-01-09", "2017-01-09 10:00:00", stored)}).ok());
        QVERIFY(execSql("update T_Rating set Rat_Readed = 1"));
        const QJsonObject extra{{"nw", rowNew}, {"pr", previous}, {"rc", "增持"}, {"pF", 9.9}, {"pP", 13}};
        QCOMPARE(import("RATMTH201701.DAT", {rating(1, "600000.SH", "2017-01-09", modified, extra)}).updated, int(updated));
        // An update keeps the price factor and the read flag.
        QCOMPARE(sqlText("select Rat_Recomm || '/' || Rat_PrcPub || '/' || Rat_PrcFac || '/' || Rat_Readed from T_Rating"),
                 updated ? QStringLiteral("增持/13.0/1.25/1") : QStringLiteral("买入/12.5/1.25/1"));
    }

    void ratingNewFlagResetAndRekey()
    {
        // The window: 180 days (the default) before the newest report entry, 2017-01-09.
        QVERIFY(import("RPTTDY.DAT", {report(100, "t", {{"tE", "2017-01-09 15:00:00"}})}).ok());
        QVERIFY(import("RATMTH201612.DAT", {rating(5, "600000.SH", "2017-01-10", "t"),   // published later
                                            rating(2, "600000.SH", "2016-06-01", "t"),   // before the window
                                            rating(1, "600000.SH", "2016-12-01", "t"),
                                            rating(3, "600000.SH", "2016-12-01", "t", {{"is", "鼎信证券"}}),
                                            rating(4, "000001.SZ", "2016-12-01", "t")})
                    .ok());
        QCOMPARE(sqlText("select sum(Rat_New) from T_Rating"), QStringLiteral("5"));
        QVERIFY(import("RATMTH201701.DAT", {rating(6, "600000.SH", "2017-01-05", "t")}).ok());
        // A rating that became new through an update in the same package resets the older ones too.
        QVERIFY(import("RATMTH201701.DAT", {rating(7, "000002.SZ", "2016-12-02", "2016-12-02 10:00:00", {{"nw", 0}}),
                                            rating(7, "000002.SZ", "2016-12-02", "2016-12-03 10:00:00", {{"nw", 1}}),
                                            rating(8, "000002.SZ", "2017-01-06", "t")})
                    .ok());
        QCOMPARE(sqlText("select group_concat(Rpt_ID) from (select Rpt_ID from T_Rating where Rat_New = 1 order by 1)"),
                 QStringLiteral("2,3,4,5,6,8"));
        // A report id that comes back under another stock moves its rating.
        QVERIFY(import("RATMTH201701.DAT", {rating(8, "000003.SZ", "2017-01-06", "t")}).ok());
        QCOMPARE(sqlText("select group_concat(Stk_Code) from T_Rating where Rpt_ID = 8"), QStringLiteral("000003.SZ"));
    }

    // RPTDEL, ESTDEL, ANLDEL and RCM with a valid flag below 1: a key that is not a number deletes
    // nothing; one that names no row is no failure.
    void deletePackages()
    {
        // A null report id names no row either.
        QVERIFY(import("RPTMTH201701.DAT", {report(1, "t"), report(2, "t"), report(3, "t", {{"id", QJsonValue::Null}})})
                    .ok());
        QVERIFY(import("RATMTH201701.DAT", {rating(1, "600000.SH", "2017-01-09", "t"),
                                            rating(2, "000001.SZ", "2017-01-09", "t")}).ok());
        auto estimate = [](const char *period) { return QJsonObject{{"id", 1}, {"pr", period}, {"np", 1}}; };
        QVERIFY(import("ESTTDY.DAT", {estimate("2016"), estimate("2017")}).ok());
        QVERIFY(import("ANL.DAT", {QJsonObject{{"id", 1}, {"ui", 1}}, QJsonObject{{"id", 2}, {"ui", 2}}}).ok());
        for (const char *name : {"RPTDEL.DAT", "ESTDEL.DAT", "ANLDEL.DAT"}) {
            const ImportResult result = import(name, {QJsonObject{{"id", "0 or 1=1"}, {"pr", "2016"}},
                                                      QJsonObject{{"id", 1}, {"pr", "2016"}}, QJsonObject{{"id", 404}}});
            QCOMPARE(QStringLiteral("%1/%2").arg(result.ok()).arg(result.deleted), QStringLiteral("1/1"));
        }
        QCOMPARE(sqlText("select (select group_concat(Rpt_ID) from T_Report) || '/' || (select group_concat(Rpt_ID) "
                          "from T_Rating) || '/' || (select group_concat(Est_Period) from T_Estimate) || '/' || "
                          "(select group_concat(Anl_ID) from T_Analyst)"),
                 QStringLiteral("2/2/2017/2"));

        // Valid below 1 (or missing) deletes, whatever the time. The time a recommendation was added
        // stays that of its first insert.
        auto rcm = [](const QJsonValue &id, const QJsonValue &valid, const QString &time) {
            return merged({{"id", id}, {"tA", time}, {"tM", time}}, QJsonObject{{"vl", valid}});
        };
        const QString old = QStringLiteral("2017-01-01 09:00:00");
        QVERIFY(import("RCM.DAT", {rcm(1, 1, old), rcm(2, 1, old), rcm(3, 1, old), rcm(4, 1, old)}).ok());
        const ImportResult result = import("RCM.DAT", {rcm(1, 1, "2017-01-05 09:00:00"), rcm(2, 0, "x"), rcm(3, -1, "x"),
                                                       rcm(4, QJsonValue::Undefined, "x"), rcm("0 or 1=1", 0, "x")});
        QCOMPARE(QStringLiteral("%1/%2").arg(result.deleted).arg(result.skipped), QStringLiteral("3/1"));
        QCOMPARE(sqlText("select group_concat(Rpt_ID || '/' || Rcm_DtAdd || '/' || Rcm_DtModify) from T_Recommend"),
                 QStringLiteral("1/2017-01-01 09:00:00/2017-01-05 09:00:00"));
    }

    void analystCurrentRecord()
    {
        auto analyst = [](int id, int uid, const QString &date) {
            return QJsonObject{{"id", id}, {"nm", "D'Angelo"}, {"ui", uid}, {"nw", 1}, {"dt", date}, {"tM", "t"}};
        };
        QVERIFY(import("ANL.DAT", {analyst(1, 1001, "2017-01-06"), analyst(2, 1002, "2017-01-06")}).ok());
        // A new record of the person takes the current mark; an update with the mark leaves the others alone.
        QVERIFY(import("ANL.DAT", {analyst(3, 1001, "2017-01-06")}).ok());
        const QString marks = "select group_concat(Anl_ID || ':' || Anl_New) from (select * from T_Analyst order by 1)";
        QCOMPARE(sqlText(marks), QStringLiteral("1:0,2:1,3:1"));
        QVERIFY(import("ANL.DAT", {analyst(1, 1001, "2017-01-09")}).ok());
        QCOMPARE(sqlText(marks), QStringLiteral("1:1,2:1,3:1"));
    }
};

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
    const QScriptValue scriptRow = jsonElement(script.parse(text).property("data"), 0);
    QJsonArray rows;
    QVERIFY(readPackageRows(text.toUtf8(), &rows));
    const PackageRow row(rows.at(0));
    for (const char *key : {"v", "missing"}) {
        QCOMPARE(row.text(QLatin1String(key)), jsonText(scriptRow, QLatin1String(key)));
        QCOMPARE(row.integer(QLatin1String(key)), jsonInt(scriptRow, QLatin1String(key)));
    }
}

void TestImporters::upsertRules_data()
{
    // A row of the kind: $v the value that shows which row is stored, $d its date, $t its time.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("dateRule");
    QTest::newRow("report") << "RPTTDY.DAT"
        << R"({"id":1,"sc":"600000.SH","is":"Moody's","an":"O'Brien","tt":"It's","pg":$v,"dP":"$d","tM":"$t"})"
        << "select Rpt_Page_Count from T_Report" << false;
    QTest::newRow("estimate") << "ESTMTH201701.DAT" << R"({"id":1,"pr":"2016","cd":"600000.SH","np":$v,"tM":"$t"})"
        << "select Est_NetProfit from T_Estimate" << false;
    QTest::newRow("finance") << "FIN.DAT"
        << R"({"cd":"600000.SH","dt":"2015-12-31","blc3010":$v,"prf30":1,"prf5010":2,"tM":"$t"})"
        << "select Blc_3010 from T_Finance" << false;
    QTest::newRow("stock") << "STK.DAT"
        << R"({"cd":"600000.SH","nm":"O'Neil","sp":"O'N","qt":0,"pD":"$d","pC":12.5,"pG":0.1,"pF":1,"sh":5e8,"pN":$v,)"
           R"("pM":"$t","b3010ttm":1,"p5010ttm":2,"tM":"$t"})"
        << "select Prc_Count from T_Stock" << false;
    QTest::newRow("matrix") << "MTX.DAT"
        << R"({"cd":"600000.SH","mx":$v,"opgttm":0.1,"cagrlast":0.2,"pre":"预增","dt":"$d","tM":"$t"})"
        << "select Mtx_Level from T_Matrix" << true;
    QTest::newRow("consensus") << "CNS.DAT"
        << R"({"cd":"600000.SH","tp":"TDY","ic":$v,"uc":1,"nc":0,"bc":0,"rc":3,"sr":0.5,"mr":0.4,"pL":10,"pU":20,)"
           R"("p1":1,"p2":2,"p3":3,"cn":0.1,"dt":"$d","tM":"$t"})"
        << "select Ins_Count from T_Consensus" << true;
    QTest::newRow("performance, a text year in the key") << "ACE.DAT"
        << R"({"uid":1001,"yr":"2015","st":$v,"rc":2,"sc":3,"ss":4,"sx":0.5,"si":-0.5,"sa":0.1,"mc":5,"ms":6,)"
           R"("mx":0.6,"mi":-0.6,"ma":0.2,"dt":"$d","tM":"$t"})"
        << "select Stk_Count from T_Ace" << true;
    QTest::newRow("analyst") << "ANL.DAT"
        << R"({"id":1,"nm":"D'Angelo","is":"Moody's","in":"电子","mn":$v,"ui":1001,"nw":1,"dt":"$d","tM":"$t"})"
        << "select Anl_Months from T_Analyst" << true;
}

QTEST_GUILESS_MAIN(TestImporters)
#include "tst_importers.moc"
