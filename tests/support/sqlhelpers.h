#pragma once

// Reading and running SQL in tests, on any connection.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

// The first column of every row; a single "error: ..." item when the statement fails.
inline QStringList sqlColumn(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        return {QStringLiteral("error: ") + query.lastError().text()};
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

// The first value of the first row; invalid when there is none or the statement fails.
inline QVariant sqlValue(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(db);
    return query.exec(sql) && query.next() ? query.value(0) : QVariant();
}

// Runs the statements in order; false at the first that fails.
inline bool runSql(QSqlDatabase db, const QStringList &statements)
{
    QSqlQuery query(db);
    for (const QString &statement : statements)
        if (!query.exec(statement))
            return false;
    return true;
}
