#include "jsonscript.h"

JsonScript::JsonScript()
    : m_parse(m_engine.globalObject().property(QStringLiteral("JSON")).property(QStringLiteral("parse")))
{
}

QScriptValue JsonScript::parse(const QString &text)
{
    const QScriptValue result = m_parse.call(QScriptValue(), QScriptValueList{QScriptValue(text)});
    if (!m_engine.hasUncaughtException())
        return result;
    m_engine.clearExceptions();
    return m_engine.newObject();
}

QScriptValue JsonScript::parseBody(const QByteArray &body)
{
    return parse(bodyText(body));
}

QString bodyText(const QByteArray &body)
{
    const int nul = body.indexOf('\0');
    return QString::fromUtf8(body.constData(), nul < 0 ? body.size() : nul);
}

QString jsonText(const QScriptValue &value)
{
    // An invalid value (a missing member) prints as an empty text, undefined would print
    // "undefined".
    if (!value.isValid() || value.isUndefined())
        return QString();
    return value.toString();
}

int jsonInt(const QScriptValue &value)
{
    return value.isValid() ? int(value.toInt32()) : 0;
}

QString jsonText(const QScriptValue &object, const QString &name)
{
    return jsonText(object.property(name));
}

int jsonInt(const QScriptValue &object, const QString &name)
{
    return jsonInt(object.property(name));
}

int jsonLength(const QScriptValue &array)
{
    return jsonInt(array, QStringLiteral("length"));
}

QScriptValue jsonElement(const QScriptValue &array, int index)
{
    return index < 0 ? QScriptValue() : array.property(quint32(index));
}
