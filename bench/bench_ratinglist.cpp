// Builds a data.s3 of 1,000,000 stock ratings over six years, each with its report, estimates
// for most of them, annual figures and stocks with prices, and prints, for the rating lists
// that matter most and every other rating list of the configuration, the time of the query
// alone (prepare, run, read every row) and what the user waits for when a page is shown: the
// rating list window maximized in a multiple-document area, with the program's style sheet and
// font, from the slot (query, rows, cell widgets, marks) through the delete of the old page to the
// end of painting (the event loop runs until a pass paints nothing); beside it the limit, the same
// page's rows from the same SQL in a plain QTableView timed the same way, and the ratio. Medians
// and maxima over several runs, in milliseconds. Offscreen unless QT_QPA_PLATFORM says otherwise.
//
// bench_ratinglist [--db DIR] [--runs N] [--only TEXT] [--keep-schema]
//   --db DIR        keep the database in DIR and reuse it when it is already there
//   --only TEXT     measure only the lists whose name contains TEXT
//   --keep-schema   do not add the indexes of the schema that a reused database lacks

#include "analystaward.h"
#include "analystcache.h"
#include "analystlistfunction.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qwinratinglist.h"
#include "ratinglistquery.h"
#include "ratinglistrequest.h"
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

#include <algorithm>
#include <cmath>
#include <ctime>
#include "benchsupport.h"

#include <random>
#include <vector>

