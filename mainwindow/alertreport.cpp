#include "alertreport.h"

#include "mainwindowlog.h"
#include "reportlistrow.h"
#include "serviceapi.h"

#include <QSqlError>
#include <QSqlQuery>

QString AlertReport::pageText() const
{
    return pageCount > 0 ? QString::number(pageCount) + QStringLiteral("页") : QStringLiteral("-");
}

bool findAlertReport(const QSqlDatabase &db, const QString &reportId, AlertReport *report)
{
    bool isNumber = false;
    const qlonglong id = reportId.toLongLong(&isNumber);
    if (!isNumber || !db.isOpen())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select Rpt_Type, Rpt_DtEntry, Rpt_Page_Count, Ins_Name, Rpt_Title, "
                                 "Rpt_DtPublish from T_Report where Rpt_ID = ?"));
    query.addBindValue(id);
    if (!query.exec()) {
        qCWarning(lcMainWindow) << "alert report lookup failed:" << query.lastError().text();
        return false;
    }
    if (!query.next())
        return false;
    QString type = query.value(0).toString();
    if (type.isEmpty())
        type = QStringLiteral("PDF");
    report->id = reportId;
    report->entry = parseReportDateTime(query.value(1).toString());
    report->pageCount = query.value(2).toInt();
    report->institution = query.value(3).toString();
    report->title = query.value(4).toString();
    const QDate publish = parseReportDateTime(query.value(5).toString()).date();
    report->fileName = makeReportFileName(report->institution, report->title,
                                          publish.toString(QStringLiteral("yyyyMMdd")), type);
    return true;
}

void PendingAlerts::add(const QString &reportId, const QDate &today)
{
    forgetOtherDay(today);
    reportIds.append(reportId);
    while (reportIds.size() > kLimit)
        reportIds.removeFirst();
}

void PendingAlerts::resolve(const QDate &today, const std::function<bool(const QString &)> &resolve)
{
    forgetOtherDay(today);
    QStringList waiting;
    for (const QString &id : qAsConst(reportIds)) {
        if (!resolve(id))
            waiting.append(id);
    }
    reportIds = waiting;
}

void PendingAlerts::forgetOtherDay(const QDate &today)
{
    if (day != today)
        reportIds.clear();
    day = today;
}
