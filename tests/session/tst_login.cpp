#include "datamigration.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "qdlglogin.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "serviceapi.h"
#include "tinyproxy.h"
#include "userlists.h"
#include "usersettings.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTimer>
#include <QToolButton>
#include <QUrlQuery>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

const QString verifyFailed = QStringLiteral(
    "连接认证服务器失败，请重新尝试或检查网络设置！(<a style='color:red;' href='showNetworkDialog'>网络测试</a>)");
const QString testFailed = QStringLiteral(
    "连接文件服务器失败，请重新尝试或检查网络设置！(<a style='color:red;' href='showNetworkDialog'>网络测试</a>)");
const QString testBelowOne = QStringLiteral("连接文件服务器失败，请检查网络设置或采用代理服务器！(");
const QStringList acceptedStatuses = {
    QStringLiteral("用户验证..."),         QStringLiteral("接收用户验证数据成功！"),
    QStringLiteral("测试文件服务器连接..."), QStringLiteral("接收文件服务器数据成功！"),
    QStringLiteral("初始化数据库..."),       QStringLiteral("数据库初始化完成")};

// Every status text the dialog shows, in order (it logs each one as it sets it).
QStringList statusLog;
QtMessageHandler previousHandler = nullptr;

void captureStatus(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const QString prefix = QStringLiteral("status: ");
    if (context.category && QLatin1String(context.category) == QLatin1String("tamrel.session")
        && message.startsWith(prefix)) {
        statusLog << message.mid(prefix.size());
        return;
    }
    previousHandler(type, context, message);
}

constexpr qint64 kAnyStamp = std::numeric_limits<qint64>::max();

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
    setMaskedInstList(QString());
    clearConcernedInstModified(kAnyStamp);
    clearConcernedAnalystModified(kAnyStamp);
    clearReportSubscribeModified(kAnyStamp);
    clearReportFavoriteModified(kAnyStamp);
    clearStockBlockModified(kAnyStamp);
    clearPortfolioModified(kAnyStamp);
}

QString storedSetting(const QString &key)
{
    QSettings settings(getUserConfigPath(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key, QStringLiteral("<missing>")).toString();
}

// Closes every modal window that opens over the login dialog (message boxes, the upgrade) and
// notes "class|title|text" of each, so nothing blocks and every box can be checked.
class ModalWatcher : public QObject
{
public:
    ModalWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::check);
        m_timer.start(20);
    }

    QStringList seen;
    QList<QWidget *> parents;

private:
    void check()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->inherits("QDlgLogin"))
            return;
        auto *dialog = qobject_cast<QDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        seen << QString::fromLatin1(modal->metaObject()->className()) + QLatin1Char('|')
                    + modal->windowTitle() + QLatin1Char('|') + (box ? box->text() : QString());
        parents << modal->parentWidget();
        if (box && box->button(QMessageBox::Ok))
            box->button(QMessageBox::Ok)->click();
        else if (dialog)
            dialog->reject();
    }

    QTimer m_timer;
};

struct Outcome
{
    int result = -1; // the dialog's result once it finished, -1 while it stays open
    QString status;  // the status line at the end
    QStringList statuses;
    QStringList modals;
    QList<QWidget *> modalParents;
    bool inputsEnabled = false;
    bool deleted = false;
};

