#include "sqlclause.h"

#include "analystcache.h"
#include "analystlistfunction.h"
#include "globalstate.h"
#include "userlists.h"

#include <QSqlQuery>

#include <algorithm>

SqlClause analystIdClause(const QString &column, const QStringList &ids, bool analystFunction)
{
    SqlClause list;
    if (analystFunction && std::all_of(ids.cbegin(), ids.cend(), analystIdFitsFunction))
        return list.bind(QStringLiteral("anl_any(") + column + QStringLiteral(", ?)"), ids.join(QLatin1Char(',')));
    for (const QString &id : ids)
        list.bind((list.isEmpty() ? QString() : QStringLiteral(" or ")) + column + QStringLiteral(" like ?"),
                  QStringLiteral("%[") + id + QStringLiteral("]%"));
    return list;
}

SqlClause concernedAnalystClause(const QString &column, bool analystFunction, bool *noneKnown)
{
    *noneKnown = false;
    const QStringList uids = getConcernedAnalystList();
    if (uids.isEmpty())
        return SqlClause();
    QStringList ids;
    for (const QString &uid : uids)
        ids += getAnalystIdList(uid);
    *noneKnown = ids.isEmpty();
    return *noneKnown ? SqlClause() : analystIdClause(column, ids, analystFunction);
}

QString sqlPlaceholders(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return text;
}

int listPageSize()
{
    return qMax(1, getPageSize());
}

bool execBound(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}
