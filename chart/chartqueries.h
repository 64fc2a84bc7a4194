#pragma once

// What the chart reads of a stock from the main database (the calling thread's connection).

#include <QString>
#include <QStringList>

// The days with ratings of the stock, ascending, as "yyyyMMdd".
QStringList readRatingDays(const QString &code);

// The stock's net profits of its newest (up to five) finance years, newest first, followed by
// the next year's: the average estimate of the new ratings above "hold" within the rating
// window, or when there are none the trailing twelve months' profit. "2015[1800],2014[1500],
// 2016[2100]"; empty without finance rows.
QString readYearProfitText(const QString &code, int ratingDays);
