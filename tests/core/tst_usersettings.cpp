#include "defaultconfig.h"
#include "globalstate.h"
#include "usersettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

namespace {

QString userFile()
{
    return getUserConfigPath();
}

// Writes the user's file by hand, as an older version or the user may have left it.
void writeUserFile(const QByteArray &text)
{
    QDir().mkpath(QFileInfo(userFile()).absolutePath());
    QFile file(userFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString storedValue(const QString &key)
{
    QSettings settings(userFile(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key).toString();
}

} // namespace

class TestUserSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(userFile());
        loadDefaultConfig();
        setHostIndex(0);
        loadOptionConfig();
    }

    void settingsFileIsInTheDataLocation()
    {
        QCOMPARE(userFile(), getDataLocation() + QStringLiteral("/config.ini"));
        QVERIFY(userFile().contains(QStringLiteral("/Tamrel/Tamrel/")));
    }

    void firstStartDefaults()
    {
        loadProxyConfig();
        loadOptionConfig();
        loadUserConfig();
        loadSystemExit();
        QCOMPARE(getPageSize(), 50);
        QCOMPARE(getPageCount(), 0);
        QCOMPARE(getIncludeCompany(), 1);
        QCOMPARE(getDataYear(), 2012);
        QCOMPARE(getFileFormat(), QStringLiteral("INS-TTL-PUB"));
        QCOMPARE(getMessageShow(), 1);
        QCOMPARE(getPdfReader(), 0);
        QCOMPARE(getDataDir(), getDataLocation());
        QCOMPARE(getNewDataDir(), QString());
        QCOMPARE(getSaveDir(), QString());
        QCOMPARE(getHostIndex(), 0);
        QCOMPARE(getAccount(), QString());
        QCOMPARE(getPassword(), QString());
        QVERIFY(getAlertKinds().isEmpty());
        QVERIFY(!isAlertEnabled(QStringLiteral("RAT_ACT_INI")));
        QCOMPARE(getExitFlag(), 1);
        QCOMPARE(getProxyEnable(), 0);
        QCOMPARE(getProxyPort(), 0);
        // Reading creates nothing.
        QVERIFY(!QFile::exists(userFile()));
    }

    void optionsFromTheFile()
    {
        writeUserFile("[Option]\nPageSize=80\nPageCount=3\nIncludeCompany=0\nDataYear=2015\n"
                      "FileFormat=PUB-INS-TTL\nMessageShow=0\nPdfReader=2\nDataDir=/srv/tamrel\n"
                      "NewDataDir=/srv/next\nSaveDir=/home/u/报告\n");
        loadOptionConfig();
        QCOMPARE(getPageSize(), 80);
        QCOMPARE(getPageCount(), 3);
        QCOMPARE(getIncludeCompany(), 0);
        QCOMPARE(getDataYear(), 2015);
        QCOMPARE(getFileFormat(), QStringLiteral("PUB-INS-TTL"));
        QCOMPARE(getMessageShow(), 0);
        QCOMPARE(getPdfReader(), 2);
        QCOMPARE(getDataDir(), QStringLiteral("/srv/tamrel"));
        QCOMPARE(getNewDataDir(), QStringLiteral("/srv/next"));
        QCOMPARE(getSaveDir(), QStringLiteral("/home/u/报告"));
    }

    void numberThatIsNotANumber()
    {
        writeUserFile("[Option]\nPageSize=many\n");
        loadOptionConfig();
        QCOMPARE(getPageSize(), 0);
    }

    void alertKinds_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("kinds");
        const QString ini = QStringLiteral("RAT_ACT_INI");
        const QString upg = QStringLiteral("RAT_ACT_UPG");
        QTest::newRow("none") << QByteArray() << QStringList();
        QTest::newRow("empty") << QByteArray("Alert=\n") << QStringList();
        QTest::newRow("one") << QByteArray("Alert=RAT_ACT_UPG\n") << QStringList({upg});
        QTest::newRow("quoted with empty part")
            << QByteArray("Alert=\"RAT_ACT_INI,,RAT_ACT_UPG\"\n") << QStringList({ini, upg});
        QTest::newRow("unquoted with empty part")
            << QByteArray("Alert=RAT_ACT_INI,,RAT_ACT_UPG\n") << QStringList({ini, upg});
        QTest::newRow("trailing comma") << QByteArray("Alert=\"RAT_ACT_INI,\"\n") << QStringList({ini});
    }

