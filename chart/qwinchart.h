#pragma once

#include <QMdiSubWindow>
#include <QPoint>
#include <QString>

class QAction;
class QChart;
class QLabel;
class QMenu;

// The chart window of the main window's document area: a title bar (stock, industry, value-matrix
// level, close button) above the price chart. Each refresh reads the stock's price file and its
// rating days and yearly profits, and asks for a download when the file is missing or behind the
// stock cache. Kept for the whole run; its close button only asks for the last list again.
class QWinChart : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinChart(QWidget *parent = nullptr);

    QString getStockCode() const;
    QChart *chartWidget() const { return chart; }

signals:
    void disablePageNext();
    void disablePageLast();
    void disableGoBack();
    void showTitle(const QString &title);
    void showRatingOfDate(const QString &stockCode, const QString &date);
    void hideRatingOfDate();
    void downloadDay(const QString &stockCode);
    void showRatingListOfStock(const QString &stockCode);
    void showReportListOfStock(const QString &stockCode);
    void showLastList();
    void loadBlockListOfSidebar();

public slots:
    void showChart(const QString &stockCode);
    void freshChart();
    void zoomInChart();
    void zoomOutChart();
    // Shadows QWidget::hide on purpose: the close button leaves the chart by showing the last
    // list again, the window itself stays. Never call it to hide the window.
    virtual void hide();

private slots:
    void showRating(const QString &date);
    void hideRating();
    void popMenuOfChart(const QPoint &pos);
    void showRatingOfStock();
    void showReportOfStock();
    void addStockToBlock(bool toBlock);
    void newBlock();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildTitleBar(QWidget *container);
    void buildMenu();
    void rebuildBlockMenu();

    QString stockCode;
    QChart *chart = nullptr;
    QLabel *lblStockName = nullptr;
    QLabel *lblIndustry = nullptr;
    QLabel *lblMatrixImage = nullptr;
    QLabel *lblMatrixGrade = nullptr;
    QMenu *menuChart = nullptr;
    QAction *actReport = nullptr;
    QAction *actRating = nullptr;
    QMenu *menuBlock = nullptr;
    QAction *actNewBlock = nullptr;
    int zoomKeyPressed = 0; // the Up or Down whose press this window zoomed on
};