namespace {

constexpr int kRatings = 1000000;
constexpr int kStocks = 3000;
constexpr int kInstitutions = 80;
constexpr int kAnalystsPerInst = 40; // ids 1001.., institution by institution
const QDate kFirstDay(2011, 1, 3);
const QDate kLastDay(2017, 1, 6);
constexpr int kListYear = 2015;

using Rng = std::mt19937;

std::vector<double> zipf(int n, double s)
{
    std::vector<double> w(n);
    for (int i = 0; i < n; ++i)
        w[i] = 1.0 / std::pow(i + 1, s);
    return w;
}

// Shanghai main board, then Shenzhen main board, SME board (002) and ChiNext (300).
QString stockCode(int i)
{
    if (i < kStocks / 2)
        return QStringLiteral("%1.SH").arg(600000 + i);
    const int k = i - kStocks / 2;
    const int segment = k % 3;
    const int base = segment == 0 ? 1 : segment == 1 ? 2001 : 300001;
    return QStringLiteral("%1.SZ").arg(base + k / 3, 6, 10, QLatin1Char('0'));
}

QString institution(int i)
{
    return i == 0 ? QStringLiteral("中信证券") : QStringLiteral("机构%1证券").arg(i);
}

int analystId(int inst, int k)
{
    return 1001 + inst * kAnalystsPerInst + k;
}

bool run(QSqlQuery &q)
{
    if (q.exec())
        return true;
    out() << "statement failed: " << q.lastError().text() << Qt::endl;
    return false;
}

bool buildReference(QSqlDatabase db, Rng &rng)
{
    std::uniform_real_distribution<double> price(3, 120), share(1e8, 5e9);
    QSqlQuery stock(db), finance(db), analyst(db);
    stock.prepare("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, Prc_Close, Prc_Factor, "
                  "Prf_5010_TTM) values (?, ?, 0, ?, ?, ?, ?, ?)");
    finance.prepare("insert into T_Finance (Stk_Code, Fin_Date, Prf_5010) values (?, ?, ?)");
    for (int i = 0; i < kStocks; ++i) {
        const double shares = share(rng);
        const double profit = shares * price(rng) / 25;
        stock.addBindValue(stockCode(i));
        stock.addBindValue(QStringLiteral("股票%1").arg(i));
        stock.addBindValue(QStringLiteral("行业%1").arg(i % 28));
        stock.addBindValue(shares);
        stock.addBindValue(price(rng));
        stock.addBindValue(i % 7 == 0 ? 1.2 : 1.0);
        stock.addBindValue(profit);
        if (!run(stock))
            return false;
        for (int year : {kListYear - 1, kListYear}) {
            finance.addBindValue(stockCode(i));
            finance.addBindValue(QStringLiteral("%1-12-31").arg(year));
            finance.addBindValue(profit * (year == kListYear ? 1.0 : 0.9));
            if (!run(finance))
                return false;
        }
    }
    analyst.prepare("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, Anl_New, "
                    "Anl_DtUpdate) values (?, ?, ?, ?, '', 24, 1, '2017-01-01 00:00:00')");
    for (int inst = 0; inst < kInstitutions; ++inst) {
        for (int k = 0; k < kAnalystsPerInst; ++k) {
            const int id = analystId(inst, k);
            analyst.addBindValue(id);
            analyst.addBindValue(id);
            analyst.addBindValue(QStringLiteral("分析师%1").arg(id));
            analyst.addBindValue(institution(inst));
            if (!run(analyst))
                return false;
        }
    }
    return true;
}

bool buildDatabase(QSqlDatabase db)
{
    Rng rng(20170106);
    if (!db.transaction() || !buildReference(db, rng))
        return false;

    const std::vector<double> instWeights = zipf(kInstitutions, 1.0);
    std::discrete_distribution<int> instOf(instWeights.begin(), instWeights.end());
    const std::vector<double> stockWeights = zipf(kStocks, 0.8);
    std::discrete_distribution<int> stockOf(stockWeights.begin(), stockWeights.end());
    // Within an institution, a few analysts write most ratings.
    const std::vector<double> analystWeights = zipf(kAnalystsPerInst, 1.2);
    std::discrete_distribution<int> analystOf(analystWeights.begin(), analystWeights.end());
    std::uniform_real_distribution<double> unit(0, 1), price(3, 120);
    std::uniform_int_distribution<int> second(7 * 3600, 22 * 3600), score(1, 5);
    const int days = kFirstDay.daysTo(kLastDay) + 1;

    std::vector<qint64> seconds(kRatings);
    for (int i = 0; i < kRatings; ++i)
        seconds[i] = qint64(i == kRatings - 1 ? days - 1 : int(unit(rng) * days)) * 86400 + second(rng);
    std::sort(seconds.begin(), seconds.end());

    QSqlQuery report(db), rating(db), estimate(db), recommend(db);
    report.prepare("insert into T_Report (Rpt_ID, Rpt_Code, Ins_Name, Anl_List, Rpt_Title, Rpt_DtPublish, "
                   "Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, Stk_Code, Rpt_Readed) values (?, 'STK.COM@CN', ?, ?, ?, ?, ?, ?, "
                   "'PDF', ?, 1)");
    rating.prepare("insert into T_Rating (Rpt_ID, Ins_Name, Anl_List, Rpt_DtPublish, Stk_Code, Rat_Recomm, Rat_Score, "
                   "Rat_Action, Rat_PrcPub, Rat_PrcFac, Rat_PrcLower, Rat_PrcUpper, Rat_PerformShort, "
                   "Rat_PerformMiddle, Rpt_ID_Pre, Rat_New, Rpt_DtEntry, Rat_Readed) "
                   "values (?, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, ?, ?, ?, ?)");
    estimate.prepare("insert into T_Estimate (Rpt_ID, Est_Period, Stk_Code, Est_NetProfit) values (?, ?, ?, ?)");
    recommend.prepare("insert into T_Recommend (Rpt_ID, Rcm_DtAdd) values (?, ?)");
    const char *actions = "IUMMMD";
    const char *recomms[] = {"卖出", "减持", "中性", "增持", "买入"};
    // The institution's last rating of each stock, for the previous rating.
    std::vector<std::vector<qint64>> last(kInstitutions, std::vector<qint64>(kStocks, 0));
    const QDateTime base(kFirstDay, QTime(0, 0));
    for (int i = 0; i < kRatings; ++i) {
        const qint64 id = i + 1;
        const QDateTime entry = base.addSecs(seconds[i]);
        const QString publish = entry.date().toString(QStringLiteral("yyyy-MM-dd"));
        const QString stamp = entry.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const int inst = instOf(rng), s = stockOf(rng), sc = score(rng);
        const int a = analystId(inst, analystOf(rng));
        const QString anl = QStringLiteral("分析师%1[%1]").arg(a);
        const double pub = price(rng);
        const double lower = unit(rng) < 0.6 ? pub * (1 + unit(rng) * 0.6) : 0;
        const qint64 pre = last[inst][s];
        last[inst][s] = id;

        for (const QVariant &v : QVariantList{id, institution(inst), anl, QStringLiteral("股票%1点评").arg(s), publish,
                                              int(unit(rng) * 40), stamp, stockCode(s)})
            report.addBindValue(v);
        for (const QVariant &v : QVariantList{id, institution(inst), anl, publish, stockCode(s), recomms[sc - 1], sc,
                                              QString(QLatin1Char(actions[int(unit(rng) * 6)])), pub, lower,
                                              lower * (unit(rng) < 0.3 ? 1.1 : 1), unit(rng) * 60 - 20,
                                              unit(rng) * 80 - 20, pre ? QVariant(pre) : QVariant(0),
                                              i > kRatings - 20000 && unit(rng) < 0.5 ? 1 : 0, stamp,
                                              unit(rng) < 0.8 ? 1 : 0})
            rating.addBindValue(v);
        if (!run(report) || !run(rating))
            return false;
        if (unit(rng) < 0.6) {
            for (int n = 1; n <= 3; ++n) {
                estimate.addBindValue(id);
                estimate.addBindValue(QStringLiteral("%1Q4").arg(kListYear + n));
                estimate.addBindValue(stockCode(s));
                estimate.addBindValue(1e8 * (1 + n * 0.2) * (0.5 + unit(rng)));
                if (!run(estimate))
                    return false;
            }
        }
        if (unit(rng) < 0.01) {
            recommend.addBindValue(id);
            recommend.addBindValue(stamp);
            if (!run(recommend))
                return false;
        }
        if ((i + 1) % 200000 == 0)
            out() << "  " << (i + 1) << " ratings" << Qt::endl;
    }
    return db.commit();
}

struct Case
{
    QString name;
    QString request;
    int page;
};

QString fill(QString text, const QList<QPair<QString, QString>> &values)
{
    for (const auto &kv : values)
        text.replace(QLatin1Char('%') + kv.first + QLatin1Char('%'), kv.second);
    return text;
}

int ratingsOf(const QString &where, const QVariant &value)
{
    QSqlQuery q(mainDatabase());
    q.prepare(QStringLiteral("select count(*) from T_Rating where ") + where);
    q.addBindValue(value);
    return q.exec() && q.next() ? q.value(0).toInt() : -1;
}

QList<Case> cases()
{
    const QString rareStock = stockCode(kStocks - 1);
    // The least-writing analyst of a mid-sized institution.
    const QString fewAnalyst = QString::number(analystId(5, kAnalystsPerInst - 1));
    out() << "rare stock " << rareStock << ": " << ratingsOf("Stk_Code = ?", rareStock) << " ratings; analyst "
          << fewAnalyst << ": " << ratingsOf("Anl_List like ?", "%[" + fewAnalyst + "]%") << " ratings" << Qt::endl;
    const QList<QPair<QString, QString>> values = {{"inst", institution(0)}, {"stkCode", rareStock},
                                                   {"stkName", "股票"},        {"anlID", fewAnalyst},
                                                   {"anlName", ""},            {"ind", "行业3"},
                                                   {"block", "自选板块"}};
    QList<Case> list = {
        {"RAT_NEW", getOrderJson("RAT_NEW"), 0},
        {"RAT_NEW", getOrderJson("RAT_NEW"), 200},
        {"RAT_STK rare", fill(getOrderJson("RAT_STK"), values), 0},
        {"RAT_INS", fill(getOrderJson("RAT_INS"), values), 0},
        {"RAT_ANL few", fill(getOrderJson("RAT_ANL"), values), 0},
    };
    QSettings config(QStringLiteral(":/config.ini"), QSettings::IniFormat);
    config.setIniCodec("UTF-8");
    config.beginGroup(QStringLiteral("Orders"));
    QStringList keys = config.childKeys();
    std::sort(keys.begin(), keys.end());
    for (const QString &key : keys) {
        const QString text = fill(config.value(key).toString(), values);
        JsonScript json;
        const RatingListRequest r = RatingListRequest::parse(text, json);
        if (r.id.startsWith(QLatin1String("RAT_")) && r.id != QLatin1String("RAT_NEW") && r.id != QLatin1String("RAT_STK")
            && r.id != QLatin1String("RAT_INS") && r.id != QLatin1String("RAT_ANL"))
            list.append({r.id, text, 0});
    }
    return list;
}

// The page's rows as the list reads them.
QVector<QStringList> pageRows(const QString &request, int page)
{
    JsonScript json;
    QSqlDatabase db = mainDatabase();
    const RatingListQuery statement(RatingListRequest::parse(request, json), page, installAnalystListFunction(db));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (statement.exec(query))
        return PlainView::rowsOf(query);
    if (!statement.selectsNothing())
        out() << "query failed: " << query.lastError().text() << Qt::endl;
    return {};
}

double queryMs(const QString &request, int page, int *rows)
{
    QElapsedTimer timer;
    timer.start();
    *rows = pageRows(request, page).size();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString dbDir, only;
    int runs = 7;
    const QStringList args = app.arguments();
    const bool keepSchema = args.contains(QStringLiteral("--keep-schema"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--db"))
            dbDir = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--only"))
            only = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--runs"))
            runs = qMax(1, args.at(i + 1).toInt());
    }
    QTemporaryDir temp;
    if (dbDir.isEmpty())
        dbDir = temp.path();

    loadDefaultConfig();
    if (!openBenchDatabase(dbDir, keepSchema, QString::number(kRatings) + QStringLiteral(" ratings"), buildDatabase))
        return 1;
    setListYear(kListYear);
    loadStockCache();
    loadAnalystCache();
    loadAnalystAwardTable();
    QStringList block;
    for (int i = 0; i < 30; ++i)
        block << stockCode(i * 53 + 5);
    addBlockStock(QStringLiteral("自选板块"), block.join(QLatin1Char(',')), false);
    for (int inst : {0, 3, 7})
        addToConcernedInstList(institution(inst));
    for (int k : {0, 5, 39})
        addToConcernedAnalystList(QString::number(analystId(2, k)));
    setMaskedInstList(institution(79));
    setPageSize(50);

    installProgramLook(&app);
    QMdiArea area;
    auto *window = new QWinRatingList;
    area.addSubWindow(window);
    window->showMaximized();
    area.resize(1300, 720);
    area.show();
    PaintCounter paints;
    PlainView plain(area.size());
    runUntilPainted(paints);

    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg("list", -22).arg("page", 5).arg("q med", 8)
                 .arg("shown med", 10).arg("max", 8).arg("plain med", 10).arg("ratio", 6)
          << "  cpu med  rows" << Qt::endl;
    std::vector<double> shownAll, plainAll, ratios;
    int variant = 0;
    for (const Case &c : cases()) {
        if (!only.isEmpty() && !c.name.contains(only))
            continue;
        std::vector<double> qs, ts, ps, cs;
        int rows = 0;
        for (int r = 0; r < runs; ++r) {
            qs.push_back(queryMs(c.request, c.page, &rows));
            const QString request = c.request + QString(++variant % 97 + 1, QLatin1Char(' '));
            QElapsedTimer timer;
            timer.start();
            const double cpuStart = threadCpuMs();
            window->showRatingList(request, c.page);
            runUntilPainted(paints);
            ts.push_back(timer.nsecsElapsed() / 1e6);
            cs.push_back(threadCpuMs() - cpuStart);
            ps.push_back(plain.show(paints, [&] { return pageRows(request, c.page); }));
        }
        shownAll.insert(shownAll.end(), ts.begin(), ts.end());
        plainAll.insert(plainAll.end(), ps.begin(), ps.end());
        ratios.push_back(median(ts) / median(ps));
        out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(c.name, -22).arg(c.page, 5).arg(median(qs), 8, 'f', 1)
                     .arg(median(ts), 10, 'f', 1).arg(*std::max_element(ts.begin(), ts.end()), 8, 'f', 1)
                     .arg(median(ps), 10, 'f', 1).arg(ratios.back(), 6, 'f', 2)
              << QStringLiteral(" %1").arg(median(cs), 8, 'f', 1) << "  " << rows << Qt::endl;
    }
    out() << QStringLiteral("page shown over all lists: median %1 ms, max %2 ms; plain view (limit) median %3 ms; "
                            "ratio of the medians %4x (goal <= 3.0), per list min / median / max %5 / %6 / %7")
                 .arg(median(shownAll), 0, 'f', 1)
                 .arg(shownAll.empty() ? 0 : *std::max_element(shownAll.begin(), shownAll.end()), 0, 'f', 1)
                 .arg(median(plainAll), 0, 'f', 1)
                 .arg(median(shownAll) / median(plainAll), 0, 'f', 2)
                 .arg(ratios.empty() ? 0 : *std::min_element(ratios.begin(), ratios.end()), 0, 'f', 2)
                 .arg(median(ratios), 0, 'f', 2)
                 .arg(ratios.empty() ? 0 : *std::max_element(ratios.begin(), ratios.end()), 0, 'f', 2)
          << Qt::endl;
    return 0;
}
