#include "readflags.h"

#include "listslog.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

bool runFor(QSqlQuery &query, const QString &reportId)
{
    bool ok = false;
    const qlonglong id = reportId.toLongLong(&ok);
    query.addBindValue(ok ? QVariant(id) : QVariant(reportId));
    if (query.exec())
        return true;
    qCWarning(lcLists) << "Marking report" << reportId << "read failed:" << query.lastError().text();
    return false;
}

} // namespace

bool storeReadFlags(QSqlDatabase db, const QString &statement, const QStringList &ids, bool inTransaction)
{
    if (inTransaction && !db.transaction()) {
        qCWarning(lcLists) << "Marking a page read: no transaction:" << db.lastError().text();
        return false;
    }
    bool ok = true;
    {
        QSqlQuery query(db);
        ok = query.prepare(statement);
        if (!ok)
            qCWarning(lcLists) << "Marking read: cannot prepare:" << query.lastError().text();
        for (int i = 0; ok && i < ids.size(); ++i)
            ok = runFor(query, ids.at(i));
    }
    if (!inTransaction)
        return ok;
    if (ok) {
        ok = db.commit();
        if (!ok)
            qCWarning(lcLists) << "Marking a page read: commit failed:" << db.lastError().text();
    }
    if (!ok)
        db.rollback();
    return ok;
}
