// Builds a data.s3 of research reports over six years (institutions, categories, stocks,
// industries and analysts drawn from skewed distributions) and prints, for every report list of
// the configuration and a few searches, at page 0 and page 100, what the user waits for when a
// page is shown: the report list window in a multiple-document area as the main window holds it,
// with the program's style sheet and font, from the slot (query, rows, cell widgets, marks)
// through the delete of the old page to the end of painting (the event loop runs until a pass
// paints nothing). Beside it the limit: the same page's rows from the same SQL in a plain
// QTableView, timed the same way, and the ratio. Medians and maxima over several runs, empty
// pages included (the user waits for them too); the query alone beside it. Then each list
// paged by Next as the user pages it, and the last of those steps timed.
//
// bench_reportlist [--size 10k|100k|1m] [--db DIR] [--runs N] [--only TEXT] [--keep-schema]
//   --size N        reports in the database (default 1m)
//   --db DIR        keep the database in DIR/reports-N and reuse it when it is already there
//   --only TEXT     measure only the lists whose name contains TEXT
//   --keep-schema   do not add the indexes of the schema that a reused database lacks
//                   (to compare figures without them)

#include "analystaward.h"
#include "analystcache.h"
#include "analystlistfunction.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qwinreportlist.h"
#include "startup.h"
#include "reportlistquery.h"
#include "reportlistrequest.h"
#include "stockcache.h"
#include "userlists.h"
#include "usersettings.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <ctime>
#include "benchsupport.h"

#include <random>
#include <vector>

