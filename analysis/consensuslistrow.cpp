#include "consensuslistrow.h"

#include "analysisformat.h"
#include "consensuslistquery.h"


using Q = ConsensusListQuery;

namespace {

QString previousValue(double value)
{
    return value != 0 ? QString::number(value, 'f', 2) : QString();
}

QString successText(double value)
{
    return value >= 0 ? QString::number(value, 'f', 0) + QLatin1Char('%') : QStringLiteral("-");
}

QString previousTip(const QString &previous)
{
    return previous.isEmpty() ? QString() : QStringLiteral("前值：") + previous;
}

} // namespace

QString priceRangeText(double lower, double upper)
{
    if (lower == upper)
        return lower > 0 ? QString::number(lower, 'f', 2) : QString();
    return QString::number(lower, 'f', 2) + QStringLiteral(" ~ ") + QString::number(upper, 'f', 2);
}

QString changeMarkedHtml(const QString &value, double today, double last)
{
    if (today == 0 || last == 0)
        return value;
    if (today > last)
        return QStringLiteral("<font color='red'>") + value + QStringLiteral("↑</font>");
    if (today < last)
        return QStringLiteral("<font color='darkgreen'>") + value + QStringLiteral("↓</font>");
    return value + QStringLiteral(" -");
}

ConsensusListRow ConsensusListRow::fromRecord(const ListRecord &q)
{
    auto num = [&q](int column) { return q.value(column).toDouble(); };

    ConsensusListRow r;
    r.code = q.value(Q::ColCode).toString();
    r.name = q.value(Q::ColName).toString();
    r.industry = firstIndustry(q.value(Q::ColIndustry).toString());
    r.reports = q.value(Q::ColReports).toInt();

    const int today = q.value(Q::ColInsCountToday).toInt();
    const int d = today - q.value(Q::ColInsCountLast).toInt();
    r.hasCount = today > 0;
    r.count = r.hasCount ? QString::number(today) : QStringLiteral("-");
    r.changeSign = d > 0 ? 1 : d < 0 ? -1 : 0;
    r.change = d > 0 ? QLatin1Char('+') + QString::number(d) : d < 0 ? QString::number(d) : QString();
    const int ratings = q.value(Q::ColRatCount).toInt();
    r.hasRatings = ratings > 0;
    r.ratings = r.hasRatings ? QString::number(ratings) : QStringLiteral("-");
    auto view = [&](int column) { return r.hasCount ? q.value(column).toString() : QStringLiteral("-"); };
    r.bull = view(Q::ColBull);
    r.neutral = view(Q::ColNeutral);
    r.bear = view(Q::ColBear);

    const double lower = num(Q::ColMinPriceLower), upper = num(Q::ColMaxPriceUpper);
    const double lastLower = num(Q::ColLastPriceLower), lastUpper = num(Q::ColLastPriceUpper);
    const QString range = priceRangeText(lower, upper);
    if (!range.isEmpty()) {
        const bool allKnown = lower > 0 && upper > 0 && lastLower > 0 && lastUpper > 0;
        const QString upside = lower == upper
                                   ? QString::number(num(Q::ColScopeLower), 'f', 0) + QLatin1Char('%')
                                   : QString::number(num(Q::ColScopeLower), 'f', 0) + QStringLiteral(" ~ ")
                                         + QString::number(num(Q::ColScopeUpper), 'f', 0) + QLatin1Char('%');
        r.target.html = (allKnown ? changeMarkedHtml(range, lower, lastLower) : range)
                        + QStringLiteral("<br><font size='2' color='gray'>( ") + upside + QStringLiteral(" )</font>");
        r.target.toolTip = previousTip(priceRangeText(lastLower, lastUpper));
    }

    r.close = positiveText(num(Q::ColClose));
    r.epsLast = nonZeroText(num(Q::ColEpsLast));
    const int todayColumns[3] = {Q::ColEpsNext1Today, Q::ColEpsNext2Today, Q::ColEpsNext3Today};
    for (int i = 0; i < 3; ++i) {
        const double now = num(todayColumns[i]), before = num(todayColumns[i] + 1);
        r.epsNext[i].html = changeMarkedHtml(nonZeroText(now), now, before);
        r.epsNext[i].toolTip = previousTip(previousValue(before));
    }
    // Once year Y+1 is reported its figure stands alone; the sort stays on the consensus.
    const double epsNew = num(Q::ColEpsNew);
    if (epsNew != 0)
        r.epsNext[0] = Cell{nonZeroText(epsNew), QString()};

    r.growth = growthText(num(Q::ColCagrNext));
    r.pe = ratioText(num(Q::ColPeTTM));
    r.peg = positiveText(num(Q::ColPeg));
    r.shortSuccess = successText(num(Q::ColShortSuccess));
    r.middleSuccess = successText(num(Q::ColMiddleSuccess));
    return r;
}
