#pragma once

#include "stocklistsql.h"

#include <Qt>

struct AnalysisListRequest;

// The one SELECT of a value-matrix list: every listed stock that passes the request's
// filters, with its year-end figures of the years Y-3 to Y+1, its newest matrix snapshot,
// its newest current consensus and its reports of the newest entry day; sorted by the key
// of a header section. No LIMIT: the window pages the whole result.
class MatrixListQuery
{
public:
    enum Column {
        ColCode,
        ColName,
        ColIndustry,
        ColReports,
        ColPreType,
        ColClose,
        ColRoeLast2,
        ColRoeLast1,
        ColRoeLast,
        ColRoeTTM,
        ColOpgLast2,
        ColOpgLast1,
        ColOpgLast,
        ColOpgTTM,
        ColCagrLast,
        ColEpsLast,
        ColEpsNew,
        ColEpsNext1,
        ColEpsNext2,
        ColEpsNext3,
        ColEpsTTM,
        ColCagrNext,
        ColPeTTM,
        ColPeg,
    };

    MatrixListQuery(const AnalysisListRequest &request, int sortSection, Qt::SortOrder order, int listYear);

    const BoundSql &sql() const { return m_sql; }

    // True when the "matrix" argument names something other than levels 1 to 9: such a list
    // is empty and there is nothing to run.
    bool selectsNothing() const { return m_nothing; }

    // The sort clause of a header section and order, " desc " included.
    static QString sortClause(int section, Qt::SortOrder order);

    // The levels of a "matrix" argument ("7,8,9", "7, 8", "07") as SQL reads their numbers,
    // blank parts dropped; false when a part is not a number.
    static bool parseLevels(const QString &text, QVariantList *levels);

private:
    BoundSql m_sql;
    bool m_nothing = false;
};
