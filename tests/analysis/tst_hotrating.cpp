#include "analysisfixture.h"

#include "qdlghotrating.h"

#include <QSignalSpy>

namespace {

qint64 g_ratingId = 100;

bool insertRating(const QString &code, const QString &inst, int score, const QString &published)
{
    return insertInto("T_Rating", "Rpt_ID, Ins_Name, Stk_Code, Rat_Score, Rpt_DtPublish, Rpt_DtEntry",
                      {++g_ratingId, inst, code, score, published, published});
}

QTableWidget *tableOf(QDlgHotRating &dialog) { return dialog.findChild<QTableWidget *>("TblStockList"); }

// "code institutions" of each row.
QStringList rows(QDlgHotRating &dialog)
{
    QStringList list;
    QTableWidget *table = tableOf(dialog);
    for (int r = 0; r < table->rowCount(); ++r)
        list << table->item(r, 0)->data(Qt::UserRole).toString() + QLatin1Char(' ') + table->item(r, 1)->text();
    return list;
}

} // namespace

class TestHotRating : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        // The newest report entry is 2017-01-06 09:00:00.
        m_dir = openAnalysisFixture();
        QVERIFY(m_dir);
    }

    void cleanup() { QVERIFY(execSql(QStringLiteral("delete from T_Rating"))); }

    void readsTheRatingsAgainWhenShown()
    {
        QDlgHotRating dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("热门推荐"));
        dialog.show();
        QCOMPARE(tableOf(dialog)->rowCount(), 0);
        dialog.hide();
        QVERIFY(insertRating("600001.SH", "A", 4, "2017-01-05"));
        dialog.show();
        QCOMPARE(rows(dialog), QStringList{"600001.SH 1"});
    }

    void thirtyDaysAndOneCountPerInstitution()
    {
        // Exactly 30 days before the newest entry's date counts, at any time of that day.
        QVERIFY(insertRating("600001.SH", "E", 4, "2016-12-07 15:00:00"));
        QVERIFY(insertRating("600001.SH", "A", 4, "2016-12-20"));
        QVERIFY(insertRating("600001.SH", "A", 5, "2017-01-01"));
        QVERIFY(insertRating("600001.SH", "B", 4, "2017-01-05"));
        QVERIFY(insertRating("600001.SH", "C", 3, "2017-01-05"));
        QVERIFY(insertRating("600002.SH", "A", 5, "2016-12-06 23:59:59"));
        QVERIFY(insertRating("600002.SH", "D", 4, "2017-01-06"));
        QVERIFY(insertRating("000001.SZ", "A", 3, "2017-01-06"));
        QDlgHotRating dialog;
        dialog.show();
        QCOMPARE(rows(dialog), QStringList({"600001.SH 3", "600002.SH 1"}));
        // The name is escaped: it shows as text.
        QVERIFY(labelAt(tableOf(dialog), 1, 0)->text().startsWith(QStringLiteral("&lt;b&gt;阿尔法&lt;/b&gt;<br>")));
    }

    void atMostTwenty()
    {
        for (int i = 0; i < 25; ++i)
            QVERIFY(insertRating(QStringLiteral("6009%1.SH").arg(i, 2, 10, QLatin1Char('0')), "A", 5, "2017-01-02"));
        QVERIFY(insertRating("600001.SH", "A", 5, "2017-01-02"));
        QVERIFY(insertRating("600001.SH", "B", 5, "2017-01-02"));
        QDlgHotRating dialog;
        dialog.show();
        QCOMPARE(tableOf(dialog)->rowCount(), 20);
        QCOMPARE(rows(dialog).first(), QStringLiteral("600001.SH 2"));
    }

    void stockOpensItsRatings()
    {
        QVERIFY(insertRating("600001.SH", "A", 4, "2017-01-05"));
        QVERIFY(insertRating("600002.SH", "A", 4, "2017-01-05"));
        QVERIFY(insertRating("600002.SH", "B", 4, "2017-01-05"));
        QDlgHotRating dialog;
        dialog.show();
        QTableWidget *table = tableOf(dialog);
        QSignalSpy ratings(&dialog, &QDlgHotRating::showRatingListOfStock);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCoreApplication::processEvents(); // places the cell widgets
        QTest::mouseClick(table->cellWidget(1, 0), Qt::LeftButton);
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("600001.SH"));
        table->setCurrentCell(0, 1);
        emit table->doubleClicked(table->model()->index(0, 1));
        QCOMPARE(ratings.value(1).value(0).toString(), QStringLiteral("600002.SH"));
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestHotRating)
#include "tst_hotrating.moc"
