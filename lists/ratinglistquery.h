#pragma once

#include <QString>
#include <QVariantList>

class QSqlQuery;
struct RatingListRequest;

// The one SELECT over T_Rating that shows a page of a rating list, with the previous rating,
// the estimates of both, the annual figures, the stock, the report and its recommendation
// joined in: the statement text with "?" placeholders and the values bound to them, in
// order. Every time window is counted back from the newest report entry, not from the clock.
// Building it reads the options and the user's lists the request names from the global
// state; it touches no database. Newest publication first, whatever the request's "order".
class RatingListQuery
{
public:
    // Result columns, by index.
    enum Column {
        ColId,
        ColDaysPassed,
        ColYearPassed,
        ColPublish,
        ColZero,
        ColInst,
        ColAnalysts,
        ColStockCode,
        ColStockName,
        ColIndustry,
        ColRecomm,
        ColScore,
        ColAction,
        ColPageCount,
        ColPricePub,
        ColTpLower,
        ColTpUpper,
        ColPreTpLower,
        ColPreTpUpper,
        ColAdjustRatio,
        ColClose,
        ColScopeLower,
        ColScopeUpper,
        ColChange,
        ColEpsLast,
        ColEpsNew,
        ColEps1,
        ColEps2,
        ColEps3,
        ColPreEps1,
        ColPreEps2,
        ColPreEps3,
        ColPeTtm,
        ColPeLast,
        ColPerformShort,
        ColPerformMiddle,
        ColTitle,
        ColType,
        ColReaded,
        ColRecommendId,
        ColumnCount
    };

    // analystFunction: the connection has anl_any (installAnalystListFunction), which then
    // tests the analyst ids.
    RatingListQuery(const RatingListRequest &request, int page, bool analystFunction = false);

    // True when no rating can qualify (a "recomm" that is not a comparison with a score, or
    // concerned analysts without a single analyst id): nothing to run, the list is empty.
    bool selectsNothing() const { return m_nothing; }

    QString statement() const { return m_statement; }
    QVariantList values() const { return m_values; }

    // Prepares the statement on query's database, binds the values and runs it forward-only.
    // False when it selects nothing or the statement failed (query.lastError() tells).
    bool exec(QSqlQuery &query) const;

private:
    QString m_statement;
    QVariantList m_values;
    bool m_nothing = false;
};

// "=5", "> 3", "<>3.5" and the like: the operator (=, ==, !=, <>, <, <=, >, >=) and the number
// of a "recomm" argument, blanks around them allowed; false for anything else.
bool parseScoreComparison(const QString &text, QString *op, double *score);
