#pragma once

#include "jsonscript.h"

#include <QMdiSubWindow>
#include <QString>

#include <memory>

class QAction;
class QComplexHeaderModel;
class ListReadMarks;
class QLabel;
class QMenu;
class QTableWidget;
class RatingListRow;

// The stock-rating list: one page of T_Rating for the list request the main window sends to
// showRatingList, with price and estimate figures beside each rating under a two-level
// header, read marks, followed institutions, blocks and the drill-downs to an institution's,
// a stock's, an industry's or an analyst's ratings. The main window keeps it for the whole run.
class QWinRatingList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinRatingList(QWidget *parent = nullptr);
    ~QWinRatingList() override;

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void showRatingListOfInst(const QString &institution);
    void showRatingListOfStock(const QString &stockCode);
    void showRatingListOfInd(const QString &industry);
    void showRatingListOfAnls(const QString &analystId);
    void showReportListOfStock(const QString &stockCode);
    void showChartOfStock(const QString &stockCode);
    void disablePageNext();
    void disablePageLast();
    void openFile(const QString &rptID, const QString &localFilePath);
    void loadConcernedInstListOfSidebar();
    void loadBlockListOfSidebar();

public slots:
    void showRatingList(const QString &request, int page);
    void showLastList();
    void markConcernedInst();
    void markBlockedStock();
    void setRatingAllReaded();
    void onRatingListClicked();
    void popMenuOfRatingList(const QPoint &pos);
    void viewReport();
    void showReportOfStock();
    void showRatingOfInst();
    void showRatingOfAnls(const QString &analystId);
    void showRatingOfStock();
    void showRatingOfInd();
    void showChartOfStock();
    void addConcernedInst();
    void removeConcernedInst();
    void newBlock();
    void addStockToBlock(bool checked);
    void copyStockList();

private:
    void buildTable();
    void buildMenu();
    void fillRow(const RatingListRow &row, int r, int page);
    int currentRow() const;
    QString rowReportId(int row) const;
    QString rowStockCode(int row) const;
    int rowAge(int row) const;
    QString cellText(int row, int column) const;

    QTableWidget *tblRatingList = nullptr;
    QComplexHeaderModel *headerModel = nullptr;
    QMenu *mnuRatingList = nullptr;
    QAction *actShowRatingOfInst = nullptr;
    QAction *actAddConcernedInst = nullptr;
    QAction *actRemoveConcernedInst = nullptr;
    QAction *actShowReportOfStock = nullptr;
    QAction *actShowRatingOfStock = nullptr;
    QAction *actShowChartOfStock = nullptr;
    QMenu *mnuBlock = nullptr;
    QAction *actNewBlock = nullptr;
    QAction *actCopyStockList = nullptr;
    QString lastRequest;
    int lastPage = 0;

    JsonScript m_json;
    std::unique_ptr<ListReadMarks> m_readMarks;
};
