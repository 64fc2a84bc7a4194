#include "reportlistrow.h"

#include "analystaward.h"
#include "globalstate.h"
#include "reportlistquery.h"
#include "serviceapi.h"
#include "storedtime.h"

#include <QSqlQuery>

QDateTime parseReportDateTime(const QString &text)
{
    const QString t = text.trimmed();
    // The stored forms are read by hand (storedtime.h); what they do not read goes through Qt.
    // Every value is made by storedLocalDateTime: the hour a change to summer time skips in the
    // user's zone still shows.
    const QDate stored = readStoredDate(t);
    if (stored.isValid() && t.size() >= 19 && t.at(10) == QLatin1Char(' ')) {
        const int seconds = readStoredTime(t, 11);
        if (seconds >= 0)
            return storedLocalDateTime(stored, QTime::fromMSecsSinceStartOfDay(seconds * 1000));
    } else if (stored.isValid() && t.size() < 19) {
        return storedLocalDateTime(stored, QTime(0, 0));
    }
    if (t.size() >= 19) {
        const QDateTime dt = QDateTime::fromString(t.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.isValid())
            return dt;
    }
    return storedLocalDateTime(QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
}

QString escapeHtml(const QString &text)
{
    QString s = text.toHtmlEscaped();
    s.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return s;
}

ReportListRow ReportListRow::fromQuery(const QSqlQuery &q)
{
    ReportListRow r;
    r.id = q.value(ReportListQuery::ColId).toString();
    r.type = q.value(ReportListQuery::ColType).toString();
    if (r.type.isEmpty())
        r.type = QStringLiteral("PDF");
    r.entry = parseReportDateTime(q.value(ReportListQuery::ColEntry).toString());
    r.entryLag = int(q.value(ReportListQuery::ColEntryLag).toDouble());
    r.publishLag = int(q.value(ReportListQuery::ColPublishLag).toDouble());
    r.exclusive = q.value(ReportListQuery::ColExclusive).toInt();
    r.inst = q.value(ReportListQuery::ColInst).toString();
    r.code = q.value(ReportListQuery::ColCode).toString();
    r.title = q.value(ReportListQuery::ColTitle).toString();
    r.analysts = q.value(ReportListQuery::ColAnalysts).toString();
    r.publish = parseReportDateTime(q.value(ReportListQuery::ColPublish).toString()).date();
    const QVariant pages = q.value(ReportListQuery::ColPageCount);
    r.pageCount = pages.toInt();
    r.pageCountText = pages.toString();
    r.stockCode = q.value(ReportListQuery::ColStockCode).toString();
    r.readed = q.value(ReportListQuery::ColReaded).toInt();
    return r;
}

QString ReportListRow::dateText() const
{
    QString text = entry.toString(entryLag <= 3 ? QStringLiteral("MM/dd HH:mm") : QStringLiteral("yyyy/MM/dd"));
    if (entryLag == 0 && publishLag <= 0)
        text += QLatin1Char('*');
    return text;
}

QString ReportListRow::titleSuffix() const
{
    return publish.toString(entryLag <= 3 ? QStringLiteral("MMdd") : QStringLiteral("yyyyMMdd"));
}

QString ReportListRow::titleHtml() const
{
    return QStringLiteral("【") + escapeHtml(getReportCodeName(code)) + QStringLiteral("】") + escapeHtml(title)
           + QStringLiteral("<font color='gray'> - ") + titleSuffix() + QStringLiteral("</font>");
}

namespace {

struct AnalystEntry
{
    QString name;
    QString number;
};

// "name[number]"; a part without "[" is a name alone, one without "]" runs to its end.
QVector<AnalystEntry> analystEntries(const QString &list)
{
    QVector<AnalystEntry> entries;
    for (const QString &part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int open = part.indexOf(QLatin1Char('['));
        if (open < 0) {
            entries.append({part, QString()});
            continue;
        }
        const int close = part.indexOf(QLatin1Char(']'));
        entries.append({part.left(open), close > open ? part.mid(open + 1, close - open - 1) : part.mid(open + 1)});
    }
    return entries;
}

QString medalImage(int medal)
{
    switch (medal) {
    case 1:
        return QStringLiteral("<img src=':/images/gold.png'>");
    case 2:
        return QStringLiteral("<img src=':/images/silver.png'>");
    case 3:
        return QStringLiteral("<img src=':/images/bronze.png'>");
    default:
        return QString();
    }
}

} // namespace

QString analystLinksHtml(const QString &analystList)
{
    QString html;
    for (const AnalystEntry &a : analystEntries(analystList)) {
        const int medal = a.number.isNull() ? 0 : getAnalystMedal(a.number);
        const QString link = medalImage(medal) + QStringLiteral("<a style='color:gray; text-decoration:none;' href='")
                             + escapeHtml(a.number) + QStringLiteral("'>") + escapeHtml(a.name)
                             + QStringLiteral("</a>");
        html += html.isEmpty() ? link : QStringLiteral("<font color='gray'>, </font>") + link;
    }
    return html.isEmpty() ? html : QStringLiteral("&nbsp;") + html;
}

QString ReportListRow::analystHtml() const
{
    return analystLinksHtml(analysts);
}

QStringList ReportListRow::analystNames() const
{
    QStringList names;
    for (const AnalystEntry &a : analystEntries(analysts))
        names << a.name;
    return names;
}

QString ReportListRow::pageText() const
{
    return pageCount <= 0 ? QStringLiteral("-") : pageCountText;
}

QString ReportListRow::publishText() const
{
    return publish.toString(QStringLiteral("yyyy/MM/dd"));
}

QString ReportListRow::fileName() const
{
    return makeReportFileName(inst, title, publish.toString(QStringLiteral("yyyyMMdd")), type);
}

QString ReportListRow::typeIcon() const
{
    if (type.startsWith(QLatin1String("PDF")))
        return QStringLiteral(":/images/pdf.png");
    if (type.startsWith(QLatin1String("DOC")))
        return QStringLiteral(":/images/doc.png");
    if (type.startsWith(QLatin1String("XLS")))
        return QStringLiteral(":/images/xls.png");
    if (type.startsWith(QLatin1String("PPT")))
        return QStringLiteral(":/images/ppt.png");
    return QString();
}
