#include "mainwindowtest.h"

#include "devserver.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "qdlgalert.h"
#include "qdlgmessage.h"
#include "qmessageboard.h"
#include "qwinmain.h"
#include "standinsession.h"
#include "waiting.h"

#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QTableWidget>

namespace {

QString labelText(QWinMain &window, const char *name)
{
    return window.findChild<QLabel *>(QLatin1String(name))->text();
}

// Every status text the window showed while the watcher lived, polled every 2 ms.
struct StatusWatcher
{
    explicit StatusWatcher(QWinMain &window)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, &window] {
            if (texts.value(texts.size() - 1, QStringLiteral("-")) != labelText(window, "lblStatus"))
                texts << labelText(window, "lblStatus");
        });
        timer.start(2);
    }

    bool saw(const QString &pattern) const { return !texts.filter(QRegularExpression(pattern)).isEmpty(); }

    QStringList texts;
    QTimer timer;
};

const QString kScrolling = QStringLiteral("滚动提示(&M)");

// Whether the numbers of a column run up (or down) the page; "-" counts as 0.
bool sortedBy(QTableWidget *t, int column, bool descending)
{
    const auto number = [t, column](int row) { return t->item(row, column) ? t->item(row, column)->text().toDouble() : 0; };
    for (int row = 1; row < t->rowCount(); ++row) {
        if (descending ? number(row - 1) < number(row) : number(row - 1) > number(row))
            return false;
    }
    return true;
}

} // namespace

// The window with the real update engine on its thread, against the stand-in: the status bar,
// the message strip and the alert dialog it feeds, the analysis lists over what it imported, and
// the close.
class TestMainEngine : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    std::unique_ptr<QWinMain> window;

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
        setListYear(server.manifest().value("facts").toObject().value("listYear").toInt());
    }

    // The engine's import reaches the status bar, its messages the strip (which keeps them while
    // hidden) and its alerts the alert dialog, also those whose ratings come before their reports.
    void engineFeedsTheWindow()
    {
        const QJsonObject facts = server.manifest().value("facts").toObject();
        setMessageShow(1);
        setAlertKinds({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")});
        window = std::make_unique<QWinMain>();
        window->resize(1280, 760);
        StatusWatcher status(*window);
        QVERIFY(showExposed(*window));
        auto *strip = qobject_cast<QDlgMessage *>(topLevelOf("QDlgMessage"));
        auto *alerts = qobject_cast<QDlgAlert *>(topLevelOf("QDlgAlert"));
        QCOMPARE(labelText(*window, "lblServer"), QStringLiteral("杭州服务器"));
        // The engine's first cycle starts a second after the window: this rating's report is
        // not in yet, as when a rating package comes before its report package.
        const QString early = facts.value("reportFiles").toObject().value("PDF").toString();
        alerts->addAlert(QStringLiteral("RAT_ACT_INI"), early);
        QCOMPARE(alerts->pendingAlertCount(), 1);
        actionOf(*window, kScrolling)->trigger();
        QVERIFY(!strip->isVisible());

        const QString count = QStringLiteral("今日%1篇报告").arg(facts.value("todayReports").toInt());
        WAIT_UNTIL("the report count " + count, labelText(*window, "lblReportCount") == count, 180000);
        WAIT_UNTIL("the status 数据更新完毕！", status.texts.contains(QStringLiteral("数据更新完毕！")), 60000);
        // Progress texts are coalesced, so any one of the cycle's steps may be the one shown.
        QVERIFY2(status.saw(QStringLiteral("^(接收|导入)")), qPrintable(status.texts.join(" | ")));
        const int messages = facts.value("todayMessageReports").toInt();
        WAIT_UNTIL(QString("%1 messages").arg(messages), strip->messageBoard()->messages().pending().size() == messages, 60000);
        const int alerted = facts.value("todayFirstRatingAlerts").toInt() + facts.value("todayUpgradeAlerts").toInt();
        WAIT_UNTIL(QString("%1 alerts").arg(alerted + 1), alerts->alertList()->rowCount() == alerted + 1, 60000);
        QStringList ids;
        for (int row = 0; row < alerts->alertList()->rowCount(); ++row)
            ids << alerts->alertList()->item(row, 0)->data(Qt::UserRole).toString();
        QVERIFY(ids.contains(early) && alerts->isVisible());
        QCOMPARE(alerts->pendingAlertCount(), 0);

        actionOf(*window, kScrolling)->trigger();
        QTRY_VERIFY(!strip->messageBoard()->messages().strip().isEmpty());
        QCOMPARE(strip->messageBoard()->messages().pending().size(), messages - 1);
    }

    // The analysis lists shown by request over the imported data, sorted by a header click
    // through the main window's dispatch; the consensus list sets the stocks the chart steps through.
    void analysisLists_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("clicks"); // on the header of the section
        QTest::addColumn<int>("section");
        QTest::addColumn<bool>("descending");
        QTest::newRow("consensus by P/E") << "CNS_ALL" << "QWinConsensusList" << 1 << 16 << false;
        QTest::newRow("value matrix by ROE, descending") << "MTX_ALL" << "QWinMatrixList" << 2 << 6 << true;
        QTest::newRow("Shanghai quotes by change") << "QUO_MKT_SH" << "QWinQuoteList" << 0 << 4 << true;
    }

    void analysisLists()
    {
        QFETCH(QString, id);
        QFETCH(QString, list);
        QFETCH(int, clicks);
        QFETCH(int, section);
        QFETCH(bool, descending);
        window->showList(getOrderJson(id), 0);
        QTableWidget *t = nullptr;
        for (QMdiSubWindow *sub : window->findChild<QMdiArea *>()->subWindowList())
            t = sub->inherits(qPrintable(list)) ? sub->findChild<QTableWidget *>() : t;
        QVERIFY(t->isVisible() && t->rowCount() > 5);
        QHeaderView *h = t->horizontalHeader();
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 5, 5));
        QVERIFY(sortedBy(t, section, descending));
        QCOMPARE(h->sortIndicatorSection(), clicks ? section : h->sortIndicatorSection());
        if (id == "CNS_ALL")
            QCOMPARE(getCurrentStockList().size(), server.manifest().value("facts").toObject().value("listedStocks").toInt());
        if (id.startsWith("QUO"))
            QVERIFY(t->item(0, 0)->data(Qt::UserRole).toString().endsWith(".SH"));
    }

    // Closed, the window waits for its engine to stop. With the index transfer hanging, the stop
    // must cut it rather than wait for the client's idle watchdog.
    void closingAbortsAStalledTransfer()
    {
        ModalWatcher answerer(QMessageBox::Yes);
        QVERIFY(!window->close());
        WAIT_UNTIL("the closed window", !window->isVisible(), 20000);
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dat/IDX")));
        window = std::make_unique<QWinMain>();
        StatusWatcher status(*window);
        QVERIFY(showExposed(*window));
        WAIT_UNTIL("the index transfer", status.saw(QStringLiteral("^接收索引数据")), 30000);
        QVERIFY(!window->close());
        WAIT_UNTIL("the closed window with the index stalled", !window->isVisible(), 10000);
        QVERIFY(status.texts.contains(QStringLiteral("接收索引数据失败！")));
        QVERIFY(server.resetFaults());
    }
};

QTEST_MAIN(TestMainEngine)
#include "tst_mainengine.moc"
