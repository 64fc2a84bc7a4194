#pragma once

#include "qwinstocklist.h"

// The quote list window: per stock its close, change in percent, PE and PB. It has no
// context menu and no tint of the sorted column.
class QWinQuoteList : public QWinStockList
{
    Q_OBJECT

public:
    explicit QWinQuoteList(QWidget *parent = nullptr);

signals:
    void showQuoteListOfInd(const QString &industry);

public slots:
    void showQuoteList(const QString &request, int page);

protected:
    bool runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section, Qt::SortOrder order) override;
    void fillRow(int row, const ListRecord &record) override;
    void requestIndustryList(const QString &industry) override { emit showQuoteListOfInd(industry); }
};
