// Builds a data.s3 of 5,000 listed stocks, each with a current and a previous consensus, five
// years of year-end figures and a matrix level, beside 200,000 research reports, and prints for
// the consensus, value-matrix and quote lists of the whole market: the time of the query alone
// (prepare, run, read every record), of a new list in its window (query, the page's rows and
// cell widgets, marks, pager) and of a page change and a re-sort of the list shown; median and
// maximum over several runs, in milliseconds.
//
// bench_analysislists [--runs N]

#include "analysislistrequest.h"
#include "consensuslistquery.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "matrixlistquery.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "quotelistquery.h"
#include "stockcache.h"
#include "usersettings.h"

#include "benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMdiArea>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <random>

namespace {

constexpr int kStocks = 5000;
constexpr int kReports = 200000;
constexpr int kYear = 2015;

bool fill()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    QSqlDatabase db = mainDatabase();
    db.transaction();
    QSqlQuery q(db);
    const char *prefixes[] = {"600", "601", "603", "000", "001", "002", "300"};
    QStringList codes;
    q.prepare("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, Prc_Date, Prc_Close, "
              "Prc_Change, Prf_5010_TTM, Blc_3010_TTM) values (?, ?, 0, ?, ?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < kStocks; ++i) {
        const QString prefix = prefixes[i % 7];
        const QString code = prefix + QString("%1").arg(i, 3, 10, QChar('0')).right(3)
                             + (prefix.startsWith('6') ? ".SH" : ".SZ");
        if (codes.contains(code))
            continue;
        codes << code;
        const double close = 5 + 50 * u(rng);
        q.addBindValue(code);
        q.addBindValue(QString("股票%1").arg(i));
        q.addBindValue(QString("行业%1,行业%2").arg(i % 40).arg(i % 7));
        q.addBindValue(1e8 * (1 + 10 * u(rng)));
        q.addBindValue(i % 20 ? "2017-01-06" : "2017-01-05");
        q.addBindValue(close);
        q.addBindValue(close * (u(rng) - 0.5) / 10);
        q.addBindValue(1e8 * (u(rng) - 0.1));
        q.addBindValue(1e9 * u(rng));
        if (!q.exec())
            return false;
    }
    q.prepare("insert into T_Consensus (Stk_Code, Cns_Type, Ins_Count, Ins_Count_Bull, Ins_Count_Neutral, "
              "Ins_Count_Bear, Rat_Count, Short_Success, Middle_Success, Min_Price_Lower, Max_Price_Upper, "
              "Prf_5010_Next_1, Prf_5010_Next_2, Prf_5010_Next_3, CAGR_Next, Cns_DtUpdate) "
              "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QString &code : codes) {
        for (const char *type : {"TDY", "LST"}) {
            const int ins = int(20 * u(rng));
            const double lower = 5 + 60 * u(rng);
            const QVariantList values = {code, type, ins, ins / 2, ins / 3, ins - ins / 2 - ins / 3, ins * 2,
                                         100 * u(rng), 100 * u(rng), lower, lower * (1 + u(rng) / 5),
                                         1e8 * u(rng), 1.2e8 * u(rng), 1.4e8 * u(rng), 80 * u(rng) - 10,
                                         type == QLatin1String("TDY") ? "2017-01-06 00:00:00" : "2017-01-01 00:00:00"};
            for (const QVariant &v : values)
                q.addBindValue(v);
            if (!q.exec())
                return false;
        }
    }
    q.prepare("insert into T_Finance (Stk_Code, Fin_Date, Blc_3010, Prf_30, Prf_5010) values (?, ?, ?, ?, ?)");
    for (const QString &code : codes) {
        for (int y = kYear - 3; y <= kYear; ++y) {
            q.addBindValue(code);
            q.addBindValue(QString::number(y) + "-12-31");
            q.addBindValue(1e9 * u(rng));
            q.addBindValue(1e8 * u(rng));
            q.addBindValue(1e8 * (u(rng) - 0.1));
            if (!q.exec())
                return false;
        }
    }
    q.prepare("insert into T_Matrix (Stk_Code, Mtx_Level, OPG_TTM, CAGR_Last, Pre_Type, Mtx_DtUpdate) "
              "values (?, ?, ?, ?, ?, '2017-01-06 00:00:00')");
    for (const QString &code : codes) {
        q.addBindValue(code);
        q.addBindValue(1 + int(9 * u(rng)));
        q.addBindValue(100 * u(rng) - 30);
        q.addBindValue(100 * u(rng) - 30);
        q.addBindValue(u(rng) < 0.2 ? "预增" : "");
        if (!q.exec())
            return false;
    }
    q.prepare("insert into T_Report (Rpt_ID, Stk_Code, Rpt_DtPublish, Rpt_DtEntry, Ins_Name, Rpt_Title) "
              "values (?, ?, ?, ?, '机构', '标题')");
    const QDate last(2017, 1, 6);
    for (int i = 0; i < kReports; ++i) {
        const QDate day = last.addDays(-int(1500 * u(rng) * u(rng)));
        q.addBindValue(i + 1);
        q.addBindValue(codes.at(int(codes.size() * u(rng))));
        q.addBindValue(day.toString("yyyy-MM-dd"));
        q.addBindValue(day.toString("yyyy-MM-dd") + " 10:00:00");
        if (!q.exec())
            return false;
    }
    return db.commit();
}

