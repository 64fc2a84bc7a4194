#include "devserver.h"
#include "dbconnection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The real program on a virtual X display, driven like a user: the login button is clicked,
// the update engine fills the database from the stand-in, the window is closed and the close
// question answered.

namespace {

constexpr int kLoginButtonX = 570 + 81 / 2; // btnUserLogin of the login form
constexpr int kLoginButtonY = 400 + 27 / 2;

class VirtualDisplay
{
public:
    ~VirtualDisplay()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000))
                m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

    // Xvfb picks a free display number and writes it to its standard output.
    bool start()
    {
        m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                               QStringLiteral("-screen"), QStringLiteral("0"),
                                               QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                               QStringLiteral("tcp")});
        if (!m_server.waitForStarted(10000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (!m_server.canReadLine() && timer.elapsed() < 20000) {
            if (m_server.state() == QProcess::NotRunning)
                return false;
            m_server.waitForReadyRead(200);
        }
        const QByteArray number = m_server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        m_display = QLatin1Char(':') + QString::fromLatin1(number);
        return true;
    }

    QString display() const { return m_display; }

    // Runs xdotool on the display; false when it failed. Its standard output, trimmed, goes to out.
    bool xdotool(const QStringList &args, QString *out = nullptr) const
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), args);
        if (!tool.waitForFinished(20000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return false;
        if (out)
            *out = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
        return true;
    }

    // The first visible window whose name matches the pattern, waiting up to the timeout.
    QString waitForWindow(const QString &pattern, int timeoutMs = 60000) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            QString ids;
            xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern},
                    &ids);
            if (!ids.isEmpty())
                return ids.split(QLatin1Char('\n')).first();
            QTest::qWait(200);
        }
        return QString();
    }

    QRect geometry(const QString &window) const
    {
        QRect rect;
        QString shell;
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}, &shell);
        for (const QString &line : shell.split(QLatin1Char('\n'))) {
            const int value = line.section(QLatin1Char('='), 1).toInt();
            if (line.startsWith(QLatin1String("X=")))
                rect.moveLeft(value);
            else if (line.startsWith(QLatin1String("Y=")))
                rect.moveTop(value);
            else if (line.startsWith(QLatin1String("WIDTH=")))
                rect.setWidth(value);
            else if (line.startsWith(QLatin1String("HEIGHT=")))
                rect.setHeight(value);
        }
        return rect;
    }

    bool click(const QString &window, int x, int y) const
    {
        return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
                        QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
    }

private:
    QProcess m_server;
    QString m_display;
};

// The program under test; killed when a failed check leaves it running.
class Program : public QProcess
{
public:
    ~Program() override
    {
        if (state() != QProcess::NotRunning) {
            kill();
            waitForFinished(10000);
        }
    }
};

QString programPath()
{
    return qEnvironmentVariable("TAMREL_PROGRAM");
}

