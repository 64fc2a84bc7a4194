#include "analystaward.h"

#include "corelog.h"
#include "jsonscript.h"
#include "settingsvalue.h"

#include <QHash>
#include <QSettings>
#include <QStringList>

namespace {

// Id -> medal of its first entry: a list page looks up every analyst of its rows.
using AwardTable = QHash<QString, int>;

AwardTable &table()
{
    static AwardTable t;
    return t;
}

// "Name[1234]" -> "1234"; a part without "[" has no id.
QString analystIdOf(const QString &part)
{
    const int open = part.indexOf(QLatin1Char('['));
    if (open < 0)
        return QString();
    const int close = part.indexOf(QLatin1Char(']'), open + 1);
    return close < 0 ? part.mid(open + 1) : part.mid(open + 1, close - open - 1);
}

void addCategory(JsonScript &json, const QString &text)
{
    const QScriptValue insts = json.parse(text).property(QStringLiteral("insts"));
    const int count = jsonLength(insts);
    for (int i = 0; i < count; ++i) {
        const QScriptValue inst = jsonElement(insts, i);
        const int medal = jsonInt(inst, QStringLiteral("medal"));
        const QStringList parts = jsonText(inst, QStringLiteral("anls"))
                                      .split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            const QString id = analystIdOf(part);
            if (id.isEmpty())
                continue;
            if (!table().contains(id))
                table().insert(id, medal);
        }
    }
}

} // namespace

void loadAnalystAwardTable()
{
    loadAnalystAwardTable(QStringLiteral(":/xcf.ini"));
}

void loadAnalystAwardTable(const QString &path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QStringList years = settings.childGroups();
    if (years.isEmpty()) {
        qCWarning(lcCore) << "no award years in" << path;
        return;
    }
    years.sort();
    settings.beginGroup(years.last());
    QStringList keys = settings.childKeys();
    keys.sort();
    JsonScript json;
    for (const QString &key : keys)
        addCategory(json, settingsText(settings, key));
    settings.endGroup();
}

void clearAnalystAwardTable()
{
    table().clear();
}

int getAnalystMedal(const QString &analystId)
{
    return table().value(analystId, 0);
}
