#include "timetext.h"

#include <QDate>
#include <QDateTime>

namespace {

// The digits of text[from, from + count) as a number, or -1.
int digitsAt(const QString &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const ushort u = text.at(i).unicode();
        if (u < '0' || u > '9')
            return -1;
        value = value * 10 + (u - '0');
    }
    return value;
}

qint64 keyOf(const QDate &date, int seconds)
{
    return date.toJulianDay() * 86400 + seconds;
}

// The exact layout is read here; anything else goes through QDateTime, which the stored texts
// were always compared with, so both read the same texts.
bool readDate(const QString &text, QDate *date)
{
    if (text.size() < 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return false;
    const int y = digitsAt(text, 0, 4);
    const int m = digitsAt(text, 5, 2);
    const int d = digitsAt(text, 8, 2);
    if (y < 0 || m < 0 || d < 0 || !QDate::isValid(y, m, d))
        return false;
    *date = QDate(y, m, d);
    return true;
}

} // namespace

qint64 dateTimeKey(const QString &text)
{
    QDate date;
    if (text.size() == 19 && text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':')
        && text.at(16) == QLatin1Char(':') && readDate(text, &date)) {
        const int h = digitsAt(text, 11, 2);
        const int mi = digitsAt(text, 14, 2);
        const int s = digitsAt(text, 17, 2);
        if (h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s < 60)
            return keyOf(date, h * 3600 + mi * 60 + s);
        return -1;
    }
    const QDateTime slow = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!slow.isValid())
        return -1;
    return keyOf(slow.date(), slow.time().msecsSinceStartOfDay() / 1000);
}

qint64 dateKey(const QString &text)
{
    QDate date;
    if (text.size() == 10 && readDate(text, &date))
        return keyOf(date, 0);
    const QDate slow = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return slow.isValid() ? keyOf(slow, 0) : -1;
}
