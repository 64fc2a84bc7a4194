// The login dialog against the stand-in, and the proxy the user saves: every request started
// afterwards (the login, the object-host test, the update engine's downloads, the session
// dialogs) goes through it, and none once it is switched off.

#include "datamigration.h"
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
#include "userlists.h"
#include "usersettings.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

#include <limits>

namespace {

const QString verifyFailed = "连接认证服务器失败，请重新尝试或检查网络设置！(<a style='color:red;' href='showNetworkDialog'>网络测试</a>)";
const QString testFailed = "连接文件服务器失败，请重新尝试或检查网络设置！(<a style='color:red;' href='showNetworkDialog'>网络测试</a>)";
const QString testBelowOne = "连接文件服务器失败，请检查网络设置或采用代理服务器！(";
const QStringList accepted = {"用户验证...", "接收用户验证数据成功！", "测试文件服务器连接...", "接收文件服务器数据成功！",
                              "初始化数据库...", "数据库初始化完成"};

// Every status text the dialog shows, in order (it logs each one as it sets it).
QStringList statusLog;
QtMessageHandler previousHandler = nullptr;

void captureStatus(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "tamrel.session") == 0 && message.startsWith("status: "))
        statusLog << message.mid(8);
    else
        previousHandler(type, context, message);
}

