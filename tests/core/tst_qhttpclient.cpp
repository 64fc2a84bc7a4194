#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qhttpclient.h"
#include "serviceapi.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
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
        Silent,        // accept the request, send nothing at all
        CutShort,      // headers promising more than is sent, then close
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
                length = QByteArray::number(a.mode == Answer::Whole
                                                ? a.body.size()
                                                : a.body.size() * 10 + 100);
            head += "Content-Length: " + length + "\r\n";
        } else {
            head += "Connection: close\r\n";
        }
        head += "\r\n";
        if (a.mode != Answer::NoLength) {
            socket->write(head + a.body);
            socket->flush();
            if (a.mode == Answer::CutShort)
                socket->disconnectFromHost();
            return;
        }
        // Half now, the rest a little later, so the client sees the body arrive in parts.
        const int half = a.body.size() / 2;
        socket->write(head + a.body.left(half));
        socket->flush();
        const QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(200, socket, [guard, a, half] {
            if (!guard)
                return;
            guard->write(a.body.mid(half));
            guard->disconnectFromHost();
        });
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

    // What the proxy has logged so far (its request lines among it).
    QByteArray log()
    {
        m_log += m_process.readAll();
        return m_log;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QByteArray m_log;
};

// A service URL signed as every service request is: parameters, then tms and sgn.
QString signedUrl(const QString &base, const QString &parameters)
{
    const QString tms = getTimestamp();
    return base + QLatin1Char('?') + parameters + (parameters.isEmpty() ? "" : "&")
           + QStringLiteral("tms=") + tms + QStringLiteral("&sgn=") + getSignature(tms);
}

bool requestLogged(const QList<QJsonObject> &log, const QString &path)
{
    for (const QJsonObject &entry : log) {
        if (entry.value(QLatin1String("path")).toString() == path)
            return true;
    }
    return false;
}

} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT

