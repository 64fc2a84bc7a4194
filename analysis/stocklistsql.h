#pragma once

// Pieces the SQL of the stock lists (consensus, value matrix, quotes) share: a statement with
// its bound values, and the stock filters of a request.

#include <QString>
#include <QStringList>
#include <QVariantList>

struct AnalysisListRequest;
class QSqlQuery;

// Statement text with "?" placeholders and their values, in text order.
struct BoundSql
{
    QString text;
    QVariantList values;

    BoundSql &operator<<(const QString &piece)
    {
        text += piece;
        return *this;
    }
    BoundSql &operator<<(const BoundSql &other)
    {
        text += other.text;
        values += other.values;
        return *this;
    }
    // piece holds one "?" for value
    BoundSql &bind(const QString &piece, const QVariant &value)
    {
        text += piece;
        values << value;
        return *this;
    }

    // Prepares the text on the query's database, binds the values and runs it forward-only;
    // a failure is logged with the database's error.
    bool exec(QSqlQuery &query) const;
};

// " and T_Stock.Stk_Code in (?, ...)" over "0" (no stock has it, so an empty list selects
// nothing) and the non-empty codes.
BoundSql stockCodeList(const QStringList &codes);

// The clauses of "stkCode", "exchange", "preCode", "ind", "block" and "portfolio", in that
// order, each only when given. The block's and portfolio's codes come from the user's lists.
BoundSql stockFilter(const AnalysisListRequest &request);
