#pragma once

#include "qlinklabel.h"
#include "sparelabels.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPalette>
#include <QTableWidget>
#include <QWidget>

// The text colour of a table's cell label, set through its palette: a style sheet on each of
// a page's hundreds of labels makes every one of them go through style-sheet polishing, which
// cost the rating list about a third of its page fill. An invalid colour gives the label its
// natural colour again (a label kept from the page before may carry another). A label on a
// table's viewport inherits the viewport's Base background, so it paints with Text, not
// WindowText: both are set.
inline void setTextColor(QWidget *w, const QColor &color)
{
    if (!w)
        return;
    if (!color.isValid()) {
        if (w->testAttribute(Qt::WA_SetPalette))
            w->setPalette(QPalette());
        return;
    }
    QPalette palette = w->palette();
    if (w->testAttribute(Qt::WA_SetPalette) && palette.color(QPalette::WindowText) == color
        && palette.color(QPalette::Text) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    w->setPalette(palette);
}

// The first column whose cell in the first row holds a label; -1 before any label was made.
inline int labelColumn(const QTableWidget *table)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        if (table->cellWidget(0, c))
            return c;
    }
    return -1;
}

// Set on a viewport that keepRows() hid for a page's new labels.
inline constexpr char kViewportHiddenForLabels[] = "tamrelHiddenForLabels";

// A list window keeps its cell labels for its life: a new page takes the rows of the page
// before, whose labels get the new page's texts, fonts and colours, and only the rows beyond
// the new count go. Making, polishing, showing and deleting a page of labels cost more than
// all the rest of a page. Like a new page, the kept rows have no selection and no current row,
// and no hover look but under the pointer.
//
// While a page makes new labels the viewport is hidden: a label shown on a visible viewport asks
// the window system where the pointer is (a round trip per label under X), one shown on a hidden
// viewport does not, and showing the viewport again asks once for all of them. layOutPage()
// shows it again.
inline void keepRows(QTableWidget *table, int rows)
{
    table->selectionModel()->clear();
    QLinkLabel::settleHover();
    const int labels = labelColumn(table);
    table->setRowCount(rows);
    QWidget *viewport = table->viewport();
    const bool makesLabels = rows > 0 && (labels < 0 || !table->cellWidget(rows - 1, labels));
    const QWidget *focus = QApplication::focusWidget();
    if (makesLabels && viewport->isVisible() && !(focus && viewport->isAncestorOf(focus))) {
        viewport->hide();
        viewport->setProperty(kViewportHiddenForLabels, true);
    }
}

// Runs a table's context menu at the point of its viewport. The menu holds the pointer while it
// is open, so a link it was opened over hears nothing of the pointer leaving: once the menu is
// gone, the link keeps its hover look only if the pointer is on it.
inline void execCellMenu(QMenu *menu, QTableWidget *table, const QPoint &pos)
{
    menu->exec(table->viewport()->mapToGlobal(pos));
    QLinkLabel::settleHover();
}

// Marks the page's labels for repaint before anything else of the table: the viewport
// beneath them, marked first, paints apart, and then again with the labels over it. Called
// before a page changes the table.
inline void repaintWithLabels(QTableWidget *table)
{
    const int labels = labelColumn(table);
    if (labels >= 0)
        table->cellWidget(0, labels)->update();
}

// Lays the filled page out at once: left to the table's timer, the layout repaints the whole
// page once more after its first paint.
inline void layOutPage(QTableWidget *table)
{
    QWidget *viewport = table->viewport();
    if (viewport->property(kViewportHiddenForLabels).toBool()) {
        viewport->setProperty(kViewportHiddenForLabels, false);
        viewport->show();
    }
    table->doItemsLayout();
}

// A label of the column, made on the viewport, where the table keeps its cell widgets, and
// sized as the cell (a widget shown before it was ever resized takes the size of its size hint
// first), given once by setUp what it keeps on every page (alignment, text format, connections).
template<class L, class SetUp>
L *newLabel(QTableWidget *table, int column, SetUp setUp)
{
    auto *label = new L(table->viewport());
    setUp(label);
    label->resize(table->columnWidth(column), table->verticalHeader()->defaultSectionSize());
    return label;
}

// Makes count labels of the column for the pages to come, polished and hidden.
template<class L, class SetUp>
void makeSpareLabels(QTableWidget *table, int column, int count, SetUp setUp)
{
    SpareLabels *spares = SpareLabels::of(table);
    if (!spares)
        spares = new SpareLabels(table);
    for (int i = 0; i < count; ++i) {
        L *label = newLabel<L>(table, column, setUp);
        label->hide();
        label->ensurePolished();
        spares->add(column, label);
    }
}

// The cell's label kept from an earlier page, else a spare one, else a new one.
template<class L, class SetUp>
L *keptLabel(QTableWidget *table, int row, int column, SetUp setUp)
{
    if (auto *kept = qobject_cast<L *>(table->cellWidget(row, column)))
        return kept;
    L *label = nullptr;
    if (SpareLabels *spares = SpareLabels::of(table))
        label = qobject_cast<L *>(spares->take(column));
    if (!label)
        label = newLabel<L>(table, column, setUp);
    table->setCellWidget(row, column, label);
    return label;
}
