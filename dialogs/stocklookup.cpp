#include "stocklookup.h"

#include "dbconnection.h"
#include "dialogslog.h"

#include <QSqlError>
#include <QSqlQuery>

QList<StockMatch> lookupStocks(const QString &keyword)
{
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select Stk_Code, Stk_Name from T_Stock where Stk_Code like ? or Stk_Code like ? "
                                 "or Stk_Name like ? or Stk_Spell like ? order by Stk_Code"));
    const QString inner = QLatin1Char('%') + keyword + QLatin1Char('%');
    query.addBindValue(inner + QStringLiteral(".SH"));
    query.addBindValue(inner + QStringLiteral(".SZ"));
    query.addBindValue(inner);
    query.addBindValue(inner);
    QList<StockMatch> matches;
    if (!query.exec()) {
        qCWarning(lcDialogs) << "stock lookup failed:" << query.lastError().text();
        return matches;
    }
    while (query.next())
        matches.append(StockMatch{query.value(0).toString(), query.value(1).toString()});
    return matches;
}

bool stockTableEmpty()
{
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select 1 from T_Stock limit 1"))) {
        qCWarning(lcDialogs) << "stock table not read:" << query.lastError().text();
        return false;
    }
    return !query.next();
}

StockStanding stockStanding(const QString &code)
{
    QSqlQuery query(mainDatabase());
    const bool prepared = query.prepare(QStringLiteral("select Stk_Quit from T_Stock where Stk_Code = ?"));
    query.addBindValue(code);
    if (!prepared || !query.exec()) {
        qCWarning(lcDialogs) << "stock standing not read:" << query.lastError().text();
        return StockStanding::Unreadable;
    }
    if (!query.next())
        return StockStanding::Absent;
    return query.value(0).toInt() == 0 ? StockStanding::Listed : StockStanding::Delisted;
}
