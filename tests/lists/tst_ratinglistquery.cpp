#include "ratingfixture.h"

#include "analystlistfunction.h"
#include "jsonscript.h"
#include "ratinglistquery.h"
#include "ratinglistrequest.h"

#include <QSqlRecord>

namespace {

const char kAll[] = "201,202,203,210,204,205,206,211,207,208";

QString request(const QString &args)
{
    return QStringLiteral("{\"id\": \"RAT_X\", \"name\": \"x\", \"args\": {%1}}").arg(args);
}

QString ids(const QString &text, int page, bool analystFunction = false)
{
    JsonScript json;
    return selectedIds(RatingListQuery(RatingListRequest::parse(text, json), page, analystFunction));
}

// One rating's record of the newest-ratings list.
QSqlRecord recordOf(const QString &id)
{
    JsonScript json;
    const RatingListQuery statement(RatingListRequest::parse(filledRequest("RAT_NEW"), json), 0);
    QSqlQuery query(mainDatabase());
    for (bool ok = statement.exec(query); ok && query.next();) {
        if (query.value(RatingListQuery::ColId).toString() == id)
            return query.record();
    }
    return QSqlRecord();
}

} // namespace

class TestRatingListQuery : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        m_dir = openRatingFixture();
        QVERIFY(m_dir);
        QVERIFY(installAnalystListFunction(mainDatabase()));
    }

    void init() { clearUserLists(); }

    void ratingIds_data();

    void ratingIds()
    {
        QFETCH(QString, request);
        QFETCH(int, page);
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        applySetup(setup);
        QCOMPARE(ids(request, page), expected);
        // The analyst-list function selects exactly what the LIKE tests select.
        QCOMPARE(ids(request, page, true), expected);
    }

    // The values the joins bring, by result column.
    void joinedValues_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("expected");
        using Q = RatingListQuery;
        auto row = [](const char *name, const char *id, int column, const QVariant &value) {
            QTest::newRow(name) << QString(id) << column << value;
        };
        row("days to the newest entry day", "205", Q::ColDaysPassed, 36.0);
        row("same day", "201", Q::ColDaysPassed, 0.0);
        row("calendar years", "208", Q::ColYearPassed, 2);
        row("page count of the report", "205", Q::ColPageCount, 15);
        row("previous lower target", "201", Q::ColPreTpLower, 11.0);
        row("no previous rating", "202", Q::ColPreTpLower, QVariant());
        row("room to the lower target", "201", Q::ColScopeLower, 20.0);
        row("change since publication", "201", Q::ColChange, 0.0);
        row("EPS of the list year", "201", Q::ColEpsLast, 1.2);
        row("no annual report of the next year", "201", Q::ColEpsNew, QVariant());
        row("annual report of the next year", "203", Q::ColEpsNew, 0.6);
        row("estimate of the next year", "201", Q::ColEps1, 1.5);
        row("estimate two years on", "201", Q::ColEps2, 1.7);
        row("estimate three years on", "201", Q::ColEps3, 1.9);
        row("estimate of another stock is not joined", "203", Q::ColEps1, QVariant());
        row("previous estimate", "201", Q::ColPreEps2, 1.75);
        row("P/E on the trailing profit", "201", Q::ColPeTtm, 10.0);
        row("P/E without trailing profit", "204", Q::ColPeTtm, 0);
        row("P/E on the list year", "201", Q::ColPeLast, 1000.0 / 120);
        row("no report yet", "210", Q::ColTitle, QVariant());
        row("recommended lately", "202", Q::ColRecommendId, 202);
        row("recommended too long ago", "205", Q::ColRecommendId, QVariant());
    }

    void joinedValues()
    {
        QFETCH(QString, id);
        QFETCH(int, column);
        QFETCH(QVariant, expected);
        const QVariant value = recordOf(id).value(column);
        if (!expected.isValid())
            QVERIFY2(value.isNull(), qPrintable(value.toString()));
        else if (expected.type() == QVariant::Double)
            QVERIFY2(qAbs(value.toDouble() - expected.toDouble()) < 1e-9, qPrintable(value.toString()));
        else
            QCOMPARE(value.toString(), expected.toString());
    }

    // "recomm" is one comparison SQLite knows of the score with a number, nothing else.
    void scoreComparisons_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // operator and number, "" when refused
        for (const char *same : {"=5", ">3", "<2", ">=4", "<=1", "!=3", "=6", "=0", "==5", "<>3", "=45"})
            QTest::newRow(same) << same << same;
        QTest::newRow("blanks") << " = 5 " << "=5";
        QTest::newRow("decimal") << ">3.5" << ">3.5";
        QTest::newRow("negative") << ">-1" << ">-1";
        for (const char *bad : {"5", ">3 or 1=1", "=5;", "", "=", "=>4", "=<4", "=5)", "= 5 5", "=0x10", "=1e", "!5"})
            QTest::newRow(qPrintable(QStringLiteral("refused '%1'").arg(bad))) << bad << "";
    }

    void scoreComparisons()
    {
        QFETCH(QString, text);
        QString op;
        double score = 0;
        QTEST(parseScoreComparison(text, &op, &score) ? op + QString::number(score) : QString(), "parsed");
    }
};

