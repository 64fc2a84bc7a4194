#include "qwinchart.h"

#include "chartlog.h"
#include "chartqueries.h"
#include "daypricestore.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "qchart.h"
#include "stockcache.h"

#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

QWinChart::QWinChart(QWidget *parent)
    : QMdiSubWindow(parent)
{
    auto *container = new QWidget(this);
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildTitleBar(container);

    chart = new QChart(container);
    chart->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(chart);
    connect(chart, &QChart::mouseEnterRatingSignal, this, &QWinChart::showRating);
    connect(chart, &QWidget::customContextMenuRequested, this, &QWinChart::popMenuOfChart);
    setWidget(container);
    buildMenu();
}

void QWinChart::buildTitleBar(QWidget *container)
{
    auto *titleBar = new QWidget(container);
    titleBar->setObjectName(QStringLiteral("ChartTitleBar"));
    titleBar->setFixedHeight(24);
    container->layout()->addWidget(titleBar);
    auto *row = new QHBoxLayout(titleBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto label = [titleBar, row](Qt::Alignment horizontal, bool richText) {
        auto *l = new QLabel(titleBar);
        l->setAlignment(horizontal | Qt::AlignVCenter);
        l->setFont(getAppFont());
        if (richText)
            l->setTextFormat(Qt::RichText);
        row->addWidget(l);
        return l;
    };
    lblStockName = label(Qt::AlignLeft, false);
    lblStockName->setObjectName(QStringLiteral("ChartStockName"));
    lblIndustry = label(Qt::AlignLeft, true);
    label(Qt::AlignRight, true)->setText(QStringLiteral("&nbsp;&nbsp;&nbsp;价值矩阵 [&nbsp;"));
    lblMatrixImage = label(Qt::AlignLeft, false);
    lblMatrixGrade = label(Qt::AlignLeft, true);
    row->addStretch();

    auto *btnClose = new QToolButton(titleBar);
    btnClose->setObjectName(QStringLiteral("btnChartClose"));
    btnClose->setIcon(QIcon(QStringLiteral(":/images/close.png")));
    btnClose->setAutoRaise(true);
    btnClose->setToolTip(QStringLiteral("关闭走势图"));
    row->addWidget(btnClose);
    connect(btnClose, &QToolButton::clicked, this, &QWinChart::hide);
}

QString QWinChart::getStockCode() const
{
    return stockCode;
}

void QWinChart::showChart(const QString &code)
{
    stockCode = code;
    const QString title = getStockName(code) + QStringLiteral(" [ ") + code + QStringLiteral(" ]");
    lblStockName->setText(title);
    lblIndustry->setText(QStringLiteral("&nbsp;&nbsp;&nbsp;行业 [ ") + getStockIndustry(code).toHtmlEscaped()
                         + QStringLiteral(" ]"));
    const int level = getStockMatrixLevel(code);
    if (level > 0) {
        lblMatrixImage->setPixmap(QPixmap(QStringLiteral(":/images/%1.png").arg(level)));
        lblMatrixGrade->setText(QStringLiteral("&nbsp;") + getStockMatrixGrade(code) + QStringLiteral("&nbsp;]"));
        chart->setBandVisible(true);
    } else {
        lblMatrixImage->setPixmap(QPixmap());
        lblMatrixGrade->setText(QStringLiteral("-&nbsp;&nbsp;]"));
        chart->setBandVisible(false);
    }
    showMaximized();
    emit showTitle(title);
    freshChart();
    emit disablePageNext();
    emit disablePageLast();
    emit disableGoBack();
}

void QWinChart::freshChart()
{
    QList<QPriceRecord> prices;
    QStringList ratingDays;
    QString yearProfits;
    bool download = false;

    const int count = getStockPriceCount(stockCode);
    const QString path = dayPriceFilePath(stockCode);
    if (count >= 1 && path.isEmpty()) {
        qCWarning(lcChart) << "no price file for a code that is no file name:" << stockCode;
    } else if (count >= 1 && !QFile::exists(path)) {
        download = true;
    } else if (count >= 1) {
        {
            QSqlDatabase db = sqliteConnection(QStringLiteral("PriceDB"), path);
            download = isDayPriceStale(readDayPriceStatus(db), count, getStockPriceModifyTime(stockCode));
            // A file whose rows cannot all be read is fetched again: the import sets it aside.
            bool read = false;
            prices = readDayPrices(db, &read);
            download = download || !read;
        }
        closeSqliteConnection(QStringLiteral("PriceDB"));
        ratingDays = readRatingDays(stockCode);
        yearProfits = readYearProfitText(stockCode, getRatingDays());
    }
    chart->setData(stockCode, prices, ratingDays, yearProfits);
    chart->update();
    if (download)
        emit downloadDay(stockCode);
}

void QWinChart::showRating(const QString &date)
{
    emit showRatingOfDate(stockCode, date);
}

void QWinChart::hideRating()
{
    emit hideRatingOfDate();
}

void QWinChart::zoomInChart()
{
    chart->zoomIn();
}

void QWinChart::zoomOutChart()
{
    chart->zoomOut();
}

void QWinChart::showRatingOfStock()
{
    emit showRatingListOfStock(stockCode);
}

void QWinChart::showReportOfStock()
{
    emit showReportListOfStock(stockCode);
}

void QWinChart::hide()
{
    emit showLastList();
}

// setWidget() makes the window the event filter of its content, so the keys that reach the
// content (from itself or a child that leaves them, but not the chart, which zooms itself) pass
// here. The press zooms; its release is consumed, or the main window would zoom once more on it.
// A release whose press went elsewhere (a button took it) is the main window's to zoom on.
bool QWinChart::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (watched == widget() && (press || event->type() == QEvent::KeyRelease)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool zoomKey = key == Qt::Key_Up || key == Qt::Key_Down;
        if (press) {
            zoomKeyPressed = zoomKey ? key : 0;
            if (zoomKey) {
                key == Qt::Key_Up ? chart->zoomIn() : chart->zoomOut();
                return true;
            }
        }
        if (!press && zoomKeyPressed != 0 && key == zoomKeyPressed) {
            zoomKeyPressed = 0;
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}
