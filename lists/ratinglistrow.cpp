#include "ratinglistrow.h"

#include "globalstate.h"
#include "ratinglistquery.h"
#include "reportlistrow.h"
#include "serviceapi.h"

#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

// "a" when both bounds agree (empty for 0), else "a ~ b".
QString rangeText(double lower, double upper)
{
    if (lower == upper)
        return lower > 0 ? fixed(lower, 2) : QString();
    return fixed(lower, 2) + QStringLiteral(" ~ ") + fixed(upper, 2);
}

QString orDash(double value, int decimals)
{
    return value == 0 ? QStringLiteral("-") : fixed(value, decimals);
}

RatingListRow::Direction compare(double value, double previous, QString *mark)
{
    if (value > previous) {
        *mark = QStringLiteral("↑");
        return RatingListRow::Up;
    }
    if (value < previous) {
        *mark = QStringLiteral("↓");
        return RatingListRow::Down;
    }
    *mark = QStringLiteral(" -");
    return RatingListRow::None;
}

QString coloured(RatingListRow::Direction direction, const QString &text)
{
    switch (direction) {
    case RatingListRow::Up:
        return QStringLiteral("<font color='red'>") + text + QStringLiteral("</font>");
    case RatingListRow::Down:
        return QStringLiteral("<font color='darkgreen'>") + text + QStringLiteral("</font>");
    default:
        return text;
    }
}

} // namespace

RatingListRow RatingListRow::fromQuery(const QSqlQuery &q)
{
    using Q = RatingListQuery;
    auto text = [&q](int column) { return q.value(column).toString(); };
    auto number = [&q](int column) { return q.value(column).toDouble(); };

    RatingListRow r;
    r.id = text(Q::ColId);
    r.daysPassed = int(number(Q::ColDaysPassed));
    r.yearPassed = int(number(Q::ColYearPassed));
    r.publish = parseReportDateTime(text(Q::ColPublish));
    r.inst = text(Q::ColInst);
    r.analysts = text(Q::ColAnalysts);
    r.stockCode = text(Q::ColStockCode);
    r.stockName = text(Q::ColStockName);
    r.industry = text(Q::ColIndustry);
    r.recomm = text(Q::ColRecomm);
    r.score = q.value(Q::ColScore).toInt();
    r.action = text(Q::ColAction);
    r.pageCount = q.value(Q::ColPageCount).toInt();
    r.pricePub = number(Q::ColPricePub);
    r.tpLower = number(Q::ColTpLower);
    r.tpUpper = number(Q::ColTpUpper);
    r.preTpLower = number(Q::ColPreTpLower);
    r.preTpUpper = number(Q::ColPreTpUpper);
    r.adjustRatio = number(Q::ColAdjustRatio);
    r.close = number(Q::ColClose);
    r.scopeLower = number(Q::ColScopeLower);
    r.scopeUpper = number(Q::ColScopeUpper);
    r.change = number(Q::ColChange);
    r.epsLast = number(Q::ColEpsLast);
    r.epsNew = number(Q::ColEpsNew);
    for (int n = 0; n < 3; ++n) {
        r.eps[n] = number(Q::ColEps1 + n);
        r.preEps[n] = number(Q::ColPreEps1 + n);
    }
    r.peTtm = number(Q::ColPeTtm);
    r.peLast = number(Q::ColPeLast);
    r.performShort = number(Q::ColPerformShort);
    r.performMiddle = number(Q::ColPerformMiddle);
    r.hasReport = !q.value(Q::ColTitle).isNull();
    r.title = text(Q::ColTitle);
    r.type = text(Q::ColType);
    r.readed = q.value(Q::ColReaded).toInt();
    r.recommendId = text(Q::ColRecommendId);
    return r;
}

QString RatingListRow::dateText() const
{
    // Ratings of the newest entry's calendar year show no year.
    return publish.toString(yearPassed > 0 ? QStringLiteral("yy/MM/dd") : QStringLiteral("MM/dd"));
}

QString RatingListRow::analystHtml() const
{
    return analystLinksHtml(analysts);
}

QString RatingListRow::industryText() const
{
    const int comma = industry.indexOf(QLatin1Char(','));
    return comma > 0 ? industry.left(comma) : industry;
}

QString RatingListRow::actionMark() const
{
    return ratingActionMark(action);
}

QString ratingActionMark(const QString &action)
{
    if (action == QLatin1String("I"))
        return QStringLiteral("*");
    if (action == QLatin1String("U"))
        return QStringLiteral("↑");
    if (action == QLatin1String("D"))
        return QStringLiteral("↓");
    return QStringLiteral("-");
}

QString RatingListRow::ratingHtml() const
{
    return escapeHtml(recomm) + QLatin1Char('(') + actionMark() + QLatin1Char(')');
}

QString RatingListRow::ratingColor(bool old) const
{
    if (score > 4)
        return QStringLiteral("red");
    if (score == 3)
        return QStringLiteral("orange");
    if (score == 1 || score == 2)
        return QStringLiteral("green");
    return old ? QStringLiteral("gray") : QString();
}

