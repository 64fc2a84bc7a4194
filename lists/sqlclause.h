#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// A piece of SQL text with "?" placeholders and the values bound to them, in text order;
// the list queries assemble their statements from these.
struct SqlClause
{
    QString text;
    QVariantList values;

    bool isEmpty() const { return text.isEmpty(); }

    SqlClause &operator<<(const QString &piece)
    {
        text += piece;
        return *this;
    }
    SqlClause &operator<<(const SqlClause &other)
    {
        text += other.text;
        values += other.values;
        return *this;
    }
    // piece holds one "?" for value
    SqlClause &bind(const QString &piece, const QVariant &value)
    {
        text += piece;
        values << value;
        return *this;
    }
};

// "column like ? or column like ? ..." for analyst ids, each written "[id]" in an analyst
// list; the same test in one call of anl_any when the connection has it (analystFunction).
SqlClause analystIdClause(const QString &column, const QStringList &ids, bool analystFunction);

// analystIdClause of every id of every concerned analyst (their uids expanded through the
// analyst cache); empty when the user follows nobody. *noneKnown: the user follows analysts
// of whom the cache knows no id, so no rating or report can qualify.
SqlClause concernedAnalystClause(const QString &column, bool analystFunction, bool *noneKnown);

// "?, ?, ..." for count values.
QString sqlPlaceholders(int count);

// The rows of one list page: Option/PageSize, at least 1 whatever the settings file says.
int listPageSize();

class QSqlQuery;

// Prepares statement on query's database, binds values in order and runs it forward-only;
// false when it failed (query.lastError() tells).
bool execBound(QSqlQuery &query, const QString &statement, const QVariantList &values);
