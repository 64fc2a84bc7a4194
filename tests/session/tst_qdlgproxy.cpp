#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgdownloadfile.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qdlgshare.h"
#include "qdlgupgrade.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "tinyproxy.h"
#include "usersettings.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

class TestProxy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void form();
    void opensWithTheStoredValues_data();
    void opensWithTheStoredValues();
    void okSavesWhatIsShown_data();
    void okSavesWhatIsShown();
    void cancelSavesNothing();
    void requestsAfterSavingUseTheProxy_data();
    void requestsAfterSavingUseTheProxy();

private:
    struct Form
    {
        QCheckBox *enable;
        QLineEdit *host, *port, *user, *password;
    };
    static Form form(QDlgProxy *d);
    // Opens the dialog as the login does, fills it in and presses OK.
    static void saveWithDialog(bool enable, const QString &host, const QString &port, const QString &user,
                               const QString &password);
    static QVariantList savedProxy();
    // Every dialog of the session once; returns the URLs asked for, as the proxy would log them.
    QStringList runEveryDialog();

    DevServer m_server;
};

void TestProxy::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
    loadProxyConfig();
    QVERIFY(openStandInSession());
    setUpgradeFileName(m_server.manifest().value("facts").toObject().value("upgradeFile").toString());
}

void TestProxy::init()
{
    QFile::remove(getUserConfigPath());
    loadProxyConfig();
    disableProxy();
    setProxy(QString(), 0, QString(), QString());
    disableProxy();
}

TestProxy::Form TestProxy::form(QDlgProxy *d)
{
    return Form{d->findChild<QCheckBox *>("chkEnable"), d->findChild<QLineEdit *>("edtHost"),
                d->findChild<QLineEdit *>("edtPort"), d->findChild<QLineEdit *>("edtUser"),
                d->findChild<QLineEdit *>("edtPassword")};
}

QVariantList TestProxy::savedProxy()
{
    QSettings file(getUserConfigPath(), QSettings::IniFormat);
    return {file.value("Proxy/Enable"), file.value("Proxy/Host"), file.value("Proxy/Port"),
            file.value("Proxy/User"), file.value("Proxy/Password")};
}

void TestProxy::saveWithDialog(bool enable, const QString &host, const QString &port, const QString &user,
                               const QString &password)
{
    QWidget opener;
    QPointer<QDlgProxy> dialog = new QDlgProxy(&opener);
    dialog->show();
    const Form f = form(dialog);
    if (f.enable->isChecked() != enable)
        QTest::mouseClick(f.enable, Qt::LeftButton, {}, QPoint(5, f.enable->height() / 2));
    QCOMPARE(f.enable->isChecked(), enable);
    if (enable) {
        f.host->setText(host);
        f.port->setText(port);
        f.user->setText(user);
        f.password->setText(password);
    }
    QTest::mouseClick(dialog->findChild<QPushButton *>("btnOK"), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
}

void TestProxy::form()
{
    QDlgProxy dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("代理设置"));
    QVERIFY(dialog.isModal());
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(dialog.size(), QSize(384, 169));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    dialog.show();
    // The link to proxy lists is never shown.
    QVERIFY(!dialog.findChild<QLabel *>("lblProxy")->isVisible());
    QCOMPARE(form(&dialog).password->echoMode(), QLineEdit::Normal);
    QCOMPARE(form(&dialog).enable->text(), QStringLiteral("启用代理"));
}

void TestProxy::opensWithTheStoredValues_data()
{
    QTest::addColumn<bool>("enable");
    QTest::newRow("switched off: greyed out") << false;
    QTest::newRow("switched on") << true;
}

void TestProxy::opensWithTheStoredValues()
{
    QFETCH(bool, enable);
    setProxy(QStringLiteral("proxy.example"), 3128, QStringLiteral("alice"), QStringLiteral("s3cret"));
    if (!enable)
        disableProxy();
    QDlgProxy dialog;
    dialog.show();
    const Form f = form(&dialog);
    QCOMPARE(f.enable->isChecked(), enable);
    QCOMPARE(f.host->text(), QStringLiteral("proxy.example"));
    QCOMPARE(f.port->text(), QStringLiteral("3128"));
    QCOMPARE(f.user->text(), QStringLiteral("alice"));
    QCOMPARE(f.password->text(), QStringLiteral("s3cret"));
    for (QLineEdit *e : {f.host, f.port, f.user, f.password})
        QCOMPARE(e->isEnabled(), enable);
    // The box switches the edits at once.
    QTest::mouseClick(f.enable, Qt::LeftButton, {}, QPoint(5, f.enable->height() / 2));
    for (QLineEdit *e : {f.host, f.port, f.user, f.password})
        QCOMPARE(e->isEnabled(), !enable);
}

void TestProxy::okSavesWhatIsShown_data()
{
    QTest::addColumn<bool>("enable");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QVariantList>("saved");
    QTest::newRow("on") << true << "127.0.0.1" << "8888" << QVariantList{"1", "127.0.0.1", "8888", "bob", "pw"};
    QTest::newRow("on, empty host, port not a number")
        << true << "" << "80a" << QVariantList{"1", "", "0", "bob", "pw"};
    QTest::newRow("off keeps the stored values")
        << false << "" << "" << QVariantList{"0", "old.example", "8080", "carol", "old"};
}

