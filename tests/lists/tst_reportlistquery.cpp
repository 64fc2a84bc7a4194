#include "reportfixture.h"

#include "analystcache.h"
#include "analystlistfunction.h"
#include "jsonscript.h"
#include "reportlistquery.h"
#include "reportlistrequest.h"
#include "stockcache.h"

namespace {

// Newest entry 2017-01-06: the default window starts at 2015-01-06.
const QList<FixtureReport> kReports = {
    {1, "2017-01-06 15:00:00", "2017-01-06", "中信证券", "STK.COM@CN", "平安银行：业绩超预期", "张三[1001],李四[1002]",
     "000001.SZ", "银行", 1, 20},
    {2, "2017-01-05 10:00:00", "2017-01-05", "国泰君安", "STK.IND@CN", "银行业周报：沪港通开闸", "王五[1003]", "", "银行", 0, 8},
    {3, "2017-01-04 09:00:00", "2017-01-03", "高盛", "MCR@CN", "中国宏观：深港通启动", "Smith[1004]", "", "", 0, 5},
    {4, "2016-12-30 09:00:00", "2016-12-30", "瑞银证券", "MCR@", "全球宏观展望", "张三[1101]", "", "", 0, 12},
    {24, "2016-08-02 09:00:00", "", "华泰证券", "STK.COM@CN", "IPO点评", "", "", "", 0, 3},
    {23, "2016-08-01 09:00:00", "", "华泰证券", "STK.IND@CN", "新股周报", "", "", "", 0, 3},
    {5, "2016-06-01 09:00:00", "", "海通证券", "STK.ENG@CN", "融资融券周报", "", "", "", 0, 3},
    {6, "2016-05-01 09:00:00", "", "海通证券", "STK.ENG@CN", "两融余额创新高", "", "", "", 1, 4},
    {7, "2016-04-01 09:00:00", "", "招商证券", "STK.ENG@CN", "股指期货与期权策略", "", "", "", 0, 0},
    {8, "2016-03-01 09:00:00", "", "中金公司", "STK.COM@CN", "贵州茅台：提价", "赵六[1005]", "600519.SH", "食品饮料", 0, 10},
    {9, "2016-02-01 09:00:00", "", "中金公司", "STK.IND@CN", "食品饮料行业：铅笔与铅", "", "", "食品饮料", 0, 10},
    {10, "2016-01-15 09:00:00", "", "申万宏源", "STK.NWS@CN", "铅价上涨", "", "", "", 0, 2},
    {11, "2016-01-10 09:00:00", "", "O'Neil证券", "STK.COM@CN", "浦发银行点评", "", "600000.SH", "银行", 0, 6},
    {12, "2016-01-05 09:00:00", "", "Morgan Stanley", "STK.COM@HK", "港股 腾讯", "", "", "", 0, 9},
    {13, "2016-01-04 09:00:00", "", "Morgan", "STK.IND@HK", "港股行业", "", "", "", 0, 9},
    {14, "2015-12-31 23:59:59", "", "摩根大通", "STK@US", "美股策略", "", "", "", 0, 9},
    {15, "2015-06-01 09:00:00", "", "A\"B证券", "FIX@CN", "可转债周报", "", "", "", 0, 9},
    {25, "2015-03-03 09:00:00", "", "测试证券", "OTC@CN", "分析师测试", "甲[10011],乙[21001]", "", "", 0, 1},
    {26, "2015-03-02 09:00:00", "", "测试证券", "OTC@CN", "分析师测试", "丙[[1003]]", "", "", 0, 1},
    {27, "2015-03-01 09:00:00", "", "测试证券", "OTC@CN", "分析师测试", "丁[1004", "", "", 0, 1},
    {16, "2015-01-06 00:00:00", "", "国泰君安", "CMD@", "商品", "", "", "", 0, 9},
    {17, "2015-01-05 23:59:59", "", "国泰君安", "CMD@", "商品旧", "", "", "", 0, 9},
    {18, "2014-01-01 00:00:00", "", "中信证券", "STK.COM@CN", "2014首日", "", "", "", 0, 9},
    {19, "2013-12-31 23:59:59", "", "中信证券", "STK.COM@CN", "2013末日", "", "", "", 0, 9},
    {20, "2012-01-01 00:00:00", "", "中信证券", "STK.COM@CN", "2012首日", "", "", "", 0, 9},
    {21, "2011-12-31 23:59:59", "", "中信证券", "STK.COM@CN", "2011末日", "", "", "", 0, 9},
};

const char kWindow[] = "1,2,3,4,24,23,5,6,7,8,9,10,11,12,13,14,15,25,26,27,16";

QString ids(const QString &request, int page, bool analystFunction = false)
{
    JsonScript json;
    return selectedIds(ReportListQuery(ReportListRequest::parse(request, json), page, json, analystFunction));
}

// "title|inst|analysts|code|start year|end year" filled into a template with those keys.
QString filledFields(const char *id, const QString &fields)
{
    static const QStringList keys = {"titleKeyword", "instKeyword", "analsKeyword", "reportCode", "reportYearStart",
                                     "reportYearEnd"};
    QList<QPair<QString, QString>> values = {{"subName", "s"}};
    const QStringList f = fields.split(QLatin1Char('|'));
    for (int i = 0; i < keys.size(); ++i)
        values.append({keys.at(i), f.value(i)});
    return filledRequest(id, values);
}

} // namespace

