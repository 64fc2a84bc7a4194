#include "mainwindowtest.h"

#include "devserver.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "qdlgalert.h"
#include "qdlgmessage.h"
#include "qmessageboard.h"
#include "qwinmain.h"
#include "standinsession.h"

#include <QLabel>
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

} // namespace

// The window with the real update engine on its thread, against the stand-in: the status bar,
// the message strip and the alert dialog it feeds, and the close.
class TestMainEngine : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
    }

    // On with Option/MessageShow, at the top centre; the menu entry hides and shows it.
    void stripFollowsOptionAndMenu_data()
    {
        QTest::addColumn<int>("messageShow");
        QTest::newRow("on") << 1;
        QTest::newRow("off") << 0;
    }

    void stripFollowsOptionAndMenu()
    {
        QFETCH(int, messageShow);
        setMessageShow(messageShow);
        setAlertKinds({});
        QWinMain window;
        QVERIFY(showExposed(window));
        auto *strip = qobject_cast<QDlgMessage *>(topLevelOf("QDlgMessage"));
        QAction *action = actionOf(window, kScrolling);
        QCOMPARE(action->isChecked(), messageShow > 0);
        QCOMPARE(strip->isVisible(), messageShow > 0);
        QCOMPARE(strip->messageBoard()->isScrolling(), messageShow > 0);
        action->trigger();
        QCOMPARE(strip->isVisible(), messageShow == 0);
        QCOMPARE(strip->messageBoard()->isScrolling(), messageShow == 0);
        if (strip->isVisible()) {
            QCOMPARE(strip->pos(), placedPosition(availableAreaOf(&window), strip->frameGeometry().size(),
                                                  Qt::AlignTop | Qt::AlignHCenter));
        }
        QCOMPARE(getMessageShow(), messageShow);
        CLOSE_CONFIRMED(window);
    }

    // The engine's import reaches the status bar, its messages the strip (which keeps them while
    // hidden) and its alerts the alert dialog, also those whose ratings come before their reports.
    void engineFeedsTheWindow()
    {
        const QJsonObject facts = server.manifest().value("facts").toObject();
        setMessageShow(1);
        setAlertKinds({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")});
        QWinMain window;
        StatusWatcher status(window);
        QVERIFY(showExposed(window));
        auto *strip = qobject_cast<QDlgMessage *>(topLevelOf("QDlgMessage"));
        auto *alerts = qobject_cast<QDlgAlert *>(topLevelOf("QDlgAlert"));
        QCOMPARE(labelText(window, "lblServer"), QStringLiteral("杭州服务器"));
        // The engine's first cycle starts a second after the window: this rating's report is
        // not in yet, as when a rating package comes before its report package.
        const QString early = facts.value("reportFiles").toObject().value("PDF").toString();
        alerts->addAlert(QStringLiteral("RAT_ACT_INI"), early);
        QCOMPARE(alerts->pendingAlertCount(), 1);
        actionOf(window, kScrolling)->trigger();
        QVERIFY(!strip->isVisible());

        QTRY_COMPARE_WITH_TIMEOUT(labelText(window, "lblReportCount"),
                                  QStringLiteral("今日%1篇报告").arg(facts.value("todayReports").toInt()), 180000);
        QTRY_VERIFY_WITH_TIMEOUT(status.texts.contains(QStringLiteral("数据更新完毕！")), 60000);
        QVERIFY(status.saw(QStringLiteral("^导入")));
        const int messages = facts.value("todayMessageReports").toInt();
        QTRY_COMPARE_WITH_TIMEOUT(strip->messageBoard()->messages().pending().size(), messages, 60000);
        const int alerted = facts.value("todayFirstRatingAlerts").toInt() + facts.value("todayUpgradeAlerts").toInt();
        QTRY_COMPARE_WITH_TIMEOUT(alerts->alertList()->rowCount(), alerted + 1, 60000);
        QStringList ids;
        for (int row = 0; row < alerts->alertList()->rowCount(); ++row)
            ids << alerts->alertList()->item(row, 0)->data(Qt::UserRole).toString();
        QVERIFY(ids.contains(early) && alerts->isVisible());
        QCOMPARE(alerts->pendingAlertCount(), 0);

        actionOf(window, kScrolling)->trigger();
        QTRY_VERIFY(!strip->messageBoard()->messages().strip().isEmpty());
        QCOMPARE(strip->messageBoard()->messages().pending().size(), messages - 1);
        CLOSE_CONFIRMED(window);
    }

    // The index transfer hangs; the stop must cut it rather than wait for the client's idle
    // watchdog.
    void closingAbortsAStalledTransfer()
    {
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dat/IDX")));
        QWinMain window;
        StatusWatcher status(window);
        QVERIFY(showExposed(window));
        QTRY_VERIFY_WITH_TIMEOUT(status.saw(QStringLiteral("^接收索引数据")), 30000);
        ModalWatcher answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
        QVERIFY(status.texts.contains(QStringLiteral("接收索引数据失败！")));
        QVERIFY(server.resetFaults());
    }
};

QTEST_MAIN(TestMainEngine)
#include "tst_mainengine.moc"