struct Figures
{
    double median = 0, max = 0;
};

Figures measure(int runs, const std::function<void(int)> &work)
{
    QVector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.last()};
}

void print(const QString &what, const Figures &f)
{
    out() << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(0) << QString::asprintf("%8.1f %8.1f\n", f.median, f.max);
    out().flush();
}

int countRecords(const BoundSql &sql)
{
    QSqlQuery query(mainDatabase());
    int n = 0;
    if (sql.exec(query)) {
        while (query.next())
            ++n;
    }
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int runs = 9;
    const QStringList args = app.arguments();
    if (args.indexOf("--runs") > 0)
        runs = qMax(1, args.value(args.indexOf("--runs") + 1).toInt());

    loadDefaultConfig();
    QTemporaryDir dir;
    if (!dir.isValid() || !initMainDatabase(dir.path()))
        return 1;
    setDataDir(dir.path());
    setListYear(kYear);
    QElapsedTimer build;
    build.start();
    if (!fill())
        return 1;
    loadStockCache();
    out() << "database of " << kStocks << " stocks and " << kReports << " reports built in " << build.elapsed()
          << " ms\n"
          << qSetFieldWidth(44) << Qt::left << "list, step" << qSetFieldWidth(0) << "  median      max (ms)\n";

    JsonScript json;
    const AnalysisListRequest cns = AnalysisListRequest::parse(getOrderJson("CNS_ALL"), json);
    const AnalysisListRequest mtx = AnalysisListRequest::parse(getOrderJson("MTX_ALL"), json);
    const AnalysisListRequest quo = AnalysisListRequest::parse(getOrderJson("QUO_ALL"), json);
    int records = 0;
    print("CNS_ALL query, read all", measure(runs, [&](int) {
              records = countRecords(ConsensusListQuery(cns, 3, Qt::DescendingOrder, kYear).sql());
          }));
    print("MTX_ALL query, read all", measure(runs, [&](int) {
              countRecords(MatrixListQuery(mtx, 3, Qt::DescendingOrder, kYear).sql());
          }));
    print("QUO_ALL query, read all", measure(runs, [&](int) {
              countRecords(QuoteListQuery(quo, 4, Qt::DescendingOrder).sql());
          }));
    out() << "(" << records << " records a list)\n";

    QMdiArea area;
    area.resize(1400, 900);
    area.show();
    auto *consensus = new QWinConsensusList;
    auto *matrix = new QWinMatrixList;
    auto *quote = new QWinQuoteList;
    for (QMdiSubWindow *w : {static_cast<QMdiSubWindow *>(consensus), static_cast<QMdiSubWindow *>(matrix),
                             static_cast<QMdiSubWindow *>(quote)})
        area.addSubWindow(w, Qt::FramelessWindowHint);
    // The main window hands every request straight back.
    QObject::connect(consensus, &QWinAnalysisList::showList, consensus, &QWinConsensusList::showConsensusList);
    QObject::connect(matrix, &QWinAnalysisList::showList, matrix, &QWinMatrixList::showMatrixList);
    QObject::connect(quote, &QWinAnalysisList::showList, quote, &QWinQuoteList::showQuoteList);

    struct Window
    {
        QString name;
        std::function<void(const QString &, int)> show;
        QString request;
        QTableWidget *table;
    };
    const QList<Window> windows = {
        {"CNS_ALL", [&](const QString &r, int p) { consensus->showConsensusList(r, p); }, getOrderJson("CNS_ALL"),
         consensus->findChild<QTableWidget *>()},
        {"MTX_ALL", [&](const QString &r, int p) { matrix->showMatrixList(r, p); }, getOrderJson("MTX_ALL"),
         matrix->findChild<QTableWidget *>()},
        {"QUO_ALL", [&](const QString &r, int p) { quote->showQuoteList(r, p); }, getOrderJson("QUO_ALL"),
         quote->findChild<QTableWidget *>()},
    };
    for (const Window &w : windows) {
        // A new list each run: the request text differs by a blank.
        print(w.name + " new list, page 0", measure(runs, [&](int i) {
                  w.show(w.request + QString(i + 1, ' '), 0);
                  QApplication::processEvents();
              }));
        auto *pager = w.table->parentWidget()->findChild<QScrollBar *>("scbPager");
        print(w.name + " page change by the pager", measure(runs, [&](int i) {
                  pager->setValue(1 + i % 20);
                  QApplication::processEvents();
              }));
        print(w.name + " page asked for anew", measure(runs, [&](int i) {
                  w.show(w.request, 21 + i % 20);
                  QApplication::processEvents();
              }));
        print(w.name + " re-sort (section 0 vs 3/4)", measure(runs, [&](int i) {
                  w.table->horizontalHeader()->setSortIndicator(i % 2 ? 0 : 5, Qt::AscendingOrder);
                  w.show(w.request, 0);
                  QApplication::processEvents();
              }));
        out() << "  (" << w.table->rowCount() << " rows a page)\n";
    }
    return 0;
}
