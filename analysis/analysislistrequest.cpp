#include "analysislistrequest.h"

#include "jsonscript.h"

#include <QRegularExpression>

#include <cmath>

AnalysisListRequest AnalysisListRequest::parse(const QString &text, JsonScript &json)
{
    const QScriptValue root = json.parse(text);
    const QScriptValue args = root.property(QStringLiteral("args"));

    AnalysisListRequest r;
    r.valid = root.isObject();
    r.id = jsonText(root, QStringLiteral("id"));
    r.name = jsonText(root, QStringLiteral("name"));
    r.order = jsonText(root, QStringLiteral("order"));
    r.direct = jsonText(root, QStringLiteral("direct"));

    r.stkCode = jsonText(args, QStringLiteral("stkCode"));
    r.exchange = jsonText(args, QStringLiteral("exchange"));
    r.preCode = jsonText(args, QStringLiteral("preCode"));
    r.ind = jsonText(args, QStringLiteral("ind"));
    r.block = jsonText(args, QStringLiteral("block"));
    r.portfolio = jsonInt(args, QStringLiteral("portfolio"));

    r.tp = jsonInt(args, QStringLiteral("tp"));
    r.scope = jsonInt(args, QStringLiteral("scope"));
    r.est = jsonInt(args, QStringLiteral("est"));
    r.growth = jsonInt(args, QStringLiteral("growth"));
    r.pe = jsonInt(args, QStringLiteral("pe"));
    r.peg = jsonInt(args, QStringLiteral("peg"));
    r.inc = jsonInt(args, QStringLiteral("inc"));

    r.matrix = jsonText(args, QStringLiteral("matrix"));

    r.anls = jsonText(args, QStringLiteral("anls"));
    r.inst = jsonText(args, QStringLiteral("inst"));
    r.all = jsonText(args, QStringLiteral("all"));
    r.months = jsonInt(args, QStringLiteral("months"));
    r.shortRate = jsonInt(args, QStringLiteral("shortrate"));
    r.middleRate = jsonInt(args, QStringLiteral("middlerate"));
    return r;
}

QVariant sqlNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?$"));
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!number.match(trimmed).hasMatch() || !ok)
        return {};
    // Whole numbers compare with the integer columns as SQLite's literals would.
    if (std::floor(value) == value && std::abs(value) < 9e15)
        return qlonglong(value);
    return value;
}