private:
    DevServer m_server;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        // The stand-in's addresses, through TAMREL_HOSTS.
        loadDefaultConfig();
        setHostIndex(0);
        QVERIFY(getIndexUrl().startsWith(m_server.objectUrl().toString()));
    }

    void cleanup()
    {
        QVERIFY2(m_server.resetFaults(), qPrintable(m_server.errorString()));
        m_server.clearRequestLog();
    }

    // Against the stand-in

    void standInBodies_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("compressed");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("inflateFailed");
        const QString test = getTestObjectUrl();
        const QString stocks = getDatUrl() + QStringLiteral("/STK.DAT");
        QTest::newRow("compressed body inflated") << "" << test << true << 0 << QByteArray(R"({"result":1})") << false;
        QTest::newRow("plain body with the flag") << "tst_plain" << test << true << 0 << QByteArray() << true;
        QTest::newRow("plain body without the flag")
            << "tst_plain" << test << false << 0 << QByteArray(R"({"result":1})") << false;
        QTest::newRow("corrupt stream") << "pkg_corrupt" << stocks << true << 0 << QByteArray() << true;
        QTest::newRow("unknown package") << "" << getDatUrl() + QStringLiteral("/NOPE.DAT") << true
                                         << int(QNetworkReply::ContentNotFoundError) << QByteArray() << false;
        QTest::newRow("404") << "http_404" << test << true << int(QNetworkReply::ContentNotFoundError)
                             << QByteArray() << false;
        QTest::newRow("500") << "http_500" << getIndexUrl() << true
                             << int(QNetworkReply::InternalServerError) << QByteArray() << false;
        QTest::newRow("500 on the service") << "http_500" << signedUrl(getVerifyApiUrl(), QString()) << false
                                            << int(QNetworkReply::InternalServerError) << QByteArray() << false;
        QTest::newRow("cut short") << "truncate" << stocks << true
                                   << int(QNetworkReply::RemoteHostClosedError) << QByteArray() << false;
    }

    void standInBodies()
    {
        QFETCH(QString, fault);
        QFETCH(QString, url);
        QFETCH(bool, compressed);
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, inflateFailed);
        if (!fault.isEmpty())
            QVERIFY2(m_server.setFault(fault), qPrintable(m_server.errorString()));
        if (inflateFailed) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Compressed body rejected")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("did not inflate")));
        }
        QHttpClient client;
        const Outcome outcome = exchange(client, [&] { return client.get(url, compressed); });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, code);
        QCOMPARE(outcome.body, body);
        QCOMPARE(outcome.inflateFailed, inflateFailed);
        QVERIFY(!client.isBusy());
    }

    void indexThroughTheUrlBuilder()
    {
        QHttpClient client;
        const Outcome outcome = exchange(client, [&] { return client.get(getIndexUrl(), true); });
        QCOMPARE(outcome.code, 0);
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("IDX.DAT"));
        JsonScript json;
        const QScriptValue data = json.parseBody(outcome.body).property(QStringLiteral("data"));
        const QJsonArray packages = m_server.manifest().value(QLatin1String("packages")).toArray();
        QVERIFY(jsonLength(data) > 0);
        QCOMPARE(jsonText(jsonElement(data, 0), QStringLiteral("dt")),
                 packages.first().toObject().value(QLatin1String("name")).toString());
    }

    void hostileDeclaredLength()
    {
        // The stand-in declares 1.75 GiB for 64 MiB of blanks: the body is what the stream holds.
        QVERIFY(m_server.setFault(QStringLiteral("pkg_bomb")));
        QHttpClient client;
        const Outcome outcome = exchange(client, [&] {
            return client.get(getDatUrl() + QStringLiteral("/STK.DAT"), true);
        });
        QCOMPARE(outcome.code, 0);
        QVERIFY(!outcome.inflateFailed);
        QCOMPARE(outcome.body.size(), 64 << 20);
        QVERIFY(outcome.body.capacity() < 256 << 20);
        QCOMPARE(outcome.body.count(' '), outcome.body.size());
    }

    void loginThenPostWithChineseBody()
    {
        const QJsonObject account = m_server.manifest().value(QLatin1String("accounts")).toArray().first().toObject();
        QHttpClient client;
        const Outcome login = exchange(client, [&] {
            return client.get(signedUrl(getVerifyApiUrl(),
                                        QStringLiteral("acc=%1&pwd=%2&mac=0A0B0C0D0E0F")
                                            .arg(account.value(QLatin1String("account")).toString(),
                                                 getPasswordDigest(account.value(QLatin1String("password")).toString()))),
                              false);
        });
        QCOMPARE(login.code, 0);
        JsonScript json;
        const QScriptValue reply = json.parseBody(login.body);
        QVERIFY(jsonInt(reply, QStringLiteral("res")) > 0);
        const QString session = jsonText(reply.property(QStringLiteral("data")), QStringLiteral("ssn"));
        QVERIFY(!session.isEmpty());

        // Content-Length counts UTF-8 bytes: a character count would cut the body short.
        const QString body = QStringLiteral("中信证券,国泰君安,招商证券");
        const Outcome upload = exchange(client, [&] {
            return client.post(signedUrl(getInstApiUrl(), QStringLiteral("ssn=%1&mdf=1484289423000").arg(session)),
                               body, false);
        });
        QCOMPARE(upload.code, 0);
        const QScriptValue answer = json.parseBody(upload.body);
        QCOMPARE(jsonInt(answer, QStringLiteral("res")), 1);
        QCOMPARE(jsonText(answer.property(QStringLiteral("data")), QStringLiteral("mdf")),
                 QStringLiteral("1484289423000"));
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("inst"));
        const QList<QJsonObject> log = m_server.requestLog();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log.last().value(QLatin1String("method")).toString(), QStringLiteral("POST"));
        QCOMPARE(log.last().value(QLatin1String("path")).toString(), QStringLiteral("/customize/inst"));
        QCOMPARE(log.last().value(QLatin1String("body")).toString(), body);
    }

    void idleTimeOutAbortsAStalledResponse()
    {
        QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dat/IDX.DAT")));
        QHttpClient client;
        client.setTimeout(1);
        const Outcome outcome = exchange(client, [&] { return client.get(getIndexUrl(), true); });
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
        QVERIFY(m_server.setFault(QStringLiteral("stall")));
        QHttpClient client;
        QSignalSpy finished(&client, &QHttpClient::downloadFinished);
        QVERIFY(client.get(getDatUrl() + QStringLiteral("/STK.DAT"), true));
        QTRY_VERIFY(requestLogged(m_server.requestLog(), QStringLiteral("/oss/dat/STK.DAT")));
        QVERIFY(client.isBusy());
        client.abort();
        // Reported before abort() returns, so an owner's stop can rely on it.
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QNetworkReply::OperationCanceledError));
        QVERIFY(finished.at(0).at(1).toByteArray().isEmpty());
        QVERIFY(!client.isBusy());
        client.abort();
        QTest::qWait(300);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("STK.DAT"));
    }

    void nextRequestFromTheAbortReport()
    {
        QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dat/STK.DAT")));
        QHttpClient client;
        QList<QPair<int, QByteArray>> reports;
        connect(&client, &QHttpClient::downloadFinished, this, [&](int code, const QByteArray &body) {
            reports.append({code, body});
            if (reports.size() == 1)
                QVERIFY(client.get(getTestObjectUrl(), true));
        });
        QVERIFY(client.get(getDatUrl() + QStringLiteral("/STK.DAT"), true));
        QTRY_VERIFY(requestLogged(m_server.requestLog(), QStringLiteral("/oss/dat/STK.DAT")));
        client.abort();
        QTRY_COMPARE(reports.size(), 2);
        QTest::qWait(300);
        QCOMPARE(reports.size(), 2);
        QCOMPARE(reports.at(0).first, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(reports.at(1), qMakePair(0, QByteArray(R"({"result":1})")));
    }

    void busyClientRefusesASecondRequest()
    {
        QHttpClient client;
        const Outcome outcome = exchange(client, [&] {
            if (!client.get(getTestObjectUrl(), true))
                return false;
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused")));
            const bool second = client.get(getIndexUrl(), true);
            return !second && client.isBusy();
        });
        // The first request kept its reply: its own body, reported once.
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, 0);
        QCOMPARE(outcome.body, QByteArray(R"({"result":1})"));
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("TST.DAT"));
        QVERIFY(!requestLogged(m_server.requestLog(), QStringLiteral("/oss/dat/IDX.DAT")));
        QVERIFY(!client.isBusy());
        const Outcome next = exchange(client, [&] { return client.get(getIndexUrl(), true); });
        QCOMPARE(next.code, 0);
        QCOMPARE(next.reports, 1);
    }

    void busyClientKeepsItsWatchdog()
    {
        QVERIFY(m_server.setFault(QStringLiteral("stall")));
        QHttpClient client;
        client.setTimeout(1);
        const Outcome outcome = exchange(client, [&] {
            if (!client.get(getIndexUrl(), true))
                return false;
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused")));
            return !client.post(getInstApiUrl(), QStringLiteral("x"), false);
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(client.fileNameOfUrl(), QStringLiteral("IDX.DAT"));
        QTest::qWait(300);
        QCOMPARE(outcome.reports, 1);
    }

    void destroyingABusyClientReportsNothing()
    {
        QVERIFY(m_server.setFault(QStringLiteral("stall")));
        auto *client = new QHttpClient;
        QSignalSpy finished(client, &QHttpClient::downloadFinished);
        QVERIFY(client->get(getIndexUrl(), true));
        QTRY_VERIFY(requestLogged(m_server.requestLog(), QStringLiteral("/oss/dat/IDX.DAT")));
        delete client;
        QTest::qWait(100);
        QCOMPARE(finished.count(), 0);
    }

    void fileNameOfUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("index") << getIndexUrl() << "IDX.DAT";
        QTest::newRow("query") << signedUrl(getInstApiUrl(), QStringLiteral("ssn=1&mdf=2")) << "inst";
        QTest::newRow("slash in query") << getDayUrl() + QStringLiteral("/600000.SH?x=/a/b") << "600000.SH";
        QTest::newRow("trailing slash") << getDatUrl() + QLatin1Char('/') << "";
        QTest::newRow("no slash, no query") << "IDX.DAT" << "IDX.DAT";
    }

    void fileNameOfUrl()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QHttpClient client;
        const Outcome outcome = exchange(client, [&] { return client.get(url, false); });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(client.fileNameOfUrl(), name);
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

        const Outcome outcome = exchange(client, [&] { return client.get(getTestObjectUrl(), true); });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code == 0, passes);
        QCOMPARE(requestLogged(m_server.requestLog(), QStringLiteral("/oss/tst/TST.DAT")), passes);
        if (passes)
            QCOMPARE(outcome.body, QByteArray(R"({"result":1})"));
        else
            QVERIFY(outcome.body.isEmpty());
        // The proxy saw the request exactly when it was on.
        QCOMPARE(proxy.log().contains("GET " + getTestObjectUrl().toUtf8()), useProxy);
    }

    // Cases the stand-in does not play: a server in the test sees the raw request or
    // misbehaves in one precise way.

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
        QCOMPARE(r.headers.value("referer"), "http://" + getWebsite().toUtf8());
        QVERIFY(r.headers.value("user-agent").startsWith("Tamrel("));
    }

    void loopbackBodies_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("compressed");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("inflateFailed");
        const QByteArray json = QStringLiteral(R"({"data":[{"dt":"RPTTDY.DAT"}],"ttl":"研报"})").toUtf8();
        // An empty body that inflated is not one that failed to.
        QTest::newRow("compressed empty body")
            << Answer{200, QByteArray(4, '\0')} << true << 0 << QByteArray() << false;
        QTest::newRow("empty body with the flag") << Answer{200, ""} << true << 0 << QByteArray() << true;
        QTest::newRow("declared length of 4 GiB, small stream")
            << Answer{200, compressedWithLength(json, 0xFFFFFFFFu)} << true << 0 << json << false;
        QTest::newRow("huge Content-Length, then close")
            << Answer{200, json, Answer::CutShort, "1000000000000000"} << false
            << int(QNetworkReply::RemoteHostClosedError) << QByteArray() << false;
    }

    void loopbackBodies()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, compressed);
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, inflateFailed);
        LoopbackServer server;
        server.route("/oss/dat/X.DAT", answer);
        QHttpClient client;
        if (inflateFailed) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Compressed body rejected")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("did not inflate")));
        }
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

    void idleTimeOutWhenNothingComesBack()
    {
        LoopbackServer server;
        server.route("/oss/dat/IDX.DAT", Answer{200, "12345", Answer::Silent});
        QHttpClient client;
        client.setTimeout(1);
        const Outcome outcome = exchange(client, [&] {
            return client.get(server.url(QStringLiteral("/oss/dat/IDX.DAT")), true);
        });
        QCOMPARE(outcome.reports, 1);
        QCOMPARE(outcome.code, int(QNetworkReply::OperationCanceledError));
        QVERIFY(!client.isBusy());
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
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_qhttpclient.moc"
