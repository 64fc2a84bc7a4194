#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "qhttpclient.h"
#include "safeuncompress.h"
#include "serviceapi.h"
#include "testfiles.h"
#include "tinyproxy.h"

#include <QNetworkReply>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QtTest>
#include <algorithm>
#include <functional>

// How the loopback server answers. length: the Content-Length to declare, after which the
// server closes the connection; empty: the body's own.
struct Answer { int status = 200; QByteArray body; QByteArray length; };

// A row of the bodies table: a fault of the stand-in and its URL, or the loopback server's answer
// (empty url); then what the client reports.
struct Case { QString fault; QString url; Answer answer; int code; QByteArray body; bool inflateFailed; };
Q_DECLARE_METATYPE(Case)

namespace {

// A server on loopback for what the stand-in does not play: it keeps every request as it came
// (head and body) and misbehaves in one precise way. With a certificate it speaks HTTPS.
class LoopbackServer : public QTcpServer
{
public:
    Answer answer{200, "{}", ""};
    QList<QByteArray> requests;
    QSslCertificate certificate;
    QSslKey key;

    LoopbackServer() { listen(QHostAddress::LocalHost); }
    QString url(const QString &path) const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(certificate.isNull() ? "http" : "https").arg(serverPort()).arg(path);
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this); // plain TCP until encryption starts
        socket->setSocketDescriptor(descriptor);
        if (!certificate.isNull()) {
            socket->setLocalCertificate(certificate);
            socket->setPrivateKey(key);
            socket->startServerEncryption();
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer = QByteArray()]() mutable {
            buffer += socket->readAll();
            const int end = buffer.indexOf("\r\n\r\n");
            const QRegularExpression lengthHeader(QStringLiteral("\r\ncontent-length: *(\\d+)"),
                                                  QRegularExpression::CaseInsensitiveOption);
            if (end < 0 || buffer.size() < end + 4 + lengthHeader.match(buffer.left(end)).captured(1).toInt())
                return;
            requests << buffer;
            buffer.clear();
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Length: "
                          + (answer.length.isEmpty() ? QByteArray::number(answer.body.size()) : answer.length) + "\r\n\r\n" + answer.body);
            if (!answer.length.isEmpty())
                socket->disconnectFromHost();
        });
    }
};

// What one request of a client delivered.
struct Outcome { int reports = 0; int code = -1; QByteArray body; bool inflateFailed = false; };

Outcome exchange(QHttpClient &client, const std::function<bool()> &start)
{
    Outcome o;
    QObject context;
    QObject::connect(&client, &QHttpClient::downloadFinished, &context, [&](int code, const QByteArray &body) {
        o = Outcome{o.reports + 1, code, body, client.lastReplyInflateFailed()};
    });
    if (start()) {
        (void)QTest::qWaitFor([&] { return o.reports > 0; }, 30000);
        QTest::qWait(50); // a second report would come right behind the first
    }
    return o;
}

