#include "subscribecontent.h"

#include "jsonscript.h"
#include "serviceapi.h"

#include <QUrl>

namespace {

QString member(const char *key, const QString &value)
{
    return QLatin1Char('"') + QLatin1String(key) + QStringLiteral("\":\"") + value + QLatin1Char('"');
}

} // namespace

QString buildSubscribeContent(const SubscribeCondition &condition)
{
    return QLatin1Char('{') + member("ttl", condition.title) + QLatin1Char(',') + member("ins", condition.inst)
           + QLatin1Char(',') + member("anl", condition.analyst) + QLatin1Char(',') + member("cod", condition.code)
           + QLatin1Char('}');
}

SubscribeCondition parseSubscribeContent(const QString &json)
{
    JsonScript script;
    const QScriptValue value = script.parse(json);
    SubscribeCondition condition{jsonText(value, QStringLiteral("ttl")), jsonText(value, QStringLiteral("ins")),
                                 jsonText(value, QStringLiteral("anl")), jsonText(value, QStringLiteral("cod"))};
    if (condition.inst.isEmpty())
        condition.inst = jsonText(value, QStringLiteral("ath"));
    return condition;
}

QString encodeSubscribeContent(const QString &json)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(json));
}

QString decodeSubscribeContent(const QString &stored)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(stored.toUtf8()));
}

bool isImproperKeyword(const QString &text)
{
    return containsSpecialChar(text);
}
