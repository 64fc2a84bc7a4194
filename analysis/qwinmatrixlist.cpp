#include "qwinmatrixlist.h"

#include "columnfit.h"
#include "analysisformat.h"
#include "globalstate.h"
#include "liststyle.h"
#include "matrixlistquery.h"
#include "matrixlistrow.h"
#include "stockcache.h"

#include <QTableWidget>

namespace {

AnalysisListParams matrixParams()
{
    const QString roe = QStringLiteral("净资产收益率(ROE)");
    const QString opg = QStringLiteral("营业利润增长率");
    const QString eps = QStringLiteral("每股收益");
    const QString ttm = QStringLiteral("TTM");

    AnalysisListParams p;
    p.columns = {
        {QStringLiteral("股票名称"), {}, 75},
        {QString(), {}, 25},
        {QStringLiteral("行业"), {}, 95},
        {QStringLiteral("价值\n矩阵"), {}, 50},
        {yearCaption(-2, false), {roe}, 55},
        {yearCaption(-1, false), {roe}, 55},
        {yearCaption(0, false), {roe}, 55},
        {ttm, {roe}, 55},
        {yearCaption(-2, false), {opg}, 55},
        {yearCaption(-1, false), {opg}, 55},
        {yearCaption(0, false), {opg}, 55},
        {ttm, {opg}, 55},
        {QStringLiteral("复合\n增长率"), {}, 55},
        {QStringLiteral("最新价"), {}, 55},
        {yearCaption(0, false), {eps}, 60},
        {yearCaption(1, true), {eps}, 60},
        {yearCaption(2, true), {eps}, 60},
        {yearCaption(3, true), {eps}, 60},
        {ttm, {eps}, 60},
        {QStringLiteral("复合\n增长率"), {}, 60},
        {QStringLiteral("市盈率\nTTM"), {}, 60},
        {QStringLiteral("PEG"), {}, 45},
        {QStringLiteral("业绩\n预告"), {}, 50},
    };
    p.rowHeight = 36;
    p.fixedSections = {1, 2, 22};
    // Industry, price and PEG as the given widths would cut them at the program's font.
    p.widest = {{2, WidestText::industry}, {13, WidestText::price}, {21, WidestText::peg}};
    p.initialSortSection = 3;
    p.orderSections = {{QStringLiteral("matrix"), 3, true}};
    p.wordWrap = true;
    p.defaultListId = QStringLiteral("MTX_ALL");
    return p;
}

enum Column { ColLevel = 3, ColRoe, ColGrowth = 8, ColCagrLast = 12, ColPrice, ColEps, ColCagrNext = 19, ColPe,
              ColPeg, ColPreType };

} // namespace

QWinMatrixList::QWinMatrixList(QWidget *parent)
    : QWinStockList(matrixParams(), true, parent)
{
    connect(table, &QTableWidget::doubleClicked, this, &QWinMatrixList::showChartOfCurrentStock);
}

void QWinMatrixList::showMatrixList(const QString &request, int page)
{
    showListAt(request, page);
}

bool QWinMatrixList::runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section,
                              Qt::SortOrder order)
{
    const MatrixListQuery list(request, section, order, getListYear());
    return !list.selectsNothing() && list.sql().exec(query);
}

void QWinMatrixList::fillRow(int row, const ListRecord &record)
{
    const MatrixListRow r = MatrixListRow::fromRecord(record);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    putStockCells(row, r.code, r.name, r.reports, r.industry, QStringLiteral("今日有报告"));

    // The level shown is the stock cache's, the newest snapshot's; the sort used the query's.
    putItem(row, ColLevel, QString(), Qt::AlignLeft | Qt::AlignVCenter);
    auto *level = keptLabel<QCellLabel>(table, row, ColLevel, [](QCellLabel *made) {
        made->setTextFormat(Qt::RichText);
        made->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    });
    level->setText(matrixLevelHtml(getStockMatrixLevel(r.code), getStockMatrixGrade(r.code)));

    for (int i = 0; i < 4; ++i) {
        putItem(row, ColRoe + i, r.roe[i], right);
        putItem(row, ColGrowth + i, r.growth[i], right);
    }
    putItem(row, ColCagrLast, r.cagrLast, right);
    putLabel(row, ColPrice, r.price, right, Qt::PlainText, false);
    for (int i = 0; i < 5; ++i)
        putItem(row, ColEps + i, r.eps[i], right);
    putItem(row, ColCagrNext, r.cagrNext, right);
    putItem(row, ColPe, r.pe, right);
    putItem(row, ColPeg, r.peg, right);
    putItem(row, ColPreType, r.preType, Qt::AlignCenter);
}
