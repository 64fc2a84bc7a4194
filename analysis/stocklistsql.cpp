#include "stocklistsql.h"

#include "analysislistrequest.h"
#include "analysislog.h"
#include "stockcache.h"
#include "userlists.h"

#include <QSqlError>
#include <QSqlQuery>

bool BoundSql::exec(QSqlQuery &query) const
{
    query.setForwardOnly(true);
    bool ok = query.prepare(text);
    if (ok) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok)
        qCWarning(lcAnalysis) << "list query failed:" << query.lastError().text();
    return ok;
}

BoundSql stockCodeList(const QStringList &codes)
{
    BoundSql list;
    list.bind(QStringLiteral(" and T_Stock.Stk_Code in (?"), QStringLiteral("0"));
    for (const QString &code : codes) {
        if (!code.isEmpty())
            list.bind(QStringLiteral(", ?"), code);
    }
    return list << QStringLiteral(")");
}

BoundSql stockFilter(const AnalysisListRequest &r)
{
    BoundSql where;
    if (!r.stkCode.isEmpty())
        where.bind(QStringLiteral(" and T_Stock.Stk_Code = ? "), r.stkCode);
    if (!r.exchange.isEmpty())
        where.bind(QStringLiteral(" and T_Stock.Stk_Code like ? "), QLatin1Char('%') + r.exchange);
    const QStringList prefixes = r.preCode.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (!prefixes.isEmpty()) {
        BoundSql any;
        for (const QString &prefix : prefixes)
            any.bind(any.text.isEmpty() ? QStringLiteral("T_Stock.Stk_Code like ?")
                                        : QStringLiteral(" or T_Stock.Stk_Code like ?"),
                     prefix + QLatin1Char('%'));
        where << QStringLiteral(" and (") << any << QStringLiteral(") ");
    }
    if (!r.ind.isEmpty())
        where.bind(QStringLiteral(" and T_Stock.Ind_Name like ? "), r.ind + QLatin1Char('%'));
    if (!r.block.isEmpty())
        where << stockCodeList(getBlockStockList(r.block));
    if (r.portfolio > 0)
        where << stockCodeList(getPortfolioList());
    return where;
}
