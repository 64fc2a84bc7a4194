#include "chartqueries.h"

#include "dbconnection.h"

#include <QDate>
#include <QSqlQuery>
#include <QVariant>

namespace {

QString profitItem(const QString &year, const QVariant &value)
{
    return year + QLatin1Char('[') + value.toString() + QLatin1Char(']');
}

} // namespace

QStringList readRatingDays(const QString &code)
{
    QStringList days;
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select distinct date(Rpt_DtPublish) from T_Rating "
                                 "where Stk_Code = ? order by 1"));
    query.addBindValue(code);
    if (!query.exec())
        return days;
    while (query.next()) {
        const QDate day = QDate::fromString(query.value(0).toString(), QStringLiteral("yyyy-MM-dd"));
        if (day.isValid())
            days << day.toString(QStringLiteral("yyyyMMdd"));
    }
    return days;
}

QString readYearProfitText(const QString &code, int ratingDays)
{
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select Fin_Date, Prf_5010 from T_Finance where Stk_Code = ? "
                                 "order by Fin_Date desc limit 0, 5"));
    query.addBindValue(code);
    if (!query.exec())
        return QString();
    QStringList items;
    int latestYear = 0;
    while (query.next()) {
        const QDate date = QDate::fromString(query.value(0).toString().left(10), QStringLiteral("yyyy-MM-dd"));
        if (items.isEmpty())
            latestYear = date.year();
        items << profitItem(date.toString(QStringLiteral("yyyy")), query.value(1));
    }
    if (latestYear <= 0)
        return items.join(QLatin1Char(','));

    const QString nextYear = QString::number(latestYear + 1);
    query.prepare(QStringLiteral(
        "select T_Rating.Stk_Code, avg(est1.Est_NetProfit) from T_Rating "
        "left join T_Estimate est1 on est1.Rpt_ID = T_Rating.Rpt_ID and est1.Stk_Code = T_Rating.Stk_Code "
        "and est1.Est_Period = ? "
        "where Rpt_DtPublish >= date((select max(Rpt_DtEntry) from T_Report), ?) "
        "and Rat_New = 1 and Rat_Score > 3 and T_Rating.Stk_Code = ? "
        "group by T_Rating.Stk_Code"));
    query.addBindValue(nextYear + QStringLiteral("Q4"));
    query.addBindValue(QStringLiteral("-%1 day").arg(ratingDays));
    query.addBindValue(code);
    if (query.exec() && query.next()) {
        items << profitItem(nextYear, query.value(1));
        return items.join(QLatin1Char(','));
    }
    query.prepare(QStringLiteral("select Prf_5010_TTM from T_Stock where Stk_Code = ?"));
    query.addBindValue(code);
    if (query.exec() && query.next())
        items << profitItem(nextYear, query.value(0));
    return items.join(QLatin1Char(','));
}
