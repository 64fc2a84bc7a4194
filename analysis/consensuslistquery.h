#pragma once

#include "stocklistsql.h"

#include <Qt>

struct AnalysisListRequest;

// The one SELECT of a consensus list: every listed stock that passes the request's filters,
// with its current ('TDY') and previous ('LST') consensus of their newest snapshots, the
// year-end profits of the list year Y and Y+1, and its reports of the newest entry day;
// sorted by the key of a header section. No LIMIT: the window pages the whole result.
class ConsensusListQuery
{
public:
    enum Column {
        ColCode,
        ColName,
        ColIndustry,
        ColReports,
        ColInsCountToday,
        ColInsCountLast,
        ColRatCount,
        ColBull,
        ColNeutral,
        ColBear,
        ColMinPriceLower,
        ColMaxPriceUpper,
        ColLastPriceLower,
        ColLastPriceUpper,
        ColScopeLower,
        ColScopeUpper,
        ColClose,
        ColEpsLast,
        ColEpsNew,
        ColEpsNext1Today,
        ColEpsNext1Last,
        ColEpsNext2Today,
        ColEpsNext2Last,
        ColEpsNext3Today,
        ColEpsNext3Last,
        ColCagrNext,
        ColPeTTM,
        ColPeg,
        ColShortSuccess,
        ColMiddleSuccess,
        ColInsCountDiff,
    };

    ConsensusListQuery(const AnalysisListRequest &request, int sortSection, Qt::SortOrder order, int listYear);

    const BoundSql &sql() const { return m_sql; }

    // " order by <key> " of a header section; sections without a key sort by code.
    static QString sortKey(int section);

private:
    BoundSql m_sql;
};
