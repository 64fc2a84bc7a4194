#pragma once

#include <QMdiSubWindow>

class QLabel;

// The stock-rating list window. Until its table is built it only shows the title of the
// list it was given, so the main window's dispatch and tabs work end to end.
class QWinRatingList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinRatingList(QWidget *parent = nullptr);

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void showRatingListOfInst(const QString &institution);
    void showRatingListOfStock(const QString &stockCode);
    void showReportListOfStock(const QString &stockCode);
    void showRatingListOfInd(const QString &industry);
    void showRatingListOfAnls(const QString &analystId);
    void showChartOfStock(const QString &stockCode);
    void disablePageNext();
    void disablePageLast();
    void loadConcernedInstListOfSidebar();
    void loadBlockListOfSidebar();
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void showRatingList(const QString &request, int page);
    void showLastList();
    void markConcernedInst();
    void markBlockedStock();

private:
    QLabel *lblTitle = nullptr;
    QString lastRequest;
    int lastPage = 0;
};