// Row counts of the manifest's tables in data.s3; missing tables count -1.
QMap<QString, int> rowCounts(const QString &dbPath, const QStringList &tables)
{
    QMap<QString, int> counts;
    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Check"), dbPath);
        for (const QString &table : tables) {
            QSqlQuery query(db);
            counts[table] = query.exec(QStringLiteral("SELECT count(*) FROM ") + table) && query.next()
                                ? query.value(0).toInt()
                                : -1;
        }
    }
    closeSqliteConnection(QStringLiteral("Check"));
    return counts;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<DevServer> m_server;
    QTemporaryDir m_home;

    QString dataLocation() const { return m_home.filePath(QStringLiteral("data/Tamrel/Tamrel")); }

    void startProgram(QProcess &program)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &hook : {QStringLiteral("TAMREL_ECHO_MESSAGES"), QStringLiteral("TAMREL_AUTOLOGIN"),
                                    QStringLiteral("TAMREL_SCREENSHOT"), QStringLiteral("TAMREL_LOGIN_SCREENSHOT")})
            env.remove(hook);
        env.insert(QStringLiteral("HOME"), m_home.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("DISPLAY"), m_display->display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(programPath(), QStringList());
        QVERIFY(program.waitForStarted(10000));
    }

    void loginAsGuest()
    {
        const QString login = m_display->waitForWindow(QStringLiteral("^用户登录 - "));
        QVERIFY2(!login.isEmpty(), "the login dialog did not appear");
        QVERIFY(m_display->click(login, kLoginButtonX, kLoginButtonY));
    }

    // Closes the main window with its title bar's close button and answers Yes to the question.
    void closeAndConfirm(QProcess &program)
    {
        const QString window = m_display->waitForWindow(QStringLiteral("^Tamrel"));
        QVERIFY2(!window.isEmpty(), "the main window is not shown");
        const QRect frame = m_display->geometry(window);
        QVERIFY(frame.width() > 100);
        QVERIFY(m_display->click(window, frame.width() - 16, 12));
        const QString question = m_display->waitForWindow(QStringLiteral("^确认$"), 20000);
        QVERIFY2(!question.isEmpty(), "the close question did not appear");
        // Yes is the question's default button.
        QVERIFY(m_display->xdotool({QStringLiteral("windowfocus"), question}));
        QVERIFY(m_display->xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        // The engine stops at its next tick, then the window closes for good and main returns.
        QVERIFY2(program.waitForFinished(30000), "the program did not end after the close was confirmed");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    QStringList tables() const
    {
        return m_server->manifest().value(QLatin1String("tables")).toObject().keys();
    }

    bool databaseMatchesManifest(QString *difference) const
    {
        const QJsonObject expected = m_server->manifest().value(QLatin1String("tables")).toObject();
        const QMap<QString, int> counts = rowCounts(dataLocation() + QStringLiteral("/data.s3"), expected.keys());
        for (const QString &table : expected.keys()) {
            if (counts.value(table) != expected.value(table).toInt()) {
                *difference = QStringLiteral("%1: %2 rows, %3 expected")
                                  .arg(table)
                                  .arg(counts.value(table))
                                  .arg(expected.value(table).toInt());
                return false;
            }
        }
        return true;
    }

    QStringList packageRequests() const
    {
        QStringList names;
        for (const QJsonObject &request : m_server->requestLog()) {
            const QString path = request.value(QLatin1String("path")).toString();
            if (path.startsWith(QLatin1String("/oss/dat/")))
                names << path.mid(9);
        }
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
        QVERIFY(m_home.isValid());
        m_display = std::make_unique<VirtualDisplay>();
        QVERIFY2(m_display->start(), "Xvfb did not start");
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }

    void forcedUpgradeEndsTheProgram()
    {
        QVERIFY(m_server->setFault(QStringLiteral("old_version")));
        Program program;
        startProgram(program);
        loginAsGuest();
        const QString upgrade = m_display->waitForWindow(QStringLiteral("^程序升级$"));
        QVERIFY2(!upgrade.isEmpty(), "the upgrade dialog did not appear");
        // The user closes the upgrade without downloading: the program ends, no main window.
        QVERIFY(m_display->xdotool({QStringLiteral("windowfocus"), upgrade}));
        QVERIFY(m_display->xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QVERIFY2(program.waitForFinished(30000), "the program did not end after the upgrade");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(dataLocation() + QStringLiteral("/data.s3")));
        QVERIFY(m_server->resetFaults());
    }

    void firstStartFillsTheDatabase()
    {
        Program program;
        startProgram(program);
        loginAsGuest();

        // The engine's first cycle fetches every package; the database then holds the sample data.
        QString difference;
        QElapsedTimer timer;
        timer.start();
        while (!databaseMatchesManifest(&difference) && timer.elapsed() < 180000
               && program.state() == QProcess::Running)
            QTest::qWait(500);
        QVERIFY2(databaseMatchesManifest(&difference), qPrintable(difference));
        QVERIFY(packageRequests().contains(QStringLiteral("IDX.DAT")));

        closeAndConfirm(program);
        QSettings settings(dataLocation() + QStringLiteral("/config.ini"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("System/Exit")).toInt(), 1);
    }

    void secondStartFetchesNothingNew()
    {
        if (!QFileInfo::exists(dataLocation() + QStringLiteral("/data.s3")))
            QSKIP("the first start did not run");
        m_server->clearRequestLog();
        Program program;
        startProgram(program);
        loginAsGuest();

        QElapsedTimer timer;
        timer.start();
        while (!packageRequests().contains(QStringLiteral("IDX.DAT")) && timer.elapsed() < 60000)
            QTest::qWait(200);
        QVERIFY2(packageRequests().contains(QStringLiteral("IDX.DAT")), "the engine did not fetch the index");
        // Time for the cycle to queue anything it found newer; it finds nothing.
        QTest::qWait(2000);
        closeAndConfirm(program);

        QCOMPARE(packageRequests(), QStringList{QStringLiteral("IDX.DAT")});
        QString difference;
        QVERIFY2(databaseMatchesManifest(&difference), qPrintable(difference));
        QSettings settings(dataLocation() + QStringLiteral("/config.ini"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("System/Exit")).toInt(), 1);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
