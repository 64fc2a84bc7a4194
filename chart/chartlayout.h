#pragma once

// Where everything of the price chart lies for one widget size and one set of data: the price
// range and grid, the close line, the month labels, the rating marks and the valuation bands.
// The painter draws from it and the mouse handler tests the marks against it, so a mouse move
// needs no pass over the records.
//
// The plot is L = lcm(n, W) logical units wide for n shown records in W pixels, drawn at the
// scale s = W / L; every record owns a slot of L / n units. Logical coordinates are kept as the
// chart has always computed them (truncated toward zero), then turned into plot pixels.

#include "chartmath.h"
#include "qpricerecord.h"

#include <QPointF>
#include <QSet>
#include <QSize>
#include <QString>
#include <QVector>

struct ChartInput
{
    const QList<QPriceRecord> *records = nullptr; // oldest first
    QSet<qint64> ratingDays;                      // Julian days
    YearProfitTable profits;
    PeBounds pe;
    int visibleDays = 200;
    bool bands = false;
    int firstBandYear = 0; // list year minus years back
    double share = 0;
    QSize size;
};

struct ChartLayout
{
    static constexpr int kOriginX = 57;
    static constexpr int kOriginY = 20;
    static constexpr int kAxisX = 55;

    struct GridLine { double price; double y; };           // y in plot pixels
    struct MonthLabel { double x; QString text; };
    struct Mark { qint64 x; qint64 apex; QDate date; };      // logical units
    struct Slot { qint64 x; qint64 y; double close; QDate date; };

    int right = 0;  // R = width - 1
    int bottom = 0; // B = height - 1
    int plotWidth = 0;
    int plotHeight = 0;
    bool plotted = false; // false: only the axes are drawn

    int shown = 0;
    qint64 logicalWidth = 0;
    qint64 step = 0;
    double scale = 0;
    double topPrice = 0;
    double bottomPrice = 0;

    QVector<GridLine> grid;           // between the top and the bottom line
    QVector<Slot> days;               // shown records, oldest first
    QVector<MonthLabel> months;
    QVector<Mark> marks;
    QVector<QVector<QPointF>> bands;  // four polylines in plot pixels, newest point first
    QVector<double> bandPe;           // the four P/E values of the legends; empty: no legends

    static ChartLayout compute(const ChartInput &input);

    // Plot pixels of a logical point.
    QPointF toPlot(qint64 x, qint64 y) const { return QPointF(x * scale, y * scale); }
    double priceY(double price) const; // plot pixels below the top

    // The rating days whose mark lies under the widget point (6 pixels either side of the apex,
    // down to 6 pixels below it).
    QVector<QDate> marksAt(const QPoint &widgetPos) const;
    // The slot under the widget point for the read-out, or -1.
    int slotAt(const QPoint &widgetPos) const;
};