    void alertKinds()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, kinds);
        writeUserFile("[Option]\n" + line);
        loadOptionConfig();
        QCOMPARE(getAlertKinds(), kinds);
        QCOMPARE(isAlertEnabled(QStringLiteral("RAT_ACT_INI")), kinds.contains(QStringLiteral("RAT_ACT_INI")));
        QCOMPARE(isAlertEnabled(QStringLiteral("RAT_ACT_UPG")), kinds.contains(QStringLiteral("RAT_ACT_UPG")));
        QVERIFY(!isAlertEnabled(QStringLiteral("rat_act_ini")));
    }

    void alertKindsSurviveSaving()
    {
        setAlertKinds({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")});
        saveOptionConfig();
        setAlertKinds({});
        loadOptionConfig();
        QCOMPARE(getAlertKinds(),
                 QStringList({QStringLiteral("RAT_ACT_INI"), QStringLiteral("RAT_ACT_UPG")}));
    }

    void legacyAccountAndPassword_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::newRow("legacy only") << QByteArray("[User]\nPhone=13800000000\n[Auth]\nKey=old\n")
                                     << "13800000000" << "old";
        QTest::newRow("current wins")
            << QByteArray("[User]\nAccount=alice\nPassword=new\nPhone=13800000000\n[Auth]\nKey=old\n")
            << "alice" << "new";
        QTest::newRow("empty current falls back")
            << QByteArray("[User]\nAccount=\nPassword=\nPhone=139\n[Auth]\nKey=k\n") << "139" << "k";
        QTest::newRow("nothing") << QByteArray("[User]\n") << "" << "";
    }

    void legacyAccountAndPassword()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, account);
        QFETCH(QString, password);
        writeUserFile(text);
        loadUserConfig();
        QCOMPARE(getAccount(), account);
        QCOMPARE(getPassword(), password);
    }

    void legacyKeysStayAfterLogin()
    {
        writeUserFile("[User]\nPhone=13800000000\n");
        loadUserConfig();
        setLoginUserInfo(getAccount(), QStringLiteral("pw"), QStringLiteral("张三"));
        QCOMPARE(storedValue(QStringLiteral("User/Account")), QStringLiteral("13800000000"));
        QCOMPARE(storedValue(QStringLiteral("User/Phone")), QStringLiteral("13800000000"));
        QCOMPARE(storedValue(QStringLiteral("User/Password")), QStringLiteral("pw"));
        QCOMPARE(getUserName(), QStringLiteral("张三"));
        // The display name is never written.
        QFile file(userFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!QString::fromUtf8(file.readAll()).contains(QStringLiteral("张三")));
    }

    void hostIndexFromTheFile()
    {
        setHostIndex(1);
        writeUserFile("[User]\n");
        loadUserConfig();
        QCOMPARE(getHostIndex(), 1);
        writeUserFile("[System]\nHost=0\n");
        loadUserConfig();
        QCOMPARE(getHostIndex(), 0);
    }

    void loginWithEmptyAccountWritesNothing()
    {
        setLoginUserInfo(QString(), QStringLiteral("pw"), QStringLiteral("guest"));
        QCOMPARE(getPassword(), QStringLiteral("pw"));
        QCOMPARE(getUserName(), QStringLiteral("guest"));
        QVERIFY(!QFile::exists(userFile()));
    }

    void setSaveDirWritesOnlyChanges()
    {
        setSaveDir(QString());
        QVERIFY(!QFile::exists(userFile()));
        setSaveDir(QStringLiteral("/tmp/saved"));
        QCOMPARE(storedValue(QStringLiteral("Option/SaveDir")), QStringLiteral("/tmp/saved"));
        QFile::remove(userFile());
        setSaveDir(QStringLiteral("/tmp/saved"));
        QVERIFY(!QFile::exists(userFile()));
        QCOMPARE(getSaveDir(), QStringLiteral("/tmp/saved"));
    }

    void saveOptionsWritesEveryOptionKey()
    {
        setPageSize(70);
        setMessageShow(0);
        saveOptionConfig();
        QSettings settings(userFile(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Option"));
        QStringList keys = settings.childKeys();
        keys.sort();
        QCOMPARE(keys, QStringList({"Alert", "DataYear", "FileFormat", "IncludeCompany", "MessageShow",
                                    "PageCount", "PageSize", "PdfReader", "SaveDir"}));
        QCOMPARE(settings.value(QStringLiteral("PageSize")).toInt(), 70);
        QCOMPARE(settings.value(QStringLiteral("MessageShow")).toInt(), 0);
    }

    void dataDirectories()
    {
        setDataDir(QStringLiteral("/data/a"));
        setNewDataDir(QStringLiteral("/data/b"));
        QCOMPARE(getDataDir(), QStringLiteral("/data/a"));
        QCOMPARE(storedValue(QStringLiteral("Option/DataDir")), QStringLiteral("/data/a"));
        QCOMPARE(storedValue(QStringLiteral("Option/NewDataDir")), QStringLiteral("/data/b"));
        loadOptionConfig();
        QCOMPARE(getDataDir(), QStringLiteral("/data/a"));
        QCOMPARE(getNewDataDir(), QStringLiteral("/data/b"));
    }

    void proxyRoundTrip()
    {
        setProxy(QStringLiteral("proxy.local"), 3128, QStringLiteral("u"), QStringLiteral("p"));
        saveProxyConfig();
        disableProxy();
        QCOMPARE(getProxyEnable(), 0);
        QCOMPARE(getProxyHost(), QStringLiteral("proxy.local"));
        QCOMPARE(getProxyPort(), 3128);
        loadProxyConfig();
        QCOMPARE(getProxyEnable(), 1);
        QCOMPARE(getProxyUser(), QStringLiteral("u"));
        QCOMPARE(getProxyPassword(), QStringLiteral("p"));
        setProxy(QStringLiteral("other"), 8080, QString(), QString());
        QCOMPARE(getProxyEnable(), 1);
        QCOMPARE(getProxyHost(), QStringLiteral("other"));
        QCOMPARE(getProxyUser(), QString());
    }

    void exitFlagAndBulletin()
    {
        loadSystemExit();
        QCOMPARE(getExitFlag(), 1);
        setSystemExit(0);
        QCOMPARE(storedValue(QStringLiteral("System/Exit")), QStringLiteral("0"));
        loadSystemExit();
        QCOMPARE(getExitFlag(), 0);
        QCOMPARE(loadBulletinVersion(), QString());
        saveBulletinVersion(QStringLiteral("20170109"));
        QCOMPARE(loadBulletinVersion(), QStringLiteral("20170109"));
    }

    void fileIsPrivateToItsOwner()
    {
        setLoginUserInfo(QStringLiteral("alice"), QStringLiteral("secret"), QString());
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                   | QFileDevice::ReadUser | QFileDevice::WriteUser;
        QCOMPARE(QFile::permissions(userFile()), ownerOnly);
        saveOptionConfig();
        QCOMPARE(QFile::permissions(userFile()), ownerOnly);
    }

    void widerPermissionsAreNarrowedOnWrite()
    {
        writeUserFile("[User]\nAccount=alice\n");
        QVERIFY(QFile::setPermissions(userFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        setSystemExit(1);
        QVERIFY(!(QFile::permissions(userFile()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
        QCOMPARE(storedValue(QStringLiteral("User/Account")), QStringLiteral("alice"));
    }
};

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_usersettings.moc"
