#include "mainwindowtest.h"

#include "standinsession.h"
#include "devserver.h"
#include "globalstate.h"
#include "qwinmain.h"

#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {

QString labelText(QWinMain &window, const char *name)
{
    return window.findChild<QLabel *>(QLatin1String(name))->text();
}

// The status texts the window shows while it lives, each once in a row.
class StatusWatcher
{
public:
    explicit StatusWatcher(QWinMain &window)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, &window]() {
            const QString text = labelText(window, "lblStatus");
            if (texts.isEmpty() || texts.last() != text)
                texts << text;
        });
        timer.start(2);
    }

    QStringList texts;

private:
    QTimer timer;
};

} // namespace

// The window with the real update engine on its thread, against the stand-in.
class TestMainEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
    }

    void engineFillsTheStatusBar()
    {
        const QJsonObject facts = server.manifest().value(QStringLiteral("facts")).toObject();
        const QString count = QStringLiteral("今日%1篇报告")
                                  .arg(facts.value(QStringLiteral("todayReports")).toInt());
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        StatusWatcher status(window);
        QCOMPARE(labelText(window, "lblServer"), QStringLiteral("杭州服务器"));
        QTRY_COMPARE_WITH_TIMEOUT(labelText(window, "lblReportCount"), count, 180000);
        QTRY_VERIFY_WITH_TIMEOUT(status.texts.contains(QStringLiteral("数据更新完毕！")), 60000);
        QVERIFY(!status.texts.filter(QRegularExpression(QStringLiteral("^导入"))).isEmpty());
        QVERIFY(labelText(window, "lblSpinner") != QStringLiteral("-"));
        // The newest reports reach the window's report list.
        QCOMPARE(labelText(window, "lblTitle"), QStringLiteral("最新报告"));

        MessageBoxAnswerer answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    }

    void closingAbortsAStalledTransfer()
    {
        // The index transfer hangs; the stop must cut it rather than wait for the client's
        // idle watchdog.
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/dat/IDX")));
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        StatusWatcher status(window);
        QTRY_VERIFY_WITH_TIMEOUT(
            !status.texts.filter(QRegularExpression(QStringLiteral("^接收索引数据"))).isEmpty(), 30000);
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QCOMPARE(answerer.boxes, QStringList(QStringLiteral("确认|您确定要关闭程序吗?")));
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
        QVERIFY(status.texts.contains(QStringLiteral("接收索引数据失败！")));
        QVERIFY(server.resetFaults());
    }

private:
    DevServer server;
    QTemporaryDir dir;
};

QTEST_MAIN(TestMainEngine)
#include "tst_mainengine.moc"
