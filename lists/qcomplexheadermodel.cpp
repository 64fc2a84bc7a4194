#include "qcomplexheadermodel.h"

#include <QStandardItemModel>

QComplexHeaderModel::QComplexHeaderModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_items(new QStandardItemModel)
{
}

QComplexHeaderModel::~QComplexHeaderModel()
{
    delete m_items;
}

void QComplexHeaderModel::setColumnCount(const int &count)
{
    m_columnCount = count;
}

void QComplexHeaderModel::setItem(const int &column, QStandardItem *item)
{
    m_items->setItem(0, column, item);
}

int QComplexHeaderModel::rowCount(const QModelIndex &) const
{
    return 0;
}

int QComplexHeaderModel::columnCount(const QModelIndex &) const
{
    return m_columnCount;
}

QVariant QComplexHeaderModel::data(const QModelIndex &, int role) const
{
    if (role != Qt::UserRole)
        return QVariant();
    return QVariant::fromValue<QObject *>(m_items);
}
