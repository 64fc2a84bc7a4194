#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgupgrade.h"
#include "qhttpclient.h"
#include "usersettings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QNetworkReply>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void form();
    void packageFileName_data();
    void packageFileName();
    void downloadsIntoANewDesktopFolder_data();
    void downloadsIntoANewDesktopFolder();
    void pathInTheNameStaysOnTheDesktop();
    void emptyNameIsRefused();
    void networkFailureCanBeRetried();
    void saveFailure();
    void emptyPackageIsNotStored();
    void cannotBeClosedWhileDownloading();

private:
    QString packageName() const;
    QString desktop() const { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }
    static QPushButton *button(QDialog *d, const char *name) { return d->findChild<QPushButton *>(QLatin1String(name)); }
    static QString status(QDialog *d) { return d->findChild<QLabel *>(QStringLiteral("lblStatus"))->text(); }

    DevServer m_server;
};

void TestUpgrade::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
    loadProxyConfig();
    // The desktop folder lies in this test's own HOME.
    QVERIFY(desktop().startsWith(QDir::homePath() + '/'));
    QVERIFY(QDir::homePath().startsWith(QDir::tempPath()));
}

void TestUpgrade::init()
{
    QVERIFY(m_server.resetFaults());
    m_server.clearRequestLog();
    QDir(desktop()).removeRecursively();
    QFile::remove(desktop());
    setUpgradeFileName(packageName());
}

QString TestUpgrade::packageName() const
{
    return m_server.manifest().value("facts").toObject().value("upgradeFile").toString();
}

void TestUpgrade::form()
{
    QDlgUpgrade dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("程序升级"));
    QCOMPARE(dialog.size(), QSize(412, 120));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(status(&dialog), QStringLiteral("有新版程序，请下载！(如下载失败，请到网站下载最新安装包)"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblAppSaveDirName"))->text(), QStringLiteral("保存目录："));
    auto *dir = dialog.findChild<QLabel *>(QStringLiteral("lblAppSaveDir"));
    QCOMPARE(dir->text(), QStringLiteral("<a href='%1'>%2</a>").arg(QUrl::fromLocalFile(desktop()).toString(), desktop()));
    QVERIFY(dir->openExternalLinks());
    QCOMPARE(dir->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(button(&dialog, "btnDownload")->text(), QStringLiteral("立即下载"));
    QCOMPARE(button(&dialog, "btnClose")->text(), QStringLiteral("关闭程序"));
    QCOMPARE(dialog.findChild<QProgressBar *>(QStringLiteral("prgDownload"))->value(), 0);
}

void TestUpgrade::packageFileName_data()
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

void TestUpgrade::packageFileName()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    QCOMPARE(QDlgUpgrade::packageFileName(given), stored);
}

void TestUpgrade::downloadsIntoANewDesktopFolder_data()
{
    QTest::addColumn<bool>("install");
    QTest::newRow("answered No") << false;
    QTest::newRow("answered Yes, installer cannot start here") << true;
}

void TestUpgrade::downloadsIntoANewDesktopFolder()
{
    QFETCH(bool, install);
    QVERIFY(!QFileInfo::exists(desktop()));
    ModalWatcher boxes(install ? QMessageBox::Yes : QMessageBox::No);
    QDlgUpgrade dialog;
    QTimer::singleShot(0, button(&dialog, "btnDownload"), &QPushButton::click);
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));

    const QString path = desktop() + '/' + packageName();
    QCOMPARE(readAll(path), readAll(m_server.dataDir() + "/dwn/" + packageName()));
    QVERIFY(!readAll(path).isEmpty());
    QCOMPARE(boxes.count(), install ? 2 : 1);
    QCOMPARE(boxes.boxes().first().title, QStringLiteral("确认"));
    QCOMPARE(boxes.boxes().first().text, QStringLiteral("升级程序下载完毕，是否立即安装?"));
    if (install) {
        // Said plainly, and the package stays where it is.
        QCOMPARE(boxes.last().title, QStringLiteral("注意"));
        QCOMPARE(boxes.last().text, QStringLiteral("升级程序不能在本机直接运行，已保存在：%1\n请手动安装。").arg(path));
    }
    QCOMPARE(dialog.findChild<QProgressBar *>(QStringLiteral("prgDownload"))->value(), 100);
    const QList<QJsonObject> log = m_server.requestLog();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().value("path").toString(), QStringLiteral("/oss/dwn/") + packageName());
}

void TestUpgrade::pathInTheNameStaysOnTheDesktop()
{
    setUpgradeFileName("../" + packageName());
    ModalWatcher boxes(QMessageBox::No);
    QDlgUpgrade dialog;
    QTimer::singleShot(0, button(&dialog, "btnDownload"), &QPushButton::click);
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(QFileInfo(desktop() + '/' + packageName()).size() > 0);
    QVERIFY(!QFileInfo::exists(QDir::homePath() + '/' + packageName()));
    QCOMPARE(m_server.requestLog().first().value("path").toString(), QStringLiteral("/oss/dwn/") + packageName());
}

