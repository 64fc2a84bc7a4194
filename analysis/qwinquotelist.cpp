#include "qwinquotelist.h"

#include "columnfit.h"
#include "quotelistquery.h"
#include "quotelistrow.h"

#include <QTableWidget>

namespace {

AnalysisListParams quoteParams()
{
    AnalysisListParams p;
    p.columns = {
        {QStringLiteral("股票名称"), {}, 75},
        {QString(), {}, 25},
        {QStringLiteral("行业"), {}, 95},
        {QStringLiteral("收盘"), {}, 60},
        {QStringLiteral("±%"), {}, 55},
        {QStringLiteral("市盈率\nTTM"), {}, 55},
        {QStringLiteral("市净率\nMRQ"), {}, 60},
    };
    p.rowHeight = 35;
    p.fixedSections = {1, 2};
    // Industry and price as the given widths would cut them at the program's font.
    p.widest = {{2, WidestText::industry}, {3, WidestText::price}};
    p.initialSortSection = 4;
    p.orderSections = {{QStringLiteral("percent"), 4}};
    p.tintsSortColumn = false;
    p.wordWrap = true;
    p.pagerSpacing = 2;
    return p;
}

enum Column { ColPrice = 3, ColChange, ColPe, ColPb };

} // namespace

QWinQuoteList::QWinQuoteList(QWidget *parent)
    : QWinStockList(quoteParams(), false, parent)
{
    connect(table, &QTableWidget::doubleClicked, this, &QWinQuoteList::showChartOfCurrentStock);
}

void QWinQuoteList::showQuoteList(const QString &request, int page)
{
    showListAt(request, page);
}

bool QWinQuoteList::runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section, Qt::SortOrder order)
{
    return QuoteListQuery(request, section, order).sql().exec(query);
}

void QWinQuoteList::fillRow(int row, const ListRecord &record)
{
    const QuoteListRow r = QuoteListRow::fromRecord(record);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    putStockCells(row, r.code, r.name, r.reports, r.industry, QString());
    QTableWidgetItem *price = putItem(row, ColPrice, r.price, right);
    QTableWidgetItem *change = putItem(row, ColChange, r.change, right);
    if (r.changeSign != 0) {
        const QBrush colour(r.changeSign > 0 ? Qt::red : Qt::darkGreen);
        price->setForeground(colour);
        change->setForeground(colour);
    }
    putItem(row, ColPe, r.pe, right);
    putItem(row, ColPb, r.pb, right);
}
