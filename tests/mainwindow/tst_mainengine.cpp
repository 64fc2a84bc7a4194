#include "mainwindowtest.h"

#include "standinsession.h"
#include "devserver.h"
#include "globalstate.h"
#include "qwinmain.h"

#include <QLabel>
#include <QRegularExpression>

namespace {

QString labelText(QWinMain &window, const char *name)
{
    return window.findChild<QLabel *>(QLatin1String(name))->text();
}

// Every status text the window showed while the watcher lived, polled every 2 ms.
struct StatusWatcher
{
    explicit StatusWatcher(QWinMain &window)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, &window] {
            if (texts.value(texts.size() - 1, QStringLiteral("-")) != labelText(window, "lblStatus"))
                texts << labelText(window, "lblStatus");
        });
        timer.start(2);
    }

    QStringList texts;
    QTimer timer;
};

} // namespace

// The window with the real update engine on its thread, against the stand-in.
class TestMainEngine : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
    }

    void engineFillsTheStatusBar()
    {
        const int today = server.manifest().value("facts").toObject().value("todayReports").toInt();
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        StatusWatcher status(window);
        QCOMPARE(labelText(window, "lblServer"), QStringLiteral("杭州服务器"));
        QTRY_COMPARE_WITH_TIMEOUT(labelText(window, "lblReportCount"), QStringLiteral("今日%1篇报告").arg(today), 180000);
        QTRY_VERIFY_WITH_TIMEOUT(status.texts.contains(QStringLiteral("数据更新完毕！")), 60000);
        QVERIFY(!status.texts.filter(QRegularExpression(QStringLiteral("^导入"))).isEmpty());
        QVERIFY(labelText(window, "lblSpinner") != QStringLiteral("-"));
        ModalWatcher answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    }

    // The index transfer hangs; the stop must cut it rather than wait for the client's idle
    // watchdog.
    void closingAbortsAStalledTransfer()
    {
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dat/IDX")));
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        StatusWatcher status(window);
        QTRY_VERIFY_WITH_TIMEOUT(!status.texts.filter(QRegularExpression(QStringLiteral("^接收索引数据"))).isEmpty(),
                                 30000);
        ModalWatcher answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
        QVERIFY(status.texts.contains(QStringLiteral("接收索引数据失败！")));
        QVERIFY(server.resetFaults());
    }
};

QTEST_MAIN(TestMainEngine)
#include "tst_mainengine.moc"
