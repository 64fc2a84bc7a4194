#include "globalstate.h"
#include "globalstate_p.h"

#include <QMutex>
#include <QMutexLocker>

using namespace GlobalStatePrivate;

namespace {

// Items that the update engine reads while the GUI thread may change them.
struct Shared
{
    QMutex lock;
    QString sessionId;
    int proxyEnable = 0;
    QString proxyHost;
    int proxyPort = 0;
    QString proxyUser, proxyPassword;
    QStringList alertKinds;
    int messageShow = 0;
    int dataYear = 0;
    QString dataDir;
    int hostIndex = 0;
    QStringList currentStockList;
};

Shared &shared()
{
    static Shared s;
    return s;
}

template<typename T>
T readShared(T Shared::*member)
{
    Shared &s = shared();
    QMutexLocker locker(&s.lock);
    return s.*member;
}

template<typename T>
void writeShared(T Shared::*member, const T &value)
{
    Shared &s = shared();
    QMutexLocker locker(&s.lock);
    s.*member = value;
}

QFont &appFont()
{
    static QFont font;
    return font;
}

QString entryOf(const QStringList &keys, const QStringList &values, const QString &key)
{
    const int i = keys.indexOf(key);
    return i >= 0 && i < values.size() ? values.at(i) : QString();
}

} // namespace

namespace GlobalStatePrivate {

Config &config()
{
    static Config c;
    return c;
}

Local &local()
{
    static Local l;
    return l;
}

void storeDataDir(const QString &dir)
{
    writeShared(&Shared::dataDir, dir);
}

void storeProxyValues(int enable, const QString &host, int port, const QString &user,
                      const QString &password)
{
    Shared &s = shared();
    QMutexLocker locker(&s.lock);
    s.proxyEnable = enable;
    s.proxyHost = host;
    s.proxyPort = port;
    s.proxyUser = user;
    s.proxyPassword = password;
}

} // namespace GlobalStatePrivate

QString getCnName() { return config().cnName; }
QString getEnName() { return config().enName; }
QString getVersion() { return config().version; }
QString getBuild() { return config().build; }
QString getPlatform() { return config().platform; }
QString getWebsite() { return config().website; }
QString getEmail() { return config().email; }
QString getQQ() { return config().qq; }

QString getRegisterUrl() { return config().registerUrl; }
QString getPasswordUrl() { return config().passwordUrl; }
QString getCardUrl() { return config().cardUrl; }
QString getShareUrl() { return config().shareUrl; }

QString getServiceApiVerify() { return config().apiVerify; }
QString getServiceApiFile() { return config().apiFile; }
QString getServiceApiShare() { return config().apiShare; }
QString getServiceApiInst() { return config().apiInst; }
QString getServiceApiSubscribe() { return config().apiSubscribe; }
QString getServiceApiFavorite() { return config().apiFavorite; }
QString getServiceApiBlock() { return config().apiBlock; }
QString getServiceApiAnalyst() { return config().apiAnalyst; }
QString getObjectHost() { return config().objectHost; }
QString getObjectPathDat() { return config().pathDat; }
QString getObjectPathDay() { return config().pathDay; }
QString getObjectPathDwn() { return config().pathDwn; }
QString getObjectPathTst() { return config().pathTst; }

QString getLocalFileDir() { return config().localFileDir; }
QString getLocalDayDir() { return config().localDayDir; }

int getRatingDays() { return config().ratingDays; }
int getRecommendDays() { return config().recommendDays; }
int getMaxOrderHistoryCount() { return config().maxOrderHistoryCount; }
int getPerformShort() { return config().performShort; }
int getPerformMiddle() { return config().performMiddle; }

QString getOsName() { return config().osName; }
QString getDataLocation() { return config().dataLocation; }
QString getAppDir() { return config().appDir; }

QString getDataDir() { return readShared(&Shared::dataDir); }
QString getNewDataDir() { return local().newDataDir; }
QString getSaveDir() { return local().saveDir; }

