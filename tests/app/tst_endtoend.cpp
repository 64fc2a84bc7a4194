#include "dbconnection.h"
#include "devserver.h"
#include "recordingprogram.h"
#include "waiting.h"

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
    QJsonObject m_tables;                   // of the manifest: table name -> rows
    const QProcess *m_program = nullptr; // the start under test
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

    // Why the start under test can no longer show what a wait waits for; empty while it runs.
    QString programEnded() const
    {
        if (!m_program || m_program->state() != QProcess::NotRunning)
            return QString();
        return QStringLiteral("the program ended (%1, exit code %2)")
            .arg(m_program->exitStatus() == QProcess::NormalExit ? "normally" : "crashed")
            .arg(m_program->exitCode());
    }

    // Waits for the first visible window whose name matches the pattern, its id then in *id; an
    // empty text once it is there, else what was waited for and why it was given up.
    QString waitForWindow(const QString &pattern, QString *id, int timeoutMs = 60000)
    {
        QString ids;
        const QString failure = waitUntil(
            "a window named " + pattern, [&] { return xdotool({"search", "--onlyvisible", "--name", pattern}, &ids); },
            timeoutMs, [this] { return programEnded(); });
        *id = ids.section(QLatin1Char('\n'), 0, 0);
        return failure;
    }

    bool click(const QString &window, QPoint at, int times = 1)
    {
        return xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click",
                        "--repeat", QString::number(times), "1"});
    }

    // Empty once the key went to the window, else what went wrong.
    QString pressKey(const QString &windowPattern, const QString &key)
    {
        QString window;
        const QString failure = waitForWindow(windowPattern, &window, 30000);
        if (!failure.isEmpty())
            return failure;
        return xdotool({"windowfocus", window}) && xdotool({"key", key}) ? QString() : "xdotool could not press " + key;
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
        m_program = &program;
        QString login;
        const QString failure = waitForWindow(QStringLiteral("^用户登录 - "), &login);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(click(login, kGuestLogin));
    }

    // Closes the main window with its title bar's close button and answers Yes to the question;
    // the engine stops at its next tick, then the window closes for good and main returns.
    void closeAndConfirm(QProcess &program)
    {
        QString window, geometry;
        const QString failure = waitForWindow(QStringLiteral("^Tamrel"), &window);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(xdotool({"getwindowgeometry", "--shell", window}, &geometry));
        const int width = geometry.section("WIDTH=", 1).section('\n', 0, 0).toInt();
        QVERIFY(width > 100 && click(window, QPoint(width - 16, 12)));
        const QString answered = pressKey(QStringLiteral("^确认$"), QStringLiteral("Return"));
        QVERIFY2(answered.isEmpty(), qPrintable(answered));
        QVERIFY2(program.waitForFinished(30000), "the program did not end after the close was confirmed");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QSettings(dataLocation() + "/config.ini", QSettings::IniFormat).value("System/Exit").toInt(), 1);
    }

    QString databaseDifference() const
    {
        for (const QString &table : m_tables.keys()) {
            const QString count = column(dataLocation() + "/data.s3", "select count(*) from " + table).value(0);
            if (count != QString::number(m_tables.value(table).toInt()))
                return QStringLiteral("%1: %2 rows, %3 expected").arg(table, count).arg(m_tables.value(table).toInt());
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
        WAIT_UNTIL("Xvfb's display number", m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, 20000);
        m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine().trimmed());
        QVERIFY2(m_display.size() > 1, "Xvfb did not start");
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        m_tables = m_server->manifest().value(QLatin1String("tables")).toObject();
        QVERIFY(!m_tables.isEmpty());
        for (const char *opener : {"bin/FoxitReader.exe", "bin/xdg-open"})
            QVERIFY(writeRecordingProgram(m_home.filePath(QString::fromLatin1(opener)), openedLog()));
    }

    void cleanup() { m_program = nullptr; }

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
        // Once the engine begins its next cycle, or stops asking, nothing more comes.
        int lastCount = -1;
        QDeadlineTimer quiet(60000);
        const QString filled = waitUntil(
            "the sample data in the database", [&] { return databaseDifference().isEmpty(); }, 180000, [&] {
                const QStringList fetched = requests("/oss/dat/");
                if (fetched.size() != lastCount) {
                    lastCount = fetched.size();
                    quiet.setRemainingTime(60000);
                }
                QString reason = programEnded();
                if (reason.isEmpty() && fetched.count(QStringLiteral("IDX.DAT")) > 1)
                    reason = QStringLiteral("the engine began its next cycle");
                if (reason.isEmpty() && quiet.hasExpired())
                    reason = QStringLiteral("the engine asked for nothing for a minute");
                return reason.isEmpty() ? reason : reason + ", with " + databaseDifference();
            });
        QVERIFY2(filled.isEmpty(), qPrintable(filled));
        QVERIFY(requests("/oss/dat/").contains(QStringLiteral("IDX.DAT")));

        // "最新" lists the newest reports; the first row is one of the newest entry. While its
        // file stalls, the download dialog shows; the client gives up and says so.
        QString window, dialog;
        QString failure = waitForWindow(QStringLiteral("^Tamrel"), &window);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(click(window, kNewestReports));
        QVERIFY(m_server->setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil/")));
        QVERIFY(click(window, kFirstRowDate, 2));
        failure = waitForWindow(QStringLiteral("^下载报告"), &dialog, 20000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        failure = pressKey(QStringLiteral("^下载失败$"), QStringLiteral("Return"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(m_server->resetFaults());
        QVERIFY(opened().isEmpty());

        // Downloaded from the stand-in, then opened; the second double click opens the local copy.
        QVERIFY(click(window, kFirstRowDate, 2));
        failure = waitUntil("the report opened", [&] { return opened().size() == 1; }, 30000, [this] { return programEnded(); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(click(window, kFirstRowDate, 2));
        failure = waitUntil("the local copy opened", [&] { return opened().size() == 2; }, 10000, [this] { return programEnded(); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
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
        const QString failure = waitUntil(
            "the index request", [&] { return requests("/oss/dat/").contains(QStringLiteral("IDX.DAT")); }, 60000,
            [this] { return programEnded(); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        // Time for the cycle to queue anything it found newer; it finds nothing.
        QTest::qWait(2000);
        closeAndConfirm(program);
        QCOMPARE(requests("/oss/dat/"), QStringList{QStringLiteral("IDX.DAT")});
        QVERIFY2(databaseDifference().isEmpty(), qPrintable(databaseDifference()));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
