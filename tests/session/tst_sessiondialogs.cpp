// The session dialogs against the stand-in: report download and sharing, the upgrade and the
// network test. pictures() also saves a PNG of each dialog into $TAMREL_SHOTS_DIR when that is
// set, offscreen or under Xvfb. From the build folder:
//
//   TAMREL_BINARY_DIR=$PWD TAMREL_DEVSERVER=$PWD/devserver/tamrel-devserver QT_QPA_PLATFORM=offscreen
//   TAMREL_SHOTS_DIR=$(mktemp -d) ../tests/run-isolated.sh tests/session/session_tst_sessiondialogs pictures
//
// (the environment and the command on one line).

#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgbulletin.h"
#include "qdlgdownloadfile.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qdlgshare.h"
#include "qdlgupgrade.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "startup.h"
#include "usersettings.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QNetworkReply>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

QString text(QWidget *dialog, const char *label)
{
    return dialog->findChild<QLabel *>(QLatin1String(label))->text();
}

QPushButton *button(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

// Writes beyond the limit fail inside this process (as on a full disk) while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

// A host that answers every request with one body. While it lives TAMREL_HOSTS names an INI
// file holding iniText, with PORT replaced by its port.
class FixedReplyHost
{
public:
    FixedReplyHost(const QByteArray &body, QByteArray iniText)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this, body] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, body] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
                              + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
        writeFile(m_dir.filePath("hosts.ini"), iniText.replace("PORT", QByteArray::number(m_server.serverPort())));
        qputenv("TAMREL_HOSTS", QFile::encodeName(m_dir.filePath("hosts.ini")));
        loadDefaultConfig();
    }
    ~FixedReplyHost()
    {
        qputenv("TAMREL_HOSTS", m_hosts);
        loadDefaultConfig();
    }

private:
    QByteArray m_hosts = qgetenv("TAMREL_HOSTS");
    QTcpServer m_server;
    QTemporaryDir m_dir;
};

struct Download
{
    QList<ModalWatcher::Box> boxes;
    QStringList opened; // "id|path" of each openFile
    bool wholeWhenOpened = false;
};

} // namespace

