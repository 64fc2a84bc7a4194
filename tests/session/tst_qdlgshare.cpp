#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgshare.h"
#include "standinsession.h"
#include "usersettings.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

// Stands in for the browser: every http/https address the program opens lands here.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestShare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void sharesTheLink_data();
    void sharesTheLink();
    void networkFailureKeepsTheDialogOpen();
    void refusalClosesTheDialog();
    void closeButtonEndsTheDialog();
    void oddShareIdStaysOneLink();

private:
    QString reportId() const;
    static QString shareIdOf(const QString &reportId);
    static QPushButton *button(QDlgShare *dialog, const char *name);
    static QString query(const QUrl &url, const QString &key);

    DevServer m_server;
    UrlCatcher m_browser;
};

void TestShare::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
    loadProxyConfig();
    QVERIFY(openStandInSession());
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_browser, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
}

void TestShare::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestShare::init()
{
    QVERIFY(m_server.resetFaults());
    m_server.clearRequestLog();
    m_browser.urls.clear();
    QGuiApplication::clipboard()->clear();
}

QString TestShare::reportId() const
{
    return m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
}

// The stand-in's share id of a report.
QString TestShare::shareIdOf(const QString &reportId)
{
    return QString::number(reportId.toLongLong() * 31 + 17, 36).toUpper();
}

QPushButton *TestShare::button(QDlgShare *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

QString TestShare::query(const QUrl &url, const QString &key)
{
    return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
}

void TestShare::sharesTheLink_data()
{
    QTest::addColumn<QString>("publisher");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("content");
    QTest::newRow("with a stock code")
        << "长城证券" << "浦发银行(600000)：业绩稳健" << "600000.SH" << "浦发银行(600000)：业绩稳健,$(SH600000)$-";
    QTest::newRow("without a stock code") << "高盛" << "宏观策略：年度展望" << "" << "宏观策略：年度展望-";
    QTest::newRow("characters that end or split a query")
        << "A&B=C" << "收益+增长 #1 & 50%=?" << "000001.SZ" << "收益+增长 #1 & 50%=?,$(SZ000001)$-";
}

void TestShare::sharesTheLink()
{
    QFETCH(QString, publisher);
    QFETCH(QString, title);
    QFETCH(QString, code);
    QFETCH(QString, content);
    ModalWatcher boxes;
    QPointer<QDlgShare> dialog = new QDlgShare;
    dialog->show();
    dialog->requestShareLink(reportId(), publisher, title, code);
    for (const char *name : {"btnXueQiu", "btnWeibo", "btnCopy", "btnClose"})
        QVERIFY2(!button(dialog, name)->isEnabled(), name);
    // The window frame cannot close it while the request is out.
    QVERIFY(!dialog->close());
    QVERIFY(dialog->isVisible());

    const QString link = getShareUrl() + QStringLiteral("?id=") + shareIdOf(reportId());
    auto *label = dialog->findChild<QLabel *>(QStringLiteral("lblUrl"));
    QTRY_VERIFY(!label->text().isEmpty());
    QCOMPARE(label->text(), QStringLiteral("<a href='%1'>%1</a>").arg(link));
    QVERIFY(label->openExternalLinks());
    for (const char *name : {"btnXueQiu", "btnWeibo", "btnCopy", "btnClose"})
        QVERIFY2(button(dialog, name)->isEnabled(), name);
    QCOMPARE(boxes.count(), 0);

    // The signed query of the share request.
    const QList<QJsonObject> log = m_server.requestLog();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().value("path").toString(), QStringLiteral("/report/share"));
    const QUrlQuery sent(log.first().value("query").toString());
    QCOMPARE(sent.queryItems().size(), 4);
    QCOMPARE(sent.queryItems().at(0), qMakePair(QStringLiteral("ssn"), getSessionId()));
    QCOMPARE(sent.queryItems().at(1), qMakePair(QStringLiteral("id"), reportId()));
    QCOMPARE(sent.queryItems().at(3).second, getSignature(sent.queryItems().at(2).second));

    QTest::mouseClick(button(dialog, "btnCopy"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), link);
    QCOMPARE(button(dialog, "btnCopy")->text(), QStringLiteral("复制成功"));

    QTest::mouseClick(button(dialog, "btnXueQiu"), Qt::LeftButton);
    QCOMPARE(m_browser.urls.size(), 1);
    const QUrl xueqiu = m_browser.urls.takeFirst();
    QCOMPARE(xueqiu.scheme(), QStringLiteral("http"));
    QCOMPARE(xueqiu.path(), QStringLiteral("/service/share"));
    QCOMPARE(QUrlQuery(xueqiu).queryItems().size(), 3);
    QCOMPARE(query(xueqiu, "title"), publisher + QStringLiteral("发布研报"));
    QCOMPARE(query(xueqiu, "content"), content);
    QCOMPARE(query(xueqiu, "url"), link);

    QTest::mouseClick(button(dialog, "btnWeibo"), Qt::LeftButton);
    QCOMPARE(m_browser.urls.size(), 1);
    const QUrl weibo = m_browser.urls.takeFirst();
    QCOMPARE(weibo.scheme(), QStringLiteral("http"));
    QCOMPARE(weibo.path(), QStringLiteral("/share/share.php"));
    QCOMPARE(QUrlQuery(weibo).queryItems().size(), 2);
    QCOMPARE(query(weibo, "title"), publisher + QStringLiteral("发布研报:") + title);
    QCOMPARE(query(weibo, "url"), link);
    QVERIFY(dialog);
    delete dialog;
}

