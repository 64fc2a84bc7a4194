#pragma once

#include <QStyledItemDelegate>

// The item delegate of a table whose cells hold labels (cell widgets) over their items. A label
// over a blank item (no text, icon or check box) takes the whole cell, as the style's text
// rectangle gives it under the program's style sheet, without asking the style: a page asks for
// every label's place, twice when a page first fills the table, and the style's answer cost a
// fifth of filling a page. Any other item goes to the style as before.
class CellLabelDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
};
