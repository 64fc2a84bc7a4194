#pragma once

#include "qwinstocklist.h"

// The value-matrix list window: per stock its matrix level and the figures behind it (ROE,
// operating-profit growth, EPS, valuation, the earnings-forecast type).
class QWinMatrixList : public QWinStockList
{
    Q_OBJECT

public:
    explicit QWinMatrixList(QWidget *parent = nullptr);

signals:
    void showMatrixListOfInd(const QString &industry);

public slots:
    void showMatrixList(const QString &request, int page);

protected:
    bool runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section, Qt::SortOrder order) override;
    void fillRow(int row, const ListRecord &record) override;
    void requestIndustryList(const QString &industry) override { emit showMatrixListOfInd(industry); }
};
