#pragma once

#include <QByteArray>
#include <QDate>
#include <vector>

// Dates are Julian day numbers and times are "stamps" (Julian day * 86400 + seconds of the day,
// local wall time), so the data never depends on the machine's time zone.
class TradingCalendar
{
public:
    static bool isTradingDay(qint64 jd);
    // Every trading day in [fromJd, toJd], ascending.
    static std::vector<qint64> days(qint64 fromJd, qint64 toJd);
    // The latest trading day on or before jd.
    static qint64 onOrBefore(qint64 jd);
    // The trading day n trading days before jd (jd itself need not be one).
    static qint64 back(qint64 jd, int n);

    static qint64 stamp(qint64 jd, int hour, int minute, int second = 0);
    static qint64 dayOf(qint64 stamp) { return stamp / 86400; }
    static QByteArray dateText(qint64 jd);          // yyyy-MM-dd
    static QByteArray dateTimeText(qint64 stamp);   // yyyy-MM-dd HH:mm:ss
    static qint64 jd(int year, int month, int day) { return QDate(year, month, day).toJulianDay(); }
};
