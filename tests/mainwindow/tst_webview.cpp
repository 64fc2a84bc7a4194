#include "mainwindowtest.h"

#include "globalstate.h"
#include "qdlgwebview.h"
#include "tinyproxy.h"

#include <QClipboard>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebPage>
#include <QWebView>

namespace {

// Answers every request on a loopback port with one small page and counts the requests.
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
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                ++requests;
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

void sendKey(QWidget *target, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

} // namespace

class TestWebview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    PageServer pages;

    bool loadPage(QDlgWebview &dialog)
    {
        QSignalSpy finished(dialog.webView(), &QWebView::loadFinished);
        dialog.load();
        return finished.wait(15000) && finished.first().first().toBool();
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
        QCOMPARE(used.user(), QStringLiteral("user"));
        QCOMPARE(used.password(), QStringLiteral("secret"));
        QTRY_COMPARE(proxy.requestCount(pages.url()), 1);

        disableProxy();
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.port()));
        const int direct = pages.requests;
        QVERIFY(loadPage(dialog));
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QCOMPARE(pages.requests, direct + 1);
        QCOMPARE(proxy.requestCount(pages.url()), 1);
    }

    // Ctrl+C alone is swallowed; other keys reach the page.
    void copyingSwallowed_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("swallowed");
        QTest::newRow("Ctrl+C") << int(Qt::ControlModifier) << true;
        QTest::newRow("Ctrl+Shift+C") << int(Qt::ControlModifier | Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Alt+C") << int(Qt::ControlModifier | Qt::AltModifier) << false;
        QTest::newRow("C") << int(Qt::NoModifier) << false;
    }

    void copyingSwallowed()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, swallowed);
        QDlgWebview dialog;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::KeyboardModifiers(modifiers));
        QObject *filter = &dialog;
        QCOMPARE(filter->eventFilter(dialog.webView(), &key), swallowed);
    }

    void pageTextNotCopied()
    {
        disableProxy();
        QDlgWebview dialog;
        dialog.show();
        QVERIFY(loadPage(dialog));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        dialog.webView()->page()->triggerAction(QWebPage::SelectAll);
        QVERIFY(dialog.webView()->selectedText().contains(QStringLiteral("secret text")));
        sendKey(dialog.webView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }
};

QTEST_MAIN(TestWebview)
#include "tst_webview.moc"
