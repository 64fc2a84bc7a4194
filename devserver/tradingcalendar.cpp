#include "tradingcalendar.h"

#include <unordered_set>

namespace {

// Exchange holidays: New Year, the Spring Festival week, Labour Day and the National Day week.
// Close enough to the real calendar for sample data.
const std::unordered_set<qint64> &holidays()
{
    static const std::unordered_set<qint64> set = [] {
        std::unordered_set<qint64> s;
        const int springFestival[][3] = {{2009, 1, 26}, {2010, 2, 14}, {2011, 2, 3}, {2012, 1, 23},
                                         {2013, 2, 10}, {2014, 1, 31}, {2015, 2, 19}, {2016, 2, 8},
                                         {2017, 1, 28}, {2018, 2, 16}, {2019, 2, 5}, {2020, 1, 25}};
        for (const auto &sf : springFestival) {
            const qint64 d = TradingCalendar::jd(sf[0], sf[1], sf[2]);
            for (qint64 k = d - 1; k <= d + 5; ++k)
                s.insert(k);
            const int y = sf[0];
            s.insert(TradingCalendar::jd(y, 1, 1));
            for (int k = 1; k <= 3; ++k)
                s.insert(TradingCalendar::jd(y, 5, k));
            for (int k = 1; k <= 7; ++k)
                s.insert(TradingCalendar::jd(y, 10, k));
        }
        return s;
    }();
    return set;
}

} // namespace

bool TradingCalendar::isTradingDay(qint64 jd)
{
    const int dow = QDate::fromJulianDay(jd).dayOfWeek();
    return dow <= 5 && !holidays().count(jd);
}

std::vector<qint64> TradingCalendar::days(qint64 fromJd, qint64 toJd)
{
    std::vector<qint64> out;
    for (qint64 d = fromJd; d <= toJd; ++d) {
        if (isTradingDay(d))
            out.push_back(d);
    }
    return out;
}

qint64 TradingCalendar::onOrBefore(qint64 jd)
{
    while (!isTradingDay(jd))
        --jd;
    return jd;
}

qint64 TradingCalendar::back(qint64 jd, int n)
{
    qint64 d = onOrBefore(jd);
    while (n-- > 0)
        d = onOrBefore(d - 1);
    return d;
}

qint64 TradingCalendar::stamp(qint64 jd, int hour, int minute, int second)
{
    return jd * 86400 + hour * 3600 + minute * 60 + second;
}

static void put2(char *p, int v)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
}

QByteArray TradingCalendar::dateText(qint64 jd)
{
    int y, m, d;
    QDate::fromJulianDay(jd).getDate(&y, &m, &d);
    char buf[10];
    put2(buf, y / 100);
    put2(buf + 2, y % 100);
    buf[4] = '-';
    put2(buf + 5, m);
    buf[7] = '-';
    put2(buf + 8, d);
    return QByteArray(buf, 10);
}

QByteArray TradingCalendar::dateTimeText(qint64 stamp)
{
    const qint64 jd = stamp / 86400;
    const int s = int(stamp % 86400);
    QByteArray out = dateText(jd);
    char buf[9];
    buf[0] = ' ';
    put2(buf + 1, s / 3600);
    buf[3] = ':';
    put2(buf + 4, (s / 60) % 60);
    buf[6] = ':';
    put2(buf + 7, s % 60);
    out.append(buf, 9);
    return out;
}
