#include "usersettings.h"

#include "corelog.h"
#include "globalstate.h"
#include "globalstate_p.h"
#include "settingsvalue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <memory>

using namespace GlobalStatePrivate;

namespace {

const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates the file before QSettings first writes it, so that it never exists with wider
// permissions than owner read and write (QSettings keeps those of an existing file).
void prepareForWriting(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists() && !file.open(QIODevice::WriteOnly)) {
        qCWarning(lcCore) << "cannot create the settings file" << path << file.errorString();
        return;
    }
    file.close();
    if ((file.permissions() & ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser))
        && !file.setPermissions(ownerOnly))
        qCWarning(lcCore) << "cannot restrict the permissions of" << path;
}

class UserSettings
{
public:
    enum Mode { Read, Write };

    explicit UserSettings(Mode mode) : m_path(getUserConfigPath()), m_mode(mode)
    {
        if (mode == Write)
            prepareForWriting(m_path);
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        m_settings->setIniCodec("UTF-8");
    }

    ~UserSettings()
    {
        if (m_mode != Write)
            return;
        m_settings->sync();
        if (m_settings->status() != QSettings::NoError)
            qCWarning(lcCore) << "could not write the settings file" << m_path;
    }

    QSettings &operator*() { return *m_settings; }
    QSettings *operator->() { return m_settings.get(); }

private:
    QString m_path;
    Mode m_mode;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace

QString getUserConfigPath()
{
    return getDataLocation() + QStringLiteral("/config.ini");
}

void loadProxyConfig()
{
    UserSettings s(UserSettings::Read);
    storeProxyValues(settingsInt(*s, QStringLiteral("Proxy/Enable"), 0),
                     settingsText(*s, QStringLiteral("Proxy/Host")),
                     settingsInt(*s, QStringLiteral("Proxy/Port"), 0),
                     settingsText(*s, QStringLiteral("Proxy/User")),
                     settingsText(*s, QStringLiteral("Proxy/Password")));
}

void saveProxyConfig()
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("Proxy/Enable"), getProxyEnable());
    s->setValue(QStringLiteral("Proxy/Host"), getProxyHost());
    s->setValue(QStringLiteral("Proxy/Port"), getProxyPort());
    s->setValue(QStringLiteral("Proxy/User"), getProxyUser());
    s->setValue(QStringLiteral("Proxy/Password"), getProxyPassword());
}

void loadOptionConfig()
{
    UserSettings s(UserSettings::Read);
    const Config &c = config();
    Local &l = local();
    l.saveDir = settingsText(*s, QStringLiteral("Option/SaveDir"));
    setMessageShow(settingsInt(*s, QStringLiteral("Option/MessageShow"), 1));
    QString dataDir = settingsText(*s, QStringLiteral("Option/DataDir"));
    if (dataDir.isEmpty())
        dataDir = getDataLocation();
    storeDataDir(dataDir);
    l.newDataDir = settingsText(*s, QStringLiteral("Option/NewDataDir"));
    l.pdfReader = settingsInt(*s, QStringLiteral("Option/PdfReader"), 0);
    l.pageSize = settingsInt(*s, QStringLiteral("Option/PageSize"), c.optionPageSize);
    l.pageCount = settingsInt(*s, QStringLiteral("Option/PageCount"), c.optionPageCount);
    l.includeCompany = settingsInt(*s, QStringLiteral("Option/IncludeCompany"),
                                   c.optionIncludeCompany);
    setDataYear(settingsInt(*s, QStringLiteral("Option/DataYear"), c.optionDataYear));
    l.fileFormat = settingsText(*s, QStringLiteral("Option/FileFormat"), c.optionFileFormat);
    setAlertKinds(settingsText(*s, QStringLiteral("Option/Alert"))
                      .split(QLatin1Char(','), Qt::SkipEmptyParts));
}

void saveOptionConfig()
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("Option/PdfReader"), getPdfReader());
    s->setValue(QStringLiteral("Option/PageSize"), getPageSize());
    s->setValue(QStringLiteral("Option/PageCount"), getPageCount());
    s->setValue(QStringLiteral("Option/IncludeCompany"), getIncludeCompany());
    s->setValue(QStringLiteral("Option/DataYear"), getDataYear());
    s->setValue(QStringLiteral("Option/SaveDir"), getSaveDir());
    s->setValue(QStringLiteral("Option/MessageShow"), getMessageShow());
    s->setValue(QStringLiteral("Option/Alert"), getAlertKinds().join(QLatin1Char(',')));
    s->setValue(QStringLiteral("Option/FileFormat"), getFileFormat());
}

void setSaveDir(const QString &dir)
{
    if (dir == local().saveDir)
        return;
    local().saveDir = dir;
    saveOptionConfig();
}

void setDataDir(const QString &dir)
{
    storeDataDir(dir);
    saveDataDirConfig();
}

void saveDataDirConfig()
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("Option/DataDir"), getDataDir());
}

void setNewDataDir(const QString &dir)
{
    local().newDataDir = dir;
    saveNewDataDirConfig();
}

void saveNewDataDirConfig()
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("Option/NewDataDir"), getNewDataDir());
}

void loadUserConfig()
{
    UserSettings s(UserSettings::Read);
    Local &l = local();
    l.account = settingsText(*s, QStringLiteral("User/Account"));
    if (l.account.isEmpty())
        l.account = settingsText(*s, QStringLiteral("User/Phone"));
    l.password = settingsText(*s, QStringLiteral("User/Password"));
    if (l.password.isEmpty())
        l.password = settingsText(*s, QStringLiteral("Auth/Key"));
    setHostIndex(settingsInt(*s, QStringLiteral("System/Host"), getHostIndex()));
}

void saveUserConfig()
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("User/Account"), getAccount());
    s->setValue(QStringLiteral("User/Password"), getPassword());
    s->setValue(QStringLiteral("System/Host"), getHostIndex());
}

void setLoginUserInfo(const QString &account, const QString &password, const QString &userName)
{
    Local &l = local();
    l.account = account;
    l.password = password;
    l.userName = userName;
    if (!account.isEmpty())
        saveUserConfig();
}

void loadSystemExit()
{
    UserSettings s(UserSettings::Read);
    local().exitFlag = settingsInt(*s, QStringLiteral("System/Exit"), 1);
}

void setSystemExit(int flag)
{
    local().exitFlag = flag;
    saveSystemExit();
}

void saveSystemExit()
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("System/Exit"), getExitFlag());
}

QString loadBulletinVersion()
{
    UserSettings s(UserSettings::Read);
    return settingsText(*s, QStringLiteral("Bulletin/Ver"));
}

void saveBulletinVersion(const QString &version)
{
    UserSettings s(UserSettings::Write);
    s->setValue(QStringLiteral("Bulletin/Ver"), version);
}
