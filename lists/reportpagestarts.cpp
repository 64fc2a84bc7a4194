#include "reportpagestarts.h"

#include <QSqlDriver>
#include <QSqlQuery>

namespace {

// Changes whenever another connection to the file commits; its values are the connection's
// own, so the connection (reopened on another file) is part of it.
QString dataVersion(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("pragma data_version")) || !query.next())
        return QString();
    const QVariant handle = db.driver()->handle();
    const void *connection = handle.isValid() ? *static_cast<void *const *>(handle.constData()) : nullptr;
    return db.databaseName() + QLatin1Char('|') + QString::number(quintptr(connection)) + QLatin1Char('|')
           + query.value(0).toString();
}

} // namespace

void ReportPageStarts::apply(ReportListQuery &query, QSqlDatabase db)
{
    const QString version = dataVersion(db);
    if (version.isEmpty() || version != m_dataVersion)
        m_lists.clear();
    m_dataVersion = version;
    if (query.selectsNothing() || query.page() == 0)
        return;
    const QString key = query.listKey();
    for (const List &list : qAsConst(m_lists)) {
        if (list.key != key)
            continue;
        auto it = list.lastRows.lowerBound(query.page());
        if (it != list.lastRows.cbegin()) {
            --it;
            query.continueAfter(it.value(), it.key() + 1);
        }
        return;
    }
}

void ReportPageStarts::remember(const ReportListQuery &query, const ReportListKey &last)
{
    if (m_dataVersion.isEmpty() || query.selectsNothing())
        return;
    const QString key = query.listKey();
    int at = 0;
    while (at < m_lists.size() && m_lists.at(at).key != key)
        ++at;
    if (at == m_lists.size())
        m_lists.append({key, {}});
    m_lists.move(at, 0);
    m_lists.first().lastRows.insert(query.page(), last);
    while (m_lists.size() > kLists)
        m_lists.removeLast();
}
