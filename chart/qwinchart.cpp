#include "qwinchart.h"

#include "globalstate.h"
#include "stockcache.h"

#include <QLabel>

QWinChart::QWinChart(QWidget *parent)
    : QMdiSubWindow(parent)
{
    lblTitle = new QLabel(this);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(getAppFont());
    setWidget(lblTitle);
}

QString QWinChart::getStockCode() const
{
    return stockCode;
}

void QWinChart::showChart(const QString &code)
{
    stockCode = code;
    const QString title = getStockName(code) + QLatin1Char('[') + code + QLatin1Char(']');
    lblTitle->setText(title);
    setWindowTitle(title);
    showMaximized();
    emit showTitle(title);
    emit disablePageNext();
    emit disablePageLast();
    emit disableGoBack();
}

void QWinChart::zoomInChart() {}

void QWinChart::zoomOutChart() {}

void QWinChart::freshChart() {}