QString RatingListRow::stockHtml() const
{
    return escapeHtml(stockName) + QStringLiteral("<br><font size='2' color='gray'>") + escapeHtml(stockCode)
           + QStringLiteral("</font>");
}

QString RatingListRow::pageText() const
{
    return pageCount > 0 ? QString::number(pageCount) : QStringLiteral("-");
}

QString RatingListRow::pricePubText() const
{
    if (pricePub <= 0)
        return QStringLiteral("-");
    // "(*)": the stock's price factor changed since the rating.
    return fixed(pricePub, 2) + (adjustRatio > 1 ? QStringLiteral("(*)") : QString());
}

QString RatingListRow::targetText() const
{
    const QString text = rangeText(tpLower, tpUpper);
    return !text.isEmpty() && adjustRatio > 1 ? text + QStringLiteral("(*)") : text;
}

QString RatingListRow::previousTargetText() const
{
    return rangeText(preTpLower, preTpUpper);
}

RatingListRow::Direction RatingListRow::targetChange(QString *mark) const
{
    mark->clear();
    // Only the lower bounds are compared, and only against a complete previous target.
    if (tpLower > 0 && preTpLower > 0 && preTpUpper > 0)
        return compare(tpLower, preTpLower, mark);
    return None;
}

QString RatingListRow::roomText() const
{
    if (targetText().isEmpty())
        return QString();
    if (scopeLower == scopeUpper)
        return tpLower > 0 ? fixed(scopeLower, 0) + QLatin1Char('%') : QString();
    return fixed(scopeLower, 0) + QStringLiteral(" ~ ") + fixed(scopeUpper, 0) + QLatin1Char('%');
}

QString RatingListRow::targetHtml() const
{
    const QString target = targetText();
    if (target.isEmpty())
        return QString();
    QString mark;
    const Direction direction = targetChange(&mark);
    return coloured(direction, target + mark) + QStringLiteral("<br><font size='2' color='gray'>( ") + roomText()
           + QStringLiteral(" )</font>");
}

QString RatingListRow::targetToolTip() const
{
    const QString previous = previousTargetText();
    return targetText().isEmpty() || previous.isEmpty() ? QString() : QStringLiteral("前值：") + previous;
}

QString RatingListRow::closeText() const
{
    return fixed(close, 2);
}

QString RatingListRow::changeText() const
{
    return orDash(change, 1);
}

QString RatingListRow::epsLastText() const
{
    return orDash(epsLast, 2);
}

RatingListRow::Direction RatingListRow::epsChange(int n, QString *mark) const
{
    mark->clear();
    const double value = eps[n - 1], previous = preEps[n - 1];
    if (value == 0 || previous == 0)
        return None;
    return compare(value, previous, mark);
}

QString RatingListRow::epsHtml(int n) const
{
    if (n == 1 && epsNew != 0)
        return orDash(epsNew, 2);
    QString mark;
    const Direction direction = epsChange(n, &mark);
    return coloured(direction, orDash(eps[n - 1], 2) + mark);
}

QString RatingListRow::epsToolTip(int n) const
{
    if (n == 1 && epsNew != 0)
        return QString();
    QString mark;
    epsChange(n, &mark);
    return mark.isEmpty() ? QString() : QStringLiteral("前值：") + orDash(preEps[n - 1], 3);
}

QString RatingListRow::peTtmText() const
{
    if (peTtm <= 0)
        return QStringLiteral("-");
    return fixed(peTtm, peTtm < 100 ? 1 : 0);
}

namespace {

// Growth over the three estimate years, with the exponent 0.333 the published figures use.
double cagr(double epsLast, double eps3)
{
    return (std::pow(eps3 / epsLast, 0.333) - 1) * 100;
}

} // namespace

QString RatingListRow::cagrText() const
{
    if (epsLast <= 0 || eps[2] <= 0)
        return QStringLiteral("-");
    return fixed(cagr(epsLast, eps[2]), 2);
}

QString RatingListRow::pegText() const
{
    if (epsLast <= 0 || eps[2] <= 0)
        return QStringLiteral("-");
    const double growth = cagr(epsLast, eps[2]);
    if (growth <= 0 || peLast <= 0)
        return QStringLiteral("-");
    return fixed(peLast / growth, 2);
}

QString RatingListRow::fileName() const
{
    if (!hasReport)
        return QString();
    const QString fileType = type.isEmpty() ? QStringLiteral("PDF") : type;
    return makeReportFileName(inst, title, publish.toString(QStringLiteral("yyyyMMdd")), fileType);
}

QString RatingListRow::performImage(double value, int threshold)
{
    if (value == 0)
        return QString();
    return value >= threshold ? QStringLiteral("<img src=':/images/correct.png'>")
                              : QStringLiteral("<img src=':/images/wrong.png'>");
}

QString RatingListRow::performText(double value)
{
    return value == 0 ? QString() : fixed(value, 1) + QLatin1Char('%');
}