void TestRatingListQuery::ratingIds_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expected");

    auto row = [](const char *name, const QString &request, const QString &setup, const QString &expected,
                  int page = 0) { QTest::newRow(name) << request << page << setup << expected; };
    auto filled = [](const char *id, const QString &key, const QString &value) {
        return filledRequest(id, {{key, value}});
    };

    // Newest publication first, whatever "order" says; paging
    row("newest", filledRequest("RAT_NEW"), "", kAll);
    row("page 1 of 3", filledRequest("RAT_NEW"), "pagesize=3", "210,204,205", 1);
    row("page size 0 from a hand-edited file reads as 1", filledRequest("RAT_NEW"), "pagesize=0", "203", 2);
    row("negative page size", filledRequest("RAT_NEW"), "pagesize=-5", "201");
    row("a request that is not JSON lists every rating", "{not json", "", kAll);

    // Masked institutions: out of every list, even their own
    row("masked", filledRequest("RAT_NEW"), "masked=海通证券|O'Neil证券", "201,202,203,210,205,206,211");
    row("masked institution's own list", filled("RAT_INS", "inst", "海通证券"), "masked=海通证券", "");

    // Institutions
    row("institution", filled("RAT_INS", "inst", "中信证券"), "", "201,203,205,206");
    row("institution is not a prefix", filled("RAT_INS", "inst", "中信"), "", "");
    row("institution with an apostrophe", filled("RAT_INS", "inst", "O'Neil证券"), "", "204");
    row("hostile institution", filled("RAT_INS", "inst", "x' or '1'='1"), "", "");
    row("concerned institutions", filledRequest("RAT_INS_ALL"), "inst=海通证券;inst=O'Neil证券", "204,207,208");
    row("no concerned institution", filledRequest("RAT_INS_ALL"), "", kAll);
    row("institution and stock",
        filledRequest("RAT_INS_STK", {{"inst", "中信证券"}, {"stkCode", "000001.SZ"}, {"stkName", "平安银行"}}), "",
        "201,205");

    // Stock, industry, block, market
    row("stock", filledRequest("RAT_STK", {{"stkCode", "300001.SZ"}, {"stkName", "特锐德"}}), "", "203,206");
    row("hostile stock code", filledRequest("RAT_STK", {{"stkCode", "1' or '1'='1"}, {"stkName", ""}}), "", "");
    row("industry prefix", filled("RAT_IND", "ind", "银"), "", "201,210,205,211,207,208");
    row("industry of several", filled("RAT_IND", "ind", "电气设备"), "", "203,206");
    row("hostile industry", filled("RAT_IND", "ind", "银行' or '1'='1"), "", "");
    row("block", filled("RAT_BLK", "block", "银行股"), "block=银行股:000001.SZ,600000.SH", "201,205,207,208");
    row("block with a quote in its codes", filled("RAT_BLK", "block", "b"), "block=b:000001.SZ' or '1'='1", "");
    row("missing block", filled("RAT_BLK", "block", "无"), "", "");
    row("Shanghai", filledRequest("RAT_MKT_SH"), "", "202,210,211,207,208");
    row("Shenzhen", filledRequest("RAT_MKT_SZ"), "", "201,203,204,205,206");
    row("SME board", filledRequest("RAT_MKT_SME"), "", "204");
    row("ChiNext", filledRequest("RAT_MKT_EXT"), "", "203,206");
    row("several prefixes", request("\"exchange\": \"SZ\", \"preCode\": \"002,,300\""), "", "203,204,206");

    // Analysts: every id of the person; concerned analysts are uids
    row("analyst", filledRequest("RAT_ANL", {{"anlID", "1001"}, {"anlName", "张三"}}), "", "201,203,205,206");
    row("analyst id unknown to the cache", filledRequest("RAT_ANL", {{"anlID", "1005"}, {"anlName", ""}}), "", "");
    row("hostile analyst id", filledRequest("RAT_ANL", {{"anlID", "1' or '1'='1"}, {"anlName", ""}}), "", "");
    row("concerned analysts", filledRequest("RAT_ANL_ALL"), "anl=1;anl=4", "201,203,204,205,206");
    row("concerned analysts unknown to the cache", filledRequest("RAT_ANL_ALL"), "anl=9", "");
    row("no concerned analyst", filledRequest("RAT_ANL_ALL"), "", kAll);

    // Actions and scores
    row("first ratings", filledRequest("RAT_ACT_INI"), "", "202,210,205,206,208");
    row("upgrades", filledRequest("RAT_ACT_UPGRADE"), "", "201");
    row("kept", filledRequest("RAT_ACT_UNCHANGED"), "", "203,211");
    row("downgrades", filledRequest("RAT_ACT_DOWNGRADE"), "", "204,207");
    row("strong buy", filledRequest("RAT_RCM_STRONGBUY"), "", "202,210");
    row("buy", filledRequest("RAT_RCM_BUY"), "", "201,203,205,206");
    row("hold", filledRequest("RAT_RCM_HOLD"), "", "204,211");
    row("sell", filledRequest("RAT_RCM_SELL"), "", "207");
    row("strong sell", filledRequest("RAT_RCM_STRONGSELL"), "", "208");
    row("score at least 4", request("\"recomm\": \">=4\""), "", "201,202,203,210,205,206");
    row("score other than 4", request("\"recomm\": \"!=4\""), "", "202,210,204,211,207,208");
    row("hostile comparison", request("\"recomm\": \">0 or 1=1\""), "", "");
    row("score out of range", request("\"recomm\": \"=9\""), "", "");
    row("score not 3 as <>", request("\"recomm\": \"<>3\""), "", "201,202,203,210,205,206,207,208");
    row("score 4 as ==", request("\"recomm\": \"==4\""), "", "201,203,205,206");
    row("score with blanks", request("\"recomm\": \" = 5 \""), "", "202,210");
    row("score above 0", request("\"recomm\": \">0\""), "", kAll);
    row("score above 3.5", request("\"recomm\": \">3.5\""), "", "201,202,203,210,205,206");

    // Windows counted from the newest entry; "count" over RatingDays, not "days"
    row("first recommendations", filledRequest("RAT_FST"), "", "202");
    row("30 days", request("\"days\": 30"), "", "201,202,203,210,204");
    row("30 days as text", request("\"days\": \"30\""), "", "201,202,203,210,204");
    row("one rating in RatingDays", request("\"count\": 1"), "", "202,204");
    row("two ratings in RatingDays", request("\"count\": 2"), "", "201,203,210,205,206,211");
    row("new only", request("\"new\": 1"), "", "201,202,210,204");
    row("large room", filledRequest("RAT_TPS"), "", "202");
    row("room given as a number", request("\"scope\": 60"), "", "202");
    row("raised targets", filledRequest("RAT_TPR"), "", "201");
    row("raised targets, old too", request("\"tp\": 1"), "", "201");
    row("raised estimates", filledRequest("RAT_ESR"), "", "201");
}

QTEST_MAIN(TestRatingListQuery)
#include "tst_ratinglistquery.moc"