void TestUpgrade::emptyNameIsRefused()
{
    setUpgradeFileName(QString());
    QDlgUpgrade dialog;
    dialog.show();
    QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
    QCOMPARE(status(&dialog), QStringLiteral("没有可下载的升级程序，请到网站下载最新安装包！"));
    QVERIFY(button(&dialog, "btnDownload")->isEnabled());
    QVERIFY(button(&dialog, "btnClose")->isEnabled());
    QTest::qWait(200);
    QCOMPARE(m_server.requestLog().size(), 0);
    QVERIFY(!QFileInfo::exists(desktop()));
}

void TestUpgrade::networkFailureCanBeRetried()
{
    QVERIFY(m_server.setFault(QStringLiteral("http_500"), true, QStringLiteral("/oss/dwn")));
    ModalWatcher boxes(QMessageBox::No);
    QDlgUpgrade dialog;
    dialog.show();
    QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
    QCOMPARE(status(&dialog), QStringLiteral("下载升级程序..."));
    QVERIFY(!button(&dialog, "btnDownload")->isEnabled());
    QVERIFY(!button(&dialog, "btnClose")->isEnabled());
    QTRY_VERIFY(button(&dialog, "btnClose")->isEnabled());
    QCOMPARE(status(&dialog), QStringLiteral("下载升级程序失败，请重新尝试或与我们联系！(ErrorCode:%1)")
                                  .arg(QNetworkReply::InternalServerError));
    QVERIFY(button(&dialog, "btnDownload")->isEnabled());
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!QFileInfo::exists(desktop() + '/' + packageName()));

    QVERIFY(m_server.resetFaults());
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
    QTRY_COMPARE(accepted.count(), 1);
    QVERIFY(QFileInfo(desktop() + '/' + packageName()).size() > 0);
}

void TestUpgrade::saveFailure()
{
    // The desktop folder's place is taken by a file.
    QFile blocker(desktop());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ModalWatcher boxes(QMessageBox::No);
    QDlgUpgrade dialog;
    dialog.show();
    QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
    QTRY_VERIFY(button(&dialog, "btnClose")->isEnabled());
    QCOMPARE(status(&dialog), QStringLiteral("升级程序保存失败，您缺少管理员权限，请重新尝试或与我们联系！"));
    QVERIFY(button(&dialog, "btnDownload")->isEnabled());
    QCOMPARE(boxes.count(), 0);
    QVERIFY(QFileInfo(desktop()).isFile());
    QCOMPARE(QDir::home().entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{QFileInfo(desktop()).fileName()});
}

void TestUpgrade::emptyPackageIsNotStored()
{
    // An object host that answers every request with an empty body.
    QTcpServer empty;
    QVERIFY(empty.listen(QHostAddress::LocalHost));
    connect(&empty, &QTcpServer::newConnection, &empty, [&empty] {
        QTcpSocket *socket = empty.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (socket->readAll().contains("\r\n\r\n"))
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
    });
    QTemporaryDir dir;
    QFile ini(dir.filePath("hosts.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ObjectHost]\nHost=http://127.0.0.1:" + QByteArray::number(empty.serverPort()) + "/oss\n");
    ini.close();
    const QByteArray hosts = qgetenv("TAMREL_HOSTS");
    qputenv("TAMREL_HOSTS", QFile::encodeName(ini.fileName()));
    loadDefaultConfig();

    ModalWatcher boxes(QMessageBox::No);
    QDlgUpgrade dialog;
    dialog.show();
    QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
    QTRY_VERIFY(button(&dialog, "btnClose")->isEnabled());
    const QString shown = status(&dialog);
    qputenv("TAMREL_HOSTS", hosts);
    loadDefaultConfig();
    QCOMPARE(shown, QStringLiteral("下载的升级程序为空，请重新尝试或与我们联系！"));
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!QFileInfo::exists(desktop() + '/' + packageName()));
}

void TestUpgrade::cannotBeClosedWhileDownloading()
{
    QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dwn")));
    QDlgUpgrade dialog;
    dialog.show();
    QTest::mouseClick(button(&dialog, "btnDownload"), Qt::LeftButton);
    QTRY_COMPARE(m_server.requestLog().size(), 1);
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());
    // What the idle watchdog does after 15 s.
    dialog.findChild<QHttpClient *>()->abort();
    QCOMPARE(status(&dialog), QStringLiteral("下载升级程序失败，请重新尝试或与我们联系！(ErrorCode:%1)")
                                  .arg(QNetworkReply::OperationCanceledError));
    QVERIFY(dialog.close());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestUpgrade)
#include "tst_qdlgupgrade.moc"
