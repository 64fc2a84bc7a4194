#include "mainwindowtest.h"

#include "devserver.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "qdlgalert.h"
#include "qdlgmessage.h"
#include "qmessageboard.h"
#include "qwinmain.h"
#include "standinsession.h"

#include <QAction>
#include <QLabel>
#include <QTableWidget>

namespace {

template<class T>
T *keptDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<T *>(widget))
            return dialog;
    }
    return nullptr;
}

QAction *messageAction(QWinMain &window)
{
    for (QAction *action : window.actions()) {
        if (action->text() == QStringLiteral("滚动提示(&M)"))
            return action;
    }
    return nullptr;
}

} // namespace

// The message strip and the alert dialog as the main window keeps them, the engine included.
class TestMainPopups : public QObject
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
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *strip = keptDialog<QDlgMessage>();
        QVERIFY(strip);
        QAction *action = messageAction(window);
        QVERIFY(action);
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
        ModalWatcher answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 20000);
    }

    // The engine's messages reach the strip (which keeps them while hidden) and its alerts the
    // alert dialog, also those whose ratings arrive before their reports.
    void engineFeedsStripAndAlerts()
    {
        const QJsonObject facts = server.manifest().value("facts").toObject();
        setMessageShow(1);
        setAlertKinds({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")});
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *strip = keptDialog<QDlgMessage>();
        auto *alerts = keptDialog<QDlgAlert>();
        QVERIFY(strip && alerts);
        // The engine's first cycle starts a second after the window: this rating's report is
        // not in yet, as when a rating package comes before its report package.
        const QString early = facts.value("reportFiles").toObject().value("PDF").toString();
        alerts->addAlert(QStringLiteral("RAT_ACT_INI"), early);
        QCOMPARE(alerts->pendingAlertCount(), 1);
        messageAction(window)->trigger();
        QVERIFY(!strip->isVisible());

        QTRY_COMPARE_WITH_TIMEOUT(strip->messageBoard()->messages().pending().size(),
                                  facts.value("todayMessageReports").toInt(), 180000);
        const int alerted = facts.value("todayFirstRatingAlerts").toInt() + facts.value("todayUpgradeAlerts").toInt();
        QTRY_COMPARE_WITH_TIMEOUT(alerts->alertList()->rowCount(), alerted + 1, 60000);
        QStringList ids;
        for (int row = 0; row < alerts->alertList()->rowCount(); ++row)
            ids << alerts->alertList()->item(row, 0)->data(Qt::UserRole).toString();
        QVERIFY(ids.contains(early));
        QVERIFY(alerts->isVisible());
        QCOMPARE(alerts->pendingAlertCount(), 0);

        messageAction(window)->trigger();
        QVERIFY(strip->messageBoard()->isScrolling());
        QTRY_VERIFY(!strip->messageBoard()->messages().strip().isEmpty());
        QCOMPARE(strip->messageBoard()->messages().pending().size(), facts.value("todayMessageReports").toInt() - 1);

        ModalWatcher answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 20000);
    }
};

QTEST_MAIN(TestMainPopups)
#include "tst_mainpopups.moc"
