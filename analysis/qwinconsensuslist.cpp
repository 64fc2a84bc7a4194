#include "qwinconsensuslist.h"

#include "columnfit.h"
#include "consensuslistquery.h"
#include "consensuslistrow.h"
#include "analysisformat.h"
#include "globalstate.h"
#include "liststyle.h"

#include <QTableWidget>

namespace {

AnalysisListParams consensusParams()
{
    const QString eps = QStringLiteral("每股收益");
    const QString months = QStringLiteral("3个月内");
    const QString views = QStringLiteral("机构观点");
    const QString success = QStringLiteral("推荐成功率");

    AnalysisListParams p;
    p.columns = {
        {QStringLiteral("股票名称"), {}, 75},
        {QString(), {}, 25},
        {QStringLiteral("行业"), {}, 70},
        {QStringLiteral("机构数"), {months}, 60},
        {QStringLiteral("±"), {months}, 40},
        {QStringLiteral("评级数"), {months}, 60},
        {QStringLiteral("看多"), {views}, 45},
        {QStringLiteral("中性"), {views}, 45},
        {QStringLiteral("看空"), {views}, 45},
        {QStringLiteral("目标价"), {}, 125},
        {QStringLiteral("最新价"), {}, 60},
        {yearCaption(0, false), {eps}, 60},
        {yearCaption(1, true), {eps}, 60},
        {yearCaption(2, true), {eps}, 60},
        {yearCaption(3, true), {eps}, 60},
        {QStringLiteral("复合\n增长率"), {}, 60},
        {QStringLiteral("市盈率\nTTM"), {}, 60},
        {QStringLiteral("PEG"), {}, 55},
        {QStringLiteral("短线"), {success}, 45},
        {QStringLiteral("中线"), {success}, 45},
    };
    p.rowHeight = 36;
    p.fixedSections = {1, 2, 18, 19};
    // Industry, prices and PEG as the given widths would cut them at the program's font.
    p.widest = {{2, WidestText::industry}, {9, WidestText::target}, {10, WidestText::price}, {17, WidestText::peg}};
    p.initialSortSection = 3;
    p.orderSections = {{QStringLiteral("count"), 3}, {QStringLiteral("inc"), 4},  {QStringLiteral("scope"), 9},
                       {QStringLiteral("cagr"), 15}, {QStringLiteral("pe"), 16}, {QStringLiteral("peg"), 17}};
    p.defaultListId = QStringLiteral("CNS_ALL");
    return p;
}

enum Column {
    ColCount = 3,
    ColChange,
    ColRatings,
    ColBull,
    ColNeutral,
    ColBear,
    ColTarget,
    ColClose,
    ColEpsLast,
    ColEpsNext1,
    ColGrowth = 15,
    ColPe,
    ColPeg,
    ColShort,
    ColMiddle,
};

} // namespace

QWinConsensusList::QWinConsensusList(QWidget *parent)
    : QWinStockList(consensusParams(), true, parent)
{
    connect(table, &QTableWidget::doubleClicked, this, &QWinConsensusList::showRatingOfCurrentStock);
}

void QWinConsensusList::showConsensusList(const QString &request, int page)
{
    showListAt(request, page);
}

bool QWinConsensusList::runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section,
                                 Qt::SortOrder order)
{
    return ConsensusListQuery(request, section, order, getListYear()).sql().exec(query);
}

void QWinConsensusList::fillRow(int row, const ListRecord &record)
{
    const ConsensusListRow r = ConsensusListRow::fromRecord(record);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    putStockCells(row, r.code, r.name, r.reports, r.industry, QStringLiteral("今日有报告"));

    QLinkLabel *count = putLabel(row, ColCount, r.count, Qt::AlignCenter, Qt::PlainText, r.hasCount,
                                 &QWinConsensusList::showRatingOfCurrentStock);
    setTextColor(count, r.changeSign > 0 ? QColor(QStringLiteral("red"))
                        : r.changeSign < 0 ? QColor(QStringLiteral("green"))
                                           : QColor());
    putItem(row, ColChange, r.change, Qt::AlignCenter)->setForeground(Qt::gray);
    putLabel(row, ColRatings, r.ratings, Qt::AlignCenter, Qt::PlainText, r.hasRatings,
             &QWinConsensusList::showRatingOfCurrentStock);
    putItem(row, ColBull, r.bull, Qt::AlignCenter);
    putItem(row, ColNeutral, r.neutral, Qt::AlignCenter);
    putItem(row, ColBear, r.bear, Qt::AlignCenter);

    QLinkLabel *target = putLabel(row, ColTarget, r.target.html, Qt::AlignCenter, Qt::RichText, false);
    target->setToolTip(r.target.toolTip);
    putLabel(row, ColClose, r.close, right, Qt::PlainText, false);
    putItem(row, ColEpsLast, r.epsLast, right);
    for (int i = 0; i < 3; ++i) {
        QLinkLabel *eps = putLabel(row, ColEpsNext1 + i, r.epsNext[i].html, right, Qt::RichText, false);
        eps->setToolTip(r.epsNext[i].toolTip);
    }
    putItem(row, ColGrowth, r.growth, right);
    putItem(row, ColPe, r.pe, right);
    putItem(row, ColPeg, r.peg, right);
    putItem(row, ColShort, r.shortSuccess, right);
    putItem(row, ColMiddle, r.middleSuccess, right);
}
