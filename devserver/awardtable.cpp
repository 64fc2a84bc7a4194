#include "awardtable.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <map>

bool AwardTable::load(const QString &path, QStringList *warnings)
{
    m_analysts.clear();
    if (!QFileInfo(path).isFile())
        return false;
    QSettings ini(path, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    if (ini.status() != QSettings::NoError)
        return false;

    std::map<int, Analyst> byId;
    QStringList groups = ini.childGroups();
    groups.sort();
    for (const QString &group : groups) {
        ini.beginGroup(group);
        QStringList keys = ini.childKeys();
        keys.sort();
        for (const QString &key : keys) {
            const QVariant raw = ini.value(key);
            // An unquoted value with commas comes back as a list.
            const QString text = raw.type() == QVariant::StringList ? raw.toStringList().join(QLatin1Char(','))
                                                                    : raw.toString();
            const QJsonObject category = QJsonDocument::fromJson(text.toUtf8()).object();
            if (category.isEmpty()) {
                warnings->append(QStringLiteral("%1/%2: not a JSON object").arg(group, key));
                continue;
            }
            const QString cat = category.value(QLatin1String("cat")).toString();
            for (const QJsonValue &instValue : category.value(QLatin1String("insts")).toArray()) {
                const QJsonObject inst = instValue.toObject();
                const QString instName = inst.value(QLatin1String("inst")).toString().trimmed();
                const QStringList parts = inst.value(QLatin1String("anls")).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
                for (const QString &part : parts) {
                    const int open = part.indexOf(QLatin1Char('['));
                    const int close = part.indexOf(QLatin1Char(']'), open + 1);
                    if (open < 0 || close < 0)
                        continue;
                    bool ok = false;
                    const int id = part.mid(open + 1, close - open - 1).toInt(&ok);
                    if (!ok || id < 1 || id > 9999) {
                        warnings->append(QStringLiteral("%1/%2: bad analyst id in \"%3\"").arg(group, key, part));
                        continue;
                    }
                    Analyst a;
                    a.id = id;
                    a.name = part.left(open).trimmed();
                    a.institution = instName;
                    a.category = cat;
                    auto it = byId.find(id);
                    if (it != byId.end() && (it->second.name != a.name || it->second.institution != a.institution)) {
                        warnings->append(QStringLiteral("analyst %1: %2/%3 replaces %4/%5")
                                             .arg(id).arg(a.name, a.institution, it->second.name, it->second.institution));
                    }
                    byId[id] = a;
                }
            }
        }
        ini.endGroup();
    }
    for (auto &entry : byId)
        m_analysts.push_back(entry.second);
    return true;
}

QStringList AwardTable::institutions() const
{
    QStringList out;
    for (const Analyst &a : m_analysts) {
        if (!a.institution.isEmpty() && !out.contains(a.institution))
            out.append(a.institution);
    }
    return out;
}
