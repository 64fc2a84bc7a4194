#include "daypricestore.h"
#include "dbconnection.h"
#include "sqlhelpers.h"

#include <QtTest>

namespace {

QString row(const QString &dt, const QString &close, const QString &tm, const QString &extra = QString())
{
    return QStringLiteral("{\"dt\":\"%1\",\"pO\":1,\"pH\":%2,\"pL\":0.5,\"pC\":%2,\"ch\":0.1,\"fc\":1.5,\"tM\":\"%3\"%4}")
        .arg(dt, close, tm, extra);
}

QString package(const QStringList &rows)
{
    return QStringLiteral("{\"data\":[") + rows.join(',') + QStringLiteral("]}");
}

const QString kCreate = QStringLiteral(
    "CREATE TABLE 'T_Price' ( 'Prc_Date' DATETIME Not Null UNIQUE, 'Prc_Open' FLOAT, 'Prc_High' FLOAT, "
    "'Prc_Low' FLOAT, 'Prc_Close' FLOAT, 'Prc_Change' FLOAT, 'Prc_Factor' FLOAT, 'Prc_Vol' FLOAT, "
    "'Prc_Amount' FLOAT, 'Prc_DtModify' DATETIME, PRIMARY KEY ('Prc_Date'))");

} // namespace

class TestDayPriceStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newFileGetsTheExactTable();
    void insertsAndUpdatesOnlyByLaterModifyTime();
    void sameDateTwiceInOnePackage();
    void malformedRowsAreSkipped();
    void badPackagesTouchNothing_data();
    void badPackagesTouchNothing();
    void fileWithoutTableIsRepaired();
    void readsDaysInOrder();
    void plainCodes_data();
    void plainCodes();
    void staleness_data();
    void staleness();

private:
    QSqlDatabase db() { return sqliteConnection(QStringLiteral("PriceTest"), m_path); }
    QString close(const QString &day) { return sqlValue(db(), "select Prc_Close from T_Price where Prc_Date = '" + day + "'").toString(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestDayPriceStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("600000.SH"));
}

void TestDayPriceStore::cleanup()
{
    closeSqliteConnection(QStringLiteral("PriceTest"));
    m_dir.reset();
}

void TestDayPriceStore::newFileGetsTheExactTable()
{
    const DayImportResult r = importDayPrices(db(), package({row("2014-07-15", "12.34", "2014-07-15 16:00:00")}));
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(sqlColumn(db(), "select sql from sqlite_master where name = 'T_Price'"), QStringList{kCreate});
    QCOMPARE(sqlColumn(db(), "select type from sqlite_master where type = 'index' and sql is not null"), QStringList());
    // Running again creates nothing new and fails nothing.
    QVERIFY(ensurePriceTable(db()));
}

void TestDayPriceStore::insertsAndUpdatesOnlyByLaterModifyTime()
{
    QVERIFY(importDayPrices(db(), package({row("2014-07-14", "10", "2014-07-14 16:00:00"),
                                           row("2014-07-15", "11", "2014-07-15 16:00:00"),
                                           row("2014-07-16", "12", "2014-07-16 16:00:00")})).ok);
    QCOMPARE(sqlColumn(db(), "select Prc_Vol || '/' || Prc_Amount || '/' || Prc_Factor from T_Price where Prc_Date = '2014-07-14'"),
             QStringList{"0.0/0.0/1.5"});
    QVERIFY(runSql(db(), {"update T_Price set Prc_Vol = 7"}));

    const DayImportResult r = importDayPrices(db(), package({row("2014-07-14", "20", "2014-07-14 16:00:01"),
                                                             row("2014-07-15", "21", "2014-07-15 16:00:00"),
                                                             row("2014-07-16", "22", "2014-07-16 15:59:59"),
                                                             row("2014-07-17", "23", "2014-07-17 16:00:00")}));
    QVERIFY(r.ok);
    QCOMPARE(r.inserted, 1);
    QCOMPARE(r.updated, 1);
    QCOMPARE(close("2014-07-14"), QStringLiteral("20"));  // a later time replaces
    QCOMPARE(close("2014-07-15"), QStringLiteral("11"));  // an equal time does not
    QCOMPARE(close("2014-07-16"), QStringLiteral("12"));  // nor does an earlier one
    QCOMPARE(close("2014-07-17"), QStringLiteral("23"));
    QCOMPARE(sqlValue(db(), "select Prc_DtModify from T_Price where Prc_Date = '2014-07-14'").toString(),
             QStringLiteral("2014-07-14 16:00:01"));
    QCOMPARE(sqlValue(db(), "select Prc_Vol from T_Price where Prc_Date = '2014-07-14'").toInt(), 7);
}

void TestDayPriceStore::sameDateTwiceInOnePackage()
{
    const DayImportResult r = importDayPrices(db(), package({row("2014-07-14", "10", "2014-07-14 16:00:00"),
                                                             row("2014-07-14", "11", "2014-07-14 17:00:00"),
                                                             row("2014-07-14", "12", "2014-07-14 17:00:00")}));
    QVERIFY(r.ok);
    QCOMPARE(close("2014-07-14"), QStringLiteral("11"));
    QCOMPARE(sqlValue(db(), "select count(*) from T_Price").toInt(), 1);
}

