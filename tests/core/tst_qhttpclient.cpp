#include "defaultconfig.h"
#include "globalstate.h"
#include "qhttpclient.h"

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// One request as the server received it. Header names are lower case.
struct Received
{
    QByteArray method;
    QByteArray target;
    QHash<QByteArray, QByteArray> headers;
    QByteArray body;
};

// How the server answers a path.
struct Answer
{
    enum Mode {
        Whole,         // status, Content-Length and body
        NoLength,      // status and body without a length, then close
        Stall,         // headers promising a body, then nothing
        Silent,        // accept the request, send nothing at all
        CutShort,      // headers promising more than is sent, then close
        Delayed,       // the whole answer, 300 ms late
    };
    Answer(int status = 200, const QByteArray &body = QByteArray(), Mode mode = Whole,
           const QByteArray &declaredLength = QByteArray())
        : status(status), body(body), mode(mode), declaredLength(declaredLength)
    {
    }
    int status;
    QByteArray body;
    Mode mode;
    QByteArray declaredLength; // overrides Content-Length where set
};

} // namespace
Q_DECLARE_METATYPE(Answer)
namespace {

// A small HTTP/1.1 server on loopback for the cases that need a server to misbehave in one
// precise way, and to see exactly what the client sent.
class LoopbackServer : public QObject
{
public:
    // With a certificate and key the server speaks HTTPS.
    explicit LoopbackServer(const QSslCertificate &certificate = QSslCertificate(),
                            const QSslKey &key = QSslKey())
        : m_server(certificate.isNull() ? new QTcpServer(this) : new TlsServer(certificate, key, this))
        , m_scheme(certificate.isNull() ? "http" : "https")
    {
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                m_sockets.append(socket);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
        QVERIFY(m_server->listen(QHostAddress::LocalHost));
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_scheme).arg(m_server->serverPort()).arg(path);
    }

    void route(const QByteArray &path, const Answer &answer) { m_routes.insert(path, answer); }
    QList<Received> requests() const { return m_requests; }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const int end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Received request;
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.target = first.value(1);
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = lines.at(i).indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                           lines.at(i).mid(colon + 1).trimmed());
            }
            const int length = request.headers.value("content-length").toInt();
            if (buffer.size() < end + 4 + length)
                return;
            request.body = buffer.mid(end + 4, length);
            buffer.remove(0, end + 4 + length);
            m_requests.append(request);
            const QByteArray path = request.target.startsWith("http://")
                                        ? QUrl(QString::fromLatin1(request.target)).path().toLatin1()
                                        : request.target.left(request.target.indexOf('?') < 0
                                                                  ? request.target.size()
                                                                  : request.target.indexOf('?'));
            answer(socket, m_routes.value(path, Answer{404, "no such path"}));
        }
    }

    static void answer(QTcpSocket *socket, const Answer &a)
    {
        if (a.mode == Answer::Silent)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\n";
        if (a.mode != Answer::NoLength) {
            QByteArray length = a.declaredLength;
            if (length.isEmpty())
                length = QByteArray::number(a.mode == Answer::Whole || a.mode == Answer::Delayed
                                                ? a.body.size()
                                                : a.body.size() * 10 + 100);
            head += "Content-Length: " + length + "\r\n";
        } else {
            head += "Connection: close\r\n";
        }
        head += "\r\n";
        const QPointer<QTcpSocket> guard(socket);
        const auto send = [guard, head, a] {
            if (!guard)
                return;
            guard->write(head);
            if (a.mode != Answer::Stall)
                guard->write(a.body);
            guard->flush();
            if (a.mode == Answer::CutShort)
                guard->disconnectFromHost();
        };
        if (a.mode == Answer::NoLength) {
            // Half now, the rest a little later, so the client sees the body arrive in parts.
            const int half = a.body.size() / 2;
            socket->write(head + a.body.left(half));
            socket->flush();
            QTimer::singleShot(200, socket, [guard, a, half] {
                if (!guard)
                    return;
                guard->write(a.body.mid(half));
                guard->disconnectFromHost();
            });
        } else if (a.mode == Answer::Delayed)
            QTimer::singleShot(300, socket, send);
        else
            send();
    }

    class TlsServer : public QTcpServer
    {
    public:
        TlsServer(const QSslCertificate &certificate, const QSslKey &key, QObject *parent)
            : QTcpServer(parent), m_certificate(certificate), m_key(key)
        {
        }

    protected:
        void incomingConnection(qintptr descriptor) override
        {
            auto *socket = new QSslSocket(this);
            socket->setSocketDescriptor(descriptor);
            socket->setLocalCertificate(m_certificate);
            socket->setPrivateKey(m_key);
            addPendingConnection(socket);
            socket->startServerEncryption();
        }

    private:
        QSslCertificate m_certificate;
        QSslKey m_key;
    };

    QTcpServer *m_server;
    QString m_scheme;
    QList<QTcpSocket *> m_sockets;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QByteArray, Answer> m_routes;
    QList<Received> m_requests;
};

