#include "ratinglistrequest.h"

#include "jsonscript.h"

RatingListRequest RatingListRequest::parse(const QString &text, JsonScript &json)
{
    const QScriptValue root = json.parse(text);
    const QScriptValue args = root.property(QStringLiteral("args"));
    auto textArg = [&args](const char *name) { return jsonText(args, QLatin1String(name)); };
    auto intArg = [&args](const char *name) { return jsonInt(args, QLatin1String(name)); };

    RatingListRequest r;
    r.id = jsonText(root, QStringLiteral("id"));
    r.name = jsonText(root, QStringLiteral("name"));
    r.days = intArg("days");
    r.count = intArg("count");
    r.action = textArg("action");
    r.isNew = intArg("new");
    r.scope = intArg("scope");
    r.recomm = textArg("recomm");
    r.stkCode = textArg("stkCode");
    r.inst = textArg("inst");
    r.ind = textArg("ind");
    r.block = textArg("block");
    r.exchange = textArg("exchange");
    r.preCode = textArg("preCode");
    r.anls = textArg("anls");
    r.tp = intArg("tp");
    r.est = intArg("est");
    r.all = textArg("all");
    return r;
}
