#include "analystaward.h"

#include "corelog.h"
#include "jsontext.h"
#include "settingsvalue.h"

#include <QJsonArray>
#include <QSettings>
#include <QStringList>
#include <QVector>

namespace {

struct AwardTable
{
    QStringList ids;
    QVector<int> medals;
};

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

void addCategory(const QString &text)
{
    const QJsonArray insts = parseJsonObject(text).value(QLatin1String("insts")).toArray();
    for (const QJsonValue &inst : insts) {
        const QJsonObject object = inst.toObject();
        const int medal = jsonInt(object.value(QLatin1String("medal")));
        const QStringList parts = jsonText(object.value(QLatin1String("anls")))
                                      .split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            const QString id = analystIdOf(part);
            if (id.isEmpty())
                continue;
            table().ids.append(id);
            table().medals.append(medal);
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
    for (const QString &key : keys)
        addCategory(settingsText(settings, key));
    settings.endGroup();
}

void clearAnalystAwardTable()
{
    table().ids.clear();
    table().medals.clear();
}

int getAnalystMedal(const QString &analystId)
{
    const int i = table().ids.indexOf(analystId);
    return i >= 0 ? table().medals.at(i) : 0;
}