namespace {

int reportCount = 1000000;
constexpr int kStocks = 3000;
constexpr int kAnalysts = 3000; // ids 1001.., the awarded ones among them
const QDate kFirstDay(2011, 1, 3);
const QDate kLastDay(2017, 1, 6);

using Rng = std::mt19937;

// Picks an index by weight.
class Weighted
{
public:
    explicit Weighted(const std::vector<double> &weights)
        : m_dist(weights.begin(), weights.end())
    {
    }
    int operator()(Rng &rng) { return m_dist(rng); }

private:
    std::discrete_distribution<int> m_dist;
};

std::vector<double> zipf(int n, double s)
{
    std::vector<double> w(n);
    for (int i = 0; i < n; ++i)
        w[i] = 1.0 / std::pow(i + 1, s);
    return w;
}

const QStringList kInstitutions = {
    "中信证券", "国泰君安", "海通证券", "广发证券", "招商证券", "申万宏源", "华泰证券", "中金公司", "兴业证券",
    "国信证券", "安信证券", "东方证券", "光大证券", "长江证券", "方正证券", "民生证券", "天风证券", "中泰证券",
    "国金证券", "华创证券", "平安证券", "东吴证券", "中银国际", "银河证券", "西南证券", "华西证券", "东兴证券",
    "国元证券", "太平洋证券", "财通证券", "川财证券", "信达证券", "中原证券", "山西证券", "东北证券", "国海证券",
    "华安证券", "华鑫证券", "首创证券", "万联证券", "渤海证券", "第一创业", "开源证券", "联讯证券", "中航证券",
    "新时代证券", "东莞证券", "华金证券", "长城证券", "爱建证券", "高盛", "瑞信", "瑞银证券", "摩根士丹利",
    "摩根大通", "美银美林", "花旗", "汇丰", "巴克莱", "德意志银行", "野村", "麦格理", "大和", "星展",
    "O'Neil Research", "Morgan Stanley Asia", "招银国际", "建银国际", "交银国际", "工银国际", "农银国际",
    "海通国际", "国泰君安国际", "广发国际", "中信里昂", "华泰金融控股", "光大新鸿基", "耀才证券", "辉立证券",
    "群益证券"};

const QStringList kIndustries = {"银行", "非银行金融", "房地产", "医药生物", "电子", "计算机", "传媒", "通信",
                                 "食品饮料", "家用电器", "汽车", "机械设备", "电力设备", "基础化工", "有色金属",
                                 "交通运输", "建筑装饰", "建筑材料", "钢铁", "煤炭", "石油石化", "公用事业",
                                 "农林牧渔", "纺织服装", "轻工制造", "商贸零售", "社会服务", "国防军工"};

struct Category
{
    const char *code;
    double weight;
};

const std::vector<Category> kCategories = {
    {"STK.COM@CN", 42}, {"STK.IND@CN", 22}, {"STK.NWS@CN", 5}, {"STK.STG@CN", 4}, {"MCR@CN", 4},
    {"MCR@", 1.5},     {"STK.ENG@CN", 4},  {"FIX@CN", 4},     {"FND@CN", 1.5},   {"OTC@CN", 1.5},
    {"STK.BSH@CN", 0.3}, {"STK.COM@HK", 4}, {"STK.IND@HK", 1.5}, {"STK.NWS@HK", 0.8}, {"STK.MKT@HK", 0.8},
    {"STK.DRV@HK", 0.2}, {"STK@US", 0.6},   {"CMD@", 1.5},     {"STK@HK", 0.5},
};

const QStringList kPhrases = {"业绩符合预期", "业绩超预期", "维持买入评级", "首次覆盖", "深度报告", "点评",
                              "季报点评", "年报点评", "调研纪要", "估值修复", "景气回升", "周报", "月报",
                              "策略展望", "投资机会", "风险提示", "中报点评", "增持", "跟踪报告", "专题研究"};

// Keywords that the report lists look for, with the share of titles that carry them.
const std::vector<std::pair<QString, double>> kKeywords = {
    {"沪港通", 0.004}, {"深港通", 0.003}, {"融资融券", 0.004}, {"两融", 0.003}, {"新股", 0.008},
    {"IPO", 0.004},    {"股指期货", 0.002}, {"期指", 0.001},    {"期权", 0.003}, {"国债期货", 0.001},
    {"转债", 0.004},   {"大类资产", 0.001}, {"中小", 0.01},     {"金融期货", 0.001},
};

QString stockCode(int i)
{
    return i < kStocks / 2 ? QStringLiteral("%1.SH").arg(600000 + i) : QStringLiteral("%1.SZ").arg(i, 6, 10, QLatin1Char('0'));
}

struct Analyst
{
    int id;
    int uid;
    QString name;
    int inst;
};

std::vector<Analyst> makeAnalysts(Rng &rng)
{
    static const QString surnames = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    static const QString given = QStringLiteral("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华玉兰萍红鹏辉宇浩凯晨轩子琪欣怡嘉");
    std::vector<Analyst> list;
    std::uniform_int_distribution<int> sn(0, surnames.size() - 1), gn(0, given.size() - 1);
    Weighted inst(zipf(kInstitutions.size(), 0.9));
    // About one analyst in ten wrote under two ids (moved institutions): same uid.
    int uid = 1;
    for (int i = 0; i < kAnalysts; ++i) {
        const bool sameAsPrevious = i > 0 && i % 10 == 0;
        if (!sameAsPrevious)
            ++uid;
        const QString name = sameAsPrevious ? list.back().name
                                            : QString(surnames.at(sn(rng))) + given.at(gn(rng))
                                                  + (i % 2 ? QString(given.at(gn(rng))) : QString());
        list.push_back({1001 + i, uid, name, inst(rng)});
    }
    return list;
}

bool check(QSqlQuery &q)
{
    if (q.exec())
        return true;
    out() << "statement failed: " << q.lastError().text() << Qt::endl;
    return false;
}

bool buildDatabase(QSqlDatabase db)
{
    Rng rng(20170106);
    const std::vector<Analyst> analysts = makeAnalysts(rng);
    std::vector<std::vector<int>> analystsOfInst(kInstitutions.size());
    for (int i = 0; i < int(analysts.size()); ++i)
        analystsOfInst[analysts[i].inst].push_back(i);

    if (!db.transaction())
        return false;
    QSqlQuery stock(db);
    stock.prepare(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name) values (?, ?, 0, ?)"));
    for (int i = 0; i < kStocks; ++i) {
        stock.addBindValue(stockCode(i));
        stock.addBindValue(QStringLiteral("股票%1").arg(i));
        stock.addBindValue(kIndustries.at(i % kIndustries.size()));
        if (!check(stock))
            return false;
    }
    QSqlQuery analyst(db);
    analyst.prepare(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, "
                                   "Anl_Months, Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, '', 24, ?, '2017-01-01 00:00:00')"));
    for (int i = 0; i < int(analysts.size()); ++i) {
        const Analyst &a = analysts[i];
        const bool newest = i + 1 == int(analysts.size()) || analysts[i + 1].uid != a.uid;
        analyst.addBindValue(a.id);
        analyst.addBindValue(a.uid);
        analyst.addBindValue(a.name);
        analyst.addBindValue(kInstitutions.at(a.inst));
        analyst.addBindValue(newest ? 1 : 0);
        if (!check(analyst))
            return false;
    }

