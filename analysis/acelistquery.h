#pragma once

#include "stocklistsql.h"

#include <Qt>

struct AnalysisListRequest;

// The one SELECT of an analyst ranking: every analyst with a T_Ace row in the newest data set,
// with the rows of the ranking year N and of N+1, the letter marks of both terms and the
// success rates; sorted by the key of a header section. No LIMIT: the window pages the whole
// result.
//
// Each analyst is joined to one T_Analyst record, the one the analyst cache shows: the highest
// Anl_ID among the current (Anl_New = 1) records of the newest snapshot. The institution,
// industry and years filters and the years sort read that record, so they agree with the row.
class AceListQuery
{
public:
    // Per year, in this order after the uid: year N+1 ("ThisYear_"), then year N ("LastYear_").
    enum YearField {
        StkCount,
        RatCount,
        ShortCount,
        ShortSuccessCount,
        ShortMaxRise,
        ShortAvgRise,
        MiddleCount,
        MiddleSuccessCount,
        MiddleMaxRise,
        MiddleAvgRise,
        YearFieldCount
    };
    enum Column {
        ColUid,
        ColThisYear,
        ColLastYear = ColThisYear + YearFieldCount,
        ColShortMark = ColLastYear + YearFieldCount,
        ColMiddleMark,
        ColThisShortRate,
        ColThisMiddleRate,
        ColLastShortRate,
        ColLastMiddleRate,
    };

    AceListQuery(const AnalysisListRequest &request, int sortSection, Qt::SortOrder order, int aceYear);

    const BoundSql &sql() const { return m_sql; }

    // True when the request can match no analyst ("anls" not an id, or followed analysts of
    // whom none is known): there is nothing to run.
    bool selectsNothing() const { return m_nothing; }

    // The sort clause of a header section and order, " desc " included.
    static QString sortClause(int section, Qt::SortOrder order);

private:
    BoundSql m_sql;
    bool m_nothing = false;
};
