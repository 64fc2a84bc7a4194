#include "datamigration.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlglogin.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "userlists.h"
#include "usersettings.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPointer>
#include <QSettings>
#include <QSqlQuery>
#include <QToolButton>
#include <QUrlQuery>
#include <QtTest>

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

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(captureStatus);
        QLoggingCategory::setFilterRules("tamrel.session.debug=true");
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
        QTest::newRow("10 digits") << "2017010112" << "abcd" << "用户登录" << false;
        QTest::newRow("11 digits, 3 chars") << "13800138000" << "abc" << "用户登录" << false;
        QTest::newRow("account only") << "20170101" << "" << "用户登录" << false;
        QTest::newRow("password only") << "" << "abcd" << "用户登录" << false;
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
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::newRow("account digit") << "edtAccount" << int(Qt::Key_5) << "5" << "12345" << 5;
        QTest::newRow("account letter") << "edtAccount" << int(Qt::Key_A) << "a" << "1234" << 4;
        QTest::newRow("account blank") << "edtAccount" << int(Qt::Key_Space) << " " << "1234" << 4;
        QTest::newRow("account backspace") << "edtAccount" << int(Qt::Key_Backspace) << "" << "123" << 3;
        QTest::newRow("account left") << "edtAccount" << int(Qt::Key_Left) << "" << "1234" << 3;
        QTest::newRow("account home") << "edtAccount" << int(Qt::Key_Home) << "" << "1234" << 4;
        QTest::newRow("password letter") << "edtPassword" << int(Qt::Key_A) << "a" << "1234a" << 5;
        QTest::newRow("password capital") << "edtPassword" << int(Qt::Key_Z) << "Z" << "1234Z" << 5;
        QTest::newRow("password digit") << "edtPassword" << int(Qt::Key_0) << "0" << "12340" << 5;
        QTest::newRow("password hyphen") << "edtPassword" << int(Qt::Key_Minus) << "-" << "1234" << 4;
        QTest::newRow("password accented") << "edtPassword" << int(Qt::Key_Eacute) << "é" << "1234" << 4;
        QTest::newRow("password escape") << "edtPassword" << int(Qt::Key_Escape) << "" << "1234" << 4;
        QTest::newRow("password backtab") << "edtPassword" << int(Qt::Key_Backtab) << "" << "1234" << 4;
    }

    void keyFilter()
    {
        QFETCH(QString, edit);
        QFETCH(int, key);
        QFETCH(QString, typed);
        QPointer<QDlgLogin> dialog = openDialog();
        QApplication::setActiveWindow(dialog);
        auto *line = dialog->findChild<QLineEdit *>(edit);
        line->setText("1234");
        line->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier, typed);
        QApplication::sendEvent(line, &press);
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
        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QVERIFY(out.deleted);
        QCOMPARE(out.statuses, accepted);
        QCOMPARE(out.boxes.size(), 0);
        QVERIFY(!getSessionId().isEmpty());
        QCOMPARE(getListYear(), 2015);
        QCOMPARE(stored("User/Account"), "<missing>");
        QCOMPARE(requests("/oss/tst/TST.DAT").size(), 1);
        // The database is open on the GUI thread at its schema version.
        QSqlQuery version(mainDatabase());
        QVERIFY(version.exec("PRAGMA user_version") && version.next());
        QCOMPARE(version.value(0).toInt(), 20161101);
        // An object-host result given as text counts the same.
        QVERIFY(m_server.setFault("tst_text"));
        QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted));
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
        QCOMPARE(expected.value("acc").toString(), "20170101");
        QCOMPARE(getUserName(), expected.value("nam").toString());
        QCOMPARE(getPortfolioList(), expected.value("prt").toString().split(','));
        QCOMPARE(getConcernedAnalystList(), expected.value("anl").toString().split(','));
        QCOMPARE(getMaskedInstList(), QStringList{"东莞证券"});
        QStringList insts = getConcernedInstList(), expectedInsts = expected.value("ins").toString().split(',');
        std::sort(insts.begin(), insts.end());
        std::sort(expectedInsts.begin(), expectedInsts.end());
        QCOMPARE(insts, expectedInsts);
        QCOMPARE(getBlockNameList(), (QStringList{"新能源", "银行股", "我的 自选"}));
        QVERIFY(isStockOfBlock("银行股", "300233.SZ"));
        QCOMPARE(getFavoriteNameList(), (QStringList{"重点关注", "待读", "空收藏夹"}));
        QCOMPARE(getFavoriteReportIds("待读"), (QStringList{"10009371", "10009380"}));
        QCOMPARE(getSubscribeNameList(), (QStringList{"新能源汽车", "长城公司"}));
        QCOMPARE(getSubscribeContent("长城公司"), expected.value("sub").toArray().at(1).toObject().value("cnt").toString());
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

    void migrationRunsBeforeTheDatabase()
    {
        QSettings settings(getUserConfigPath(), QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        settings.setValue("Inst/List", "中信证券");
        settings.sync();
        QVERIFY(QDir().mkpath(legacyReportDir()));
        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QCOMPARE(out.statuses, (accepted.mid(0, 4) + QStringList{"清理旧报告文件...", "旧报告清理完成", "导入本地关注机构数据...",
                                                                 "导入本地关注机构数据完成"} + accepted.mid(4)));
        QVERIFY(!QFileInfo::exists(legacyReportDir()));
        QCOMPARE(getConcernedInstList(), QStringList{"中信证券"});
        QVERIFY(getConcernedInstModified() > 0);
    }

    void serverChoiceIsStoredWithTheAccount()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        child<QComboBox>(dialog, "cboServiceHost")->setCurrentIndex(1);
        QCOMPARE(getHostIndex(), 1);
        QCOMPARE(login("20170101", "demo8888", dialog).result, int(QDialog::Accepted));
        QCOMPARE(stored("System/Host"), "1");
        QCOMPARE(m_server.requestLog().first().value("server").toString(), "service2");
    }

    void linksOpenTheProxyAndNetworkDialogs()
    {
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
        QPointer<QDlgLogin> dialog = openDialog();
        QVERIFY(QMetaObject::invokeMethod(child(dialog, "lblProxy"), "linkActivated", Q_ARG(QString, "showProxyDialog")));
        // Only the status line's "showNetworkDialog" link opens the network test.
        for (const char *link : {"openProxyWebsite", "showNetworkDialog"})
            QVERIFY(QMetaObject::invokeMethod(child(dialog, "lblStatus"), "linkActivated", Q_ARG(QString, link)));
        const QList<QDialog *> opened = dialog->findChildren<QDialog *>();
        QCOMPARE(opened.size(), 2);
        QVERIFY(qobject_cast<QDlgProxy *>(opened.at(0)) && qobject_cast<QDlgNetwork *>(opened.at(1)));
        QVERIFY(opened.at(0)->isModal() && opened.at(1)->isVisible());
        delete dialog.data();
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
