#pragma once

#include "sqlclause.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

class JsonScript;
class QSqlQuery;
struct ReportListRequest;

// The one SELECT over T_Report that shows a page of a report list: the statement text with
// "?" placeholders and the values bound to them, in order. Building it reads the options
// (page size, page count, IncludeCompany) and the user's lists that the request names
// (masked institutions, portfolio, blocks, concerned institutions and analysts,
// subscriptions, favourites) from the global state; it touches no database.
//
// Result columns, by index: 0 Rpt_ID, 1 Rpt_Type, 2 Rpt_DtEntry, 3 days from the entry day
// to the newest entry day of T_Report, 4 days from the publication day to the entry day,
// 5 Rpt_Exclusive, 6 Ins_Name, 7 Rpt_Code, 8 Rpt_Title, 9 Anl_List, 10 Rpt_DtPublish,
// 11 Rpt_Page_Count, 12 Stk_Code, 13 Rpt_Readed. Newest entry first, the higher id first
// among equal entry times.
// The sort key of a list row (Rpt_DtEntry, Rpt_ID) as stored: where the next page goes on.
struct ReportListKey
{
    QVariant entry;
    QVariant id;

    // The current record of a query of ReportListQuery.
    static ReportListKey of(const QSqlQuery &query);
};

class ReportListQuery
{
public:
    enum Column {
        ColId,
        ColType,
        ColEntry,
        ColEntryLag,
        ColPublishLag,
        ColExclusive,
        ColInst,
        ColCode,
        ColTitle,
        ColAnalysts,
        ColPublish,
        ColPageCount,
        ColStockCode,
        ColReaded,
    };

    // json parses the stored subscriptions (RPT_SUB_ALL). analystFunction: the connection has
    // anl_any (installAnalystListFunction), which then tests the analyst ids.
    ReportListQuery(const ReportListRequest &request, int page, JsonScript &json, bool analystFunction = false);

    // True when no report can qualify (a request that did not parse, or concerned analysts
    // without a single analyst id): there is nothing to run and the list is empty.
    bool selectsNothing() const { return m_nothing; }

    // Goes on after last, the last row of the first pagesBefore pages of this list (1 to the
    // page asked for), instead of skipping those pages' rows: the same rows, fewer read.
    void continueAfter(const ReportListKey &last, int pagesBefore);

    // The list without its page: equal for two queries that page through the same rows.
    QString listKey() const;
    int page() const { return m_page; }

    QString statement() const { return m_statement; }
    QVariantList values() const { return m_values; }

    // Prepares the statement on query's database, binds the values and runs it forward-only.
    // False when it selects nothing or the statement failed (query.lastError() tells).
    bool exec(QSqlQuery &query) const;

    // The rows of one page (Option/PageSize, at least 1).
    static int pageSize();

private:
    void build(const SqlClause &where, int pagesToSkip);

    SqlClause m_where;
    int m_page = 0;
    QString m_statement;
    QVariantList m_values;
    bool m_nothing = false;
};
