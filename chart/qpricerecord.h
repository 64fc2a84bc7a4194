#pragma once

#include <QDate>

// One trading day of a stock as the day-price file holds it. Open and change are carried for
// completeness; the chart reads date, high, low, close and the day's adjustment factor.
class QPriceRecord
{
public:
    QPriceRecord() = default;
    QPriceRecord(const QDate &date, double open, double high, double low, double close,
                 double change, double factor)
        : date(date), open(open), high(high), low(low), close(close), change(change), factor(factor)
    {
    }

    QDate getDate() const { return date; }
    double getOpen() const { return open; }
    double getHigh() const { return high; }
    double getLow() const { return low; }
    double getClose() const { return close; }
    double getChange() const { return change; }
    double getFactor() const { return factor; }

private:
    QDate date;
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    double change = 0;
    double factor = 0;
};
