#pragma once

#include "qwinanalysislist.h"

class QAction;
class QMenu;

// An analysis list of stocks (consensus, value matrix, quotes): column 0 carries the stock
// code, column 1 the report point, column 2 the industry; stocks of the user's blocks are
// marked red. With a context menu the rows open the stock's reports, ratings and chart, go
// into blocks and are copied to the clipboard.
class QWinStockList : public QWinAnalysisList
{
    Q_OBJECT

public:
    enum Column { ColStock, ColReports, ColIndustry };

signals:
    void showReportListOfStock(const QString &stockCode);
    void showRatingListOfStock(const QString &stockCode);
    void showChartOfStock(const QString &stockCode);
    void loadBlockListOfSidebar();

public slots:
    void markBlockedStock();

protected:
    // withMenu: the rows have the context menu.
    QWinStockList(const AnalysisListParams &params, bool withMenu, QWidget *parent);

    void markRows() override { markBlockedStock(); }

    // Asks for the list of the given industry (the window's own kind).
    virtual void requestIndustryList(const QString &industry) = 0;

    // Columns 0 to 2 of a row: name and code, the report point, the industry.
    void putStockCells(int row, const QString &code, const QString &name, int reports, const QString &industry,
                       const QString &reportTip);

protected slots:
    void showChartOfCurrentStock();
    void showReportOfCurrentStock();
    void showRatingOfCurrentStock();
    void showListOfCurrentIndustry();

private slots:
    void popMenu(const QPoint &pos);
    void newBlock();
    void addStockToBlock(bool checked);
    void copyStockList();

private:
    QMenu *menu = nullptr;
    QAction *actReport = nullptr;
    QAction *actRating = nullptr;
    QAction *actChart = nullptr;
    QMenu *blockMenu = nullptr;
    QAction *actNewBlock = nullptr;
    QAction *actCopy = nullptr;
};
