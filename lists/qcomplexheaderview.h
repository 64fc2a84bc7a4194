#pragma once

#include <QHeaderView>
#include <QModelIndexList>

class QStyleOptionHeader;

// A header that paints each section as the chain of captions from its top-level item down
// to its own caption, a group caption spanning all leaves beneath it. The caption tree comes
// from the model's data() at the root index, role Qt::UserRole (Qt::UserRole + 1 for a
// vertical header), as QComplexHeaderModel hands it over; without a tree, and for sections
// without a leaf, the header paints and sizes like a plain QHeaderView.
class QComplexHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    explicit QComplexHeaderView(Qt::Orientation orientation, QWidget *parent = nullptr);
    ~QComplexHeaderView() override;

    void setModel(QAbstractItemModel *model) override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private slots:
    void on_sectionResized(int logicalIndex);

private:
    QModelIndex leafItemOfSection(int section) const;
    QModelIndexList leafItemsUnder(const QModelIndex &item) const;
    QModelIndex topLevelItemOf(QModelIndex item) const;
    QSize headerCellSize(const QModelIndex &item, const QStyleOptionHeader &option) const;
    QStyleOptionHeader sectionStyleOption(int section) const;
    void paintCell(QPainter *painter, const QModelIndex &cell, QStyleOptionHeader option,
                   const QRect &cellRect) const;

    struct Private;
    Private *d;
};
