#pragma once

// A virtual X display with a real window manager, for tests of where windows stand and where the
// keys go: a manager frames, places, stacks and focuses windows, which the offscreen platform
// never does, and each manager does it its own way. The manager is the one TAMREL_TEST_WM names
// (openbox, metacity, mutter, kwin or xfwm4; openbox when unset): CTest runs each such test once
// under every manager of the suite. Built before the application object, it starts Xvfb (on a
// display number Xvfb picks), a session bus where the manager wants one, and the manager, and
// points Qt at them; without them the test runs offscreen and says so.
//
//   int main(int argc, char *argv[]) { ManagerDisplay display; QApplication app(argc, argv); ... }

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QtGlobal>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

// A process in a session of its own, ended with all it started: what the session bus starts
// for the manager (kwin's kglobalaccel5) stays in the bus's session, not the test's, and ends
// with the test.
class SessionProcess : public QProcess
{
public:
    void end()
    {
        const qint64 pid = processId();
        if (pid <= 0)
            return;
        ::kill(-pid_t(pid), SIGTERM);
        if (!waitForFinished(5000))
            ::kill(-pid_t(pid), SIGKILL);
        waitForFinished(5000);
    }

protected:
    void setupChildProcess() override { ::setsid(); }
};

class ManagerDisplay
{
public:
    ManagerDisplay() : name(managerName())
    {
        const Manager manager = managerOf(name);
        if (manager.command.isEmpty()) {
            qWarning("unknown window manager %s in TAMREL_TEST_WM: running offscreen", qPrintable(name));
            return;
        }
        m_command = manager.command;
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable(m_command.first()).isEmpty()
            || (manager.sessionBus && QStandardPaths::findExecutable("dbus-daemon").isEmpty())) {
            qInfo("Xvfb, %s or dbus-daemon not installed: running offscreen, without a window manager",
                  qPrintable(m_command.first()));
            return;
        }
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1600x900x24", "-nolisten", "tcp", "-noreset"});
        if (!m_xvfb.waitForReadyRead(20000)) {
            qWarning("Xvfb did not start within 20 s: running offscreen");
            return;
        }
        const QByteArray display = ':' + m_xvfb.readLine().trimmed();
        qputenv("DISPLAY", display);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &setting : manager.environment)
            environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
        if (manager.sessionBus) {
            m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
            if (m_bus.waitForReadyRead(10000))
                environment.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(m_bus.readLine().trimmed()));
        }
        m_wm.setProcessEnvironment(environment);
        // Its warnings are its own; the test's output is the test's.
        m_wm.setStandardOutputFile(QProcess::nullDevice());
        m_wm.setStandardErrorFile(QProcess::nullDevice());
        if (!startManager())
            qWarning("%s did not take the display within 20 s", qPrintable(name));
        qInfo("%s on display %s", qPrintable(name), display.constData());
        qputenv("QT_QPA_PLATFORM", "xcb");
        running = true;
    }

    ~ManagerDisplay()
    {
        for (SessionProcess *p : {&m_wm, &m_bus, &m_xvfb})
            p->end();
    }

    bool running = false;
    const QString name; // the manager's

    bool is(const char *manager) const { return name == QLatin1String(manager); }

    // What a test says when it needs the display.
    static const char *needed() { return "Xvfb and the window manager are needed: see scripts/packages.txt"; }

    // Stops the window manager, as a busy machine holds it up, until resumeWindowManager().
    // False without one. A manager stopped while it holds the X server grabbed (as managers do for
    // a moment while they take on a window) would stop every other client with it, the test
    // among them, for good: it goes on for a moment and is stopped again until the server still
    // answers another client.
    bool pauseWindowManager() const
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (!signalWindowManager(SIGSTOP))
                return false;
            if (serverAnswers())
                return true;
            signalWindowManager(SIGCONT);
            QThread::msleep(20);
        }
        return false;
    }
    bool resumeWindowManager() const { return signalWindowManager(SIGCONT); }

    // Ends the window manager, runs meanwhile, then starts a new one, which frames the windows
    // mapped meanwhile as it takes the display: a manager that comes after the program's window.
    // False when the new one did not take the display within 20 s.
    template <typename Meanwhile>
    bool restartWindowManager(Meanwhile meanwhile)
    {
        m_wm.end();
        meanwhile();
        return startManager();
    }

private:
    struct Manager
    {
        QStringList command;
        bool sessionBus = false;
        QStringList environment;
    };

    static QString managerName()
    {
        const QString asked = qEnvironmentVariable("TAMREL_TEST_WM");
        return asked.isEmpty() ? QStringLiteral("openbox") : asked;
    }

    static Manager managerOf(const QString &name)
    {
        if (name == QLatin1String("openbox"))
            return {{"openbox"}, false, {}};
        if (name == QLatin1String("metacity"))
            return {{"metacity", "--replace"}, true, {}};
        if (name == QLatin1String("mutter"))
            return {{"mutter", "--x11", "--replace", "--sm-disable"}, true, {"LIBGL_ALWAYS_SOFTWARE=1"}};
        // Without compositing: nothing the tests look at depends on it, and it costs a core.
        if (name == QLatin1String("kwin"))
            return {{"kwin_x11", "--replace"}, true, {"KWIN_COMPOSE=N"}};
        if (name == QLatin1String("xfwm4"))
            return {{"xfwm4", "--compositor=off"}, true, {}};
        return {};
    }

    // Every EWMH manager names a window of its own in the root window's _NET_SUPPORTING_WM_CHECK
    // once it manages the screen, and that window names itself: a manager that has ended leaves
    // the root's property naming a window that is gone.
    bool startManager()
    {
        const QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
        m_wm.start(m_command.first(), m_command.mid(1));
        for (int i = 0; i < 200; ++i) {
            if (managed(display))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    static bool managed(const QString &display)
    {
        const QString check = supportingCheck(display, {"-root"});
        return !check.isEmpty() && supportingCheck(display, {"-id", check}) == check;
    }

    static QString supportingCheck(const QString &display, const QStringList &window)
    {
        QProcess xprop;
        xprop.start("xprop", QStringList{"-display", display} + window + QStringList{"_NET_SUPPORTING_WM_CHECK"});
        if (!xprop.waitForFinished(3000) || xprop.exitCode() != 0)
            return QString();
        return QString::fromLatin1(xprop.readAll()).section(QLatin1String("window id # "), 1).trimmed();
    }

    // On a connection of its own, so that a grab holds up only the probe.
    static bool serverAnswers()
    {
        QProcess probe;
        probe.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
        if (probe.waitForFinished(2000))
            return true;
        probe.kill();
        probe.waitForFinished(2000);
        return false;
    }

    bool signalWindowManager(int signal) const
    {
        const qint64 pid = m_wm.processId();
        return pid > 0 && ::kill(pid_t(pid), signal) == 0;
    }

    QStringList m_command;
    SessionProcess m_xvfb;
    SessionProcess m_bus;
    SessionProcess m_wm;
};

// main() of a test on its own display: the display comes before the application object, and the
// test's own `display` pointer is set to it.
#define MANAGER_TEST_MAIN(TestObject, Application)                                                  \
    int main(int argc, char *argv[])                                                                \
    {                                                                                               \
        ManagerDisplay managed;                                                                     \
        display = &managed;                                                                         \
        Application app(argc, argv);                                                                \
        TestObject test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                  \
        return QTest::qExec(&test, argc, argv);                                                     \
    }
