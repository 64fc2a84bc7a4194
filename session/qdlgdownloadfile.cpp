#include "qdlgdownloadfile.h"
#include "ui_qdlgdownloadfile.h"

#include "globalstate.h"
#include "jsonscript.h"
#include "keysbeforefocus.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "sessionlog.h"
#include "userproxy.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkReply>
#include <QSaveFile>
#include <QUrl>

namespace {

// The service names the file by a URL; anything but a web address (file:, qrc:, ...) would
// let a reply read local files.
bool isWebAddress(const QString &text)
{
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

} // namespace

QDlgDownloadFile::QDlgDownloadFile(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgDownloadFile)
{
    ui->setupUi(this);
    init();
}

QDlgDownloadFile::~QDlgDownloadFile()
{
    delete ui;
}

void QDlgDownloadFile::init()
{
    setWindowTitle(QStringLiteral("下载报告..."));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    ui->prgDownload->setValue(0);
    ui->prgDownload->setTextVisible(true);
    ui->prgDownload->setAlignment(Qt::AlignHCenter);
    ui->prgDownload->setFont(getAppFont());
    client = new QHttpClient(this);
    keys = new KeysBeforeFocus(this, this, {Qt::Key_Escape});
}

void QDlgDownloadFile::downloadReport(const QString &id, const QString &path)
{
    // The reply still out would be stored under this report's name.
    if (isDownloading()) {
        declineWhileBusy(id);
        return;
    }
    reportId = id;
    filePath = path;
    // Opened by the user (a title clicked, a message or an alert picked): Escape stops the
    // transfer, even before the window manager has focused the dialog.
    keys->arm();
    requestReportUrl();
}

bool QDlgDownloadFile::isDownloading() const
{
    return client->isBusy();
}

void QDlgDownloadFile::declineWhileBusy(const QString &id)
{
    if (id == reportId)
        return;
    qCWarning(lcSession) << "report" << id << "not requested: report" << reportId << "still downloading";
    QMessageBox::information(this, QStringLiteral("注意"), QStringLiteral("上一份报告仍在下载，请稍后再试！"),
                             QMessageBox::Ok);
}

void QDlgDownloadFile::requestReportUrl()
{
    startRequest(getFileApiUrl() + getReportServiceQuery(reportId), &QDlgDownloadFile::downloadUrlFinished);
}

void QDlgDownloadFile::startRequest(const QString &url, void (QDlgDownloadFile::*finished)(int, QByteArray))
{
    ui->prgDownload->setValue(0);
    applyUserProxy(client);
    disconnect(client, nullptr, nullptr, nullptr);
    connect(client, &QHttpClient::downloadProgress, this, &QDlgDownloadFile::downloadProgress);
    connect(client, &QHttpClient::downloadFinished, this, finished);
    if (!client->get(url, false))
        (this->*finished)(QNetworkReply::UnknownNetworkError, QByteArray());
}

void QDlgDownloadFile::downloadProgress(double percent)
{
    ui->prgDownload->setValue(int(percent));
}

void QDlgDownloadFile::downloadUrlFinished(int code, QByteArray body)
{
    if (code != 0) {
        fail(QStringLiteral("下载失败"),
             QStringLiteral("获取报告地址失败，请重新尝试或与我们联系！(ErrorCode:%1)").arg(code));
        return;
    }
    parseReportUrlReply(bodyText(body));
}

void QDlgDownloadFile::parseReportUrlReply(const QString &text)
{
    JsonScript json;
    const QScriptValue reply = json.parse(text);
    const int res = jsonInt(reply, QStringLiteral("res"));
    const QString msg = jsonText(reply, QStringLiteral("msg"));
    const QString obj = jsonText(reply.property(QStringLiteral("data")), QStringLiteral("obj"));
    if (res <= 0) {
        fail(QStringLiteral("下载失败"), msg);
        return;
    }
    if (!isWebAddress(obj)) {
        qCWarning(lcSession) << "report" << reportId << "file address refused: not http or https";
        fail(QStringLiteral("下载失败"), QStringLiteral("报告地址无效，请重新尝试或与我们联系！"));
        return;
    }
    fileUrl = obj;
    downloadReportFile();
}

void QDlgDownloadFile::downloadReportFile()
{
    startRequest(fileUrl, &QDlgDownloadFile::downloadFileFinished);
}

void QDlgDownloadFile::downloadFileFinished(int code, QByteArray body)
{
    if (code != 0) {
        fail(QStringLiteral("下载失败"),
             QStringLiteral("报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)").arg(code));
        return;
    }
    // An empty body is no report; storing it would open an empty file.
    if (body.isEmpty()) {
        fail(QStringLiteral("下载失败"), QStringLiteral("报告文件为空，请重新尝试或与我们联系！"));
        return;
    }
    const QFileInfo info(filePath);
    if (!makeDirPath(QFileInfo(info.absolutePath()))) {
        fail(QStringLiteral("文件错误"), QStringLiteral("不能创建报告目录！"));
        return;
    }
    // Written aside and put in place whole, so a short write never leaves a report that opens.
    // flush() is checked too: commit() alone lets a failed flush of the buffered tail through.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.flush()
        || !file.commit()) {
        qCWarning(lcSession) << "report" << reportId << "not saved:" << file.errorString();
        fail(QStringLiteral("文件保存失败"), QStringLiteral("报告保存遇到问题，请重新尝试或与我们联系！"));
        return;
    }
    emit openFile(reportId, filePath);
    end();
}

void QDlgDownloadFile::fail(const QString &title, const QString &text)
{
    QMessageBox::critical(this, title, text, QMessageBox::Ok);
    end();
}

void QDlgDownloadFile::mousePressEvent(QMouseEvent *event)
{
    pressPos = event->globalPos();
    windowOrigin = event->globalPos() - event->pos();
}

void QDlgDownloadFile::mouseMoveEvent(QMouseEvent *event)
{
    move(windowOrigin + (event->globalPos() - pressPos));
}

void QDlgDownloadFile::closeEvent(QCloseEvent *event)
{
    stop();
    event->ignore();
}

// Escape and reject() end here too: hidden with its request still out, the dialog would look
// idle to the main window, and that reply would land in the next report's slot.
void QDlgDownloadFile::done(int result)
{
    Q_UNUSED(result)
    stop();
}

void QDlgDownloadFile::stop()
{
    // The client reports an abort as it reports its own time-out (code 5); this one is the
    // user's and no failure, so its report is not listened to.
    if (client->isBusy())
        qCInfo(lcSession) << "download of report" << reportId << "cancelled";
    disconnect(client, &QHttpClient::downloadFinished, this, nullptr);
    client->abort();
    end();
}

void QDlgDownloadFile::end()
{
    reportId.clear();
    hide();
}
