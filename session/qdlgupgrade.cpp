#include "qdlgupgrade.h"
#include "ui_qdlgupgrade.h"

#include "globalstate.h"
#include "qhttpclient.h"
#include "sessionlog.h"
#include "userproxy.h"

#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char kSaveFailed[] = "升级程序保存失败，您缺少管理员权限，请重新尝试或与我们联系！";

} // namespace

QDlgUpgrade::QDlgUpgrade(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgUpgrade)
{
    ui->setupUi(this);
    init();
}

QDlgUpgrade::~QDlgUpgrade()
{
    delete ui;
}

void QDlgUpgrade::init()
{
    setWindowTitle(QStringLiteral("程序升级"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setFixedSize(size());
    const QFont font = getAppFont();
    ui->lblStatus->setFont(font);
    ui->prgDownload->setFont(font);
    ui->lblAppSaveDirName->setFont(font);
    ui->lblAppSaveDir->setFont(font);
    ui->btnDownload->setFont(font);
    ui->btnClose->setFont(font);
    ui->lblStatus->setText(QStringLiteral("有新版程序，请下载！(如下载失败，请到网站下载最新安装包)"));
    ui->prgDownload->setValue(0);
    ui->prgDownload->setTextVisible(true);
    ui->prgDownload->setAlignment(Qt::AlignHCenter);
    saveDir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ui->lblAppSaveDir->setOpenExternalLinks(true);
    ui->lblAppSaveDir->setContextMenuPolicy(Qt::NoContextMenu);
    const QString shown = saveDir.toHtmlEscaped();
    ui->lblAppSaveDir->setText(QStringLiteral("<a href='")
                               + QUrl::fromLocalFile(saveDir).toString(QUrl::FullyEncoded).toHtmlEscaped()
                               + QStringLiteral("'>") + shown + QStringLiteral("</a>"));
    connect(ui->btnDownload, &QPushButton::clicked, this, &QDlgUpgrade::startDownload);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDlgUpgrade::reject);
    client = new QHttpClient(this);
    connect(client, &QHttpClient::downloadProgress, this, &QDlgUpgrade::downloadProgress);
    connect(client, &QHttpClient::downloadFinished, this, &QDlgUpgrade::downloadFinished);
}

QString QDlgUpgrade::packageFileName(const QString &upgradeFileName)
{
    // Both separators count: the name comes from a service that thinks in Windows paths.
    QString name = upgradeFileName;
    name = name.mid(name.lastIndexOf(QRegularExpression(QStringLiteral("[/\\\\]"))) + 1).trimmed();
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

void QDlgUpgrade::startDownload()
{
    const QString name = packageFileName(getUpgradeFileName());
    if (name.isEmpty()) {
        qCWarning(lcSession) << "no usable upgrade package name in the login reply";
        ui->lblStatus->setText(QStringLiteral("没有可下载的升级程序，请到网站下载最新安装包！"));
        return;
    }
    packagePath = saveDir + QDir::separator() + name;
    ui->prgDownload->setValue(0);
    setButtonsEnabled(false);
    ui->lblStatus->setText(QStringLiteral("下载升级程序..."));
    applyUserProxy(client);
    if (!client->get(getObjectHost() + getObjectPathDwn() + QLatin1Char('/') + name, false))
        downloadFinished(QNetworkReply::UnknownNetworkError, QByteArray());
}

void QDlgUpgrade::downloadProgress(double percent)
{
    ui->prgDownload->setValue(int(percent));
}

void QDlgUpgrade::downloadFinished(int code, QByteArray body)
{
    if (code != 0) {
        ui->lblStatus->setText(QStringLiteral("下载升级程序失败，请重新尝试或与我们联系！(ErrorCode:%1)").arg(code));
        setButtonsEnabled(true);
        return;
    }
    if (body.isEmpty()) {
        ui->lblStatus->setText(QStringLiteral("下载的升级程序为空，请重新尝试或与我们联系！"));
        setButtonsEnabled(true);
        return;
    }
    const QString path = packagePath;
    // A fresh account may have no desktop folder yet.
    QSaveFile file(path);
    if (!QDir().mkpath(saveDir) || !file.open(QIODevice::WriteOnly) || file.write(body) != body.size()
        || !file.flush() || !file.commit()) {
        qCWarning(lcSession) << "upgrade package not saved:" << file.errorString();
        ui->lblStatus->setText(QString::fromUtf8(kSaveFailed));
        setButtonsEnabled(true);
        return;
    }
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("确认"), QStringLiteral("升级程序下载完毕，是否立即安装?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        install(path);
    accept();
}

void QDlgUpgrade::install(const QString &path)
{
    if (QProcess::startDetached(path, QStringList()))
        return;
    // A Windows installer does not run here, and a download is never made executable.
    qCWarning(lcSession) << "upgrade package could not be started";
    QMessageBox::information(this, QStringLiteral("注意"),
                             QStringLiteral("升级程序不能在本机直接运行，已保存在：%1\n请手动安装。")
                                 .arg(QDir::toNativeSeparators(path)),
                             QMessageBox::Ok);
}

void QDlgUpgrade::setButtonsEnabled(bool enabled)
{
    ui->btnDownload->setEnabled(enabled);
    ui->btnClose->setEnabled(enabled);
}

// Escape and reject() follow the close rule too: no leaving while the package downloads.
void QDlgUpgrade::done(int result)
{
    if (!client->isBusy())
        QDialog::done(result);
}

void QDlgUpgrade::closeEvent(QCloseEvent *event)
{
    if (ui->btnClose->isEnabled())
        event->accept();
    else
        event->ignore();
}
