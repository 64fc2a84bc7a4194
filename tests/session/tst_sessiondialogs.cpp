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

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString text(QWidget *dialog, const char *label) { return dialog->findChild<QLabel *>(label)->text(); }
QPushButton *button(QWidget *dialog, const char *name) { return dialog->findChild<QPushButton *>(name); }

struct Download
{
    QList<ModalWatcher::Box> boxes;
    QStringList opened; // "id|path" of each openFile
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

    DevServer m_server;
    UrlCatcher m_browser;
    QString m_pdfId, m_package;
    const QString m_desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);

    // The name the main window gives the sample PDF report.
    QString reportPath() const
    {
        const SampleReport r = sampleReport(m_server.dataDir(), m_pdfId);
        const QString date = QDate::fromString(r.publishDate, Qt::ISODate).toString("yyyyMMdd");
        return getLocalFilePath(makeReportFileName(r.institution, r.title, date, "pdf"));
    }

    // Downloads the sample PDF report to path; closes the dialog once the file is on its way when asked.
    Download download(const QString &path, bool closeWhenSent = false)
    {
        Download out;
        ModalWatcher boxes;
        QDlgDownloadFile dialog;
        qint64 sizeWhenOpened = -1; // the main window opens the file at once: it must be whole by then
        connect(&dialog, &QDlgDownloadFile::openFile, this, [&](const QString &id, const QString &p) {
            out.opened << id + '|' + p;
            sizeWhenOpened = QFileInfo(p).size();
        });
        dialog.show();
        dialog.downloadReport(m_pdfId, path);
        if (closeWhenSent) {
            (void)QTest::qWaitFor([&] { return m_server.requestLog().size() == 2; }, 10000);
            if (dialog.close()) // it only stops and hides
                out.opened << "closed while busy";
        }
        (void)QTest::qWaitFor([&] { return boxes.count() > 0 || !out.opened.isEmpty(); }, 40000);
        QTest::qWait(100);
        out.boxes = boxes.boxes();
        if (dialog.isVisible() || (!out.opened.isEmpty() && sizeWhenOpened != QFileInfo(path).size()))
            out.opened << "still shown, or opened before the file was whole";
        return out;
    }

    QDlgShare *share(const QString &publisher = "高盛", const QString &title = "标题", const QString &code = "")
    {
        auto *dialog = new QDlgShare;
        dialog->show();
        dialog->requestShareLink(m_pdfId, publisher, title, code);
        return dialog;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        loadOptionConfig();
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
        for (const QString &path : {getLocalFileDirPath(), m_desktop}) {
            QDir(path).removeRecursively();
            QFile::remove(path);
        }
        setUpgradeFileName(m_package);
        m_browser.urls.clear();
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
    }

    void downloadStoresTheReport()
    {
        const QString path = reportPath();
        for (int run = 0; run < 2; ++run) { // into a folder chain not yet there, then over an older copy
            const Download out = download(path);
            QCOMPARE(out.opened, QStringList{m_pdfId + '|' + path});
            QCOMPARE(out.boxes.size(), 0);
            QVERIFY(readAll(path).startsWith("%PDF-"));
            QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
            QVERIFY(writeFile(path, "old copy"));
        }
        // The address from the service (which checks the signed query) is fetched as given.
        QVERIFY(m_server.requestLog().at(1).value("path").toString().startsWith("/oss/fil/" + m_pdfId + '.'));
    }

    void downloadFailures_data()
    {
        QTest::addColumn<QString>("fault"); // a fault of the stand-in (name@path), or local:
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        const QString failed = "下载失败", saveFailed = "报告保存遇到问题，请重新尝试或与我们联系！";
        const QString urlError = "获取报告地址失败，请重新尝试或与我们联系！(ErrorCode:%1)";
        const QString fileError = "报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)";
        QTest::newRow("service refuses") << "file_refused" << failed << "该报告暂不提供下载" << 1;
        QTest::newRow("address: HTTP 500") << "http_500@/report/file" << failed << urlError.arg(QNetworkReply::InternalServerError) << 1;
        QTest::newRow("file: HTTP 500") << "http_500@/oss/fil" << failed << fileError.arg(QNetworkReply::InternalServerError) << 2;
        QTest::newRow("file: stalls") << "stall@/oss/fil" << failed << fileError.arg(QNetworkReply::OperationCanceledError) << 2;
        QTest::newRow("file: closed while on its way")
            << "stall@/oss/fil:close" << failed << fileError.arg(QNetworkReply::OperationCanceledError) << 2;
        QTest::newRow("file: cut short") << "truncate@/oss/fil" << failed << fileError.arg(QNetworkReply::RemoteHostClosedError) << 2;
        QTest::newRow("file: empty") << "file_empty" << failed << "报告文件为空，请重新尝试或与我们联系！" << 2;
        QTest::newRow("address is file:") << "file_obj_file" << failed << "报告地址无效，请重新尝试或与我们联系！" << 1;
        QTest::newRow("address is qrc:") << "file_obj_qrc" << failed << "报告地址无效，请重新尝试或与我们联系！" << 1;
        QTest::newRow("report folder is a file") << "local:folder" << "文件错误" << "不能创建报告目录！" << 2;
        QTest::newRow("report file is a folder") << "local:file" << "文件保存失败" << saveFailed << 2;
        QTest::newRow("disk full: the older copy stays") << "local:disk" << "文件保存失败" << saveFailed << 2;
    }

    void downloadFailures()
    {
        QFETCH(QString, fault);
        const QString path = reportPath(), dir = QFileInfo(path).path();
        if (fault.startsWith("local:"))
            QVERIFY(QDir().mkpath(fault == "local:folder" ? getDataDir() : fault == "local:file" ? path : dir));
        else
            QVERIFY(m_server.setFault(fault.section('@', 0, 0), true, fault.section('@', 1).section(':', 0, 0)));
        QVERIFY(fault != "local:folder" || writeFile(dir, "not a folder"));
        QVERIFY(fault != "local:disk" || writeFile(path, "old copy"));
        // As on a full disk: writes past 100 bytes fail in this process until the limit goes.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{fault == "local:disk" ? 100 : old.rlim_cur, old.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const Download out = download(path, fault.endsWith(":close"));
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(out.boxes.size(), 1);
        QCOMPARE(out.boxes.first().icon, QMessageBox::Critical);
        QTEST(out.boxes.first().title, "title");
        QTEST(out.boxes.first().text, "text");
        QCOMPARE(out.opened, QStringList());
        // No partial file, and what was there before stays.
        QCOMPARE(readAll(fault == "local:folder" ? dir : path),
                 QByteArray(fault == "local:folder" ? "not a folder" : fault == "local:disk" ? "old copy" : "<none>"));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden),
                 fault == "local:disk" ? QStringList{QFileInfo(path).fileName()} : QStringList());
        QTEST(m_server.requestLog().size(), "requests");
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
        QPointer<QDlgShare> dialog = share(publisher, title, code);
        QVERIFY(!button(dialog, "btnCopy")->isEnabled() && !dialog->close()); // not while the request is out
        QTRY_VERIFY(!text(dialog, "lblUrl").isEmpty());
        // The stand-in's share id of a report.
        const QString link = getShareUrl() + "?id=" + QString::number(m_pdfId.toLongLong() * 31 + 17, 36).toUpper();
        QCOMPARE(text(dialog, "lblUrl"), QString("<a href='%1'>%1</a>").arg(link));
        QCOMPARE(boxes.count(), 0);
        for (const char *name : {"btnCopy", "btnXueQiu", "btnWeibo"})
            QTest::mouseClick(button(dialog, name), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), link);
        QCOMPARE(m_browser.urls.size(), 2);
        using Query = QList<QPair<QString, QString>>;
        QCOMPARE(m_browser.urls.at(0).toString(QUrl::RemoveQuery), "http://xueqiu.com/service/share");
        QCOMPARE(QUrlQuery(m_browser.urls.at(0)).queryItems(QUrl::FullyDecoded),
                 (Query{{"title", publisher + "发布研报"}, {"content", content}, {"url", link}}));
        QCOMPARE(m_browser.urls.at(1).toString(QUrl::RemoveQuery), "http://service.weibo.com/share/share.php");
        QCOMPARE(QUrlQuery(m_browser.urls.at(1)).queryItems(QUrl::FullyDecoded),
                 (Query{{"title", publisher + "发布研报:" + title}, {"url", link}}));
        delete dialog;
    }

    void shareFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("network failure: stays open")
            << "http_500" << QString("连接服务器失败，请检查网络设置或采用代理服务器！(ErrCode:%1)").arg(QNetworkReply::InternalServerError);
        QTest::newRow("refused: ends") << "share_refused" << "该报告暂不支持分享";
    }

    void shareFailures()
    {
        QFETCH(QString, fault);
        QVERIFY(m_server.setFault(fault, true, "/report/share"));
        ModalWatcher boxes;
        QPointer<QDlgShare> dialog = share();
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, "注意");
        QTEST(boxes.last().text, "text");
        QTest::qWait(50);
        QCOMPARE(bool(dialog), fault == "http_500");
        if (dialog) { // with no link to copy; it may be closed now
            QGuiApplication::clipboard()->setText("before");
            QTest::mouseClick(button(dialog, "btnCopy"), Qt::LeftButton);
            QCOMPARE(QGuiApplication::clipboard()->text(), QString());
            QVERIFY(dialog->close());
        }
    }

    void oddShareIdStaysOneLink()
    {
        // A reply whose share id holds characters of HTML and of a query.
        QDlgShare dialog;
        QVERIFY(QMetaObject::invokeMethod(&dialog, "downloadFinished", Q_ARG(int, 0),
                                          Q_ARG(QByteArray, "{\"res\":1,\"msg\":\"ok\",\"data\":{\"id\":\"a'b<i>c&x=1#\"}}")));
        const QString link = getShareUrl() + "?id=a%27b%3Ci%3Ec%26x%3D1%23";
        QCOMPARE(text(&dialog, "lblUrl"), QString("<a href='%1'>%1</a>").arg(link));
        QTest::mouseClick(button(&dialog, "btnWeibo"), Qt::LeftButton);
        QCOMPARE(QUrlQuery(m_browser.urls.first()).queryItemValue("url", QUrl::FullyDecoded), link);
    }

    void upgradePackageFileName_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << "TamrelSetup-2017.02.exe" << "TamrelSetup-2017.02.exe";
        QTest::newRow("parent folder") << "../x" << "x";
        QTest::newRow("windows parent folders") << "..\\..\\evil.exe" << "evil.exe";
        QTest::newRow("absolute") << "/etc/cron.d/job" << "job";
        QTest::newRow("folder only") << "dwn/" << "";
        QTest::newRow("dot dot") << ".." << "";
        QTest::newRow("dot") << "a/." << "";
    }

    void upgradePackageFileName()
    {
        QFETCH(QString, given);
        QTEST(QDlgUpgrade::packageFileName(given), "stored");
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
        setUpgradeFileName(cause == "name" ? QString() : m_package);
        QVERIFY(cause != "http_500" || m_server.setFault(cause, true, "/oss/dwn"));
        QVERIFY(cause != "desktop" || writeFile(m_desktop, ""));
        ModalWatcher boxes(QMessageBox::No);
        QDlgUpgrade dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        dialog.show();
        if (cause == "empty") // as an object host would answer
            QVERIFY(QMetaObject::invokeMethod(&dialog, "downloadFinished", Q_ARG(int, 0), Q_ARG(QByteArray, QByteArray())));
        else
            QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_VERIFY(button(&dialog, "btnClose")->isEnabled() && button(&dialog, "btnDownload")->isEnabled());
        QTEST(text(&dialog, "lblStatus"), "status");
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!QFileInfo::exists(m_desktop + '/' + m_package));
        // Once the cause is gone, the same dialog downloads.
        init();
        QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
        QTRY_COMPARE(accepted.count(), 1);
        QVERIFY(QFileInfo(m_desktop + '/' + m_package).size() > 0);
    }

    void networkTest_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("internet"); // empty: either answer
        QTest::addColumn<QString>("service");
        QTest::addColumn<int>("requests");
        const QString reached = "√ 能连通互联网";
        QTest::newRow("service reached") << "" << reached << "√ 能连接认证服务" << 1;
        QTest::newRow("service error") << "http_500" << reached
            << "X 不能连接认证服务，请<a style='color:red;' href='openProxyWebsite'>更换DNS</a>或"
               "<a style='color:red;' href='showProxyDialog'>设置代理</a>" << 1;
        QTest::newRow("proxy not there") << "proxy" << reached
            << "X 不能连接认证服务(已使用代理)，请<a style='color:red;' href='showProxyDialog'>设置代理</a>" << 0;
        QTest::newRow("name not found") << "no-such-host.invalid" << "X 不能连通互联网，请检查网络或防火墙设置" << "" << 0;
        QTest::newRow("the public name: ends either way") << "public" << "" << "" << 0;
    }

    void networkTest()
    {
        QFETCH(QString, cause);
        QFETCH(QString, internet);
        QVERIFY(cause != "http_500" || m_server.setFault(cause, true, "/user/verify"));
        if (cause.contains('.') || cause == "public")
            qputenv("TAMREL_LOOKUP_HOST", cause == "public" ? "" : cause.toLatin1());
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
        QVERIFY(button(&dialog, "btnClose")->isEnabled());
        if (text(&dialog, "lblInterfaceStatus") != "√ 有网络连接")
            QSKIP("no network interface besides loopback: the test stops at its first line");
        if (internet.isEmpty())
            return;
        QCOMPARE(text(&dialog, "lblInternetStatus"), internet);
        QTEST(text(&dialog, "lblAuthServiceStatus"), "service");
        // Only the signed time goes out: no account, password, machine or session.
        QTEST(m_server.requestLog().size(), "requests");
        for (const QJsonObject &request : m_server.requestLog())
            QCOMPARE(QUrlQuery(request.value("query").toString()).queryItems().size(), 2);
        // The links: a page on DNS in the browser, the proxy settings over the dialog.
        for (const char *link : {"openProxyWebsite", "showProxyDialog"})
            QVERIFY(QMetaObject::invokeMethod(dialog.findChild<QLabel *>("lblAuthServiceStatus"), "linkActivated", Q_ARG(QString, link)));
        QCOMPARE(m_browser.urls.size(), 1);
        QVERIFY(dialog.findChild<QDlgProxy *>() && dialog.findChild<QDlgProxy *>()->isModal());
    }

    // The upgrade and the network test cannot be closed while their request runs; once it ends
    // (here cut as the idle watchdog cuts it) they can.
    void busyDialogsStayOpen_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("button");
        QTest::newRow("upgrade") << "/oss/dwn" << "btnDownload";
        QTest::newRow("network test") << "/user/verify" << "btnTest";
    }

    void busyDialogsStayOpen()
    {
        QFETCH(QString, path);
        QFETCH(QString, button);
        QVERIFY(m_server.setFault("stall", true, path));
        QPointer<QDialog> dialog = path == "/oss/dwn" ? static_cast<QDialog *>(new QDlgUpgrade) : new QDlgNetwork;
        dialog->show();
        QTest::mouseClick(::button(dialog, qPrintable(button)), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return m_server.requestLog().size() == 1; }, 5000))
            QSKIP("no request went out (no network interface besides loopback)");
        QVERIFY(!::button(dialog, "btnClose")->isEnabled() && !dialog->close() && dialog->isVisible());
        dialog->findChild<QHttpClient *>()->abort();
        QVERIFY(::button(dialog, "btnClose")->isEnabled() && dialog->close());
        delete dialog;
    }

    void pictures()
    {
        // The download while the file is held back, the share with its link, the network test
        // with a name found here.
        QVERIFY(m_server.setFault("stall", true, "/oss/fil"));
        auto *download = new QDlgDownloadFile;
        download->show();
        download->downloadReport(m_pdfId, getLocalFilePath("shot.pdf"));
        const SampleReport report = sampleReport(m_server.dataDir(), m_pdfId);
        auto *bulletin = new QDlgBulletin;
        bulletin->setContent("<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告：数据均为样本数据。</p>");
        auto *network = new QDlgNetwork;
        const QList<QDialog *> shown{download, share(report.institution, report.title), new QDlgUpgrade, bulletin, new QDlgProxy, network};
        network->show();
        QTest::mouseClick(button(network, "btnTest"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(button(network, "btnTest")->isEnabled() && !text(shown.at(1), "lblUrl").isEmpty(), 30000);
        const QStringList names = {"download", "share", "upgrade", "bulletin", "proxy", "network"};
        for (int i = 0; i < shown.size(); ++i) {
            shown.at(i)->show();
            const QImage image = shown.at(i)->grab().toImage();
            QCOMPARE(image.size(), shown.at(i)->size() * shown.at(i)->devicePixelRatioF());
            QVERIFY(qEnvironmentVariableIsEmpty("TAMREL_SHOTS_DIR")
                    || image.save(qEnvironmentVariable("TAMREL_SHOTS_DIR") + "/session-" + names.at(i) + ".png"));
        }
        qDeleteAll(shown);
    }
};

QTEST_MAIN(TestSessionDialogs)
#include "tst_sessiondialogs.moc"
