#include "qhttpclient.h"

#include "corelog.h"
#include "globalstate.h"
#include "safeuncompress.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>
#include <QTimerEvent>

namespace {

constexpr int kWatchdogPeriodMs = 3000;

QString fileNameOf(const QString &url)
{
    const QString path = url.left(url.indexOf(QLatin1Char('?')));
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QByteArray userAgent()
{
    QString agent = getEnName() + QLatin1Char('(') + getOsName() + QLatin1Char(')');
    agent.remove(QLatin1Char(' '));
    return agent.toUtf8();
}

} // namespace

QHttpClient::QHttpClient(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
}

QHttpClient::~QHttpClient()
{
    // The manager takes the reply with it; nothing is reported for a request cut off here.
    if (m_reply)
        m_reply->disconnect(this);
}

bool QHttpClient::get(const QString &url, bool compressed)
{
    return start(url, compressed, nullptr);
}

bool QHttpClient::post(const QString &url, const QString &body, bool compressed)
{
    const QByteArray bytes = body.toUtf8();
    return start(url, compressed, &bytes);
}

bool QHttpClient::start(const QString &url, bool compressed, const QByteArray *postBody)
{
    // URLs carry the session id and signature: only file names go to the log.
    if (m_busy) {
        qCWarning(lcCore) << "request for" << fileNameOf(url) << "refused: still waiting for"
                          << fileNameOfUrl();
        return false;
    }
    m_url = url;
    m_compressed = compressed;
    m_inflateFailed = false;
    m_busy = true;

    QNetworkRequest request(QUrl::fromEncoded(url.toUtf8()));
    request.setRawHeader("User-Agent", userAgent());
    request.setRawHeader("Pragma", "no-cache");
    request.setRawHeader("Referer", (QLatin1String("http://") + getWebsite()).toUtf8());
    if (postBody) {
        request.setRawHeader("Content-Type", "text/plain");
        request.setRawHeader("Content-Length", QByteArray::number(postBody->size()));
        m_reply = m_manager->post(request, *postBody);
    } else {
        m_reply = m_manager->get(request);
    }
    connect(m_reply, &QNetworkReply::downloadProgress, this, &QHttpClient::replyDownloadProgress);
    connect(m_reply, &QNetworkReply::sslErrors, this, &QHttpClient::replySslErrors);
    connect(m_reply, &QNetworkReply::finished, this, &QHttpClient::replyFinished);
    m_lastActivity.start();
    m_timerId = startTimer(kWatchdogPeriodMs);

    // A reply that failed before we were listening is reported from the event loop, as any
    // other would be.
    if (m_reply->isFinished()) {
        QNetworkReply *reply = m_reply;
        QTimer::singleShot(0, this, [this, reply] {
            if (m_reply == reply)
                finish(reply->error());
        });
    }
    return true;
}

void QHttpClient::abort()
{
    if (!m_busy || !m_reply)
        return;
    // Qt reports the abort through the reply's finished(); detach first so that the one
    // report below is the only one.
    m_reply->disconnect(this);
    m_reply->abort();
    finish(QNetworkReply::OperationCanceledError);
}

bool QHttpClient::isBusy() const
{
    return m_busy;
}

void QHttpClient::setTimeout(int seconds)
{
    m_timeout = qMax(0, seconds);
}

QString QHttpClient::fileNameOfUrl() const
{
    return fileNameOf(m_url);
}

bool QHttpClient::lastReplyInflateFailed() const
{
    return m_inflateFailed;
}

void QHttpClient::setHttpProxy(const QString &host, quint16 port, const QString &user,
                               const QString &password)
{
    m_manager->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, host, port, user, password));
}

void QHttpClient::setNoProxy()
{
    m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void QHttpClient::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId) {
        QObject::timerEvent(event);
        return;
    }
    if (m_busy && m_lastActivity.elapsed() / 1000 >= m_timeout) {
        qCInfo(lcCore) << "no data for" << m_timeout << "s, aborting" << fileNameOfUrl();
        abort();
    }
}

void QHttpClient::replyDownloadProgress(qint64 received, qint64 total)
{
    if (sender() != m_reply)
        return;
    double percent = 0.0;
    if (total > 0)
        percent = double(received) / double(total) * 100.0;
    else if (total < 0)
        percent = -1.0;
    m_lastActivity.start();
    emit downloadProgress(percent);
}

void QHttpClient::replySslErrors(const QList<QSslError> &errors)
{
    // Certificate errors are not ignored: a host that cannot prove who it is gets no session
    // id and delivers no package or installer. The request then fails with its SSL error.
    if (sender() != m_reply)
        return;
    for (const QSslError &error : errors)
        qCWarning(lcCore) << fileNameOfUrl() << "certificate refused:" << error.errorString();
}

void QHttpClient::replyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    if (reply != m_reply) {
        // A reply this client no longer tracks is never reported.
        reply->disconnect(this);
        reply->deleteLater();
        return;
    }
    finish(reply->error());
}

void QHttpClient::finish(int code)
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    m_busy = false;
    m_inflateFailed = false;

    QByteArray body;
    if (code == QNetworkReply::NoError) {
        const QByteArray data = reply->readAll();
        if (!m_compressed) {
            body = data;
        } else if (!safeUncompress(data, &body)) {
            m_inflateFailed = true;
            qCWarning(lcCore) << fileNameOfUrl() << "did not inflate (" << data.size()
                              << "bytes received)";
        }
    } else if (code != QNetworkReply::OperationCanceledError) {
        qCInfo(lcCore) << fileNameOfUrl() << "failed with network error" << code;
    }
    reply->disconnect(this);
    reply->deleteLater();
    emit downloadFinished(code, body);
}
