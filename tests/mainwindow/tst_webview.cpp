#include "mainwindowtest.h"

#include "globalstate.h"
#include "qdlgwebview.h"
#include "tinyproxy.h"
#include "waiting.h"

#include <QClipboard>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebPage>
#include <QWebView>

namespace {

// Answers every request on a loopback port with one small page and counts the page's requests
// (the browser may ask for more, such as an icon, at a moment of its own).
class PageServer : public QTcpServer
{
public:
    int requests = 0;

    PageServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->peek(socket->bytesAvailable());
                if (!request.contains("\r\n\r\n"))
                    return;
                socket->readAll();
                requests += request.startsWith("GET /page.html") ? 1 : 0;
                const QByteArray body = "<html><body><p>secret text</p></body></html>";
                socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                              + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/page.html").arg(serverPort()); }
};

} // namespace

class TestWebview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PageServer pages;

    // Waits for the page itself: the view's first about:blank may finish (or be cut short) first.
    bool loadPage(QDlgWebview &dialog)
    {
        bool loaded = false;
        const QMetaObject::Connection watch = connect(dialog.webView(), &QWebView::loadFinished, [&](bool ok) {
            loaded = loaded || (ok && dialog.webView()->url() == QUrl(pages.url()));
        });
        dialog.load();
        const bool done = QTest::qWaitFor([&loaded] { return loaded; }, 30000);
        disconnect(watch);
        return done;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(pages.isListening());
        setWebviewUrl(pages.url());
    }

    // The settings are read at every load; switched off, no proxy is used, not even the
    // application's own.
    void proxyFollowsTheSettings()
    {
        if (!TinyProxy::available())
            QSKIP("tinyproxy is not installed");
        TinyProxy proxy;
        QVERIFY(proxy.start());
        QDlgWebview dialog;
        setProxy(QStringLiteral("127.0.0.1"), proxy.port(), QStringLiteral("user"), QStringLiteral("secret"));
        QVERIFY(loadPage(dialog));
        QCOMPARE(dialog.webView()->page()->networkAccessManager(), dialog.networkAccessManager());
        const QNetworkProxy used = dialog.networkAccessManager()->proxy();
        QCOMPARE(used.type(), QNetworkProxy::HttpProxy);
        QCOMPARE(used.user() + ':' + used.password(), QStringLiteral("user:secret"));
        WAIT_UNTIL("the page asked for through the proxy", proxy.requestCount(pages.url()) == 1, 15000);

        disableProxy();
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.port()));
        const int direct = pages.requests;
        QVERIFY(loadPage(dialog));
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QCOMPARE(pages.requests, direct + 1);
        QCOMPARE(proxy.requestCount(pages.url()), 1);
    }

    // Ctrl+C alone is swallowed.
    void pageTextNotCopied()
    {
        disableProxy();
        QDlgWebview dialog;
        dialog.show();
        QVERIFY(loadPage(dialog));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        dialog.webView()->page()->triggerAction(QWebPage::SelectAll);
        QVERIFY(dialog.webView()->selectedText().contains(QStringLiteral("secret text")));
        QTest::keyClick(dialog.webView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        // Only Ctrl+C alone: other keys reach the page.
        for (const Qt::KeyboardModifiers modifiers : {Qt::ControlModifier | Qt::ShiftModifier, Qt::KeyboardModifiers()}) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_C, modifiers);
            QVERIFY(!static_cast<QObject &>(dialog).eventFilter(dialog.webView(), &key));
        }
    }
};

QTEST_MAIN(TestWebview)
#include "tst_webview.moc"
