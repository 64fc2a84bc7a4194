#include "qchart.h"

#include "globalstate.h"
#include "stockcache.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

QChart::QChart(QWidget *parent)
    : QWidget(parent)
{
    init();
}

void QChart::init()
{
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::white));
    setAttribute(Qt::WA_MouseTracking);
}

void QChart::setData(const QString &code, const QList<QPriceRecord> &prices, const QStringList &days,
                     const QString &yearProfitText)
{
    stockCode = code;
    records = prices;
    ratingDays.clear();
    for (const QString &day : days) {
        const QDate date = QDate::fromString(day, QStringLiteral("yyyyMMdd"));
        if (date.isValid())
            ratingDays.insert(date.toJulianDay());
    }
    profits = YearProfitTable::parse(yearProfitText);
    pe = computePeBounds(records, profits, getListYear() - yearsBack, getStockFactor(code),
                         getStockShare(code));
    invalidate();
}

void QChart::setBandVisible(bool on)
{
    bandVisible = on;
    invalidate();
}

void QChart::zoomIn()
{
    visibleDays = zoomedInDayCount(visibleDays);
    invalidate();
    update();
}

void QChart::zoomOut()
{
    visibleDays = zoomedOutDayCount(visibleDays, records.size());
    invalidate();
    update();
}

void QChart::invalidate()
{
    layoutValid = false;
    staticLayer = QPixmap();
}

const ChartLayout &QChart::currentLayout()
{
    if (!layoutValid) {
        ChartInput input;
        input.records = &records;
        input.ratingDays = ratingDays;
        input.profits = profits;
        input.pe = pe;
        input.visibleDays = visibleDays;
        input.bands = bandVisible;
        input.firstBandYear = getListYear() - yearsBack;
        input.share = getStockShare(stockCode);
        input.size = size();
        layout = ChartLayout::compute(input);
        layoutValid = true;
    }
    return layout;
}

void QChart::mouseMoveEvent(QMouseEvent *event)
{
    mousePos = event->pos();
    if (hover) {
        for (const QDate &day : currentLayout().marksAt(mousePos)) {
            const QString text = day.toString(QStringLiteral("yyyy-MM-dd"));
            QMetaObject::invokeMethod(this, [this, text] { emit mouseEnterRatingSignal(text); },
                                      Qt::QueuedConnection);
        }
    }
    update();
    event->ignore();
}

void QChart::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() > 0)
        zoomIn();
    else
        zoomOut();
    event->accept();
}

void QChart::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up)
        zoomIn();
    else if (event->key() == Qt::Key_Down)
        zoomOut();
    event->accept();
}

// The press has zoomed: its release stops here, so that no window around zooms again on it.
void QChart::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        event->accept();
    else
        QWidget::keyReleaseEvent(event);
}

void QChart::enterEvent(QEvent *event)
{
    hover = true;
    event->ignore();
}

void QChart::leaveEvent(QEvent *event)
{
    hover = false;
    update();
    event->ignore();
}

void QChart::resizeEvent(QResizeEvent *event)
{
    invalidate();
    QWidget::resizeEvent(event);
}
