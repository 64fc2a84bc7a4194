#pragma once

#include "qwinstocklist.h"

// The consensus-expectation list window: per stock the brokers' consensus (institutions,
// views, target range and upside, EPS of the next years, growth, PE, PEG, success rates).
class QWinConsensusList : public QWinStockList
{
    Q_OBJECT

public:
    explicit QWinConsensusList(QWidget *parent = nullptr);

signals:
    void showConsensusListOfInd(const QString &industry);

public slots:
    void showConsensusList(const QString &request, int page);

protected:
    bool runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section, Qt::SortOrder order) override;
    void fillRow(int row, const ListRecord &record) override;
    void requestIndustryList(const QString &industry) override { emit showConsensusListOfInd(industry); }
};
