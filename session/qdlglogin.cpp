#include "qdlglogin.h"
#include "ui_qdlglogin.h"

#include "centreover.h"
#include "databaseschema.h"
#include "datamigration.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qdlgupgrade.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "sessionlog.h"
#include "userlists.h"
#include "userproxy.h"
#include "usersettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkInterface>
#include <QPixmap>
#include <QPointer>
#include <QUrl>

namespace {

const QString verifyFailedText = QStringLiteral(
    "连接认证服务器失败，请重新尝试或检查网络设置！(<a style='color:red;' "
    "href='showNetworkDialog'>网络测试</a>)");
const QString testFailedText = QStringLiteral(
    "连接文件服务器失败，请重新尝试或检查网络设置！(<a style='color:red;' "
    "href='showNetworkDialog'>网络测试</a>)");

bool isEditingKey(int key)
{
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return key >= Qt::Key_0 && key <= Qt::Key_9;
    }
}

bool isLetterKey(int key)
{
    return key >= Qt::Key_A && key <= Qt::Key_Z;
}

} // namespace

QDlgLogin::QDlgLogin(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgLogin)
{
    ui->setupUi(this);
    init();
}

QDlgLogin::~QDlgLogin()
{
    delete ui;
}

void QDlgLogin::init()
{
    loadProxyConfig();
    loadUserConfig();
    loadSystemExit();

    setWindowTitle(QStringLiteral("用户登录 - ") + getCnName());
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    setFixedSize(size());
    centreOnScreenWhenShown(this);
    // The background is the picture beside the program, so it can be changed without a build.
    setStyleSheet(QStringLiteral("QDlgLogin { Background: url(") + getAppDir()
                  + QStringLiteral("/splash.png); }"));
    closable = true;

    ui->lblLogo->setPixmap(QPixmap(QStringLiteral(":/logo/logo-w.png"))
                               .scaled(ui->lblLogo->size(), Qt::KeepAspectRatio,
                                       Qt::SmoothTransformation));

    const QIcon closeIcon(QStringLiteral(":/images/close.png"));
    ui->btnClose->setIcon(closeIcon);
    if (closeIcon.availableSizes().isEmpty())
        ui->btnClose->setText(QStringLiteral("\u00d7"));
    ui->btnClose->setToolTip(QStringLiteral("关闭"));
    ui->btnClose->setAutoRaise(true);
    const int margin = ui->cboServiceHost->x();
    ui->btnClose->move(width() - ui->btnClose->width() - margin, margin);
    connect(ui->btnClose, &QToolButton::clicked, this, &QDialog::reject);

    ui->lblStatus->setFont(getAppFont());
    ui->lblStatus->setText(
        QStringLiteral("请选择适合你的服务器，然后点击\"登录\"按钮。"));
    ui->lblStatus->setStyleSheet(QStringLiteral("color:black;"));
    ui->lblStatus->setContextMenuPolicy(Qt::NoContextMenu);
    connect(ui->lblStatus, &QLabel::linkActivated, this, &QDlgLogin::onStatusClicked);

    ui->lblVersion->setFont(getAppFont());
    ui->lblVersion->setText(QStringLiteral("Ver ") + getVersion());
    ui->lblVersion->setStyleSheet(QStringLiteral("color:black;"));
    ui->lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ui->prgDownload->setTextVisible(false);
    ui->prgDownload->setAlignment(Qt::AlignHCenter);
    ui->prgDownload->setRange(0, 100);
    ui->prgDownload->setValue(0);

    ui->cboServiceHost->setFont(getAppFont());
    ui->cboServiceHost->setView(new QListView(ui->cboServiceHost));
    ui->cboServiceHost->show();
    for (const QString &name : getServiceHostNameList())
        ui->cboServiceHost->addItem(name);
    ui->cboServiceHost->setCurrentIndex(getHostIndex());
    connect(ui->cboServiceHost, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &QDlgLogin::serverChanged);

    ui->lblProxy->setFont(getAppFont());
    ui->lblProxy->setText(
        QStringLiteral("<a style='color:red;' href='showProxyDialog'>代理</a>"));
    ui->lblProxy->setContextMenuPolicy(Qt::NoContextMenu);
    connect(ui->lblProxy, &QLabel::linkActivated, this, &QDlgLogin::showProxyDialog);

    ui->btnUserLogin->setFont(getAppFont());
    ui->btnUserLogin->setText(QStringLiteral("游客登录"));
    ui->btnUserLogin->setEnabled(true);
    connect(ui->btnUserLogin, &QPushButton::clicked, this, &QDlgLogin::userLogin);

    ui->lblPhone->setFont(getAppFont());
    ui->lblPhone->setStyleSheet(QStringLiteral("color:black;"));

    ui->edtAccount->installEventFilter(this);
    ui->edtAccount->setMaxLength(11);
    ui->edtAccount->setAlignment(Qt::AlignHCenter);
    ui->edtAccount->setFont(getAppFont());
    connect(ui->edtAccount, &QLineEdit::textChanged, this, &QDlgLogin::switchLoginText);
    ui->edtAccount->setText(getAccount());

    ui->lblPassword->setFont(getAppFont());
    ui->lblPassword->setStyleSheet(QStringLiteral("color:black;"));

    ui->edtPassword->installEventFilter(this);
    ui->edtPassword->setMaxLength(10);
    ui->edtPassword->setEchoMode(QLineEdit::Password);
    // Under the application's style sheet, a sheet given to a widget not yet polished reaches
    // the edit's echo character only at the next style change, which never comes.
    ui->edtPassword->ensurePolished();
    ui->edtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42; "));
    ui->edtPassword->setAlignment(Qt::AlignHCenter);
    connect(ui->edtPassword, &QLineEdit::textChanged, this, &QDlgLogin::switchLoginText);
    ui->edtPassword->setText(getPassword());

    ui->lblResetPassword->setFont(getAppFont());
    ui->lblResetPassword->setOpenExternalLinks(true);
    ui->lblResetPassword->setText(QStringLiteral("<a href='") + getPasswordUrl()
                                  + QStringLiteral("' style='color:red;'>重置密码</a>"));
    ui->lblResetPassword->setAlignment(Qt::AlignCenter);
    ui->lblResetPassword->setContextMenuPolicy(Qt::NoContextMenu);

    ui->lblRegister->setFont(getAppFont());
    ui->lblRegister->setOpenExternalLinks(true);
    ui->lblRegister->setText(QStringLiteral("<a href='") + getRegisterUrl()
                             + QStringLiteral("' style='color:red;'>注册</a>"));
    ui->lblRegister->setAlignment(Qt::AlignCenter);
    ui->lblRegister->setContextMenuPolicy(Qt::NoContextMenu);

    client = new QHttpClient(this);
}

