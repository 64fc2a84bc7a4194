#include "celllabeldelegate.h"

#include <QWidget>

void CellLabelDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                             const QModelIndex &index) const
{
    if (index.data(Qt::DisplayRole).isNull() && index.data(Qt::DecorationRole).isNull()
        && index.data(Qt::CheckStateRole).isNull()) {
        editor->setGeometry(option.rect);
        return;
    }
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
}