    Weighted inst(zipf(kInstitutions.size(), 0.9));
    std::vector<double> categoryWeights;
    for (const Category &c : kCategories)
        categoryWeights.push_back(c.weight);
    Weighted category(categoryWeights);
    Weighted stockOf(zipf(kStocks, 0.7));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> phrase(0, kPhrases.size() - 1), second(7 * 3600, 22 * 3600);
    std::uniform_int_distribution<int> pages(1, 60), lag(0, 3), analystCount(1, 3);
    const int days = kFirstDay.daysTo(kLastDay) + 1;

    QSqlQuery report(db);
    report.prepare(QStringLiteral(
        "insert into T_Report (Rpt_ID, Rpt_Code, Rpt_Imp, Rpt_Exclusive, Ind_Name, Stk_Code, Ins_Name, Anl_List, "
        "Rpt_Title, Rpt_DtPublish, Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, Rpt_Readed, Rpt_DtModify) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // Ids follow the entry order, as the service hands them out; the newest day is last.
    std::vector<qint64> seconds(reportCount);
    for (int i = 0; i < reportCount; ++i) {
        const int day = i == reportCount - 1 ? days - 1 : int(unit(rng) * days);
        seconds[i] = qint64(day) * 86400 + second(rng);
    }
    std::sort(seconds.begin(), seconds.end());
    const QDateTime base(kFirstDay, QTime(0, 0));
    for (int i = 0; i < reportCount; ++i) {
        const QDateTime entry = base.addSecs(seconds[i]);
        const QDate publish = entry.date().addDays(-lag(rng) / 2);
        const int in = inst(rng);
        const QString code = QString::fromLatin1(kCategories[category(rng)].code);
        const bool company = code.startsWith(QLatin1String("STK.COM"));
        const bool industry = code.startsWith(QLatin1String("STK.IND"));
        const int s = stockOf(rng);
        const QString industryName = kIndustries.at((company ? s : int(unit(rng) * 1000)) % kIndustries.size());

        QString title;
        if (company)
            title = QStringLiteral("股票%1：").arg(s) + kPhrases.at(phrase(rng));
        else if (industry)
            title = industryName + QStringLiteral("行业") + kPhrases.at(phrase(rng));
        else
            title = kPhrases.at(phrase(rng)) + QStringLiteral("：") + kPhrases.at(phrase(rng));
        for (const auto &k : kKeywords) {
            if (unit(rng) < k.second)
                title += k.first;
        }

        QStringList anl;
        const std::vector<int> &mine = analystsOfInst[in];
        if (!mine.empty()) {
            const int n = analystCount(rng);
            for (int k = 0; k < n; ++k) {
                const Analyst &a = analysts[mine[int(unit(rng) * mine.size())]];
                anl << a.name + QStringLiteral("[%1]").arg(a.id);
            }
        }
        const double t = unit(rng);
        const QString type = t < 0.9 ? QStringLiteral("PDF") : t < 0.95 ? QStringLiteral("DOC")
                             : t < 0.97 ? QStringLiteral("XLS") : t < 0.98 ? QStringLiteral("PPT") : QString();
        const QString stamp = entry.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));

        report.addBindValue(qint64(i + 1));
        report.addBindValue(code);
        report.addBindValue(unit(rng) < 0.05 ? 1 : 0);
        report.addBindValue(unit(rng) < 0.03 ? 1 : 0);
        report.addBindValue(company || industry ? industryName : QString(""));
        report.addBindValue(company ? stockCode(s) : QString(""));
        report.addBindValue(kInstitutions.at(in));
        report.addBindValue(anl.join(QLatin1Char(',')));
        report.addBindValue(title);
        report.addBindValue(publish.toString(QStringLiteral("yyyy-MM-dd")));
        report.addBindValue(pages(rng));
        report.addBindValue(stamp);
        report.addBindValue(type);
        report.addBindValue(unit(rng) < 0.7 ? 1 : 0);
        report.addBindValue(stamp);
        if (!check(report))
            return false;
        if ((i + 1) % 200000 == 0 || i + 1 == reportCount)
            out() << "  " << (i + 1) << " reports" << Qt::endl;
    }
    return db.commit();
}

