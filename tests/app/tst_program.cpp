#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "qwinmain.h"
#include "startup.h"
#include "usersettings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QString alreadyRunning = QStringLiteral("已运行相同程序！");

QString programPath()
{
    return qEnvironmentVariable("TAMREL_PROGRAM");
}

QString programDir()
{
    return QFileInfo(programPath()).absolutePath();
}

// A running instance started with the echo hook: it prints READY and every received message.
class Instance
{
public:
    Instance()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAMREL_ECHO_MESSAGES"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(programPath(), QStringList());
    }

    ~Instance()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Waits for a line of standard output; empty when none came in time.
    QString waitForLine(int timeoutMs = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine()) {
            if (timer.elapsed() > timeoutMs || process.state() == QProcess::NotRunning)
                return QString();
            process.waitForReadyRead(200);
        }
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    // Ends the instance the orderly way: its standard input closes.
    int finish()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(20000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QProcess process;
};

// Runs a second start to its end; returns its exit code, -1 when it did not end normally.
int runSecondInstance(qint64 *runtimeMs = nullptr)
{
    QProcess second;
    QElapsedTimer timer;
    timer.start();
    second.start(programPath(), QStringList());
    if (!second.waitForFinished(30000)) {
        second.kill();
        second.waitForFinished();
        return -1;
    }
    if (runtimeMs)
        *runtimeMs = timer.elapsed();
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
        loadDefaultConfig();
        loadOptionConfig();
    }

    void secondStartHandsItsMessageToTheFirst()
    {
        Instance first;
        QCOMPARE(first.waitForLine(), QStringLiteral("READY"));
        qint64 runtime = 0;
        QCOMPARE(runSecondInstance(&runtime), 0);
        qInfo("second instance ended after %lld ms", runtime);
        QCOMPARE(first.waitForLine(), QStringLiteral("MESSAGE ") + alreadyRunning);
        // One message is delivered once.
        QCOMPARE(runSecondInstance(), 0);
        QCOMPARE(first.waitForLine(), QStringLiteral("MESSAGE ") + alreadyRunning);
        QCOMPARE(first.finish(), 0);
    }

    void startAfterTheFirstWasKilled()
    {
        {
            Instance killed;
            QCOMPARE(killed.waitForLine(), QStringLiteral("READY"));
            killed.process.kill();
            QVERIFY(killed.process.waitForFinished(10000));
            QCOMPARE(killed.process.exitStatus(), QProcess::CrashExit);
        }
        // The new start runs as the first instance instead of messaging the dead one...
        Instance next;
        QCOMPARE(next.waitForLine(), QStringLiteral("READY"));
        // ...and guards again.
        QCOMPARE(runSecondInstance(), 0);
        QCOMPARE(next.waitForLine(), QStringLiteral("MESSAGE ") + alreadyRunning);
        QCOMPARE(next.finish(), 0);

        // After an orderly end the following start is the first instance too.
        Instance after;
        QCOMPARE(after.waitForLine(), QStringLiteral("READY"));
        QCOMPARE(after.finish(), 0);
    }

    void screenshotOfTheLoginDialog()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("login.png"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAMREL_LOGIN_SCREENSHOT"), path);
        program.setProcessEnvironment(env);
        program.start(programPath(), QStringList());
        QVERIFY(program.waitForFinished(30000));
        // The dialog was closed unaccepted: the program ends with 0, without a main window.
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).trimmed(),
                 QStringLiteral("SCREENSHOT ") + path);
        const QImage image(path);
        QCOMPARE(image.size(), QSize(768, 435));
        // The background picture beside the program is drawn: the top is dark, the bottom light.
        QVERIFY(QColor(image.pixel(384, 100)).lightness() < 100);
        QVERIFY(QColor(image.pixel(300, 390)).lightness() > 200);
    }

    void screenshotOfTheMainWindowAfterLogin()
    {
        DevServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("main.png"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAMREL_AUTOLOGIN"), QStringLiteral("1"));
        env.insert(QStringLiteral("TAMREL_SCREENSHOT"), path);
        program.setProcessEnvironment(env);
        program.start(programPath(), QStringList());
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QImage image(path);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 600 && image.height() >= 400);
    }

    void translationFilesBesideTheProgram()
    {
        QVERIFY(QFile::exists(programDir() + QStringLiteral("/qt_zh_CN.qm")));
        QVERIFY(QFile::exists(programDir() + QStringLiteral("/qtbase_zh_CN.qm")));
        QVERIFY(QFile::exists(programDir() + QStringLiteral("/skin.qss")));
        QVERIFY(installTranslator(qApp, programDir()));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }

    void mainWindowAfterConstruction()
    {
        installAppFont(programDir());
        QWinMain window;
        QVERIFY(window.windowTitle().startsWith(getCnName()));
        QVERIFY(!getCnName().isEmpty());
        bool shown = false;
        for (const QLabel *label : window.findChildren<QLabel *>())
            shown = shown || label->text() == QStringLiteral("最新报告");
        QVERIFY(shown);
        // The window's initialisation marks the run as not yet ended cleanly.
        loadSystemExit();
        QCOMPARE(getExitFlag(), 0);
    }

    void statusSpinner_data()
    {
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("spinner");
        QTest::newRow("one") << 1 << "\\";
        QTest::newRow("two") << 2 << "|";
        QTest::newRow("seven") << 7 << "/";
        QTest::newRow("ten") << 10 << "|";
    }

    void statusSpinner()
    {
        QFETCH(int, messages);
        QFETCH(QString, spinner);
        QWinMain window;
        for (int i = 0; i < messages; ++i)
            window.showStatus(QStringLiteral("消息%1").arg(i));
        auto *label = window.findChild<QLabel *>(QStringLiteral("lblSpinner"));
        QVERIFY(label);
        QCOMPARE(label->text(), spinner);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblStatus"))->text(),
                 QStringLiteral("消息%1").arg(messages - 1));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
