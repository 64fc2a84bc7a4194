#include "analystaward.h"
#include "concurrently.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "orderhistory.h"
#include "stockcache.h"
#include "stockstepping.h"
#include "testfiles.h"
#include "usersettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

// The list requests the embedded configuration must hold: key, id, name, args, order, direct.
QList<QStringList> expectedOrders()
{
    QList<QStringList> orders;
    for (const QString &line : QString::fromUtf8(readFile(QFINDTESTDATA("orders.tsv"))).split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith('#'))
            orders << line.split('\t');
    return orders;
}

QString embeddedOrderText(const QString &key)
{
    return iniValue(":/config.ini", "Orders/" + key);
}

// One award category of an xcf.ini file with one institution.
QByteArray award(const QByteArray &key, const QByteArray &medal, const QByteArray &analysts)
{
    const QByteArray json = R"({"cat": "宏观", "insts": [{"inst": "甲", )" + (medal.isEmpty() ? "" : R"("medal": )" + medal + ", ")
                            + R"("anls": ")" + analysts + R"("}]})";
    return key + "=\"" + QByteArray(json).replace("\"", "\\\"") + "\"\n";
}

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(getUserConfigPath());
        qunsetenv("TAMREL_HOSTS");
        loadDefaultConfig();
        setHostIndex(0);
        loadOptionConfig();
    }

    // The embedded configuration

    void orderTemplates_data()
    {
        QTest::addColumn<QStringList>("o"); // key, id, name, args, order, direct
        for (const QStringList &o : expectedOrders())
            QTest::newRow(qPrintable(o.value(0))) << o;
    }

    void orderTemplates()
    {
        QFETCH(QStringList, o);
        const QString text = embeddedOrderText(o.value(0));
        QJsonParseError error;
        const QJsonObject request = QJsonDocument::fromJson(text.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + ": " + text));
        QCOMPARE(QStringList({request.value("id").toString(), request.value("name").toString(), request.value("order").toString(),
                              request.value("direct").toString()}),
                 QStringList({o.value(1), o.value(2), o.value(4), o.value(5)}));
        // Comparing JSON values also compares types: "50" is not 50.
        QCOMPARE(request.value("args").toObject(), QJsonDocument::fromJson(o.value(3).toUtf8()).object());
        if (o.value(0) != "1116") // the second RPT_COD_FUND
            QCOMPARE(getOrderJson(o.value(1)), text);
    }

    void embeddedValues()
    {
        QCOMPARE(expectedOrders().size(), 126);
        QCOMPARE(QStringList({getOrderJson("RPT_COD_FUND"), getOrderJson("rpt_new"), getOrderJson(QString())}),
                 QStringList({embeddedOrderText("1115"), "", ""}));
        QCOMPARE(QStringList({getHelpUrl("CNS"), getHelpUrl("XYZ"), getHelpUrl("cns")}),
                 QStringList({"http://127.0.0.1:17801/consensus", "http://127.0.0.1:17801/", "http://127.0.0.1:17801/"}));
        setHostIndex(5);
        QCOMPARE(getServiceHostUrl(), QString());
    }

    void hostsOverride()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("hosts.ini"), "[ServiceHost]\nHost0=\"{\\\"name\\\": \\\"杭州服务器\\\", \\\"host\\\": "
                                                     "\\\"http://127.0.0.1:40001\\\"}\"\n[Contact]\nWebsite=127.0.0.1:40001\n"));
        qputenv("TAMREL_HOSTS", dir.filePath("hosts.ini").toLocal8Bit());
        loadDefaultConfig();
        QCOMPARE(getServiceHostUrl(), QString("http://127.0.0.1:40001"));
        QCOMPARE(getHelpUrl("RPT"), QString("http://127.0.0.1:40001/report"));
        QCOMPARE(getObjectHost(), QString("http://127.0.0.1:17803/oss")); // not in the file: embedded
        qputenv("TAMREL_HOSTS", "/nonexistent/hosts.ini");
        loadDefaultConfig();
        QCOMPARE(getServiceHostUrl(), QString("http://127.0.0.1:17801"));
    }

    // The user's settings

    void firstStartDefaults()
    {
        loadProxyConfig();
        loadUserConfig();
        loadSystemExit();
        QCOMPARE(QVariantList({getPageSize(), getPageCount(), getIncludeCompany(), getDataYear(), getMessageShow(), getPdfReader(),
                               getHostIndex(), getExitFlag(), getProxyEnable(), getFileFormat(), getDataDir(), getNewDataDir(),
                               getSaveDir(), getAccount(), getPassword(), getAlertKinds()}),
                 QVariantList({50, 0, 1, 2012, 1, 0, 0, 1, 0, "INS-TTL-PUB", getDataLocation(), "", "", "", "", QStringList()}));
        QVERIFY(!QFile::exists(getUserConfigPath())); // reading creates nothing
    }

    // Option/Alert (QSettings reads an unquoted value with commas as a list), and User/Phone and
    // Auth/Key where Account and Password are missing or empty.
    void userFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("values"); // account, password, then the alert kinds
        QTest::newRow("empty alerts") << QByteArray("[Option]\nAlert=\n") << QStringList{"", ""};
        QTest::newRow("one alert") << QByteArray("[Option]\nAlert=RAT_ACT_UPG\n") << QStringList{"", "", "RAT_ACT_UPG"};
        QTest::newRow("quoted with empty part") << QByteArray("[Option]\nAlert=\"RAT_ACT_INI,,RAT_ACT_UPG\"\n")
                                                << QStringList{"", "", "RAT_ACT_INI", "RAT_ACT_UPG"};
        QTest::newRow("unquoted with empty part") << QByteArray("[Option]\nAlert=RAT_ACT_INI,,RAT_ACT_UPG\n")
                                                  << QStringList{"", "", "RAT_ACT_INI", "RAT_ACT_UPG"};
        QTest::newRow("legacy only") << QByteArray("[User]\nPhone=13800000000\n[Auth]\nKey=old\n") << QStringList{"13800000000", "old"};
        QTest::newRow("current wins") << QByteArray("[User]\nAccount=alice\nPassword=new\nPhone=138\n[Auth]\nKey=old\n")
                                      << QStringList{"alice", "new"};
        QTest::newRow("empty current falls back") << QByteArray("[User]\nAccount=\nPassword=\nPhone=139\n[Auth]\nKey=k\n")
                                                  << QStringList{"139", "k"};
    }

    void userFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, values);
        QVERIFY(writeFile(getUserConfigPath(), text));
        loadOptionConfig();
        loadUserConfig();
        QCOMPARE(QStringList({getAccount(), getPassword()}) + getAlertKinds(), values);
        QCOMPARE(isAlertEnabled("RAT_ACT_INI"), values.contains("RAT_ACT_INI"));
    }

    void writesOnlyWhatChanged()
    {
        setLoginUserInfo(QString(), "pw", "guest");
        setSaveDir(QString());
        QVERIFY(!QFile::exists(getUserConfigPath()));
        setSaveDir("/tmp/saved");
        QCOMPARE(iniValue(getUserConfigPath(), "Option/SaveDir"), QString("/tmp/saved"));
        QFile::remove(getUserConfigPath());
        setSaveDir("/tmp/saved");
        QVERIFY(!QFile::exists(getUserConfigPath()));
    }

    // The file holds the password: its owner alone may read it, whatever it was before.
    void fileIsPrivateToItsOwner()
    {
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                                   | QFileDevice::WriteUser;
        setLoginUserInfo("alice", "secret", QString());
        QCOMPARE(QFile::permissions(getUserConfigPath()), ownerOnly);
        QVERIFY(QFile::setPermissions(getUserConfigPath(), ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        setSystemExit(1);
        QCOMPARE(QFile::permissions(getUserConfigPath()), ownerOnly);
        QCOMPARE(iniValue(getUserConfigPath(), "User/Account"), QString("alice"));
    }

    // Global state

    void orderHistory()
    {
        popOrderHistory(); // nothing to take: no harm
        removeOldestOrderHistory();
        const QString a = R"({"id":"RPT_NEW"})", b = R"({"id":"RAT_NEW"})";
        pushOrderHistory(a, 0);
        pushOrderHistory(a, 2); // the same request again: only its page changes
        pushOrderHistory(b, 0);
        pushOrderHistory(a, 5); // only the newest entry is compared
        QCOMPARE(getOrderHistoryCount(), 3);
        popOrderHistory();
        popOrderHistory();
        QCOMPARE(getOrderHistoryTopPage(), 2);
        pushOrderHistory(b, 0);
        removeOldestOrderHistory(); // the bound the main window keeps takes the oldest first
        QCOMPARE(QVariantList({getOrderHistoryCount(), getOrderHistoryTopId()}), QVariantList({1, "RAT_NEW"}));
    }

    void stepping_data()
    {
        QTest::addColumn<QStringList>("c"); // current stock list, the cache's codes, code, previous, next
        QTest::newRow("current: first wraps back") << QStringList{"A,B,C", "P,Q,R", "A", "C", "B"};
        QTest::newRow("current: last wraps forward") << QStringList{"A,B,C", "P,Q,R", "C", "B", "A"};
        QTest::newRow("current: first occurrence") << QStringList{"A,B,A,C", "P,Q,R", "A", "C", "B"};
        QTest::newRow("cache: first does not wrap back") << QStringList{"", "P,Q,R", "P", "P", "Q"};
        QTest::newRow("cache: last wraps forward") << QStringList{"", "P,Q,R", "R", "Q", "P"};
        QTest::newRow("cache: unknown code") << QStringList{"A,B,C", "P,Q,R", "X", "P", "P"};
        QTest::newRow("cache kept ascending") << QStringList{"", "R,P,Q", "P", "P", "Q"};
        QTest::newRow("nothing") << QStringList{"", "", "Q", "", ""};
    }

    void stepping()
    {
        QFETCH(QStringList, c);
        setCurrentStockList(c[0].split(',', Qt::SkipEmptyParts));
        setStockCodeListForTest(c[1].split(',', Qt::SkipEmptyParts));
        QCOMPARE(getPreviousStockCode(c[2]), c[3]);
        QCOMPARE(getNextStockCode(c[2]), c[4]);
    }

    // The engine's thread reads these while the GUI thread changes them: every read sees one of
    // the values written, whole.
    void crossThreadReadsSeeWholeValues()
    {
        const QString longHost(200, 'h');
        setProxy(longHost, 1, "", "");
        QVERIFY(checkWhileRunning(
            [&] {
                for (int i = 0; i < 20000; ++i) {
                    setProxy(i % 2 ? longHost : "x", i, "", "");
                    setSessionId(i % 2 ? "a" : "bb");
                }
            },
            [&] {
                const QString host = getProxyHost(), session = getSessionId();
                return (host == longHost || host == "x") && (session.isEmpty() || session == "a" || session == "bb");
            }));
    }

    // The analyst award table

    void analystMedals_data()
    {
        QTest::addColumn<QByteArray>("table"); // empty: no file
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("medal");
        const QByteArray years = "[2016]\n" + award("001", "2", "张三[1001]") + "[2015]\n" + award("001", "1", "李四[1002],张三[1001]");
        QTest::newRow("latest year") << years << "1001" << 2;
        QTest::newRow("only the latest year counts") << years << "1002" << 0;
        QTest::newRow("first category in key order")
            << "[2016]\n" + award("XCF2016002", "1", "王五[1003]") + award("XCF2016001", "3", "王五[1003]") << "1003" << 3;
        QTest::newRow("second of two") << "[2016]\n" + award("001", "4", ",赵六[1200],,钱七[1201]") << "1201" << 4;
        QTest::newRow("full-width comma keeps the first") << "[2016]\n" + award("001", "4", "赵六[1200]，钱七[1201]") << "1201" << 0;
        QTest::newRow("no medal") << "[2016]\n" + award("001", "", "孙八[1300]") << "1300" << 0;
        QTest::newRow("broken entry, fraction") << "[2016]\n002=not json\n" + award("003", "2.9", "周九[1301]") << "1301" << 2;
        QTest::newRow("no file") << QByteArray() << "1001" << 0;
    }

    void analystMedals()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, id);
        QFETCH(int, medal);
        QTemporaryDir dir;
        QVERIFY(table.isEmpty() || writeFile(dir.filePath("xcf.ini"), table));
        clearAnalystAwardTable();
        loadAnalystAwardTable(dir.filePath("xcf.ini"));
        QCOMPARE(getAnalystMedal(id), medal);
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