void setUpUserLists()
{
    for (int i = 0; i < 20; ++i)
        addToPortfolioList(stockCode(i * 37));
    QStringList block;
    for (int i = 0; i < 30; ++i)
        block << stockCode(i * 53 + 5);
    addBlockStock(QStringLiteral("自选板块"), block.join(QLatin1Char(',')), false);
    for (const char *name : {"中信证券", "国泰君安", "华泰证券", "高盛", "O'Neil Research"})
        addToConcernedInstList(QString::fromUtf8(name));
    for (int uid = 10; uid < 110; uid += 10)
        addToConcernedAnalystList(QString::number(uid));
    QStringList favorites;
    for (int i = 0; i < 200; ++i)
        favorites << QString::number(reportCount - i * (reportCount / 201));
    addFavoriteReport(QStringLiteral("收藏"), favorites.join(QLatin1Char(',')), false);
    auto subscribe = [](const QString &name, const QString &json) {
        addSubscribe(name, QString::fromLatin1(QUrl::toPercentEncoding(json)), false);
    };
    subscribe(QStringLiteral("订阅1"), QStringLiteral("{\"ttl\":\"银行 -周报\",\"ins\":\"\",\"anl\":\"\",\"cod\":\"STK.IND@CN\"}"));
    subscribe(QStringLiteral("订阅2"), QStringLiteral("{\"ttl\":\"\",\"ins\":\"中金\",\"anl\":\"\",\"cod\":\"\"}"));
    subscribe(QStringLiteral("订阅3"), QStringLiteral("{\"ttl\":\"新股\",\"ath\":\"\",\"cod\":\"\"}"));
    setMaskedInstList(QStringLiteral("群益证券,耀才证券"));
}

struct Case
{
    QString name;
    QString request;
    bool freeText;
};

QString fill(QString text, const QList<QPair<QString, QString>> &values)
{
    for (const auto &kv : values)
        text.replace(QLatin1Char('%') + kv.first + QLatin1Char('%'), kv.second);
    return text;
}

