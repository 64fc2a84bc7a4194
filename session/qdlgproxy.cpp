#include "qdlgproxy.h"
#include "ui_qdlgproxy.h"

#include "globalstate.h"
#include "usersettings.h"

#include <QHostAddress>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

const char kProxyListPage[] = "http://www.proxynova.com/proxy-server-list/";

// An IPv4 address in its four decimal parts, without the short and octal forms the socket would
// also read ("127.1" is not what anyone means by a proxy).
bool isFullIpv4(const QStringList &parts)
{
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const QString &part) {
               bool number = false;
               const int value = part.toInt(&number, 10);
               return number && part.size() <= 3 && value <= 255 && (part.size() == 1 || part.at(0) != QLatin1Char('0'));
           });
}

// A host a request can reach: an IPv6 address (with a scope after '%', an interface's name or
// number), an IPv4 address written in full, or a DNS name (an international one in its ASCII
// form) of labels of 1 to 63 letters, digits and hyphens, no label beginning or ending with a
// hyphen, at most 253 characters, the last label not all digits (such a name is an address).
bool isHostNameOrAddress(const QString &host)
{
    if (host.contains(QLatin1Char(':'))) {
        // The socket takes any text after '%' for a scope; an interface name on Linux is at most
        // 15 characters, and a number is one of these.
        static const QRegularExpression scope(QStringLiteral("^[A-Za-z0-9_.-]{1,15}$"));
        const int percent = host.indexOf(QLatin1Char('%'));
        if (percent >= 0 && !scope.match(host.mid(percent + 1)).hasMatch())
            return false;
        QHostAddress address;
        return address.setAddress(host) && address.protocol() == QAbstractSocket::IPv6Protocol;
    }
    QString name = QString::fromLatin1(QUrl::toAce(host));
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty() || name.size() > 253)
        return false;
    static const QRegularExpression label(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    const QStringList labels = name.split(QLatin1Char('.'));
    if (!std::all_of(labels.begin(), labels.end(), [](const QString &part) { return label.match(part).hasMatch(); }))
        return false;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return !digits.match(labels.last()).hasMatch() || isFullIpv4(labels);
}

} // namespace

QDlgProxy::QDlgProxy(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgProxy)
{
    ui->setupUi(this);
    init();
}

QDlgProxy::~QDlgProxy()
{
    delete ui;
}

void QDlgProxy::init()
{
    setWindowTitle(QStringLiteral("代理设置"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    const QFont font = getAppFont();
    ui->chkEnable->setFont(font);

    ui->lblProxy->setFont(font);
    ui->lblProxy->setText(QStringLiteral("<a style='color:red;' href='") + QLatin1String(kProxyListPage)
                          + QStringLiteral("'>获取代理服务器</a>"));
    ui->lblProxy->setOpenExternalLinks(true);
    ui->lblProxy->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui->lblProxy->setVisible(false);
    ui->lblProxy->setContextMenuPolicy(Qt::NoContextMenu);

    for (QWidget *w : {static_cast<QWidget *>(ui->lblHost), static_cast<QWidget *>(ui->edtHost),
                       static_cast<QWidget *>(ui->lblPort), static_cast<QWidget *>(ui->edtPort),
                       static_cast<QWidget *>(ui->lblUser), static_cast<QWidget *>(ui->edtUser),
                       static_cast<QWidget *>(ui->lblPassword), static_cast<QWidget *>(ui->edtPassword)})
        w->setFont(font);
    ui->edtHost->setEnabled(false);
    ui->edtPort->setEnabled(false);
    ui->edtUser->setEnabled(false);
    ui->edtPassword->setEnabled(false);

    connect(ui->chkEnable, &QCheckBox::clicked, this, &QDlgProxy::switchProxy);
    ui->btnOK->setFont(font);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDlgProxy::accept);
    ui->btnCancel->setFont(font);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDlgProxy::reject);

    ui->chkEnable->setChecked(getProxyEnable() != 0);
    switchProxy();
    ui->edtHost->setText(getProxyHost());
    ui->edtPort->setText(QString::number(getProxyPort()));
    ui->edtUser->setText(getProxyUser());
    ui->edtPassword->setText(getProxyPassword());
}

void QDlgProxy::switchProxy()
{
    const bool on = ui->chkEnable->isChecked();
    ui->edtHost->setEnabled(on);
    ui->edtPort->setEnabled(on);
    ui->edtUser->setEnabled(on);
    ui->edtPassword->setEnabled(on);
}

// A proxy saved with an empty host, one that names no host, or port 0 makes every request fail
// later with a code that names none of them, so it is refused here, where the user can still
// mend it.
bool QDlgProxy::refuse(QWidget *field, const QString &text)
{
    QMessageBox::information(this, QStringLiteral("注意"), text, QMessageBox::Ok);
    field->setFocus();
    return true;
}

bool QDlgProxy::refusesInput()
{
    const QString host = ui->edtHost->text();
    if (host.isEmpty())
        return refuse(ui->edtHost, QStringLiteral("请填写代理服务器地址！"));
    if (std::any_of(host.begin(), host.end(), [](QChar c) { return c.isSpace(); }))
        return refuse(ui->edtHost, QStringLiteral("代理服务器地址不能含有空格！"));
    if (!isHostNameOrAddress(host))
        return refuse(ui->edtHost, QStringLiteral("代理服务器地址应为主机名或IP地址！"));
    bool number = false;
    const int port = ui->edtPort->text().toInt(&number, 10);
    if (!number || port < 1 || port > 65535)
        return refuse(ui->edtPort, QStringLiteral("端口应为1到65535之间的数字！"));
    return false;
}

void QDlgProxy::accept()
{
    if (ui->chkEnable->isChecked()) {
        if (refusesInput())
            return;
        setProxy(ui->edtHost->text(), ui->edtPort->text().toInt(nullptr, 10), ui->edtUser->text(),
                 ui->edtPassword->text());
    } else {
        disableProxy();
    }
    saveProxyConfig();
    QDialog::accept();
}
