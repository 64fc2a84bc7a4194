#include "jsontext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <cmath>
#include <limits>

QJsonObject parseJsonObject(const QString &text)
{
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    return doc.isObject() ? doc.object() : QJsonObject();
}

QString jsonText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    default:
        return QString();
    }
}

int jsonInt(const QJsonValue &value)
{
    double d = 0;
    if (value.isDouble()) {
        d = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        d = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            return 0;
    } else if (value.isBool()) {
        return value.toBool() ? 1 : 0;
    }
    if (!std::isfinite(d) || d >= double(std::numeric_limits<int>::max()) + 1.0
        || d <= double(std::numeric_limits<int>::min()) - 1.0)
        return 0;
    return int(std::trunc(d));
}
