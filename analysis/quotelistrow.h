#pragma once

#include <QString>

#include "listrecord.h"

// One stock of a quote list as its row shows it: the texts made from a record of
// QuoteListQuery. A NULL value reads as 0.
struct QuoteListRow
{
    QString code;
    QString name;
    QString industry; // the first of the stock's industries, plain text
    int reports = 0;
    QString price;
    QString change; // in percent, signed, without "%"
    int changeSign = 0;
    QString pe;
    QString pb;

    static QuoteListRow fromRecord(const ListRecord &record);
};
