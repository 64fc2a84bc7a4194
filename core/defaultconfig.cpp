#include "defaultconfig.h"

#include "corelog.h"
#include "globalstate.h"
#include "globalstate_p.h"
#include "jsonscript.h"
#include "platform.h"
#include "settingsvalue.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <memory>

using namespace GlobalStatePrivate;

namespace {

const char hostsVariable[] = "TAMREL_HOSTS";

std::unique_ptr<QSettings> openIni(const QString &path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

// The override file of TAMREL_HOSTS, or nothing.
std::unique_ptr<QSettings> openHostsOverride()
{
    const QString path = qEnvironmentVariable(hostsVariable);
    if (path.isEmpty())
        return nullptr;
    if (!QFileInfo(path).isFile()) {
        qCWarning(lcCore) << hostsVariable << "names no file:" << path;
        return nullptr;
    }
    qCInfo(lcCore) << "host addresses taken from" << path;
    return openIni(path);
}

// Key -> value text of one section, in ascending key order.
QMap<QString, QString> sectionEntries(QSettings &settings, const QString &section)
{
    QMap<QString, QString> entries;
    settings.beginGroup(section);
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        entries.insert(key, settingsText(settings, key));
    settings.endGroup();
    return entries;
}

void readJsonPairs(JsonScript &json, const QMap<QString, QString> &entries, const QString &first,
                   const QString &second, QStringList &firsts, QStringList &seconds)
{
    for (const QString &text : entries) {
        const QScriptValue object = json.parse(text);
        firsts.append(jsonText(object, first));
        seconds.append(jsonText(object, second));
    }
}

} // namespace

void loadDefaultConfig()
{
    loadDefaultConfig(QStringLiteral(":/config.ini"));
}

void loadDefaultConfig(const QString &path)
{
    const std::unique_ptr<QSettings> ini = openIni(path);
    const std::unique_ptr<QSettings> hosts = openHostsOverride();
    QSettings &s = *ini;
    Config c;
    Local &l = local();
    JsonScript json;
    // An address of the embedded file, unless the TAMREL_HOSTS file holds the key.
    const auto hostValue = [&](const QString &key) {
        return hosts && hosts->contains(key) ? settingsText(*hosts, key) : settingsText(s, key);
    };

    c.cnName = settingsText(s, QStringLiteral("Software/CnName"));
    c.enName = settingsText(s, QStringLiteral("Software/EnName"));
    c.version = settingsText(s, QStringLiteral("Software/Version"));
    c.build = settingsText(s, QStringLiteral("Software/Build"));
    c.platform = settingsText(s, QStringLiteral("Software/Platform"));
    c.website = hostValue(QStringLiteral("Contact/Website"));
    c.email = settingsText(s, QStringLiteral("Contact/Email"));
    c.qq = settingsText(s, QStringLiteral("Contact/QQ"));
    c.apiVerify = settingsText(s, QStringLiteral("ServiceApi/Verify"));
    c.apiFile = settingsText(s, QStringLiteral("ServiceApi/File"));
    c.apiShare = settingsText(s, QStringLiteral("ServiceApi/Share"));
    c.apiInst = settingsText(s, QStringLiteral("ServiceApi/Inst"));
    c.apiSubscribe = settingsText(s, QStringLiteral("ServiceApi/Subscribe"));
    c.apiFavorite = settingsText(s, QStringLiteral("ServiceApi/Favorite"));
    c.apiBlock = settingsText(s, QStringLiteral("ServiceApi/Block"));
    c.apiAnalyst = settingsText(s, QStringLiteral("ServiceApi/Analyst"));
    c.registerUrl = hostValue(QStringLiteral("Url/Register"));
    c.passwordUrl = hostValue(QStringLiteral("Url/Password"));
    c.cardUrl = hostValue(QStringLiteral("Url/Card"));
    c.shareUrl = hostValue(QStringLiteral("Url/Share"));
    c.optionDataYear = settingsInt(s, QStringLiteral("Option/DataYear"), 0);
    setDataYear(c.optionDataYear);

    QMap<QString, QString> hostEntries = sectionEntries(s, QStringLiteral("ServiceHost"));
    if (hosts) {
        const QMap<QString, QString> replaced = sectionEntries(*hosts, QStringLiteral("ServiceHost"));
        for (auto it = replaced.cbegin(); it != replaced.cend(); ++it)
            hostEntries.insert(it.key(), it.value());
    }
    readJsonPairs(json, hostEntries, QStringLiteral("name"), QStringLiteral("host"), c.hostNames,
                  c.hostUrls);

    c.objectHost = hostValue(QStringLiteral("ObjectHost/Host"));
    c.pathDat = settingsText(s, QStringLiteral("ObjectPath/Dat"));
    c.pathDay = settingsText(s, QStringLiteral("ObjectPath/Day"));
    c.pathDwn = settingsText(s, QStringLiteral("ObjectPath/Dwn"));
    c.pathTst = settingsText(s, QStringLiteral("ObjectPath/Tst"));
    c.localFileDir = settingsText(s, QStringLiteral("LocalDir/File"));
    c.localDayDir = settingsText(s, QStringLiteral("LocalDir/Day"));
    l.pdfReader = settingsInt(s, QStringLiteral("Option/PdfReader"), 0);
    c.optionPageSize = settingsInt(s, QStringLiteral("Option/PageSize"), 50);
    c.optionPageCount = settingsInt(s, QStringLiteral("Option/PageCount"), 0);
    c.optionIncludeCompany = settingsInt(s, QStringLiteral("Option/IncludeCompany"), 1);
    l.pageSize = c.optionPageSize;
    l.pageCount = c.optionPageCount;
    l.includeCompany = c.optionIncludeCompany;
    setMessageShow(settingsInt(s, QStringLiteral("Option/MessageShow"), 0));
    c.ratingDays = settingsInt(s, QStringLiteral("Option/RatingDays"), 0);
    c.recommendDays = settingsInt(s, QStringLiteral("Option/RecommendDays"), 0);
    c.maxOrderHistoryCount = settingsInt(s, QStringLiteral("Option/MaxOrderHistoryCount"), 0);
    c.optionFileFormat = settingsText(s, QStringLiteral("Option/FileFormat"));
    l.fileFormat = c.optionFileFormat;
    c.performShort = settingsInt(s, QStringLiteral("Perform/Short"), 0);
    c.performMiddle = settingsInt(s, QStringLiteral("Perform/Middle"), 0);

    const QMap<QString, QString> help = sectionEntries(s, QStringLiteral("Help"));
    c.helpKeys = help.keys();
    c.helpPages = help.values();

    const QMap<QString, QString> orders = sectionEntries(s, QStringLiteral("Orders"));
    for (const QString &text : orders) {
        c.orderIds.append(jsonText(json.parse(text), QStringLiteral("id")));
        c.orderTexts.append(text);
    }
    const QString code = QStringLiteral("code");
    const QString name = QStringLiteral("name");
    readJsonPairs(json, sectionEntries(s, QStringLiteral("Codes")), code, name, c.codeCodes,
                  c.codeNames);
    readJsonPairs(json, sectionEntries(s, QStringLiteral("FileFormat")), code, name,
                  c.formatCodes, c.formatNames);

    c.osName = platformOsName();
    c.dataLocation = platformDataLocation();
    c.appDir = QCoreApplication::applicationDirPath();
    config() = c;

    if (c.orderIds.isEmpty())
        qCWarning(lcCore) << "no list requests in" << path;
}
