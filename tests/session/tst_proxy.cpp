// The proxy the user saves: what the dialog stores, and that every request started afterwards
// (the login, the object-host test, the update engine's downloads, the session dialogs) goes
// through it, and none once it is switched off.

#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgdownloadfile.h"
#include "qdlglogin.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qdlgshare.h"
#include "qdlgupgrade.h"
#include "qupdater.h"
#include "serviceapi.h"
#include "tinyproxy.h"
#include "usersettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSettings>
#include <QThread>
#include <QtTest>

namespace {

struct Form
{
    QCheckBox *enable;
    QList<QLineEdit *> edits; // host, port, user, password
};

Form form(QDlgProxy *d)
{
    return Form{d->findChild<QCheckBox *>("chkEnable"),
                {d->findChild<QLineEdit *>("edtHost"), d->findChild<QLineEdit *>("edtPort"),
                 d->findChild<QLineEdit *>("edtUser"), d->findChild<QLineEdit *>("edtPassword")}};
}

// Opens the dialog as the login does, fills it in and presses OK (or Cancel).
void saveWithDialog(bool enable, const QStringList &values = {}, bool ok = true)
{
    QWidget opener;
    QPointer<QDlgProxy> dialog = new QDlgProxy(&opener);
    dialog->show();
    const Form f = form(dialog);
    if (f.enable->isChecked() != enable)
        QTest::mouseClick(f.enable, Qt::LeftButton, {}, QPoint(5, f.enable->height() / 2));
    for (int i = 0; i < values.size(); ++i)
        f.edits.at(i)->setText(values.at(i));
    QTest::mouseClick(dialog->findChild<QPushButton *>(ok ? "btnOK" : "btnCancel"), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
}

QStringList savedProxy()
{
    QSettings file(getUserConfigPath(), QSettings::IniFormat);
    QStringList values;
    for (const char *key : {"Enable", "Host", "Port", "User", "Password"})
        values << file.value(QStringLiteral("Proxy/") + key).toString();
    return values;
}

// A guest login through the dialog, with a fresh database.
bool login()
{
    closeMainDatabase();
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(getDataDir() + QStringLiteral("/data.s3") + suffix);
    QPointer<QDlgLogin> dialog = new QDlgLogin;
    QSignalSpy accepted(dialog.data(), &QDialog::accepted);
    dialog->show();
    dialog->findChild<QPushButton *>("btnUserLogin")->click();
    return QTest::qWaitFor([&] { return !accepted.isEmpty(); }, 30000);
}

// The update engine on its own thread, wired as the main window wires it, for one index cycle;
// the packages it stored.
QStringList runEngineCycle()
{
    auto *engine = new QUpdater;
    QThread thread;
    engine->moveToThread(&thread);
    QObject context;
    QStringList packages;
    bool cycled = false;
    QObject::connect(engine, &QUpdater::packageImported, &context, [&](const QString &name, bool ok) {
        if (ok)
            packages << name;
    });
    QObject::connect(engine, &QUpdater::cycleFinished, &context, [&] { cycled = true; });
    QObject::connect(&thread, SIGNAL(started()), engine, SLOT(start()));
    QObject::connect(engine, &QUpdater::exitSystem, &thread, &QThread::quit);
    QObject::connect(&thread, &QThread::finished, engine, &QObject::deleteLater);
    thread.start();
    const bool done = QTest::qWaitFor([&] { return cycled; }, 120000);
    QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
    if (!QTest::qWaitFor([&] { return thread.isFinished(); }, 30000)) {
        thread.quit();
        thread.wait();
    }
    return done ? packages : QStringList();
}

} // namespace

class TestProxy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void opensWithTheStoredValues_data();
    void opensWithTheStoredValues();
    void okSavesWhatIsShown_data();
    void okSavesWhatIsShown();
    void savedProxyCarriesEveryRequest_data();
    void savedProxyCarriesEveryRequest();

private:
    // The login, one engine cycle and every session dialog once; the URLs asked for.
    QStringList runSession();

    DevServer m_server;
};

void TestProxy::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
}

void TestProxy::init()
{
    QFile::remove(getUserConfigPath());
    setProxy(QStringLiteral("old.example"), 8080, QStringLiteral("carol"), QStringLiteral("old"));
    disableProxy();
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
    if (enable)
        setProxy(QStringLiteral("old.example"), 8080, QStringLiteral("carol"), QStringLiteral("old"));
    QDlgProxy dialog;
    dialog.show();
    const Form f = form(&dialog);
    QCOMPARE(f.enable->isChecked(), enable);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(f.edits.at(i)->text(), (QStringList{"old.example", "8080", "carol", "old"}.at(i)));
        QCOMPARE(f.edits.at(i)->isEnabled(), enable);
    }
    // The box switches the edits at once.
    QTest::mouseClick(f.enable, Qt::LeftButton, {}, QPoint(5, f.enable->height() / 2));
    for (QLineEdit *edit : f.edits)
        QCOMPARE(edit->isEnabled(), !enable);
}

