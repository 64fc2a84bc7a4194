#include "mainwindowtest.h"

#include "globalstate.h"
#include "qwinchart.h"
#include "qwinmain.h"
#include "stockcache.h"

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
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600000.SH', '浦发银行', 0), "
                        "('600004.SH', '白云机场', 0)"));
        loadStockCache();
    }

    // Without a current stock list the page keys step through the stock cache's codes.
    void cachedCodeShowsTheChart()
    {
        clearCurrentStockList();
        QWinMain window;
        window.show();
        QSignalSpy shown(&window, &QWinMain::showChart);
        window.showChartOfStock(QStringLiteral("600000.SH"));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toString(), QStringLiteral("600000.SH"));
        auto *chart = window.findChild<QWinChart *>();
        QVERIFY(chart->isMaximized());
        QCOMPARE(chart->getStockCode(), QStringLiteral("600000.SH"));
        QTest::keyRelease(window.centralWidget(), Qt::Key_PageDown);
        QCOMPARE(chart->getStockCode(), QStringLiteral("600004.SH"));
        QTest::keyRelease(window.centralWidget(), Qt::Key_PageUp);
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
