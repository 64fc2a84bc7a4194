#include "mainwindowtest.h"
#include "qwinchart.h"
#include "qwinmain.h"
#include "globalstate.h"
#include "stockcache.h"

#include <QtTest>

// The stock chart request of the main window: a cached code goes straight to the chart, any
// other text to the stock lookup first.
class TestChartLauncher : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600000.SH', '浦发银行', 0)"));
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600004.SH', '白云机场', 0)"));
        loadStockCache();
    }

    void cachedCodeShowsTheChart()
    {
        QWinMain window;
        QSignalSpy chart(&window, &QWinMain::showChart);
        window.showChartOfStock(QStringLiteral("600000.SH"));
        QCOMPARE(chart.count(), 1);
        QCOMPARE(chart.at(0).at(0).toString(), QStringLiteral("600000.SH"));
        QCOMPARE(window.findChild<QWinChart *>()->getStockCode(), QStringLiteral("600000.SH"));
    }

    void pageKeysStepTheShownChart()
    {
        clearCurrentStockList();
        QWinMain window;
        window.show();
        window.showChartOfStock(QStringLiteral("600000.SH"));
        auto *chart = window.findChild<QWinChart *>();
        QVERIFY(chart->isMaximized());
        QKeyEvent down(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(window.centralWidget(), &down);
        QCOMPARE(chart->getStockCode(), QStringLiteral("600004.SH"));
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_PageUp, Qt::NoModifier);
        QApplication::sendEvent(window.centralWidget(), &up);
        QCOMPARE(chart->getStockCode(), QStringLiteral("600000.SH"));
    }

    void otherTextGoesToTheLookup()
    {
        QWinMain window;
        ModalWatcher lookups;
        lookups.rejectDialogsOf("QDlgGenius");
        QSignalSpy chart(&window, &QWinMain::showChart);
        window.showChartOfStock(QStringLiteral("浦发"));
        window.showChartOfStock(QString());
        QCOMPARE(chart.count(), 0);
        QCOMPARE(window.findChild<QWinChart *>()->getStockCode(), QString());
    }
};

QTEST_MAIN(TestChartLauncher)
#include "tst_chartlauncher.moc"