int getPageSize() { return local().pageSize; }
void setPageSize(int size) { local().pageSize = size; }
int getPageCount() { return local().pageCount; }
void setPageCount(int count) { local().pageCount = count; }
int getIncludeCompany() { return local().includeCompany; }
void setIncludeCompany(int include) { local().includeCompany = include; }
int getPdfReader() { return local().pdfReader; }
void setPdfReader(int reader) { local().pdfReader = reader; }
int getMessageShow() { return readShared(&Shared::messageShow); }
void setMessageShow(int show) { writeShared(&Shared::messageShow, show); }
int getDataYear() { return readShared(&Shared::dataYear); }
void setDataYear(int year) { writeShared(&Shared::dataYear, year); }
QString getFileFormat() { return local().fileFormat; }
void setFileFormat(const QString &format) { local().fileFormat = format; }

bool isAlertEnabled(const QString &kind)
{
    Shared &s = shared();
    QMutexLocker locker(&s.lock);
    return s.alertKinds.contains(kind, Qt::CaseSensitive);
}

QStringList getAlertKinds() { return readShared(&Shared::alertKinds); }
void setAlertKinds(const QStringList &kinds) { writeShared(&Shared::alertKinds, kinds); }

int getProxyEnable() { return readShared(&Shared::proxyEnable); }
QString getProxyHost() { return readShared(&Shared::proxyHost); }
int getProxyPort() { return readShared(&Shared::proxyPort); }
QString getProxyUser() { return readShared(&Shared::proxyUser); }
QString getProxyPassword() { return readShared(&Shared::proxyPassword); }

void setProxy(const QString &host, int port, const QString &user, const QString &password)
{
    storeProxyValues(1, host, port, user, password);
}

void disableProxy()
{
    writeShared(&Shared::proxyEnable, 0);
}

QString getAccount() { return local().account; }
QString getPassword() { return local().password; }
QString getUserName() { return local().userName; }
QString getSessionId() { return readShared(&Shared::sessionId); }
void setSessionId(const QString &sessionId) { writeShared(&Shared::sessionId, sessionId); }
int getHostIndex() { return readShared(&Shared::hostIndex); }
void setHostIndex(int index) { writeShared(&Shared::hostIndex, index); }

QString getServiceHostName()
{
    const int i = getHostIndex();
    return config().hostNames.value(i);
}

QString getServiceHostUrl()
{
    const int i = getHostIndex();
    return config().hostUrls.value(i);
}

QStringList getServiceHostNameList() { return config().hostNames; }

QString getUpgradeFileName() { return local().upgradeFileName; }
void setUpgradeFileName(const QString &fileName) { local().upgradeFileName = fileName; }
int getListYear() { return local().listYear; }
void setListYear(int year) { local().listYear = year; }
int getAceYear() { return local().aceYear; }
void setAceYear(int year) { local().aceYear = year; }
QString getBulletinContent() { return local().bulletinContent; }
void setBulletinContent(const QString &content) { local().bulletinContent = content; }
QString getWebviewUrl() { return local().webviewUrl; }
void setWebviewUrl(const QString &url) { local().webviewUrl = url; }

int getExitFlag() { return local().exitFlag; }

QFont getAppFont() { return appFont(); }
void setAppFont(const QFont &font) { appFont() = font; }
QColor getBaseColor() { return QColor(255, 255, 255); }
QColor getAlternateBaseColor() { return QColor(245, 245, 245); }
QColor getSortColumnColor() { return QColor(255, 250, 205); }

QString getSpecialChars()
{
    return QStringLiteral("~!@#$%^&*()_+`={}|[]\\:\";<>?,./'");
}

QString getOrderJson(const QString &listId)
{
    return entryOf(config().orderIds, config().orderTexts, listId);
}

QStringList getReportCodeList() { return config().codeCodes; }

QString getReportCodeName(const QString &code)
{
    const int i = config().codeCodes.indexOf(code);
    return i >= 0 ? config().codeNames.value(i) : QStringLiteral("其他");
}

QStringList getFileFormatCodeList() { return config().formatCodes; }

QString getFileFormatName(const QString &code)
{
    return entryOf(config().formatCodes, config().formatNames, code);
}

QString getHelpUrl(const QString &key)
{
    return QStringLiteral("http://") + config().website + QLatin1Char('/')
           + entryOf(config().helpKeys, config().helpPages, key);
}

QStringList getCurrentStockList() { return readShared(&Shared::currentStockList); }
void setCurrentStockList(const QStringList &codes) { writeShared(&Shared::currentStockList, codes); }
void clearCurrentStockList() { writeShared(&Shared::currentStockList, QStringList()); }
