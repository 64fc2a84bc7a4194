#pragma once

// Reading JSON texts the way the rest of the program expects: a missing member reads as
// an empty text or 0, and a text that is not a JSON object reads as an object without
// members.

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

QJsonObject parseJsonObject(const QString &text);

// Numbers as the shortest decimal text ("50", "1.5"), booleans as "true"/"false",
// objects and arrays as compact JSON, null and missing values as an empty text.
QString jsonText(const QJsonValue &value);

// Numbers truncated toward zero, numeric texts converted, anything else 0.
int jsonInt(const QJsonValue &value);