QString QDlgLogin::getMacAddress()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && !flags.testFlag(QNetworkInterface::IsLoopBack))
            return interface.hardwareAddress().remove(QLatin1Char(':'));
    }
    return QString();
}

bool QDlgLogin::eventFilter(QObject *watched, QEvent *event)
{
    const bool password = watched == ui->edtPassword;
    if (event->type() == QEvent::KeyPress && (password || watched == ui->edtAccount)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (!isEditingKey(key) && !(password && isLetterKey(key)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void QDlgLogin::mousePressEvent(QMouseEvent *event)
{
    pressPos = event->globalPos();
    windowPos = event->globalPos() - event->pos();
}

void QDlgLogin::mouseMoveEvent(QMouseEvent *event)
{
    move(windowPos + (event->globalPos() - pressPos));
}

void QDlgLogin::closeEvent(QCloseEvent *event)
{
    if (closable)
        event->accept();
    else
        event->ignore();
}

void QDlgLogin::downloadProgress(double percent)
{
    ui->prgDownload->setValue(int(percent));
}

void QDlgLogin::userLogin()
{
    closable = false;
    showStatus(QStringLiteral("用户验证..."));
    ui->prgDownload->setValue(0);
    setInputsEnabled(false);

    // The account is encoded so that a pasted text cannot add parameters; digits stay as typed.
    const QString url = getVerifyApiUrl() + QStringLiteral("?acc=")
                        + QString::fromLatin1(QUrl::toPercentEncoding(ui->edtAccount->text()))
                        + QStringLiteral("&pwd=") + getPasswordDigest(ui->edtPassword->text())
                        + QStringLiteral("&mac=") + getMacAddress() + QLatin1Char('&') + getSignedTimeQuery();

    // The object-host test that follows keeps this proxy setting.
    applyUserProxy(client);

    client->disconnect();
    connect(client, &QHttpClient::downloadProgress, this, &QDlgLogin::downloadProgress);
    connect(client, &QHttpClient::downloadFinished, this, &QDlgLogin::loginFinished);
    if (!client->get(url, false)) {
        reenable();
        showStatus(verifyFailedText);
    }
}

void QDlgLogin::loginFinished(int code, QByteArray body)
{
    if (code != 0) {
        qCInfo(lcSession) << "verify request failed with code" << code;
        reenable();
        showStatus(verifyFailedText);
        return;
    }
    showStatus(QStringLiteral("接收用户验证数据成功！"));
    parseLoginReply(bodyText(body));
}

void QDlgLogin::parseLoginReply(const QString &text)
{
    JsonScript script;
    const QScriptValue reply = script.parse(text);
    const int res = jsonInt(reply, QStringLiteral("res"));
    const QString msg = jsonText(reply, QStringLiteral("msg"));
    const QScriptValue data = reply.property(QStringLiteral("data"));
    const QString ssn = jsonText(data, QStringLiteral("ssn"));
    const QScriptValue usr = data.property(QStringLiteral("usr"));
    const QString userName = jsonText(usr, QStringLiteral("nam"));
    const QScriptValue cfg = data.property(QStringLiteral("cfg"));
    const QString bulletinContent = jsonText(cfg, QStringLiteral("BLT_CNT"));
    const QString bulletinVersion = jsonText(cfg, QStringLiteral("BLT_VER"));
    const QString bulletinUsers = jsonText(cfg, QStringLiteral("BLT_USR"));
    const int bulletinValid = jsonInt(cfg, QStringLiteral("BLT_VLD"));
    const int listYear = jsonInt(cfg, QStringLiteral("YER_LST"));
    const int aceYear = jsonInt(cfg, QStringLiteral("YER_ACE"));
    const QString versions = jsonText(cfg, QStringLiteral("SFT_VER"));
    const QString upgradeFile = jsonText(cfg, QStringLiteral("SFT_") + getPlatform());
    const QString portfolio = jsonText(data, QStringLiteral("prt"));
    const QString insts = jsonText(data, QStringLiteral("ins"));
    const QString analysts = jsonText(data, QStringLiteral("anl"));
    const QScriptValue subscriptions = data.property(QStringLiteral("sub"));
    const QScriptValue favourites = data.property(QStringLiteral("fav"));
    const QScriptValue blocks = data.property(QStringLiteral("blk"));
    const QString masked = jsonText(data, QStringLiteral("msk"));

    setUpgradeFileName(upgradeFile);
    setListYear(listYear);
    setAceYear(aceYear);

    if (msg.isEmpty()) {
        reenable();
        showStatus(verifyFailedText);
        return;
    }
    if (res == 0) {
        showStatus(msg);
        reenable();
        return;
    }
    if (res < 0) {
        showStatus(msg);
        QMessageBox box(QMessageBox::Information, QStringLiteral("注意"),
                        QStringLiteral("帐号未注册，请先注册。<a style='color:red;' href='") + getCardUrl()
                            + QStringLiteral("'>帐号注册</a>"),
                        QMessageBox::Ok, this);
        centreOverWhenShown(&box, this);
        box.exec();
        reenable();
        return;
    }
    if (!versions.contains(QLatin1Char('|') + getVersion() + QLatin1Char('|'))) {
        qCInfo(lcSession) << "version" << getVersion() << "is no longer accepted";
        showUpgradeDialog();
        closable = true;
        reject();
        return;
    }

    if (loadBulletinVersion() != bulletinVersion) {
        saveBulletinVersion(bulletinVersion);
        if (bulletinValid > 0 && bulletinUsers == QLatin1String("ALL"))
            setBulletinContent(bulletinContent);
    }

    setLoginUserInfo(ui->edtAccount->text(), ui->edtPassword->text(), userName);
    setSessionId(ssn);

    // Taken over as the service holds them: not stamped, so nothing is uploaded back.
    setMaskedInstList(masked);
    setPortfolioList(portfolio, false);
    setConcernedInstList(insts, false);
    setConcernedAnalystList(analysts, false);
    for (int i = 0, n = jsonLength(subscriptions); i < n; ++i) {
        const QScriptValue item = jsonElement(subscriptions, i);
        addSubscribe(jsonText(item, QStringLiteral("nam")), jsonText(item, QStringLiteral("cnt")),
                     false);
    }
    for (int i = 0, n = jsonLength(favourites); i < n; ++i) {
        const QScriptValue item = jsonElement(favourites, i);
        const QString name = jsonText(item, QStringLiteral("nam"));
        for (const QString &id : jsonText(item, QStringLiteral("lst")).split(QLatin1Char(',')))
            addFavoriteReport(name, id, false);
    }
    for (int i = 0, n = jsonLength(blocks); i < n; ++i) {
        const QScriptValue item = jsonElement(blocks, i);
        const QString name = jsonText(item, QStringLiteral("nam"));
        for (const QString &code : jsonText(item, QStringLiteral("lst")).split(QLatin1Char(',')))
            addBlockStock(name, code, false);
    }

    testObjectServer();
}

void QDlgLogin::testObjectServer()
{
    showStatus(QStringLiteral("测试文件服务器连接..."));
    ui->prgDownload->setValue(0);
    client->disconnect();
    connect(client, &QHttpClient::downloadProgress, this, &QDlgLogin::downloadProgress);
    connect(client, &QHttpClient::downloadFinished, this, &QDlgLogin::testFinished);
    if (!client->get(getTestObjectUrl(), true)) {
        reenable();
        showStatus(testFailedText);
    }
}

void QDlgLogin::testFinished(int code, QByteArray body)
{
    if (code != 0) {
        qCInfo(lcSession) << "object-host test failed with code" << code;
        reenable();
        showStatus(testFailedText);
        return;
    }
    showStatus(QStringLiteral("接收文件服务器数据成功！"));
    parseTestReply(bodyText(body));
}

void QDlgLogin::parseTestReply(const QString &text)
{
    JsonScript script;
    const int result = jsonInt(script.parse(text), QStringLiteral("result"));
    if (result < 1) {
        reenable();
        showStatus(QStringLiteral("连接文件服务器失败，请检查网络设置或采用代理服务器！(") + text
                   + QLatin1Char(')'));
        return;
    }
    migrateLocalData();
    initDatabase();
    closable = true;
    accept();
}

void QDlgLogin::migrateLocalData()
{
    ::migrateLocalData([this](const QString &text) { showStepStatus(text); });
}

void QDlgLogin::initDatabase()
{
    if (initMainDatabase(getDataDir(), [this](const QString &text) { showStepStatus(text); }))
        return;
    // The program still runs (the data may be partly usable), but the user is told why
    // lists may stay empty.
    qCWarning(lcSession) << "the local database could not be brought to its schema";
    QMessageBox::warning(this, QStringLiteral("注意"),
                         QStringLiteral("本地数据库初始化失败，数据可能无法显示或更新。\n数据目录：")
                             + QDir::toNativeSeparators(getDataDir()));
}

// The proxy and network dialogs are modal children that delete themselves when closed.
void QDlgLogin::showProxyDialog()
{
    auto *dialog = new QDlgProxy(this);
    centreOverWhenShown(dialog, this);
    dialog->show();
}

void QDlgLogin::showNetworkDialog()
{
    auto *dialog = new QDlgNetwork(this);
    centreOverWhenShown(dialog, this);
    dialog->show();
}

bool QDlgLogin::showUpgradeDialog()
{
    QPointer<QDlgUpgrade> upgrade = new QDlgUpgrade(this);
    centreOverWhenShown(upgrade, this);
    const bool accepted = upgrade->exec() == QDialog::Accepted;
    delete upgrade.data();
    return accepted;
}

void QDlgLogin::serverChanged(int)
{
    setHostIndex(ui->cboServiceHost->currentIndex());
}

void QDlgLogin::switchLoginText()
{
    const QString account = ui->edtAccount->text();
    const QString password = ui->edtPassword->text();
    if (account.isEmpty() && password.isEmpty()) {
        ui->btnUserLogin->setText(QStringLiteral("游客登录"));
        ui->btnUserLogin->setEnabled(true);
        return;
    }
    ui->btnUserLogin->setText(QStringLiteral("用户登录"));
    const bool accountOk = account.size() == 8 || account.size() == ui->edtAccount->maxLength();
    const bool passwordOk = password.size() > 3 && password.size() <= ui->edtPassword->maxLength();
    ui->btnUserLogin->setEnabled(accountOk && passwordOk);
}

void QDlgLogin::onStatusClicked(const QString &link)
{
    if (link.startsWith(QLatin1String("showNetworkDialog")))
        showNetworkDialog();
}

void QDlgLogin::setInputsEnabled(bool enabled)
{
    ui->cboServiceHost->setEnabled(enabled);
    ui->lblProxy->setEnabled(enabled);
    ui->edtAccount->setEnabled(enabled);
    ui->edtPassword->setEnabled(enabled);
    ui->btnUserLogin->setEnabled(enabled);
}

void QDlgLogin::reenable()
{
    closable = true;
    setInputsEnabled(true);
}

void QDlgLogin::showStatus(const QString &text)
{
    ui->lblStatus->setText(text);
    qCDebug(lcSession).noquote() << "status:" << text;
}

// The migration and the database step block the event loop; the status is painted between their
// steps. User input waits, so nothing can close or restart the login half way.
void QDlgLogin::showStepStatus(const QString &text)
{
    showStatus(text);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
