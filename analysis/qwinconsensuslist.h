#pragma once

#include <QMdiSubWindow>

class QLabel;

// The consensus-expectation list window. Until its table is built it only shows the
// title of the list it was given, so the main window's dispatch and tabs work.
class QWinConsensusList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinConsensusList(QWidget *parent = nullptr);

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void showReportListOfStock(const QString &stockCode);
    void showRatingListOfStock(const QString &stockCode);
    void showConsensusListOfInd(const QString &industry);
    void showChartOfStock(const QString &stockCode);
    void disablePageAll();
    void loadBlockListOfSidebar();

public slots:
    void showConsensusList(const QString &request, int page);
    void showLastList();
    void markBlockedStock();

private:
    QLabel *lblTitle = nullptr;
    QString lastRequest;
    int lastPage = 0;
};
