#include "analysisfixture.h"

#include "analysisformat.h"
#include "consensuslistquery.h"
#include "consensuslistrow.h"
#include "matrixlistquery.h"
#include "matrixlistrow.h"
#include "quotelistquery.h"
#include "quotelistrow.h"

namespace {

QStringList codes(const BoundSql &sql) { return columnOf(recordsOf(sql)); }

template<class Row>
Row rowOf(const BoundSql &sql, const QString &code)
{
    for (const ListRecord &r : recordsOf(sql)) {
        if (r.value(0).toString() == code)
            return Row::fromRecord(r);
    }
    return Row();
}

BoundSql consensus(const QString &args, int section = 0, Qt::SortOrder order = Qt::AscendingOrder)
{
    return ConsensusListQuery(parseRequest(args), section, order, kYear).sql();
}

const QString kMarket = "\"preCode\": \"600,601,603,000,001,002,300\"";

} // namespace

class TestAnalysisQueries : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        m_dir = openAnalysisFixture();
        QVERIFY(m_dir);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("price") << positiveText(12.345) << "12.35";
        QTest::newRow("no price") << positiveText(0) << "-";
        QTest::newRow("negative peg") << positiveText(-0.5) << "-";
        QTest::newRow("pe below 100") << ratioText(99.994) << "99.99";
        QTest::newRow("pe at 100") << ratioText(100) << "100";
        QTest::newRow("roe 123.6") << ratioText(123.6) << "124";
        QTest::newRow("loss pe") << ratioText(-3) << "-";
        QTest::newRow("growth") << growthText(-20.5) << "-20.50";
        QTest::newRow("growth 100") << growthText(100) << "100";
        QTest::newRow("growth -100") << growthText(-100) << "-100";
        QTest::newRow("no growth") << growthText(0) << "-";
        QTest::newRow("eps") << nonZeroText(-0.123) << "-0.12";
        QTest::newRow("no eps") << nonZeroText(0) << "-";
        QTest::newRow("first industry") << firstIndustry("银行,金融") << "银行";
        QTest::newRow("leading comma") << firstIndustry(",银行") << ",银行";
        QTest::newRow("range") << priceRangeText(12.5, 15) << "12.50 ~ 15.00";
        QTest::newRow("one price") << priceRangeText(12, 12) << "12.00";
        QTest::newRow("no range") << priceRangeText(0, 0) << "";
        QTest::newRow("escaped name") << stockNameHtml("A&'B", "1") << "A&amp;&#39;B<br><font size='2' color='gray'>1</font>";
        QTest::newRow("rise") << changeMarkedHtml("v", 2, 1) << "<font color='red'>v↑</font>";
        QTest::newRow("fall") << changeMarkedHtml("v", 1, 2) << "<font color='darkgreen'>v↓</font>";
        QTest::newRow("same") << changeMarkedHtml("v", 1, 1) << "v -";
        QTest::newRow("no previous") << changeMarkedHtml("v", 1, 0) << "v";
        QTest::newRow("none now") << changeMarkedHtml("v", 0, 1) << "v";
        // Rows per page of a viewport height and row height; the last page of a record count.
        QTest::newRow("640 px of 32") << QString::number(rowsPerPage(640, 32)) << "20";
        QTest::newRow("shorter than a row") << QString::number(rowsPerPage(20, 36)) << "1";
        QTest::newRow("no height") << QString::number(rowsPerPage(0, 36)) << "1";
        QTest::newRow("45 records") << QString::number(lastPageOf(45, 20)) << "2";
        QTest::newRow("two pages exactly") << QString::number(lastPageOf(40, 20)) << "1";
        QTest::newRow("no records") << QString::number(lastPageOf(0, 20)) << "0";
        QTest::newRow("a record a page") << QString::number(lastPageOf(3, 1)) << "2";
    }

    void texts()
    {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    void consensusFilters_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("market, listed only") << kMarket << split("000001.SZ,002001.SZ,300001.SZ,600001.SH,600002.SH");
        QTest::newRow("exchange and prefix") << "\"exchange\": \"SH\", \"preCode\": \"600\""
                                             << split("600001.SH,600002.SH");
        QTest::newRow("one stock") << "\"stkCode\": \"000001.SZ\"" << split("000001.SZ");
        QTest::newRow("industry begins") << "\"ind\": \"银行\"" << split("000001.SZ,600001.SH");
        QTest::newRow("second industry no match") << "\"ind\": \"金融\"" << QStringList();
        QTest::newRow("block") << "\"block\": \"b1\"" << split("600002.SH");
        QTest::newRow("block without known stocks") << "\"block\": \"empty\"" << QStringList();
        QTest::newRow("empty portfolio") << "\"portfolio\": 1" << QStringList();
        QTest::newRow("scope strictly above") << kMarket + ", \"scope\": \"50\"" << split("600001.SH");
        QTest::newRow("growth at least") << kMarket + ", \"growth\": 50" << split("600001.SH");
        // 600002's previous consensus is stale, so it counts as none.
        QTest::newRow("more institutions") << kMarket + ", \"inc\": 1" << split("600001.SH,600002.SH");
        QTest::newRow("target raised") << kMarket + ", \"tp\": 1" << split("600001.SH");
        QTest::newRow("estimate raised") << kMarket + ", \"est\": 1" << split("600001.SH");
        QTest::newRow("low pe") << kMarket + ", \"pe\": 15.9" << split("000001.SZ");
        QTest::newRow("quote in a value") << "\"stkCode\": \"x' or '1'='1\"" << QStringList();
        QTest::newRow("quote in an industry") << "\"ind\": \"'\"" << QStringList();
    }

    void consensusFilters()
    {
        QFETCH(QString, args);
        QFETCH(QStringList, expected);
        QCOMPARE(codes(consensus(args)), expected);
    }

    void consensusSort_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("first");
        QTest::newRow("institutions desc") << 3 << int(Qt::DescendingOrder) << "600001.SH";
        QTest::newRow("change desc") << 4 << int(Qt::DescendingOrder) << "600002.SH";
        QTest::newRow("change asc") << 4 << int(Qt::AscendingOrder) << "000001.SZ";
        QTest::newRow("upside desc") << 9 << int(Qt::DescendingOrder) << "600001.SH";
        // Y+1 sorts on the consensus although 600002's column shows its reported figure.
        QTest::newRow("eps Y+1 desc") << 12 << int(Qt::DescendingOrder) << "000001.SZ";
        QTest::newRow("industry keeps code") << 2 << int(Qt::DescendingOrder) << "600002.SH";
        QTest::newRow("success keeps code") << 18 << int(Qt::AscendingOrder) << "000001.SZ";
    }

    void consensusSort()
    {
        QFETCH(int, section);
        QFETCH(int, order);
        QFETCH(QString, first);
        QCOMPARE(codes(consensus("\"preCode\": \"600,000\"", section, Qt::SortOrder(order))).value(0), first);
    }

    void consensusRowTexts()
    {
        const BoundSql sql = consensus("\"preCode\": \"600,000,300\"");
        const auto pufa = rowOf<ConsensusListRow>(sql, "600001.SH");
        // Only the newest entry day's reports count; PEG: close x shares / year-Y profit / growth.
        QCOMPARE(QStringList({pufa.industry, QString::number(pufa.reports), pufa.count, pufa.change, pufa.ratings,
                              pufa.bull, pufa.bear, pufa.epsLast, pufa.pe, pufa.peg, pufa.shortSuccess,
                              pufa.middleSuccess}),
                 QStringList({"银行", "1", "5", "+1", "8", "3", "1", "12.36", "20.00", "0.02", "80%", "60%"}));
        QCOMPARE(pufa.target.html, QStringLiteral("<font color='red'>16.00 ~ 18.00↑</font>"
                                                  "<br><font size='2' color='gray'>( 60 ~ 80% )</font>"));
        QCOMPARE(QStringList({pufa.target.toolTip, pufa.epsNext[0].html, pufa.epsNext[0].toolTip, pufa.epsNext[2].html}),
                 QStringList({"前值：14.00 ~ 16.00", "<font color='red'>0.60↑</font>", "前值：0.50",
                              "<font color='darkgreen'>0.80↓</font>"}));

        const auto alpha = rowOf<ConsensusListRow>(sql, "600002.SH");
        QCOMPARE(QStringList({alpha.epsNext[0].html, alpha.epsNext[0].toolTip, alpha.target.html}),
                 QStringList({"0.70", "", "16.50<br><font size='2' color='gray'>( 50% )</font>"})); // reported, no mark

        const auto pingan = rowOf<ConsensusListRow>(sql, "000001.SZ");
        QCOMPARE(QStringList({pingan.change, pingan.shortSuccess, QString::number(pingan.changeSign)}),
                 QStringList({"-2", "-", "-1"}));

        const auto none = rowOf<ConsensusListRow>(sql, "300001.SZ");
        QCOMPARE(QStringList({none.count, none.bull, none.ratings, none.target.html, none.epsNext[0].html,
                              none.growth, none.close, none.shortSuccess, none.middleSuccess}),
                 QStringList({"-", "-", "-", "", "-", "-", "-", "0%", "0%"}));
        QVERIFY(!none.hasCount);
    }

    void matrixLevels_data()
    {
        QTest::addColumn<QString>("matrix");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("newest snapshot only") << "7,8,9" << split("002001.SZ,600001.SH,600002.SH");
        QTest::newRow("empty parts dropped") << ",3,," << split("300001.SZ");
        QTest::newRow("not a level") << "7,x" << QStringList();
        QTest::newRow("pasted SQL") << "7) or (1=1" << QStringList();
        QTest::newRow("zero") << "0" << QStringList();
        QTest::newRow("blanks around levels") << " 7, 8 ,9 " << split("002001.SZ,600001.SH,600002.SH");
        QTest::newRow("leading zero") << "07" << split("600002.SH");
        QTest::newRow("level as a decimal") << "8.0" << split("002001.SZ,600001.SH");
        QTest::newRow("blank part dropped") << "3, ,x" << QStringList();
        QTest::newRow("blank part between levels") << "3, ,7" << split("300001.SZ,600002.SH");
        QTest::newRow("beyond the levels") << "10" << QStringList();
        QTest::newRow("none") << "" << split("000001.SZ,002001.SZ,300001.SZ,600001.SH,600002.SH");
    }

    void matrixLevels()
    {
        QFETCH(QString, matrix);
        QFETCH(QStringList, expected);
        const MatrixListQuery query(parseRequest("\"preCode\": \"600,000,300,002\", \"matrix\": \"" + matrix + "\""), 0,
                                    Qt::AscendingOrder, kYear);
        QCOMPARE(query.selectsNothing() ? QStringList() : codes(query.sql()), expected);
    }

    void matrixLevelSortBreaksTiesByGrowth()
    {
        const auto levelled = [](Qt::SortOrder order) {
            return codes(MatrixListQuery(parseRequest("\"matrix\": \"7,8\""), 3, order, kYear).sql());
        };
        QCOMPARE(levelled(Qt::DescendingOrder), split("002001.SZ,600001.SH,600002.SH"));
        QCOMPARE(levelled(Qt::AscendingOrder), split("600002.SH,600001.SH,002001.SZ"));
    }

    void matrixRowTexts()
    {
        const BoundSql sql = MatrixListQuery(parseRequest(""), 0, Qt::AscendingOrder, kYear).sql();
        const auto pufa = rowOf<MatrixListRow>(sql, "600001.SH");
        // The PEG tests the trailing profit and divides by year Y's: 10 * 100 / 1236 / 50.
        QCOMPARE(QStringList(std::begin(pufa.roe), std::end(pufa.roe)) + QStringList(std::begin(pufa.growth), std::end(pufa.growth))
                     + QStringList({pufa.preType, QString::number(pufa.reports), pufa.peg, pufa.eps[1]}),
                 QStringList({"12.50", "-", "124", "10.00", "100", "-99.50", "120", "12.50", "预增", "1", "0.02", "0.60"}));
        QCOMPARE(rowOf<MatrixListRow>(sql, "600002.SH").eps[1], QStringLiteral("0.70")); // reported Y+1
        // No year-Y profit; not in the newest snapshot.
        const auto pingan = rowOf<MatrixListRow>(sql, "000001.SZ");
        QCOMPARE(QStringList({pingan.peg, pingan.cagrLast}), QStringList({"-", "-"}));
        QCOMPARE(matrixLevelHtml(getStockMatrixLevel("000001.SZ"), getStockMatrixGrade("000001.SZ")),
                 QStringLiteral("&nbsp;-"));
    }

    void quoteChangeOnlyAtNewestPriceDate()
    {
        const BoundSql sql = QuoteListQuery(parseRequest("\"exchange\": \"SH\""), 4, Qt::DescendingOrder).sql();
        QCOMPARE(codes(sql), split("600001.SH,600002.SH"));
        const auto pufa = rowOf<QuoteListRow>(sql, "600001.SH");
        QCOMPARE(QStringList({pufa.price, pufa.change, pufa.pe, pufa.pb}), QStringList({"10.00", "-", "20.00", "2.00"}));
        const auto alpha = rowOf<QuoteListRow>(sql, "600002.SH"); // priced a day before the newest price date
        QCOMPARE(QStringList({alpha.change, QString::number(alpha.changeSign)}), QStringList({"-", "0"}));

        const BoundSql sz = QuoteListQuery(parseRequest("\"exchange\": \"SZ\""), 4, Qt::DescendingOrder).sql();
        QCOMPARE(codes(sz), split("000001.SZ,300001.SZ,002001.SZ"));
        const auto pingan = rowOf<QuoteListRow>(sz, "000001.SZ");
        QCOMPARE(QStringList({pingan.change, pingan.pe}), QStringList({"10.00", "11.00"})); // 1 / (11 - 1)
        const auto unpriced = rowOf<QuoteListRow>(sz, "300001.SZ");
        QCOMPARE(QStringList({unpriced.price, unpriced.change, unpriced.pe, unpriced.pb}),
                 QStringList({"-", "-", "-", "-"}));
        const auto falling = rowOf<QuoteListRow>(sz, "002001.SZ");
        QCOMPARE(QStringList({falling.change, falling.pb, QString::number(falling.changeSign)}),
                 QStringList({"-7.69", "-", "-1"}));
    }
};

QTEST_MAIN(TestAnalysisQueries)
#include "tst_analysisqueries.moc"
