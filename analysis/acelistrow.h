#pragma once

#include <QString>

#include "listrecord.h"

// One analyst of a ranking as its row shows it: the texts made from a record of AceListQuery.
// Name, institution, industry and years come from the analyst cache by uid; the rates are
// worked out again from the two counts. A NULL value reads as 0.
struct AceListRow
{
    // One term (short or middle) of one year.
    struct Term
    {
        QString rate; // "67%", or "-" without completed recommendations
        QString tip;  // completed and successful, empty without completed recommendations
        QString avgRise;
        QString maxRise;
    };
    struct Year
    {
        QString stocks;
        QString ratings;
        Term shortTerm;
        Term middleTerm;
    };

    QString uid;
    QString id; // the cache's Anl_ID, empty for an analyst it does not know
    QString name;
    QString inst;
    QString industry;
    QString years;
    Year last; // year N
    Year current; // year N+1
    QString shortMark;
    QString middleMark;

    static AceListRow fromRecord(const ListRecord &record);
};

// "<1年" up to 11 months, ">3年" from 36, else "1~3年".
QString yearsInJobText(int months);
// The letter of a mark from 1 to 9, "-" for any other.
QString aceMarkText(int mark);
// Success count * 100 / count, rounded, with "%"; "-" when count is not above 0.
QString successRateText(int success, int count);
// "完成：count次\n成功：success次"; empty when count is not above 0.
QString successRateTip(int success, int count);
// One decimal; "-" when count is not above 0.
QString riseText(double rise, int count);
