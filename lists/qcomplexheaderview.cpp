#include "qcomplexheaderview.h"

#include <QPainter>
#include <QPointer>
#include <QStyleOptionHeader>

struct QComplexHeaderView::Private
{
    QPointer<QAbstractItemModel> items;
};

namespace {

QModelIndex childOf(const QAbstractItemModel *model, const QModelIndex &item, int column)
{
    return model->index(0, column, item);
}

QModelIndex findLeafItem(const QAbstractItemModel *model, const QModelIndex &item, int section,
                         int &counter)
{
    const int children = model->columnCount(item);
    if (children == 0) {
        ++counter;
        return counter == section ? item : QModelIndex();
    }
    for (int column = 0; column < children; ++column) {
        const QModelIndex found = findLeafItem(model, childOf(model, item, column), section, counter);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

QModelIndexList collectLeafItems(const QAbstractItemModel *model, const QModelIndex &item)
{
    const int children = model->columnCount(item);
    if (children == 0)
        return {item};
    QModelIndexList leaves;
    for (int column = 0; column < children; ++column)
        leaves += collectLeafItems(model, childOf(model, item, column));
    return leaves;
}

} // namespace

QComplexHeaderView::QComplexHeaderView(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
    , d(new Private)
{
    connect(this, &QHeaderView::sectionResized, this, &QComplexHeaderView::on_sectionResized);
}

QComplexHeaderView::~QComplexHeaderView()
{
    delete d;
}

void QComplexHeaderView::setModel(QAbstractItemModel *model)
{
    d->items.clear();
    if (model) {
        const int role = orientation() == Qt::Horizontal ? Qt::UserRole : Qt::UserRole + 1;
        const QVariant tree = model->data(QModelIndex(), role);
        if (tree.isValid())
            d->items = qobject_cast<QAbstractItemModel *>(tree.value<QObject *>());
    }
    QHeaderView::setModel(model);
    if (!model)
        return;
    const int n = orientation() == Qt::Horizontal ? model->columnCount() : model->rowCount();
    if (n != 0)
        initializeSections(0, n - 1);
}

QModelIndex QComplexHeaderView::leafItemOfSection(int section) const
{
    const QAbstractItemModel *model = d->items.data();
    if (!model)
        return QModelIndex();
    int counter = -1;
    const int topLevel = model->columnCount();
    for (int column = 0; column < topLevel; ++column) {
        const QModelIndex found = findLeafItem(model, model->index(0, column), section, counter);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

QModelIndexList QComplexHeaderView::leafItemsUnder(const QModelIndex &item) const
{
    const QAbstractItemModel *model = d->items.data();
    QModelIndexList leaves;
    const int children = model->columnCount(item);
    for (int column = 0; column < children; ++column)
        leaves += collectLeafItems(model, childOf(model, item, column));
    return leaves;
}

QModelIndex QComplexHeaderView::topLevelItemOf(QModelIndex item) const
{
    while (item.parent().isValid())
        item = item.parent();
    return item;
}

QStyleOptionHeader QComplexHeaderView::sectionStyleOption(int section) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    if (window()->isActiveWindow())
        option.state |= QStyle::State_Active;
    option.textAlignment = Qt::AlignCenter;
    option.iconAlignment = Qt::AlignVCenter;
    option.section = section;

    const int visual = visualIndex(section);
    if (count() == 1)
        option.position = QStyleOptionHeader::OnlyOneSection;
    else if (visual == 0)
        option.position = QStyleOptionHeader::Beginning;
    else if (visual == count() - 1)
        option.position = QStyleOptionHeader::End;
    else
        option.position = QStyleOptionHeader::Middle;

    const QItemSelectionModel *selection = selectionModel();
    if (!selection)
        return option;
    const bool horizontal = orientation() == Qt::Horizontal;
    const QModelIndex root = rootIndex();
    auto intersects = [&](int s) {
        return horizontal ? selection->columnIntersectsSelection(s, root)
                          : selection->rowIntersectsSelection(s, root);
    };
    auto selected = [&](int s) {
        return horizontal ? selection->isColumnSelected(s, root) : selection->isRowSelected(s, root);
    };
    if (sectionsClickable() && highlightSections()) {
        if (intersects(section))
            option.state |= QStyle::State_On;
        if (selected(section))
            option.state |= QStyle::State_Sunken;
    }
    const bool previous = visual > 0 && selected(logicalIndex(visual - 1));
    const bool next = visual < count() - 1 && selected(logicalIndex(visual + 1));
    if (previous && next)
        option.selectedPosition = QStyleOptionHeader::NextAndPreviousAreSelected;
    else if (previous)
        option.selectedPosition = QStyleOptionHeader::PreviousIsSelected;
    else if (next)
        option.selectedPosition = QStyleOptionHeader::NextIsSelected;
    else
        option.selectedPosition = QStyleOptionHeader::NotAdjacent;
    return option;
}

QSize QComplexHeaderView::headerCellSize(const QModelIndex &item,
                                         const QStyleOptionHeader &option) const
{
    const QVariant hint = item.data(Qt::SizeHintRole);
    const QSize minimum = hint.isValid() ? hint.toSize() : QSize();

    QFont captionFont = font();
    const QVariant itemFont = item.data(Qt::FontRole);
    if (itemFont.isValid() && itemFont.canConvert<QFont>())
        captionFont = itemFont.value<QFont>();
    captionFont.setWeight(QFont::Bold);

    const QFontMetrics metrics(captionFont);
    QSize text = metrics.size(0, item.data(Qt::DisplayRole).toString());
    if (item.data(Qt::UserRole).isValid())
        text.transpose();
    const QSize decoration = style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    const QSize empty = metrics.size(0, QString());

    return QSize(qMax(minimum.width(), text.width() + decoration.width() - empty.width()),
                 qMax(minimum.height(), text.height() + decoration.height() - empty.height()));
}

QSize QComplexHeaderView::sectionSizeFromContents(int logicalIndex) const
{
    const QModelIndex leaf = leafItemOfSection(logicalIndex);
    if (!leaf.isValid())
        return QHeaderView::sectionSizeFromContents(logicalIndex);
    const QStyleOptionHeader option = sectionStyleOption(logicalIndex);
    QSize size = headerCellSize(leaf, option);
    for (QModelIndex ancestor = leaf.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        const QSize cell = headerCellSize(ancestor, option);
        if (orientation() == Qt::Horizontal)
            size.rheight() += cell.height();
        else
            size.rwidth() += cell.width();
    }
    return size;
}

void QComplexHeaderView::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    const QModelIndex leaf = rect.isValid() ? leafItemOfSection(logicalIndex) : QModelIndex();
    if (!leaf.isValid()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const QStyleOptionHeader option = sectionStyleOption(logicalIndex);
    QModelIndexList chain;
    for (QModelIndex cell = leaf; cell.isValid(); cell = cell.parent())
        chain.prepend(cell);
    const QPointF brushOrigin = painter->brushOrigin();

    const bool horizontal = orientation() == Qt::Horizontal;
    // Offset across the levels: down a horizontal header, rightwards along a vertical one.
    int depth = horizontal ? rect.y() : rect.x();
    for (const QModelIndex &cell : qAsConst(chain)) {
        const bool isLeaf = cell == leaf;
        const QSize size = headerCellSize(cell, option);
        int thickness = horizontal ? size.height() : size.width();
        if (isLeaf)
            thickness = (horizontal ? rect.height() : rect.width()) - (depth - (horizontal ? rect.y() : rect.x()));

        // The span along the header: from the cell's first leaf to its last.
        const QModelIndexList leaves = leafItemsUnder(cell);
        int start = horizontal ? rect.left() : rect.top();
        int length = sectionSize(logicalIndex);
        if (!leaves.isEmpty()) {
            const int n = leaves.indexOf(leaf);
            for (int s = logicalIndex - n; s < logicalIndex; ++s)
                start -= sectionSize(s);
            length = 0;
            for (int s = logicalIndex - n; s < logicalIndex - n + leaves.size(); ++s)
                length += sectionSize(s);
        }
        const QRect cellRect = horizontal ? QRect(start, depth, length, thickness)
                                          : QRect(depth, start, thickness, length);
        QStyleOptionHeader cellOption = option;
        if (!isLeaf)
            cellOption.state &= ~(QStyle::State_Sunken | QStyle::State_On);
        paintCell(painter, cell, cellOption, cellRect);
        depth += thickness;
    }
    painter->setBrushOrigin(brushOrigin);
}

void QComplexHeaderView::paintCell(QPainter *painter, const QModelIndex &cell,
                                   QStyleOptionHeader option, const QRect &cellRect) const
{
    const QVariant foreground = cell.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>())
        option.palette.setBrush(QPalette::ButtonText, foreground.value<QBrush>());
    const QVariant background = cell.data(Qt::BackgroundRole);
    if (background.canConvert<QBrush>()) {
        option.palette.setBrush(QPalette::Button, background.value<QBrush>());
        option.palette.setBrush(QPalette::Window, background.value<QBrush>());
    }
    option.text = cell.data(Qt::DisplayRole).toString();
    option.rect = cellRect;

    painter->save();
    if (cell.data(Qt::UserRole).isValid()) {
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        QTransform rotation;
        rotation.rotate(-90);
        painter->setWorldTransform(rotation, true);
        const QPoint centre = cellRect.center();
        QRect turned(0, 0, cellRect.height(), cellRect.width());
        turned.moveCenter(QPoint(-centre.y(), centre.x()));
        option.rect = turned;
        style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
    } else {
        style()->drawControl(QStyle::CE_Header, &option, painter, this);
    }
    painter->restore();
}

void QComplexHeaderView::on_sectionResized(int logicalIndex)
{
    if (isSectionHidden(logicalIndex))
        return;
    const QModelIndex leaf = leafItemOfSection(logicalIndex);
    if (!leaf.isValid())
        return;
    const int n = leafItemsUnder(topLevelItemOf(leaf)).indexOf(leaf);
    QWidget *port = viewport();
    const int w = port->width();
    const int h = port->height();
    for (int s = logicalIndex - 1; s >= logicalIndex - n; --s) {
        const int pos = sectionViewportPosition(s);
        QRect area;
        if (orientation() == Qt::Vertical)
            area = QRect(0, pos, w, h - pos);
        else if (isRightToLeft())
            area = QRect(0, 0, pos + sectionSize(s), h);
        else
            area = QRect(pos, 0, w - pos, h);
        port->update(area.normalized());
    }
}
