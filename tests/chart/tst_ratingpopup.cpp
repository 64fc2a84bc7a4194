#include "chartfixture.h"
#include "qdlgrating.h"
#include "qlinklabel.h"
#include "ratingcells.h"
#include "serviceapi.h"
#include "userliststore.h"
#include "userlists.h"

#include <QTableWidget>
#include <QtTest>

namespace {

const QString kCode = QStringLiteral("600000.SH");
const QString kDay = QStringLiteral("2016-02-01");

} // namespace

class TestRatingPopup : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QStringList rowTexts(QDlgRating &popup)
    {
        QStringList rows;
        QTableWidget *t = popup.ratingTable();
        for (int r = 0; r < t->rowCount(); ++r) {
            auto *label = qobject_cast<QLinkLabel *>(t->cellWidget(r, 1));
            rows << t->item(r, 0)->text() + '|' + label->text() + '|' + label->styleSheet() + '|' + t->item(r, 2)->text();
        }
        return rows;
    }

private slots:
    void targetPrices_data()
    {
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QString>("text");
        QTest::newRow("equal") << 12.3 << 12.3 << 1.0 << "12.30";
        QTest::newRow("range from 0") << 0.0 << 12.0 << 1.0 << "0.00 ~ 12.00";
        QTest::newRow("basis changed") << 12.3 << 12.3 << 1.0001 << "12.30(*)";
    }

    void targetPrices()
    {
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(double, ratio);
        QTEST(targetPriceText(lower, upper, ratio), "text");
    }

    void init()
    {
        m_dir = openChartDatabase();
        QVERIFY(m_dir);
        resetUserLists();
        setFileFormat(QStringLiteral("INS-TTL-PUB"));
        // The stock's factor doubled since the ratings were made: target prices halve.
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 2}));
        QVERIFY(insertReport({11, "2016-02-01 09:00:00", "2016-02-01", "甲证券", "21", "银行深度", "", kCode, "", 0, 1, ""}));
        QVERIFY(insertReport({12, "2016-02-01 09:00:00", "2016-02-01", "乙证券", "21", "点评", "", kCode, "", 0, 1, "DOC"}));
        QVERIFY(insertRating({11, kCode, "甲证券", kDay, "买入", 5, "U", 1, 24.6, 24.6}));
        QVERIFY(insertRating({12, kCode, "乙证券", kDay, "中性", 3, "I", 1, 0, 0}));
        QVERIFY(insertRating({13, kCode, "丙证券", kDay, "减持", 2, "D", 1, 20, 30})); // its report is missing
        QVERIFY(insertRating({14, kCode, "丁证券", "2016-02-02", "买入", 5}));
        QVERIFY(insertRating({15, "600001.SH", "戊证券", kDay, "买入", 5}));
        QVERIFY(addToConcernedInstList(QStringLiteral("乙证券")));
    }

    void cleanup()
    {
        closeMainDatabase();
        m_dir.reset();
    }

    void listsTheDaysRatingsByScore()
    {
        QDlgRating popup;
        popup.showRating(kCode, kDay);
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.windowTitle(), QStringLiteral("浦发银行[600000.SH] - 2016-02-01"));
        QCOMPARE(rowTexts(popup), QStringList({"甲证券|买入(↑)||12.30(*)", "乙证券|中性(*)|color:orange;|",
                                               "丙证券|减持(↓)|color:green;|10.00 ~ 15.00(*)"}));
        QCOMPARE(popup.ratingTable()->item(1, 0)->foreground().color(), QColor(Qt::blue));
        QVERIFY(popup.ratingTable()->item(0, 0)->foreground().color() != QColor(Qt::blue));

        popup.showRating(kCode, QStringLiteral("2016-02-03"));
        QCOMPARE(popup.ratingTable()->rowCount(), 0);
    }

    void clickOpensTheReport()
    {
        QDlgRating popup;
        QSignalSpy open(&popup, &QDlgRating::openFile);
        popup.showRating(kCode, kDay);
        popup.ratingTable()->setCurrentCell(1, 0);
        popup.viewReport();
        QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("12"));
        QCOMPARE(open.at(0).at(1).toString(), getLocalFilePath(QStringLiteral("乙证券-点评-20160201.doc")));
        // A report without a type is a PDF; without its report a rating offers no click.
        for (int row : {0, 2}) {
            popup.ratingTable()->setCurrentCell(row, 0);
            popup.viewReport();
        }
        QCOMPARE(open.count(), 2);
        QCOMPARE(open.at(1).at(1).toString(), getLocalFilePath(QStringLiteral("甲证券-银行深度-20160201.pdf")));
    }

    void samePairOnlyRaisesAndLeavingHides()
    {
        QDlgRating popup;
        popup.showRating(kCode, kDay);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&popup, &leave);
        QVERIFY(!popup.isVisible());
        QVERIFY(execSql("delete from T_Rating"));
        popup.showRating(kCode, kDay); // shown again, not reloaded
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.ratingTable()->rowCount(), 3);

        // Once a report is opened, leaving keeps it up until it is shown anew.
        popup.ratingTable()->setCurrentCell(0, 0);
        popup.viewReport();
        QApplication::sendEvent(&popup, &leave);
        QVERIFY(popup.isVisible());
        popup.showRating(kCode, kDay);
        QApplication::sendEvent(&popup, &leave);
        QVERIFY(!popup.isVisible());
    }
};

QTEST_MAIN(TestRatingPopup)
#include "tst_ratingpopup.moc"