void TestShare::networkFailureKeepsTheDialogOpen()
{
    QVERIFY(m_server.setFault(QStringLiteral("http_500"), true, QStringLiteral("/report/share")));
    ModalWatcher boxes;
    QPointer<QDlgShare> dialog = new QDlgShare;
    dialog->show();
    dialog->requestShareLink(reportId(), QStringLiteral("高盛"), QStringLiteral("标题"), QString());
    QTRY_COMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.last().title, QStringLiteral("注意"));
    QCOMPARE(boxes.last().text, QStringLiteral("连接服务器失败，请检查网络设置或采用代理服务器！(ErrCode:%1)")
                                    .arg(QNetworkReply::InternalServerError));
    QTRY_VERIFY(button(dialog, "btnCopy")->isEnabled());
    for (const char *name : {"btnXueQiu", "btnWeibo", "btnClose"})
        QVERIFY2(button(dialog, name)->isEnabled(), name);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblUrl"))->text(), QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(button(dialog, "btnCopy"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    // Now it may be closed by the frame.
    QVERIFY(dialog->close());
    QTRY_VERIFY(!dialog);
}

void TestShare::refusalClosesTheDialog()
{
    QVERIFY(m_server.setFault(QStringLiteral("share_refused")));
    ModalWatcher boxes;
    QPointer<QDlgShare> dialog = new QDlgShare;
    QSignalSpy accepted(dialog.data(), &QDialog::accepted);
    dialog->show();
    dialog->requestShareLink(reportId(), QStringLiteral("高盛"), QStringLiteral("标题"), QString());
    QTRY_COMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.last().title, QStringLiteral("注意"));
    QCOMPARE(boxes.last().text, QStringLiteral("该报告暂不支持分享"));
    QCOMPARE(accepted.count(), 1);
    QTRY_VERIFY(!dialog);
    QCOMPARE(m_browser.urls.size(), 0);
}

void TestShare::closeButtonEndsTheDialog()
{
    QPointer<QDlgShare> dialog = new QDlgShare;
    QCOMPARE(dialog->windowTitle(), QStringLiteral("分享报告"));
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->size(), QSize(412, 82));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    for (const char *name : {"btnXueQiu", "btnWeibo", "btnCopy", "btnClose"})
        QVERIFY2(!button(dialog, name)->autoDefault(), name);
    QSignalSpy rejected(dialog.data(), &QDialog::rejected);
    dialog->show();
    QTest::mouseClick(button(dialog, "btnClose"), Qt::LeftButton);
    QCOMPARE(rejected.count(), 1);
    QTRY_VERIFY(!dialog);
}

void TestShare::oddShareIdStaysOneLink()
{
    // A service whose share id holds characters of HTML and of a query.
    const QByteArray reply = R"({"res":1,"msg":"ok","data":{"id":"a'b<i>c&x=1#"}})";
    QTcpServer service;
    QVERIFY(service.listen(QHostAddress::LocalHost));
    connect(&service, &QTcpServer::newConnection, &service, [&] {
        QTcpSocket *socket = service.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket, reply] {
            if (!socket->readAll().contains("\r\n\r\n"))
                return;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(reply.size())
                          + "\r\nConnection: close\r\n\r\n" + reply);
            socket->disconnectFromHost();
        });
    });
    QTemporaryDir dir;
    QFile ini(dir.filePath("hosts.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ServiceHost]\nHost0=\"{\\\"name\\\": \\\"x\\\", \\\"host\\\": \\\"http://127.0.0.1:"
              + QByteArray::number(service.serverPort()) + "\\\"}\"\n");
    ini.close();
    const QByteArray hosts = qgetenv("TAMREL_HOSTS");
    qputenv("TAMREL_HOSTS", QFile::encodeName(ini.fileName()));
    loadDefaultConfig();
    const bool redirected = getShareApiUrl().contains(QString::number(service.serverPort()));

    QPointer<QDlgShare> dialog = new QDlgShare;
    dialog->show();
    dialog->requestShareLink(reportId(), QStringLiteral("高盛"), QStringLiteral("标题"), QString());
    auto *label = dialog->findChild<QLabel *>(QStringLiteral("lblUrl"));
    const bool answered = QTest::qWaitFor([&] { return !label->text().isEmpty(); }, 10000);
    const QString link = getShareUrl() + QStringLiteral("?id=a%27b%3Ci%3Ec%26x%3D1%23");
    qputenv("TAMREL_HOSTS", hosts);
    loadDefaultConfig();
    QVERIFY(redirected);
    QVERIFY(answered);

    QCOMPARE(label->text(), QStringLiteral("<a href='%1'>%1</a>").arg(link));
    QTest::mouseClick(button(dialog, "btnCopy"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), link);
    QTest::mouseClick(button(dialog, "btnWeibo"), Qt::LeftButton);
    QCOMPARE(m_browser.urls.size(), 1);
    QCOMPARE(query(m_browser.urls.first(), "url"), link);
    delete dialog;
}

QTEST_MAIN(TestShare)
#include "tst_qdlgshare.moc"
