#include "defaultconfig.h"
#include "globalstate.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

using OrderRow = std::function<void(int key, const char *id, const char *name, const char *args,
                                    const char *order, const char *direct)>;

// The 126 list requests of the embedded configuration: key, id, name, args, order, direct.
void forEachOrder(const OrderRow &row)
{
    row(1001, "RPT_NEW", "最新报告", R"({})", "", "");
    row(1002, "RPT_IMP", "重点报告", R"({"imp": 1})", "", "");
    row(1003, "RPT_INS", "机构报告_%inst%", R"({"inst": "%inst%"})", "", "");
    row(1004, "RPT_INS_ALL", "全部关注机构报告", R"({"all": "INS"})", "", "");
    row(1005, "RPT_STK", "股票报告_%stkName%(%stkCode%)", R"({"stkCode": "%stkCode%", "stkName": "%stkName%"})", "", "");
    row(1006, "RPT_SCH", "报告搜索_%titleKeyword%_%instKeyword%", R"({"titleKeyword": "%titleKeyword%", "instKeyword": "%instKeyword%", "analsKeyword": "%analsKeyword%", "code": "%reportCode%", "yearStart": "%reportYearStart%", "yearEnd": "%reportYearEnd%"})", "", "");
    row(1007, "RPT_FAV", "收藏报告_%fav%", R"({"fav": "%fav%"})", "", "");
    row(1008, "RPT_SUB", "报告订阅_%subName%", R"({"titleKeyword": "%titleKeyword%", "instKeyword": "%instKeyword%", "analsKeyword": "%analsKeyword%", "code": "%reportCode%"})", "", "");
    row(1009, "RPT_SUB_ALL", "全部订阅报告", R"({"subscribe": 1, "all": "SUB"})", "", "");
    row(1010, "RPT_ANL", "分析师报告_%anlName%", R"({"anls": "%anlID%"})", "", "");
    row(1011, "RPT_ANL_ALL", "全部关注分析师报告", R"({"all": "ANL"})", "", "");
    row(1101, "RPT_COD_MACRO", "宏观报告", R"({"code": "MCR%"})", "", "");
    row(1102, "RPT_COD_MACRO_CN", "中国宏观报告", R"({"code": "MCR@CN"})", "", "");
    row(1103, "RPT_COD_MACRO_GLOBE", "国际宏观报告", R"({"code": "MCR@"})", "", "");
    row(1104, "RPT_COD_MORNING", "晨会报告", R"({"code": "STK.NWS@CN"})", "", "");
    row(1105, "RPT_COD_STRATEGY", "投资策略报告", R"({"code": "STK.STG@CN"})", "", "");
    row(1106, "RPT_COD_SMALL", "中小盘报告", R"({"code": "STK%@CN", "titleKeyword": "中小"})", "", "");
    row(1107, "RPT_COD_SHHKC", "沪(深)港通报告", R"({"titleKeyword": "沪港通 +深港通"})", "", "");
    row(1108, "RPT_COD_MARGIN", "融资融券报告", R"({"code": "STK.ENG@CN", "titleKeyword": "融资融券 +两融"})", "", "");
    row(1109, "RPT_COD_ENGINEER", "金融工程报告", R"({"code": "STK.ENG@CN"})", "", "");
    row(1110, "RPT_COD_INDUSTRY", "行业报告", R"({"code": "STK.IND@CN"})", "", "");
    row(1111, "RPT_COD_COMPANY", "公司报告", R"({"code": "STK.COM@CN"})", "", "");
    row(1112, "RPT_COD_IPO", "新股报告", R"({"code": "STK%@CN", "titleKeyword": "新股 +IPO"})", "", "");
    row(1113, "RPT_COD_BSH", "B股报告", R"({"code": "STK.BSH@CN"})", "", "");
    row(1114, "RPT_COD_OTC", "新三板报告", R"({"code": "OTC@CN"})", "", "");
    row(1115, "RPT_COD_FUND", "基金报告", R"({"code": "FND@CN"})", "", "");
    row(1116, "RPT_COD_FUND", "基金报告", R"({"code": "FND@CN"})", "", "");
    row(1117, "RPT_COD_FIX", "固定收益", R"({"code": "FIX@CN"})", "", "");
    row(1118, "RPT_COD_HK", "港股报告", R"({"code": "STK%@HK"})", "", "");
    row(1119, "RPT_COD_HK_NWS", "港股晨会", R"({"code": "STK.NWS@HK"})", "", "");
    row(1120, "RPT_COD_HK_MKT", "港股策略", R"({"code": "STK.MKT@HK"})", "", "");
    row(1121, "RPT_COD_HK_IND", "港股行业", R"({"code": "STK.IND@HK"})", "", "");
    row(1122, "RPT_COD_HK_COM", "港股公司", R"({"code": "STK.COM@HK"})", "", "");
    row(1123, "RPT_COD_HK_IPO", "港股新股", R"({"code": "STK%@HK", "titleKeyword": "新股 +IPO"})", "", "");
    row(1124, "RPT_COD_HK_DRV", "港股衍生", R"({"code": "STK.DRV@HK"})", "", "");
    row(1125, "RPT_COD_US", "美股报告", R"({"code": "STK@US"})", "", "");
    row(1126, "RPT_COD_COMMODITY", "商品期货报告", R"({"code": "CMD@"})", "", "");
    row(1127, "RPT_COD_SIF", "股指期货报告", R"({"code": "STK.ENG@CN", "titleKeyword": "股指期货 +期指 +金融期货"})", "", "");
    row(1128, "RPT_COD_OPT", "期权报告", R"({"code": "STK.ENG@CN", "titleKeyword": "期权"})", "", "");
    row(1129, "RPT_COD_TBF", "国债期货报告", R"({"code": "FIX@CN", "titleKeyword": "国债期货"})", "", "");
    row(1130, "RPT_COD_CB", "可转债报告", R"({"code": "FIX@CN", "titleKeyword": "转债"})", "", "");
    row(1131, "RPT_COD_ASSET", "大类资产配置报告", R"({"code": "FIX@CN", "titleKeyword": "大类资产"})", "", "");
    row(1200, "RPT_IND", "行业报告_%ind%", R"({"code": "", "ind": "%ind%"})", "", "");
    row(1300, "RPT_POR_ALL", "自选股报告", R"({"portfolio": 1, "all": "POR"})", "", "");
    row(1400, "RPT_BLK", "%block%板块报告", R"({"block": "%block%"})", "", "");
    row(1500, "RPT_INB", "国际大行报告", R"({"inst": "高盛 瑞信 瑞银 摩根 美银 花旗 汇丰 巴克莱 德意志银行 野村"})", "", "");
    row(2001, "RAT_NEW", "最新评级", R"({})", "", "");
    row(2004, "RAT_INS", "%inst%的评级", R"({"inst": "%inst%"})", "dtPub", "");
    row(2005, "RAT_INS_ALL", "全部关注机构评级", R"({"all": "INS"})", "", "");
    row(2006, "RAT_INS_STK", "%inst%对%stkName%(%stkCode%)的评级", R"({"inst": "%inst%", "stkCode": "%stkCode%"})", "dtPub", "");
    row(2007, "RAT_STK", "%stkName%(%stkCode%)的评级", R"({"stkCode": "%stkCode%"})", "dtPub", "");
    row(2008, "RAT_IND", "%ind%行业股票评级", R"({"ind": "%ind%"})", "dtPub", "");
    row(2009, "RAT_BLK", "%block%板块股票评级", R"({"block": "%block%"})", "dtPub", "");
    row(2010, "RAT_ANL", "分析师股票评级_%anlName%", R"({"anls": "%anlID%"})", "", "");
    row(2011, "RAT_ANL_ALL", "全部关注分析师评级", R"({"all": "ANL"})", "", "");
    row(2101, "RAT_ACT_INI", "首次评级", R"({"action": "I"})", "", "");
    row(2102, "RAT_ACT_UPGRADE", "上调评级", R"({"action": "U"})", "", "");
    row(2103, "RAT_ACT_UNCHANGED", "维持评级", R"({"action": "M"})", "", "");
    row(2104, "RAT_ACT_DOWNGRADE", "下调评级", R"({"action": "D"})", "", "");
    row(2201, "RAT_RCM_STRONGBUY", "强烈看多评级", R"({"recomm": "=5"})", "", "");
    row(2202, "RAT_RCM_BUY", "看多评级", R"({"recomm": "=4"})", "", "");
    row(2203, "RAT_RCM_HOLD", "中性评级", R"({"recomm": "=3"})", "", "");
    row(2204, "RAT_RCM_SELL", "看空评级", R"({"recomm": "=2"})", "", "");
    row(2205, "RAT_RCM_STRONGSELL", "强烈看空评级", R"({"recomm": "=1"})", "", "");
    row(2301, "RAT_MKT_SH", "沪市股票评级", R"({"exchange": "SH"})", "", "");
    row(2302, "RAT_MKT_SZ", "深市股票评级", R"({"exchange": "SZ"})", "", "");
    row(2303, "RAT_MKT_SME", "中小板股票评级", R"({"exchange": "SZ", "preCode": "002"})", "", "");
    row(2304, "RAT_MKT_EXT", "创业板股票评级", R"({"exchange": "SZ", "preCode": "300"})", "", "");
    row(2401, "RAT_FST", "机构首次推荐", R"({"days": 30, "count": 1, "new": 1, "recomm": ">3", "action": "I"})", "", "");
    row(2402, "RAT_TPS", "目标空间较大", R"({"days": 30, "new": 1, "scope": "50"})", "", "");
    row(2403, "RAT_TPR", "目标价上调", R"({"days": 30, "new": 1, "tp": 1})", "", "");
    row(2404, "RAT_ESR", "盈利预期上调", R"({"days": 30, "new": 1, "est": 1})", "", "");
    row(3001, "CNS_ALL", "全部股票一致预期", R"({"preCode": "600,601,603,000,001,002,300"})", "count", "desc");
    row(3002, "CNS_MKT_SH", "沪市股票一致预期", R"({"exchange": "SH", "preCode": "600,601,603"})", "count", "desc");
    row(3003, "CNS_MKT_SZ", "深市股票一致预期", R"({"exchange": "SZ", "preCode": "000,001,002,300"})", "count", "desc");
    row(3004, "CNS_MKT_SME", "中小板股票一致预期", R"({"exchange": "SZ", "preCode": "002"})", "count", "desc");
    row(3005, "CNS_MKT_EXT", "创业板股票一致预期", R"({"exchange": "SZ", "preCode": "300"})", "count", "desc");
    row(3006, "CNS_IND", "%ind%行业一致预期", R"({"ind": "%ind%"})", "count", "desc");
    row(3007, "CNS_POR", "自选股一致预期", R"({"portfolio": 1})", "count", "desc");
    row(3008, "CNS_BLK", "%block%板块一致预期", R"({"block": "%block%"})", "count", "desc");
    row(3009, "CNS_STK", "%stkName%(%stkCode%)一致预期", R"({"stkCode": "%stkCode%"})", "count", "desc");
    row(3011, "CNS_INC", "机构关注增加股", R"({"preCode": "600,601,603,000,001,002,300", "inc": 1})", "inc", "desc");
    row(3012, "CNS_TPS", "目标空间较大股", R"({"preCode": "600,601,603,000,001,002,300", "scope": "50"})", "scope", "desc");
    row(3013, "CNS_TPR", "目标价上调股", R"({"preCode": "600,601,603,000,001,002,300", "tp": 1})", "count", "desc");
    row(3014, "CNS_ESR", "盈利预期上调股", R"({"preCode": "600,601,603,000,001,002,300", "est": 1})", "count", "desc");
    row(3015, "CNS_GRH", "成长性较高股", R"({"preCode": "600,601,603,000,001,002,300", "growth": 50})", "cagr", "desc");
    row(3016, "CNS_PEL", "市盈率较低股", R"({"preCode": "600,601,603,000,001,002,300", "pe": 15})", "pe", "");
    row(3017, "CNS_PEG", "PEG较低股", R"({"preCode": "600,601,603,000,001,002,300", "peg": 1})", "peg", "");
    row(4002, "MTX_ALL", "全部股票价值矩阵", R"({"preCode": "600,601,603,000,001,002,300"})", "matrix", "desc");
    row(4003, "MTX_MKT_SH", "沪市股票价值矩阵", R"({"exchange": "SH", "preCode": "600,601,603"})", "matrix", "desc");
    row(4004, "MTX_MKT_SZ", "深市股票价值矩阵", R"({"exchange": "SZ", "preCode": "000,001,002,300"})", "matrix", "desc");
    row(4005, "MTX_MKT_SME", "中小板股票价值矩阵", R"({"exchange": "SZ", "preCode": "002"})", "matrix", "desc");
    row(4006, "MTX_MKT_EXT", "创业板股票价值矩阵", R"({"exchange": "SZ", "preCode": "300"})", "matrix", "desc");
    row(4007, "MTX_BLK", "%block%板块价值矩阵", R"({"block": "%block%"})", "matrix", "desc");
    row(4008, "MTX_IND", "%ind%行业价值矩阵", R"({"ind": "%ind%"})", "matrix", "desc");
    row(4009, "MTX_POR", "自选股价值矩阵", R"({"portfolio": 1})", "matrix", "desc");
    row(4010, "MTX_STK", "%stkName%(%stkCode%)价值矩阵", R"({"stkCode": "%stkCode%"})", "matrix", "desc");
    row(4101, "MTX_LVL_A", "价值矩阵A", R"({"matrix": "7,8,9"})", "matrix", "desc");
    row(4102, "MTX_LVL_B", "价值矩阵B", R"({"matrix": "4,5,6"})", "matrix", "desc");
    row(4103, "MTX_LVL_C", "价值矩阵C", R"({"matrix": "1,2,3"})", "matrix", "desc");
    row(4201, "STK_LPE", "低市盈率排名", R"({})", "pe", "");
    row(5001, "RCM_NEW", "最新推荐", R"({})", "", "");
    row(5002, "RCM_STK", "推荐%stkName%(%stkCode%)的机构", R"({"stkCode": "%stkCode%"})", "", "");
    row(5003, "RCM_INS", "%inst%推荐的股票", R"({"inst": "%inst%"})", "", "");
    row(5004, "RCM_INS_IND", "%inst%推荐的%ind%行业股票", R"({"inst": "%inst%", "ind": "%ind%"})", "", "");
    row(5005, "RCM_FOC", "首次推荐", R"({"action": "I", "focus": 1})", "", "");
    row(5006, "RCM_INC", "高目标价股票", R"({"range": "30"})", "range", "");
    row(5007, "RCM_IND", "%ind%行业推荐股票", R"({"ind": "%ind%"})", "", "");
    row(6001, "QUO_POR", "自选股行情", R"({"portfolio": 1})", "percent", "desc");
    row(6002, "QUO_ALL", "全部股票行情", R"({"preCode": "600,601,603,000,001,002,300"})", "percent", "desc");
    row(6003, "QUO_MKT_SH", "沪市股票行情", R"({"exchange": "SH", "preCode": "600,601,603"})", "percent", "desc");
    row(6004, "QUO_MKT_SZ", "深市股票行情", R"({"exchange": "SZ", "preCode": "000,001,002,300"})", "percent", "desc");
    row(6005, "QUO_MKT_SME", "中小板股票行情", R"({"exchange": "SZ", "preCode": "002"})", "percent", "desc");
    row(6006, "QUO_MKT_EXT", "创业板股票行情", R"({"exchange": "SZ", "preCode": "300"})", "percent", "desc");
    row(6007, "QUO_BLK", "%block%板块行情", R"({"block": "%block%"})", "percent", "desc");
    row(6008, "QUO_IND", "%ind%行业行情", R"({"ind": "%ind%"})", "percent", "desc");
    row(7001, "CHT_STK", "%stkName%[%stkCode%]", R"({"stkCode": "%stkCode%", "stkName": "%stkName%"})", "", "");
    row(8001, "ACE_ALL", "全部分析师", R"({})", "thisyearshortrate", "desc");
    row(8002, "ACE_INS", "%inst%分析师", R"({"inst": "%inst%"})", "thisyearshortrate", "desc");
    row(8003, "ACE_INS_ALL", "全部关注机构分析师", R"({"all": "INS"})", "thisyearshortrate", "desc");
    row(8004, "ACE_IND", "%ind%行业分析师", R"({"ind": "%ind%"})", "thisyearshortrate", "desc");
    row(8005, "ACE_ANL", "王牌分析师_%anlName%", R"({"anls": "%anlID%"})", "", "");
    row(8006, "ACE_ANL_ALL", "全部关注分析师", R"({"all": "ANL"})", "thisyearshortrate", "desc");
    row(8011, "ACE_YRL", "从业年数较长分析师", R"({"months": 36})", "thisyearshortrate", "desc");
    row(8012, "ACE_STH", "短线成功率较高分析师", R"({"shortrate": 80})", "thisyearshortrate", "desc");
    row(8013, "ACE_MDH", "中线成功率较高分析师", R"({"middlerate": 80})", "thisyearmiddlerate", "desc");
}

