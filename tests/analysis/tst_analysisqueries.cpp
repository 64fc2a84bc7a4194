#include "analysisfixture.h"

#include "analysislistrequest.h"
#include "consensuslistquery.h"
#include "consensuslistrow.h"
#include "jsonscript.h"
#include "matrixlistquery.h"
#include "matrixlistrow.h"
#include "quotelistquery.h"
#include "quotelistrow.h"
#include "stockcache.h"

#include <QSqlRecord>

namespace {

QString request(const QString &args, const QString &order = QString(), const QString &direct = QString())
{
    return QStringLiteral("{\"id\": \"X\", \"name\": \"n\", \"args\": {%1}, \"order\": \"%2\", \"direct\": \"%3\"}")
        .arg(args, order, direct);
}

AnalysisListRequest parse(const QString &text)
{
    JsonScript json;
    return AnalysisListRequest::parse(text, json);
}

// The first column of every record, or "error".
QStringList codes(const BoundSql &sql)
{
    QSqlQuery query(mainDatabase());
    if (!sql.exec(query))
        return {QStringLiteral("error")};
    QStringList list;
    while (query.next())
        list << query.value(0).toString();
    return list;
}

template<class Row>
Row rowOf(const BoundSql &sql, const QString &code)
{
    QSqlQuery query(mainDatabase());
    if (sql.exec(query)) {
        while (query.next()) {
            if (query.value(0).toString() != code)
                continue;
            ListRecord record;
            for (int i = 0; i < query.record().count(); ++i)
                record << query.value(i);
            return Row::fromRecord(record);
        }
    }
    return Row();
}

QStringList all(const QString &text) { return text.split(QLatin1Char(','), Qt::SkipEmptyParts); }

} // namespace

class TestAnalysisQueries : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    ConsensusListQuery consensus(const QString &args, int section = 0, Qt::SortOrder order = Qt::AscendingOrder)
    {
        return ConsensusListQuery(parse(request(args)), section, order, kYear);
    }

