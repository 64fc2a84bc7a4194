#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "usersettings.h"

#include <QDesktopServices>
#include <QLabel>
#include <QNetworkInterface>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QUrlQuery>
#include <QtTest>

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void form();
    void lookupName();
    void reachesTheService();
    void serviceNotReachable_data();
    void serviceNotReachable();
    void failedLookupStopsTheTest();
    void defaultLookupEndsEitherWay();
    void cannotBeClosedWhileTesting();
    void links();

private:
    static QString line(QDialog *d, const char *name) { return d->findChild<QLabel *>(QLatin1String(name))->text(); }
    static QPushButton *button(QDialog *d, const char *name) { return d->findChild<QPushButton *>(QLatin1String(name)); }
    static bool hasUsableInterface();
    // Runs the test to its end; false when it did not end in time.
    static bool runTest(QDlgNetwork *dialog, int timeoutMs = 30000);

    DevServer m_server;
    UrlCatcher m_browser;
};

void TestNetwork::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
    loadProxyConfig();
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_browser, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
}

void TestNetwork::init()
{
    QVERIFY(m_server.resetFaults());
    m_server.clearRequestLog();
    qputenv("TAMREL_LOOKUP_HOST", "localhost");
    disableProxy();
}

void TestNetwork::cleanup()
{
    qunsetenv("TAMREL_LOOKUP_HOST");
}

bool TestNetwork::hasUsableInterface()
{
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        if (i.flags().testFlag(QNetworkInterface::IsUp) && !i.flags().testFlag(QNetworkInterface::IsLoopBack)
            && !i.addressEntries().isEmpty())
            return true;
    }
    return false;
}

bool TestNetwork::runTest(QDlgNetwork *dialog, int timeoutMs)
{
    QTest::mouseClick(button(dialog, "btnTest"), Qt::LeftButton);
    QElapsedTimer timer;
    timer.start();
    while (!button(dialog, "btnTest")->isEnabled() && timer.elapsed() < timeoutMs)
        QTest::qWait(20);
    return button(dialog, "btnTest")->isEnabled();
}

void TestNetwork::form()
{
    QDlgNetwork dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("网络测试"));
    QVERIFY(dialog.isModal());
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(dialog.size(), QSize(372, 138));
    QCOMPARE(line(&dialog, "lblInterfaceTip"), QStringLiteral("网络连接："));
    QCOMPARE(line(&dialog, "lblInternetTip"), QStringLiteral("网络连通："));
    QCOMPARE(line(&dialog, "lblAuthServiceTip"), QStringLiteral("认证服务："));
    QCOMPARE(button(&dialog, "btnTest")->text(), QStringLiteral("测试"));
    QCOMPARE(button(&dialog, "btnClose")->text(), QStringLiteral("关闭"));
    // The test waits for the button.
    QTest::qWait(100);
    QCOMPARE(line(&dialog, "lblInterfaceStatus"), QString());
    QCOMPARE(m_server.requestLog().size(), 0);
}

void TestNetwork::lookupName()
{
    QCOMPARE(QDlgNetwork::lookupHostName(), QStringLiteral("localhost"));
    qunsetenv("TAMREL_LOOKUP_HOST");
    QCOMPARE(QDlgNetwork::lookupHostName(), QStringLiteral("www.baidu.com"));
}

void TestNetwork::reachesTheService()
{
    if (!hasUsableInterface())
        QSKIP("no network interface besides loopback: the test stops at its first line");
    QDlgNetwork dialog;
    dialog.show();
    QVERIFY(runTest(&dialog));
    QCOMPARE(line(&dialog, "lblInterfaceStatus"), QStringLiteral("√ 有网络连接"));
    QCOMPARE(line(&dialog, "lblInternetStatus"), QStringLiteral("√ 能连通互联网"));
    QCOMPARE(line(&dialog, "lblAuthServiceStatus"), QStringLiteral("√ 能连接认证服务"));
    QVERIFY(button(&dialog, "btnClose")->isEnabled());
    // Only the signed time goes out: no account, password, machine or session.
    const QList<QJsonObject> log = m_server.requestLog();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().value("path").toString(), QStringLiteral("/user/verify"));
    const QUrlQuery query(log.first().value("query").toString());
    QCOMPARE(query.queryItems().size(), 2);
    QCOMPARE(query.queryItems().at(0).first, QStringLiteral("tms"));
    QCOMPARE(query.queryItems().at(1), qMakePair(QStringLiteral("sgn"), getSignature(query.queryItems().at(0).second)));

    // A second run clears the lines first and ends the same way.
    QVERIFY(runTest(&dialog));
    QCOMPARE(line(&dialog, "lblAuthServiceStatus"), QStringLiteral("√ 能连接认证服务"));
    QCOMPARE(m_server.requestLog().size(), 2);
}

void TestNetwork::serviceNotReachable_data()
{
    QTest::addColumn<bool>("proxy");
    QTest::addColumn<QString>("text");
    QTest::newRow("proxy off, HTTP 500")
        << false
        << "X 不能连接认证服务，请<a style='color:red;' href='openProxyWebsite'>更换DNS</a>或"
           "<a style='color:red;' href='showProxyDialog'>设置代理</a>";
    QTest::newRow("proxy on, proxy not there")
        << true << "X 不能连接认证服务(已使用代理)，请<a style='color:red;' href='showProxyDialog'>设置代理</a>";
}

