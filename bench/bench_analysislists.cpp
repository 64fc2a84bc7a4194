// Builds a data.s3 of 5,000 listed stocks, each with a current and a previous consensus, five
// years of year-end figures and a matrix level, beside 200,000 research reports, and prints for
// the consensus, value-matrix and quote lists of the whole market: the time of the query alone
// (prepare, run, read every record), and what the user waits for in the list window (maximized in
// a multiple-document area, with the program's style sheet and font): a new list, a page change
// by one wheel notch and a re-sort, each from the slot through the delete of the old page to the
// end of painting (the event loop runs until a pass paints nothing). Beside the first two the
// limit: the same page's rows in a plain QTableView timed the same way (a new list reads its
// query; a page change takes its rows from the result read before), and the ratio. Median and
// maximum over several runs, in milliseconds. Offscreen unless QT_QPA_PLATFORM says otherwise.
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
#include <QSqlRecord>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWheelEvent>

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

void print(const QString &what, const Figures &f, const Figures &limit = Figures())
{
    out() << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(0) << QString::asprintf("%8.1f %8.1f", f.median, f.max);
    if (limit.median > 0)
        out() << QString::asprintf(" %8.1f %6.2fx (goal <= 3.0)", limit.median, f.median / limit.median);
    out() << "\n";
    out().flush();
}

// Every record of the list's query, read once as the list reads it.
QVector<QVariantList> allRows(const BoundSql &sql)
{
    QVector<QVariantList> rows;
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    if (!sql.exec(query))
        return rows;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << query.value(c);
        rows << row;
    }
    return rows;
}

// Rows [from, from + count) as text.
QVector<QStringList> pageOf(const QVector<QVariantList> &rows, int from, int count)
{
    QVector<QStringList> page;
    for (int i = from; i < qMin(rows.size(), from + count); ++i) {
        QStringList texts;
        for (const QVariant &value : rows.at(i))
            texts << value.toString();
        page << texts;
    }
    return page;
}

void wheelNotch(QWidget *viewport, int delta)
{
    const QPoint at(viewport->width() / 2, viewport->height() / 2);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &event);
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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

    installProgramLook(&app);
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
    PaintCounter paints;
    PlainView plain(area.size());
    runUntilPainted(paints);
    out() << qSetFieldWidth(44) << Qt::left << "list, step" << qSetFieldWidth(0)
          << "  median      max    plain    ratio (ms)\n";

    struct Window
    {
        QString name;
        QMdiSubWindow *window;
        std::function<void(const QString &, int)> show;
        QString request;
        BoundSql sql;
    };
    const QList<Window> windows = {
        {"CNS_ALL", consensus, [&](const QString &r, int p) { consensus->showConsensusList(r, p); },
         getOrderJson("CNS_ALL"), ConsensusListQuery(cns, 3, Qt::DescendingOrder, kYear).sql()},
        {"MTX_ALL", matrix, [&](const QString &r, int p) { matrix->showMatrixList(r, p); }, getOrderJson("MTX_ALL"),
         MatrixListQuery(mtx, 3, Qt::DescendingOrder, kYear).sql()},
        {"QUO_ALL", quote, [&](const QString &r, int p) { quote->showQuoteList(r, p); }, getOrderJson("QUO_ALL"),
         QuoteListQuery(quo, 4, Qt::DescendingOrder).sql()},
    };
    for (const Window &w : windows) {
        w.window->showMaximized();
        auto *table = w.window->findChild<QTableWidget *>();
        // A new list each run: the request text differs by a blank.
        const Figures shown = measure(runs, [&](int i) {
            w.show(w.request + QString(i + 1, ' '), 0);
            runUntilPainted(paints);
        });
        const int pageRows = qMax(1, table->rowCount());
        QVector<QVariantList> all;
        const Figures plainNew = measure(runs, [&](int) {
            plain.show(paints, [&] {
                all = allRows(w.sql);
                return pageOf(all, 0, pageRows);
            });
        });
        print(w.name + " new list, page 0", shown, plainNew);
        // Down one notch, up one notch, in turns.
        print(w.name + " page change by one wheel notch",
              measure(runs, [&](int i) {
                  wheelNotch(table->viewport(), i % 2 ? 120 : -120);
                  runUntilPainted(paints);
              }),
              measure(runs, [&](int i) { plain.show(paints, [&] { return pageOf(all, i % 2 ? 0 : pageRows, pageRows); }); }));
        print(w.name + " re-sort (section 0 vs 3/4)", measure(runs, [&](int i) {
                  table->horizontalHeader()->setSortIndicator(i % 2 ? 0 : 5, Qt::AscendingOrder);
                  w.show(w.request, 0);
                  runUntilPainted(paints);
              }));
        out() << "  (" << table->rowCount() << " rows a page)\n";
    }
    return 0;
}
