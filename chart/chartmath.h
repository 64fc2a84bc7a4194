#pragma once

// The arithmetic of the price chart that needs no widget: the yearly profits, the P/E band
// bounds, the zoom ladder of visible days and the price grid.

#include "qpricerecord.h"

#include <QList>
#include <QString>
#include <QStringList>

// The yearly net profits handed over as "YEAR[VALUE]" items joined by ","; empty items are
// skipped and a value that is no number reads as 0. A year is found by its first item.
class YearProfitTable
{
public:
    static YearProfitTable parse(const QString &text);

    bool contains(const QString &year) const { return years.contains(year); }
    bool contains(int year) const { return contains(QString::number(year)); }
    double profit(int year) const; // 0 when absent
    int size() const { return years.size(); }
    QStringList yearList() const { return years; }

private:
    QStringList years;
    QList<double> profits;
};

struct PeBounds
{
    double max = 0;
    double min = 0; // 0: no bands
};

// The P/E bounds of the valuation bands, from every record of a year >= firstYear whose previous
// year has a positive profit: P/E = share x (close x day factor / stock factor) / profit. Min is
// truncated; a min of 50 or more drops the bands; the span becomes 9, 10, 15, ... or 45. A stock
// factor or share of 0 or less (a stock the cache lacks, or a NULL factor) gives no bands.
PeBounds computePeBounds(const QList<QPriceRecord> &records, const YearProfitTable &profits,
                         int firstYear, double stockFactor, double share);

// The ladder 5, 10, 20, 50, 100, 200, 500, 1000, 2000, ... Zooming in stops at 5; zooming out
// only goes on while there are more records than shown.
int zoomedInDayCount(int count);
int zoomedOutDayCount(int count, int recordCount);

// Greatest common divisor and least common multiple of positive numbers; 0 and negative
// arguments give 1 and 0 respectively instead of dividing by zero.
int chartGcd(int a, int b);
qint64 chartLcm(int a, int b);

// The step of the price grid for a range: 1, 2 or 5 times a power of ten, in hundredths.
double gridStep(double top, double bottom);
