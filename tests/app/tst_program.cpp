#include "../mainwindow/mainwindowtest.h"

#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "qwinmain.h"
#include "startup.h"
#include "usersettings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kMessage = QStringLiteral("MESSAGE 已运行相同程序！");

QStringList warnings;

// Warnings of the program's own categories.
void recordWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && QByteArray(context.category).startsWith("tamrel."))
        warnings << QString::fromLatin1(context.category) + ": " + message;
}

QString programPath()
{
    return qEnvironmentVariable("TAMREL_PROGRAM");
}

// A start with the echo hook: it prints READY and every message it receives, and ends when its
// standard input closes.
class Instance
{
public:
    Instance()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAMREL_ECHO_MESSAGES"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.start(programPath(), QStringList());
    }

    // The next line of standard output; empty, with a warning saying why, when none came within
    // 20 seconds or the program ended first.
    QString line()
    {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < 20000 && process.state() != QProcess::NotRunning)
            process.waitForReadyRead(200);
        if (!process.canReadLine())
            qWarning(process.state() == QProcess::NotRunning ? "the program ended without a line"
                                                             : "no line from the program within 20 s");
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    int finish()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(20000)) {
            qWarning("the program did not end within 20 s");
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QProcess process;
};

// Runs a start to its end with the given environment; its exit code, -1 when it did not end
// normally within 60 seconds.
int run(QProcess &program, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    program.setProcessEnvironment(env);
    program.start(programPath(), QStringList());
    if (!program.waitForFinished(60000)) {
        qWarning("the start did not end within 60 s");
        return -1;
    }
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

int secondStart()
{
    QProcess second;
    return run(second);
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

    // The second start exits 0 at once and the first receives its message, each time once.
    void secondStartHandsItsMessageToTheFirst()
    {
        Instance first;
        QCOMPARE(first.line(), QStringLiteral("READY"));
        for (int start = 0; start < 2; ++start) {
            QCOMPARE(secondStart(), 0);
            QCOMPARE(first.line(), kMessage);
        }
        QCOMPARE(first.finish(), 0);
    }

    // A shared segment left by a killed instance is taken over, and guards again.
    void startAfterTheFirstWasKilled()
    {
        {
            Instance killed;
            QCOMPARE(killed.line(), QStringLiteral("READY"));
            killed.process.kill();
            QVERIFY(killed.process.waitForFinished(10000));
        }
        Instance next;
        QCOMPARE(next.line(), QStringLiteral("READY"));
        QCOMPARE(secondStart(), 0);
        QCOMPARE(next.line(), kMessage);
        QCOMPARE(next.finish(), 0);
        Instance after;
        QCOMPARE(after.line(), QStringLiteral("READY"));
        QCOMPARE(after.finish(), 0);
    }

    void screenshots_data()
    {
        QTest::addColumn<QString>("hook");
        QTest::newRow("login dialog, closed unaccepted") << "TAMREL_LOGIN_SCREENSHOT";
        QTest::newRow("main window after a guest login") << "TAMREL_SCREENSHOT";
    }

    void screenshots()
    {
        QFETCH(QString, hook);
        DevServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shot.png"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(hook, path);
        const bool login = hook == QLatin1String("TAMREL_LOGIN_SCREENSHOT");
        if (!login)
            env.insert(QStringLiteral("TAMREL_AUTOLOGIN"), QStringLiteral("1"));
        QProcess program;
        QCOMPARE(run(program, env), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).trimmed(), QStringLiteral("SCREENSHOT ") + path);
        const QImage image(path);
        QVERIFY(image.width() >= 600 && image.height() >= 400);
        const auto lightness = [&image](int x, int y) { return QColor(image.pixel(x, y)).lightness(); };
        if (login) {
            // The background picture beside the program is drawn: the top is dark, the bottom light.
            QCOMPARE(image.size(), QSize(768, 435));
            QVERIFY(lightness(384, 100) < 100 && lightness(300, 390) > 200);
        } else {
            // The frame as skin.qss beside the program draws it: the dark title bar, the first tab
            // checked in the same colour, the next one on the light tab row.
            const QList<int> seen{lightness(image.width() / 2, 4), lightness(20, 38), lightness(125, 38)};
            QVERIFY2(seen.at(0) < 80 && seen.at(1) < 80 && seen.at(2) > 200, qPrintable(QString::number(seen.at(0)) + ' '
                     + QString::number(seen.at(1)) + ' ' + QString::number(seen.at(2))));
        }
    }

    void translationBesideTheProgram()
    {
        const QString dir = QFileInfo(programPath()).absolutePath();
        QVERIFY(QFile::exists(dir + QStringLiteral("/qtbase_zh_CN.qm")) && QFile::exists(dir + "/skin.qss"));
        QVERIFY(installTranslator(qApp, dir));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text() + box.button(QDialogButtonBox::Cancel)->text(),
                 QStringLiteral("确定取消"));
    }

    void mainWindowAfterConstruction()
    {
        // Built on a fresh data folder, as after a login, the window reports no failure.
        QTemporaryDir dir;
        QVERIFY(prepareMainDatabase(dir));
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
        QWinMain window;
        qInstallMessageHandler(previous);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        QVERIFY(!getCnName().isEmpty() && window.windowTitle().startsWith(getCnName()));
        QStringList texts;
        for (const QLabel *label : window.findChildren<QLabel *>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("最新报告")));
        // The window's initialisation marks the run as not yet ended cleanly.
        loadSystemExit();
        QCOMPARE(getExitFlag(), 0);
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