private slots:
    void initTestCase()
    {
        m_dir = openAnalysisFixture();
        QVERIFY(m_dir);
    }

    void requestReadsArguments()
    {
        const AnalysisListRequest r = parse(
            "{\"id\": \"CNS_TPS\", \"name\": \"目标\", \"args\": {\"scope\": \"50\", \"pe\": 15.9, \"ind\": \"银行\"}, "
            "\"order\": \"scope\", \"direct\": \"desc\"}");
        QVERIFY(r.valid);
        QCOMPARE(r.scope, 50);
        QCOMPARE(r.pe, 15);
        QCOMPARE(r.ind, QStringLiteral("银行"));
        QCOMPARE(r.order, QStringLiteral("scope"));
        QCOMPARE(r.growth, 0);
    }

    void consensusFilters_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QStringList>("expected");
        const QString market = "\"preCode\": \"600,601,603,000,001,002,300\"";
        QTest::newRow("market, listed only") << market << all("000001.SZ,002001.SZ,300001.SZ,600001.SH,600002.SH");
        QTest::newRow("exchange and prefix") << "\"exchange\": \"SH\", \"preCode\": \"600\""
                                             << all("600001.SH,600002.SH");
        QTest::newRow("one stock") << "\"stkCode\": \"000001.SZ\"" << all("000001.SZ");
        QTest::newRow("industry begins") << "\"ind\": \"银行\"" << all("000001.SZ,600001.SH");
        QTest::newRow("second industry no match") << "\"ind\": \"金融\"" << QStringList();
        QTest::newRow("block") << "\"block\": \"b1\"" << all("600002.SH");
        QTest::newRow("block without known stocks") << "\"block\": \"empty\"" << QStringList();
        QTest::newRow("empty portfolio") << "\"portfolio\": 1" << QStringList();
        QTest::newRow("scope strictly above") << market + ", \"scope\": \"50\"" << all("600001.SH");
        QTest::newRow("growth at least") << market + ", \"growth\": 50" << all("600001.SH");
        // 600002's previous consensus is stale, so it counts as none.
        QTest::newRow("more institutions") << market + ", \"inc\": 1" << all("600001.SH,600002.SH");
        QTest::newRow("target raised") << market + ", \"tp\": 1" << all("600001.SH");
        QTest::newRow("estimate raised") << market + ", \"est\": 1" << all("600001.SH");
        QTest::newRow("low pe") << market + ", \"pe\": 15" << all("000001.SZ");
        QTest::newRow("quote in a value") << "\"stkCode\": \"x' or '1'='1\"" << QStringList();
        QTest::newRow("quote in an industry") << "\"ind\": \"'\"" << QStringList();
    }

    void consensusFilters()
    {
        QFETCH(QString, args);
        QFETCH(QStringList, expected);
        QCOMPARE(codes(consensus(args).sql()), expected);
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
        const QStringList list = codes(consensus("\"preCode\": \"600,000\"", section, Qt::SortOrder(order)).sql());
        QCOMPARE(list.value(0), first);
    }

    void consensusRowTexts()
    {
        const BoundSql sql = consensus("\"preCode\": \"600,000,300\"").sql();
        const auto pufa = rowOf<ConsensusListRow>(sql, "600001.SH");
        QCOMPARE(pufa.industry, QStringLiteral("银行"));
        QCOMPARE(pufa.reports, 1); // only the newest entry day counts
        QCOMPARE(QStringList({pufa.count, pufa.change, pufa.ratings, pufa.bull, pufa.bear}),
                 QStringList({"5", "+1", "8", "3", "1"}));
        QCOMPARE(pufa.target.html, QStringLiteral("<font color='red'>16.00 ~ 18.00↑</font>"
                                                  "<br><font size='2' color='gray'>( 60 ~ 80% )</font>"));
        QCOMPARE(pufa.target.toolTip, QStringLiteral("前值：14.00 ~ 16.00"));
        QCOMPARE(pufa.epsNext[0].html, QStringLiteral("<font color='red'>0.60↑</font>"));
        QCOMPARE(pufa.epsNext[0].toolTip, QStringLiteral("前值：0.50"));
        QCOMPARE(pufa.epsNext[2].html, QStringLiteral("<font color='darkgreen'>0.80↓</font>"));
        QCOMPARE(pufa.epsLast, QStringLiteral("12.36"));
        QCOMPARE(pufa.pe, QStringLiteral("20.00"));
        // close x shares / year-Y profit / growth: 10 * 100 / 1236 / 50
        QCOMPARE(pufa.peg, QStringLiteral("0.02"));
        QCOMPARE(QStringList({pufa.shortSuccess, pufa.middleSuccess}), QStringList({"80%", "60%"}));

        const auto alpha = rowOf<ConsensusListRow>(sql, "600002.SH");
        QCOMPARE(alpha.epsNext[0].html, QStringLiteral("0.70")); // reported, no mark
        QCOMPARE(alpha.epsNext[0].toolTip, QString());
        QCOMPARE(alpha.target.html, QStringLiteral("16.50<br><font size='2' color='gray'>( 50% )</font>"));

        const auto pingan = rowOf<ConsensusListRow>(sql, "000001.SZ");
        QCOMPARE(QStringList({pingan.change, pingan.shortSuccess}), QStringList({"-2", "-"}));
        QCOMPARE(pingan.changeSign, -1);

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
        QTest::newRow("newest snapshot only") << "7,8,9" << all("002001.SZ,600001.SH,600002.SH");
        QTest::newRow("empty parts dropped") << ",3,," << all("300001.SZ");
        QTest::newRow("not a level") << "7,x" << QStringList();
        QTest::newRow("pasted SQL") << "7) or (1=1" << QStringList();
        QTest::newRow("zero") << "0" << QStringList();
        QTest::newRow("none") << "" << all("000001.SZ,002001.SZ,300001.SZ,600001.SH,600002.SH");
    }

    void matrixLevels()
    {
        QFETCH(QString, matrix);
        QFETCH(QStringList, expected);
        const MatrixListQuery query(parse(request("\"preCode\": \"600,000,300,002\", \"matrix\": \"" + matrix + "\"")),
                                    0, Qt::AscendingOrder, kYear);
        QCOMPARE(query.selectsNothing() ? QStringList() : codes(query.sql()), expected);
    }

    void matrixLevelSortBreaksTiesByGrowth()
    {
        auto levelled = [](Qt::SortOrder order) {
            QStringList list = codes(
                MatrixListQuery(parse(request("\"matrix\": \"7,8\"")), 3, order, kYear).sql());
            return list;
        };
        QCOMPARE(levelled(Qt::DescendingOrder), all("002001.SZ,600001.SH,600002.SH"));
        QCOMPARE(levelled(Qt::AscendingOrder), all("600002.SH,600001.SH,002001.SZ"));
        QCOMPARE(MatrixListQuery::sortClause(3, Qt::DescendingOrder),
                 QStringLiteral(" order by Mtx_Level  desc , cagrLast desc "));
    }

    void matrixRowTexts()
    {
        const BoundSql sql = MatrixListQuery(parse(request("")), 0, Qt::AscendingOrder, kYear).sql();
        const auto pufa = rowOf<MatrixListRow>(sql, "600001.SH");
        QCOMPARE(QStringList(std::begin(pufa.roe), std::end(pufa.roe)), QStringList({"12.50", "-", "124", "10.00"}));
        QCOMPARE(QStringList(std::begin(pufa.growth), std::end(pufa.growth)),
                 QStringList({"100", "-99.50", "120", "12.50"}));
        QCOMPARE(pufa.preType, QStringLiteral("预增"));
        QCOMPARE(pufa.reports, 1);
        // The PEG tests the trailing profit and divides by year Y's: 10 * 100 / 1236 / 50.
        QCOMPARE(pufa.peg, QStringLiteral("0.02"));
        QCOMPARE(pufa.eps[1], QStringLiteral("0.60"));

        const auto alpha = rowOf<MatrixListRow>(sql, "600002.SH");
        QCOMPARE(alpha.eps[1], QStringLiteral("0.70")); // reported Y+1
        const auto pingan = rowOf<MatrixListRow>(sql, "000001.SZ");
        QCOMPARE(pingan.peg, QStringLiteral("-")); // no year-Y profit
        QCOMPARE(pingan.cagrLast, QStringLiteral("-")); // not in the newest snapshot
        QCOMPARE(matrixLevelHtml(getStockMatrixLevel("000001.SZ"), getStockMatrixGrade("000001.SZ")),
                 QStringLiteral("&nbsp;-"));
        QCOMPARE(matrixLevelHtml(getStockMatrixLevel("600001.SH"), getStockMatrixGrade("600001.SH")),
                 QStringLiteral("&nbsp;<img src=':/images/8.png'>&nbsp;A"));
    }

    void quoteChangeOnlyAtNewestPriceDate()
    {
        const BoundSql sql = QuoteListQuery(parse(request("\"exchange\": \"SH\"")), 4, Qt::DescendingOrder).sql();
        QCOMPARE(codes(sql), all("600001.SH,600002.SH"));
        const auto pufa = rowOf<QuoteListRow>(sql, "600001.SH");
        QCOMPARE(QStringList({pufa.price, pufa.change, pufa.pe, pufa.pb}), QStringList({"10.00", "-", "20.00", "2.00"}));
        const auto alpha = rowOf<QuoteListRow>(sql, "600002.SH");
        QCOMPARE(alpha.change, QStringLiteral("-")); // priced a day before the newest price date
        QCOMPARE(alpha.changeSign, 0);

        const BoundSql sz = QuoteListQuery(parse(request("\"exchange\": \"SZ\"")), 4, Qt::DescendingOrder).sql();
        QCOMPARE(codes(sz), all("000001.SZ,300001.SZ,002001.SZ"));
        const auto pingan = rowOf<QuoteListRow>(sz, "000001.SZ");
        QCOMPARE(QStringList({pingan.change, pingan.pe}), QStringList({"10.00", "11.00"})); // 1 / (11 - 1)
        const auto unpriced = rowOf<QuoteListRow>(sz, "300001.SZ");
        QCOMPARE(QStringList({unpriced.price, unpriced.change, unpriced.pe, unpriced.pb}),
                 QStringList({"-", "-", "-", "-"}));
        const auto falling = rowOf<QuoteListRow>(sz, "002001.SZ");
        QCOMPARE(QStringList({falling.change, falling.pb}), QStringList({"-7.69", "-"}));
        QCOMPARE(falling.changeSign, -1);
    }
};

QTEST_MAIN(TestAnalysisQueries)
#include "tst_analysisqueries.moc"
