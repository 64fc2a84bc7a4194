#include "qdlgabout.h"
#include "ui_qdlgabout.h"

#include "globalstate.h"
#include "usersettings.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

QDlgAbout::QDlgAbout(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgAbout)
{
    ui->setupUi(this);
    init();
}

QDlgAbout::~QDlgAbout()
{
    delete ui;
}

QString QDlgAbout::folderLink(const QString &path)
{
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    // Double quotes: toHtmlEscaped escapes them but not the apostrophe a path may hold.
    return QStringLiteral("<a href=\"") + url.toHtmlEscaped() + QStringLiteral("\">") + path.toHtmlEscaped()
           + QStringLiteral("</a>");
}

void QDlgAbout::init()
{
    setWindowTitle(QStringLiteral("关于"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    const QFont font = getAppFont();
    ui->lblLogo->setPixmap(QPixmap(QStringLiteral(":/logo/logo-large.png")));
    ui->lblLogo->setScaledContents(true);

    ui->lblSoftware->setFont(font);
    ui->lblSoftware->setText(QStringLiteral("<font size='5'>") + getCnName().toHtmlEscaped()
                             + QStringLiteral("</font> ") + getVersion().toHtmlEscaped() + QStringLiteral(" (Build:")
                             + getBuild().toHtmlEscaped() + QStringLiteral("）"));

    ui->lblAppDataLocationTip->setFont(font);
    ui->lblAppDataLocationTip->setText(
        QStringLiteral("数据目录（<a href='setAppDataLocation'>设置目录</a>，不支持中文目录）"));
    ui->lblAppDataLocationTip->setContextMenuPolicy(Qt::NoContextMenu);
    connect(ui->lblAppDataLocationTip, &QLabel::linkActivated, this, &QDlgAbout::setAppDataLocation);

    ui->lblAppDataLocation->setFont(font);
    ui->lblAppDataLocation->setWordWrap(true);
    ui->lblAppDataLocation->setOpenExternalLinks(true);
    ui->lblAppDataLocation->setContextMenuPolicy(Qt::NoContextMenu);
    ui->lblAppDataLocation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui->lblAppDataLocation->setText(folderLink(getDataDir()));

    ui->lblUserTip->setFont(font);
    ui->lblUser->setFont(font);
    ui->lblUser->setTextFormat(Qt::PlainText);
    ui->lblUser->setText(getUserName());

    const QString website = getWebsite().toHtmlEscaped();
    ui->lblWebsiteTip->setFont(font);
    ui->lblWebsite->setFont(font);
    ui->lblWebsite->setOpenExternalLinks(true);
    ui->lblWebsite->setContextMenuPolicy(Qt::NoContextMenu);
    ui->lblWebsite->setText(QStringLiteral("<a href='http://") + website + QStringLiteral("'>http://") + website
                            + QStringLiteral("</a>"));

    const QString email = getEmail().toHtmlEscaped();
    ui->lblEmailTip->setFont(font);
    ui->lblEmail->setFont(font);
    ui->lblEmail->setOpenExternalLinks(true);
    ui->lblEmail->setContextMenuPolicy(Qt::NoContextMenu);
    ui->lblEmail->setText(QStringLiteral("<a href='mailto:") + email + QStringLiteral("'>") + email
                          + QStringLiteral("</a>"));

    ui->lblPlatform->setFont(font);
    ui->lblPlatform->setTextFormat(Qt::PlainText);
    ui->lblPlatform->setText(getPlatform());

    ui->btnClose->setFont(font);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDlgAbout::close);
}

void QDlgAbout::setAppDataLocation()
{
    const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("选择数据目录"), getDataDir(),
                                                          QFileDialog::ShowDirsOnly);
    if (dir.isEmpty() || dir == getDataDir())
        return;
    setNewDataDir(dir);
    QMessageBox::information(this, QStringLiteral("注意"), QStringLiteral("数据目录在程序重启后生效"),
                             QMessageBox::Ok);
}
