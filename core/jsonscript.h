#pragma once

// JSON texts read the way the program has always read them: through the script engine's
// JSON.parse and property access. A missing member reads as an empty text or 0, null reads
// as the text "null", numbers read as the script engine prints them (120 -> "120",
// 0.35 -> "0.35"), and a text that is not JSON reads as an object without members.
//
// A QScriptValue belongs to the engine that made it, and an engine to the thread that made
// it: keep a JsonScript for as long as its values are read, on one thread (a
// QCoreApplication must exist). One instance may
// parse any number of texts; making an engine costs far more than a parse, so a loader
// reuses one for all the entries it reads.

#include <QByteArray>
#include <QScriptEngine>
#include <QScriptValue>
#include <QString>

class JsonScript
{
public:
    JsonScript();
    JsonScript(const JsonScript &) = delete;
    JsonScript &operator=(const JsonScript &) = delete;

    QScriptValue parse(const QString &text);

    // A reply body: UTF-8 up to its first NUL byte.
    QScriptValue parseBody(const QByteArray &body);

private:
    QScriptEngine m_engine;
    QScriptValue m_parse;
};

// A body as text: UTF-8 up to its first NUL byte.
QString bodyText(const QByteArray &body);

// The value itself as text or as an int (truncated toward zero; missing, NaN -> 0).
QString jsonText(const QScriptValue &value);
int jsonInt(const QScriptValue &value);

// A member of an object.
QString jsonText(const QScriptValue &object, const QString &name);
int jsonInt(const QScriptValue &object, const QString &name);

// The "length" of an array (0 for anything without one) and one of its elements.
int jsonLength(const QScriptValue &array);
QScriptValue jsonElement(const QScriptValue &array, int index);
