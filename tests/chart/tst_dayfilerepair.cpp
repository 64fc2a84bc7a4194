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
        QByteArray bytes = readFile(path);
        QVERIFY(bytes.size() > 32768);
        if (damage == QLatin1String("garbage"))
            bytes = QByteArray(bytes.size(), 'x');
        else if (damage == QLatin1String("cut"))
            bytes.truncate(bytes.size() / 2);
        else if (damage == QLatin1String("page"))
            bytes.replace(8192, 4096, QByteArray(4096, 'x'));
        else
            bytes.replace(0, 100, QByteArray(100, '\0'));
        QVERIFY(writeFile(path, bytes));

        QMdiArea area;
        auto *chart = new QWinChart(&area);
        area.addSubWindow(chart, Qt::FramelessWindowHint);
        QDlgDownloadDay dialog;
        connect(chart, &QWinChart::downloadDay, &dialog, &QDlgDownloadDay::downloadDay);
        connect(&dialog, &QDlgDownloadDay::freshChart, chart, &QWinChart::freshChart);
        QSignalSpy fresh(&dialog, &QDlgDownloadDay::freshChart);
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
};

QTEST_MAIN(TestDayFileRepair)
#include "tst_dayfilerepair.moc"
