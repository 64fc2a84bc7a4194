#pragma once

#include <QAbstractTableModel>

class QStandardItem;
class QStandardItemModel;

// The model of a multi-level table header. Its only content is a tree of header items:
// the top-level captions are the columns of row 0 of an item model, a group's children are
// the columns of row 0 beneath it. QComplexHeaderView reads the tree through data() with
// Qt::UserRole; the table's own model plays no part in the header.
class QComplexHeaderModel : public QAbstractTableModel
{
public:
    explicit QComplexHeaderModel(QObject *parent = nullptr);
    ~QComplexHeaderModel() override;

    // Emits no model signal, so it must precede QComplexHeaderView::setModel.
    void setColumnCount(const int &count);
    // Column numbers the top-level items, not the leaves; the item model takes ownership.
    void setItem(const int &column, QStandardItem *item);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStandardItemModel *m_items;
    int m_columnCount = 0;
};
