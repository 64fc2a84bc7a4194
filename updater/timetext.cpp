#include "timetext.h"

#include "storedtime.h"

#include <QDate>
#include <QDateTime>

namespace {

qint64 keyOf(const QDate &date, int seconds)
{
    return date.toJulianDay() * 86400 + seconds;
}

} // namespace

qint64 dateTimeKey(const QString &text)
{
    // The exact layout is read by hand; anything else goes through QDateTime, which the stored
    // texts were always compared with, so both read the same texts.
    if (text.size() == 19 && text.at(10) == QLatin1Char(' ')) {
        const QDate date = readStoredDate(text);
        const int seconds = readStoredTime(text, 11);
        if (date.isValid() && seconds >= 0)
            return keyOf(date, seconds);
    }
    const QDateTime slow = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!slow.isValid())
        return -1;
    return keyOf(slow.date(), slow.time().msecsSinceStartOfDay() / 1000);
}

qint64 dateKey(const QString &text)
{
    if (text.size() == 10) {
        const QDate date = readStoredDate(text);
        if (date.isValid())
            return keyOf(date, 0);
    }
    const QDate slow = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return slow.isValid() ? keyOf(slow, 0) : -1;
}
