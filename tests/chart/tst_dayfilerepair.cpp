#include "chartfixture.h"
#include "devserver.h"
#include "modalwatcher.h"
#include "qchart.h"
#include "qdlgdownloadday.h"
#include "qhttpclient.h"
#include "qwinchart.h"
#include "serviceapi.h"
#include "testfiles.h"
#include "waiting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMdiArea>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QString kCode = QStringLiteral("600003.SH");

int packageRows(const QString &code)
{
    QHttpClient client;
    QSignalSpy done(&client, &QHttpClient::downloadFinished);
    if (!client.get(getDayUrl() + '/' + code, true) || !done.wait(10000))
        return -1;
    return QJsonDocument::fromJson(done.at(0).at(1).toByteArray()).object().value("data").toArray().size();
}

// The bytes of a whole price file damaged as a crash or a disk might.
QByteArray damaged(QByteArray bytes, const QString &damage)
{
    if (damage == QLatin1String("garbage"))
        bytes = QByteArray(bytes.size(), 'x');
    else if (damage == QLatin1String("cut"))
        bytes.truncate(bytes.size() / 2);
    else if (damage == QLatin1String("page"))
        bytes.replace(8192, 4096, QByteArray(4096, 'x'));
    else
        bytes.replace(0, 100, QByteArray(100, '\0'));
    return bytes;
}

// The chart window wired to the download dialog as the main window wires them.
struct ChartAndDownload
{
    QMdiArea area;
    QWinChart *chart = new QWinChart(&area);
    QDlgDownloadDay dialog;

    ChartAndDownload()
    {
        area.addSubWindow(chart, Qt::FramelessWindowHint);
        QObject::connect(chart, &QWinChart::downloadDay, &dialog, &QDlgDownloadDay::downloadDay);
        QObject::connect(&dialog, &QDlgDownloadDay::freshChart, chart, &QWinChart::freshChart);
    }
};

} // namespace

// A stock's day-price file that SQLite cannot use is set aside and its days are fetched into a
// new one: the chart window, wired to the download dialog as the main window wires them, shows
// the stock's days after the first showing, without a message.
class TestDayFileRepair : public QObject
{
    Q_OBJECT

    DevServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    void init()
    {
        m_dir = openChartDatabase();
        QVERIFY(m_dir);
        loadOptionConfig();
        // The cache knows the stock's days; the file's first import brings them up to date.
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 1, 100, "银行", 1, "2000-01-01 00:00:00"}));
    }

    void cleanup()
    {
        closeSqliteConnection(QStringLiteral("Reader"));
        closeMainDatabase();
        m_dir.reset();
    }

    void damagedFileIsReplaced_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("garbage bytes") << "garbage";
        QTest::newRow("cut short") << "cut";
        QTest::newRow("zeroed header") << "zeroed";
        // Sound to SQLite on opening and to the file's status, not to the reading of its rows.
        QTest::newRow("an old page overwritten") << "page";
    }

    void damagedFileIsReplaced()
    {
        QFETCH(QString, damage);
        const int rows = packageRows(kCode);
        QVERIFY(rows > 100);
        const QString path = dayPriceFilePath(kCode);
        // A whole file of the stock's days first, then damaged as a crash or a disk might.
        QVERIFY(writePriceFile(kCode, QDate(2010, 1, 4), 2000, QStringLiteral("2016-03-01 15:00:00")));
        QFile::remove(path + "-wal");
        QFile::remove(path + "-shm");
        QVERIFY(readFile(path).size() > 32768);
        const QByteArray bytes = damaged(readFile(path), damage);
        QVERIFY(writeFile(path, bytes));

        ChartAndDownload view;
        QWinChart *chart = view.chart;
        QSignalSpy fresh(&view.dialog, &QDlgDownloadDay::freshChart);
        ModalWatcher boxes;
        chart->showChart(kCode);
        WAIT_UNTIL("the stock's days stored, or a message", fresh.count() == 1 || boxes.count() > 0, 20000);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(chart->chartWidget()->getPriceCount(), rows);
        // The damaged file is kept beside the new one.
        QCOMPARE(readFile(path + ".damaged"), bytes);

        // The next showing reads the new file and fetches nothing more.
        const int requests = m_server.requestLog().size();
        chart->showChart(kCode);
        QCOMPARE(chart->chartWidget()->getPriceCount(), rows);
        QTest::qWait(100);
        QCOMPARE(m_server.requestLog().size(), requests);
        QCOMPARE(boxes.count(), 0);
    }

    // A crash leaves the WAL and its index beside the file. Opening the file, SQLite plays its
    // own WAL into it and drops one that is not, unless another reader holds the file: then the
    // WAL is still there when the file goes aside, and goes with it. Either way what goes aside
    // is one set that replaces an older one whole, and nothing of the old WAL reaches the new
    // file.
    void damagedFileGoesAsideWithItsWal_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("wal"); // "own": the file's WAL, holding days the file lacks
        QTest::addColumn<bool>("reader");
        for (const char *damage : {"garbage", "cut", "zeroed"}) {
            for (const char *wal : {"own", "garbage"})
                QTest::addRow("%s, %s WAL", damage, wal) << QString(damage) << QString(wal) << false;
        }
        QTest::newRow("page, garbage WAL, held by a reader") << "page" << "garbage" << true;
    }

    void damagedFileGoesAsideWithItsWal()
    {
        QFETCH(QString, damage);
        QFETCH(QString, wal);
        QFETCH(bool, reader);
        const int rows = packageRows(kCode);
        QVERIFY(rows > 100);
        const QString path = dayPriceFilePath(kCode);
        QVERIFY(writePriceFile(kCode, QDate(2010, 1, 4), 2000, QStringLiteral("2016-03-01 15:00:00")));
        const QByteArray file = damaged(readFile(path), damage);
        QByteArray walBytes, shmBytes;
        {
            // Days of 1985 written and never checkpointed: only the WAL holds them.
            QSqlDatabase db = sqliteConnection(QStringLiteral("Crash"), path);
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
            QStringList days;
            for (int i = 0; i < 30; ++i)
                days << QStringLiteral("{\"dt\":\"%1\",\"pO\":1,\"pH\":1,\"pL\":1,\"pC\":1,\"ch\":0,\"fc\":1,"
                                       "\"tM\":\"2016-03-01 15:00:00\"}").arg(QDate(1985, 1, 2).addDays(i).toString(Qt::ISODate));
            QVERIFY(importDayPrices(db, QStringLiteral("{\"data\":[") + days.join(',') + QStringLiteral("]}")).ok);
            walBytes = readFile(path + "-wal");
            shmBytes = readFile(path + "-shm");
        }
        closeSqliteConnection(QStringLiteral("Crash"));
        QVERIFY(walBytes.size() > 32 && !shmBytes.isEmpty());
        if (wal == QLatin1String("garbage"))
            walBytes = QByteArray(walBytes.size(), 'w');
        QVERIFY(writeFile(path, file));
        QVERIFY(writeFile(path + "-wal", walBytes));
        QVERIFY(writeFile(path + "-shm", shmBytes));
        for (const char *aside : {".damaged", ".damaged-wal", ".damaged-shm"})
            QVERIFY(writeFile(path + aside, "set aside by an earlier repair"));
        if (reader) {
            QSqlQuery read(sqliteConnection(QStringLiteral("Reader"), path));
            QVERIFY(read.exec(QStringLiteral("select count(1) from sqlite_master")) && read.next());
        }

        ChartAndDownload view;
        QSignalSpy fresh(&view.dialog, &QDlgDownloadDay::freshChart);
        ModalWatcher boxes;
        view.chart->showChart(kCode);
        WAIT_UNTIL("the stock's days stored, or a message", fresh.count() == 1 || boxes.count() > 0, 20000);
        QCOMPARE(boxes.count(), 0);
        // The new file holds the package's days and none of the WAL's; no WAL of the old file
        // is left beside it.
        QCOMPARE(view.chart->chartWidget()->getPriceCount(), rows);
        QVERIFY(readFile(path + "-wal") != walBytes);
        // Aside: the damaged file (with what SQLite played into it) and its WAL and index where
        // they were still there; nothing of the older set.
        QVERIFY(QFile::exists(path + ".damaged") && readFile(path + ".damaged") != "set aside by an earlier repair");
        if (reader) {
            QCOMPARE(readFile(path + ".damaged"), file);
            QCOMPARE(readFile(path + ".damaged-wal"), walBytes);
            QVERIFY(QFile::exists(path + ".damaged-shm"));
        }
        for (const char *aside : {".damaged-wal", ".damaged-shm"})
            QVERIFY2(readFile(path + aside) != "set aside by an earlier repair", aside);
        QVERIFY(!QFile::exists(path + ".damaged-wal") || readFile(path + ".damaged-wal") == walBytes);
    }
};

QTEST_MAIN(TestDayFileRepair)
#include "tst_dayfilerepair.moc"