void TestDayPriceStore::malformedRowsAreSkipped()
{
    const QString injected = QStringLiteral("2014-07-01', 1, 1, 1, 1, 1, 1, 0, 0, ''); drop table T_Price; --");
    const DayImportResult r = importDayPrices(
        db(), package({row("2014-13-01", "10", "2014-07-14 16:00:00"),
                       row(injected, "10", "2014-07-14 16:00:00"),
                       row("2014-07-02", "10", "yesterday"),
                       row("2014-07-03", "\"abc\"", "2014-07-03 16:00:00"),
                       QStringLiteral("{\"pC\":1,\"tM\":\"2014-07-04 16:00:00\"}"),
                       QStringLiteral("[1,2,3]"),
                       row("2014-07-05", "\"10.5\"", "2014-07-05 16:00:00"),
                       row("2014-07-06", "null", "2014-07-06 16:00:00")}));
    QVERIFY(r.ok);
    QCOMPARE(r.rows, 8);
    QCOMPARE(r.skipped, 6);
    QCOMPARE(sqlColumn(db(), "select Prc_Date || '=' || ifnull(Prc_Close, 'NULL') from T_Price order by 1"),
             QStringList({"2014-07-05=10.5", "2014-07-06=NULL"}));
}

void TestDayPriceStore::badPackagesTouchNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("not JSON") << QStringLiteral("<html>busy</html>");
    QTest::newRow("data not an array") << QStringLiteral("{\"data\":5}");
    QTest::newRow("no data") << QStringLiteral("{\"rows\":[]}");
}

void TestDayPriceStore::badPackagesTouchNothing()
{
    QFETCH(QString, text);
    const DayImportResult r = importDayPrices(db(), text);
    QVERIFY(!r.ok);
    QVERIFY(r.badPackage);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(sqlColumn(db(), "select name from sqlite_master"), QStringList());

    QVERIFY(importDayPrices(db(), package({row("2014-07-14", "10", "2014-07-14 16:00:00")})).ok);
    QVERIFY(!importDayPrices(db(), text).ok);
    QCOMPARE(close("2014-07-14"), QStringLiteral("10"));
}

void TestDayPriceStore::fileWithoutTableIsRepaired()
{
    QVERIFY(runSql(db(), {"create table Other (x)"}));
    QVERIFY(!readDayPriceStatus(db()).ok);
    const DayImportResult r = importDayPrices(db(), package({}));
    QVERIFY(r.ok);
    const DayPriceStatus status = readDayPriceStatus(db());
    QVERIFY(status.ok);
    QCOMPARE(status.count, 0);
}

void TestDayPriceStore::readsDaysInOrder()
{
    QVERIFY(importDayPrices(db(), package({row("2014-07-16", "12", "2014-07-16 16:00:00"),
                                           row("2014-07-14", "10", "2014-07-18 09:30:00")})).ok);
    QVERIFY(runSql(db(), {"insert into T_Price (Prc_Date, Prc_Close) values ('undefined', 1)"}));
    const QList<QPriceRecord> days = readDayPrices(db());
    QCOMPARE(days.size(), 2);
    QCOMPARE(days[0].getDate(), QDate(2014, 7, 14));
    QCOMPARE(days[1].getClose(), 12.0);
    QCOMPARE(days[1].getFactor(), 1.5);
    const DayPriceStatus status = readDayPriceStatus(db());
    QCOMPARE(status.count, 3);
    QCOMPARE(status.newest, QDateTime(QDate(2014, 7, 18), QTime(9, 30)));
}

void TestDayPriceStore::plainCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("plain");
    QTest::newRow("exchange code") << "600000.SH" << true;
    QTest::newRow("letters") << "AAPL_US-1" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("parent") << ".." << false;
    QTest::newRow("hidden") << ".x" << false;
    QTest::newRow("traversal") << "../data.s3" << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("blank") << "60 0000" << false;
    QTest::newRow("quote") << "600000'.SH" << false;
    QTest::newRow("too long") << QString(65, 'a') << false;
}

void TestDayPriceStore::plainCodes()
{
    QFETCH(QString, code);
    QFETCH(bool, plain);
    QCOMPARE(isPlainStockCode(code), plain);
    QCOMPARE(dayPriceFilePath(code).isEmpty(), !plain);
}

void TestDayPriceStore::staleness_data()
{
    QTest::addColumn<bool>("countable");
    QTest::addColumn<int>("localCount");
    QTest::addColumn<int>("cacheCount");
    QTest::addColumn<int>("cacheSecondsLater"); // cache time minus the newest modify time
    QTest::addColumn<bool>("stale");
    QTest::newRow("same count and time") << true << 100 << 100 << 0 << false;
    QTest::newRow("cache a second later") << true << 100 << 100 << 1 << true;
    QTest::newRow("fewer rows") << true << 99 << 100 << 0 << true;
    QTest::newRow("more rows, times alone") << true << 101 << 100 << 0 << false;
    QTest::newRow("more rows, cache later") << true << 101 << 100 << 1 << true;
    QTest::newRow("file newer") << true << 100 << 100 << -5 << false;
    QTest::newRow("not countable") << false << 0 << 0 << -5 << true;
}

void TestDayPriceStore::staleness()
{
    QFETCH(bool, countable);
    QFETCH(int, localCount);
    QFETCH(int, cacheCount);
    QFETCH(int, cacheSecondsLater);
    QFETCH(bool, stale);
    DayPriceStatus status;
    status.ok = countable;
    status.count = localCount;
    status.newest = QDateTime(QDate(2016, 3, 1), QTime(15, 0, 0));
    // Milliseconds of the cache's time do not count.
    const QDateTime cache = status.newest.addSecs(cacheSecondsLater).addMSecs(400);
    QCOMPARE(isDayPriceStale(status, cacheCount, cache), stale);
}

QTEST_MAIN(TestDayPriceStore)
#include "tst_daypricestore.moc"
