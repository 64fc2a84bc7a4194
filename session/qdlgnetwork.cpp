#include "qdlgnetwork.h"
#include "ui_qdlgnetwork.h"

#include "globalstate.h"
#include "qdlgproxy.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "sessionlog.h"
#include "userproxy.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace {

const char kDefaultLookupHost[] = "www.baidu.com";
const char kDnsHelpPage[] = "http://www.114dns.com/";

const char kUsingProxy[] = "(已使用代理)";

} // namespace

QDlgNetwork::QDlgNetwork(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgNetwork)
{
    ui->setupUi(this);
    init();
}

QDlgNetwork::~QDlgNetwork()
{
    if (lookupId >= 0)
        QHostInfo::abortHostLookup(lookupId);
    delete ui;
}

QString QDlgNetwork::lookupHostName()
{
    const QString name = qEnvironmentVariable("TAMREL_LOOKUP_HOST").trimmed();
    return name.isEmpty() ? QString::fromLatin1(kDefaultLookupHost) : name;
}

void QDlgNetwork::init()
{
    setWindowTitle(QStringLiteral("网络测试"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    closable = true;
    const QFont font = getAppFont();
    ui->lblInterfaceTip->setFont(font);
    ui->lblInterfaceStatus->setFont(font);
    ui->lblInternetTip->setFont(font);
    ui->lblInternetStatus->setFont(font);
    ui->lblAuthServiceTip->setFont(font);
    ui->lblAuthServiceStatus->setFont(font);
    ui->lblAuthServiceStatus->setOpenExternalLinks(false);
    ui->lblAuthServiceStatus->setContextMenuPolicy(Qt::NoContextMenu);
    connect(ui->lblAuthServiceStatus, &QLabel::linkActivated, this, &QDlgNetwork::onAuthServiceStatusClicked);
    ui->btnTest->setFont(font);
    connect(ui->btnTest, &QPushButton::clicked, this, &QDlgNetwork::testNetwork);
    ui->btnClose->setFont(font);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDlgNetwork::reject);
    client = new QHttpClient(this);
}

void QDlgNetwork::testNetwork()
{
    closable = false;
    ui->lblInterfaceStatus->clear();
    ui->lblInternetStatus->clear();
    ui->lblAuthServiceStatus->clear();
    ui->btnTest->setEnabled(false);
    ui->btnClose->setEnabled(false);
    if (isConnectedToNetwork())
        testInternet();
    else
        finishTest();
}

// Not part of the test; kept for callers that want the interface line alone.
bool QDlgNetwork::hasInterface()
{
    ui->lblInterfaceStatus->setText(QStringLiteral("是否有网络连接..."));
    bool active = false;
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        const QNetworkInterface::InterfaceFlags flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack))
            active = true;
    }
    ui->lblInterfaceStatus->setText(active ? QStringLiteral("√ 有网络连接")
                                           : QStringLiteral("X 无网络连接，请检查网卡、网线"));
    return active;
}

bool QDlgNetwork::isConnectedToNetwork()
{
    bool connected = false;
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        const QNetworkInterface::InterfaceFlags flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && !flags.testFlag(QNetworkInterface::IsLoopBack)
            && !i.addressEntries().isEmpty())
            connected = true;
    }
    ui->lblInterfaceStatus->setText(connected ? QStringLiteral("√ 有网络连接")
                                              : QStringLiteral("X 无网络连接，请检查网卡、网线"));
    return connected;
}

void QDlgNetwork::testInternet()
{
    ui->lblInternetStatus->setText(QStringLiteral("能否连通互联网..."));
    const int id = QHostInfo::lookupHost(lookupHostName(), this, SLOT(lookedUp(QHostInfo)));
    lookupId = id;
    // A resolver that never answers must not hold the test (and the dialog) for good.
    QTimer::singleShot(kLookupTimeoutSeconds * 1000, this, [this, id] {
        if (lookupId != id)
            return;
        QHostInfo::abortHostLookup(id);
        qCInfo(lcSession) << "host lookup gave no answer in" << kLookupTimeoutSeconds << "s";
        QHostInfo timedOut(id);
        timedOut.setError(QHostInfo::UnknownError);
        timedOut.setErrorString(QStringLiteral("lookup timed out"));
        lookedUp(timedOut);
    });
}

void QDlgNetwork::lookedUp(const QHostInfo &info)
{
    if (info.lookupId() != lookupId)
        return;
    lookupId = -1;
    if (info.error() == QHostInfo::NoError) {
        ui->lblInternetStatus->setText(QStringLiteral("√ 能连通互联网"));
        testAuthService();
    } else {
        qCInfo(lcSession) << "host lookup failed:" << info.errorString();
        ui->lblInternetStatus->setText(QStringLiteral("X 不能连通互联网，请检查网络或防火墙设置"));
        finishTest();
    }
}

void QDlgNetwork::testAuthService()
{
    ui->lblAuthServiceStatus->setText(QStringLiteral("能否连接到认证服务..."));
    disconnect(client, nullptr, nullptr, nullptr);
    connect(client, &QHttpClient::downloadFinished, this, &QDlgNetwork::connectAuthServiceFinished);
    applyUserProxy(client);
    if (!client->get(getVerifyApiUrl() + QLatin1Char('?') + getSignedTimeQuery(), false))
        connectAuthServiceFinished(QNetworkReply::UnknownNetworkError, QByteArray());
}

void QDlgNetwork::connectAuthServiceFinished(int code, QByteArray body)
{
    Q_UNUSED(body)
    QString text;
    if (code == 0) {
        text = QStringLiteral("√ 能连接认证服务");
        if (getProxyEnable() > 0)
            text += QString::fromUtf8(kUsingProxy);
    } else if (getProxyEnable() >= 1) {
        text = QStringLiteral("X 不能连接认证服务") + QString::fromUtf8(kUsingProxy)
               + QStringLiteral("，请<a style='color:red;' href='showProxyDialog'>设置代理</a>");
    } else {
        text = QStringLiteral("X 不能连接认证服务")
               + QStringLiteral("，请<a style='color:red;' href='openProxyWebsite'>更换DNS</a>或"
                                "<a style='color:red;' href='showProxyDialog'>设置代理</a>");
    }
    ui->lblAuthServiceStatus->setText(text);
    finishTest();
}

void QDlgNetwork::finishTest()
{
    ui->btnTest->setEnabled(true);
    ui->btnClose->setEnabled(true);
    closable = true;
}

void QDlgNetwork::onAuthServiceStatusClicked(const QString &link)
{
    if (link.startsWith(QLatin1String("showProxyDialog"))) {
        auto *dialog = new QDlgProxy(this);
        dialog->show();
    } else if (link.startsWith(QLatin1String("openProxyWebsite"))) {
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDnsHelpPage)));
    }
}

// Escape and reject() follow the close rule too: no leaving while the test runs.
void QDlgNetwork::done(int result)
{
    if (closable)
        QDialog::done(result);
}

void QDlgNetwork::closeEvent(QCloseEvent *event)
{
    if (closable)
        event->accept();
    else
        event->ignore();
}
