#pragma once

// Rows written straight into the main database ("MainDB") by tests that need a fixture: a
// statement with bound values, one value read back, and one T_Report row.

#include "dbconnection.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

inline bool execSql(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(mainDatabase());
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    qWarning() << sql << q.lastError().text();
    return false;
}

struct FixtureReport
{
    qint64 id;
    QString entry, publish, inst, code, title, analysts, stock, industry;
    int imp = 0, pages = 1;
    QString type = QStringLiteral("PDF");
    int readed = 0, exclusive = 0;
};

// The first value of a query as text, or "(none)"; the statement is done with when this returns,
// so the caller's connection holds no read snapshot while another thread writes.
inline QString sqlText(const QString &sql, QSqlDatabase db = mainDatabase())
{
    QSqlQuery query(db);
    return query.exec(sql) && query.next() ? query.value(0).toString() : QStringLiteral("(none)");
}

// An empty publication date stands for the entry's day.
inline bool insertReport(const FixtureReport &r)
{
    return execSql(QStringLiteral("insert into T_Report (Rpt_ID, Rpt_Code, Rpt_Imp, Rpt_Exclusive, Ind_Name, Stk_Code, "
                                  "Ins_Name, Anl_List, Rpt_Title, Rpt_DtPublish, Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, "
                                  "Rpt_Readed, Rpt_DtModify) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {r.id, r.code, r.imp, r.exclusive, r.industry, r.stock, r.inst, r.analysts, r.title,
                    r.publish.isEmpty() ? r.entry.left(10) : r.publish, r.pages, r.entry, r.type, r.readed, r.entry});
}
