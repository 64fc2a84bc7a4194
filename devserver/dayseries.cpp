#include "dayseries.h"

#include "jsonrowwriter.h"
#include "rng.h"
#include "tradingcalendar.h"

#include <algorithm>
#include <cmath>

qint64 DaySeries::historyStart()
{
    return TradingCalendar::jd(2010, 11, 1);
}

double DaySeries::round2(double v)
{
    return std::round(v * 100.0) / 100.0;
}

double DaySeries::roundFactor(double v)
{
    return std::round(v * 1e6) / 1e6;
}

qint64 DaySeries::rowStamp(qint64 jd)
{
    return TradingCalendar::stamp(jd, 16, 0, 0);
}

std::vector<DaySeries::Row> DaySeries::build(quint64 seed, const Params &p)
{
    const std::vector<qint64> days = TradingCalendar::days(std::max(p.firstJd, historyStart()), p.lastJd);
    const int n = int(days.size());
    std::vector<Row> rows;
    if (n == 0)
        return rows;
    Rng rng(Rng::mix(seed, Rng::hash(p.code), 0xDA7));

    std::vector<double> level(n);
    double l = 0;
    double drift = rng.between(-0.0004, 0.0008);
    for (int i = 0; i < n; ++i) {
        if (i % 120 == 0)
            drift = rng.between(-0.0012, 0.0016);
        l += drift + p.vol * rng.normal();
        level[i] = l;
    }

    // Splits (bonus shares): the factor steps up and the raw price drops, so the adjusted
    // price (close * day factor / newest factor) stays continuous.
    std::vector<double> factor(n, p.startFactor);
    const double steps[] = {2.0, 1.5, 1.3, 1.2, 1.1};
    const double splitWeights[] = {0.45, 0.3, 0.17, 0.08};
    const int splits = n > 60 ? rng.weighted(splitWeights, 4) : 0;
    for (int s = 0; s < splits; ++s) {
        const int at = rng.range(20, n - 1);
        const double m = steps[rng.range(0, 4)];
        for (int i = at; i < n; ++i)
            factor[i] *= m;
    }
    for (double &f : factor)
        f = roundFactor(f);

    const double lastFactor = factor[n - 1];
    rows.reserve(n);
    double prevClose = 0;
    double prevFactor = factor[0];
    for (int i = 0; i < n; ++i) {
        const double adjusted = p.endPrice * std::exp(level[i] - level[n - 1]);
        double close = std::max(0.01, round2(adjusted * lastFactor / factor[i]));
        // Yesterday's close in today's units, as the exchange quotes it on an ex-date.
        const double ref = i == 0 ? close : prevClose * prevFactor / factor[i];
        double open = std::max(0.01, round2(ref * (1 + 0.4 * p.vol * rng.normal())));
        double high = round2(std::max(open, close) * (1 + std::fabs(rng.normal()) * p.vol * 0.5));
        double low = std::max(0.01, round2(std::min(open, close) * (1 - std::fabs(rng.normal()) * p.vol * 0.5)));
        rows.push_back({days[i], open, high, low, close, round2(close - ref), factor[i]});
        prevClose = close;
        prevFactor = factor[i];
    }
    return rows;
}

QByteArray DaySeries::packageText(const std::vector<Row> &rows)
{
    JsonRowWriter w;
    for (const Row &r : rows) {
        w.beginRow();
        w.text("dt", TradingCalendar::dateText(r.jd));
        w.number("pO", r.open, 2);
        w.number("pH", r.high, 2);
        w.number("pL", r.low, 2);
        w.number("pC", r.close, 2);
        w.number("ch", r.change, 2);
        w.number("fc", r.factor, 6);
        w.text("tM", TradingCalendar::dateTimeText(rowStamp(r.jd)));
        w.endRow();
    }
    return w.finish();
}
