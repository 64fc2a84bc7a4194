#include "chartmath.h"

#include <cmath>

YearProfitTable YearProfitTable::parse(const QString &text)
{
    YearProfitTable table;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int open = part.indexOf(QLatin1Char('['));
        const int close = part.indexOf(QLatin1Char(']'));
        table.years << part.left(open);
        const QString value = open < 0 ? QString() : part.mid(open + 1, close < 0 ? -1 : close - open - 1);
        bool ok = false;
        const double profit = value.toDouble(&ok);
        table.profits << (ok ? profit : 0.0);
    }
    return table;
}

double YearProfitTable::profit(int year) const
{
    const int i = years.indexOf(QString::number(year));
    return i < 0 ? 0.0 : profits.at(i);
}

PeBounds computePeBounds(const QList<QPriceRecord> &records, const YearProfitTable &profits,
                         int firstYear, double stockFactor, double share)
{
    PeBounds bounds;
    if (records.isEmpty() || !(stockFactor > 0) || !(share > 0))
        return bounds;
    for (int i = records.size() - 1; i >= 0; --i) {
        const QPriceRecord &r = records.at(i);
        const int year = r.getDate().year();
        if (year < firstYear || !profits.contains(year - 1))
            continue;
        const double profit = profits.profit(year - 1);
        if (!(profit > 0))
            continue;
        const double pe = r.getClose() * r.getFactor() / stockFactor * share / profit;
        if (!std::isfinite(pe))
            continue;
        bounds.max = bounds.max <= 0 ? pe : std::max(bounds.max, pe);
        bounds.min = bounds.min <= 0 ? pe : std::min(bounds.min, pe);
    }
    const double t = std::trunc(bounds.min);
    if (t >= 50)
        return PeBounds();
    bounds.min = t;
    if (t <= 0)
        return bounds;
    const int k = 5 * int((bounds.max - t) / 5);
    bounds.max = t + (k > 45 ? 45 : k > 8 ? k : 9);
    return bounds;
}

namespace {

// n = q x m with q the leading digit and m a power of ten (1 for n <= 9).
void leadingDigit(int n, int *q, int *m)
{
    *m = 1;
    *q = n;
    if (n <= 9)
        return;
    *m = 10;
    while (n / *m > 9)
        *m *= 10;
    *q = n / *m;
}

} // namespace

int zoomedInDayCount(int count)
{
    int q = 0, m = 0;
    leadingDigit(count, &q, &m);
    if (m < 10)
        return count;
    switch (q) {
    case 1: return m / 2;
    case 2: return m;
    case 5: return 2 * m;
    default: return count;
    }
}

int zoomedOutDayCount(int count, int recordCount)
{
    if (recordCount <= count)
        return count;
    int q = 0, m = 0;
    leadingDigit(count, &q, &m);
    switch (q) {
    case 1: return 2 * m;
    case 2: return 5 * m;
    case 5: return 10 * m;
    default: return count;
    }
}

int chartGcd(int a, int b)
{
    if (a <= 0 || b <= 0)
        return 1;
    while (a % b != 0) {
        const int r = a % b;
        a = b;
        b = r;
    }
    return b;
}

qint64 chartLcm(int a, int b)
{
    if (a <= 0 || b <= 0)
        return 0;
    return qint64(a) * b / chartGcd(a, b);
}

double gridStep(double top, double bottom)
{
    const double r = (top - bottom) * 0.25 * 100;
    double m = 1;
    double q = r;
    if (r >= 10) {
        m = 10;
        while (r / m >= 10)
            m *= 10;
        q = r / m;
    }
    const double g = q >= 5 ? 5 * m : q >= 2 ? 2 * m : m;
    return g / 100;
}
