#include "mainwindowtest.h"

#include "dbconnection.h"
#include "globalstate.h"
#include "orderhistory.h"
#include "qwinchart.h"
#include "qwinmain.h"
#include "qwinquotelist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>

namespace {

QToolButton *button(QWinMain &window, const char *name)
{
    return window.findChild<QToolButton *>(QLatin1String(name));
}

QLabel *label(QWinMain &window, const char *name)
{
    return window.findChild<QLabel *>(QLatin1String(name));
}

QToolButton *tab(QWinMain &window, const QString &text)
{
    for (QToolButton *b : window.findChildren<QToolButton *>(QStringLiteral("TabbarButton")))
        if (b->text() == text)
            return b;
    return nullptr;
}

QString checkedTab(QWinMain &window)
{
    for (QToolButton *b : window.findChildren<QToolButton *>(QStringLiteral("TabbarButton")))
        if (b->isChecked())
            return b->text();
    return QString();
}

int sidebarPage(QWinMain &window)
{
    return window.findChild<QStackedWidget *>(QStringLiteral("stkSidebar"))->currentIndex();
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(prepareMainDatabase(dir));
    }

    void init()
    {
        while (getOrderHistoryCount() > 0)
            popOrderHistory();
    }

    void startsOnTheNewestReports()
    {
        QWinMain window;
        QCOMPARE(window.windowTitle(), getCnName() + QStringLiteral(" - 最新报告"));
        QCOMPARE(label(window, "lblTitle")->text(), QStringLiteral("最新报告"));
        QCOMPARE(getOrderHistoryCount(), 1);
        QCOMPARE(getOrderHistoryTop(), getOrderJson(QStringLiteral("RPT_NEW")));
        QCOMPARE(getOrderHistoryTopPage(), 0);
        QVERIFY(window.findChild<QWinReportList *>()->isMaximized());
        QCOMPARE(checkedTab(window), QStringLiteral("研究报告"));
        QCOMPARE(sidebarPage(window), 0);
        QCOMPARE(label(window, "lblServer")->text(), getServiceHostName());
        QCOMPARE(label(window, "lblSpinner")->text(), QStringLiteral("-"));
        QVERIFY(label(window, "lblStatus")->text().isEmpty());
        // One list on page 0: nothing to go back to, no earlier page; the report list has
        // switched off "末页".
        QVERIFY(!button(window, "btnBack")->isEnabled());
        QVERIFY(!button(window, "btnPageFirst")->isEnabled());
        QVERIFY(!button(window, "btnPagePrevious")->isEnabled());
        QVERIFY(!button(window, "btnPageLast")->isEnabled());
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!button(window, "btnMaximize")->isHidden());
        QVERIFY(button(window, "btnRestore")->isHidden());
        QCOMPARE(window.findChild<QMdiArea *>()->subWindowList().size(), 7);
    }

    void spinnerStepsPerMessage_data()
    {
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("spinner");
        QTest::newRow("one") << 1 << "\\";
        QTest::newRow("two") << 2 << "|";
        QTest::newRow("seven") << 7 << "/";
        QTest::newRow("ten") << 10 << "|";
    }

    void spinnerStepsPerMessage()
    {
        QFETCH(int, messages);
        QFETCH(QString, spinner);
        QWinMain window;
        for (int i = 0; i < messages; ++i)
            window.showStatus(QStringLiteral("消息%1").arg(i));
        QCOMPARE(label(window, "lblSpinner")->text(), spinner);
        QCOMPARE(label(window, "lblStatus")->text(), QStringLiteral("消息%1").arg(messages - 1));
        // Any other text in the spinner restarts the cycle.
        label(window, "lblSpinner")->setText(QStringLiteral("x"));
        window.showStatus(QString());
        QCOMPARE(label(window, "lblSpinner")->text(), QStringLiteral("|"));
    }

    void reportCountOfTheNewestDay_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty table") << QStringList() << QStringLiteral("今日0篇报告");
        QTest::newRow("two days") << QStringList({QStringLiteral("2016-11-01 23:59:59"),
                                                  QStringLiteral("2016-11-02 00:00:00"),
                                                  QStringLiteral("2016-11-02 09:30:00"),
                                                  QStringLiteral("2016-11-02 17:45:10")})
                                  << QStringLiteral("今日3篇报告");
        QTest::newRow("one report") << QStringList(QStringLiteral("2017-01-06 08:00:00"))
                                    << QStringLiteral("今日1篇报告");
    }

    void reportCountOfTheNewestDay()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QSqlQuery query(mainDatabase());
        QVERIFY(query.exec(QStringLiteral("delete from T_Report")));
        QVERIFY(query.prepare(QStringLiteral("insert into T_Report (Rpt_ID, Rpt_Title, Rpt_DtEntry) "
                                             "values (?, ?, ?)")));
        for (int i = 0; i < entries.size(); ++i) {
            query.addBindValue(i + 1);
            query.addBindValue(QStringLiteral("报告%1").arg(i));
            query.addBindValue(entries.at(i));
            QVERIFY(query.exec());
        }
        QWinMain window;
        QCOMPARE(label(window, "lblReportCount")->text(), text);
        // The engine's notice counts again.
        QVERIFY(query.exec(QStringLiteral("delete from T_Report")));
        window.showReportCount();
        QCOMPARE(label(window, "lblReportCount")->text(), QStringLiteral("今日0篇报告"));
    }

    void titleFollowsTheMaximizedList()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        QCOMPARE(window.windowTitle(), getCnName() + QStringLiteral(" - 最新评级"));
        QCOMPARE(checkedTab(window), QStringLiteral("股票评级"));
        QCOMPARE(sidebarPage(window), 1);
        // The quote list and the chart change only the titles.
        window.showList(getOrderJson(QStringLiteral("QUO_ALL")), 0);
        QCOMPARE(label(window, "lblTitle")->text(), QStringLiteral("全部股票行情"));
        QCOMPARE(checkedTab(window), QStringLiteral("股票评级"));
        QCOMPARE(sidebarPage(window), 1);
        QVERIFY(window.findChild<QWinQuoteList *>()->isMaximized());
        // A tab re-shows the last list of its kind.
        tab(window, QStringLiteral("研究报告"))->click();
        QCOMPARE(label(window, "lblTitle")->text(), QStringLiteral("最新报告"));
        QCOMPARE(sidebarPage(window), 0);
        tab(window, QStringLiteral("一致预期"))->click();
        QCOMPARE(getOrderHistoryTop(), getOrderJson(QStringLiteral("CNS_ALL")));
        QCOMPARE(checkedTab(window), QStringLiteral("一致预期"));
        QCOMPARE(sidebarPage(window), 2);
    }

    void maximizeAndRestoreByDoubleClick()
    {
        QWinMain window;
        window.setMinimumSize(500, 300);
        window.setMaximumSize(1200, 900);
        window.setGeometry(40, 50, 700, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect before = window.geometry();
        auto *titleBar = window.findChild<QWidget *>(QStringLiteral("titleBar"));

        // Elsewhere a double-click does nothing.
        QTest::mouseDClick(window.findChild<QWidget *>(QStringLiteral("tabBar")), Qt::LeftButton);
        QTest::mouseDClick(window.statusBar(), Qt::LeftButton);
        QCOMPARE(window.geometry(), before);

        QTest::mouseDClick(titleBar, Qt::LeftButton);
        const QRect available = window.screen()->availableGeometry();
        QTRY_COMPARE(window.geometry(), available);
        QCOMPARE(window.minimumSize(), available.size());
        QCOMPARE(window.maximumSize(), available.size());
        QVERIFY(button(window, "btnMaximize")->isHidden());
        QVERIFY(!button(window, "btnRestore")->isHidden());
        QVERIFY(!window.statusBar()->isSizeGripEnabled());
        QVERIFY(!window.isMaximized());

        QTest::mouseDClick(titleBar, Qt::LeftButton);
        QTRY_COMPARE(window.geometry(), before);
        QCOMPARE(window.minimumSize(), QSize(500, 300));
        QCOMPARE(window.maximumSize(), QSize(1200, 900));
        QVERIFY(!button(window, "btnMaximize")->isHidden());
        QVERIFY(button(window, "btnRestore")->isHidden());
        QVERIFY(window.statusBar()->isSizeGripEnabled());
    }

    void draggingMovesOnlyTheNormalWindow()
    {
        QWinMain window;
        window.setGeometry(30, 40, 600, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *titleBar = window.findChild<QWidget *>(QStringLiteral("titleBar"));
        const QPoint start = window.pos();
        QTest::mousePress(titleBar, Qt::LeftButton, {}, QPoint(5, 5));
        QMouseEvent move(QEvent::MouseMove, QPoint(5, 5) + QPoint(25, 15),
                         titleBar->mapToGlobal(QPoint(5, 5)) + QPoint(25, 15), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(titleBar, &move);
        QTRY_COMPARE(window.pos(), start + QPoint(25, 15));

        button(window, "btnMaximize")->click();
        const QPoint maximized = window.pos();
        QTest::mousePress(titleBar, Qt::LeftButton, {}, QPoint(5, 5));
        QMouseEvent again(QEvent::MouseMove, QPoint(40, 40), titleBar->mapToGlobal(QPoint(40, 40)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(titleBar, &again);
        if (QGuiApplication::screens().size() == 1)
            QCOMPARE(window.pos(), maximized);
    }

    void subWindowsSurviveClosing()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QPointer<QMdiSubWindow>> windows;
        for (QMdiSubWindow *sub : window.findChild<QMdiArea *>()->subWindowList())
            windows << sub;
        window.findChild<QWinReportList *>()->close();
        window.findChild<QMdiArea *>()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const QPointer<QMdiSubWindow> &sub : windows)
            QVERIFY(sub);
        window.showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        QVERIFY(window.findChild<QWinRatingList *>()->isMaximized());
        QVERIFY(window.findChild<QWinRatingList *>()->isVisible());
        QCOMPARE(label(window, "lblTitle")->text(), QStringLiteral("最新评级"));
        emit window.showChart(QStringLiteral("600000.SH"));
        QVERIFY(window.findChild<QWinChart *>()->isMaximized());
        // The chart switches off the pager's forward buttons and going back.
        QVERIFY(!button(window, "btnPageNext")->isEnabled());
        QVERIFY(!button(window, "btnPageLast")->isEnabled());
        QVERIFY(!button(window, "btnBack")->isEnabled());
    }

    void sidebarToggle()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *sidebar = window.findChild<QStackedWidget *>(QStringLiteral("stkSidebar"));
        QToolButton *toggle = button(window, "btnSidebar");
        QVERIFY(sidebar->isVisible());
        QCOMPARE(toggle->toolTip(), QStringLiteral("隐藏侧边栏"));
        toggle->click();
        QVERIFY(!sidebar->isVisible());
        QCOMPARE(toggle->toolTip(), QStringLiteral("显示侧边栏"));
        // Hidden, it still follows the list on screen.
        window.showList(getOrderJson(QStringLiteral("MTX_ALL")), 0);
        QCOMPARE(sidebar->currentIndex(), 4);
        toggle->click();
        QVERIFY(sidebar->isVisible());
        QCOMPARE(toggle->toolTip(), QStringLiteral("隐藏侧边栏"));
    }

    void messageEntryFollowsTheOptionAndCtrlM()
    {
        setMessageShow(1);
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QAction *entry = nullptr;
        for (QAction *action : window.actions())
            if (action->text() == QStringLiteral("滚动提示(&M)"))
                entry = action;
        QVERIFY(entry);
        QVERIFY(entry->isChecked());
        QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!entry->isChecked());
        setMessageShow(0);
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