Outcome get(QHttpClient &client, const QString &url, bool compressed = true)
{
    return exchange(client, [&] { return client.get(url, compressed); });
}

} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT

    DevServer m_server;

    bool standInSaw(const QString &path)
    {
        const QList<QJsonObject> log = m_server.requestLog();
        return std::any_of(log.begin(), log.end(), [&](const QJsonObject &entry) { return entry.value("path") == path; });
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig(); // the stand-in's addresses, through TAMREL_HOSTS
        setHostIndex(0);
    }

    void cleanup()
    {
        QVERIFY(m_server.resetFaults());
        m_server.clearRequestLog();
    }

    void bodies_data()
    {
        QTest::addColumn<Case>("c");
        const QString tst = getTestObjectUrl(), stk = getDatUrl() + "/STK.DAT";
        const int closed = QNetworkReply::RemoteHostClosedError;
        QTest::newRow("compressed body inflated") << Case{"", tst, {}, 0, R"({"result":1})", false};
        QTest::newRow("plain body with the flag") << Case{"tst_plain", tst, {}, 0, "", true};
        QTest::newRow("corrupt stream") << Case{"pkg_corrupt", stk, {}, 0, "", true};
        QTest::newRow("404") << Case{"http_404", tst, {}, QNetworkReply::ContentNotFoundError, "", false};
        QTest::newRow("500") << Case{"http_500", getIndexUrl(), {}, QNetworkReply::InternalServerError, "", false};
        QTest::newRow("cut short") << Case{"truncate", stk, {}, closed, "", false};
        // The stand-in declares 1.75 GiB for 64 MiB of blanks: refused before anything is inflated.
        QTest::newRow("hostile declared length") << Case{"pkg_bomb", stk, {}, 0, "", true};
        QTest::newRow("empty body that inflated") << Case{"", "", {200, QByteArray(4, '\0'), ""}, 0, "", false};
        QTest::newRow("empty body with the flag") << Case{"", "", {200, "", ""}, 0, "", true};
        QTest::newRow("huge Content-Length, then close") << Case{"", "", {200, "{}", "1000000000000000"}, closed, "", false};
        QTest::newRow("inflates past the cap") << Case{"", "", {200, qCompress(QByteArray(kMaxUncompressedSize + 1, '\0'), 9), ""}, 0, "", true};
    }

    void bodies()
    {
        QFETCH(Case, c);
        if (!c.fault.isEmpty())
            QVERIFY(m_server.setFault(c.fault));
        LoopbackServer loopback;
        loopback.answer = c.answer;
        QHttpClient client;
        const Outcome o = get(client, c.url.isEmpty() ? loopback.url("/X.DAT") : c.url);
        QCOMPARE(QVariantList({o.reports, o.code, o.body.size(), o.inflateFailed}), QVariantList({1, c.code, c.body.size(), c.inflateFailed}));
        QVERIFY(o.body == c.body);
    }

    void requestHeaders()
    {
        LoopbackServer server;
        QHttpClient client;
        // The URL goes out as it is: "%2B" is not encoded again.
        QCOMPARE(get(client, server.url("/user/verify?acc=a%2Bb&tms=1"), false).code, 0);
        const QString body = R"([{"nam":"%E5%9D%97"}] 板块 一)";
        QCOMPARE(exchange(client, [&] { return client.post(server.url("/customize/block?ssn=s"), body, false); }).code, 0);
        QCOMPARE(server.requests.size(), 2);
        const QByteArray common = "\r\nUser-Agent: Tamrel(Linux)\r\nPragma: no-cache\r\nReferer: http://" + getWebsite().toUtf8() + "\r\n";
        QVERIFY(server.requests[0].startsWith("GET /user/verify?acc=a%2Bb&tms=1 HTTP/1.1\r\n") && server.requests[0].contains(common)
                && !server.requests[0].toLower().contains("content-type"));
        // Content-Length counts UTF-8 bytes: a character count would cut the body short.
        QVERIFY(server.requests[1].startsWith("POST /customize/block?ssn=s HTTP/1.1\r\n") && server.requests[1].contains(common));
        QVERIFY(server.requests[1].contains("\r\nContent-Type: text/plain\r\nContent-Length: "
                                            + QByteArray::number(body.toUtf8().size()) + "\r\n"));
        QVERIFY(server.requests[1].endsWith("\r\n\r\n" + body.toUtf8()));
    }

    // The idle time-out ends a stalled response. Meanwhile a second request on the busy client is
    // refused: the first keeps its reply and its watchdog.
    void stalledResponseOnABusyClient()
    {
        QVERIFY(m_server.setFault("stall", true, "/oss/dat/IDX.DAT"));
        QHttpClient client;
        client.setTimeout(1);
        const Outcome o = exchange(client, [&] {
            return client.get(getIndexUrl(), true) && !client.get(getTestObjectUrl(), true)
                   && !client.post(getInstApiUrl(), "x", false);
        });
        QCOMPARE(QVariantList({o.reports, o.code, o.body, client.fileNameOfUrl()}),
                 QVariantList({1, int(QNetworkReply::OperationCanceledError), QByteArray(), "IDX.DAT"}));
        QVERIFY(!standInSaw("/oss/tst/TST.DAT"));
        QCOMPARE(get(client, getTestObjectUrl()).code, 0);
    }

    // abort() reports the open request once, before it returns, so an owner's stop can rely on it;
    // the engine starts its next request from that report. Without a request it does nothing.
    void abort()
    {
        QVERIFY(m_server.setFault("stall", true, "/oss/dat/STK.DAT"));
        QHttpClient client;
        QList<QPair<int, QByteArray>> reports;
        connect(&client, &QHttpClient::downloadFinished, this, [&](int code, const QByteArray &body) {
            reports.append({code, body});
            if (reports.size() == 1)
                QVERIFY(client.get(getTestObjectUrl(), true));
        });
        client.abort();
        QVERIFY(client.get(getDatUrl() + "/STK.DAT", true));
        QTRY_VERIFY(standInSaw("/oss/dat/STK.DAT"));
        client.abort();
        QCOMPARE(reports, (QList<QPair<int, QByteArray>>{{int(QNetworkReply::OperationCanceledError), QByteArray()}}));
        QTRY_COMPARE(reports.size(), 2);
        QTest::qWait(300);
        QCOMPARE(reports.size(), 2);
        QCOMPARE(reports.at(1), qMakePair(0, QByteArray(R"({"result":1})")));
    }

    void proxy_data()
    {
        QTest::addColumn<QString>("proxyUser"); // what the proxy asks for
        QTest::addColumn<QString>("clientPassword");
        QTest::addColumn<bool>("useProxy");
        QTest::addColumn<bool>("passes");
        QTest::newRow("through the proxy") << "" << "" << true << true;
        QTest::newRow("proxy off") << "" << "" << false << true;
        QTest::newRow("with credentials") << "alice" << "s3cret" << true << true;
        QTest::newRow("wrong credentials") << "alice" << "wrong" << true << false;
    }

    void proxy()
    {
        QFETCH(QString, proxyUser);
        QFETCH(QString, clientPassword);
        QFETCH(bool, useProxy);
        QFETCH(bool, passes);
        if (!TinyProxy::available())
            QSKIP("tinyproxy is not installed");
        TinyProxy proxy;
        QVERIFY(proxy.start(proxyUser, "s3cret"));
        QHttpClient client;
        if (useProxy)
            client.setHttpProxy("127.0.0.1", proxy.port(), proxyUser, clientPassword);
        else
            client.setNoProxy();
        const Outcome o = get(client, getTestObjectUrl());
        QCOMPARE(QVariantList({o.reports, o.code == 0, o.body, standInSaw("/oss/tst/TST.DAT"), proxy.requestCount(getTestObjectUrl()) > 0}),
                 QVariantList({1, passes, passes ? QByteArray(R"({"result":1})") : QByteArray(), passes, useProxy}));
    }

    void certificateErrorsAreNotIgnored()
    {
        const QString openssl = QStandardPaths::findExecutable("openssl");
        if (openssl.isEmpty() || !QSslSocket::supportsSsl())
            QSKIP("no openssl to make a certificate with");
        QTemporaryDir dir;
        const QString keyPath = dir.filePath("key.pem"), certPath = dir.filePath("cert.pem");
        QCOMPARE(QProcess::execute(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                             "/CN=127.0.0.1", "-keyout", keyPath, "-out", certPath}), 0);
        LoopbackServer server;
        server.certificate = QSslCertificate(readFile(certPath));
        server.key = QSslKey(readFile(keyPath), QSsl::Rsa);
        QHttpClient client;
        const Outcome o = get(client, server.url("/user/verify?tms=1"), false);
        QCOMPARE(QVariantList({o.reports, o.code, server.requests.size()}), QVariantList({1, int(QNetworkReply::SslHandshakeFailedError), 0}));
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_qhttpclient.moc"
