#include "managerdisplay.h"
#include "waiting.h"
#include "xwindows.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The real program started alone on a display with a window manager, as a new user starts it:
// the login box stands centred on the screen and the proxy settings its "代理" link opens stand
// centred over it, where it opened and where the user dragged it, and the program asks the
// window manager for the places where they stand. Clicks go through the X server; where the
// windows stand is what the X server says.

namespace {

const ManagerDisplay *display = nullptr;

// The "代理" link and a spot of the background, in the login box (768 x 435).
const QPoint kProxyLink(130 + 8, 400 + 27 / 2);
const QPoint kBackground(384, 200);

} // namespace

class TestLoginDialogsOfTheProgram : public QObject
{
    Q_OBJECT

    QProcess m_program;
    QTemporaryDir m_home;

    QString programEnded() const
    {
        return m_program.state() == QProcess::NotRunning ? QStringLiteral("the program ended") : QString();
    }

    // The first visible window whose name matches, once there is one; 0 when none came.
    quint64 waitForWindow(const QString &pattern, QString *failure)
    {
        QList<quint64> ids;
        *failure = waitUntil("a window named " + pattern, [&] { return !(ids = xWindowsNamed(pattern)).isEmpty(); },
                             30000, [this] { return programEnded(); });
        return ids.value(0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(display->running, ManagerDisplay::needed());
        QVERIFY(m_home.isValid());
    }

    void cleanup()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(10000);
        }
    }

    void proxySettingsCentredOverTheLogin_data()
    {
        QTest::addColumn<bool>("dragged");
        QTest::newRow("where it opened") << false;
        QTest::newRow("dragged by the user") << true;
    }

    void proxySettingsCentredOverTheLogin()
    {
        QFETCH(bool, dragged);
        // A fresh home for each start, as on a machine where the program never ran.
        const QString home = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *hook : {"TAMREL_ECHO_MESSAGES", "TAMREL_AUTOLOGIN", "TAMREL_SCREENSHOT", "TAMREL_LOGIN_SCREENSHOT"})
            env.remove(QString::fromLatin1(hook));
        env.insert(QStringLiteral("HOME"), home + "/home");
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + "/data");
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + "/config");
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(qEnvironmentVariable("TAMREL_PROGRAM"), QStringList());

        QString failure;
        const quint64 login = waitForWindow(QStringLiteral("^用户登录 - "), &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        XWindowState box;
        // Busy, kwin may map it at the screen's corner first; the program puts it back at once.
        WAIT_UNTIL("the login box framed where the program placed it",
                   (box = xWindowState(login)).framed && box.mapped && box.askedForWhereItStands(), 20000);
        QString screen;
        QVERIFY(runXTool(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}, &screen));
        const QPoint screenSize(screen.section(' ', 0, 0).toInt(), screen.section(' ', 1, 1).toInt());
        const XWindowState opened = box;
        if (dragged) {
            const QPoint by(-screenSize.x() / 4, -screenSize.y() / 5), to = box.frame.topLeft() + by;
            QVERIFY(xDrag(login, kBackground, by));
            WAIT_UNTIL("the dragged login box", (box = xWindowState(login)).frame.topLeft() == to, 20000);
        }
        QVERIFY2(box.askedForWhereItStands(), qPrintable("the login box asked for another place: " + box.describe()));

        QVERIFY(xClick(login, kProxyLink));
        const quint64 proxy = waitForWindow(QStringLiteral("^代理设置$"), &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        XWindowState dialog;
        failure = waitUntil("the proxy settings centred over the login box", [&] {
            dialog = xWindowState(proxy);
            return dialog.framed && dialog.mapped && (dialog.doubleCentre() - box.doubleCentre()).manhattanLength() <= 2;
        }, 20000, [this] { return programEnded(); });
        QVERIFY2(failure.isEmpty(), qPrintable(QString("%1: it stands at %2, the login box at %3")
                                                   .arg(failure, dialog.describe(), box.describe())));
        QVERIFY2(dialog.askedForWhereItStands(),
                 qPrintable("the proxy settings asked for another place: " + dialog.describe()));
        QVERIFY2((opened.doubleCentre() - screenSize).manhattanLength() <= 2,
                 qPrintable("the login box did not open centred on the screen: " + opened.describe()));
    }
};

MANAGER_TEST_MAIN(TestLoginDialogsOfTheProgram, QCoreApplication)

#include "tst_logindialogs.moc"
