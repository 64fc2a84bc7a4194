#include "dbconnection.h"
#include "devserver.h"
#include "recordingprogram.h"

#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The real program on a virtual X display, driven like a user with xdotool: the login button is
// clicked, the update engine fills the database from the stand-in, the newest reports are listed
// and one is opened, the window is closed and the close question answered.

namespace {

// Places in the login dialog and in the main window as the program lays them out on a
// 1280x800 screen.
const QPoint kGuestLogin(570 + 81 / 2, 400 + 27 / 2); // btnUserLogin
const QPoint kNewestReports(43, 76);                  // the side bar's "最新"
const QPoint kFirstRowDate(130, 127);                 // the date cell of the report list's first row

// The first column of each row a query on a SQLite file gives.
QStringList column(const QString &dbPath, const QString &sql)
{
    QStringList values;
    {
        QSqlQuery query(sqliteConnection(QStringLiteral("Check"), dbPath));
        query.exec(sql);
        while (query.next())
            values << query.value(0).toString();
    }
    closeSqliteConnection(QStringLiteral("Check"));
    return values;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

    QProcess m_xvfb;
    QString m_display;
    std::unique_ptr<DevServer> m_server;
    QTemporaryDir m_home;

    QString dataLocation() const { return m_home.filePath(QStringLiteral("data/Tamrel/Tamrel")); }
    QString openedLog() const { return m_home.filePath(QStringLiteral("opened.log")); }

    // What the recording reader and system handler were given, one start a line.
    QStringList opened() const
    {
        QFile log(openedLog());
        return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()).split('\n', Qt::SkipEmptyParts)
                                             : QStringList();
    }

