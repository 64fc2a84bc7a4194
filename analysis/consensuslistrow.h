#pragma once

#include <QString>

#include "listrecord.h"

// One stock of a consensus list as its row shows it: the texts, marks and tool tips made from
// a record of ConsensusListQuery. A NULL value reads as 0.
struct ConsensusListRow
{
    // A rich-text cell and its tool tip (empty: none).
    struct Cell
    {
        QString html;
        QString toolTip;
    };

    QString code;
    QString name;
    QString industry; // the first of the stock's industries, plain text
    int reports = 0;  // published on the newest entry day

    QString count;      // institutions now, "-" without a consensus
    QString change;     // "+2", "-1" or empty
    int changeSign = 0; // of the change of institutions
    bool hasCount = false;
    QString ratings;
    bool hasRatings = false;
    QString bull, neutral, bear;

    Cell target; // range, mark and upside
    QString close;
    QString epsLast;
    Cell epsNext[3]; // Y+1 to Y+3
    QString growth;
    QString pe;
    QString peg;
    QString shortSuccess;
    QString middleSuccess;

    static ConsensusListRow fromRecord(const ListRecord &record);
};

// "low ~ high" with 2 decimals, or the one value when both are equal (empty when not above 0).
QString priceRangeText(double lower, double upper);
// A value in red with "↑" when it rose, in dark green with "↓" when it fell, with " -" when
// unchanged; the bare value when either is 0.
QString changeMarkedHtml(const QString &value, double today, double last);