QList<Case> cases()
{
    const QList<QPair<QString, QString>> values = {
        {"inst", "中信证券"},       {"stkCode", stockCode(3)}, {"stkName", "股票3"},  {"fav", "收藏"},
        {"subName", "订阅1"},       {"anlID", "1200"},        {"anlName", ""},       {"ind", "银行"},
        {"block", "自选板块"},      {"titleKeyword", "银行"}, {"instKeyword", ""},   {"analsKeyword", ""},
        {"reportCode", "STK.IND@CN"}, {"reportYearStart", ""}, {"reportYearEnd", ""}};
    QList<Case> list;
    QSettings config(QStringLiteral(":/config.ini"), QSettings::IniFormat);
    config.setIniCodec("UTF-8");
    config.beginGroup(QStringLiteral("Orders"));
    QStringList keys = config.childKeys();
    std::sort(keys.begin(), keys.end());
    JsonScript json;
    for (const QString &key : keys) {
        if (key.toInt() < 1001 || key.toInt() > 1500)
            continue;
        const QString text = fill(config.value(key).toString(), values);
        const ReportListRequest r = ReportListRequest::parse(text, json);
        const bool freeText = !r.titleKeyword.isEmpty() && r.code.isEmpty();
        list.append({r.id, text, freeText});
    }
    auto search = [](const QString &title, const QString &inst, const QString &anls, const QString &code,
                     const QString &start, const QString &end) {
        return fill(getOrderJson(QStringLiteral("RPT_SCH")),
                    {{"titleKeyword", title}, {"instKeyword", inst}, {"analsKeyword", anls}, {"reportCode", code},
                     {"reportYearStart", start}, {"reportYearEnd", end}});
    };
    list.append({"SCH 标题 银行", search("银行", "", "", "", "", ""), true});
    list.append({"SCH 标题 铅 -周报", search("转债 -周报", "", "", "", "", ""), true});
    list.append({"SCH 机构 中金", search("", "中金", "", "", "", ""), true});
    list.append({"SCH 分析师 张伟", search("", "", "张伟", "", "", ""), true});
    list.append({"SCH 2013-2014 公司", search("", "", "", "STK.COM@CN", "2013", "2014"), false});
    list.append({"SCH 2012 标题 IPO", search("IPO", "", "", "", "2012", "2012"), true});
    return list;
}

// The page's rows as the list reads them.
QVector<QStringList> pageRows(const QString &request, int page)
{
    JsonScript json;
    QSqlDatabase db = mainDatabase();
    const ReportListQuery statement(ReportListRequest::parse(request, json), page, json,
                                    installAnalystListFunction(db));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return statement.exec(query) ? PlainView::rowsOf(query) : QVector<QStringList>();
}

double queryMs(const QString &request, int page)
{
    QElapsedTimer timer;
    timer.start();
    pageRows(request, page);
    return timer.nsecsElapsed() / 1e6;
}

struct Shown
{
    double fill = 0, total = 0, cpu = 0;
    int rows = 0;
};

// One page shown as the program shows it: the slot fills the table and marks the old page's
// widgets for deletion; back in the event loop they go, the table is laid out and painted.
Shown showPage(QWinReportList &window, QTableWidget *table, PaintCounter &paints, const QString &request, int page)
{
    Shown f;
    QElapsedTimer timer;
    const double cpuStart = threadCpuMs();
    timer.start();
    window.showReportList(request, page);
    f.fill = timer.nsecsElapsed() / 1e6;
    runUntilPainted(paints);
    f.total = timer.nsecsElapsed() / 1e6;
    f.cpu = threadCpuMs() - cpuStart;
    f.rows = table->rowCount();
    return f;
}

