#include "qdlgshare.h"
#include "ui_qdlgshare.h"

#include "globalstate.h"
#include "jsonscript.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "sessionlog.h"
#include "userproxy.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QNetworkReply>
#include <QUrl>

namespace {

const char kXueQiuPage[] = "http://xueqiu.com/service/share";
const char kWeiboPage[] = "http://service.weibo.com/share/share.php";

// Each value is percent-encoded whole, so "&", "#", "+" or "=" in a title cannot cut the
// shared text or the nested link.
QUrl pageUrl(const char *page, const QList<QPair<QString, QString>> &query)
{
    QByteArray text(page);
    char separator = '?';
    for (const auto &item : query) {
        text += separator + item.first.toLatin1() + '=' + QUrl::toPercentEncoding(item.second);
        separator = '&';
    }
    return QUrl::fromEncoded(text, QUrl::StrictMode);
}

} // namespace

QDlgShare::QDlgShare(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgShare)
{
    ui->setupUi(this);
    init();
}

QDlgShare::~QDlgShare()
{
    delete ui;
}

void QDlgShare::init()
{
    setWindowTitle(QStringLiteral("分享报告"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    mayClose = true;
    const QFont font = getAppFont();
    ui->lblUrl->setFont(font);
    ui->btnXueQiu->setFont(font);
    ui->btnWeibo->setFont(font);
    ui->btnCopy->setFont(font);
    ui->btnClose->setFont(font);
    ui->lblUrl->setOpenExternalLinks(true);
    ui->lblUrl->setContextMenuPolicy(Qt::NoContextMenu);
    connect(ui->btnXueQiu, &QPushButton::clicked, this, &QDlgShare::shareToXueQiu);
    connect(ui->btnWeibo, &QPushButton::clicked, this, &QDlgShare::shareToWeibo);
    connect(ui->btnCopy, &QPushButton::clicked, this, &QDlgShare::copyShareLink);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDlgShare::reject);
    client = new QHttpClient(this);
    connect(client, &QHttpClient::downloadFinished, this, &QDlgShare::downloadFinished);
}

void QDlgShare::requestShareLink(const QString &id, const QString &publisher, const QString &title,
                                 const QString &code)
{
    // The reply of the request already out would be shown with this request's titles.
    if (client->isBusy()) {
        qCWarning(lcSession) << "share request" << id << "dropped: the previous one is still out";
        return;
    }
    mayClose = false;
    this->publisher = publisher;
    this->title = title;
    stockCode = code;
    setButtonsEnabled(false);
    applyUserProxy(client);
    if (!client->get(getShareApiUrl() + getReportServiceQuery(id), false))
        downloadFinished(QNetworkReply::UnknownNetworkError, QByteArray());
}

void QDlgShare::downloadFinished(int code, QByteArray body)
{
    mayClose = true;
    if (code != 0) {
        QMessageBox::information(
            this, QStringLiteral("注意"),
            QStringLiteral("连接服务器失败，请检查网络设置或采用代理服务器！(ErrCode:%1)").arg(code),
            QMessageBox::Ok);
        setButtonsEnabled(true);
        return;
    }
    JsonScript json;
    const QScriptValue reply = json.parseBody(body);
    const int res = jsonInt(reply, QStringLiteral("res"));
    const QString msg = jsonText(reply, QStringLiteral("msg"));
    const QString shareId = jsonText(reply.property(QStringLiteral("data")), QStringLiteral("id"));
    link = getShareUrl() + QStringLiteral("?id=") + QString::fromLatin1(QUrl::toPercentEncoding(shareId));
    if (res > 0) {
        const QString shown = link.toHtmlEscaped();
        ui->lblUrl->setText(QStringLiteral("<a href='") + shown + QStringLiteral("'>") + shown
                            + QStringLiteral("</a>"));
        setButtonsEnabled(true);
        return;
    }
    QMessageBox::information(this, QStringLiteral("注意"), msg, QMessageBox::Ok);
    accept();
}

void QDlgShare::copyShareLink()
{
    QGuiApplication::clipboard()->setText(link, QClipboard::Clipboard);
    ui->btnCopy->setText(QStringLiteral("复制成功"));
}

void QDlgShare::shareToXueQiu()
{
    QString content = title;
    if (stockCode.isEmpty())
        content += QLatin1Char('-');
    else
        content += QStringLiteral(",$(") + stockCode.right(2) + stockCode.left(6) + QStringLiteral(")$-");
    QDesktopServices::openUrl(pageUrl(kXueQiuPage, {{QStringLiteral("title"), publisher + QStringLiteral("发布研报")},
                                                    {QStringLiteral("content"), content},
                                                    {QStringLiteral("url"), link}}));
}

void QDlgShare::shareToWeibo()
{
    QDesktopServices::openUrl(pageUrl(kWeiboPage, {{QStringLiteral("title"), publisher + QStringLiteral("发布研报:") + title},
                                                   {QStringLiteral("url"), link}}));
}

void QDlgShare::setButtonsEnabled(bool enabled)
{
    ui->btnXueQiu->setEnabled(enabled);
    ui->btnWeibo->setEnabled(enabled);
    ui->btnCopy->setEnabled(enabled);
    ui->btnClose->setEnabled(enabled);
}

// Escape and reject() follow the close rule too: no leaving while the request is out.
void QDlgShare::done(int result)
{
    if (mayClose)
        QDialog::done(result);
}

void QDlgShare::closeEvent(QCloseEvent *event)
{
    if (mayClose)
        event->accept();
    else
        event->ignore();
}