template<typename T>
T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;

    QPointer<QDlgLogin> openDialog()
    {
        auto *dialog = new QDlgLogin(nullptr);
        dialog->show();
        return dialog;
    }

    // Logs in with the given input and waits until the dialog finished or is idle again.
    Outcome login(const QString &account, const QString &password, QPointer<QDlgLogin> dialog = {})
    {
        Outcome out;
        if (!dialog)
            dialog = openDialog();
        child<QLineEdit>(dialog, "edtAccount")->setText(account);
        child<QLineEdit>(dialog, "edtPassword")->setText(password);
        auto *button = child<QPushButton>(dialog, "btnUserLogin");
        auto *host = child<QComboBox>(dialog, "cboServiceHost");
        auto *status = child<QLabel>(dialog, "lblStatus");
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        ModalWatcher watcher;
        statusLog.clear();
        button->click();
        const bool ended = QTest::qWaitFor(
            [&]() { return !finished.isEmpty() || host->isEnabled(); }, 30000);
        if (!ended)
            qWarning("the login neither finished nor came back to idle");
        out.statuses = statusLog;
        out.modals = watcher.seen;
        out.modalParents = watcher.parents;
        if (!finished.isEmpty()) {
            out.result = finished.first().first().toInt();
            out.deleted = QTest::qWaitFor([&]() { return dialog.isNull(); }, 5000);
            return out;
        }
        out.status = status->text();
        out.inputsEnabled = host->isEnabled() && button->isEnabled()
                            && child<QLineEdit>(dialog, "edtAccount")->isEnabled()
                            && child<QLineEdit>(dialog, "edtPassword")->isEnabled()
                            && child<QLabel>(dialog, "lblProxy")->isEnabled();
        delete dialog.data();
        return out;
    }

    QJsonObject account(const QString &name) const
    {
        QFile file(m_server->dataDir() + QStringLiteral("/accounts.json"));
        file.open(QIODevice::ReadOnly);
        for (const QJsonValue &value : QJsonDocument::fromJson(file.readAll()).array()) {
            if (value.toObject().value(QLatin1String("acc")).toString() == name)
                return value.toObject();
        }
        return {};
    }

    QList<QJsonObject> requests(const QString &path) const
    {
        QList<QJsonObject> out;
        for (const QJsonObject &entry : m_server->requestLog()) {
            if (entry.value(QLatin1String("path")).toString() == path)
                out << entry;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(captureStatus);
        QLoggingCategory::setFilterRules(QStringLiteral("tamrel.session.debug=true"));
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(previousHandler);
    }

    void init()
    {
        QVERIFY(m_server->resetFaults());
        m_server->clearRequestLog();
        QFile::remove(getUserConfigPath());
        loadDefaultConfig();
        setHostIndex(0);
        loadOptionConfig();
        setSessionId(QString());
        setBulletinContent(QString());
        resetStore();
    }

    void formLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("lblStatus") << "lblStatus" << "QLabel" << QRect(10, 360, 591, 23);
        QTest::newRow("prgDownload") << "prgDownload" << "QProgressBar" << QRect(10, 385, 751, 10);
        QTest::newRow("cboServiceHost") << "cboServiceHost" << "QComboBox" << QRect(10, 400, 111, 27);
        QTest::newRow("lblPassword") << "lblPassword" << "QLabel" << QRect(420, 400, 41, 27);
        QTest::newRow("edtPassword") << "edtPassword" << "QLineEdit" << QRect(470, 400, 91, 27);
        QTest::newRow("btnUserLogin") << "btnUserLogin" << "QPushButton" << QRect(570, 400, 81, 27);
        QTest::newRow("btnClose") << "btnClose" << "QToolButton" << QRect(732, 10, 26, 25);
        QTest::newRow("lblProxy") << "lblProxy" << "QLabel" << QRect(130, 400, 31, 27);
        QTest::newRow("lblRegister") << "lblRegister" << "QLabel" << QRect(660, 400, 41, 27);
        QTest::newRow("lblVersion") << "lblVersion" << "QLabel" << QRect(610, 360, 151, 23);
        QTest::newRow("lblPhone") << "lblPhone" << "QLabel" << QRect(190, 400, 101, 27);
        QTest::newRow("edtAccount") << "edtAccount" << "QLineEdit" << QRect(290, 400, 121, 27);
        QTest::newRow("lblResetPassword") << "lblResetPassword" << "QLabel" << QRect(700, 400, 61, 27);
        QTest::newRow("lblLogo") << "lblLogo" << "QLabel" << QRect(10, 10, 120, 24);
        QTest::newRow("lblSoftwareName") << "lblSoftwareName" << "QLabel" << QRect(50, 80, 111, 20);
    }

    void formLayout()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QRect, geometry);
        QPointer<QDlgLogin> dialog = openDialog();
        QWidget *widget = dialog->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->parentWidget(), dialog.data());
        delete dialog.data();
    }

    void dialogFrame()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        QCOMPARE(dialog->objectName(), QStringLiteral("QDlgLogin"));
        QCOMPARE(dialog->size(), QSize(768, 435));
        QCOMPARE(dialog->minimumSize(), QSize(768, 435));
        QCOMPARE(dialog->maximumSize(), QSize(768, 435));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("用户登录 - ") + getCnName());
        QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(dialog->isModal());
        QVERIFY(dialog->styleSheet().contains(getAppDir() + QStringLiteral("/splash.png")));

        QCOMPARE(child<QLabel>(dialog, "lblStatus")->text(),
                 QStringLiteral("请选择适合你的服务器，然后点击\"登录\"按钮。"));
        QCOMPARE(child<QLabel>(dialog, "lblVersion")->text(), QStringLiteral("Ver ") + getVersion());
        QCOMPARE(child<QLabel>(dialog, "lblPassword")->text(), QStringLiteral("密码："));
        QCOMPARE(child<QLabel>(dialog, "lblPhone")->text(), QStringLiteral("帐号/手机号："));
        QCOMPARE(child<QLabel>(dialog, "lblSoftwareName")->text(), QString());
        QVERIFY(child<QLabel>(dialog, "lblRegister")->text().contains(getRegisterUrl()));
        QVERIFY(child<QLabel>(dialog, "lblResetPassword")->text().contains(getPasswordUrl()));
        QVERIFY(child<QLabel>(dialog, "lblRegister")->openExternalLinks());
        QCOMPARE(child<QToolButton>(dialog, "btnClose")->toolTip(), QStringLiteral("关闭"));
        QCOMPARE(child<QLineEdit>(dialog, "edtAccount")->maxLength(), 11);
        QCOMPARE(child<QLineEdit>(dialog, "edtPassword")->maxLength(), 10);
        QCOMPARE(child<QLineEdit>(dialog, "edtPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(child<QLineEdit>(dialog, "edtPassword")->font().family(), QStringLiteral("文泉驿正黑"));
        QVERIFY(!child<QLabel>(dialog, "lblLogo")->pixmap(Qt::ReturnByValue).isNull());

        auto *hosts = child<QComboBox>(dialog, "cboServiceHost");
        QCOMPARE(hosts->count(), getServiceHostNameList().size());
        QCOMPARE(hosts->itemText(0), QStringLiteral("杭州服务器"));
        QCOMPARE(hosts->itemText(1), QStringLiteral("北京服务器"));

        // Tab order over the widgets that take focus.
        QStringList order;
        QWidget *widget = hosts;
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != hosts && order.size() < 10);
        QCOMPARE(order, (QStringList{"cboServiceHost", "edtAccount", "edtPassword", "btnUserLogin",
                                     "btnClose"}));

        // The close button rejects and the dialog deletes itself.
        QSignalSpy rejected(dialog.data(), &QDialog::rejected);
        child<QToolButton>(dialog, "btnClose")->click();
        QCOMPARE(rejected.count(), 1);
        QTRY_VERIFY(dialog.isNull());
    }

    void loginButtonRule_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        const QString guest = QStringLiteral("游客登录");
        const QString user = QStringLiteral("用户登录");
        QTest::newRow("both empty") << "" << "" << guest << true;
        QTest::newRow("8 digits, 4 chars") << "20170101" << "abcd" << user << true;
        QTest::newRow("9 digits") << "201701011" << "abcd" << user << false;
        QTest::newRow("10 digits") << "2017010112" << "abcd" << user << false;
        QTest::newRow("11 digits, 3 chars") << "13800138000" << "abc" << user << false;
        QTest::newRow("11 digits, 10 chars") << "13800138000" << "abcdefghij" << user << true;
        QTest::newRow("account only") << "20170101" << "" << user << false;
        QTest::newRow("password only") << "" << "abcd" << user << false;
        QTest::newRow("7 digits") << "2017010" << "abcd" << user << false;
    }

    void loginButtonRule()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QPointer<QDlgLogin> dialog = openDialog();
        child<QLineEdit>(dialog, "edtAccount")->setText(account);
        child<QLineEdit>(dialog, "edtPassword")->setText(password);
        auto *button = child<QPushButton>(dialog, "btnUserLogin");
        QCOMPARE(button->text(), text);
        QCOMPARE(button->isEnabled(), enabled);
        delete dialog.data();
    }

    void storedAccountIsShown()
    {
        QSettings settings(getUserConfigPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("User/Account"), QStringLiteral("20170101"));
        settings.setValue(QStringLiteral("User/Password"), QStringLiteral("demo8888"));
        settings.sync();
        QPointer<QDlgLogin> dialog = openDialog();
        QCOMPARE(child<QLineEdit>(dialog, "edtAccount")->text(), QStringLiteral("20170101"));
        QCOMPARE(child<QLineEdit>(dialog, "edtPassword")->text(), QStringLiteral("demo8888"));
        QCOMPARE(child<QPushButton>(dialog, "btnUserLogin")->text(), QStringLiteral("用户登录"));
        QVERIFY(child<QPushButton>(dialog, "btnUserLogin")->isEnabled());
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
        QTest::newRow("account capital") << "edtAccount" << int(Qt::Key_Z) << "Z" << "1234" << 4;
        QTest::newRow("account hyphen") << "edtAccount" << int(Qt::Key_Minus) << "-" << "1234" << 4;
        QTest::newRow("account blank") << "edtAccount" << int(Qt::Key_Space) << " " << "1234" << 4;
        QTest::newRow("account backspace") << "edtAccount" << int(Qt::Key_Backspace) << "" << "123" << 3;
        QTest::newRow("account left") << "edtAccount" << int(Qt::Key_Left) << "" << "1234" << 3;
        QTest::newRow("account home") << "edtAccount" << int(Qt::Key_Home) << "" << "1234" << 4;
        QTest::newRow("password letter") << "edtPassword" << int(Qt::Key_A) << "a" << "1234a" << 5;
        QTest::newRow("password capital") << "edtPassword" << int(Qt::Key_Z) << "Z" << "1234Z" << 5;
        QTest::newRow("password digit") << "edtPassword" << int(Qt::Key_0) << "0" << "12340" << 5;
        QTest::newRow("password hyphen") << "edtPassword" << int(Qt::Key_Minus) << "-" << "1234" << 4;
        QTest::newRow("password blank") << "edtPassword" << int(Qt::Key_Space) << " " << "1234" << 4;
        QTest::newRow("password dot") << "edtPassword" << int(Qt::Key_Period) << "." << "1234" << 4;
        QTest::newRow("password accented") << "edtPassword" << int(Qt::Key_Eacute) << "é" << "1234" << 4;
        QTest::newRow("password end") << "edtPassword" << int(Qt::Key_Home) << "" << "1234" << 4;
    }

    void keyFilter()
    {
        QFETCH(QString, edit);
        QFETCH(int, key);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QPointer<QDlgLogin> dialog = openDialog();
        auto *line = dialog->findChild<QLineEdit *>(edit);
        line->setText(QStringLiteral("1234"));
        line->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QApplication::sendEvent(line, &press);
        QApplication::sendEvent(line, &release);
        QCOMPARE(line->text(), text);
        QCOMPARE(line->cursorPosition(), cursor);
        delete dialog.data();
    }

    void escapeAndBacktabAreSwallowed()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        QApplication::setActiveWindow(dialog);
        auto *password = child<QLineEdit>(dialog, "edtPassword");
        password->setFocus();
        QSignalSpy rejected(dialog.data(), &QDialog::rejected);
        QTest::keyClick(password, Qt::Key_Escape);
        QTest::keyClick(password, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(rejected.count(), 0);
        QVERIFY(dialog->isVisible());
        QVERIFY(password->hasFocus());
        // Tab passes.
        QTest::keyClick(password, Qt::Key_Tab);
        QVERIFY(child<QPushButton>(dialog, "btnUserLogin")->hasFocus());
        delete dialog.data();
    }

    void serverChoiceIsStoredAtOnce()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        child<QComboBox>(dialog, "cboServiceHost")->setCurrentIndex(1);
        QCOMPARE(getHostIndex(), 1);
        QCOMPARE(storedSetting(QStringLiteral("System/Host")), QStringLiteral("<missing>"));
        // A login with an account writes it, and it went to the second host.
        const Outcome out = login(QStringLiteral("20170101"), QStringLiteral("demo8888"), dialog);
        QCOMPARE(out.result, int(QDialog::Accepted));
        QCOMPARE(storedSetting(QStringLiteral("System/Host")), QStringLiteral("1"));
        QCOMPARE(requests(QStringLiteral("/user/verify")).last().value(QLatin1String("server")).toString(),
                 QStringLiteral("service2"));
    }

    void draggingMovesTheFramelessWindow()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        dialog->move(100, 50);
        const QPoint start = dialog->pos();
        const QPoint local(200, 150);
        QMouseEvent press(QEvent::MouseButtonPress, local, dialog->mapToGlobal(local), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog, &press);
        QMouseEvent move(QEvent::MouseMove, local + QPoint(30, -20), dialog->mapToGlobal(local) + QPoint(30, -20),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog, &move);
        QCOMPARE(dialog->pos(), start + QPoint(30, -20));
        delete dialog.data();
    }

    void progressOfUnknownSize()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        auto *bar = child<QProgressBar>(dialog, "prgDownload");
        QVERIFY(QMetaObject::invokeMethod(dialog, "downloadProgress", Q_ARG(double, 40.7)));
        QCOMPARE(bar->value(), 40);
        QVERIFY(QMetaObject::invokeMethod(dialog, "downloadProgress", Q_ARG(double, -1.0)));
        QCOMPARE(bar->value(), 40);
        delete dialog.data();
    }

    void guestLogin()
    {
        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QVERIFY(out.deleted);
        QCOMPARE(out.statuses, acceptedStatuses);
        QCOMPARE(out.modals, QStringList());
        QVERIFY(!getSessionId().isEmpty());
        QCOMPARE(getListYear(), 2015);
        QCOMPARE(getAceYear(), 2015);
        // A guest login stores no account.
        QCOMPARE(storedSetting(QStringLiteral("User/Account")), QStringLiteral("<missing>"));

        // The verify request: an empty account, the digest of the empty password, signed.
        const QJsonObject verify = requests(QStringLiteral("/user/verify")).last();
        const QUrlQuery query(verify.value(QLatin1String("query")).toString());
        QStringList keys;
        for (const auto &item : query.queryItems())
            keys << item.first;
        QCOMPARE(keys, (QStringList{"acc", "pwd", "mac", "tms", "sgn"}));
        QCOMPARE(query.queryItemValue(QStringLiteral("acc")), QString());
        QCOMPARE(query.queryItemValue(QStringLiteral("pwd")), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
        QCOMPARE(query.queryItemValue(QStringLiteral("mac")), QDlgLogin::getMacAddress());
        QCOMPARE(query.queryItemValue(QStringLiteral("sgn")),
                 QString::fromLatin1(QCryptographicHash::hash(query.queryItemValue(QStringLiteral("tms")).toUtf8(),
                                                              QCryptographicHash::Md5).toHex()));
        QCOMPARE(requests(QStringLiteral("/oss/tst/TST.DAT")).size(), 1);

        // The database is open on the GUI thread at its schema version.
        QVERIFY(QFileInfo::exists(getDataDir() + QStringLiteral("/data.s3")));
        QSqlQuery version(mainDatabase());
        QVERIFY(version.exec(QStringLiteral("PRAGMA user_version")) && version.next());
        QCOMPARE(version.value(0).toInt(), 20161101);
    }

    void unusableDatabaseIsReported()
    {
        // A data folder whose data.s3 is not a database: the login goes on, but says so.
        closeMainDatabase();
        const QString dataDir = getDataDir();
        QVERIFY(QDir().mkpath(dataDir));
        QFile::remove(dataDir + QStringLiteral("/data.s3"));
        QFile junk(dataDir + QStringLiteral("/data.s3"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, 'j'));
        junk.close();
        const Outcome out = login(QString(), QString());
        QFile::remove(dataDir + QStringLiteral("/data.s3"));
        QCOMPARE(out.result, int(QDialog::Accepted));
        QVERIFY(out.statuses.contains(QStringLiteral("数据库初始化失败")));
        QVERIFY(!out.statuses.contains(QStringLiteral("数据库初始化完成")));
        QCOMPARE(out.modals.size(), 1);
        QVERIFY(out.modals.first().startsWith(QStringLiteral("QMessageBox|注意|本地数据库初始化失败")));
    }

    void accountListsAreTakenOverUnstamped()
    {
        const Outcome out = login(QStringLiteral("20170101"), QStringLiteral("demo8888"));
        QCOMPARE(out.result, int(QDialog::Accepted));
        const QJsonObject expected = account(QStringLiteral("20170101"));
        QCOMPARE(getUserName(), expected.value(QLatin1String("nam")).toString());
        QCOMPARE(storedSetting(QStringLiteral("User/Account")), QStringLiteral("20170101"));
        QCOMPARE(storedSetting(QStringLiteral("User/Password")), QStringLiteral("demo8888"));
        QCOMPARE(storedSetting(QStringLiteral("System/Host")), QStringLiteral("0"));

        QCOMPARE(getPortfolioList(), expected.value(QLatin1String("prt")).toString().split(QLatin1Char(',')));
        QCOMPARE(getConcernedAnalystList(), expected.value(QLatin1String("anl")).toString().split(QLatin1Char(',')));
        QCOMPARE(getMaskedInstList(), QStringList{QStringLiteral("东莞证券")});
        QStringList insts = getConcernedInstList();
        QStringList expectedInsts = expected.value(QLatin1String("ins")).toString().split(QLatin1Char(','));
        insts.sort();
        expectedInsts.sort();
        QCOMPARE(insts, expectedInsts);
        QCOMPARE(getBlockNameList(), (QStringList{"新能源", "银行股", "我的 自选"}));
        QVERIFY(isStockOfBlock(QStringLiteral("银行股"), QStringLiteral("300233.SZ")));
        QCOMPARE(getFavoriteNameList(), (QStringList{"重点关注", "待读", "空收藏夹"}));
        QCOMPARE(getFavoriteReportIds(QStringLiteral("待读")), (QStringList{"10009371", "10009380"}));
        QCOMPARE(getFavoriteReportIds(QStringLiteral("空收藏夹")), QStringList());
        QCOMPARE(getSubscribeNameList(), (QStringList{"新能源汽车", "长城公司"}));
        QCOMPARE(getSubscribeContent(QStringLiteral("长城公司")),
                 expected.value(QLatin1String("sub")).toArray().at(1).toObject().value(QLatin1String("cnt")).toString());

        // Nothing is marked for upload: the engine sends nothing back.
        QCOMPARE(getConcernedInstModified(), 0);
        QCOMPARE(getConcernedAnalystModified(), 0);
        QCOMPARE(getReportSubscribeModified(), 0);
        QCOMPARE(getReportFavoriteModified(), 0);
        QCOMPARE(getStockBlockModified(), 0);
        QCOMPARE(getPortfolioModified(), 0);
    }

    void refusedLogins_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("faultPath");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("unregisteredBox");
        QTest::addColumn<bool>("verified");
        const QString acc = QStringLiteral("20170101");
        const QString pwd = QStringLiteral("demo8888");
        QTest::newRow("wrong password") << "" << "" << acc << "nottheone" << "帐号或密码错误" << false << false;
        QTest::newRow("refused") << "login_refused" << "" << acc << pwd << "帐号或密码错误" << false << false;
        QTest::newRow("unknown account") << "" << "" << "13800138001" << "abcd" << "帐号未注册" << true << false;
        QTest::newRow("unregistered") << "login_unregistered" << "" << acc << pwd << "帐号未注册" << true << false;
        QTest::newRow("empty msg") << "login_empty_msg" << "" << acc << pwd << verifyFailed << false << false;
        QTest::newRow("verify error") << "http_500" << "/user/verify" << acc << pwd << verifyFailed << false << false;
        QTest::newRow("test error") << "http_500" << "/oss/tst" << acc << pwd << testFailed << false << true;
        QTest::newRow("test result 0.5") << "tst_half" << "" << acc << pwd
                                         << testBelowOne + "{\"result\":0.5})" << false << true;
        QTest::newRow("test result 0") << "tst_zero" << "" << acc << pwd
                                       << testBelowOne + "{\"result\":0})" << false << true;
        QTest::newRow("test not inflating") << "tst_plain" << "" << acc << pwd << testBelowOne + ")" << false << true;
    }

    void refusedLogins()
    {
        QFETCH(QString, fault);
        QFETCH(QString, faultPath);
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, status);
        QFETCH(bool, unregisteredBox);
        QFETCH(bool, verified);
        if (!fault.isEmpty())
            QVERIFY(m_server->setFault(fault, true, faultPath));
        QPointer<QDlgLogin> dialog = openDialog();
        QWidget *const loginDialog = dialog.data();
        const Outcome out = login(account, password, dialog);
        QCOMPARE(out.result, -1);
        QCOMPARE(out.status, status);
        QVERIFY(out.inputsEnabled);
        QCOMPARE(out.statuses.last(), status);
        QCOMPARE(out.statuses.first(), QStringLiteral("用户验证..."));
        if (unregisteredBox) {
            QCOMPARE(out.modals, QStringList{QStringLiteral("QMessageBox|注意|帐号未注册，请先注册。<a style='color:red;' href='")
                                             + getCardUrl() + QStringLiteral("'>帐号注册</a>")});
            QCOMPARE(out.modalParents.first(), loginDialog);
        } else {
            QCOMPARE(out.modals, QStringList());
        }
        // The session is stored only once the service accepted; the database waits for the test.
        QCOMPARE(getSessionId().isEmpty(), !verified);
        QCOMPARE(out.statuses.contains(QStringLiteral("初始化数据库...")), false);
        if (verified)
            QCOMPARE(out.statuses.mid(0, 3), acceptedStatuses.mid(0, 3));
    }

    void objectHostResultAsText()
    {
        QVERIFY(m_server->setFault(QStringLiteral("tst_text")));
        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
    }

    void accountIsSentEncoded()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        const Outcome out = login(QStringLiteral("2017&x=1"), QStringLiteral("abcd"), dialog);
        // The service saw one unknown account, not an extra parameter.
        QVERIFY(out.status == QStringLiteral("帐号未注册"));
        const QString query = requests(QStringLiteral("/user/verify")).last().value(QLatin1String("query")).toString();
        QVERIFY2(query.startsWith(QStringLiteral("acc=2017%26x%3D1&pwd=")), qPrintable(query));
    }

    void forcedUpgradeRejects()
    {
        QVERIFY(m_server->setFault(QStringLiteral("old_version")));
        QPointer<QDlgLogin> dialog = openDialog();
        QWidget *const loginDialog = dialog.data();
        const Outcome out = login(QStringLiteral("20170101"), QStringLiteral("demo8888"), dialog);
        // The upgrade ran over the login dialog (the watcher closed it), then the login was rejected.
        QCOMPARE(out.modals, QStringList{QStringLiteral("QDlgUpgrade|程序升级|")});
        QCOMPARE(out.modalParents.first(), loginDialog);
        QCOMPARE(out.result, int(QDialog::Rejected));
        QVERIFY(out.deleted);
        QCOMPARE(getSessionId(), QString());
        QCOMPARE(storedSetting(QStringLiteral("User/Account")), QStringLiteral("<missing>"));
        QCOMPARE(getPortfolioList(), QStringList());
        QVERIFY(!getUpgradeFileName().isEmpty());
        QCOMPARE(requests(QStringLiteral("/oss/tst/TST.DAT")).size(), 0);
    }

    void bulletinOncePerVersion()
    {
        const QString text = QStringLiteral("<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告：数据均为样本数据。</p>");
        QVERIFY(m_server->setFault(QStringLiteral("bulletin")));
        QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted));
        QCOMPARE(getBulletinContent(), text);
        QCOMPARE(storedSetting(QStringLiteral("Bulletin/Ver")), QStringLiteral("20170109.1"));

        setBulletinContent(QString());
        QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted));
        QCOMPARE(getBulletinContent(), QString());

        // A new version for another audience is noted but not shown.
        QVERIFY(m_server->resetFaults());
        QVERIFY(m_server->setFault(QStringLiteral("bulletin_vip")));
        QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted));
        QCOMPARE(getBulletinContent(), QString());
        QCOMPARE(storedSetting(QStringLiteral("Bulletin/Ver")), QStringLiteral("20170109.2"));

        // An invalid bulletin: the version is saved, nothing is shown.
        QVERIFY(m_server->resetFaults());
        QCOMPARE(login(QString(), QString()).result, int(QDialog::Accepted));
        QCOMPARE(getBulletinContent(), QString());
        QCOMPARE(storedSetting(QStringLiteral("Bulletin/Ver")), QStringLiteral("20170109"));
    }

    void migrationRunsBeforeTheDatabase()
    {
        QSettings settings(getUserConfigPath(), QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        settings.setValue(QStringLiteral("Inst/List"), QStringLiteral("中信证券"));
        settings.sync();
        QDir().mkpath(legacyReportDir());
        QFile old(legacyReportDir() + QStringLiteral("/old.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();

        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QCOMPARE(out.statuses, (QStringList{acceptedStatuses.mid(0, 4)}
                                << QStringLiteral("清理旧报告文件...") << QStringLiteral("旧报告清理完成")
                                << QStringLiteral("导入本地关注机构数据...")
                                << QStringLiteral("导入本地关注机构数据完成") << acceptedStatuses.mid(4)));
        QVERIFY(!QFileInfo::exists(legacyReportDir()));
        QCOMPARE(getConcernedInstList(), QStringList{QStringLiteral("中信证券")});
        QVERIFY(getConcernedInstModified() > 0);
    }

    void windowCloseIsIgnoredWhileTheRequestRuns()
    {
        QVERIFY(m_server->setFault(QStringLiteral("stall"), true, QStringLiteral("/user/verify")));
        QPointer<QDlgLogin> dialog = openDialog();
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        child<QPushButton>(dialog, "btnUserLogin")->click();
        QVERIFY(!child<QComboBox>(dialog, "cboServiceHost")->isEnabled());
        QVERIFY(!dialog->close());
        QVERIFY(dialog->isVisible());
        QCOMPARE(finished.count(), 0);
        // The close button still ends it.
        child<QToolButton>(dialog, "btnClose")->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
        QTRY_VERIFY(dialog.isNull());
    }

    void linksOpenTheProxyAndNetworkDialogs()
    {
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
        QPointer<QDlgLogin> dialog = openDialog();
        QVERIFY(QMetaObject::invokeMethod(child<QLabel>(dialog, "lblProxy"), "linkActivated",
                                          Q_ARG(QString, QStringLiteral("showProxyDialog"))));
        QPointer<QDlgProxy> proxy = dialog->findChild<QDlgProxy *>();
        QVERIFY(proxy);
        QVERIFY(proxy->isVisible());
        QVERIFY(proxy->isModal());
        QVERIFY(proxy->testAttribute(Qt::WA_DeleteOnClose));
        proxy->reject();
        QTRY_VERIFY(proxy.isNull());

        // Only the status line's "showNetworkDialog" link opens the network test.
        auto *status = child<QLabel>(dialog, "lblStatus");
        QVERIFY(QMetaObject::invokeMethod(status, "linkActivated", Q_ARG(QString, QStringLiteral("openProxyWebsite"))));
        QVERIFY(!dialog->findChild<QDlgNetwork *>());
        QVERIFY(QMetaObject::invokeMethod(status, "linkActivated", Q_ARG(QString, QStringLiteral("showNetworkDialog"))));
        QPointer<QDlgNetwork> network = dialog->findChild<QDlgNetwork *>();
        QVERIFY(network);
        QVERIFY(network->isVisible());
        QVERIFY(network->isModal());
        delete dialog.data();
        QVERIFY(network.isNull());
    }

    void proxyCarriesBothRequests()
    {
        if (!TinyProxy::available())
            QSKIP("tinyproxy is not installed");
        TinyProxy proxy;
        QVERIFY(proxy.start());
        QSettings settings(getUserConfigPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Proxy/Enable"), 1);
        settings.setValue(QStringLiteral("Proxy/Host"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("Proxy/Port"), proxy.port());
        settings.sync();
        const Outcome out = login(QString(), QString());
        QCOMPARE(out.result, int(QDialog::Accepted));
        QCOMPARE(proxy.requestCount(getVerifyApiUrl() + QStringLiteral("?acc=&pwd=")), 1);
        QCOMPARE(proxy.requestCount(getTestObjectUrl()), 1);
    }

    void windowCloseWhenIdle()
    {
        QPointer<QDlgLogin> dialog = openDialog();
        QVERIFY(dialog->close());
        QTRY_VERIFY(dialog.isNull());
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
