#pragma once

#include "userlists.h"

#include <limits>

// For tests that link the core library: clears the user-list store's stamps, and empties the
// store through its own operations, so that a test starts from what a fresh login sees.
inline void clearUserListStamps()
{
    constexpr qint64 any = std::numeric_limits<qint64>::max();
    clearConcernedInstModified(any);
    clearConcernedAnalystModified(any);
    clearReportSubscribeModified(any);
    clearReportFavoriteModified(any);
    clearStockBlockModified(any);
    clearPortfolioModified(any);
}

inline void resetUserLists()
{
    for (const QString &name : getFavoriteNameList())
        deleteFavorite(name);
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
    for (const QString &name : getSubscribeNameList())
        deleteSubscribe(name);
    for (const QString &name : getConcernedInstList())
        removeFromConcernedInstList(name);
    for (const QString &uid : getConcernedAnalystList())
        removeFromConcernedAnalystList(uid);
    for (const QString &code : getPortfolioList())
        removeFromPortfolioList(code);
    clearUserListStamps();
}
