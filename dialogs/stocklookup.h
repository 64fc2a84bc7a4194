#pragma once

#include <QList>
#include <QString>

struct StockMatch
{
    QString code;
    QString name;
};

// The stocks of T_Stock (delisted ones too) whose code holds the keyword before its ".SH" or ".SZ"
// ending, or whose name or spelling holds it, by code ascending. The keyword is matched as a LIKE
// pattern, so "%" and "_" in it are wildcards; ASCII letters match either case. Empty when the
// database cannot be read.
QList<StockMatch> lookupStocks(const QString &keyword);

// Whether T_Stock holds no stock at all, as before the update engine's first sync brings it;
// false when the table cannot be read.
bool stockTableEmpty();

enum class StockStanding { Listed, Delisted, Absent, Unreadable };

// What T_Stock says of the code now: listed, delisted (Stk_Quit not 0), no row of it, or the
// table could not be read.
StockStanding stockStanding(const QString &code);
