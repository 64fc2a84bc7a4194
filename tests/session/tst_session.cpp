// The session against the stand-in: the login dialog, the dialogs for report download and
// sharing, the upgrade and the network test, and the proxy the user saves: every request started
// afterwards (the login, the object-host test, the update engine's downloads, the dialogs) goes
// through it, and none once it is switched off.

#include "datamigration.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "enginerunner.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgdownloadfile.h"
#include "qdlglogin.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qdlgshare.h"
#include "qdlgupgrade.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "startup.h"
#include "testfiles.h"
#include "tinyproxy.h"
#include "urlcatcher.h"
#include "userliststore.h"
#include "usersettings.h"
#include "waiting.h"

#include <QtNetwork>
#include <QtSql>
#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

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

QString stored(const QString &key) { return iniValue(getUserConfigPath(), key); }

template<typename T = QWidget>
T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

QString text(QWidget *dialog, const char *label) { return child<QLabel>(dialog, label)->text(); }
QPushButton *button(QWidget *dialog, const char *name) { return child<QPushButton>(dialog, name); }

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
    button(dialog, "btnUserLogin")->click();
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
        out.status = idle() ? text(dialog, "lblStatus") : QString("disabled");
        delete dialog.data();
    }
    return out;
}

const QStringList oldValues = {"old.example", "8080", "carol", "old"};

// Opens the dialog as the login does, switches it on or off, fills it in and presses OK or Cancel;
// what it showed first: on/off and the values, and "greyed" for edits out of step with the box.
QStringList editProxy(bool enable, const QStringList &values = {}, const char *press = "btnOK")
{
    QWidget opener;
    QPointer<QDlgProxy> dialog = new QDlgProxy(&opener);
    dialog->show();
    auto *box = dialog->findChild<QCheckBox *>("chkEnable");
    const QList<QLineEdit *> edits = dialog->findChildren<QLineEdit *>(QRegularExpression("^edt"));
    QStringList shown{box->isChecked() ? "on" : "off"};
    if (box->isChecked() != enable)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    for (int i = 0; i < edits.size(); ++i) {
        shown << edits.at(i)->text() + (edits.at(i)->isEnabled() == enable ? "" : " greyed");
        if (i < values.size())
            edits.at(i)->setText(values.at(i));
    }
    QTest::mouseClick(dialog->findChild<QPushButton *>(press), Qt::LeftButton);
    return shown;
}

