#pragma once

#include <QMdiSubWindow>

class QLabel;

// The quote list window. Until its table is built it only shows the
// title of the list it was given, so the main window's dispatch and tabs work.
class QWinQuoteList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinQuoteList(QWidget *parent = nullptr);

signals:
    void showTitle(const QString &title);
    void disablePageAll();
    void showList(const QString &request, int page);
    void showReportListOfStock(const QString &stockCode);
    void showChartOfStock(const QString &stockCode);
    void showQuoteListOfInd(const QString &industry);

public slots:
    void showQuoteList(const QString &request, int page);
    void markBlockedStock();

private:
    QLabel *lblTitle = nullptr;
};
