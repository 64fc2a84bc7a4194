#include "reportlistrequest.h"

#include "jsonscript.h"

ReportListRequest ReportListRequest::parse(const QString &text, JsonScript &json)
{
    const QScriptValue root = json.parse(text);
    const QScriptValue args = root.property(QStringLiteral("args"));

    ReportListRequest r;
    r.id = jsonText(root, QStringLiteral("id"));
    r.name = jsonText(root, QStringLiteral("name"));
    r.valid = root.isObject() && !r.id.isEmpty();

    r.imp = jsonInt(args, QStringLiteral("imp"));
    r.inst = jsonText(args, QStringLiteral("inst"));
    r.ind = jsonText(args, QStringLiteral("ind"));
    r.all = jsonText(args, QStringLiteral("all"));
    r.block = jsonText(args, QStringLiteral("block"));
    r.code = jsonText(args, QStringLiteral("code"));
    r.anls = jsonText(args, QStringLiteral("anls"));
    r.stkCode = jsonText(args, QStringLiteral("stkCode"));
    r.titleKeyword = jsonText(args, QStringLiteral("titleKeyword"));
    r.instKeyword = jsonText(args, QStringLiteral("instKeyword"));
    r.analsKeyword = jsonText(args, QStringLiteral("analsKeyword"));
    r.fav = jsonText(args, QStringLiteral("fav"));
    r.yearStart = jsonText(args, QStringLiteral("yearStart"));
    r.yearEnd = jsonText(args, QStringLiteral("yearEnd"));
    return r;
}
