#include "daypricestore.h"
#include "dbconnection.h"
#include "sqlhelpers.h"

#include <QtTest>

namespace {

QString row(const QString &dt, const QString &close, const QString &tm)
{
    return QStringLiteral("{\"dt\":\"%1\",\"pO\":1,\"pH\":%2,\"pL\":0.5,\"pC\":%2,\"ch\":0.1,\"fc\":1.5,\"tM\":\"%3\"}")
        .arg(dt, close, tm);
}

QString package(const QStringList &rows)
{
    return QStringLiteral("{\"data\":[") + rows.join(',') + QStringLiteral("]}");
}

} // namespace

class TestDayPriceStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QSqlDatabase db() { return sqliteConnection(QStringLiteral("PriceTest"), m_dir->filePath("600000.SH")); }
    // "date=close" of every stored day.
    QStringList closes() { return sqlColumn(db(), "select Prc_Date || '=' || ifnull(Prc_Close, 'NULL') from T_Price order by 1"); }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void cleanup()
    {
        closeSqliteConnection(QStringLiteral("PriceTest"));
        m_dir.reset();
    }

    void newFileGetsTheExactTable()
    {
        const DayImportResult r = importDayPrices(db(), package({row("2014-07-15", "12.34", "2014-07-15 16:00:00")}));
        QVERIFY2(r.ok, qPrintable(r.error));
        // Nothing else: no index of our own beside those SQLite keeps for the keys.
        QCOMPARE(sqlColumn(db(), "select sql from sqlite_master where sql is not null"),
                 QStringList({"CREATE TABLE 'T_Price' ( 'Prc_Date' DATETIME Not Null UNIQUE, 'Prc_Open' FLOAT, "
                             "'Prc_High' FLOAT, 'Prc_Low' FLOAT, 'Prc_Close' FLOAT, 'Prc_Change' FLOAT, "
                             "'Prc_Factor' FLOAT, 'Prc_Vol' FLOAT, 'Prc_Amount' FLOAT, 'Prc_DtModify' DATETIME, "
                             "PRIMARY KEY ('Prc_Date'))"}));
        QVERIFY(ensurePriceTable(db())); // running again fails nothing
    }

    void insertsAndUpdatesOnlyByLaterModifyTime()
    {
        QVERIFY(importDayPrices(db(), package({row("2014-07-14", "10", "2014-07-14 16:00:00"),
                                               row("2014-07-15", "11", "2014-07-15 16:00:00"),
                                               row("2014-07-16", "12", "2014-07-16 16:00:00")})).ok);
        QCOMPARE(sqlValue(db(), "select Prc_Vol || '/' || Prc_Amount || '/' || Prc_Factor from T_Price").toString(),
                 QStringLiteral("0.0/0.0/1.5"));
        QVERIFY(runSql(db(), {"update T_Price set Prc_Vol = 7"}));

        // A later time replaces, an equal or earlier one does not; within one package likewise.
        const DayImportResult r = importDayPrices(db(), package({row("2014-07-14", "20", "2014-07-14 16:00:01"),
                                                                 row("2014-07-15", "21", "2014-07-15 16:00:00"),
                                                                 row("2014-07-16", "22", "2014-07-16 15:59:59"),
                                                                 row("2014-07-17", "23", "2014-07-17 16:00:00"),
                                                                 row("2014-07-17", "24", "2014-07-17 17:00:00"),
                                                                 row("2014-07-17", "25", "2014-07-17 17:00:00")}));
        QVERIFY(r.ok);
        QCOMPARE(r.inserted, 1);
        QCOMPARE(r.updated, 2);
        QCOMPARE(closes(), QStringList({"2014-07-14=20.0", "2014-07-15=11.0", "2014-07-16=12.0", "2014-07-17=24.0"}));
        QCOMPARE(sqlColumn(db(), "select Prc_DtModify || '/' || Prc_Vol from T_Price where Prc_Date = '2014-07-14'"),
                 QStringList{"2014-07-14 16:00:01/7.0"});
    }

    void malformedRowsAreSkipped()
    {
        const QString injected = QStringLiteral("2014-07-01', 1, 1, 1, 1, 1, 1, 0, 0, ''); drop table T_Price; --");
        const DayImportResult r = importDayPrices(
            db(), package({row("2014-13-01", "10", "2014-07-14 16:00:00"), row(injected, "10", "2014-07-14 16:00:00"),
                           row("2014-07-02", "10", "yesterday"), row("2014-07-03", "\"abc\"", "2014-07-03 16:00:00"),
                           QStringLiteral("{\"pC\":1,\"tM\":\"2014-07-04 16:00:00\"}"), QStringLiteral("[1,2,3]"),
                           row("2014-07-05", "\"10.5\"", "2014-07-05 16:00:00"),
                           row("2014-07-06", "null", "2014-07-06 16:00:00")}));
        QVERIFY(r.ok);
        QCOMPARE(r.skipped, 6);
        QCOMPARE(closes(), QStringList({"2014-07-05=10.5", "2014-07-06=NULL"}));
    }

    void badPackagesTouchNothing()
    {
        const QStringList bad{QString(), "<html>busy</html>", "{\"data\":5}"};
        for (const QString &text : bad) {
            const DayImportResult r = importDayPrices(db(), text);
            QVERIFY(!r.ok && r.badPackage && !r.error.isEmpty());
        }
        QCOMPARE(sqlColumn(db(), "select name from sqlite_master"), QStringList());
        QVERIFY(importDayPrices(db(), package({row("2014-07-14", "10", "2014-07-14 16:00:00")})).ok);
        for (const QString &text : bad)
            QVERIFY(!importDayPrices(db(), text).ok);
        QCOMPARE(closes(), QStringList{"2014-07-14=10.0"});
    }

    void fileWithoutTableIsRepaired()
    {
        QVERIFY(runSql(db(), {"create table Other (x)"}));
        QVERIFY(!readDayPriceStatus(db()).ok);
        QVERIFY(importDayPrices(db(), package({})).ok);
        QVERIFY(readDayPriceStatus(db()).ok);
    }

    void readsDaysInOrder()
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

    void plainCodes()
    {
        const QStringList plain{"600000.SH", "AAPL_US-1"};
        for (const QString &code : plain + QStringList{"", "..", ".x", "../data.s3", "a/b", "a\\b", "60 0000", "600000'.SH", QString(65, 'a')}) {
            QVERIFY2(isPlainStockCode(code) == plain.contains(code), qPrintable(code));
            QVERIFY2(dayPriceFilePath(code).isEmpty() == !plain.contains(code), qPrintable(code));
        }
    }
};

QTEST_MAIN(TestDayPriceStore)
#include "tst_daypricestore.moc"
