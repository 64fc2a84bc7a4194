#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QSqlQuery;

// One report of a list page as its row shows it: the values of the list query's record and
// the texts made from them. Database texts are escaped wherever they go into HTML.
class ReportListRow
{
public:
    // The current record of a query of ReportListQuery.
    static ReportListRow fromQuery(const QSqlQuery &query);

    QString id;
    QString type; // "PDF" when the stored type is empty
    QDateTime entry;
    int entryLag = 0;   // whole days from the entry day to the newest entry day
    int publishLag = 0; // whole days from the publication day to the entry day
    int exclusive = 0;
    QString inst;
    QString code;
    QString title;
    QString analysts; // Anl_List: "name[id],name[id]"
    QDate publish;
    int pageCount = 0;
    QString pageCountText;
    QString stockCode;
    int readed = 0;

    bool isUnread() const { return readed == 0; }

    // "MM/dd HH:mm" for the last four entry days, else "yyyy/MM/dd"; "*" for a report of the
    // newest day entered on or before its publication day.
    QString dateText() const;
    // The publication date after the title: "MMdd" or "yyyyMMdd", as the date text.
    QString titleSuffix() const;
    // "【category】title - suffix" as rich text.
    QString titleHtml() const;
    // The analysts as links (target: the analyst id) with their award medals.
    QString analystHtml() const;
    QStringList analystNames() const;
    QString pageText() const;
    QString publishText() const; // "yyyy/MM/dd"
    QString fileName() const;
    // ":/images/pdf.png" and the like; empty for a type without an icon.
    QString typeIcon() const;
};

// A date-time "yyyy-MM-dd HH:mm:ss" or a date "yyyy-MM-dd" (time 00:00); invalid otherwise. It
// shows the date and time as stored in any zone, in an hour the zone skips too (storedtime.h).
QDateTime parseReportDateTime(const QString &text);

// "&nbsp;" and the analysts of an analyst list ("name[id],name[id]") as links whose target is
// the id, each after its award medal; empty for an empty list.
QString analystLinksHtml(const QString &analystList);

// Text for HTML content and single- or double-quoted attributes.
QString escapeHtml(const QString &text);