class TestReportListQuery : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        m_dir = openFixtureDatabase(kReports);
        QVERIFY(m_dir);
        for (const char *stock : {"000001.SZ,平安银行,银行", "600000.SH,浦发银行,银行", "600519.SH,贵州茅台,食品饮料"})
            QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Ind_Name, Stk_Quit) values (?, ?, ?, 0)",
                            QVariant(QString::fromUtf8(stock).split(QLatin1Char(','))).toList()));
        QVERIFY(insertFixtureAnalysts());
        loadStockCache();
        loadAnalystCache();
        QVERIFY(installAnalystListFunction(mainDatabase()));
    }

    void init() { clearUserLists(); }

    // The function counts only once a statement on the connection gets its answers: another
    // thread's connection lacks it until it is added there, and a closed one never has it.
    void analystFunctionIsChecked()
    {
        QList<bool> seen;
        std::unique_ptr<QThread> thread(QThread::create([&seen] {
            QSqlDatabase db = mainDatabase();
            seen << analystListFunctionWorks(db) << installAnalystListFunction(db) << analystListFunctionWorks(db);
        }));
        thread->start();
        QVERIFY(thread->wait(30000));
        QCOMPARE(seen, (QList<bool>{false, true, true}));
        QVERIFY(!installAnalystListFunction(QSqlDatabase()));
    }

    void reportIds_data();

    void reportIds()
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

    // Every report list of the configuration, placeholders filled, is a statement that runs; a
    // request that does not parse lists nothing rather than every report.
    void everyTemplateRuns()
    {
        applySetup("fav=1:1;block=1:000001.SZ;portfolio=600519.SH;inst=中信证券;anl=1;sub=1:{\"ttl\":\"银行\"}");
        const QStringList requests = filledTemplates(QStringLiteral("RPT_"));
        for (const QString &request : requests)
            QVERIFY2(!ids(request, 0).startsWith(QLatin1String("error")), qPrintable(request));
        QCOMPARE(requests.size(), 46);
        for (const QString &text : {QString(), QStringLiteral("{not json"), QStringLiteral("[1,2]"),
                                    QStringLiteral("{\"name\":\"x\",\"args\":{}}")})
            QCOMPARE(ids(text, 0), QString());
    }
};