void TestNetwork::serviceNotReachable()
{
    QFETCH(bool, proxy);
    QFETCH(QString, text);
    if (!hasUsableInterface())
        QSKIP("no network interface besides loopback");
    if (proxy) {
        QTcpServer closed;   // a port that nobody listens on once this is gone
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        setProxy(QStringLiteral("127.0.0.1"), port, QString(), QString());
    } else {
        QVERIFY(m_server.setFault(QStringLiteral("http_500"), true, QStringLiteral("/user/verify")));
    }
    QDlgNetwork dialog;
    dialog.show();
    QVERIFY(runTest(&dialog));
    QCOMPARE(line(&dialog, "lblInternetStatus"), QStringLiteral("√ 能连通互联网"));
    QCOMPARE(line(&dialog, "lblAuthServiceStatus"), text);
    QCOMPARE(m_server.requestLog().size(), proxy ? 0 : 1);
}

void TestNetwork::failedLookupStopsTheTest()
{
    if (!hasUsableInterface())
        QSKIP("no network interface besides loopback");
    qputenv("TAMREL_LOOKUP_HOST", "no-such-host.invalid");
    QDlgNetwork dialog;
    dialog.show();
    QVERIFY(runTest(&dialog, (QDlgNetwork::kLookupTimeoutSeconds + 5) * 1000));
    QCOMPARE(line(&dialog, "lblInternetStatus"), QStringLiteral("X 不能连通互联网，请检查网络或防火墙设置"));
    QCOMPARE(line(&dialog, "lblAuthServiceStatus"), QString());
    QVERIFY(button(&dialog, "btnClose")->isEnabled());
    QCOMPARE(m_server.requestLog().size(), 0);
}

void TestNetwork::defaultLookupEndsEitherWay()
{
    // Without a way out (as in a sandbox) the lookup fails and the dialog says so; either
    // way the test comes to an end within the lookup's own time limit.
    if (!hasUsableInterface())
        QSKIP("no network interface besides loopback");
    qunsetenv("TAMREL_LOOKUP_HOST");
    QDlgNetwork dialog;
    dialog.show();
    QVERIFY(runTest(&dialog, (QDlgNetwork::kLookupTimeoutSeconds + 20) * 1000));
    const QString internet = line(&dialog, "lblInternetStatus");
    QVERIFY2(internet == QStringLiteral("√ 能连通互联网") || internet == QStringLiteral("X 不能连通互联网，请检查网络或防火墙设置"),
             qPrintable(internet));
    qInfo() << "public lookup of www.baidu.com:" << internet;
}

void TestNetwork::cannotBeClosedWhileTesting()
{
    if (!hasUsableInterface())
        QSKIP("no network interface besides loopback");
    QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/user/verify")));
    QPointer<QDlgNetwork> dialog = new QDlgNetwork;
    dialog->show();
    QTest::mouseClick(button(dialog, "btnTest"), Qt::LeftButton);
    QTRY_COMPARE(line(dialog, "lblAuthServiceStatus"), QStringLiteral("能否连接到认证服务..."));
    QVERIFY(!button(dialog, "btnTest")->isEnabled());
    QVERIFY(!button(dialog, "btnClose")->isEnabled());
    QVERIFY(!dialog->close());
    QVERIFY(dialog->isVisible());
    // What the idle watchdog does after 15 s.
    dialog->findChild<QHttpClient *>()->abort();
    QVERIFY(line(dialog, "lblAuthServiceStatus").startsWith(QStringLiteral("X 不能连接认证服务")));
    QVERIFY(button(dialog, "btnClose")->isEnabled());
    QVERIFY(dialog->close());
    QTRY_VERIFY(!dialog);
}

void TestNetwork::links()
{
    QDlgNetwork dialog;
    dialog.show();
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("lblAuthServiceStatus"));
    QVERIFY(!label->openExternalLinks());
    QVERIFY(QMetaObject::invokeMethod(label, "linkActivated", Q_ARG(QString, QStringLiteral("openProxyWebsite"))));
    QCOMPARE(m_browser.urls.size(), 1);
    QCOMPARE(m_browser.urls.first().scheme(), QStringLiteral("http"));
    QVERIFY(dialog.findChildren<QDlgProxy *>().isEmpty());

    QVERIFY(QMetaObject::invokeMethod(label, "linkActivated", Q_ARG(QString, QStringLiteral("showProxyDialog"))));
    QCOMPARE(dialog.findChildren<QDlgProxy *>().size(), 1);
    QDlgProxy *proxy = dialog.findChildren<QDlgProxy *>().first();
    QVERIFY(proxy->isVisible());
    QVERIFY(proxy->isModal());

    QVERIFY(QMetaObject::invokeMethod(label, "linkActivated", Q_ARG(QString, QStringLiteral("somethingElse"))));
    QCOMPARE(m_browser.urls.size(), 1);
    QCOMPARE(dialog.findChildren<QDlgProxy *>().size(), 1);
}

QTEST_MAIN(TestNetwork)
#include "tst_qdlgnetwork.moc"
