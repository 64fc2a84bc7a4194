#include "storedtime.h"

namespace {

// The value of the count ASCII digits at from, or -1.
int digitsAt(const QString &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QDate readStoredDate(const QString &text)
{
    if (text.size() < 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return QDate();
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    if (year < 0 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return QDate();
    return QDate(year, month, day);
}

int readStoredTime(const QString &text, int from)
{
    if (from < 0 || text.size() < from + 8 || text.at(from + 2) != QLatin1Char(':')
        || text.at(from + 5) != QLatin1Char(':'))
        return -1;
    const int hour = digitsAt(text, from, 2), minute = digitsAt(text, from + 3, 2), second = digitsAt(text, from + 6, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return -1;
    return hour * 3600 + minute * 60 + second;
}

QDateTime storedLocalDateTime(const QDate &date, const QTime &time)
{
    const QDateTime local(date, time);
    if (local.isValid() || !date.isValid() || !time.isValid())
        return local;
    // A day earlier the zone still had the offset from before the change.
    const int before = QDateTime(date, time, Qt::UTC).addDays(-1).toLocalTime().offsetFromUtc();
    return QDateTime(date, time, Qt::OffsetFromUTC, before);
}

QDateTime readStoredDateTime(const QString &text)
{
    const int seconds = text.size() == 19 && text.at(10) == QLatin1Char(' ') ? readStoredTime(text, 11) : -1;
    if (seconds < 0)
        return QDateTime();
    return storedLocalDateTime(readStoredDate(text), QTime::fromMSecsSinceStartOfDay(seconds * 1000));
}
