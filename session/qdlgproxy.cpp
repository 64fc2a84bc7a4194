#include "qdlgproxy.h"
#include "ui_qdlgproxy.h"

#include "globalstate.h"
#include "usersettings.h"

namespace {

const char kProxyListPage[] = "http://www.proxynova.com/proxy-server-list/";

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

void QDlgProxy::accept()
{
    if (ui->chkEnable->isChecked())
        setProxy(ui->edtHost->text(), ui->edtPort->text().toInt(nullptr, 10), ui->edtUser->text(),
                 ui->edtPassword->text());
    else
        disableProxy();
    saveProxyConfig();
    QDialog::accept();
}