struct Download
{
    QList<ModalWatcher::Box> boxes;
    QStringList opened; // "id|path" of each openFile
};

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

    DevServer m_server;
    QString m_session; // of a sample account, for the report dialogs
    UrlCatcher m_browser;
    QString m_pdfId, m_package;
    const QString m_desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);

    // The name the main window gives the sample PDF report.
    QString reportPath() const
    {
        const SampleReport r = sampleReport(m_server.dataDir(), m_pdfId);
        const QString date = QDate::fromString(r.publishDate, Qt::ISODate).toString("yyyyMMdd");
        return getLocalFilePath(makeReportFileName(r.institution, r.title, date, "pdf"));
    }

    // Downloads the sample PDF report to path. Asked to, once the request the stand-in holds
    // back (its path starts with heldAt) is on its way, closes the dialog ("close") or presses
    // Escape ("escape"): either stops the transfer at once.
    Download download(const QString &path, const QString &stopBy = QString(), const QString &heldAt = QString())
    {
        Download out;
        ModalWatcher boxes;
        QDlgDownloadFile dialog;
        setSessionId(m_session);
        qint64 sizeWhenOpened = -1; // the main window opens the file at once: it must be whole by then
        connect(&dialog, &QDlgDownloadFile::openFile, this, [&](const QString &id, const QString &p) {
            out.opened << id + '|' + p;
            sizeWhenOpened = QFileInfo(p).size();
        });
        dialog.show();
        dialog.downloadReport(m_pdfId, path);
        if (!stopBy.isEmpty()) {
            (void)QTest::qWaitFor([&] {
                const QList<QJsonObject> log = m_server.requestLog();
                return !log.isEmpty() && log.last().value("path").toString().startsWith(heldAt);
            }, 10000);
            if (stopBy == "escape")
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else if (dialog.close()) // it only stops and hides
                out.opened << "closed while busy";
            if (dialog.isDownloading()) // the idle watchdog would end it only 15 s later
                out.opened << "not stopped at once";
        } else {
            (void)QTest::qWaitFor([&] { return boxes.count() > 0 || !out.opened.isEmpty(); }, 40000);
        }
        QTest::qWait(100);
        out.boxes = boxes.boxes();
        if (dialog.isVisible() || (!out.opened.isEmpty() && sizeWhenOpened != QFileInfo(path).size()))
            out.opened << "still shown, or opened before the file was whole";
        return out;
    }

    QDlgShare *share(const QString &publisher = "高盛", const QString &title = "标题", const QString &code = "")
    {
        auto *dialog = new QDlgShare;
        dialog->show();
        setSessionId(m_session);
        dialog->requestShareLink(m_pdfId, publisher, title, code);
        return dialog;
    }

    // The login, one engine cycle and every session dialog once; the URLs asked for.
    QStringList runSession()
    {
        QStringList urls = {getVerifyApiUrl() + "?acc=", getTestObjectUrl(), getIndexUrl()};
        closeMainDatabase(); // a fresh database, so the engine fetches every package
        QFile::remove(getDataDir() + "/data.s3");
        [&] { QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted)); }();
        EngineRunner engine; // on its own thread, wired as the main window wires it, for one index cycle
        [&] { QVERIFY(engine.runCycle() && !engine.imported.isEmpty()); }();
        for (const QString &name : qAsConst(engine.imported))
            urls << getDatUrl() + '/' + name;

        ModalWatcher boxes(QMessageBox::No);
        const QString id = m_pdfId;
        QDlgDownloadFile download;
        QSignalSpy opened(&download, &QDlgDownloadFile::openFile);
        download.downloadReport(id, getLocalFilePath("proxy-test.pdf"));
        QDlgShare share;
        share.requestShareLink(id, "高盛", "标题", QString());
        QDlgUpgrade upgrade;
        QTimer::singleShot(0, button(&upgrade, "btnDownload"), &QPushButton::click);
        [&] { QCOMPARE(upgrade.exec(), int(QDialog::Accepted)); }();
        urls << getFileApiUrl() << getObjectHost() + "/fil/" + id << getShareApiUrl() << getUpgradeUrl();
        QDlgNetwork network;
        QTest::mouseClick(button(&network, "btnTest"), Qt::LeftButton);
        [&] {
            WAIT_UNTIL("the report downloaded, the share link and the network test's end",
                       opened.count() == 1 && !text(&share, "lblUrl").isEmpty() && button(&network, "btnTest")->isEnabled(),
                       20000);
        }();
        const QString line = text(&network, "lblAuthServiceStatus");
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
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        loadOptionConfig();
        installAppFont(getAppDir());
        QVERIFY(openStandInSession());
        m_session = getSessionId();
        const QJsonObject facts = m_server.manifest().value("facts").toObject();
        m_pdfId = facts.value("reportFiles").toObject().value("PDF").toString();
        m_package = facts.value("upgradeFile").toString();
        QVERIFY(m_desktop.startsWith(QDir::homePath() + '/') && QDir::homePath().startsWith(QDir::tempPath()));
        QDesktopServices::setUrlHandler("http", &m_browser, "open");
        QDesktopServices::setUrlHandler("https", &m_browser, "open");
    }

    void init()
    {
        QVERIFY(m_server.resetFaults());
        m_server.clearRequestLog();
        QFile::remove(getUserConfigPath());
        loadDefaultConfig();
        setHostIndex(0);
        loadOptionConfig();
        loadProxyConfig();
        setSessionId(QString());
        setBulletinContent(QString());
        resetUserLists();
        for (const QString &path : {getLocalFileDirPath(), m_desktop}) {
            QDir(path).removeRecursively();
            QFile::remove(path);
        }
        m_browser.urls.clear();
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
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
        QTEST(button(dialog, "btnUserLogin")->text(), "text");
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

    void passwordEchoesAsterisks()
    {
        // Under the program's style sheet, as it runs.
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
        QPointer<QDlgLogin> dialog = openDialog();
        auto *edit = child<QLineEdit>(dialog, "edtPassword");
        edit->setText("abc1234");
        const QString shown = edit->displayText();
        delete dialog.data();
        qApp->setStyleSheet(QString());
        QCOMPARE(shown, QString("*******"));
    }

    void closing()
    {
        // Idle the window closes; while the request runs only the close button ends it. Either
        // way the dialog deletes itself.
        QPointer<QDlgLogin> idle = openDialog(), busy = openDialog();
        QVERIFY(idle->close());
        QVERIFY(m_server.setFault("stall", true, "/user/verify"));
        QSignalSpy finished(busy.data(), &QDialog::finished);
        button(busy, "btnUserLogin")->click();
        QVERIFY(!busy->close() && busy->isVisible());
        child<QToolButton>(busy, "btnClose")->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
        QTRY_VERIFY(idle.isNull() && busy.isNull());
    }

    void guestLogin()
    {
        // With a folder of an older layout, which goes before the database is opened.
        QVERIFY(QDir().mkpath(legacyReportDir()));
        Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QVERIFY(out.deleted);
        QCOMPARE(out.statuses, (accepted.mid(0, 4) + QStringList{"清理旧报告文件...", "旧报告清理完成"} + accepted.mid(4)));
        QCOMPARE(out.boxes.size(), 0);
        QVERIFY(!QFileInfo::exists(legacyReportDir()) && !getSessionId().isEmpty());
        QCOMPARE(stored("User/Account"), "<missing>");
        QCOMPARE(m_server.requestLog().last().value("path").toString(), "/oss/tst/TST.DAT");
        // An object-host result given as text counts the same.
        QVERIFY(m_server.setFault("tst_text"));
        QCOMPARE(login(QString(), QString()).statuses, accepted);

        // data.s3 is not a database: the login goes on, but says so.
        closeMainDatabase();
        QVERIFY(writeFile(getDataDir() + "/data.s3", QByteArray(8192, 'j')));
        out = login(QString(), QString());
        QVERIFY(QFile::remove(getDataDir() + "/data.s3"));
        QCOMPARE(out.result, int(QDialog::Accepted));
        QCOMPARE(out.statuses.mid(4), (QStringList{"初始化数据库...", "数据库初始化失败"}));
        QCOMPARE(out.boxes.size(), 1);
        QVERIFY(out.boxes.first().text.startsWith("本地数据库初始化失败"));
    }

    void accountListsAreTakenOverUnstamped()
    {
        QCOMPARE(login("20170101", "demo8888").result, int(QDialog::Accepted));
        const QJsonObject expected = QJsonDocument::fromJson(readFile(m_server.dataDir() + "/accounts.json")).array().at(0).toObject();
        QCOMPARE(expected.value("acc").toString() + expected.value("nam").toString(), "20170101" + getUserName());
        QCOMPARE(getPortfolioList(), expected.value("prt").toString().split(','));
        QCOMPARE(getConcernedAnalystList(), expected.value("anl").toString().split(','));
        const auto set = [](const QStringList &list) { return QSet<QString>(list.cbegin(), list.cend()); };
        QCOMPARE(set(getConcernedInstList()), set(expected.value("ins").toString().split(',')));
        QCOMPARE(getMaskedInstList(), QStringList{"东莞证券"});
        QCOMPARE(getBlockNameList(), (QStringList{"新能源", "银行股", "我的 自选"}));
        QCOMPARE(getFavoriteReportIds("待读"), (QStringList{"10009371", "10009380"}));
        QCOMPARE(getSubscribeNameList(), (QStringList{"新能源汽车", "长城公司"}));
        // Nothing is marked for upload: the engine sends nothing back.
        QCOMPARE(getConcernedInstModified() + getConcernedAnalystModified() + getReportSubscribeModified()
                     + getReportFavoriteModified() + getStockBlockModified() + getPortfolioModified(), 0);
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
        QCOMPARE(QUrlQuery(m_server.requestLog().first().value("query").toString()).queryItemValue("acc", QUrl::FullyDecoded), account);
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
        QCOMPARE(m_server.requestLog().size(), 1); // no object-host test
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

    void downloadStoresTheReport()
    {
        const QString path = reportPath();
        for (int run = 0; run < 2; ++run) { // into a folder chain not yet there, then over an older copy
            const Download out = download(path);
            QCOMPARE(out.opened, QStringList{m_pdfId + '|' + path});
            QCOMPARE(out.boxes.size(), 0);
            QVERIFY(readFile(path).startsWith("%PDF-"));
            QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
            QVERIFY(writeFile(path, "old copy"));
        }
        // The address from the service (which checks the signed query) is fetched as given.
        QVERIFY(m_server.requestLog().at(1).value("path").toString().startsWith("/oss/fil/" + m_pdfId + '.'));
    }

    void downloadFailures_data()
    {
        QTest::addColumn<QString>("fault"); // a fault of the stand-in (name@path[:how the user stops]), or local:
        QTest::addColumn<QString>("title"); // empty: no box
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        const QString failed = "下载失败", saveFailed = "报告保存遇到问题，请重新尝试或与我们联系！";
        const QString urlError = "获取报告地址失败，请重新尝试或与我们联系！(ErrorCode:%1)";
        const QString fileError = "报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)";
        QTest::newRow("service refuses") << "file_refused" << failed << "该报告暂不提供下载" << 1;
        QTest::newRow("address: HTTP 500") << "http_500@/report/file" << failed << urlError.arg(QNetworkReply::InternalServerError) << 1;
        QTest::newRow("file: HTTP 500") << "http_500@/oss/fil" << failed << fileError.arg(QNetworkReply::InternalServerError) << 2;
        // The client's own time-out is a failure; the user's cancel, with the same code from the client, is not.
        QTest::newRow("file: stalls") << "stall@/oss/fil" << failed << fileError.arg(QNetworkReply::OperationCanceledError) << 2;
        QTest::newRow("file: closed while on its way") << "stall@/oss/fil:close" << "" << "" << 2;
        QTest::newRow("file: Escape while on its way") << "stall@/oss/fil:escape" << "" << "" << 2;
        QTest::newRow("address: Escape while on its way") << "stall@/report/file:escape" << "" << "" << 1;
        QTest::newRow("file: cut short") << "truncate@/oss/fil" << failed << fileError.arg(QNetworkReply::RemoteHostClosedError) << 2;
        QTest::newRow("file: empty") << "file_empty" << failed << "报告文件为空，请重新尝试或与我们联系！" << 2;
        QTest::newRow("address is file:") << "file_obj_file" << failed << "报告地址无效，请重新尝试或与我们联系！" << 1;
        QTest::newRow("address is qrc:") << "file_obj_qrc" << failed << "报告地址无效，请重新尝试或与我们联系！" << 1;
        QTest::newRow("report folder is a file") << "local:folder" << "文件错误" << "不能创建报告目录！" << 2;
        QTest::newRow("report file is a folder") << "local:file" << "文件保存失败" << saveFailed << 2;
        QTest::newRow("disk full: the older copy stays") << "local:disk" << "文件保存失败" << saveFailed << 2;
    }

    void downloadFailures()
    {
        QFETCH(QString, fault);
        const QString path = reportPath(), dir = QFileInfo(path).path();
        if (fault.startsWith("local:"))
            QVERIFY(QDir().mkpath(fault == "local:folder" ? getDataDir() : fault == "local:file" ? path : dir));
        else
            QVERIFY(m_server.setFault(fault.section('@', 0, 0), true, fault.section('@', 1).section(':', 0, 0)));
        QVERIFY(fault != "local:folder" || writeFile(dir, "not a folder"));
        QVERIFY(fault != "local:disk" || writeFile(path, "old copy"));
        // As on a full disk: writes past 100 bytes fail in this process until the limit goes.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{fault == "local:disk" ? 100 : old.rlim_cur, old.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const Download out = download(path, fault.startsWith("local:") ? QString() : fault.section(':', 1),
                                      fault.section('@', 1).section(':', 0, 0));
        setrlimit(RLIMIT_FSIZE, &old);
        QFETCH(QString, title);
        QCOMPARE(out.boxes.size(), title.isEmpty() ? 0 : 1);
        QCOMPARE(out.boxes.value(0).icon, title.isEmpty() ? QMessageBox::NoIcon : QMessageBox::Critical);
        QCOMPARE(out.boxes.value(0).title, title);
        QTEST(out.boxes.value(0).text, "text");
        QCOMPARE(out.opened, QStringList());
        // No partial file, and what was there before stays.
        QCOMPARE(readFile(fault == "local:folder" ? dir : path),
                 QByteArray(fault == "local:folder" ? "not a folder" : fault == "local:disk" ? "old copy" : ""));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden),
                 fault == "local:disk" ? QStringList{QFileInfo(path).fileName()} : QStringList());
        QTEST(m_server.requestLog().size(), "requests");
    }

    // While their request runs, Escape, reject() and accept() leave these dialogs open, as the
    // window system's close does.
    void dialogsStayWhileTheirRequestRuns_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("path"); // held back by the stand-in
        QTest::newRow("upgrade") << "QDlgUpgrade" << "/oss/dwn";
        QTest::newRow("network test") << "QDlgNetwork" << "/user/verify";
        QTest::newRow("share") << "QDlgShare" << "/report/share";
    }

    void dialogsStayWhileTheirRequestRuns()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, path);
        QVERIFY(m_server.setFault("stall", true, path));
        setUpgradeFileName(m_package);
        QPointer<QDialog> shown;
        if (dialog == "QDlgShare") {
            shown = share();
        } else {
            shown = dialog == "QDlgUpgrade" ? static_cast<QDialog *>(new QDlgUpgrade) : new QDlgNetwork;
            shown->show();
            QTest::mouseClick(button(shown, dialog == "QDlgUpgrade" ? "btnDownload" : "btnTest"), Qt::LeftButton);
        }
        if (!QTest::qWaitFor([&] { return m_server.requestLog().size() == 1; }, 15000)) {
            delete shown.data();
            QSKIP("no network interface besides loopback: the test sends no request");
        }
        QSignalSpy finished(shown.data(), &QDialog::finished);
        QTest::keyClick(shown, Qt::Key_Escape);
        QVERIFY(shown && shown->isVisible());
        shown->reject();
        shown->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(finished.count(), 0);
        delete shown.data();
    }

    void shareLinkAndPages_data()
    {
        QTest::addColumn<QString>("publisher");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("content");
        QTest::newRow("without a stock code") << "高盛" << "宏观策略：年度展望" << "" << "宏观策略：年度展望-";
        QTest::newRow("characters that end or split a query")
            << "A&B=C" << "收益+增长 #1 & 50%=?" << "000001.SZ" << "收益+增长 #1 & 50%=?,$(SZ000001)$-";
    }

    void shareLinkAndPages()
    {
        QFETCH(QString, publisher);
        QFETCH(QString, title);
        QFETCH(QString, code);
        QFETCH(QString, content);
        ModalWatcher boxes;
        QPointer<QDlgShare> dialog = share(publisher, title, code);
        QVERIFY(!button(dialog, "btnCopy")->isEnabled() && !dialog->close()); // not while the request is out
        QTRY_VERIFY(!text(dialog, "lblUrl").isEmpty());
        // The stand-in's share id of a report.
        const QString link = getShareUrl() + "?id=" + QString::number(m_pdfId.toLongLong() * 31 + 17, 36).toUpper();
        QCOMPARE(text(dialog, "lblUrl"), QString("<a href='%1'>%1</a>").arg(link));
        QCOMPARE(boxes.count(), 0);
        for (const char *name : {"btnCopy", "btnXueQiu", "btnWeibo"})
            QTest::mouseClick(button(dialog, name), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), link);
        QCOMPARE(m_browser.urls.size(), 2);
        using Query = QList<QPair<QString, QString>>;
        QCOMPARE(m_browser.urls.at(0).toString(QUrl::RemoveQuery), "http://xueqiu.com/service/share");
        QCOMPARE(QUrlQuery(m_browser.urls.at(0)).queryItems(QUrl::FullyDecoded),
                 (Query{{"title", publisher + "发布研报"}, {"content", content}, {"url", link}}));
        QCOMPARE(m_browser.urls.at(1).toString(QUrl::RemoveQuery), "http://service.weibo.com/share/share.php");
        QCOMPARE(QUrlQuery(m_browser.urls.at(1)).queryItems(QUrl::FullyDecoded),
                 (Query{{"title", publisher + "发布研报:" + title}, {"url", link}}));
        delete dialog;
    }

    void shareReplies_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("link"); // the link shown; "ended": the dialog ends
        QTest::newRow("network failure: stays open, no link") << int(QNetworkReply::InternalServerError) << QByteArray()
            << QString("连接服务器失败，请检查网络设置或采用代理服务器！(ErrCode:%1)").arg(QNetworkReply::InternalServerError) << "";
        QTest::newRow("refused: ends") << 0 << QByteArray("{\"res\":0,\"msg\":\"该报告暂不支持分享\"}") << "该报告暂不支持分享" << "ended";
        QTest::newRow("an id with characters of HTML and of a query")
            << 0 << QByteArray("{\"res\":1,\"msg\":\"ok\",\"data\":{\"id\":\"a'b<i>c&x=1#\"}}") << "" << "?id=a%27b%3Ci%3Ec%26x%3D1%23";
    }

    void shareReplies()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(QString, link);
        ModalWatcher boxes;
        QPointer<QDlgShare> dialog = new QDlgShare;
        dialog->show();
        QVERIFY(QMetaObject::invokeMethod(dialog, "downloadFinished", Q_ARG(int, code), Q_ARG(QByteArray, body)));
        QTEST(boxes.last().text, "box");
        QTest::qWait(50);
        QCOMPARE(dialog.isNull(), link == "ended");
        if (link == "ended")
            return;
        const QString shown = link.isEmpty() ? QString() : getShareUrl() + link;
        QCOMPARE(text(dialog, "lblUrl"), shown.isEmpty() ? QString() : QString("<a href='%1'>%1</a>").arg(shown));
        QTest::mouseClick(button(dialog, "btnWeibo"), Qt::LeftButton);
        QCOMPARE(QUrlQuery(m_browser.urls.first()).queryItemValue("url", QUrl::FullyDecoded), shown);
        QVERIFY(dialog->close());
    }

    void upgradePackageFileName_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << "TamrelSetup-2017.02.exe" << "TamrelSetup-2017.02.exe";
        QTest::newRow("parent folder") << "../x" << "x";
        QTest::newRow("windows parent folders") << "..\\..\\evil.exe" << "evil.exe";
        QTest::newRow("absolute") << "/etc/cron.d/job" << "job";
        QTest::newRow("folder only") << "dwn/" << "";
        QTest::newRow("dot dot") << ".." << "";
        QTest::newRow("dot") << "a/." << "";
    }

    void upgradePackageFileName()
    {
        QFETCH(QString, given);
        QTEST(QDlgUpgrade::packageFileName(given), "stored");
    }

    void upgradeDownloadsToTheDesktop_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("install");
        QTest::newRow("answered No") << "" << false;
        QTest::newRow("answered Yes: the installer cannot start here") << "" << true;
        QTest::newRow("a path in the name") << "../" << false;
    }

    void upgradeDownloadsToTheDesktop()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, install);
        setUpgradeFileName(prefix + m_package);
        ModalWatcher boxes(install ? QMessageBox::Yes : QMessageBox::No);
        QDlgUpgrade dialog;
        QTimer::singleShot(0, button(&dialog, "btnDownload"), &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        // The desktop folder was made; the package is there whole and nowhere else.
        const QString path = m_desktop + '/' + m_package;
        QVERIFY(QFileInfo(path).size() > 0);
        QCOMPARE(readFile(path), readFile(m_server.dataDir() + "/dwn/" + m_package));
        QCOMPARE(QDir::home().entryList(QDir::Files), QStringList());
        QCOMPARE(m_server.requestLog().first().value("path").toString(), "/oss/dwn/" + m_package);
        QCOMPARE(boxes.count(), install ? 2 : 1);
        QCOMPARE(boxes.boxes().first().text, "升级程序下载完毕，是否立即安装?");
        if (install) // said plainly; the package stays where it is
            QCOMPARE(boxes.last().text, QString("升级程序不能在本机直接运行，已保存在：%1\n请手动安装。").arg(path));
    }

    void upgradeFailures_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("status");
        QTest::newRow("no package name") << "name" << "没有可下载的升级程序，请到网站下载最新安装包！";
        QTest::newRow("HTTP 500") << "http_500"
            << QString("下载升级程序失败，请重新尝试或与我们联系！(ErrorCode:%1)").arg(QNetworkReply::InternalServerError);
        QTest::newRow("desktop is a file") << "desktop" << "升级程序保存失败，您缺少管理员权限，请重新尝试或与我们联系！";
        QTest::newRow("empty package") << "empty" << "下载的升级程序为空，请重新尝试或与我们联系！";
    }

    void upgradeFailures()
    {
        QFETCH(QString, cause);
        setUpgradeFileName(cause == "name" ? QString() : m_package);
        QVERIFY(cause != "http_500" || m_server.setFault(cause, true, "/oss/dwn"));
        QVERIFY(cause != "desktop" || writeFile(m_desktop, ""));
        ModalWatcher boxes(QMessageBox::No);
        QDlgUpgrade dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        dialog.show();
        if (cause == "empty") // as an object host would answer
            QVERIFY(QMetaObject::invokeMethod(&dialog, "downloadFinished", Q_ARG(int, 0), Q_ARG(QByteArray, QByteArray())));
        else
            QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_VERIFY(button(&dialog, "btnClose")->isEnabled() && button(&dialog, "btnDownload")->isEnabled());
        QTEST(text(&dialog, "lblStatus"), "status");
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!QFileInfo::exists(m_desktop + '/' + m_package));
        // Once the cause is gone, the same dialog downloads.
        init();
        setUpgradeFileName(m_package);
        QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_COMPARE(accepted.count(), 1);
        QVERIFY(QFileInfo(m_desktop + '/' + m_package).size() > 0);
    }

    void networkTest_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("internet");
        QTest::addColumn<QString>("service");
        const QString reached = "√ 能连通互联网";
        QTest::newRow("service reached") << "" << reached << "√ 能连接认证服务";
        QTest::newRow("service error") << "http_500" << reached
            << "X 不能连接认证服务，请<a style='color:red;' href='openProxyWebsite'>更换DNS</a>或"
               "<a style='color:red;' href='showProxyDialog'>设置代理</a>";
        QTest::newRow("proxy not there") << "proxy" << reached
            << "X 不能连接认证服务(已使用代理)，请<a style='color:red;' href='showProxyDialog'>设置代理</a>";
        QTest::newRow("name not found") << "no-such-host.invalid" << "X 不能连通互联网，请检查网络或防火墙设置" << "";
    }

    void networkTest()
    {
        QFETCH(QString, cause);
        QFETCH(QString, internet);
        QVERIFY(cause != "http_500" || m_server.setFault(cause, true, "/user/verify"));
        if (cause.contains('.'))
            qputenv("TAMREL_LOOKUP_HOST", cause.toLatin1());
        if (cause == "proxy") // a port that nobody listens on
            setProxy("127.0.0.1", 1, QString(), QString());
        QDlgNetwork dialog;
        dialog.show();
        QTest::mouseClick(button(&dialog, "btnTest"), Qt::LeftButton);
        WAIT_UNTIL("the network test's end", button(&dialog, "btnTest")->isEnabled(), (QDlgNetwork::kLookupTimeoutSeconds + 20) * 1000);
        disableProxy();
        QVERIFY(button(&dialog, "btnClose")->isEnabled());
        if (text(&dialog, "lblInterfaceStatus") != "√ 有网络连接")
            QSKIP("no network interface besides loopback: the test stops at its first line");
        QCOMPARE(text(&dialog, "lblInternetStatus"), internet);
        QTEST(text(&dialog, "lblAuthServiceStatus"), "service");
        // Only the signed time goes out: no account, password, machine or session.
        QCOMPARE(m_server.requestLog().size(), cause.isEmpty() || cause == "http_500" ? 1 : 0);
        for (const QJsonObject &request : m_server.requestLog())
            QCOMPARE(QUrlQuery(request.value("query").toString()).queryItems().size(), 2);
        // The links: a page on DNS in the browser, the proxy settings over the dialog.
        for (const char *link : {"openProxyWebsite", "showProxyDialog"})
            QVERIFY(QMetaObject::invokeMethod(dialog.findChild<QLabel *>("lblAuthServiceStatus"), "linkActivated", Q_ARG(QString, link)));
        QCOMPARE(m_browser.urls.size(), 1);
        QVERIFY(dialog.findChild<QDlgProxy *>() && dialog.findChild<QDlgProxy *>()->isModal());
    }


    void proxyDialogShowsAndSaves_data()
    {
        QTest::addColumn<bool>("storedOn");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("saved");
        const QStringList values = {"127.0.0.1", "8888", "bob", "pw"};
        QTest::newRow("switched on") << false << true << values << "btnOK" << QStringList{"1", "127.0.0.1", "8888", "bob", "pw"};
        QTest::newRow("switched off: the values stay") << true << false << QStringList() << "btnOK" << QStringList{"0"} + oldValues;
        QTest::newRow("cancel saves nothing") << false << true << values << "btnCancel" << QStringList{"0", "", "0", "", ""};
    }

    void proxyDialogShowsAndSaves()
    {
        QFETCH(bool, storedOn);
        QFETCH(bool, enable);
        QFETCH(QStringList, values);
        QFETCH(QString, press);
        setProxy(oldValues.at(0), oldValues.at(1).toInt(), oldValues.at(2), oldValues.at(3));
        if (!storedOn)
            disableProxy();
        // It shows the stored values, the edits greyed out while switched off.
        QCOMPARE(editProxy(enable, values, qPrintable(press)), QStringList{storedOn ? "on" : "off"} + oldValues);
        // What the file holds takes effect.
        QCOMPARE(getProxyEnable(), press == "btnOK" && enable ? 1 : 0);
        loadProxyConfig();
        QTEST((QStringList{QString::number(getProxyEnable()), getProxyHost(), QString::number(getProxyPort()), getProxyUser(),
                           getProxyPassword()}), "saved");
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

QTEST_MAIN(TestSession)
#include "tst_session.moc"
