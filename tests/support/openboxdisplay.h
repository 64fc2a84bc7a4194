#pragma once

// A virtual X display with the openbox window manager, for tests of where windows stand: a
// manager frames and places windows, which the offscreen platform never does. Built before the
// application object, it starts Xvfb (on a display number Xvfb picks) and openbox and points Qt
// at them; without either program the test runs offscreen and says so.
//
//   int main(int argc, char *argv[]) { OpenboxDisplay display; QApplication app(argc, argv); ... }

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtGlobal>

#include <csignal>
#include <sys/types.h>

class OpenboxDisplay
{
public:
    OpenboxDisplay()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("openbox").isEmpty()) {
            qInfo("Xvfb or openbox not installed: running offscreen, without a window manager");
            return;
        }
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1600x900x24", "-nolisten", "tcp", "-noreset"});
        if (!m_xvfb.waitForReadyRead(20000)) {
            qWarning("Xvfb did not start within 20 s: running offscreen");
            return;
        }
        const QByteArray display = ':' + m_xvfb.readLine().trimmed();
        qputenv("DISPLAY", display);
        m_wm.start("openbox", {});
        // openbox sets _NET_SUPPORTING_WM_CHECK on the root window once it manages the screen.
        for (int i = 0; i < 100 && !managed(display); ++i)
            QThread::msleep(100);
        if (!managed(display))
            qWarning("openbox did not take the display within 10 s");
        qputenv("QT_QPA_PLATFORM", "xcb");
        running = true;
    }

    ~OpenboxDisplay()
    {
        for (QProcess *p : {&m_wm, &m_xvfb}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
        }
    }

    bool running = false;

    // Stops the window manager, as a busy machine holds it up, until resumeWindowManager().
    // False without one.
    bool pauseWindowManager() const { return signalWindowManager(SIGSTOP); }
    bool resumeWindowManager() const { return signalWindowManager(SIGCONT); }

    // Ends the window manager, runs meanwhile, then starts a new one, which frames the windows
    // mapped meanwhile as it takes the display: a manager that comes after the program's window.
    // False when the new one did not take the display within 10 s.
    template <typename Meanwhile>
    bool restartWindowManager(Meanwhile meanwhile)
    {
        m_wm.terminate();
        if (!m_wm.waitForFinished(5000)) {
            m_wm.kill();
            m_wm.waitForFinished(5000);
        }
        meanwhile();
        m_wm.start("openbox", {});
        const QByteArray display = qgetenv("DISPLAY");
        for (int i = 0; i < 100 && !managed(display); ++i)
            QThread::msleep(100);
        return managed(display);
    }

private:
    bool signalWindowManager(int signal) const
    {
        const qint64 pid = m_wm.processId();
        return pid > 0 && ::kill(pid_t(pid), signal) == 0;
    }

    static bool managed(const QByteArray &display)
    {
        QProcess xprop;
        xprop.start("xprop", {"-display", QString::fromLatin1(display), "-root", "_NET_SUPPORTING_WM_CHECK"});
        return xprop.waitForFinished(3000) && xprop.readAll().contains("window id");
    }

    QProcess m_xvfb;
    QProcess m_wm;
};

// main() of a test on its own display: the display comes before the application object, and the
// test's own `display` pointer is set to it.
#define OPENBOX_TEST_MAIN(TestObject, Application)                                                  \
    int main(int argc, char *argv[])                                                                \
    {                                                                                               \
        OpenboxDisplay openbox;                                                                     \
        display = &openbox;                                                                         \
        Application app(argc, argv);                                                                \
        TestObject test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                  \
        return QTest::qExec(&test, argc, argv);                                                     \
    }
