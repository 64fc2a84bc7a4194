#pragma once

#include "chartlayout.h"
#include "chartmath.h"
#include "qpricerecord.h"

#include <QList>
#include <QPixmap>
#include <QSet>
#include <QStringList>
#include <QWidget>

// One stock's factor-adjusted day prices with its rating days and P/E valuation bands, zoomed by
// the number of newest days shown. Axes, grid, line, marks and bands are drawn once into a
// cached layer; a mouse move only redraws the read-out of the day under the pointer over it.
// Resting on a rating mark emits mouseEnterRatingSignal(day as "yyyy-MM-dd") on every move,
// queued, so whatever it opens never runs inside this widget's event handling.
class QChart : public QWidget
{
    Q_OBJECT

public:
    explicit QChart(QWidget *parent = nullptr);

    // Prices oldest first; rating days as "yyyyMMdd"; yearly profits as "YEAR[VALUE],...".
    void setData(const QString &code, const QList<QPriceRecord> &prices, const QStringList &ratingDays,
                 const QString &yearProfitText);
    void setBandVisible(bool on);
    void zoomIn();
    void zoomOut();

    static int gcd(int a, int b) { return chartGcd(a, b); }
    static qint64 lcm(int a, int b) { return chartLcm(a, b); }

    int getVisibleDayCount() const { return visibleDays; }
    int getPriceCount() const { return records.size(); }
    int getRatingDayCount() const { return ratingDays.size(); }
    bool isBandVisible() const { return bandVisible; }
    double getMaxPe() const { return pe.max; }
    double getMinPe() const { return pe.min; }
    // The geometry of the current data at the current size.
    const ChartLayout &currentLayout();

signals:
    void mouseEnterRatingSignal(const QString &day);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void init();
    void invalidate();
    void paintStaticLayer(QPainter &painter);
    void paintReadout(QPainter &painter);

    QList<QPriceRecord> records;
    QSet<qint64> ratingDays;
    YearProfitTable profits;
    int visibleDays = 200;
    bool hover = false;
    QPoint mousePos;
    QString stockCode;
    PeBounds pe;
    int yearsBack = 3;
    bool bandVisible = false;

    bool layoutValid = false;
    ChartLayout layout;
    QPixmap staticLayer;
};
