#pragma once

#include "globalstate.h"

#include <QFontMetricsF>
#include <QStyle>
#include <QTableView>

#include <cmath>

// The width a table column needs to show text whole: its advance at the wider of the table's
// font (items) and the application font (cell labels), bold when the rows can be bold, plus
// the item's text margins and the grid line.
inline int fittingColumnWidth(const QTableView *table, const QString &text, bool bold = false)
{
    qreal advance = 0;
    for (QFont font : {table->font(), getAppFont()}) {
        font.setBold(bold);
        advance = qMax(advance, QFontMetricsF(font).horizontalAdvance(text));
    }
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    // The view elides a text whose fractional width passes its room: rounded up, a pixel spare.
    return int(std::ceil(advance)) + 1 + 2 * margin + 1;
}

// Widens the column, never narrows it, so that text shows whole.
inline void widenColumnToFit(QTableView *table, int column, const QString &text, bool bold = false)
{
    table->setColumnWidth(column, qMax(table->columnWidth(column), fittingColumnWidth(table, text, bold)));
}

// The widest texts of the columns that would cut values users need.
namespace WidestText {
inline const QString date = QStringLiteral("00/00/00");
inline const QString price = QStringLiteral("0000.00");
// A price's rise since the rating in percent, to 9999.9; a fall ends at -100.0.
inline const QString change = QStringLiteral("0000.0");
inline const QString adjustedPrice = QStringLiteral("0000.00(*)");
inline const QString target = QStringLiteral("0000.00 ~ 0000.00↑");
inline const QString adjustedTarget = QStringLiteral("0000.00 ~ 0000.00(*)↑");
inline const QString peg = QStringLiteral("000.00");
inline const QString industry = QStringLiteral("汽车及零部件");
} // namespace WidestText
