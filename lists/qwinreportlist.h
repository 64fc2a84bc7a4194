#pragma once

#include <QMdiSubWindow>

class QLabel;

// Stand-in for the research-report list window: it shows the title of the list it is given.
class QWinReportList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinReportList(QWidget *parent = nullptr);

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void showReportListOfInst(const QString &institution);
    void showReportListOfAnls(const QString &analystId);
    void showReportListOfSearch(const QString &titleKeyword, const QString &instKeyword,
                                const QString &analsKeyword, const QString &reportCode,
                                const QString &yearStart, const QString &yearEnd);
    void disablePageNext();
    void disablePageLast();
    void openFile(const QString &rptID, const QString &localFilePath);
    void loadConcernedInstListOfSidebar();
    void loadFavoriteListOfSidebar();

public slots:
    void showReportList(const QString &request, int page);
    void showLastList();
    void markConcernedInst();
    void markFavoriteReport();
    void markBlockedStock();

private:
    QLabel *lblTitle = nullptr;
    QString lastRequest;
    int lastPage = 0;
};
