#pragma once

#include <QString>

#include "listrecord.h"

// One stock of a value-matrix list as its row shows it: the texts made from a record of
// MatrixListQuery. A NULL value reads as 0. The level cell is not here: it shows the stock
// cache's level (matrixLevelHtml), which is the newest snapshot's.
struct MatrixListRow
{
    QString code;
    QString name;
    QString industry; // the first of the stock's industries, plain text
    int reports = 0;
    QString preType;
    QString price;
    QString roe[4];    // Y-2, Y-1, Y, TTM
    QString growth[4]; // Y-2, Y-1, Y, TTM
    QString cagrLast;
    QString eps[5]; // Y, Y+1 (reported when known), Y+2, Y+3, TTM
    QString cagrNext;
    QString pe;
    QString peg;

    static MatrixListRow fromRecord(const ListRecord &record);
};

// "&nbsp;<img src=':/images/L.png'>&nbsp;" + grade for a level L from 1 to 9, else "&nbsp;-".
QString matrixLevelHtml(int level, const QString &grade);
