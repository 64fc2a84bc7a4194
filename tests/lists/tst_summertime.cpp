// The date cells of the report and rating lists for a user in a zone with summer time: the
// stored times are the service's clock and show as written, in the hour the user's zone skips too.

#include "ratingfixture.h"

#include "localzone.h"
#include "paintedcells.h"
#include "paintedpixels.h"
#include "qwinratinglist.h"
#include "ratinglistcolumns.h"
#include "reportlistcolumns.h"

class TestSummerTime : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    // The list shown; row 901's date cell reads date and is painted so. Its table, or null.
    QTableWidget *checkDateCell(QWidget &list, int column, const QString &date)
    {
        list.resize(1400, 700);
        list.show();
        if (!QTest::qWaitForWindowExposed(&list))
            return nullptr;
        auto *table = list.findChild<QTableWidget *>();
        const int row = rowOf(table, "901");
        if (row < 0 || table->item(row, column)->text() != date) {
            qWarning("row 901 %s", row < 0 ? "not listed" : qPrintable("reads " + table->item(row, column)->text()));
            return nullptr;
        }
        QString why;
        if (!paintsCellText(table, row, column, date, &why)) {
            qWarning("the date cell is not painted as it reads: %s", qPrintable(why));
            return nullptr;
        }
        return table;
    }

private slots:
    void initTestCase()
    {
        m_dir = openRatingFixture();
        QVERIFY(m_dir);
        // The dates are painted whole in the program's font; a larger one elides them.
        QVERIFY(useProgramLook());
    }

    // Rows of this file's own, taken away again.
    void cleanup()
    {
        QVERIFY(execSql("delete from T_Report where Rpt_ID >= 900") && execSql("delete from T_Rating where Rpt_ID >= 900"));
    }

    // Report 901 entered at entry, the newest report (902) at newest.
    void reportDateCell_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("date");
        QTest::newRow("Berlin, skipped hour") << QByteArray("Europe/Berlin") << "2017-03-26 02:30:00"
                                              << "2017-03-26 08:00:00" << "03/26 02:30*";
        QTest::newRow("Berlin, skipped hour, four days before the newest")
            << QByteArray("Europe/Berlin") << "2017-03-26 02:30:00" << "2017-03-30 08:00:00" << "2017/03/26";
        QTest::newRow("Berlin, the hour that comes twice") << QByteArray("Europe/Berlin") << "2017-10-29 02:30:00"
                                                           << "2017-10-29 08:00:00" << "10/29 02:30*";
        QTest::newRow("New York, skipped hour") << QByteArray("America/New_York") << "2017-03-12 02:59:00"
                                                << "2017-03-13 08:00:00" << "03/12 02:59";
        QTest::newRow("Sao Paulo, skipped midnight") << QByteArray("America/Sao_Paulo") << "2018-11-04 00:00:00"
                                                     << "2018-11-04 08:00:00" << "11/04 00:00*";
        QTest::newRow("UTC") << QByteArray("UTC") << "2017-03-26 02:30:00" << "2017-03-26 08:00:00" << "03/26 02:30*";
    }

    void reportDateCell()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, entry);
        QFETCH(QString, newest);
        const LocalZone local(zone);
        QVERIFY(insertReport({901, entry, "", "国泰君安", "MCR@CN", "夜间入库", "", "", ""})
                && insertReport({902, newest, "", "国泰君安", "MCR@CN", "最新", "", "", ""}));
        QWinReportList list;
        list.showReportList(filledRequest("RPT_NEW"), 0);
        QFETCH(QString, date);
        QVERIFY2(checkDateCell(list, reportlist::ColDate, date), qPrintable("the date cell does not show " + date));
    }

    // Rating 901 published on a day (its report entered that day at ten).
    void ratingDateCell_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("publish");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("file");
        QTest::newRow("Sao Paulo, skipped midnight") << QByteArray("America/Sao_Paulo") << "2016-10-16" << "16/10/16"
                                                     << "国泰君安-评级报告-20161016.pdf";
        QTest::newRow("Sao Paulo, the day before") << QByteArray("America/Sao_Paulo") << "2016-10-15" << "16/10/15"
                                                   << "国泰君安-评级报告-20161015.pdf";
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << "2016-10-16" << "16/10/16"
                                << "国泰君安-评级报告-20161016.pdf";
    }

    void ratingDateCell()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, publish);
        const LocalZone local(zone);
        QVERIFY(insertReport({901, publish + " 10:00:00", publish, "国泰君安", "MCR@CN", "评级报告", "", "600000.SH", ""}));
        QVERIFY(insertRating({901, publish, "国泰君安", "", "600000.SH", "增持", 4, "M", 16}));
        QWinRatingList list;
        list.showRatingList(filledRequest("RAT_NEW"), 0);
        QFETCH(QString, date);
        QTableWidget *table = checkDateCell(list, RatingTable::ColDate, date);
        QVERIFY2(table, qPrintable("the date cell does not show " + date));
        QTEST(table->item(rowOf(table, "901"), RatingTable::ColDate)->data(RatingTable::RoleFileName).toString(), "file");
    }
};

QTEST_MAIN(TestSummerTime)
#include "tst_summertime.moc"
