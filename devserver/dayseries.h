#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The day prices of one stock, made from the data set's seed and the stock's parameters. The
// generator uses them for the stock package (count, newest modification time, factor) and for
// the ratings' prices; the object host serves the same rows at /day/<code> on demand.
class DaySeries
{
public:
    struct Params
    {
        QString code;
        qint64 firstJd = 0;      // listing day
        qint64 lastJd = 0;       // newest trading day (the quit day for a stock that left)
        double endPrice = 10;    // close of the last day
        double startFactor = 1;  // adjustment factor of the first served day
        double vol = 0.02;       // daily volatility
    };

    struct Row
    {
        qint64 jd;
        double open, high, low, close, change, factor;
    };

    static qint64 historyStart();                 // first day any series serves
    static std::vector<Row> build(quint64 seed, const Params &p);
    static qint64 rowStamp(qint64 jd);            // "tM" of the row of a day
    static QByteArray packageText(const std::vector<Row> &rows);
    static double round2(double v);
    static double roundFactor(double v);
};