void TestProxy::okSavesWhatIsShown_data()
{
    QTest::addColumn<bool>("enable");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("saved");
    QTest::newRow("on") << true << true << QStringList{"127.0.0.1", "8888", "bob", "pw"}
                        << QStringList{"1", "127.0.0.1", "8888", "bob", "pw"};
    QTest::newRow("on, empty host, port not a number")
        << true << true << QStringList{"", "80a", "bob", "pw"} << QStringList{"1", "", "0", "bob", "pw"};
    QTest::newRow("off keeps the stored values")
        << false << true << QStringList() << QStringList{"0", "old.example", "8080", "carol", "old"};
    QTest::newRow("cancel saves nothing")
        << true << false << QStringList{"127.0.0.1", "8888", "bob", "pw"} << QStringList{"", "", "", "", ""};
}

void TestProxy::okSavesWhatIsShown()
{
    QFETCH(bool, enable);
    QFETCH(bool, ok);
    QFETCH(QStringList, values);
    QFETCH(QStringList, saved);
    saveWithDialog(enable, values, ok);
    QCOMPARE(savedProxy(), saved);
    QCOMPARE(getProxyEnable(), enable && ok ? 1 : 0);
    // The file reads back the same.
    setProxy(QString(), 1, QString(), QString());
    loadProxyConfig();
    if (ok)
        QCOMPARE((QStringList{QString::number(getProxyEnable()), getProxyHost(), QString::number(getProxyPort()),
                              getProxyUser(), getProxyPassword()}),
                 saved);
}

QStringList TestProxy::runSession()
{
    QStringList urls;
    [&] { QVERIFY(login()); }();
    urls << getVerifyApiUrl() + QStringLiteral("?acc=") << getTestObjectUrl();

    const QStringList packages = runEngineCycle();
    [&] { QVERIFY(!packages.isEmpty()); }();
    urls << getIndexUrl();
    for (const QString &name : packages)
        urls << getDatUrl() + QLatin1Char('/') + name;

    ModalWatcher boxes(QMessageBox::No);
    const QString reportId =
        m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
    QDlgDownloadFile download;
    QSignalSpy opened(&download, &QDlgDownloadFile::openFile);
    download.downloadReport(reportId, getLocalFilePath(QStringLiteral("proxy-test.pdf")));
    [&] { QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 20000); }();
    urls << getFileApiUrl() << getObjectHost() + QStringLiteral("/fil/") + reportId;

    QPointer<QDlgShare> share = new QDlgShare;
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
    QTest::mouseClick(network.findChild<QPushButton *>("btnTest"), Qt::LeftButton);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(network.findChild<QPushButton *>("btnTest")->isEnabled(), 20000); }();
    const QString line = network.findChild<QLabel *>("lblAuthServiceStatus")->text();
    if (!line.isEmpty()) { // empty without a network interface besides loopback
        [&] { QCOMPARE(line, getProxyEnable() ? QStringLiteral("√ 能连接认证服务(已使用代理)")
                                              : QStringLiteral("√ 能连接认证服务")); }();
        urls << getVerifyApiUrl() + QStringLiteral("?tms=");
    }
    return urls;
}

void TestProxy::savedProxyCarriesEveryRequest_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("open proxy") << "" << "";
    QTest::newRow("proxy asking for a password") << "alice" << "s3cret";
}

void TestProxy::savedProxyCarriesEveryRequest()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    if (!TinyProxy::available())
        QSKIP("tinyproxy is not installed");
    TinyProxy proxy;
    QVERIFY(proxy.start(user, password));

    // Saved before the login: the dialogs, the login and the engine read it from the file.
    saveWithDialog(true, {QStringLiteral("127.0.0.1"), QString::number(proxy.port()), user, password});
    m_server.clearRequestLog();
    QStringList urls = runSession();
    QVERIFY(!QTest::currentTestFailed());
    for (const QString &url : qAsConst(urls))
        QVERIFY2(proxy.requestCount(url) > 0, qPrintable(url + "\n" + QString::fromUtf8(proxy.log())));

    // Switched off: the same requests go straight to the hosts.
    saveWithDialog(false);
    const int passedOn = proxy.log().count("GET ");
    m_server.clearRequestLog();
    urls = runSession();
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(proxy.log().count("GET "), passedOn);
    QCOMPARE(m_server.requestLog().size(), urls.size());
}

QTEST_MAIN(TestProxy)
#include "tst_proxy.moc"