// Stands in for the browser: every http/https address the program opens lands here.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestSessionDialogs : public QObject
{
    Q_OBJECT

private:
    DevServer m_server;
    UrlCatcher m_browser;
    QString m_pdfId;
    QString m_package;
    const QString m_desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);

    // The name the main window gives the sample PDF report.
    QString reportPath() const
    {
        const SampleReport r = sampleReport(m_server.dataDir(), m_pdfId);
        const QString date = QDate::fromString(r.publishDate, Qt::ISODate).toString("yyyyMMdd");
        return getLocalFilePath(makeReportFileName(r.institution, r.title, date, "pdf"));
    }

    Download download(const QString &path, int timeoutMs = 30000)
    {
        Download out;
        ModalWatcher boxes;
        QDlgDownloadFile dialog;
        // The main window opens the file from this signal: it must be whole by then.
        connect(&dialog, &QDlgDownloadFile::openFile, this, [&](const QString &id, const QString &p) {
            out.opened << id + '|' + p;
            out.wholeWhenOpened = QFileInfo(p).size() == readAll(path).size() && QFileInfo(p).size() > 0;
        });
        dialog.show();
        dialog.downloadReport(m_pdfId, path);
        (void)QTest::qWaitFor([&] { return boxes.count() > 0 || !out.opened.isEmpty(); }, timeoutMs);
        QTest::qWait(100);
        out.boxes = boxes.boxes();
        if (dialog.isVisible())
            out.opened << "still shown";
        return out;
    }

    void share(QDlgShare *dialog, const QString &publisher = "高盛", const QString &title = "标题",
               const QString &code = QString())
    {
        dialog->show();
        dialog->requestShareLink(m_pdfId, publisher, title, code);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        loadOptionConfig();
        loadProxyConfig();
        installAppFont(getAppDir());
        QVERIFY(openStandInSession());
        const QJsonObject facts = m_server.manifest().value("facts").toObject();
        m_pdfId = facts.value("reportFiles").toObject().value("PDF").toString();
        m_package = facts.value("upgradeFile").toString();
        QVERIFY(m_desktop.startsWith(QDir::homePath() + '/') && QDir::homePath().startsWith(QDir::tempPath()));
        QDesktopServices::setUrlHandler("http", &m_browser, "open");
        QDesktopServices::setUrlHandler("https", &m_browser, "open");
    }

    void init()
    {
        QVERIFY(m_server.resetFaults());
        m_server.clearRequestLog();
        QDir(getLocalFileDirPath()).removeRecursively();
        QFile::remove(getLocalFileDirPath());
        QDir(m_desktop).removeRecursively();
        QFile::remove(m_desktop);
        setUpgradeFileName(m_package);
        m_browser.urls.clear();
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
    }

    void downloadStoresTheReport()
    {
        const QString path = reportPath();
        QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath())); // the folder chain is made
        for (int run = 0; run < 2; ++run) { // the second one replaces the file
            const Download out = download(path);
            QCOMPARE(out.opened, QStringList{m_pdfId + '|' + path});
            QVERIFY(out.wholeWhenOpened);
            QCOMPARE(out.boxes.size(), 0);
            QVERIFY(readAll(path).startsWith("%PDF-"));
            QCOMPARE(filesIn(QFileInfo(path).absolutePath()), QStringList{QFileInfo(path).fileName()});
            QVERIFY(writeFile(path, "old copy"));
        }
        // The address from the service (which checks the signed query) is fetched as given.
        QVERIFY(m_server.requestLog().at(1).value("path").toString().startsWith("/oss/fil/" + m_pdfId + '.'));
    }

    void downloadFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("faultPath");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        const QString urlFailed = "获取报告地址失败，请重新尝试或与我们联系！(ErrorCode:%1)";
        const QString fileFailed = "报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)";
        QTest::newRow("service refuses") << "file_refused" << "" << "该报告暂不提供下载" << 1;
        QTest::newRow("address: HTTP 500") << "http_500" << "/report/file"
                                           << urlFailed.arg(QNetworkReply::InternalServerError) << 1;
        QTest::newRow("file: HTTP 500") << "http_500" << "/oss/fil" << fileFailed.arg(QNetworkReply::InternalServerError) << 2;
        QTest::newRow("file: stalls") << "stall" << "/oss/fil" << fileFailed.arg(QNetworkReply::OperationCanceledError) << 2;
        QTest::newRow("file: cut short") << "truncate" << "/oss/fil" << fileFailed.arg(QNetworkReply::RemoteHostClosedError) << 2;
        QTest::newRow("file: empty") << "file_empty" << "" << "报告文件为空，请重新尝试或与我们联系！" << 2;
        QTest::newRow("address is file:") << "file_obj_file" << "" << "报告地址无效，请重新尝试或与我们联系！" << 1;
        QTest::newRow("address is qrc:") << "file_obj_qrc" << "" << "报告地址无效，请重新尝试或与我们联系！" << 1;
    }

    void downloadFailures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, faultPath);
        QFETCH(QString, text);
        QFETCH(int, requests);
        QVERIFY(m_server.setFault(fault, true, faultPath));
        const Download out = download(reportPath(), 40000);
        QCOMPARE(out.boxes.size(), 1);
        QCOMPARE(out.boxes.first().icon, QMessageBox::Critical);
        QCOMPARE(out.boxes.first().title, "下载失败");
        QCOMPARE(out.boxes.first().text, text);
        QCOMPARE(out.opened, QStringList());
        QCOMPARE(filesIn(getLocalFileDirPath()), QStringList());
        QCOMPARE(m_server.requestLog().size(), requests);
    }

    void downloadSaveFailures_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("report folder is a file") << "folder" << "文件错误" << "不能创建报告目录！";
        QTest::newRow("report file is a folder") << "file" << "文件保存失败" << "报告保存遇到问题，请重新尝试或与我们联系！";
        QTest::newRow("disk full: old copy kept") << "disk" << "文件保存失败" << "报告保存遇到问题，请重新尝试或与我们联系！";
    }

    void downloadSaveFailures()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, title);
        QFETCH(QString, text);
        const QString path = reportPath();
        const QString dir = QFileInfo(path).absolutePath();
        QVERIFY(QDir().mkpath(blocker == "folder" ? getDataDir() : blocker == "file" ? path : dir));
        if (blocker == "folder")
            QVERIFY(writeFile(getLocalFileDirPath(), "not a folder"));
        if (blocker == "disk")
            QVERIFY(writeFile(path, "old copy"));
        Download out;
        {
            std::unique_ptr<FileSizeLimit> limit(blocker == "disk" ? new FileSizeLimit(100) : nullptr);
            out = download(path);
        }
        QCOMPARE(out.boxes.size(), 1);
        QCOMPARE(out.boxes.first().title, title);
        QCOMPARE(out.boxes.first().text, text);
        QCOMPARE(out.opened, QStringList());
        QCOMPARE(readAll(blocker == "folder" ? getLocalFileDirPath() : path),
                 QByteArray(blocker == "folder" ? "not a folder" : blocker == "disk" ? "old copy" : ""));
        if (blocker != "folder")
            QCOMPARE(filesIn(dir), blocker == "disk" ? QStringList{QFileInfo(path).fileName()} : QStringList());
    }

    void downloadClosedDuringTheTransfer()
    {
        QVERIFY(m_server.setFault("stall", true, "/oss/fil"));
        const QString path = reportPath();
        ModalWatcher boxes;
        QPointer<QDlgDownloadFile> dialog = new QDlgDownloadFile;
        QSignalSpy opened(dialog.data(), &QDlgDownloadFile::openFile);
        dialog->show();
        dialog->downloadReport(m_pdfId, path);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requestLog().size(), 2, 10000); // the file is on its way
        QVERIFY(!dialog->close());
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QString("报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)")
                                        .arg(QNetworkReply::OperationCanceledError));
        QVERIFY(!dialog->isVisible());
        QVERIFY(!QFileInfo::exists(path));
        // The dialog stays alive (the main window keeps it) and can download again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog);
        QVERIFY(m_server.resetFaults());
        dialog->downloadReport(m_pdfId, path);
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 20000);
        delete dialog;
    }

    void shareLinkAndPages_data()
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

    void shareLinkAndPages()
    {
        QFETCH(QString, publisher);
        QFETCH(QString, title);
        QFETCH(QString, code);
        QFETCH(QString, content);
        ModalWatcher boxes;
        QPointer<QDlgShare> dialog = new QDlgShare;
        share(dialog, publisher, title, code);
        QVERIFY(!button(dialog, "btnCopy")->isEnabled());
        QVERIFY(!dialog->close()); // not while the request is out
        QTRY_VERIFY(!text(dialog, "lblUrl").isEmpty());
        // The stand-in's share id of a report.
        const QString link = getShareUrl() + "?id=" + QString::number(m_pdfId.toLongLong() * 31 + 17, 36).toUpper();
        QCOMPARE(text(dialog, "lblUrl"), QString("<a href='%1'>%1</a>").arg(link));
        QCOMPARE(boxes.count(), 0);

        QTest::mouseClick(button(dialog, "btnCopy"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), link);
        QTest::mouseClick(button(dialog, "btnXueQiu"), Qt::LeftButton);
        QTest::mouseClick(button(dialog, "btnWeibo"), Qt::LeftButton);
        QCOMPARE(m_browser.urls.size(), 2);
        const QUrl xueqiu = m_browser.urls.at(0), weibo = m_browser.urls.at(1);
        QCOMPARE(xueqiu.toString(QUrl::RemoveQuery), "http://xueqiu.com/service/share");
        QCOMPARE(QUrlQuery(xueqiu).queryItems(QUrl::FullyDecoded),
                 (QList<QPair<QString, QString>>{{"title", publisher + "发布研报"}, {"content", content}, {"url", link}}));
        QCOMPARE(weibo.toString(QUrl::RemoveQuery), "http://service.weibo.com/share/share.php");
        QCOMPARE(QUrlQuery(weibo).queryItems(QUrl::FullyDecoded),
                 (QList<QPair<QString, QString>>{{"title", publisher + "发布研报:" + title}, {"url", link}}));
        delete dialog;
    }

    void shareFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("network failure") << "http_500"
            << QString("连接服务器失败，请检查网络设置或采用代理服务器！(ErrCode:%1)").arg(QNetworkReply::InternalServerError)
            << true;
        QTest::newRow("refused") << "share_refused" << "该报告暂不支持分享" << false;
    }

    void shareFailures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, text);
        QFETCH(bool, staysOpen);
        QVERIFY(m_server.setFault(fault, true, "/report/share"));
        ModalWatcher boxes;
        QPointer<QDlgShare> dialog = new QDlgShare;
        share(dialog);
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, "注意");
        QCOMPARE(boxes.last().text, text);
        QTest::qWait(50);
        QCOMPARE(bool(dialog), staysOpen);
        if (staysOpen) { // with no link to copy, and it may be closed now
            QVERIFY(button(dialog, "btnCopy")->isEnabled());
            QGuiApplication::clipboard()->setText("before");
            QTest::mouseClick(button(dialog, "btnCopy"), Qt::LeftButton);
            QCOMPARE(QGuiApplication::clipboard()->text(), QString());
            QVERIFY(dialog->close());
        }
    }

    void oddShareIdStaysOneLink()
    {
        // A service whose share id holds characters of HTML and of a query.
        FixedReplyHost service("{\"res\":1,\"msg\":\"ok\",\"data\":{\"id\":\"a'b<i>c&x=1#\"}}",
                               "[ServiceHost]\nHost0=\"{\\\"name\\\": \\\"x\\\", \\\"host\\\": \\\"http://127.0.0.1:PORT\\\"}\"\n");
        QVERIFY(getShareApiUrl().startsWith("http://127.0.0.1:") && !getShareApiUrl().contains(m_server.serviceUrl().toString()));
        QPointer<QDlgShare> dialog = new QDlgShare;
        share(dialog);
        QTRY_VERIFY(!text(dialog, "lblUrl").isEmpty());
        const QString link = getShareUrl() + "?id=a%27b%3Ci%3Ec%26x%3D1%23";
        QCOMPARE(text(dialog, "lblUrl"), QString("<a href='%1'>%1</a>").arg(link));
        QTest::mouseClick(button(dialog, "btnWeibo"), Qt::LeftButton);
        QCOMPARE(QUrlQuery(m_browser.urls.first()).queryItemValue("url", QUrl::FullyDecoded), link);
        delete dialog;
    }

    void upgradePackageFileName_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << "TamrelSetup-2017.02.exe" << "TamrelSetup-2017.02.exe";
        QTest::newRow("with blanks") << "Tamrel Setup.exe" << "Tamrel Setup.exe";
        QTest::newRow("parent folder") << "../x" << "x";
        QTest::newRow("windows parent folders") << "..\\..\\evil.exe" << "evil.exe";
        QTest::newRow("absolute") << "/etc/cron.d/job" << "job";
        QTest::newRow("nested") << "a/b\\c.exe" << "c.exe";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("folder only") << "dwn/" << "";
        QTest::newRow("dot dot") << ".." << "";
        QTest::newRow("dot") << "a/." << "";
    }

    void upgradePackageFileName()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        QCOMPARE(QDlgUpgrade::packageFileName(given), stored);
    }

    void upgradeDownloadsToTheDesktop_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("install");
        QTest::newRow("answered No") << "" << false;
        QTest::newRow("answered Yes: the installer cannot start here") << "" << true;
        QTest::newRow("a path in the name") << "../" << false;
    }

    void upgradeDownloadsToTheDesktop()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, install);
        setUpgradeFileName(prefix + m_package);
        ModalWatcher boxes(install ? QMessageBox::Yes : QMessageBox::No);
        QDlgUpgrade dialog;
        QTimer::singleShot(0, button(&dialog, "btnDownload"), &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        // The desktop folder was made; the package is there whole and nowhere else.
        const QString path = m_desktop + '/' + m_package;
        QVERIFY(!readAll(path).isEmpty());
        QCOMPARE(readAll(path), readAll(m_server.dataDir() + "/dwn/" + m_package));
        QCOMPARE(QDir::home().entryList(QDir::Files), QStringList());
        QCOMPARE(m_server.requestLog().first().value("path").toString(), "/oss/dwn/" + m_package);
        QCOMPARE(boxes.count(), install ? 2 : 1);
        QCOMPARE(boxes.boxes().first().text, "升级程序下载完毕，是否立即安装?");
        if (install) // said plainly; the package stays where it is
            QCOMPARE(boxes.last().text, QString("升级程序不能在本机直接运行，已保存在：%1\n请手动安装。").arg(path));
    }

    void upgradeFailures_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("status");
        QTest::newRow("no package name") << "name" << "没有可下载的升级程序，请到网站下载最新安装包！";
        QTest::newRow("HTTP 500") << "http_500"
            << QString("下载升级程序失败，请重新尝试或与我们联系！(ErrorCode:%1)").arg(QNetworkReply::InternalServerError);
        QTest::newRow("desktop is a file") << "desktop" << "升级程序保存失败，您缺少管理员权限，请重新尝试或与我们联系！";
        QTest::newRow("empty package") << "empty" << "下载的升级程序为空，请重新尝试或与我们联系！";
    }

    void upgradeFailures()
    {
        QFETCH(QString, cause);
        QFETCH(QString, status);
        if (cause == "name")
            setUpgradeFileName(QString());
        if (cause == "http_500")
            QVERIFY(m_server.setFault(cause, true, "/oss/dwn"));
        if (cause == "desktop")
            QVERIFY(writeFile(m_desktop, ""));
        std::unique_ptr<FixedReplyHost> empty(cause == "empty" ? new FixedReplyHost("", "[ObjectHost]\nHost=http://127.0.0.1:PORT/oss\n") : nullptr);
        ModalWatcher boxes(QMessageBox::No);
        QDlgUpgrade dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        dialog.show();
        QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_VERIFY(button(&dialog, "btnClose")->isEnabled());
        QCOMPARE(text(&dialog, "lblStatus"), status);
        QVERIFY(button(&dialog, "btnDownload")->isEnabled());
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!QFileInfo::exists(m_desktop + '/' + m_package));
        QCOMPARE(m_server.requestLog().size(), cause == "http_500" || cause == "desktop" ? 1 : 0);
        // Once the cause is gone, the same dialog downloads.
        empty.reset();
        QVERIFY(m_server.resetFaults());
        QFile::remove(m_desktop);
        setUpgradeFileName(m_package);
        QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_COMPARE(accepted.count(), 1);
        QVERIFY(QFileInfo(m_desktop + '/' + m_package).size() > 0);
    }

    void upgradeCannotBeClosedWhileDownloading()
    {
        QVERIFY(m_server.setFault("stall", true, "/oss/dwn"));
        QDlgUpgrade dialog;
        dialog.show();
        QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_COMPARE(m_server.requestLog().size(), 1);
        QVERIFY(!dialog.close());
        QVERIFY(!button(&dialog, "btnClose")->isEnabled());
        dialog.findChild<QHttpClient *>()->abort(); // what the idle watchdog does after 15 s
        QCOMPARE(text(&dialog, "lblStatus"), QString("下载升级程序失败，请重新尝试或与我们联系！(ErrorCode:%1)")
                                                 .arg(QNetworkReply::OperationCanceledError));
        QVERIFY(dialog.close());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void networkTest_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("internet"); // empty: either answer
        QTest::addColumn<QString>("service");
        const QString reached = "√ 能连通互联网";
        QTest::newRow("service reached") << "" << reached << "√ 能连接认证服务";
        QTest::newRow("service error") << "http_500" << reached
            << "X 不能连接认证服务，请<a style='color:red;' href='openProxyWebsite'>更换DNS</a>或"
               "<a style='color:red;' href='showProxyDialog'>设置代理</a>";
        QTest::newRow("proxy not there") << "proxy" << reached
            << "X 不能连接认证服务(已使用代理)，请<a style='color:red;' href='showProxyDialog'>设置代理</a>";
        QTest::newRow("name not found") << "no-such-host.invalid" << "X 不能连通互联网，请检查网络或防火墙设置" << "";
        QTest::newRow("the public name: ends either way") << "public" << "" << "?";
    }

    void networkTest()
    {
        QFETCH(QString, cause);
        QFETCH(QString, internet);
        QFETCH(QString, service);
        if (cause == "http_500")
            QVERIFY(m_server.setFault(cause, true, "/user/verify"));
        if (cause.contains('.'))
            qputenv("TAMREL_LOOKUP_HOST", cause.toLatin1());
        if (cause == "public")
            qunsetenv("TAMREL_LOOKUP_HOST");
        QTcpServer closed; // a port that nobody listens on once this is gone
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        if (cause == "proxy")
            setProxy("127.0.0.1", closed.serverPort(), QString(), QString());
        closed.close();
        QDlgNetwork dialog;
        dialog.show();
        QTest::mouseClick(button(&dialog, "btnTest"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(button(&dialog, "btnTest")->isEnabled(), (QDlgNetwork::kLookupTimeoutSeconds + 20) * 1000);
        disableProxy();
        if (text(&dialog, "lblInterfaceStatus") != "√ 有网络连接")
            QSKIP("no network interface besides loopback: the test stops at its first line");
        if (internet.isEmpty())
            return;
        QCOMPARE(text(&dialog, "lblInternetStatus"), internet);
        QCOMPARE(text(&dialog, "lblAuthServiceStatus"), service);
        QVERIFY(button(&dialog, "btnClose")->isEnabled());
        // Only the signed time goes out: no account, password, machine or session.
        const QList<QJsonObject> log = m_server.requestLog();
        QCOMPARE(log.size(), cause.isEmpty() || cause == "http_500" ? 1 : 0);
        if (!log.isEmpty())
            QCOMPARE(QUrlQuery(log.first().value("query").toString()).queryItems().size(), 2);
    }

    void networkCannotBeClosedWhileTesting()
    {
        QVERIFY(m_server.setFault("stall", true, "/user/verify"));
        QPointer<QDlgNetwork> dialog = new QDlgNetwork;
        dialog->show();
        QTest::mouseClick(button(dialog, "btnTest"), Qt::LeftButton);
        if (text(dialog, "lblInterfaceStatus") != "√ 有网络连接")
            QSKIP("no network interface besides loopback");
        QTRY_COMPARE(text(dialog, "lblAuthServiceStatus"), "能否连接到认证服务...");
        QVERIFY(!button(dialog, "btnClose")->isEnabled());
        QVERIFY(!dialog->close());
        dialog->findChild<QHttpClient *>()->abort(); // what the idle watchdog does after 15 s
        QVERIFY(text(dialog, "lblAuthServiceStatus").startsWith("X 不能连接认证服务"));
        QVERIFY(dialog->close());
        QTRY_VERIFY(!dialog);
    }

    void networkLinks()
    {
        QDlgNetwork dialog;
        dialog.show();
        QWidget *label = dialog.findChild<QLabel *>("lblAuthServiceStatus");
        for (const char *link : {"openProxyWebsite", "somethingElse", "showProxyDialog"})
            QVERIFY(QMetaObject::invokeMethod(label, "linkActivated", Q_ARG(QString, link)));
        QCOMPARE(m_browser.urls.size(), 1);
        QCOMPARE(m_browser.urls.first().scheme(), "http");
        QCOMPARE(dialog.findChildren<QDlgProxy *>().size(), 1);
        QVERIFY(dialog.findChild<QDlgProxy *>()->isModal());
    }

    void pictures()
    {
        // The download while the file is held back, the share with its link, the network test
        // as this machine answers the public lookup and with a name found here.
        QVERIFY(m_server.setFault("stall", true, "/oss/fil"));
        auto *download = new QDlgDownloadFile;
        download->show();
        download->downloadReport(m_pdfId, getLocalFilePath("shot.pdf"));
        auto *share = new QDlgShare;
        const SampleReport report = sampleReport(m_server.dataDir(), m_pdfId);
        this->share(share, report.institution, report.title);
        auto *bulletin = new QDlgBulletin;
        bulletin->setContent("<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告：数据均为样本数据。</p>");
        setProxy("127.0.0.1", 8888, "alice", "s3cret");
        QList<QDialog *> shown{download, share, new QDlgUpgrade, bulletin, new QDlgProxy};
        disableProxy();
        for (const char *name : {"", "localhost"}) {
            qputenv("TAMREL_LOOKUP_HOST", name);
            shown << new QDlgNetwork;
            shown.last()->show();
            QTest::mouseClick(button(shown.last(), "btnTest"), Qt::LeftButton);
        }
        QTRY_VERIFY_WITH_TIMEOUT(button(shown.at(5), "btnTest")->isEnabled() && button(shown.at(6), "btnTest")->isEnabled()
                                     && m_server.requestLog().size() >= 3 && !text(share, "lblUrl").isEmpty(),
                                 (QDlgNetwork::kLookupTimeoutSeconds + 20) * 1000);
        const QStringList names = {"download", "share", "upgrade", "bulletin", "proxy", "network", "network-localhost"};
        const QString dir = qEnvironmentVariable("TAMREL_SHOTS_DIR");
        for (int i = 0; i < shown.size(); ++i) {
            shown.at(i)->show();
            const QImage image = shown.at(i)->grab().toImage();
            QCOMPARE(image.size(), shown.at(i)->size() * shown.at(i)->devicePixelRatioF());
            QVERIFY(dir.isEmpty() || image.save(dir + "/session-" + names.at(i) + ".png"));
        }
        qDeleteAll(shown);
    }
};

QTEST_MAIN(TestSessionDialogs)
#include "tst_sessiondialogs.moc"
