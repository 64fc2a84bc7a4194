#pragma once

#include <QMdiSubWindow>

class QLabel;

// The price chart window. Until the chart is built it only shows the code of the stock it
// was given and answers the main window as the chart will.
class QWinChart : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinChart(QWidget *parent = nullptr);

    QString getStockCode() const;

signals:
    void disablePageNext();
    void disablePageLast();
    void disableGoBack();
    void showTitle(const QString &title);
    void showRatingListOfStock(const QString &stockCode);
    void showReportListOfStock(const QString &stockCode);
    void loadBlockListOfSidebar();
    void showLastList();
    void downloadDay(const QString &stockCode);
    void showRatingOfDate(const QString &stockCode, const QString &date);

public slots:
    void showChart(const QString &stockCode);
    void zoomInChart();
    void zoomOutChart();
    void freshChart();

private:
    QLabel *lblTitle = nullptr;
    QString stockCode;
};