QString embeddedOrderText(const QString &key)
{
    QSettings ini(":/config.ini", QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    return ini.value("Orders/" + key).toString();
}

} // namespace

class TestDefaultConfig : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qunsetenv("TAMREL_HOSTS");
        loadDefaultConfig();
    }

    void orderTemplates_data()
    {
        for (const char *column : {"key", "id", "name", "args", "order", "direct"})
            QTest::addColumn<QString>(column);
        forEachOrder([](int key, const char *id, const char *name, const char *args, const char *order,
                        const char *direct) {
            QTest::addRow("%d", key) << QString::number(key) << id << name << args << order << direct;
        });
    }

    void orderTemplates()
    {
        QFETCH(QString, key);
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(QString, args);
        QFETCH(QString, order);
        QFETCH(QString, direct);
        const QString text = embeddedOrderText(key);
        QJsonParseError error;
        const QJsonObject request = QJsonDocument::fromJson(text.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + ": " + text));
        QCOMPARE(request.value("id").toString(), id);
        QCOMPARE(request.value("name").toString(), name);
        // Comparing JSON values also compares types: "50" is not 50.
        QCOMPARE(request.value("args").toObject(), QJsonDocument::fromJson(args.toUtf8()).object());
        QCOMPARE(request.contains("order"), !order.isEmpty());
        QCOMPARE(request.value("order").toString(), order);
        QCOMPARE(request.contains("direct"), !direct.isEmpty());
        QCOMPARE(request.value("direct").toString(), direct);
        if (key != "1116") // the second RPT_COD_FUND
            QCOMPARE(getOrderJson(id), text);
    }

    void orderLookup()
    {
        QStringList keys;
        forEachOrder([&](int key, const char *, const char *, const char *, const char *, const char *) {
            keys << QString::number(key);
        });
        QSettings ini(":/config.ini", QSettings::IniFormat);
        ini.beginGroup("Orders");
        QCOMPARE(ini.childKeys(), keys);
        QCOMPARE(keys.size(), 126);
        QCOMPARE(getOrderJson("RPT_COD_FUND"), embeddedOrderText("1115"));
        QCOMPARE(getOrderJson("rpt_new"), QString());
        QCOMPARE(getOrderJson(QString()), QString());
    }

    void embeddedValues()
    {
        QCOMPARE(getCnName(), QString("Tamrel"));
        QCOMPARE(getWebsite(), QString("127.0.0.1:17801"));
        QCOMPARE(getObjectHost(), QString("http://127.0.0.1:17803/oss"));
        QCOMPARE(getRegisterUrl(), QString("http://127.0.0.1:17801/web/register"));
        QCOMPARE(getServiceHostNameList(), QStringList({"杭州服务器", "北京服务器"}));
        setHostIndex(1);
        QCOMPARE(getServiceHostUrl(), QString("http://127.0.0.1:17802"));
        setHostIndex(5);
        QCOMPARE(getServiceHostUrl(), QString());
        setHostIndex(0);
        QCOMPARE(getReportCodeList().size(), 19);
        QCOMPARE(getReportCodeName("STK.COM@CN"), QString("公司研究"));
        QCOMPARE(getReportCodeName("NONE@"), QString("其他"));
        QCOMPARE(getFileFormatCodeList(), QStringList({"INS-TTL-PUB", "PUB-INS-TTL"}));
        QCOMPARE(getFileFormatName("PUB-INS-TTL"), QString("发布日期-机构-标题"));
    }

    void helpUrl_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("page");
        QTest::newRow("RPT") << "RPT" << "report";
        QTest::newRow("CNS") << "CNS" << "consensus";
        QTest::newRow("SCH") << "SCH" << "search";
        QTest::newRow("unknown") << "XYZ" << "";
        QTest::newRow("lower case") << "rpt" << "";
    }

    void helpUrl()
    {
        QFETCH(QString, key);
        QFETCH(QString, page);
        QCOMPARE(getHelpUrl(key), "http://127.0.0.1:17801/" + page);
    }

    void hostsOverride()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("hosts.ini");
        {
            QSettings hosts(path, QSettings::IniFormat);
            hosts.setIniCodec("UTF-8");
            hosts.setValue("ServiceHost/Host0", "{\"name\": \"杭州服务器\", \"host\": \"http://127.0.0.1:40001\"}");
            hosts.setValue("ObjectHost/Host", "http://127.0.0.1:40003/oss");
            hosts.setValue("Contact/Website", "127.0.0.1:40001");
        }
        qputenv("TAMREL_HOSTS", path.toLocal8Bit());
        loadDefaultConfig();
        QCOMPARE(getServiceHostUrl(), QString("http://127.0.0.1:40001"));
        QCOMPARE(getServiceHostName(), QString("杭州服务器"));
        QCOMPARE(getObjectHost(), QString("http://127.0.0.1:40003/oss"));
        QCOMPARE(getHelpUrl("RPT"), QString("http://127.0.0.1:40001/report"));
        // Keys the file does not hold keep their embedded values.
        QCOMPARE(getRegisterUrl(), QString("http://127.0.0.1:17801/web/register"));
        setHostIndex(1);
        QCOMPARE(getServiceHostUrl(), QString("http://127.0.0.1:17802"));
        setHostIndex(0);

        qputenv("TAMREL_HOSTS", "/nonexistent/hosts.ini");
        loadDefaultConfig();
        QCOMPARE(getObjectHost(), QString("http://127.0.0.1:17803/oss"));
    }

    void brokenConfiguration()
    {
        loadDefaultConfig("/nonexistent/config.ini");
        QCOMPARE(getCnName(), QString());
        QCOMPARE(getPageSize(), 50);
        QCOMPARE(getOrderJson("RPT_NEW"), QString());
        QCOMPARE(getReportCodeName("MCR@"), QString("其他"));

        QTemporaryDir dir;
        QFile file(dir.filePath("config.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Codes]\n01=\"{\\\"code\\\": \\\"A@\\\"}\"\n02=not json\n"
                   "[Orders]\n1001=broken\n1002=\"{\\\"id\\\": \\\"X\\\"}\"\n");
        file.close();
        loadDefaultConfig(file.fileName());
        // A broken entry still takes its place, with empty properties.
        QCOMPARE(getReportCodeList(), QStringList({"A@", ""}));
        QCOMPARE(getOrderJson("X"), QString(R"({"id": "X"})"));
        QCOMPARE(getOrderJson(QString()), QString("broken"));
    }
};

QTEST_GUILESS_MAIN(TestDefaultConfig)
#include "tst_defaultconfig.moc"
