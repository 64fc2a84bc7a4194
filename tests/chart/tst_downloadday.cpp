#include "daypricestore.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgdownloadday.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "sqlhelpers.h"
#include "usersettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

namespace {

const QString kStockA = QStringLiteral("600003.SH");
const QString kStockB = QStringLiteral("600006.SH");

// "<rows>:<close of the newest day>" of the stand-in's package for code.
QString packageSummary(const QString &code)
{
    QHttpClient client;
    QSignalSpy done(&client, &QHttpClient::downloadFinished);
    if (!client.get(getDayUrl() + '/' + code, true) || !done.wait(10000))
        return QStringLiteral("(no package)");
    const QJsonArray rows = QJsonDocument::fromJson(done.at(0).at(1).toByteArray()).object().value("data").toArray();
    return QString::number(rows.size()) + ':' + QString::number(rows.last().toObject().value("pC").toDouble());
}

// The same of the stored file.
QString fileSummary(const QString &code)
{
    if (!QFile::exists(dayPriceFilePath(code)))
        return QStringLiteral("(no file)");
    QString summary;
    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Check"), dayPriceFilePath(code));
        summary = sqlValue(db, "select count(*) || ':' || (select Prc_Close from T_Price order by Prc_Date desc "
                               "limit 1) from T_Price").toString();
    }
    closeSqliteConnection(QStringLiteral("Check"));
    return summary;
}

} // namespace

class TestDownloadDay : public QObject
{
    Q_OBJECT

    DevServer m_server;
    QTemporaryDir m_data;

    int dayRequests(const QString &code) const
    {
        int n = 0;
        for (const QJsonObject &r : m_server.requestLog())
            n += r.value("path").toString() == QStringLiteral("/oss/day/") + code;
        return n;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        loadOptionConfig();
        setDataDir(m_data.path());
    }

    void init()
    {
        QVERIFY(m_server.resetFaults());
        m_server.clearRequestLog();
        QDir(m_data.filePath(getLocalDayDir())).removeRecursively();
    }

    void failedOrRefusedDownloadsAreReportedAndRetried_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        QTest::newRow("unknown stock") << "999999.SH" << "日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:203)" << 2;
        QTest::newRow("no file name") << "../data.s3" << "股票代码无效，不能更新日线数据！(../data.s3)" << 0;
    }

    void failedOrRefusedDownloadsAreReportedAndRetried()
    {
        QFETCH(QString, code);
        ModalWatcher boxes;
        QDlgDownloadDay dialog;
        QSignalSpy fresh(&dialog, &QDlgDownloadDay::freshChart);
        for (int i = 1; i <= 2; ++i) {
            dialog.downloadDay(code);
            QTRY_COMPARE(boxes.count(), i);
            QCOMPARE(boxes.last().title, QStringLiteral("下载失败"));
            QTEST(boxes.last().text, "text");
            QTRY_VERIFY(!dialog.isVisible());
        }
        QTEST(dayRequests(code), "requests");
        QCOMPARE(fresh.count(), 0);
        QVERIFY(!QFile::exists(m_data.filePath("data.s3")) && !QFile::exists(dayPriceFilePath(code)));
    }

    void unusableBodyAndRefusedRequestAreReported()
    {
        ModalWatcher boxes;
        QDlgDownloadDay dialog;
        QSignalSpy fresh(&dialog, &QDlgDownloadDay::freshChart);
        QVERIFY(m_server.setFault("stall", true, "/oss/day/" + kStockA));
        dialog.downloadDay(kStockA);
        QTRY_COMPARE(dayRequests(kStockA), 1);
        // The client hands over a body that is no package (it inflated to nothing, say).
        dialog.downloadFinished(0, QByteArray("<html>busy</html>"));
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("日线数据无效，请重新尝试或与我们联系！"));
        QCOMPARE(fresh.count(), 0);
        QCOMPARE(fileSummary(kStockA), QStringLiteral("(no file)"));

        // The stalled transfer still holds the client: the next request is refused and said so,
        // and asked for again.
        for (int i = 2; i <= 3; ++i) {
            dialog.downloadDay(kStockB);
            QTRY_COMPARE(boxes.count(), i);
            QCOMPARE(boxes.last().text, QStringLiteral("日线数据下载未能开始，请稍后重新尝试！"));
            QVERIFY(!dialog.isBusy());
        }
    }

    void escapeKeepsTheTransferAndAnotherStockWaits()
    {
        QDlgDownloadDay dialog;
        QPointer<QDlgDownloadDay> alive(&dialog);
        QSignalSpy fresh(&dialog, &QDlgDownloadDay::freshChart);
        dialog.downloadDay(kStockA);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible() && dialog.isBusy());
        dialog.downloadDay(kStockB); // while A is on its way
        QCOMPARE(dialog.getPendingCode(), kStockB);
        QTRY_COMPARE(fresh.count(), 2);
        QCOMPARE(fileSummary(kStockA), packageSummary(kStockA));
        QCOMPARE(fileSummary(kStockB), packageSummary(kStockB));
        QVERIFY(fileSummary(kStockA) != fileSummary(kStockB));

        // Closed, it is only hidden: a later request still reaches it.
        dialog.close();
        QVERIFY(alive);
        dialog.downloadDay(kStockA);
        QVERIFY(dialog.isVisible());
        QTRY_COMPARE(fresh.count(), 3);
    }

    void downloadsOnceAndAChartRefreshDuringImportLeavesItAlone()
    {
        QDlgDownloadDay dialog;
        QSignalSpy fresh(&dialog, &QDlgDownloadDay::freshChart);
        auto *label = dialog.findChild<QLabel *>("lblProgress");
        int refreshes = 0;
        // Whenever the import shows its progress, a chart refresh waits in the event queue, as
        // one would after a key press.
        connect(dialog.findChild<QProgressBar *>(), &QProgressBar::valueChanged, this, [&](int value) {
            if (value == 0 || label->text() != QStringLiteral("更新日线数据..."))
                return;
            QMetaObject::invokeMethod(this, [&] {
                sqliteConnection(QStringLiteral("PriceDB"), m_data.filePath("other"));
                closeSqliteConnection(QStringLiteral("PriceDB"));
                refreshes += dialog.isBusy();
            }, Qt::QueuedConnection);
        });
        dialog.downloadDay(kStockA);
        QVERIFY(dialog.isVisible());
        QTRY_COMPARE(fresh.count(), 1);
        QVERIFY(refreshes > 0 && !dialog.isVisible());
        QCOMPARE(fileSummary(kStockA), packageSummary(kStockA));
        dialog.downloadDay(kStockA); // the same stock again: nothing is fetched
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dayRequests(kStockA), 2); // ours and the summary's
    }
};

QTEST_MAIN(TestDownloadDay)
#include "tst_downloadday.moc"
