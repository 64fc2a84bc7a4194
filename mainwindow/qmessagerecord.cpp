#include "qmessagerecord.h"

#include "serviceapi.h"

QMessageRecord::QMessageRecord(const QString &reportId, const QString &title,
                               const QString &institution, const QString &type,
                               const QDateTime &entryTime, const QDateTime &publishDate)
    : reportId(reportId)
    , title(title)
    , institution(institution)
    , type(type)
    , entryTime(entryTime)
    , publishDate(publishDate)
    , text(QLatin1Char('[') + entryTime.toString(QStringLiteral("HH:mm")) + QStringLiteral("] ")
           + institution + QStringLiteral(" - ") + title)
{
}

QString QMessageRecord::getFileName() const
{
    // The lists read an empty type back as "PDF"; the strip must name the same local copy.
    const QString extension = type.isEmpty() ? QStringLiteral("PDF") : type;
    return makeReportFileName(institution, title, publishDate.toString(QStringLiteral("yyyyMMdd")),
                              extension);
}