// What one request of a client delivered.
struct Outcome
{
    int reports = 0;
    int code = -1;
    QByteArray body;
    bool inflateFailed = false;
    QList<double> progress;
};

// Starts a request with start() and waits for its report (a generous bound: the idle
// watchdog of a stalled request takes a few seconds).
Outcome exchange(QHttpClient &client, const std::function<bool()> &start, int waitMs = 30000)
{
    Outcome outcome;
    QObject context;
    QObject::connect(&client, &QHttpClient::downloadProgress, &context,
                     [&](double percent) { outcome.progress.append(percent); });
    QObject::connect(&client, &QHttpClient::downloadFinished, &context,
                     [&](int code, const QByteArray &body) {
                         ++outcome.reports;
                         outcome.code = code;
                         outcome.body = body;
                         outcome.inflateFailed = client.lastReplyInflateFailed();
                     });
    if (!start())
        return outcome;
    QElapsedTimer waited;
    waited.start();
    while (outcome.reports == 0 && waited.elapsed() < waitMs)
        QTest::qWait(10);
    // A second report would come right behind the first.
    QTest::qWait(50);
    return outcome;
}

QByteArray compressedWithLength(const QByteArray &plain, quint32 declared)
{
    QByteArray body = qCompress(plain);
    body[0] = char(declared >> 24);
    body[1] = char(declared >> 16);
    body[2] = char(declared >> 8);
    body[3] = char(declared);
    return body;
}

// Debian's tinyproxy on a free loopback port, optionally asking for a user and password.
class TinyProxy
{
public:
    bool start(const QString &user = QString(), const QString &password = QString())
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
        if (program.isEmpty() || !m_dir.isValid())
            return false;
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        m_port = probe.serverPort();
        probe.close();
        QFile config(m_dir.filePath(QStringLiteral("tinyproxy.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        QByteArray text = "Port " + QByteArray::number(m_port) + "\nListen 127.0.0.1\n"
                          "Timeout 30\nAllow 127.0.0.1\nLogLevel Connect\nMaxClients 10\n";
        if (!user.isEmpty())
            text += "BasicAuth " + user.toUtf8() + ' ' + password.toUtf8() + '\n';
        config.write(text);
        config.close();
        m_process.setProgram(program);
        m_process.setArguments({QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        if (!m_process.waitForStarted())
            return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    ~TinyProxy()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    quint16 port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv("TAMREL_HOSTS");
        loadDefaultConfig();
    }

    void getSendsTheIdentifyingHeaders()
    {
        LoopbackServer server;
        server.route("/user/verify", Answer{200, "{}"});
        QHttpClient client;
        // The URL goes out as it is: "%2B" is not encoded again.
        const QString url = server.url(QStringLiteral("/user/verify?acc=a%2Bb&tms=1&sgn=c4ca"));
        const Outcome outcome = exchange(client, [&] { return client.get(url, false); });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, 0);
        QCOMPARE(server.requests().size(), 1);
        const Received r = server.requests().first();
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.target, QByteArray("/user/verify?acc=a%2Bb&tms=1&sgn=c4ca"));
        QString agent = getEnName() + '(' + getOsName() + ')';
        agent.remove(' ');
        QCOMPARE(r.headers.value("user-agent"), agent.toUtf8());
        QVERIFY(agent.startsWith("Tamrel("));
        QCOMPARE(r.headers.value("pragma"), QByteArray("no-cache"));
        QCOMPARE(r.headers.value("referer"), "http://" + getWebsite().toUtf8());
        QVERIFY(!r.headers.contains("content-type"));
    }

    void postSendsUtf8TextWithItsByteLength()
    {
        LoopbackServer server;
        server.route("/customize/block", Answer{200, R"({"res":1})"});
        QHttpClient client;
        const QString body = QStringLiteral(R"([{"nam":"%E5%9D%97","lst":"600000.SH"}] 板块 一)");
        const Outcome outcome = exchange(client, [&] {
            return client.post(server.url(QStringLiteral("/customize/block?ssn=s&mdf=5")), body, false);
        });
        QCOMPARE(outcome.code, 0);
        QCOMPARE(outcome.body, QByteArray(R"({"res":1})"));
        const Received r = server.requests().value(0);
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.headers.value("content-type"), QByteArray("text/plain"));
        QCOMPARE(r.headers.value("content-length"), QByteArray::number(body.toUtf8().size()));
        QVERIFY(body.toUtf8().size() > body.size());
        QCOMPARE(r.body, body.toUtf8());
        QCOMPARE(r.headers.value("pragma"), QByteArray("no-cache"));
        QVERIFY(r.headers.value("user-agent").startsWith("Tamrel("));
    }

    void bodies_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("compressed");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("inflateFailed");
        const QByteArray json = QStringLiteral(R"({"data":[{"dt":"RPTTDY.DAT"}],"ttl":"研报"})").toUtf8();
        QTest::newRow("plain") << Answer{200, json} << false << 0 << json << false;
        QTest::newRow("compressed, inflated") << Answer{200, qCompress(json)} << true << 0 << json << false;
        QTest::newRow("compressed, kept as received")
            << Answer{200, qCompress(json)} << false << 0 << qCompress(json) << false;
        QTest::newRow("plain body with the flag") << Answer{200, json} << true << 0 << QByteArray() << true;
        QTest::newRow("empty body with the flag") << Answer{200, ""} << true << 0 << QByteArray() << true;
        QTest::newRow("compressed empty body")
            << Answer{200, QByteArray(4, '\0')} << true << 0 << QByteArray() << false;
        QTest::newRow("declared length of 4 GB")
            << Answer{200, compressedWithLength(json, 0xFFFFFFFFu)} << true << 0 << json << false;
        QTest::newRow("corrupt stream")
            << Answer{200, qCompress(json).left(12) + QByteArray(20, '\x55')} << true << 0
            << QByteArray() << true;
        QTest::newRow("404") << Answer{404, "not here"} << false << int(QNetworkReply::ContentNotFoundError)
                             << QByteArray() << false;
        QTest::newRow("500") << Answer{500, "broken"} << true << int(QNetworkReply::InternalServerError)
                             << QByteArray() << false;
        QTest::newRow("cut short") << Answer{200, json, Answer::CutShort} << false
                                   << int(QNetworkReply::RemoteHostClosedError) << QByteArray() << false;
        QTest::newRow("huge declared length, then close")
            << Answer{200, json, Answer::CutShort, "1000000000000000"} << false
            << int(QNetworkReply::RemoteHostClosedError) << QByteArray() << false;
    }