void TestReportListQuery::reportIds_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expected");

    auto row = [](const char *name, const QString &request, const QString &setup, const QString &expected,
                  int page = 0) { QTest::newRow(name) << request << page << setup << expected; };
    auto search = [](const QString &fields) { return filledFields("RPT_SCH", fields); };
    auto sub = [](const QString &fields) { return filledFields("RPT_SUB", fields); };
    auto one = [](const char *id, const QString &key, const QString &value) {
        return filledRequest(id, {{key, value}});
    };
    auto anl = [](const QString &id) { return filledRequest("RPT_ANL", {{"anlID", id}, {"anlName", ""}}); };

    // The window and paging
    row("newest: 24 months before the newest entry", filledRequest("RPT_NEW"), "", kWindow);
    row("page 1 of 5", filledRequest("RPT_NEW"), "pagesize=5", "23,5,6,7,8", 1);
    row("page count 10", filledRequest("RPT_NEW"), "pagecount=10", "1,4,8,9");
    row("important", filledRequest("RPT_IMP"), "", "1,6");

    // Years: the end year is whole up to its last second, the next year's first is out
    row("years 2012-2013", search("||||2012|2013"), "", "19,20");
    row("from 2014", search("||||2014|"), "", QString(kWindow) + ",17,18");
    row("up to 2015 in the default window", search("|||||2015"), "", "14,15,25,26,27,16");

    // Masked institutions, one holding an apostrophe
    row("masked apostrophe", filledRequest("RPT_NEW"), "masked=O'Neil证券",
        "1,2,3,4,24,23,5,6,7,8,9,10,12,13,14,15,25,26,27,16");
    row("masked applies to searches", search("||||2012|2013"), "masked=中信证券", "");

    // Institutions
    row("institution prefix", one("RPT_INS", "inst", "中金"), "", "8,9");
    row("institution with a blank is one name", one("RPT_INS", "inst", "Morgan Stanley"), "", "12");
    row("institution with an apostrophe", one("RPT_INS", "inst", "O'Neil证券"), "", "11");
    row("institution with a double quote", one("RPT_INS", "inst", "A\\\"B证券"), "", "15");
    row("international banks", filledRequest("RPT_INB"), "", "3,4,14");
    row("concerned institutions", filledRequest("RPT_INS_ALL"), "inst=海通证券;inst=O'Neil证券", "5,6,11");
    row("no concerned institution", filledRequest("RPT_INS_ALL"), "", kWindow);

    // Industry, portfolio and blocks
    row("industry with companies", one("RPT_IND", "ind", "银行"), "", "1,2,11");
    row("industry reports only", one("RPT_IND", "ind", "银行"), "company=0", "2");
    row("portfolio", filledRequest("RPT_POR_ALL"), "portfolio=600519.SH", "8");
    row("empty portfolio", filledRequest("RPT_POR_ALL"), "", "");
    row("block", one("RPT_BLK", "block", "银行股"), "block=银行股:000001.SZ,600000.SH", "1,11");
    row("missing block", one("RPT_BLK", "block", "无"), "", "");

    // Category codes: "%" is a pattern, anything else equality
    row("code pattern MCR%", filledRequest("RPT_COD_MACRO"), "", "3,4");
    row("code MCR@ is not a prefix", filledRequest("RPT_COD_MACRO_GLOBE"), "", "4");
    row("code pattern STK%@HK", filledRequest("RPT_COD_HK"), "", "12,13");

    // Title keywords
    row("either word", filledRequest("RPT_COD_SHHKC"), "", "2,3");
    row("code and either word", filledRequest("RPT_COD_MARGIN"), "", "5,6");
    row("pattern and either word", filledRequest("RPT_COD_IPO"), "", "24,23");
    row("three alternatives", filledRequest("RPT_COD_SIF"), "", "7");
    row("exclusion", search("铅 -铅笔"), "", "10");
    row("every word required", search("银行 周报"), "", "2");
    row("AND binds before OR", search("平安 业绩 +商品"), "", "1,16");
    row("bare signs add nothing", search("- +"), "", kWindow);
    row("apostrophe in a keyword", search("O'Neil"), "", "");

    // Stock, analysts
    row("stock", filledRequest("RPT_STK", {{"stkCode", "600519.SH"}, {"stkName", "贵州茅台"}}), "", "8");
    row("analyst: every id of the person", filledRequest("RPT_ANL", {{"anlID", "1001"}, {"anlName", "张三"}}), "",
        "1,4");
    row("analyst id unknown to the cache", anl("1005"), "", "8");
    row("concerned analysts are uids", filledRequest("RPT_ANL_ALL"), "anl=1;anl=3", "1,2,4,26");
    row("analyst id in brackets only", anl("1003"), "", "2,26");
    row("analyst id without its closing bracket", anl("1004"), "", "3");
    row("analyst id that is not a number", anl("100_"), "", "1,2,3,8,26");
    row("concerned analysts without ids", filledRequest("RPT_ANL_ALL"), "anl=9", "");
    row("no concerned analyst", filledRequest("RPT_ANL_ALL"), "", kWindow);
    row("analyst names", search("||张三 Smith"), "", "1,3,4");
    row("institution keyword", search("|中金"), "", "8,9");

    // Favourites: ids only as integers
    row("favourites", one("RPT_FAV", "fav", "f"), "fav=f:8,3", "3,8");
    row("favourite id that is not a number", one("RPT_FAV", "fav", "f"), "fav=f:1) or (1=1,5", "5");
    row("only a hostile favourite id", one("RPT_FAV", "fav", "f"), "fav=f:1) or (1=1", "");

    // One subscription: "+" means OR, "%" in a code is a pattern
    row("subscription words", sub("沪港通 +深港通|||"), "", "2,3");
    row("subscription code pattern", sub("|||STK%@HK"), "", "12,13");
    row("subscription institution", sub("|国泰|王五|"), "", "2");

    // All subscriptions: "+" words whole and required, the code always equality, "ath" stands in
    row("all subscriptions", filledRequest("RPT_SUB_ALL"),
        "sub=a:{\"ttl\":\"沪港通 +深港通\"};sub=b:{\"ttl\":\"\",\"ath\":\"高盛\",\"cod\":\"\"};"
        "sub=c:{\"cod\":\"STK%@HK\"};sub=d:{\"anl\":\"王五\"};sub=e:{};subraw=f:not json",
        "2,3");
    row("subscription with exclusion and code", filledRequest("RPT_SUB_ALL"),
        "sub=a:{\"ttl\":\"融资 -两融\",\"cod\":\"STK.ENG@CN\"}", "5");
    row("subscription institution over ath", filledRequest("RPT_SUB_ALL"), "sub=a:{\"ins\":\"华泰\",\"ath\":\"高盛\"}",
        "24,23");
    row("subscription: every word required", filledRequest("RPT_SUB_ALL"), "sub=a:{\"ttl\":\"银行 周报\"}", "2");
    row("subscription with an apostrophe", filledRequest("RPT_SUB_ALL"), "sub=a:{\"ins\":\"O'Neil\"}", "11");
    row("only empty subscriptions", filledRequest("RPT_SUB_ALL"), "sub=a:{};sub=b:{\"ttl\":\"\"}", kWindow);
    row("no subscription", filledRequest("RPT_SUB_ALL"), "", kWindow);
}

QTEST_MAIN(TestReportListQuery)
#include "tst_reportlistquery.moc"
