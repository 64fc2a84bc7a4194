#include "mainwindowtest.h"

#include "globalstate.h"
#include "qdlgalert.h"
#include "qwinmain.h"

#include <QProcess>
#include <QScreen>
#include <QWindow>

#include <csignal>
#include <sys/types.h>

// Where the main window's pop-ups stand under a real window manager, which frames them and
// stacks them. The test starts its own X server (Xvfb) and window manager (openbox) and runs
// its checks in a second run of itself on that display.

namespace {

const char kUnderWm[] = "TAMREL_UNDER_WINDOW_MANAGER";
const char kWmPid[] = "TAMREL_WINDOW_MANAGER_PID";

// Runs a program on the display; its standard output, trimmed. Empty when it failed.
QString runOn(const QString &display, const QString &program, const QStringList &args)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(env);
    tool.start(program, args);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The managed windows from bottom to top, as the window manager stacks them.
QList<WId> stacking(const QString &display)
{
    QList<WId> ids;
    const QString out = runOn(display, QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    for (const QString &id : out.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << id.trimmed().toULong(nullptr, 16);
    return ids;
}

} // namespace

// The checks, run on the window manager's display.
class TestUnderWindowManager : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(prepareMainDatabase(dir));
        FixtureReport report{701, QStringLiteral("2026-12-07 09:41:05"), QStringLiteral("2026-12-06"),
                             QStringLiteral("甲证券"), QStringLiteral("021"), QStringLiteral("银行业周报"),
                             QString(), QString(), QString()};
        QVERIFY(insertReport(report));
    }

    // The alert list stands in the bottom-right corner of the available area with its frame:
    // the title bar the window manager adds is inside the area, not its bottom edge outside.
    void alertListFrameInTheCorner()
    {
        QDlgAlert alerts;
        const qint64 wm = qEnvironmentVariableIntValue(kWmPid);
        QVERIFY(wm > 0);
        for (int showing = 0; showing < 2; ++showing) {
            // A window manager busy for a moment frames the window only after the program has
            // placed it, as a loaded machine will.
            QCOMPARE(::kill(pid_t(wm), SIGSTOP), 0);
            alerts.addAlert(QStringLiteral("RAT_ACT_INI"), QStringLiteral("701"));
            QTest::qWait(300);
            QCOMPARE(::kill(pid_t(wm), SIGCONT), 0);
            QVERIFY(QTest::qWaitForWindowExposed(&alerts));
            QTRY_VERIFY2_WITH_TIMEOUT(alerts.frameGeometry() != alerts.geometry(), "no frame from the window manager",
                                      10000);
            const QRect available = alerts.screen()->availableGeometry();
            const auto where = [&] {
                const QRect f = alerts.frameGeometry();
                return QStringLiteral("frame %1,%2 %3x%4 in %5,%6 %7x%8")
                    .arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height())
                    .arg(available.x()).arg(available.y()).arg(available.width()).arg(available.height());
            };
            QTRY_VERIFY2_WITH_TIMEOUT(alerts.frameGeometry().bottomRight() == available.bottomRight(),
                                      qPrintable(where()), 5000);
            QVERIFY2(available.contains(alerts.frameGeometry()), qPrintable(where()));
            alerts.close();
            QTRY_VERIFY(!alerts.isVisible());
        }
    }

    // Above the maximized main window, also once the user has clicked it.
    void popUpsAboveTheMaximizedMainWindow_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("report download") << "QDlgDownloadFile";
        QTest::newRow("message strip") << "QDlgMessage";
        QTest::newRow("alert list") << "QDlgAlert";
    }

    void popUpsAboveTheMaximizedMainWindow()
    {
        QFETCH(QString, dialog);
        setMessageShow(0);
        QWinMain window;
        QVERIFY(showExposed(window));
        window.maximizeWindow();
        QWidget *popUp = topLevelOf(dialog.toLatin1().constData());
        QVERIFY(popUp);
        popUp->show();
        QVERIFY(QTest::qWaitForWindowExposed(popUp));
        // A click on the main window, through the X server as the user's, which the window
        // manager sees and which gives the main window the focus.
        const QString display = qEnvironmentVariable("DISPLAY");
        runOn(display, QStringLiteral("xdotool"),
              {"mousemove", "--window", QString::number(window.winId()), "300", "300", "click", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(window.isActiveWindow(), 5000);
        const auto order = [&] {
            const QList<WId> ids = stacking(display);
            return QStringLiteral("%1 above %2: %3")
                .arg(ids.indexOf(popUp->winId()))
                .arg(ids.indexOf(window.winId()))
                .arg(ids.indexOf(popUp->winId()) > ids.indexOf(window.winId()) ? "true" : "false");
        };
        QTRY_VERIFY2_WITH_TIMEOUT(order().endsWith(QLatin1String("true")), qPrintable(order()), 5000);
        QTest::qWait(300); // the window manager settles its layers after the click
        QVERIFY2(order().endsWith(QLatin1String("true")), qPrintable(order()));
        popUp->hide();
    }
};

// Starts the X server and the window manager, then the checks on them.
class TestWindowManager : public QObject
{
    Q_OBJECT

    QProcess m_xvfb;
    QProcess m_wm;
    QString m_display;

private slots:
    void initTestCase()
    {
        // Xvfb picks a free display number and writes it to its standard output.
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
        QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, 20000);
        m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine().trimmed());
        QVERIFY2(m_display.size() > 1, "Xvfb did not start");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        m_wm.setProcessEnvironment(env);
        m_wm.start(QStringLiteral("openbox"), {"--sm-disable"});
        QVERIFY2(m_wm.waitForStarted(10000), "openbox did not start (is it installed?)");
        QTRY_VERIFY2_WITH_TIMEOUT(runOn(m_display, QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"})
                                      .contains(QLatin1String("window id")),
                                  "openbox did not take over the display", 20000);
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_wm, &m_xvfb}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }

    void checksUnderTheWindowManager()
    {
        QProcess checks;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QLatin1String(kUnderWm), QStringLiteral("1"));
        env.insert(QLatin1String(kWmPid), QString::number(m_wm.processId()));
        checks.setProcessEnvironment(env);
        checks.setProcessChannelMode(QProcess::MergedChannels);
        checks.start(QCoreApplication::applicationFilePath(), {});
        const bool ended = checks.waitForFinished(120000);
        const QString output = QString::fromLocal8Bit(checks.readAll());
        if (!ended)
            checks.kill();
        QVERIFY2(ended, "the checks under the window manager did not end within two minutes");
        // The end of the checks' report: what failed is there.
        QVERIFY2(checks.exitStatus() == QProcess::NormalExit && checks.exitCode() == 0, qPrintable(output.right(3000)));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kUnderWm)) {
        TestUnderWindowManager checks;
        return QTest::qExec(&checks, argc, argv);
    }
    TestWindowManager test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowmanager.moc"
