#include "mainwindowtest.h"

#include "globalstate.h"
#include "managerdisplay.h"
#include "qdlgalert.h"
#include "qwinmain.h"
#include "waiting.h"
#include "windowstacking.h"
#include "xwindows.h"

#include <QScreen>
#include <QWindow>


// Where the main window's pop-ups stand under a real window manager, which frames and stacks
// them: the test runs on its own X server (Xvfb) with a window manager.

namespace {

// Set by main: the display and its window manager.
ManagerDisplay *display = nullptr;

// Waits on the X server alone, handling none of the program's events meanwhile, as a program
// busy with other work does; empty once done() holds.
template <typename Done>
QString waitWithoutEvents(const QString &what, Done done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return QStringLiteral("waited %1 s in vain for %2").arg(timeoutMs / 1000.0).arg(what);
        QThread::msleep(50);
    }
    return QString();
}

} // namespace

class TestWindowManager : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
                 ManagerDisplay::needed());
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
        const auto checkCorner = [](QDlgAlert &alerts) {
            QVERIFY(QTest::qWaitForWindowExposed(&alerts));
            // Framed as the manager tells it (EWMH frame extents), also where it draws no frame;
            // where the frame stands is what the X server shows.
            XWindowState state;
            WAIT_UNTIL("the window manager's frame", (state = xWindowState(alerts.winId())).framed && state.mapped, 10000);
            const QRect available = alerts.screen()->availableGeometry();
            const auto where = [&] {
                return QStringLiteral("%1 in %2,%3 %4x%5").arg(state.describe())
                    .arg(available.x()).arg(available.y()).arg(available.width()).arg(available.height());
            };
            // As long as the suite waits for a manager elsewhere: a busy kwin takes the last place
            // asked for only after several seconds.
            const QString failure = waitUntil(QStringLiteral("the frame in the bottom-right corner"), [&] {
                return (state = xWindowState(alerts.winId())).frame.bottomRight() == available.bottomRight();
            }, 10000);
            QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": ") + where()));
            QVERIFY2(available.contains(state.frame), qPrintable(where()));
            alerts.close();
            QTRY_VERIFY(!alerts.isVisible());
        };

        // A window manager that comes after the list was shown frames it where it stands, placed
        // by its bare size, and pushes nothing on screen: only the program placing it again by
        // its frame keeps the frame's bottom edge inside the area.
        {
            QDlgAlert late;
            bool exposed = false;
            QVERIFY(display->restartWindowManager([&] {
                late.addAlert(QStringLiteral("RAT_ACT_INI"), QStringLiteral("701"));
                exposed = QTest::qWaitForWindowExposed(&late);
            }));
            QVERIFY(exposed);
            checkCorner(late);
            if (QTest::currentTestFailed())
                return;
        }

        QDlgAlert alerts;
        for (int showing = 0; showing < 2; ++showing) {
            // A window manager busy for a moment frames the window only after the program has
            // placed it, as a loaded machine will.
            QVERIFY(display->pauseWindowManager());
            alerts.addAlert(QStringLiteral("RAT_ACT_INI"), QStringLiteral("701"));
            QTest::qWait(300);
            QVERIFY(display->resumeWindowManager());
            checkCorner(alerts);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The user minimizes the window with its own button and restores it from the task bar (the
    // manager activates it) while the program is busy and sees neither; the button's next click
    // minimizes it again.
    void minimizeButtonAfterARestoreUnseen()
    {
        setMessageShow(0);
        QWinMain window;
        window.resize(1280, 760);
        QVERIFY(showExposed(window));
        const WId id = window.winId();
        auto *button = window.findChild<QAbstractButton *>(QStringLiteral("btnMinimize"));
        QVERIFY(button);
        const auto click = [&] {
            const QPoint at = button->mapTo(&window, button->rect().center());
            return runXTool(QStringLiteral("xdotool"), {"mousemove", "--window", QString::number(id),
                                                        QString::number(at.x()), QString::number(at.y()), "click", "1"});
        };
        const auto restore = [&] {
            return runXTool(QStringLiteral("xdotool"), {"windowactivate", QString::number(id)});
        };
        // Minimized and restored as the manager says (ICCCM's WM_STATE): a window it keeps
        // mapped while minimized is not on the screen either.
        const auto minimized = [&] { return xWindowState(id).iconic; };
        const auto restored = [&] {
            const XWindowState state = xWindowState(id);
            return state.mapped && !state.iconic;
        };
        // Busy from the moment the program has asked to be minimized (this runs after the
        // window's own handler) until the manager has restored the window.
        QString busy;
        bool once = false;
        const auto connection = connect(button, &QAbstractButton::clicked, [&] {
            if (std::exchange(once, true))
                return;
            busy = waitWithoutEvents("the window minimized", minimized, 10000);
            if (busy.isEmpty() && !restore())
                busy = "xdotool failed";
            if (busy.isEmpty())
                busy = waitWithoutEvents("the window restored", restored, 10000);
        });
        QVERIFY(click());
        WAIT_UNTIL("the first click handled", once, 10000);
        disconnect(connection);
        QVERIFY2(busy.isEmpty(), qPrintable(busy));
        WAIT_UNTIL("the restored window active", window.isActiveWindow(), 10000);

        QVERIFY(click());
        const QString failure = waitUntil("the window minimized again", minimized, 10000);
        const QString state = QStringLiteral(": Qt's state %1").arg(int(window.windowState()));
        QVERIFY(restore());
        QVERIFY2(failure.isEmpty(), qPrintable(failure + state));
        WAIT_UNTIL("the window restored", restored(), 10000);
    }

    // The user maximizes the window with its own button, where no panel makes the available area
    // smaller than the monitor, and restores it with the button that takes its place: it fills
    // the area, then stands where it stood, as the X server shows it. (A manager may take a
    // frameless window that asks for the whole monitor for one going full screen, and hold it so.)
    void restoreButtonAfterMaximize()
    {
        setMessageShow(0);
        QWinMain window;
        window.resize(1280, 760);
        QVERIFY(showExposed(window));
        const WId id = window.winId();
        const QRect available = window.screen()->availableGeometry();
        QVERIFY(available == window.screen()->geometry());
        // Where the program put it, once the manager has it there.
        XWindowState state;
        WAIT_UNTIL("the window in its place", (state = xWindowState(id)).mapped && state.client == window.geometry(), 10000);
        const QRect before = state.client;
        const auto click = [&](const char *name) {
            auto *button = window.findChild<QAbstractButton *>(QLatin1String(name));
            return button && button->isVisible() && xClick(id, button->mapTo(&window, button->rect().center()));
        };
        QVERIFY(click("btnMaximize"));
        WAIT_UNTIL("the window filling the available area", (state = xWindowState(id)).frame == available, 10000);
        WAIT_UNTIL("the restore button", window.findChild<QAbstractButton *>("btnRestore")->isVisible(), 10000);
        QVERIFY(click("btnRestore"));
        const QString failure = waitUntil(QStringLiteral("the window where it stood"),
                                          [&] { return (state = xWindowState(id)).client == before; }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": it stands at ") + state.describe()));
    }

    // The message strip, switched on from the menu, stands at the top of the screen, centred,
    // above the main window (maximized too), and follows the user's drag by its logo wherever
    // the manager placed it.
    void messageStripAtTheTopFollowsADrag_data()
    {
        QTest::addColumn<bool>("maximized");
        QTest::newRow("main window as it opened") << false;
        QTest::newRow("main window maximized") << true;
    }

    void messageStripAtTheTopFollowsADrag()
    {
        QFETCH(bool, maximized);
        setMessageShow(0);
        QWinMain window;
        QVERIFY(showExposed(window));
        if (maximized)
            window.maximizeWindow();
        QAction *stripEntry = actionOf(window, QStringLiteral("滚动提示(&M)"));
        QVERIFY(stripEntry && !stripEntry->isChecked());
        stripEntry->trigger();
        QWidget *strip = topLevelOf("QDlgMessage");
        QVERIFY(strip);
        const WId id = strip->winId();
        XWindowState placed;
        WAIT_UNTIL("the strip taken on by the manager", (placed = xWindowState(id)).managed && placed.mapped, 10000);
        const QRect area = strip->screen()->availableGeometry();
        const QPoint topCentre(area.x() + (area.width() - placed.frame.width()) / 2, area.y());
        const QString atTop = waitUntil("the strip at the top centre",
                                        [&] { return (placed = xWindowState(id)).frame.topLeft() == topCentre; }, 10000);
        QVERIFY2(atTop.isEmpty(), qPrintable(atTop + QStringLiteral(": ") + placed.describe()));
        const auto above = [&] {
            const QList<WId> order = stackingOrder();
            return order.indexOf(id) > order.indexOf(window.winId()) && order.indexOf(window.winId()) >= 0;
        };
        WAIT_UNTIL("the strip above the main window", above(), 5000);

        const QPoint by(120, 200);
        QWidget *logo = strip->findChild<QWidget *>(QStringLiteral("lblLogo"));
        QVERIFY(xDrag(id, logo->geometry().center(), by));
        const QString dragged = waitUntil("the strip where it was dragged",
                                          [&] { return (placed = xWindowState(id)).frame.topLeft() == topCentre + by; },
                                          5000);
        QVERIFY2(dragged.isEmpty(), qPrintable(dragged + QStringLiteral(": ") + placed.describe()));
        QVERIFY2(above(), "the dragged strip went below the main window");
        stripEntry->trigger();
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
        // manager sees and which gives the main window the focus. mutter, still busy with the
        // pop-up, may let the click through without focusing the window: the user clicks again.
        QVERIFY(xClick(window.winId(), QPoint(300, 300)));
        if (display->is("mutter")
            && !waitUntil("the clicked main window active", [&] { return window.isActiveWindow(); }, 3000).isEmpty())
            QVERIFY(xClick(window.winId(), QPoint(300, 300)));
        WAIT_UNTIL("the clicked main window active", window.isActiveWindow(), 5000);
        const auto order = [&] {
            const QList<WId> ids = stackingOrder();
            return QStringLiteral("%1 above %2: %3")
                .arg(ids.indexOf(popUp->winId()))
                .arg(ids.indexOf(window.winId()))
                .arg(ids.indexOf(popUp->winId()) > ids.indexOf(window.winId()) ? "true" : "false");
        };
        const QString failure = waitUntil(QStringLiteral("the pop-up above the main window"),
                                          [&] { return order().endsWith(QLatin1String("true")); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": ") + order()));
        QTest::qWait(300); // the window manager settles its layers after the click
        QVERIFY2(order().endsWith(QLatin1String("true")), qPrintable(order()));
        popUp->hide();
    }
};

MANAGER_TEST_MAIN(TestWindowManager, QApplication)

#include "tst_windowmanager.moc"
