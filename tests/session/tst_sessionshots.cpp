// Pictures of the session dialogs in typical states. Under ctest it only checks that each
// dialog draws at its fixed size; with TAMREL_SHOTS_DIR set it saves one PNG per dialog
// there, and with TAMREL_SHOTS_HOLD=<ms> it also leaves them all on screen, side by side,
// for that long (for a picture of the whole screen under Xvfb):
//
//   cd build; export TAMREL_BINARY_DIR=$PWD TAMREL_DEVSERVER=$PWD/devserver/tamrel-devserver
//   xvfb-run -a -s "-screen 0 1280x800x24" sh -c 'QT_QPA_PLATFORM=xcb TAMREL_SHOTS_DIR=/tmp/shots
//       TAMREL_SHOTS_HOLD=6000 ../tests/run-isolated.sh tests/session/session_tst_sessionshots &
//       sleep 5; import -window root /tmp/shots/session-all.png; wait'
//
// (the sh -c text on one line).

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
#include "serviceapi.h"
#include "standinsession.h"
#include "startup.h"
#include "usersettings.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

class TestSessionShots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dialogs();

private:
    void keep(QDialog *dialog, const QString &name);

    DevServer m_server;
    QList<QPointer<QDialog>> m_shown;
    QPoint m_next{10, 10};
    int m_rowHeight = 0;
};

void TestSessionShots::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
    loadProxyConfig();
    installAppFont(getAppDir());
    QVERIFY(openStandInSession());
    setUpgradeFileName(m_server.manifest().value("facts").toObject().value("upgradeFile").toString());
}

// Checks the picture, saves it when asked and leaves the dialog on screen.
void TestSessionShots::keep(QDialog *dialog, const QString &name)
{
    const QImage image = dialog->grab().toImage();
    QCOMPARE(image.size(), dialog->size() * dialog->devicePixelRatioF());
    QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2).isValid());
    const QString dir = qEnvironmentVariable("TAMREL_SHOTS_DIR");
    if (!dir.isEmpty()) {
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(image.save(dir + QStringLiteral("/session-") + name + QStringLiteral(".png")));
    }
    const QRect frame = dialog->frameGeometry();
    if (m_next.x() + frame.width() > 1270) {
        m_next = QPoint(10, m_next.y() + m_rowHeight + 10);
        m_rowHeight = 0;
    }
    dialog->move(m_next);
    m_next.rx() += frame.width() + 10;
    m_rowHeight = qMax(m_rowHeight, frame.height());
    m_shown.append(dialog);
}

void TestSessionShots::dialogs()
{
    const QString reportId =
        m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
    const SampleReport report = sampleReport(m_server.dataDir(), reportId);

    // The download dialog while the file is on its way (the stand-in holds it back).
    QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
    m_server.clearRequestLog();
    auto *download = new QDlgDownloadFile;
    download->show();
    download->downloadReport(reportId, getLocalFilePath(QStringLiteral("shot.pdf")));
    QTRY_COMPARE(m_server.requestLog().size(), 2);
    keep(download, QStringLiteral("download"));

    auto *share = new QDlgShare;
    share->show();
    share->requestShareLink(reportId, report.institution, report.title, QString());
    QTRY_VERIFY(!share->findChild<QLabel *>(QStringLiteral("lblUrl"))->text().isEmpty());
    keep(share, QStringLiteral("share"));

    auto *upgrade = new QDlgUpgrade;
    upgrade->show();
    keep(upgrade, QStringLiteral("upgrade"));

    auto *bulletin = new QDlgBulletin;
    bulletin->setContent(QStringLiteral("<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告：数据均为样本数据。</p>"));
    bulletin->show();
    keep(bulletin, QStringLiteral("bulletin"));

    setProxy(QStringLiteral("127.0.0.1"), 8888, QStringLiteral("alice"), QStringLiteral("s3cret"));
    auto *proxy = new QDlgProxy;
    proxy->show();
    keep(proxy, QStringLiteral("proxy"));
    disableProxy();

    // The network test three ways: the public lookup as this machine answers it, the lookup
    // of a name that resolves here, and a service that answers with an error.
    const QList<QPair<QString, QByteArray>> runs = {{QStringLiteral("network"), QByteArray()},
                                                    {QStringLiteral("network-localhost"), "localhost"},
                                                    {QStringLiteral("network-service-error"), "localhost"}};
    for (const auto &run : runs) {
        if (run.second.isEmpty())
            qunsetenv("TAMREL_LOOKUP_HOST");
        else
            qputenv("TAMREL_LOOKUP_HOST", run.second);
        QVERIFY(m_server.setFault(QStringLiteral("http_500"), run.first.endsWith(QLatin1String("error")),
                                  QStringLiteral("/user/verify")));
        auto *network = new QDlgNetwork;
        network->show();
        QTest::mouseClick(network->findChild<QPushButton *>(QStringLiteral("btnTest")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(network->findChild<QPushButton *>(QStringLiteral("btnTest"))->isEnabled(),
                                 (QDlgNetwork::kLookupTimeoutSeconds + 20) * 1000);
        keep(network, run.first);
    }
    qunsetenv("TAMREL_LOOKUP_HOST");

    const int hold = qEnvironmentVariableIntValue("TAMREL_SHOTS_HOLD");
    if (hold > 0)
        QTest::qWait(hold);
    for (const QPointer<QDialog> &dialog : qAsConst(m_shown))
        delete dialog.data();
}

QTEST_MAIN(TestSessionShots)
#include "tst_sessionshots.moc"
