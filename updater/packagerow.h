#pragma once

// One row of a data package, read with QJsonDocument but giving the values that the script
// engine's JSON.parse and property access give (core/jsonscript.h), so the importers store
// what the program has always stored:
// - text: a string unchanged, a number as ECMAScript prints it (120 -> "120", 0.35 -> "0.35",
//   1e21 -> "1e+21"), null -> "null", true -> "true", an array joined by ",", an object
//   "[object Object]", a missing member "";
// - integer: ECMAScript ToInt32 of the value (strings as numbers, " 12 " -> 12, "0x10" -> 16,
//   2.9 -> 2, 4294967297 -> 1; missing, null and anything not a number -> 0).
//
// A value that the statement text once carried bare (unquoted) is only a number or null here:
// bareValue() checks it, so "0 or 1=1" is refused instead of reaching SQL.

#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1String>
#include <QString>
#include <QVariant>

QString ecmaNumberText(double value);
double ecmaStringToNumber(const QString &text);
QString ecmaText(const QJsonValue &value);
int ecmaInt32(const QJsonValue &value);

// A value for a bare position: SQL NULL for null, 1/0 for true/false, a number otherwise.
// Integers that fit 64 bits are bound as integers; other numbers are bound as their text, which
// the column's numeric affinity turns into the same value SQLite gives the literal.
struct BareValue
{
    bool valid = false;
    QVariant value;
};
BareValue bareValue(const QString &text);
// As above, but null is refused too: a key must name a row.
BareValue bareKey(const QString &text);

class PackageRow
{
public:
    PackageRow() = default;
    explicit PackageRow(const QJsonValue &row);

    QString text(QLatin1String key) const;
    int integer(QLatin1String key) const;
    bool contains(QLatin1String key) const { return m_object.contains(key); }

private:
    QJsonObject m_object;
};
