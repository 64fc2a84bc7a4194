#include "listrequest.h"

#include "jsonscript.h"

#include <QRegularExpression>

QString escapeJsonString(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\b':
            out += QLatin1String("\\b");
            break;
        case '\f':
            out += QLatin1String("\\f");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString fillListRequest(const QString &templateText, const QHash<QString, QString> &values)
{
    static const QRegularExpression placeholder(QStringLiteral("%[A-Za-z]+%"));
    QString out;
    int done = 0;
    auto it = placeholder.globalMatch(templateText);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const auto value = values.constFind(match.captured());
        if (value == values.constEnd())
            continue;
        out += templateText.midRef(done, match.capturedStart() - done);
        out += escapeJsonString(*value);
        done = match.capturedEnd();
    }
    out += templateText.midRef(done);
    return out;
}

QString listRequestId(const QString &request)
{
    JsonScript json;
    return jsonText(json.parse(request), QStringLiteral("id"));
}

QString listRequestName(const QString &request)
{
    JsonScript json;
    return jsonText(json.parse(request), QStringLiteral("name"));
}
