#pragma once

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// What an alert row shows of its report.
struct AlertReport
{
    QString id;
    QDateTime entry;
    int pageCount = 0;
    QString institution;
    QString title;
    QString fileName; // the report's local file name, as the report list names it

    QString pageText() const;
};

// The report of an alert, looked up in T_Report; false when it is not there (yet) or the
// query fails.
bool findAlertReport(const QSqlDatabase &db, const QString &reportId, AlertReport *report);

// Alerts whose report has not arrived yet: ratings can come in a package before their
// reports. They wait, the newest kept, until the reports arrive or the day ends.
class PendingAlerts
{
public:
    static constexpr int kLimit = 100;

    void add(const QString &reportId, const QDate &today);
    // Passes each waiting report id, oldest first, to resolve and keeps those it returns
    // false for. What waited since an earlier day is dropped unseen.
    void resolve(const QDate &today, const std::function<bool(const QString &)> &resolve);
    int size() const { return reportIds.size(); }

private:
    void forgetOtherDay(const QDate &today);

    QDate day;
    QStringList reportIds;
};