QString stored(const QString &key)
{
    QSettings settings(getUserConfigPath(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key, "<missing>").toString();
}

// The user's lists as at a fresh start: empty, nothing marked for upload.
void resetStore()
{
    for (const QString &name : getFavoriteNameList())
        deleteFavorite(name);
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
    for (const QString &name : getSubscribeNameList())
        deleteSubscribe(name);
    for (const QString &name : getConcernedInstList())
        removeFromConcernedInstList(name);
    for (const QString &uid : getConcernedAnalystList())
        removeFromConcernedAnalystList(uid);
    for (const QString &code : getPortfolioList())
        removeFromPortfolioList(code);
    for (auto clear : {clearConcernedInstModified, clearConcernedAnalystModified, clearReportSubscribeModified,
                       clearReportFavoriteModified, clearStockBlockModified, clearPortfolioModified})
        clear(std::numeric_limits<qint64>::max());
}

template<typename T = QWidget>
T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

QDlgLogin *openDialog()
{
    auto *dialog = new QDlgLogin;
    dialog->show();
    return dialog;
}

struct Outcome
{
    int result = -1;      // how the dialog finished; -1 when it came back to idle
    bool deleted = false; // it deleted itself once finished
    QString status;       // the status line once idle again, all inputs enabled (else "disabled")
    QStringList statuses; // every status shown
    QList<ModalWatcher::Box> boxes;
};

// Logs in with the input given and waits until the dialog finished or is idle again.
Outcome login(const QString &account, const QString &password, QPointer<QDlgLogin> dialog = {})
{
    if (!dialog)
        dialog = openDialog();
    child<QLineEdit>(dialog, "edtAccount")->setText(account);
    child<QLineEdit>(dialog, "edtPassword")->setText(password);
    QSignalSpy finished(dialog.data(), &QDialog::finished);
    ModalWatcher watcher;
    watcher.rejectDialogsOf("QDlgUpgrade");
    statusLog.clear();
    child<QPushButton>(dialog, "btnUserLogin")->click();
    const QStringList inputs = {"cboServiceHost", "btnUserLogin", "edtAccount", "edtPassword", "lblProxy"};
    const auto idle = [&] { return std::all_of(inputs.begin(), inputs.end(), [&](const QString &name) {
                                return dialog->findChild<QWidget *>(name)->isEnabled(); }); };
    if (!QTest::qWaitFor([&] { return !finished.isEmpty() || idle(); }, 30000))
        qWarning("the login neither finished nor came back to idle");
    Outcome out{-1, false, QString(), statusLog, watcher.boxes()};
    if (!finished.isEmpty()) {
        out.result = finished.first().first().toInt();
        out.deleted = QTest::qWaitFor([&] { return dialog.isNull(); }, 5000);
    } else {
        out.status = idle() ? child<QLabel>(dialog, "lblStatus")->text() : QString("disabled");
        delete dialog.data();
    }
    return out;
}

const QStringList oldValues = {"old.example", "8080", "carol", "old"};

// Opens the dialog as the login does, switches it on or off, fills it in, presses OK or Cancel.
void editProxy(bool enable, const QStringList &values = {}, const char *press = "btnOK")
{
    QWidget opener;
    QPointer<QDlgProxy> dialog = new QDlgProxy(&opener);
    dialog->show();
    auto *box = dialog->findChild<QCheckBox *>("chkEnable");
    if (box->isChecked() != enable)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    const QList<QLineEdit *> edits = dialog->findChildren<QLineEdit *>(QRegularExpression("^edt"));
    for (int i = 0; i < values.size(); ++i)
        edits.at(i)->setText(values.at(i));
    QTest::mouseClick(dialog->findChild<QPushButton *>(press), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
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

class TestLogin : public QObject
{
    Q_OBJECT

    DevServer m_server;

    QList<QUrlQuery> requests(const QString &path) const
    {
        QList<QUrlQuery> out;
        for (const QJsonObject &entry : m_server.requestLog()) {
            if (entry.value("path").toString() == path)
                out << QUrlQuery(entry.value("query").toString());
        }
        return out;
    }

    // The login, one engine cycle and every session dialog once; the URLs asked for.
    QStringList runSession()
    {
        QStringList urls = {getVerifyApiUrl() + "?acc=", getTestObjectUrl(), getIndexUrl()};
        closeMainDatabase(); // a fresh database, so the engine fetches every package
        QFile::remove(getDataDir() + "/data.s3");
        [&] { QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted)); }();
        const QStringList packages = runEngineCycle();
        [&] { QVERIFY(!packages.isEmpty()); }();
        for (const QString &name : packages)
            urls << getDatUrl() + '/' + name;

        ModalWatcher boxes(QMessageBox::No);
        const QString id = m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
        QDlgDownloadFile download;
        QSignalSpy opened(&download, &QDlgDownloadFile::openFile);
        download.downloadReport(id, getLocalFilePath("proxy-test.pdf"));
        QDlgShare share;
        share.requestShareLink(id, "高盛", "标题", QString());
        QDlgUpgrade upgrade;
        QTimer::singleShot(0, upgrade.findChild<QPushButton *>("btnDownload"), &QPushButton::click);
        [&] { QCOMPARE(upgrade.exec(), int(QDialog::Accepted)); }();
        urls << getFileApiUrl() << getObjectHost() + "/fil/" + id << getShareApiUrl() << getUpgradeUrl();
        QDlgNetwork network;
        QTest::mouseClick(network.findChild<QPushButton *>("btnTest"), Qt::LeftButton);
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(opened.count() == 1 && !share.findChild<QLabel *>("lblUrl")->text().isEmpty()
                                         && network.findChild<QPushButton *>("btnTest")->isEnabled(), 20000);
        }();
        const QString line = network.findChild<QLabel *>("lblAuthServiceStatus")->text();
        if (!line.isEmpty()) { // empty without a network interface besides loopback
            [&] { QCOMPARE(line, getProxyEnable() ? "√ 能连接认证服务(已使用代理)" : "√ 能连接认证服务"); }();
            urls << getVerifyApiUrl() + "?tms=";
        }
        return urls;
    }

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(captureStatus);
        QLoggingCategory::setFilterRules("tamrel.session.debug=true");
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    void init()
    {
        QVERIFY(m_server.resetFaults());
        m_server.clearRequestLog();
        QFile::remove(getUserConfigPath());
        loadDefaultConfig();
        setHostIndex(0);
        loadOptionConfig();
        setSessionId(QString());
        setBulletinContent(QString());
        resetStore();
    }

    void loginButtonRule_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("both empty") << "" << "" << "游客登录" << true;
        QTest::newRow("8 digits, 4 chars") << "20170101" << "abcd" << "用户登录" << true;
        QTest::newRow("11 digits, 10 chars") << "13800138000" << "abcdefghij" << "用户登录" << true;
        QTest::newRow("7 digits") << "2017010" << "abcd" << "用户登录" << false;
        QTest::newRow("9 digits") << "201701011" << "abcd" << "用户登录" << false;
        QTest::newRow("11 digits, 3 chars") << "13800138000" << "abc" << "用户登录" << false;
        QTest::newRow("account only") << "20170101" << "" << "用户登录" << false;
    }

    void loginButtonRule()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QPointer<QDlgLogin> dialog = openDialog();
        child<QLineEdit>(dialog, "edtAccount")->setText(account);
        child<QLineEdit>(dialog, "edtPassword")->setText(password);
        QTEST(child<QPushButton>(dialog, "btnUserLogin")->text(), "text");
        QTEST(child(dialog, "btnUserLogin")->isEnabled(), "enabled");
        delete dialog.data();
    }

    void keyFilter_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        // Each key typed after "1234"; blanks, punctuation, Escape and Backtab never pass.
        QTest::newRow("account: digits and editing keys")
            << "edtAccount" << QList<int>{Qt::Key_5, Qt::Key_A, Qt::Key_Space, Qt::Key_Minus, Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Home}
            << "1234" << 3;
        QTest::newRow("password: letters and digits") << "edtPassword"
            << QList<int>{Qt::Key_A, Qt::Key_0, Qt::Key_Minus, Qt::Key_Period, Qt::Key_Eacute, Qt::Key_Escape, Qt::Key_Backtab}
            << "1234A0" << 6;
    }

    void keyFilter()
    {
        QFETCH(QString, edit);
        QFETCH(QList<int>, keys);
        QPointer<QDlgLogin> dialog = openDialog();
        QApplication::setActiveWindow(dialog);
        auto *line = dialog->findChild<QLineEdit *>(edit);
        line->setText("1234");
        line->setFocus();
        for (int key : keys) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key < 0x100 ? QString(QChar(key)) : QString());
            QApplication::sendEvent(line, &press);
        }
        QTEST(line->text(), "text");
        QTEST(line->cursorPosition(), "cursor");
        QVERIFY(dialog->isVisible() && line->hasFocus());
        delete dialog.data();
    }

    void closing()
    {
        // Idle: the window closes and the dialog deletes itself.
        QPointer<QDlgLogin> dialog = openDialog();
        QVERIFY(dialog->close());
        QTRY_VERIFY(dialog.isNull());
        // While the request runs only the close button ends it.
        QVERIFY(m_server.setFault("stall", true, "/user/verify"));
        dialog = openDialog();
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        child<QPushButton>(dialog, "btnUserLogin")->click();
        QVERIFY(!dialog->close() && dialog->isVisible());
        child<QToolButton>(dialog, "btnClose")->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
        QTRY_VERIFY(dialog.isNull());
    }

    void guestLogin()
    {
        // With a folder of an older layout, which goes before the database is opened.
        QVERIFY(QDir().mkpath(legacyReportDir()));
        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QVERIFY(out.deleted);
        QCOMPARE(out.statuses, (accepted.mid(0, 4) + QStringList{"清理旧报告文件...", "旧报告清理完成"} + accepted.mid(4)));
        QCOMPARE(out.boxes.size(), 0);
        QVERIFY(!QFileInfo::exists(legacyReportDir()) && !getSessionId().isEmpty());
        QCOMPARE(getListYear(), 2015);
        QCOMPARE(stored("User/Account"), "<missing>");
        QCOMPARE(requests("/oss/tst/TST.DAT").size(), 1);
        // The database is open on the GUI thread at its schema version.
        QSqlQuery version(mainDatabase());
        QVERIFY(version.exec("PRAGMA user_version") && version.next());
        QCOMPARE(version.value(0).toInt(), 20161101);
        // An object-host result given as text counts the same.
        QVERIFY(m_server.setFault("tst_text"));
        QCOMPARE(login(QString(), QString()).statuses, accepted);
    }

    void unusableDatabaseIsReported()
    {
        // data.s3 is not a database: the login goes on, but says so.
        closeMainDatabase();
        QFile junk(getDataDir() + "/data.s3");
        QVERIFY(QDir().mkpath(getDataDir()) && junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
        junk.write(QByteArray(8192, 'j'));
        junk.close();
        const Outcome out = login(QString(), QString());
        QVERIFY(junk.remove());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QCOMPARE(out.statuses.mid(4), (QStringList{"初始化数据库...", "数据库初始化失败"}));
        QCOMPARE(out.boxes.size(), 1);
        QVERIFY(out.boxes.first().text.startsWith("本地数据库初始化失败"));
    }

    void accountListsAreTakenOverUnstamped()
    {
        QCOMPARE(login("20170101", "demo8888").result, int(QDialog::Accepted));
        QFile file(m_server.dataDir() + "/accounts.json");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject expected = QJsonDocument::fromJson(file.readAll()).array().at(0).toObject();
        QCOMPARE(expected.value("acc").toString() + expected.value("nam").toString(), "20170101" + getUserName());
        QCOMPARE(getPortfolioList(), expected.value("prt").toString().split(','));
        QCOMPARE(getConcernedAnalystList(), expected.value("anl").toString().split(','));
        const auto set = [](const QStringList &list) { return QSet<QString>(list.cbegin(), list.cend()); };
        QCOMPARE(set(getConcernedInstList()), set(expected.value("ins").toString().split(',')));
        QCOMPARE(getMaskedInstList(), QStringList{"东莞证券"});
        QCOMPARE(getBlockNameList(), (QStringList{"新能源", "银行股", "我的 自选"}));
        QVERIFY(isStockOfBlock("银行股", "300233.SZ"));
        QCOMPARE(getFavoriteReportIds("待读"), (QStringList{"10009371", "10009380"}));
        QCOMPARE(getSubscribeNameList(), (QStringList{"新能源汽车", "长城公司"}));
        // Nothing is marked for upload: the engine sends nothing back.
        QCOMPARE(getConcernedInstModified() + getConcernedAnalystModified() + getReportSubscribeModified()
                     + getReportFavoriteModified() + getStockBlockModified() + getPortfolioModified(), 0);
        // The account is kept and shown at the next start.
        QPointer<QDlgLogin> dialog = openDialog();
        QCOMPARE(child<QLineEdit>(dialog, "edtAccount")->text() + child<QLineEdit>(dialog, "edtPassword")->text(),
                 "20170101demo8888");
        delete dialog.data();
    }

    void refusedLogins_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("verified");
        const QString acc = "20170101", pwd = "demo8888", unregistered = "帐号未注册";
        QTest::newRow("wrong password") << "" << acc << "nottheone" << "帐号或密码错误" << false;
        QTest::newRow("refused") << "login_refused" << acc << pwd << "帐号或密码错误" << false;
        QTest::newRow("unknown account") << "" << "13800138001" << "abcd" << unregistered << false;
        QTest::newRow("account with & and =") << "" << "2017&x=1" << "abcd" << unregistered << false;
        QTest::newRow("unregistered") << "login_unregistered" << acc << pwd << unregistered << false;
        QTest::newRow("empty msg") << "login_empty_msg" << acc << pwd << verifyFailed << false;
        QTest::newRow("verify error") << "http_500@/user/verify" << acc << pwd << verifyFailed << false;
        QTest::newRow("test error") << "http_500@/oss/tst" << acc << pwd << testFailed << true;
        QTest::newRow("test result 0.5") << "tst_half" << acc << pwd << testBelowOne + "{\"result\":0.5})" << true;
        QTest::newRow("test result 0") << "tst_zero" << acc << pwd << testBelowOne + "{\"result\":0})" << true;
        QTest::newRow("test not inflating") << "tst_plain" << acc << pwd << testBelowOne + ")" << true;
    }

    void refusedLogins()
    {
        QFETCH(QString, fault);
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, status);
        QFETCH(bool, verified);
        if (!fault.isEmpty())
            QVERIFY(m_server.setFault(fault.section('@', 0, 0), true, fault.section('@', 1)));
        QPointer<QDlgLogin> dialog = openDialog();
        QWidget *const loginDialog = dialog.data();
        const Outcome out = login(account, password, dialog);
        QCOMPARE(out.result, -1);
        QCOMPARE(out.status, status);
        QCOMPARE(out.statuses.mid(0, verified ? 3 : 1), accepted.mid(0, verified ? 3 : 1));
        QVERIFY(!out.statuses.contains("初始化数据库...")); // the database waits for the object-host test
        QCOMPARE(out.boxes.size(), status == "帐号未注册" ? 1 : 0);
        if (!out.boxes.isEmpty()) {
            QCOMPARE(out.boxes.first().text, "帐号未注册，请先注册。<a style='color:red;' href='" + getCardUrl() + "'>帐号注册</a>");
            QCOMPARE(out.boxes.first().parent, loginDialog);
        }
        // The service saw the account as typed; the session is kept only once it accepted.
        QCOMPARE(requests("/user/verify").last().queryItemValue("acc", QUrl::FullyDecoded), account);
        QCOMPARE(getSessionId().isEmpty(), !verified);
    }

    void forcedUpgradeRejects()
    {
        QVERIFY(m_server.setFault("old_version"));
        QPointer<QDlgLogin> dialog = openDialog();
        QWidget *const loginDialog = dialog.data();
        const Outcome out = login("20170101", "demo8888", dialog);
        // The upgrade ran over the login dialog (the watcher closed it), then the login was rejected.
        QCOMPARE(out.boxes.size(), 1);
        QCOMPARE(out.boxes.first().className, "QDlgUpgrade");
        QCOMPARE(out.boxes.first().parent, loginDialog);
        QCOMPARE(out.result, int(QDialog::Rejected));
        QVERIFY(out.deleted);
        QVERIFY(getSessionId().isEmpty() && getPortfolioList().isEmpty() && !getUpgradeFileName().isEmpty());
        QCOMPARE(stored("User/Account"), "<missing>");
        QCOMPARE(requests("/oss/tst/TST.DAT").size(), 0);
    }

    void bulletinOncePerVersion()
    {
        const QString text = "<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告：数据均为样本数据。</p>";
        // The fault, then the bulletin shown and the version stored after the login.
        const QList<QStringList> steps = {{"bulletin", text, "20170109.1"},
                                          {"bulletin", "", "20170109.1"},     // the same version again
                                          {"bulletin_vip", "", "20170109.2"}, // for another audience
                                          {"", "", "20170109"}};              // not valid
        for (const QStringList &step : steps) {
            QVERIFY(m_server.resetFaults());
            QVERIFY(step.at(0).isEmpty() || m_server.setFault(step.at(0)));
            setBulletinContent(QString());
            QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted));
            QCOMPARE(getBulletinContent(), step.at(1));
            QCOMPARE(stored("Bulletin/Ver"), step.at(2));
        }
    }

    void linksOpenTheProxyAndNetworkDialogs()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        // Only the status line's "showNetworkDialog" link opens the network test.
        for (const auto &link : {std::make_pair("lblProxy", "showProxyDialog"), std::make_pair("lblStatus", "openProxyWebsite"),
                                 std::make_pair("lblStatus", "showNetworkDialog")})
            QVERIFY(QMetaObject::invokeMethod(child(dialog, link.first), "linkActivated", Q_ARG(QString, link.second)));
        const QList<QDialog *> opened = dialog->findChildren<QDialog *>();
        QCOMPARE(opened.size(), 2);
        QVERIFY(qobject_cast<QDlgProxy *>(opened.at(0)) && qobject_cast<QDlgNetwork *>(opened.at(1)));
        QVERIFY(opened.at(0)->isModal() && opened.at(1)->isModal() && opened.at(1)->isVisible());
        delete dialog.data();
    }

    void dialogShowsAndSaves_data()
    {
        QTest::addColumn<bool>("storedOn");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("saved");
        const QStringList values = {"127.0.0.1", "8888", "bob", "pw"};
        QTest::newRow("switched on") << false << true << values << "btnOK" << QStringList{"1", "127.0.0.1", "8888", "bob", "pw"};
        QTest::newRow("empty host, port not a number")
            << false << true << QStringList{"", "80a", "bob", "pw"} << "btnOK" << QStringList{"1", "", "0", "bob", "pw"};
        QTest::newRow("switched off: the values stay") << true << false << values << "btnOK" << QStringList{"0"} + oldValues;
        QTest::newRow("cancel saves nothing") << false << true << values << "btnCancel" << QStringList{"", "", "", "", ""};
    }

    void dialogShowsAndSaves()
    {
        QFETCH(bool, storedOn);
        QFETCH(bool, enable);
        QFETCH(QStringList, values);
        QFETCH(QString, press);
        QFile::remove(getUserConfigPath());
        setProxy(oldValues.at(0), oldValues.at(1).toInt(), oldValues.at(2), oldValues.at(3));
        if (!storedOn)
            disableProxy();
        {
            // It opens with the stored values, greyed out while switched off; the box switches them.
            QDlgProxy dialog;
            auto *box = dialog.findChild<QCheckBox *>("chkEnable");
            QCOMPARE(box->isChecked(), storedOn);
            for (QLineEdit *edit : dialog.findChildren<QLineEdit *>(QRegularExpression("^edt"))) {
                QVERIFY(oldValues.contains(edit->text()) && edit->isEnabled() == storedOn);
                box->click();
                QVERIFY(edit->isEnabled() != storedOn);
                box->click();
            }
        }
        editProxy(enable, enable ? values : QStringList(), qPrintable(press));
        QStringList saved;
        QSettings file(getUserConfigPath(), QSettings::IniFormat);
        for (const char *key : {"Enable", "Host", "Port", "User", "Password"})
            saved << file.value(QString("Proxy/") + key).toString();
        QTEST(saved, "saved");
        // What takes effect is what the file holds.
        QCOMPARE(getProxyEnable(), press == "btnOK" && enable ? 1 : 0);
        loadProxyConfig();
        QVERIFY(press != "btnOK" || (QStringList{QString::number(getProxyEnable()), getProxyHost(),
                                                  QString::number(getProxyPort()), getProxyUser(), getProxyPassword()} == saved));
    }

    void savedProxyCarriesEveryRequest_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("open proxy") << "" << "";
        QTest::newRow("proxy asking for a password") << "alice" << "s3cret";
    }

    void savedProxyCarriesEveryRequest()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        if (!TinyProxy::available())
            QSKIP("tinyproxy is not installed");
        TinyProxy proxy;
        QVERIFY(proxy.start(user, password));
        // Saved before the login: the login and the engine read it from the file.
        editProxy(true, {"127.0.0.1", QString::number(proxy.port()), user, password});
        QStringList urls = runSession();
        QVERIFY(!QTest::currentTestFailed());
        for (const QString &url : qAsConst(urls))
            QVERIFY2(proxy.requestCount(url) > 0, qPrintable(url + "\n" + QString::fromUtf8(proxy.log())));

        // Switched off: the same requests go straight to the hosts.
        editProxy(false);
        const int passedOn = proxy.log().count("GET ");
        m_server.clearRequestLog();
        urls = runSession();
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(proxy.log().count("GET "), passedOn);
        QCOMPARE(m_server.requestLog().size(), urls.size());
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
