#include "chartlayout.h"

#include <QPoint>

#include <algorithm>
#include <cmath>

namespace {

// Far enough outside any screen that clamping does not bend what is visible, near enough that
// the logical value (pixels / s, with s >= 1 / n) stays well inside 64-bit and the painter's range.
constexpr double kPixelLimit = 100000;

qint64 toLogical(double pixels, double scale)
{
    if (!std::isfinite(pixels))
        pixels = pixels < 0 ? -kPixelLimit : kPixelLimit;
    return qint64(std::clamp(pixels, -kPixelLimit, kPixelLimit) / scale);
}

double adjusted(double value, double factor, double newestFactor)
{
    return newestFactor > 0 ? value * factor / newestFactor : value;
}

QString monthLabel(int visibleDays, const QDate &day)
{
    const int month = day.month();
    const QString text = QString::number(day.year()) + QLatin1Char('/') + QString::number(month);
    if (visibleDays >= 1000)
        return month == 1 ? QString::number(day.year()) : QString();
    if (visibleDays >= 500)
        return month == 1 || month == 7 ? text : QString();
    if (visibleDays >= 200)
        return month % 3 == 1 ? text : QString();
    return text;
}

} // namespace

double ChartLayout::priceY(double price) const
{
    return plotHeight * (topPrice - price) / (topPrice - bottomPrice);
}

ChartLayout ChartLayout::compute(const ChartInput &in)
{
    ChartLayout l;
    l.right = in.size.width() - 1;
    l.bottom = in.size.height() - 1;
    l.plotWidth = l.right - 58;
    l.plotHeight = l.bottom - 42;
    const QList<QPriceRecord> &records = *in.records;
    if (records.isEmpty() || l.plotWidth <= 0 || l.plotHeight <= 0 || in.visibleDays <= 0)
        return l;

    const int count = records.size();
    const int n = std::min(in.visibleDays, count);
    const int first = count - n;
    const double newestFactor = records.last().getFactor();
    const bool bandsWanted = in.bands && in.share > 0;

    // Price range, widened once per year by the bands of that year's previous-year profit.
    double top = 0, bottom = 0;
    int yearBefore = 0;
    for (int i = count - 1; i >= first; --i) {
        const QPriceRecord &r = records.at(i);
        const double high = adjusted(r.getHigh(), r.getFactor(), newestFactor);
        const double low = adjusted(r.getLow(), r.getFactor(), newestFactor);
        if (high > 0)
            top = top <= 0 ? high : std::max(top, high);
        if (low > 0)
            bottom = bottom <= 0 ? low : std::min(bottom, low);
        const int year = r.getDate().year();
        if (bandsWanted && (i == count - 1 || year < yearBefore) && year >= in.firstBandYear
            && in.profits.contains(year - 1)) {
            const double p = in.profits.profit(year - 1);
            if (p > 0) {
                if (in.pe.max > 0)
                    top = std::max(top, in.pe.max * p / in.share);
                if (in.pe.min > 0)
                    bottom = std::min(bottom, in.pe.min * p / in.share);
            }
        }
        yearBefore = year;
    }
    if (!std::isfinite(top) || !std::isfinite(bottom) || top <= 0)
        return l;
    if (top <= bottom) {
        // A flat range (one record, or high equal to low throughout) gets a margin of 1 percent.
        const double pad = std::max(std::abs(top) * 0.01, 0.01);
        top += pad;
        bottom -= pad;
    }

    l.plotted = true;
    l.shown = n;
    l.topPrice = top;
    l.bottomPrice = bottom;
    l.logicalWidth = chartLcm(n, l.plotWidth);
    l.scale = double(l.plotWidth) / l.logicalWidth;
    l.step = l.logicalWidth / n;

    const double g = gridStep(top, bottom);
    // Bounded by the range: fewer than ten lines for any step gridStep gives.
    for (double k = std::trunc(bottom / g + 1); k <= top / g && l.grid.size() < 64; k += 1) {
        const double v = k * g;
        if (bottom < v && v < top)
            l.grid.append({v, toLogical(l.priceY(v), l.scale) * l.scale});
    }

    const bool bandSteps = bandsWanted && in.pe.max > 0 && in.pe.min > 0;
    const double pes[4] = {in.pe.max, in.pe.min + 2 * (in.pe.max - in.pe.min) / 3,
                           in.pe.min + (in.pe.max - in.pe.min) / 3, in.pe.min};
    if (in.bands && in.pe.min > 0)
        l.bandPe = {pes[0], pes[1], pes[2], pes[3]};
    if (bandSteps)
        l.bands.resize(4);

    l.days.resize(n);
    int prevYear = 0, prevMonth = 0;
    QDate prevDate;
    qint64 prevX = 0;
    for (int k = n - 1; k >= 0; --k) {
        const QPriceRecord &r = records.at(first + k);
        const QDate date = r.getDate();
        const qint64 x = k * l.step + (l.step - 1) / 2 + 1;
        const double close = adjusted(r.getClose(), r.getFactor(), newestFactor);
        const qint64 y = toLogical(l.priceY(close), l.scale);
        l.days[k] = {x, y, close, date};

        const int year = date.year();
        const int month = date.month();
        if (prevYear != 0 && (year < prevYear || (year == prevYear && month < prevMonth))) {
            const QString text = monthLabel(in.visibleDays, prevDate);
            if (!text.isEmpty())
                l.months.append({double(qint64(prevX * l.scale)), text});
        }

        // The point uses the year's own profit (the chart window appends the current year's
        // estimate), and like the P/E bounds it needs the year before in the table.
        if (bandSteps && (k == n - 1 || year < prevYear) && in.profits.contains(year - 1)) {
            const double p = in.profits.profit(year);
            if (p > 0) {
                for (int b = 0; b < 4; ++b)
                    l.bands[b].append(l.toPlot(x, toLogical(l.priceY(pes[b] * p / in.share), l.scale)));
            }
        }

        if (in.ratingDays.contains(date.toJulianDay()))
            l.marks.append({x, toLogical(l.priceY(0.98 * close), l.scale), date});

        prevYear = year;
        prevMonth = month;
        prevDate = date;
        prevX = x;
    }
    return l;
}

QVector<QDate> ChartLayout::marksAt(const QPoint &pos) const
{
    QVector<QDate> hits;
    if (!plotted)
        return hits;
    const qint64 mx = qint64((pos.x() - kOriginX) / scale);
    const qint64 my = qint64((pos.y() - kOriginY) / scale);
    const double reach = 6 / scale;
    for (const Mark &m : marks) {
        if (std::abs(double(mx - m.x)) <= reach && m.apex <= my && my <= m.apex + reach)
            hits.append(m.date);
    }
    return hits;
}

int ChartLayout::slotAt(const QPoint &pos) const
{
    if (!plotted || pos.x() <= kAxisX || pos.x() > right)
        return -1;
    const qint64 mx = qint64((pos.x() - kOriginX) / scale);
    const qint64 half = step / 2;
    // Slots are evenly spaced: only the nearest one can be within half a step.
    const qint64 k = std::clamp<qint64>((mx - 1) / std::max<qint64>(step, 1), 0, days.size() - 1);
    for (qint64 i = std::max<qint64>(k - 1, 0); i <= std::min<qint64>(k + 1, days.size() - 1); ++i) {
        if (std::abs(mx - days[i].x) <= half)
            return int(i);
    }
    return -1;
}
