#include "analystaward.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "ratinglistrow.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

RatingListRow targets(double lower, double upper, double preLower, double preUpper, double ratio = 1)
{
    RatingListRow r;
    r.tpLower = lower;
    r.tpUpper = upper;
    r.preTpLower = preLower;
    r.preTpUpper = preUpper;
    r.adjustRatio = ratio;
    return r;
}

RatingListRow estimates(double epsLast, double epsNew, double eps1, double preEps1, double eps3 = 0)
{
    RatingListRow r;
    r.epsLast = epsLast;
    r.epsNew = epsNew;
    r.eps[0] = eps1;
    r.preEps[0] = preEps1;
    r.eps[2] = eps3;
    return r;
}

} // namespace

Q_DECLARE_METATYPE(RatingListRow)

namespace {

const QString kRoomOpen = QStringLiteral("<br><font size='2' color='gray'>( ");
const QString kRoomClose = QStringLiteral(" )</font>");

} // namespace

class TestRatingListRow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        loadDefaultConfig();
        QFile award(m_dir.filePath("xcf.ini"));
        QVERIFY(award.open(QIODevice::WriteOnly));
        award.write("[2016]\n001=\"{\\\"cat\\\": \\\"x\\\", \\\"insts\\\": [{\\\"inst\\\": \\\"a\\\", \\\"medal\\\": 1, "
                    "\\\"anls\\\": \\\"A[1001]\\\"}, {\\\"inst\\\": \\\"b\\\", \\\"medal\\\": 3, \\\"anls\\\": "
                    "\\\"B[1003]\\\"}]}\"\n");
        award.close();
        clearAnalystAwardTable();
        loadAnalystAwardTable(award.fileName());
        QCOMPARE(getAnalystMedal("1001"), 1);
    }

    void targetCell_data()
    {
        QTest::addColumn<RatingListRow>("row");
        QTest::addColumn<double>("scopeLower");
        QTest::addColumn<double>("scopeUpper");
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("toolTip");

        QTest::newRow("one target, no previous") << targets(12.5, 12.5, 0, 0) << 25.4 << 25.4
                                                 << "12.50" + kRoomOpen + "25%" + kRoomClose << "";
        QTest::newRow("range raised") << targets(10, 12, 9, 11) << 20.2 << 40.6
                                      << "<font color='red'>10.00 ~ 12.00↑</font>" + kRoomOpen + "20 ~ 41%"
                                             + kRoomClose
                                      << "前值：9.00 ~ 11.00";
        QTest::newRow("adjusted and lowered") << targets(10, 12, 11, 11, 1.5) << 1.0 << 2.0
                                              << "<font color='darkgreen'>10.00 ~ 12.00(*)↓</font>" + kRoomOpen
                                                     + "1 ~ 2%" + kRoomClose
                                              << "前值：11.00";
        QTest::newRow("same lower bound") << targets(10, 10, 10, 12) << 5.0 << 5.0
                                          << "10.00 -" + kRoomOpen + "5%" + kRoomClose << "前值：10.00 ~ 12.00";
        QTest::newRow("previous upper 0: no mark") << targets(10, 10, 8, 0) << 5.0 << 5.0
                                                   << "10.00" + kRoomOpen + "5%" + kRoomClose << "前值：8.00 ~ 0.00";
        QTest::newRow("only an upper bound") << targets(0, 12, 0, 0) << -100.0 << 20.0
                                             << "0.00 ~ 12.00" + kRoomOpen + "-100 ~ 20%" + kRoomClose << "";
        QTest::newRow("no target") << targets(0, 0, 10, 10) << 0.0 << 0.0 << "" << "";
    }

    void targetCell()
    {
        QFETCH(RatingListRow, row);
        QFETCH(double, scopeLower);
        QFETCH(double, scopeUpper);
        QFETCH(QString, html);
        QFETCH(QString, toolTip);
        row.scopeLower = scopeLower;
        row.scopeUpper = scopeUpper;
        QCOMPARE(row.targetHtml(), html);
        QCOMPARE(row.targetToolTip(), toolTip);
    }

    void publicationPrice_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << 9.5 << 1.0 << "9.50";
        QTest::newRow("adjusted since") << 9.5 << 1.2 << "9.50(*)";
        QTest::newRow("none") << 0.0 << 1.2 << "-";
    }

    void publicationPrice()
    {
        QFETCH(double, price);
        QFETCH(double, ratio);
        RatingListRow r;
        r.pricePub = price;
        r.adjustRatio = ratio;
        QTEST(r.pricePubText(), "text");
    }

    void estimateCells_data()
    {
        QTest::addColumn<RatingListRow>("row");
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("raised") << estimates(1, 0, 1.5, 1.4) << "<font color='red'>1.50↑</font>" << "前值：1.400";
        QTest::newRow("lowered") << estimates(1, 0, 1.3, 1.4) << "<font color='darkgreen'>1.30↓</font>"
                                 << "前值：1.400";
        QTest::newRow("kept") << estimates(1, 0, 1.4, 1.4) << "1.40 -" << "前值：1.400";
        QTest::newRow("no previous") << estimates(1, 0, 1.4, 0) << "1.40" << "";
        QTest::newRow("no estimate") << estimates(1, 0, 0, 1.4) << "-" << "";
        QTest::newRow("reported figure wins") << estimates(1, 0.88, 1.5, 1.4) << "0.88" << "";
    }

    void estimateCells()
    {
        QFETCH(RatingListRow, row);
        QTEST(row.epsHtml(1), "html");
        QTEST(row.epsToolTip(1), "toolTip");
    }

    void laterEstimateIgnoresReportedFigure()
    {
        RatingListRow r = estimates(1, 0.88, 0, 0);
        r.eps[1] = 2;
        r.preEps[1] = 2.5;
        QCOMPARE(r.epsHtml(2), QStringLiteral("<font color='darkgreen'>2.00↓</font>"));
        QCOMPARE(r.epsToolTip(2), QStringLiteral("前值：2.500"));
    }

    void growthAndValuation_data()
    {
        QTest::addColumn<double>("epsLast");
        QTest::addColumn<double>("eps3");
        QTest::addColumn<double>("peLast");
        QTest::addColumn<QString>("cagr");
        QTest::addColumn<QString>("peg");
        // The exponent is 0.333: with 1/3 the first would read 10.00 and 2.00.
        QTest::newRow("growth") << 1.0 << 1.331 << 20.0 << "9.99" << "2.00";
        QTest::newRow("no last figure") << 0.0 << 1.331 << 20.0 << "-" << "-";
        QTest::newRow("no third estimate") << 1.0 << 0.0 << 20.0 << "-" << "-";
        QTest::newRow("shrinking") << 2.0 << 1.0 << 20.0 << "-20.61" << "-";
        QTest::newRow("no P/E") << 1.0 << 1.331 << 0.0 << "9.99" << "-";
    }

    void growthAndValuation()
    {
        QFETCH(double, epsLast);
        QFETCH(double, eps3);
        QFETCH(double, peLast);
        RatingListRow r = estimates(epsLast, 0, 0, 0, eps3);
        r.peLast = peLast;
        r.peTtm = 30; // the PEG uses the list year's P/E, not this one
        QTEST(r.cagrText(), "cagr");
        QTEST(r.pegText(), "peg");
    }

    void peTtm_data()
    {
        QTest::addColumn<double>("pe");
        QTest::addColumn<QString>("text");
        QTest::newRow("below 100 rounds up") << 99.96 << "100.0";
        QTest::newRow("100") << 100.0 << "100";
        QTest::newRow("small") << 8.04 << "8.0";
        QTest::newRow("none") << 0.0 << "-";
        QTest::newRow("loss") << -5.0 << "-";
    }

    void peTtm()
    {
        QFETCH(double, pe);
        RatingListRow r;
        r.peTtm = pe;
        QTEST(r.peTtmText(), "text");
    }

    void dates_data()
    {
        QTest::addColumn<int>("yearPassed");
        QTest::addColumn<QString>("text");
        QTest::newRow("newest entry's year") << 0 << "12/30";
        QTest::newRow("year before") << 1 << "16/12/30";
    }

    void dates()
    {
        QFETCH(int, yearPassed);
        RatingListRow r;
        r.publish = QDateTime(QDate(2016, 12, 30), QTime(9, 0));
        r.yearPassed = yearPassed;
        QTEST(r.dateText(), "text");
    }

    void analystLinks_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("html");
        const QString link = QStringLiteral("<a style='color:gray; text-decoration:none;' href='%1'>%2</a>");
        QTest::newRow("gold, then none") << "A[1001],C[1002]"
                                         << "&nbsp;<img src=':/images/gold.png'>" + link.arg("1001", "A")
                                                + "<font color='gray'>, </font>" + link.arg("1002", "C");
        QTest::newRow("bronze") << "B[1003]" << "&nbsp;<img src=':/images/bronze.png'>" + link.arg("1003", "B");
        QTest::newRow("no brackets") << "D" << "&nbsp;" + link.arg("", "D");
        QTest::newRow("markup in names") << "<b>x</b>[1'2]"
                                         << "&nbsp;" + link.arg("1&#39;2", "&lt;b&gt;x&lt;/b&gt;");
        QTest::newRow("empty") << "" << "";
    }

    void analystLinks()
    {
        QFETCH(QString, list);
        RatingListRow r;
        r.analysts = list;
        QTEST(r.analystHtml(), "html");
    }

    void ratingCell_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("old");
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("color");
        QTest::newRow("strong buy, first") << 5 << "I" << false << "买入(*)" << "red";
        QTest::newRow("strong buy stays red when old") << 5 << "U" << true << "买入(↑)" << "red";
        QTest::newRow("buy: no colour") << 4 << "M" << false << "买入(-)" << "";
        QTest::newRow("buy, old") << 4 << "D" << true << "买入(↓)" << "gray";
        QTest::newRow("hold") << 3 << "X" << false << "买入(-)" << "orange";
        QTest::newRow("sell") << 2 << "" << true << "买入(-)" << "green";
        QTest::newRow("strong sell") << 1 << "I" << false << "买入(*)" << "green";
        QTest::newRow("no score") << 0 << "I" << false << "买入(*)" << "";
    }

    void ratingCell()
    {
        QFETCH(int, score);
        QFETCH(QString, action);
        QFETCH(bool, old);
        RatingListRow r;
        r.recomm = QStringLiteral("买入");
        r.score = score;
        r.action = action;
        QTEST(r.ratingHtml(), "html");
        QTEST(r.ratingColor(old), "color");
    }

    void escapedTexts()
    {
        RatingListRow r;
        r.recomm = QStringLiteral("<i>买入</i>");
        r.stockName = QStringLiteral("A&B<br>");
        r.stockCode = QStringLiteral("0'1");
        QCOMPARE(r.ratingHtml(), QStringLiteral("&lt;i&gt;买入&lt;/i&gt;(-)"));
        QCOMPARE(r.stockHtml(), QStringLiteral("A&amp;B&lt;br&gt;<br><font size='2' color='gray'>0&#39;1</font>"));
    }

    void smallTexts()
    {
        RatingListRow r;
        r.industry = QStringLiteral("电气设备,机械");
        QCOMPARE(r.industryText(), QStringLiteral("电气设备"));
        r.industry = QStringLiteral(",机械");
        QCOMPARE(r.industryText(), QStringLiteral(",机械"));
        QCOMPARE(r.pageText(), QStringLiteral("-"));
        r.pageCount = 12;
        QCOMPARE(r.pageText(), QStringLiteral("12"));
        QCOMPARE(r.closeText(), QStringLiteral("0.00"));
        QCOMPARE(r.changeText(), QStringLiteral("-"));
        r.change = -3.24;
        QCOMPARE(r.changeText(), QStringLiteral("-3.2"));
        QCOMPARE(r.epsLastText(), QStringLiteral("-"));
    }

    void performance_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("text");
        QTest::newRow("at the threshold") << 15.0 << "<img src=':/images/correct.png'>" << "15.0%";
        QTest::newRow("below") << 14.99 << "<img src=':/images/wrong.png'>" << "15.0%";
        QTest::newRow("loss") << -3.0 << "<img src=':/images/wrong.png'>" << "-3.0%";
        QTest::newRow("none") << 0.0 << "" << "";
    }

    void performance()
    {
        QFETCH(double, value);
        QTEST(RatingListRow::performImage(value, 15), "image");
        QTEST(RatingListRow::performText(value), "text");
    }

    void fileNames()
    {
        RatingListRow r;
        r.inst = QStringLiteral("中信证券");
        r.publish = QDateTime(QDate(2017, 1, 6), QTime(0, 0));
        QCOMPARE(r.fileName(), QString()); // no report imported yet
        r.hasReport = true;
        r.title = QStringLiteral("平安银行: 点评");
        QCOMPARE(r.fileName(), QStringLiteral("中信证券-平安银行： 点评-20170106.pdf"));
        r.type = QStringLiteral("DOCX");
        QCOMPARE(r.fileName(), QStringLiteral("中信证券-平安银行： 点评-20170106.docx"));
    }
};

QTEST_MAIN(TestRatingListRow)
#include "tst_ratinglistrow.moc"
