#include "acelistrow.h"

#include "acelistquery.h"
#include "analystcache.h"
#include "stockcache.h"

using Q = AceListQuery;

QString yearsInJobText(int months)
{
    if (months <= 11)
        return QStringLiteral("<1年");
    if (months >= 36)
        return QStringLiteral(">3年");
    return QStringLiteral("1~3年");
}

QString aceMarkText(int mark)
{
    const QString grade = levelGrade(mark);
    return grade.isEmpty() ? QStringLiteral("-") : grade;
}

QString successRateText(int success, int count)
{
    if (count <= 0)
        return QStringLiteral("-");
    return QString::number(success * 100.0 / count, 'f', 0) + QLatin1Char('%');
}

QString successRateTip(int success, int count)
{
    if (count <= 0)
        return QString();
    return QStringLiteral("完成：%1次\n成功：%2次").arg(count).arg(success);
}

QString riseText(double rise, int count)
{
    return count > 0 ? QString::number(rise, 'f', 1) : QStringLiteral("-");
}

namespace {

AceListRow::Term termOf(const ListRecord &q, int first, int count, int success, int maxRise, int avgRise)
{
    const int n = q.value(first + count).toInt();
    const int s = q.value(first + success).toInt();
    return {successRateText(s, n), successRateTip(s, n), riseText(q.value(first + avgRise).toDouble(), n),
            riseText(q.value(first + maxRise).toDouble(), n)};
}

AceListRow::Year yearOf(const ListRecord &q, int first)
{
    AceListRow::Year y;
    y.stocks = QString::number(q.value(first + Q::StkCount).toInt());
    y.ratings = QString::number(q.value(first + Q::RatCount).toInt());
    y.shortTerm = termOf(q, first, Q::ShortCount, Q::ShortSuccessCount, Q::ShortMaxRise, Q::ShortAvgRise);
    y.middleTerm = termOf(q, first, Q::MiddleCount, Q::MiddleSuccessCount, Q::MiddleMaxRise, Q::MiddleAvgRise);
    return y;
}

} // namespace

AceListRow AceListRow::fromRecord(const ListRecord &q)
{
    AceListRow r;
    r.uid = q.value(Q::ColUid).toString();
    r.id = getAnalystId(r.uid);
    r.name = getAnalystName(r.uid);
    r.inst = getAnalystInst(r.uid);
    r.industry = getAnalystIndustry(r.uid);
    r.years = yearsInJobText(getAnalystMonths(r.uid));
    r.last = yearOf(q, Q::ColLastYear);
    r.current = yearOf(q, Q::ColThisYear);
    r.shortMark = aceMarkText(q.value(Q::ColShortMark).toInt());
    r.middleMark = aceMarkText(q.value(Q::ColMiddleMark).toInt());
    return r;
}