double maxOf(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

int sizeOption(const QString &text)
{
    QString t = text.toLower();
    int factor = 1;
    if (t.endsWith(QLatin1Char('k')))
        factor = 1000;
    else if (t.endsWith(QLatin1Char('m')))
        factor = 1000000;
    if (factor > 1)
        t.chop(1);
    return t.toInt() * factor;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUtf8LocaleCodec();
    QString dbDir;
    QString only;
    int runs = 7;
    const bool keepSchema = app.arguments().contains(QStringLiteral("--keep-schema"));
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--db"))
            dbDir = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--only"))
            only = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--runs"))
            runs = qMax(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--size"))
            reportCount = sizeOption(args.at(i + 1));
    }
    if (reportCount < 1000) {
        out() << "--size takes a count of at least 1000, such as 10k, 100k or 1m" << Qt::endl;
        return 1;
    }
    QTemporaryDir temp;
    dbDir = (dbDir.isEmpty() ? temp.path() : dbDir) + QStringLiteral("/reports-%1").arg(reportCount);

    loadDefaultConfig();
    installProgramLook(&app);
    if (!openBenchDatabase(dbDir, keepSchema, QString::number(reportCount) + QStringLiteral(" reports"), buildDatabase))
        return 1;
    loadStockCache();
    loadAnalystCache();
    loadAnalystAwardTable();
    setUpUserLists();
    setPageSize(50);

    // A commit through a connection of its own, as a sync makes: the window forgets the pages
    // it has shown, so page 100 is read as after a sync, not after page 0.
    QSqlDatabase syncDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-sync"));
    syncDb.setDatabaseName(mainDatabase().databaseName());
    if (!syncDb.open() || !QSqlQuery(syncDb).exec(QStringLiteral("create table if not exists Bench_Sync (n integer)"))) {
        out() << "cannot open a second connection: " << syncDb.lastError().text() << Qt::endl;
        return 1;
    }
    auto commitElsewhere = [&syncDb] {
        QSqlQuery q(syncDb);
        q.exec(QStringLiteral("delete from Bench_Sync"));
        q.exec(QStringLiteral("insert into Bench_Sync values (1)"));
    };

    // The list window maximized in a multiple-document area of a main window's size.
    QMdiArea area;
    auto *window = new QWinReportList(nullptr);
    area.addSubWindow(window);
    area.resize(1300, 720);
    area.show();
    auto *table = window->findChild<QTableWidget *>();
    PaintCounter paints;
    PlainView plain(area.size());
    runUntilPainted(paints);

    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14")
                 .arg("list", -24)
                 .arg("rows0", 6).arg("q0", 6).arg("shown0", 7).arg("max", 6).arg("plain0", 7)
                 .arg("rows100", 8).arg("q100", 6).arg("shown100", 9).arg("max", 6).arg("plain100", 9)
                 .arg("next", 5).arg("shownN", 7).arg("max", 6)
          << Qt::endl;

    std::vector<double> totals, plains, cpus, fills, queries, worstNotText, pageRatios, userMet;
    int variant = 0;
    QStringList emptyPages, overLimit, nextOverLimit, emptyByNext;
    std::vector<double> nexts;
    for (const Case &c : cases()) {
        if (!only.isEmpty() && !c.name.contains(only))
            continue;
        double q[2] = {}, shown[2][2] = {}, plainMs[2] = {};
        int rows[2] = {};
        for (int p = 0; p < 2; ++p) {
            const int page = p == 0 ? 0 : 100;
            std::vector<double> qs, ts, ps;
            for (int run = 0; run < runs; ++run) {
                qs.push_back(queryMs(c.request, page));
                // A different text each time (trailing blanks), so the window queries anew.
                const QString request = c.request + QString(++variant % 97 + 1, QLatin1Char(' '));
                if (page > 0)
                    commitElsewhere();
                const Shown f = showPage(*window, table, paints, request, page);
                ps.push_back(plain.show(paints, [&] { return pageRows(request, page); }));
                rows[p] = f.rows;
                ts.push_back(f.total);
                totals.push_back(f.total);
                plains.push_back(ps.back());
                cpus.push_back(f.cpu);
                fills.push_back(f.fill);
                queries.push_back(qs.back());
                if (!c.freeText)
                    worstNotText.push_back(f.total);
            }
            if (page == 0)
                userMet.insert(userMet.end(), ts.begin(), ts.end());
            if (rows[p] == 0)
                emptyPages << c.name + QStringLiteral(" page ") + QString::number(page);
            q[p] = median(qs);
            shown[p][0] = median(ts);
            shown[p][1] = maxOf(ts);
            plainMs[p] = median(ps);
            if (rows[p] > 0)
                pageRatios.push_back(shown[p][0] / plainMs[p]);
            if (shown[p][1] > 100)
                overLimit << QStringLiteral("%1 p%2 (%3 ms)").arg(c.name).arg(page).arg(shown[p][1], 0, 'f', 0);
        }
        // The way the user reaches a deep page: Next from page 0, one page at a time (a report
        // list has no page jump), up to page 100 or the last page that Next reaches; then that
        // last step again, after the page before it.
        const QString paged = c.request + QString(++variant % 97 + 1, QLatin1Char(' '));
        int reached = 0;
        showPage(*window, table, paints, paged, 0);
        while (reached < 100 && table->rowCount() == ReportListQuery::pageSize())
            showPage(*window, table, paints, paged, ++reached);
        std::vector<double> ns;
        for (int run = 0; reached > 0 && run < runs; ++run) {
            showPage(*window, table, paints, paged, reached - 1);
            ns.push_back(showPage(*window, table, paints, paged, reached).total);
            if (table->rowCount() == 0)
                emptyByNext << c.name + QStringLiteral(" page ") + QString::number(reached);
        }
        userMet.insert(userMet.end(), ns.begin(), ns.end());
        nexts.insert(nexts.end(), ns.begin(), ns.end());
        if (maxOf(ns) > 100)
            nextOverLimit << QStringLiteral("%1 p%2 (%3 ms)").arg(c.name).arg(reached).arg(maxOf(ns), 0, 'f', 0);
        out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14")
                     .arg(c.name + (c.freeText ? QStringLiteral(" (text)") : QString()), -24)
                     .arg(rows[0], 6).arg(q[0], 6, 'f', 1).arg(shown[0][0], 7, 'f', 1).arg(shown[0][1], 6, 'f', 1)
                     .arg(plainMs[0], 7, 'f', 1)
                     .arg(rows[1], 8).arg(q[1], 6, 'f', 1).arg(shown[1][0], 9, 'f', 1).arg(shown[1][1], 6, 'f', 1)
                     .arg(plainMs[1], 9, 'f', 1)
                     .arg(reached > 0 ? QString::number(reached) : QStringLiteral("-"), 5)
                     .arg(ns.empty() ? 0 : median(ns), 7, 'f', 1).arg(maxOf(ns), 6, 'f', 1)
              << Qt::endl;
    }
    out() << Qt::endl << "reports: " << reportCount << ", runs per page: " << runs << ", pages shown: "
          << totals.size() << " (empty pages counted)" << Qt::endl;
    out() << QStringLiteral("page shown, wall:     median %1 ms, max %2 ms")
                 .arg(median(totals), 0, 'f', 1).arg(maxOf(totals), 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("plain view (limit):   median %1 ms, max %2 ms")
                 .arg(median(plains), 0, 'f', 1).arg(maxOf(plains), 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("ratio of the medians: %1x; per page with rows min / median / max %2 / %3 / %4x (goal <= 3.0)")
                 .arg(median(totals) / median(plains), 0, 'f', 2)
                 .arg(pageRatios.empty() ? 0 : *std::min_element(pageRatios.begin(), pageRatios.end()), 0, 'f', 2)
                 .arg(median(pageRatios), 0, 'f', 2)
                 .arg(maxOf(pageRatios), 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("worst page:           %1 ms (goal <= 100); without free-text searches %2 ms")
                 .arg(maxOf(totals), 0, 'f', 1).arg(maxOf(worstNotText), 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("worst page as the user meets it (page 0, or reached by Next): %1 ms (goal <= 100); "
                            "the last step by Next median %2 ms; page 100 at once (the user meets such a page only "
                            "after a sync changed the reports) max %3 ms")
                 .arg(maxOf(userMet), 0, 'f', 1).arg(median(nexts), 0, 'f', 1).arg(maxOf(totals), 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("page shown, thread CPU: median %1 ms; slot alone (query, rows, cell widgets, marks) "
                            "median %2 ms; query alone median %3 ms")
                 .arg(median(cpus), 0, 'f', 1).arg(median(fills), 0, 'f', 1).arg(median(queries), 0, 'f', 1)
          << Qt::endl;
    out() << "pages over 100 ms: " << (overLimit.isEmpty() ? QStringLiteral("none") : overLimit.join(", ")) << Qt::endl;
    out() << "pages by Next over 100 ms: " << (nextOverLimit.isEmpty() ? QStringLiteral("none") : nextOverLimit.join(", "))
          << Qt::endl;
    emptyByNext.removeDuplicates();
    out() << "pages by Next without rows: " << (emptyByNext.isEmpty() ? QStringLiteral("none") : emptyByNext.join(", "))
          << Qt::endl;
    out() << "pages without rows: " << (emptyPages.isEmpty() ? QStringLiteral("none") : emptyPages.join(", "))
          << Qt::endl;
    return 0;
}