    void bodies()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, compressed);
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, inflateFailed);
        LoopbackServer server;
        server.route("/oss/dat/X.DAT", answer);
        QHttpClient client;
        if (inflateFailed)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".")));
        const Outcome outcome = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/oss/dat/X.DAT")), compressed);
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, code);
        QCOMPARE(outcome.body, body);
        QCOMPARE(outcome.inflateFailed, inflateFailed);
        QVERIFY(!client.isBusy());
    }

    void decompressionBombIsRefused()
    {
        LoopbackServer server;
        const QByteArray bomb = qCompress(QByteArray(257 * 1024 * 1024, '\0'), 9);
        QVERIFY(bomb.size() < 2 * 1024 * 1024);
        server.route("/oss/dat/BOMB.DAT", Answer{200, bomb});
        QHttpClient client;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("past the size limit")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("did not inflate")));
        const Outcome outcome = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/oss/dat/BOMB.DAT")), true);
        });
        QCOMPARE(outcome.code, 0);
        QVERIFY(outcome.body.isEmpty());
        QVERIFY(outcome.inflateFailed);
    }

    void progress()
    {
        LoopbackServer server;
        const QByteArray big(300 * 1000, 'x');
        server.route("/known", Answer{200, big});
        server.route("/unknown", Answer{200, big, Answer::NoLength});
        QHttpClient client;
        Outcome known = exchange(client, [&] { return client.get(server.url(QStringLiteral("/known")), false); });
        QCOMPARE(known.code, 0);
        QVERIFY(!known.progress.isEmpty());
        QCOMPARE(known.progress.last(), 100.0);
        for (double p : known.progress)
            QVERIFY(p >= 0.0 && p <= 100.0);

        Outcome unknown = exchange(client, [&] { return client.get(server.url(QStringLiteral("/unknown")), false); });
        QCOMPARE(unknown.code, 0);
        QCOMPARE(unknown.body.size(), big.size());
        // -1 until the end, when Qt reports the size it has received.
        QVERIFY(unknown.progress.size() >= 2);
        for (int i = 0; i < unknown.progress.size() - 1; ++i)
            QCOMPARE(unknown.progress.at(i), -1.0);
    }

    void idleTimeOutAbortsAStalledResponse_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("headers, then nothing") << int(Answer::Stall);
        QTest::newRow("nothing at all") << int(Answer::Silent);
    }

    void idleTimeOutAbortsAStalledResponse()
    {
        QFETCH(int, mode);
        LoopbackServer server;
        server.route("/oss/dat/IDX.DAT", Answer{200, "12345", Answer::Mode(mode)});
        QHttpClient client;
        client.setTimeout(1);
        const Outcome outcome = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/oss/dat/IDX.DAT")), true);
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, int(QNetworkReply::OperationCanceledError));
        QVERIFY(outcome.body.isEmpty());
        QVERIFY(!client.isBusy());
    }

    void abortWithoutRequestDoesNothing()
    {
        QHttpClient client;
        QSignalSpy finished(&client, &QHttpClient::downloadFinished);
        client.abort();
        client.abort();
        QTest::qWait(50);
        QCOMPARE(finished.count(), 0);
        QVERIFY(!client.isBusy());
        QCOMPARE(client.fileNameOfUrl(), QString());
    }

    void abortEndsTheOpenRequestOnce()
    {
        LoopbackServer server;
        server.route("/dat/RPTTDY.DAT", Answer{200, "12345", Answer::Stall});
        QHttpClient client;
        QSignalSpy finished(&client, &QHttpClient::downloadFinished);
        QVERIFY(client.get(server.url(QStringLiteral("/dat/RPTTDY.DAT")), true));
        QTRY_COMPARE(server.requests().size(), 1);
        QVERIFY(client.isBusy());
        client.abort();
        // Reported before abort() returns, so an owner's stop can rely on it.
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QNetworkReply::OperationCanceledError));
        QVERIFY(finished.at(0).at(1).toByteArray().isEmpty());
        QVERIFY(!client.isBusy());
        client.abort();
        QTest::qWait(200);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("RPTTDY.DAT"));
    }

    void nextRequestFromTheAbortReport()
    {
        LoopbackServer server;
        server.route("/stall", Answer{200, "x", Answer::Stall});
        server.route("/next", Answer{200, "second"});
        QHttpClient client;
        QList<QPair<int, QByteArray>> reports;
        connect(&client, &QHttpClient::downloadFinished, this, [&](int code, const QByteArray &body) {
            reports.append({code, body});
            if (reports.size() == 1)
                QVERIFY(client.get(server.url(QStringLiteral("/next")), false));
        });
        QVERIFY(client.get(server.url(QStringLiteral("/stall")), false));
        QTRY_COMPARE(server.requests().size(), 1);
        client.abort();
        QTRY_COMPARE(reports.size(), 2);
        QTest::qWait(100);
        QCOMPARE(reports.size(), 2);
        QCOMPARE(reports.at(0).first, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(reports.at(1), qMakePair(0, QByteArray("second")));
    }

    void busyClientRefusesASecondRequest()
    {
        LoopbackServer server;
        server.route("/customize/inst", Answer{200, "first", Answer::Delayed});
        server.route("/dat/IDX.DAT", Answer{200, "second"});
        QHttpClient client;
        client.setTimeout(1);
        const Outcome outcome = exchange(client, [&] {
            if (!client.post(server.url(QStringLiteral("/customize/inst?ssn=s")), QStringLiteral("a,b"), false))
                return false;
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused")));
            const bool second = client.get(server.url(QStringLiteral("/dat/IDX.DAT")), true);
            return !second && client.isBusy();
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, 0);
        QCOMPARE(outcome.body, QByteArray("first"));
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("inst"));
        QCOMPARE(server.requests().size(), 1);
        // The first request's watchdog was not replaced: the client is free again.
        QVERIFY(!client.isBusy());
        const Outcome next = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/dat/IDX.DAT")), false);
        });
        QCOMPARE(next.body, QByteArray("second"));
    }

    void destroyingABusyClientReportsNothing()
    {
        LoopbackServer server;
        server.route("/stall", Answer{200, "x", Answer::Stall});
        auto *client = new QHttpClient;
        QSignalSpy finished(client, &QHttpClient::downloadFinished);
        QVERIFY(client->get(server.url(QStringLiteral("/stall")), false));
        QTRY_COMPARE(server.requests().size(), 1);
        delete client;
        QTest::qWait(100);
        QCOMPARE(finished.count(), 0);
    }

    void certificateErrorsAreNotIgnored()
    {
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl.isEmpty() || !QSslSocket::supportsSsl())
            QSKIP("no openssl to make a certificate with");
        QTemporaryDir dir;
        QProcess make;
        make.setProcessChannelMode(QProcess::MergedChannels);
        make.start(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                             QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                             QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                             QStringLiteral("-keyout"), dir.filePath(QStringLiteral("key.pem")),
                             QStringLiteral("-out"), dir.filePath(QStringLiteral("cert.pem"))});
        QVERIFY(make.waitForFinished(30000));
        QCOMPARE(make.exitCode(), 0);
        QFile certFile(dir.filePath(QStringLiteral("cert.pem")));
        QFile keyFile(dir.filePath(QStringLiteral("key.pem")));
        QVERIFY(certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
        const QSslCertificate certificate(&certFile, QSsl::Pem);
        const QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem);
        QVERIFY(!certificate.isNull() && !key.isNull());

        LoopbackServer server(certificate, key);
        server.route("/user/verify", Answer{200, R"({"res":1})"});
        QHttpClient client;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("certificate refused")));
        const Outcome outcome = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/user/verify?tms=1&sgn=x")), false);
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, int(QNetworkReply::SslHandshakeFailedError));
        QVERIFY(outcome.body.isEmpty());
        QCOMPARE(server.requests().size(), 0);
    }

    void fileNameOfUrl_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("index") << "/oss/dat/IDX.DAT" << "IDX.DAT";
        QTest::newRow("query") << "/customize/inst?ssn=1&mdf=2" << "inst";
        QTest::newRow("slash in query") << "/day/600000.SH?x=/a/b" << "600000.SH";
        QTest::newRow("trailing slash") << "/oss/dat/" << "";
    }

    void fileNameOfUrl()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        LoopbackServer server;
        QHttpClient client;
        exchange(client, [&] { return client.get(server.url(path), false); });
        QCOMPARE(client.fileNameOfUrl(), name);
    }

    void urlWithoutSlashIsItsOwnName()
    {
        QHttpClient client;
        const Outcome outcome = exchange(client, [&] { return client.get(QStringLiteral("IDX.DAT"), false); });
        QVERIFY(outcome.code != 0);
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("IDX.DAT"));
    }

    void proxy_data()
    {
        QTest::addColumn<QString>("proxyUser");
        QTest::addColumn<QString>("proxyPassword");
        QTest::addColumn<QString>("clientUser");
        QTest::addColumn<QString>("clientPassword");
        QTest::addColumn<bool>("useProxy");
        QTest::addColumn<bool>("passes");
        QTest::newRow("through the proxy") << "" << "" << "" << "" << true << true;
        QTest::newRow("proxy off") << "" << "" << "" << "" << false << true;
        QTest::newRow("with credentials") << "alice" << "s3cret" << "alice" << "s3cret" << true << true;
        QTest::newRow("wrong credentials") << "alice" << "s3cret" << "alice" << "wrong" << true << false;
        QTest::newRow("proxy off, proxy asks for credentials")
            << "alice" << "s3cret" << "" << "" << false << true;
    }

    void proxy()
    {
        QFETCH(QString, proxyUser);
        QFETCH(QString, proxyPassword);
        QFETCH(QString, clientUser);
        QFETCH(QString, clientPassword);
        QFETCH(bool, useProxy);
        QFETCH(bool, passes);
        if (QStandardPaths::findExecutable(QStringLiteral("tinyproxy")).isEmpty())
            QSKIP("tinyproxy is not installed");
        TinyProxy proxy;
        QVERIFY(proxy.start(proxyUser, proxyPassword));
        LoopbackServer server;
        server.route("/oss/tst/TST.DAT", Answer{200, qCompress("1")});

        // What every owner does with the user's proxy settings before its first request.
        if (useProxy)
            setProxy(QStringLiteral("127.0.0.1"), proxy.port(), clientUser, clientPassword);
        else
            disableProxy();
        QHttpClient client;
        if (getProxyEnable() >= 1)
            client.setHttpProxy(getProxyHost(), quint16(getProxyPort()), getProxyUser(), getProxyPassword());
        else
            client.setNoProxy();

        const Outcome outcome = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/oss/tst/TST.DAT")), true);
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code == 0, passes);
        if (!passes) {
            QVERIFY(outcome.body.isEmpty());
            QCOMPARE(server.requests().size(), 0);
            return;
        }
        QCOMPARE(outcome.body, QByteArray("1"));
        QCOMPARE(server.requests().size(), 1);
        const Received r = server.requests().first();
        // tinyproxy marks what it forwards.
        QCOMPARE(r.headers.value("via").contains("tinyproxy"), useProxy);
        QVERIFY(r.headers.value("user-agent").startsWith("Tamrel("));
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_qhttpclient.moc"
