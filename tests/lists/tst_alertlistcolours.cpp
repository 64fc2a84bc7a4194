// The alert list's marks as painted: a followed institution blue, a title naming a stock of
// the user's blocks red.

#include "reportfixture.h"

#include "paintedcells.h"
#include "qdlgalert.h"
#include "stockcache.h"

class TestAlertListColours : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        m_dir = openFixtureDatabase({{1, "2026-12-07 09:41:05", "2026-12-06", "乙证券", "021", "贵州茅台点评", "", "", ""},
                                     {2, "2026-12-07 09:42:05", "2026-12-06", "甲证券", "021", "银行业周报", "", "", ""}});
        QVERIFY(m_dir);
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600519.SH', '贵州茅台', 0)"));
        loadStockCache();
        QVERIFY(addBlockStock(QStringLiteral("白酒"), QStringLiteral("600519.SH"), false));
        QVERIFY(addToConcernedInstList(QStringLiteral("乙证券")));
        QVERIFY(useProgramLook());
    }

    void marks()
    {
        QDlgAlert dialog;
        dialog.addAlert(QStringLiteral("RAT_ACT_INI"), QStringLiteral("1"));
        dialog.addAlert(QStringLiteral("RAT_ACT_INI"), QStringLiteral("2"));
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableWidget *t = dialog.alertList();
        QCOMPARE(t->rowCount(), 2);
        // Newest first: row 0 is report 2.
        QCOMPARE(paintedTextColour(t, 1, 1) + " " + paintedTextColour(t, 1, 2),
                 QStringLiteral("blue red"));
        QCOMPARE(paintedTextColour(t, 0, 1) + " " + paintedTextColour(t, 0, 2),
                 QStringLiteral("black black"));
    }
};

QTEST_MAIN(TestAlertListColours)
#include "tst_alertlistcolours.moc"
