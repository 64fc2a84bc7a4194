#pragma once

#include "stocklistsql.h"

#include <Qt>

struct AnalysisListRequest;

// The one SELECT of a quote list: every listed stock that passes the request's filters with
// its close, its change in percent (only for stocks priced on the newest price date), PE,
// PB and its reports of the newest entry day; sorted by the key of a header section.
class QuoteListQuery
{
public:
    enum Column { ColCode, ColName, ColIndustry, ColReports, ColPrice, ColChange, ColPe, ColPb };

    QuoteListQuery(const AnalysisListRequest &request, int sortSection, Qt::SortOrder order);

    const BoundSql &sql() const { return m_sql; }

    static QString sortKey(int section);

private:
    BoundSql m_sql;
};
