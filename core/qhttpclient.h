#pragma once

// The program's one HTTP client: GET and POST with the product's identifying headers, an
// optional inflate of Qt's compressed form, an idle watchdog and an optional HTTP proxy.
//
// One request at a time. get() and post() on a client whose request is still open start
// nothing, emit nothing and return false: the open request keeps its reply, its watchdog and
// its one downloadFinished. abort() ends the open request at once with exactly one
// downloadFinished(QNetworkReply::OperationCanceledError (5), empty) before it returns, so the
// owner may start its next request from that slot; without an open request it does nothing.
//
// The client and all its slots live on its owner's thread.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QSslError;

class QHttpClient : public QObject
{
    Q_OBJECT

public:
    explicit QHttpClient(QObject *parent = nullptr);
    ~QHttpClient() override;

    // The URL text is sent as it is (already percent-encoded). With compressed set, a
    // successful body is inflated from Qt's compressed form before it is reported.
    bool get(const QString &url, bool compressed);
    // The body goes out as UTF-8 text/plain.
    bool post(const QString &url, const QString &body, bool compressed);
    void abort();

    bool isBusy() const;
    // Seconds without download progress after which the open request is aborted (15).
    void setTimeout(int seconds);
    // The last path segment of the current URL, without its query: "IDX.DAT".
    QString fileNameOfUrl() const;

    // True when the last finished request had the compressed flag, succeeded, and its body
    // did not inflate (it was then reported as empty). Read it in the downloadFinished slot.
    bool lastReplyInflateFailed() const;

    void setHttpProxy(const QString &host, quint16 port, const QString &user,
                      const QString &password);
    void setNoProxy();

signals:
    // Percent of the body received; -1.0 while the size is not known.
    void downloadProgress(double percent);
    // code: the QNetworkReply::NetworkError of the reply (0 = success); body empty unless 0.
    void downloadFinished(int code, QByteArray body);

private slots:
    void timerEvent(QTimerEvent *event) override;
    void replyDownloadProgress(qint64 received, qint64 total);
    void replySslErrors(const QList<QSslError> &errors);
    void replyFinished();

private:
    bool start(const QString &url, bool compressed, const QByteArray *postBody);
    void finish(int code);

    QNetworkAccessManager *m_manager = nullptr;
    QNetworkReply *m_reply = nullptr;
    QString m_url;
    int m_timeout = 15;
    bool m_compressed = false;
    QElapsedTimer m_lastActivity;
    int m_timerId = 0;
    bool m_busy = false;
    bool m_inflateFailed = false;
};
