#include "qwinanalysislist.h"

#include "analysisformat.h"
#include "analysislistrequest.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "liststyle.h"
#include "qcomplexheaderview.h"

#include <QLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableWidget>
#include <QWheelEvent>

#include <utility>

namespace {

constexpr int kNotch = 120; // eighths of a degree per wheel notch

} // namespace

int QWinAnalysisList::rowsPerPage() const
{
    return ::rowsPerPage(table->viewport()->height(), m_params.rowHeight);
}

void QWinAnalysisList::showLastList()
{
    if (m_lastRequest.isEmpty())
        emit showList(getOrderJson(m_params.defaultListId), 0);
    else
        emit showList(m_lastRequest, m_lastPage);
}

bool QWinAnalysisList::isFixedSection(int section) const
{
    return m_params.fixedSections.contains(section);
}

int QWinAnalysisList::sectionOfOrder(const QString &order) const
{
    for (const AnalysisListParams::OrderSection &o : m_params.orderSections) {
        if (o.prefix ? order.startsWith(o.order) : order == o.order)
            return o.section;
    }
    return m_params.otherOrderSection;
}

void QWinAnalysisList::showSortIndicator(int section, Qt::SortOrder order)
{
    header->setSortIndicator(section, order);
    header->setSortIndicatorShown(true);
}

void QWinAnalysisList::showListAt(const QString &text, int page)
{
    page = qMax(0, page);
    const AnalysisListRequest request = AnalysisListRequest::parse(text, *m_json);

    int section = header->sortIndicatorSection();
    Qt::SortOrder order = header->sortIndicatorOrder();
    if (isFixedSection(section)) {
        section = m_sortSection;
        order = m_sortOrder;
    }

    showMaximized();
    emit showTitle(request.name);
    // The viewport's height only counts once the window's layout has run.
    if (layout())
        layout()->activate();

    const bool fromPager = std::exchange(m_pagerPage, -1) == page && text == m_lastRequest
                           && section == m_sortSection && order == m_sortOrder;
    if (text == m_lastRequest) {
        if (page == m_lastPage && section == m_sortSection && order == m_sortOrder) {
            showSortIndicator(section, order);
            // Another list may have published its codes meanwhile.
            if (m_params.publishesStockList)
                setCurrentStockList(m_codes);
            emit disablePageAll();
            return;
        }
    } else {
        section = sectionOfOrder(request.order);
        order = request.direct.startsWith(QLatin1String("desc")) ? Qt::DescendingOrder : Qt::AscendingOrder;
    }

    m_lastRequest = text;
    m_lastPage = page;
    m_sortSection = section;
    m_sortOrder = order;
    repaintWithLabels(table);
    if (!fromPager)
        readResult(request, section, order);
    fitRowNumbers(m_records.size());
    const int rows = rowsPerPage();

    const int last = lastPageOf(m_records.size(), rows);
    const int shown = qMin(page, last);
    m_lastPage = shown;
    const int first = shown * rows;
    const int count = qMin(rows, m_records.size() - first);
    keepRows(table, qMax(0, count));
    for (int row = 0; row < count; ++row) {
        table->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(first + row + 1)));
        fillRow(row, m_records.at(first + row));
    }

    showSortIndicator(section, order);
    if (m_params.tintsSortColumn)
        fillSortColBackground();
    markRows();
    if (m_params.publishesStockList)
        setCurrentStockList(m_codes);
    {
        // The page is settled: moving the pager to it must not request it again.
        const QSignalBlocker blocker(pager);
        pager->setMaximum(last);
        pager->setValue(shown);
    }
    layOutPage(table);
    emit disablePageAll();
}

void QWinAnalysisList::fitRowNumbers(int count)
{
    // The row numbers of the whole result, measured as the header measures a section (bold),
    // keep one width on every page: numbers widening after the page is measured would bring
    // up the horizontal scroll bar over its last row.
    const int digits = QString::number(qMax(1, count)).size();
    if (digits == m_rowNumberDigits)
        return;
    m_rowNumberDigits = digits;
    QHeaderView *numbers = table->verticalHeader();
    QStyleOptionHeader option;
    option.initFrom(numbers);
    QFont font = numbers->font();
    font.setBold(true);
    option.fontMetrics = QFontMetrics(font);
    int width = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        option.text = QString(digits, QLatin1Char(digit));
        width = qMax(width, numbers->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), numbers).width());
    }
    numbers->setMinimumWidth(width);
    // Lays the table out now, scroll bars included, so the viewport's height is the page's.
    table->doItemsLayout();
}

void QWinAnalysisList::sortList(int)
{
    emit showList(m_lastRequest, 0);
}

void QWinAnalysisList::pageChanged(int page)
{
    m_pagerPage = page;
    emit showList(m_lastRequest, page);
    m_pagerPage = -1;
}

void QWinAnalysisList::readResult(const AnalysisListRequest &request, int section, Qt::SortOrder order)
{
    m_records.clear();
    m_codes.clear();
    QSqlQuery query(mainDatabase());
    if (!runQuery(query, request, section, order))
        return;
    const int columns = query.record().count();
    while (query.next()) {
        ListRecord record(columns);
        for (int i = 0; i < columns; ++i)
            record[i] = query.value(i);
        m_codes << record.value(0).toString();
        m_records << record;
    }
}

void QWinAnalysisList::fillSortColBackground()
{
    const int column = header->sortIndicatorSection();
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem *item = table->item(row, column))
            item->setData(Qt::BackgroundRole, getSortColumnColor());
    }
}

bool QWinAnalysisList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != table->viewport() || event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    // Horizontal and empty deltas (touchpad phases) turn no page; high-resolution wheels send
    // parts of a notch, which add up to one page per notch.
    const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
    if (delta == 0)
        return false;
    if ((delta > 0) != (m_wheelRest > 0))
        m_wheelRest = 0;
    m_wheelRest += delta;
    const int notches = m_wheelRest / kNotch;
    m_wheelRest -= notches * kNotch;
    if (notches != 0)
        pager->setValue(pager->value() - notches);
    return true;
}

int QWinAnalysisList::currentRow() const
{
    return table->currentRow();
}

QString QWinAnalysisList::currentKey() const
{
    const int row = table->currentRow();
    const QTableWidgetItem *item = row >= 0 ? table->item(row, 0) : nullptr;
    return item ? item->data(Qt::UserRole).toString() : QString();
}

QTableWidgetItem *QWinAnalysisList::putItem(int row, int column, const QString &text, Qt::Alignment alignment)
{
    auto *item = new QTableWidgetItem(text);
    item->setData(Qt::TextAlignmentRole, int(alignment));
    table->setItem(row, column, item);
    return item;
}

QLinkLabel *QWinAnalysisList::putLabel(int row, int column, const QString &text, Qt::Alignment alignment,
                                       Qt::TextFormat format, bool clickable, void (QWinAnalysisList::*slot)())
{
    putItem(row, column, QString(), alignment);
    // Kept from the page before, the label gets all that may differ from row to row.
    QLinkLabel *label = keptLabel<QLinkLabel>(table, row, column, [&](QLinkLabel *made) {
        if (slot)
            connect(made, &QLinkLabel::clicked, this, slot);
    });
    label->setTextFormat(format);
    label->setAlignment(alignment);
    label->setCell(text, getAppFont(), clickable);
    return label;
}