void TestProxy::okSavesWhatIsShown()
{
    QFETCH(bool, enable);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QVariantList, saved);
    setProxy(QStringLiteral("old.example"), 8080, QStringLiteral("carol"), QStringLiteral("old"));
    saveWithDialog(enable, host, port, QStringLiteral("bob"), QStringLiteral("pw"));
    QCOMPARE(savedProxy(), saved);
    QCOMPARE(getProxyEnable(), enable ? 1 : 0);
    // The file reads back the same.
    disableProxy();
    setProxy(QString(), 1, QString(), QString());
    loadProxyConfig();
    QCOMPARE(QString::number(getProxyEnable()), saved.at(0).toString());
    QCOMPARE(getProxyHost(), saved.at(1).toString());
    QCOMPARE(QString::number(getProxyPort()), saved.at(2).toString());
}

void TestProxy::cancelSavesNothing()
{
    QPointer<QDlgProxy> dialog = new QDlgProxy;
    dialog->show();
    QTest::mouseClick(form(dialog).enable, Qt::LeftButton, {}, QPoint(5, 10));
    form(dialog).host->setText(QStringLiteral("127.0.0.1"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
    QCOMPARE(getProxyEnable(), 0);
    QVERIFY(!QFile::exists(getUserConfigPath()) || savedProxy().first().toString() != QLatin1String("1"));
}

QStringList TestProxy::runEveryDialog()
{
    QStringList urls;
    ModalWatcher boxes(QMessageBox::No);
    const QString reportId =
        m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();

    QDlgDownloadFile download;
    QSignalSpy opened(&download, &QDlgDownloadFile::openFile);
    download.show();
    download.downloadReport(reportId, getLocalFilePath(QStringLiteral("proxy-test.pdf")));
    [&] { QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 20000); }();
    urls << getFileApiUrl() << m_server.objectUrl().toString() + QStringLiteral("/fil/") + reportId;

    QPointer<QDlgShare> share = new QDlgShare;
    share->show();
    share->requestShareLink(reportId, QStringLiteral("高盛"), QStringLiteral("标题"), QString());
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!share->findChild<QLabel *>("lblUrl")->text().isEmpty(), 20000); }();
    delete share;
    urls << getShareApiUrl();

    QDlgUpgrade upgrade;
    QTimer::singleShot(0, upgrade.findChild<QPushButton *>("btnDownload"), &QPushButton::click);
    [&] { QCOMPARE(upgrade.exec(), int(QDialog::Accepted)); }();
    urls << getUpgradeUrl();

    qputenv("TAMREL_LOOKUP_HOST", "localhost");
    QDlgNetwork network;
    network.show();
    QTest::mouseClick(network.findChild<QPushButton *>("btnTest"), Qt::LeftButton);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(network.findChild<QPushButton *>("btnTest")->isEnabled(), 20000); }();
    qunsetenv("TAMREL_LOOKUP_HOST");
    const QString line = network.findChild<QLabel *>("lblAuthServiceStatus")->text();
    if (!line.isEmpty()) {   // empty without a network interface besides loopback
        [&] { QCOMPARE(line, getProxyEnable() > 0 ? QStringLiteral("√ 能连接认证服务(已使用代理)")
                                                  : QStringLiteral("√ 能连接认证服务")); }();
        urls << getVerifyApiUrl();
    }
    [&] { QCOMPARE(boxes.count(), 1); }();   // the upgrade's question
    return urls;
}

void TestProxy::requestsAfterSavingUseTheProxy_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("open proxy") << "" << "";
    QTest::newRow("proxy asking for a password") << "alice" << "s3cret";
}

void TestProxy::requestsAfterSavingUseTheProxy()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    if (!TinyProxy::available())
        QSKIP("tinyproxy is not installed");
    TinyProxy proxy;
    QVERIFY(proxy.start(user, password));

    saveWithDialog(true, QStringLiteral("127.0.0.1"), QString::number(proxy.port()), user, password);
    QStringList urls = runEveryDialog();
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(urls.size() >= 5);
    // A proxy that asks for a password sees each request twice: without and with it.
    QMap<QString, int> seen;
    for (const QString &url : qAsConst(urls)) {
        seen[url] = proxy.requestCount(url);
        QVERIFY2(seen[url] == (user.isEmpty() ? 1 : 2), qPrintable(url + "\n" + QString::fromUtf8(proxy.log())));
    }

    // Switched off: the same requests go straight to the hosts.
    saveWithDialog(false, QString(), QString(), QString(), QString());
    m_server.clearRequestLog();
    urls = runEveryDialog();
    QVERIFY(!QTest::currentTestFailed());
    for (const QString &url : qAsConst(urls))
        QVERIFY2(proxy.requestCount(url) == seen.value(url), qPrintable(url));
    QCOMPARE(m_server.requestLog().size(), urls.size());
}

QTEST_MAIN(TestProxy)
#include "tst_qdlgproxy.moc"