    // Runs xdotool on the display; false when it failed. Its standard output, trimmed, goes to out.
    bool xdotool(const QStringList &args, QString *out = nullptr)
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), args);
        const bool ran = tool.waitForFinished(20000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
        if (out)
            *out = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
        return ran;
    }

    // The first visible window whose name matches the pattern, waiting up to the timeout or until
    // the program, when given, ended.
    QString waitForWindow(const QString &pattern, int timeoutMs = 60000, const QProcess *program = nullptr)
    {
        QElapsedTimer timer;
        timer.start();
        QString ids;
        while (!xdotool({"search", "--onlyvisible", "--name", pattern}, &ids) && timer.elapsed() < timeoutMs
               && (!program || program->state() != QProcess::NotRunning))
            QTest::qWait(200);
        return ids.section(QLatin1Char('\n'), 0, 0);
    }

    bool click(const QString &window, QPoint at, int times = 1)
    {
        return xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click",
                        "--repeat", QString::number(times), "1"});
    }

    bool pressKey(const QString &windowPattern, const QString &key)
    {
        const QString window = waitForWindow(windowPattern, 30000);
        return !window.isEmpty() && xdotool({"windowfocus", window}) && xdotool({"key", key});
    }

    // A start with a fresh environment of its own whose reader and system handler are recorders.
    void startAndLogin(QProcess &program)
    {
        QVERIFY2(m_xvfb.state() == QProcess::Running,
                 qPrintable("the X server ended: " + QString::fromLocal8Bit(m_xvfb.readAllStandardError().right(500))));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *hook : {"TAMREL_ECHO_MESSAGES", "TAMREL_AUTOLOGIN", "TAMREL_SCREENSHOT", "TAMREL_LOGIN_SCREENSHOT"})
            env.remove(QString::fromLatin1(hook));
        env.insert(QStringLiteral("HOME"), m_home.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("PATH"), m_home.filePath(QStringLiteral("bin:")) + env.value(QStringLiteral("PATH")));
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(qEnvironmentVariable("TAMREL_PROGRAM"), QStringList());
        const QString login = waitForWindow(QStringLiteral("^用户登录 - "), 60000, &program);
        QVERIFY2(!login.isEmpty(), program.state() == QProcess::NotRunning
                                       ? qPrintable(QStringLiteral("the program ended before its login dialog appeared, "
                                                                   "exit code %1").arg(program.exitCode()))
                                       : "the login dialog did not appear");
        QVERIFY(click(login, kGuestLogin));
    }

    // Closes the main window with its title bar's close button and answers Yes to the question;
    // the engine stops at its next tick, then the window closes for good and main returns.
    void closeAndConfirm(QProcess &program)
    {
        const QString window = waitForWindow(QStringLiteral("^Tamrel"));
        QString geometry;
        QVERIFY(xdotool({"getwindowgeometry", "--shell", window}, &geometry));
        const int width = geometry.section("WIDTH=", 1).section('\n', 0, 0).toInt();
        QVERIFY(width > 100 && click(window, QPoint(width - 16, 12)));
        QVERIFY2(pressKey(QStringLiteral("^确认$"), QStringLiteral("Return")), "the close question did not appear");
        QVERIFY2(program.waitForFinished(30000), "the program did not end after the close was confirmed");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QSettings(dataLocation() + "/config.ini", QSettings::IniFormat).value("System/Exit").toInt(), 1);
    }

    QString databaseDifference() const
    {
        const QJsonObject tables = m_server->manifest().value(QLatin1String("tables")).toObject();
        for (const QString &table : tables.keys()) {
            const QString count = column(dataLocation() + "/data.s3", "select count(*) from " + table).value(0);
            if (count != QString::number(tables.value(table).toInt()))
                return QStringLiteral("%1: %2 rows, %3 expected").arg(table, count).arg(tables.value(table).toInt());
        }
        return QString();
    }

    // The paths of the requests to the service or the object host that start with prefix.
    QStringList requests(const QString &prefix) const
    {
        QStringList paths;
        for (const QJsonObject &request : m_server->requestLog()) {
            const QString path = request.value(QLatin1String("path")).toString();
            if (path.startsWith(prefix))
                paths << path.mid(prefix.size()) + request.value(QLatin1String("query")).toString();
        }
        return paths;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Xvfb picks a free display number and writes it to its standard output. Without -noreset
        // it resets whenever its last client leaves (the program between starts, each xdotool
        // call), and a program connecting during the reset is refused and ends at once.
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
        QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, 20000);
        m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine().trimmed());
        QVERIFY2(m_display.size() > 1, "Xvfb did not start");
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        for (const char *opener : {"bin/FoxitReader.exe", "bin/xdg-open"})
            QVERIFY(writeRecordingProgram(m_home.filePath(QString::fromLatin1(opener)), openedLog()));
    }

    void cleanupTestCase()
    {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(5000);
    }

    void firstStartFillsTheDatabaseAndOpensAReport()
    {
        QProcess program;
        startAndLogin(program);
        // The engine's first cycle fetches every package; the database then holds the sample data.
        QTRY_VERIFY_WITH_TIMEOUT(databaseDifference().isEmpty() || program.state() != QProcess::Running, 180000);
        QVERIFY2(databaseDifference().isEmpty(), qPrintable(databaseDifference()));
        QVERIFY(requests("/oss/dat/").contains(QStringLiteral("IDX.DAT")));

        // "最新" lists the newest reports; the first row is one of the newest entry. While its
        // file stalls, the download dialog shows; the client gives up and says so.
        const QString window = waitForWindow(QStringLiteral("^Tamrel"));
        QVERIFY(click(window, kNewestReports));
        QVERIFY(m_server->setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil/")));
        QVERIFY(click(window, kFirstRowDate, 2));
        QVERIFY2(!waitForWindow(QStringLiteral("^下载报告"), 20000).isEmpty(), "no download dialog");
        QVERIFY2(pressKey(QStringLiteral("^下载失败$"), QStringLiteral("Return")), "the stalled download was not reported");
        QVERIFY(m_server->resetFaults());
        QVERIFY(opened().isEmpty());

        // Downloaded from the stand-in, then opened; the second double click opens the local copy.
        QVERIFY(click(window, kFirstRowDate, 2));
        QTRY_COMPARE_WITH_TIMEOUT(opened().size(), 1, 30000);
        QVERIFY(click(window, kFirstRowDate, 2));
        QTRY_COMPARE(opened().size(), 2);
        QCOMPARE(opened().at(1), opened().at(0));
        QVERIFY(opened().at(0).startsWith(dataLocation() + "/fil/") && QFileInfo(opened().at(0)).size() > 0);
        QCOMPARE(requests(QStringLiteral("/report/file")).size(), 2); // the stalled one and the one that arrived
        const QString id = requests(QStringLiteral("/oss/fil/")).value(1).section('.', 0, 0);
        QVERIFY(column(dataLocation() + "/data.s3", "select Rpt_ID from T_Report where Rpt_DtEntry = "
                                                    "(select max(Rpt_DtEntry) from T_Report)")
                    .contains(id));

        closeAndConfirm(program);
    }

    void secondStartFetchesNothingNew()
    {
        if (!QFileInfo::exists(dataLocation() + QStringLiteral("/data.s3")))
            QSKIP("the first start did not run");
        m_server->clearRequestLog();
        QProcess program;
        startAndLogin(program);
        QTRY_VERIFY_WITH_TIMEOUT(requests("/oss/dat/").contains(QStringLiteral("IDX.DAT")), 60000);
        // Time for the cycle to queue anything it found newer; it finds nothing.
        QTest::qWait(2000);
        closeAndConfirm(program);
        QCOMPARE(requests("/oss/dat/"), QStringList{QStringLiteral("IDX.DAT")});
        QVERIFY2(databaseDifference().isEmpty(), qPrintable(databaseDifference()));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
