#include "mainwindowtest.h"
#include "standinwindow.h"

#include "devserver.h"
#include "listpointer.h"
#include "lookupsclosed.h"
#include "windowsontop.h"
#include "managerdisplay.h"
#include "orderhistory.h"
#include "qdlgalert.h"
#include "qdlgdownloadfile.h"
#include "qwinmain.h"
#include "qwinreportlist.h"
#include "waiting.h"
#include "windowstacking.h"
#include "xwindows.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QX11Info>

#include <functional>

#include <xcb/xcb.h>

// The alert list under a real window manager (Xvfb with a window manager), as alerts come while the user
// types into the main window: the list comes up above the main window and the keys stay where
// they were typed, with the manager quick or held up; once clicked, the list has the keyboard.

namespace {

ManagerDisplay *display = nullptr;

const QString kInst = QStringLiteral("提示证券");

// The times the X server gave the window the keyboard focus, however briefly, from its making on:
// the program hands a focus that its modal lookup blocks on to the lookup, so the program's own
// record may not show it. What the server did before is dealt with first.
struct XFocusIns : QAbstractNativeEventFilter
{
    explicit XFocusIns(QWidget *window) : id(window->winId())
    {
        // Every event the server sent before the round trip's own is in Qt's queue once it is back.
        QX11Info::getTimestamp();
        QCoreApplication::processEvents();
        qApp->installNativeEventFilter(this);
    }
    ~XFocusIns() override { qApp->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray &type, void *message, long *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & ~0x80) != XCB_FOCUS_IN)
            return false;
        const auto *focus = static_cast<const xcb_focus_in_event_t *>(message);
        if (focus->event == id && focus->detail != XCB_NOTIFY_DETAIL_POINTER)
            ++count;
        return false;
    }
    const WId id;
    int count = 0;
};

// Steps run from the event loop, each once its condition holds: the lookup that the first key
// opens runs modally, and the test's own code goes on only once it has closed. A step that
// waits 10 s in vain ends the script with a failure.
class Script
{
public:
    struct Step
    {
        QString what; // waited for
        std::function<bool()> ready;
        std::function<void()> act;
        std::function<QString()> seen; // said when the wait fails
    };

    explicit Script(const QList<Step> &steps) : m_steps(steps)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
        m_clock.start();
    }

    bool done() const { return m_next >= m_steps.size() || !failure.isEmpty(); }
    QString failure;

private:
    void look()
    {
        if (done())
            return;
        const Step &step = m_steps.at(m_next);
        if (!step.ready()) {
            if (m_clock.elapsed() <= 10000)
                return;
            failure = QStringLiteral("waited 10 s in vain for %1: %2").arg(step.what, step.seen ? step.seen() : QString());
            // A lookup left open would keep the test's own wait from ending.
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                modal->reject();
            return;
        }
        step.act();
        ++m_next;
        m_clock.restart();
    }

    QList<Step> m_steps;
    int m_next = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

// How the alert comes while the code is typed.
enum class Arrival {
    Quick,                 // shown while the lookup is open, the manager maps it at once
    HeldUp,                // ... the manager held up as it maps, resumed before the code is whole
    HeldUpFromTheFirstKey, // ... the manager held up as the lookup maps too
    AlreadyShown,          // on screen before the code is typed; the new alert raises it
    RestoredMeanwhile,     // on screen, the main window minimized and restored, then raised
    WhileMinimized,        // shown while the main window is minimized, which is restored then
};

} // namespace

Q_DECLARE_METATYPE(Arrival)

class TestAlertFocus : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
    QDlgAlert *alert = nullptr;
    QString reportId;
    ModalLeftOpen leftOpen;

    void addAlert() { alert->addAlert(QStringLiteral("RAT_ACT_UPG"), reportId); }

    QString focusText() const
    {
        const WId focus = xFocus();
        if (focus == alert->winId())
            return QStringLiteral("the alert list");
        if (focus == window->winId())
            return QStringLiteral("the main window");
        QWidget *active = QApplication::activeWindow();
        return QStringLiteral("window %1 (the program's active window: %2)")
            .arg(focus)
            .arg(active ? QString::fromLatin1(active->metaObject()->className()) : QStringLiteral("none"));
    }

    bool mainFocused() const { return xFocus() == window->winId() && window->isActiveWindow(); }

    // Empty when the alert list is mapped and the manager stacks it above the main window.
    QString alertAboveMain() const
    {
        const QList<WId> order = stackingOrder();
        const int alertAt = order.indexOf(alert->winId()), mainAt = order.indexOf(window->winId());
        const bool mapped = xWindowState(alert->winId()).mapped;
        if (mapped && mainAt >= 0 && alertAt > mainAt)
            return QString();
        return QStringLiteral("alert list %1 at %2, main window at %3 of %4")
            .arg(mapped ? QStringLiteral("mapped") : QStringLiteral("unmapped"))
            .arg(alertAt).arg(mainAt).arg(order.size());
    }

    // And framed where it stays: the program places it once more by its frame, and a click aimed
    // before that would land beside the cell aimed at.
    void waitAlertAboveMain()
    {
        // The list is placed again once the manager tells its frame: in the corner by the frame.
        const auto settled = [&] {
            const XWindowState list = xWindowState(alert->winId());
            return list.framed && list.client == QRect(alert->mapToGlobal(QPoint(0, 0)), alert->size())
                   && list.frame.bottomRight() == alert->screen()->availableGeometry().bottomRight();
        };
        const QString failure = waitUntil("the alert list above the main window, framed where it stays",
                                          [&] { return alertAboveMain().isEmpty() && settled(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": " + alertAboveMain()));
    }

    // As a task bar does, through the manager.
    void activateMain()
    {
        QVERIFY(xdotool({"windowactivate", QString::number(window->winId())}));
        const QString failure = waitUntil("the main window focused", [&] { return mainFocused(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
    }

    // The manager's iconify, as its key binding does.
    void minimizeMain()
    {
        QVERIFY(xdotool({"windowminimize", QString::number(window->winId())}));
        WAIT_UNTIL("the main window minimized", xWindowState(window->winId()).iconic, 10000);
    }

private slots:
    void initTestCase()
    {
        WindowsOnTop windowsOnTop;
        openMainWindow(display, server, dir, kInst, &reportId, window, &windowsOnTop);
        alert = windowsOnTop.alert;
    }

    void init()
    {
        window->showReportListOfInst(kInst);
        QVERIFY(window->findChild<QWinReportList *>()->isVisible());
        activateMain();
        leftOpen.arm();
    }

    void cleanup()
    {
        leftOpen.disarm();
        display->resumeWindowManager();
        server.setFault(QStringLiteral("stall"), false);
        auto *download = qobject_cast<QDlgDownloadFile *>(topLevelOf("QDlgDownloadFile"));
        if (download->isVisible() || download->isDownloading())
            download->reject();
        if (window->isMinimized())
            activateMain();
        alert->close();
        WAIT_UNTIL("the alert list unmapped", !xWindowState(alert->winId()).mapped, 10000);
    }

    // A stock code typed over the report list opens the lookup, which holds the whole code and
    // opens the stock's list at Return, while an alert comes between the keys; Escape typed as
    // soon as that list shows takes it back, while the manager moves the focus. The X
    // server never gives the alert list the focus, neither while the code is typed nor as the
    // lookup goes (a manager would pick the list, shown last, if the program left it the
    // choice). In the end the main window has the keyboard, and the alert list stands above it.
    void keysTypedMeanwhileStayWithTheMainWindow_data()
    {
        QTest::addColumn<Arrival>("arrival");
        QTest::newRow("manager quick") << Arrival::Quick;
        QTest::newRow("manager held up while the list maps") << Arrival::HeldUp;
        QTest::newRow("manager held up while the lookup and the list map") << Arrival::HeldUpFromTheFirstKey;
        QTest::newRow("list on screen already") << Arrival::AlreadyShown;
        QTest::newRow("main window minimized and restored meanwhile") << Arrival::RestoredMeanwhile;
        QTest::newRow("shown while the main window is minimized") << Arrival::WhileMinimized;
    }

    void keysTypedMeanwhileStayWithTheMainWindow()
    {
        QFETCH(Arrival, arrival);
        if (arrival == Arrival::AlreadyShown || arrival == Arrival::RestoredMeanwhile) {
            addAlert();
            waitAlertAboveMain();
        }
        if (arrival == Arrival::RestoredMeanwhile || arrival == Arrival::WhileMinimized) {
            minimizeMain();
            if (arrival == Arrival::WhileMinimized)
                addAlert();
            activateMain();
            waitAlertAboveMain();
        }
        if (QTest::currentTestFailed())
            return;
        const bool heldUp = arrival == Arrival::HeldUp || arrival == Arrival::HeldUpFromTheFirstKey;
        const int depth = getOrderHistoryCount();
        const int rows = alert->alertList()->rowCount();
        const QString listShown = window->windowTitle();
        LookupsClosed lookups;
        XFocusIns alertFocusIns(alert);

        const auto typed = [](const QStringList &keys) { QVERIFY(xdotool(QStringList{"key", "--delay", "60"} + keys)); };
        const auto held = [] {
            QWidget *lookup = topLevelOf("QDlgGenius");
            return lookup && lookup->isVisible() ? lookup->findChild<QLineEdit *>(QStringLiteral("edtKeyword"))->text()
                                                 : QStringLiteral("(no lookup)");
        };
        // The keys dealt with; with the manager free, the lookup has the X focus by then.
        const auto lookupHolds = [=](const QString &code) {
            return [=] { return held() == code && (heldUp || xFocus() == topLevelOf("QDlgGenius")->winId()); };
        };
        const auto lookupSeen = [=] { return QStringLiteral("the lookup holds %1, the focus on %2").arg(held(), focusText()); };
        const auto always = [] { return true; };
        const auto pause = [] { QVERIFY(display->pauseWindowManager()); };
        QList<Script::Step> steps;
        if (arrival == Arrival::HeldUpFromTheFirstKey)
            steps << Script::Step{"", always, pause, {}};
        steps << Script::Step{"", always, [=] { typed({"6", "0", "0"}); }, {}};
        steps << Script::Step{"the lookup holding 600", lookupHolds("600"), [=] {
                                  if (arrival == Arrival::HeldUp)
                                      pause();
                                  addAlert();
                              }, lookupSeen};
        if (heldUp) {
            steps << Script::Step{"", always, [=] { typed({"3"}); }, {}};
            steps << Script::Step{"the lookup holding 6003", lookupHolds("6003"),
                                  [] { QVERIFY(display->resumeWindowManager()); }, lookupSeen};
        }
        // Once the manager has stacked the list it has dealt with its mapping and raising.
        steps << Script::Step{"the alert list above the main window", [=] { return alertAboveMain().isEmpty(); },
                              [=] { typed(heldUp ? QStringList{"0", "9"} : QStringList{"3", "0", "9"}); },
                              [=] { return alertAboveMain(); }};
        steps << Script::Step{"the lookup holding 600309", lookupHolds("600309"), [=] { typed({"Return"}); }, lookupSeen};
        // Escape typed as soon as the stock's list shows, while the manager moves the focus.
        QStringList titles;
        QObject titlesSeen; // ends the connection with this test's row
        connect(window.data(), &QWidget::windowTitleChanged, &titlesSeen, [&titles](const QString &title) {
            if (titles.isEmpty())
                xdotool({"key", "Escape"});
            titles << title;
        });
        Script script(steps);
        QString failure = waitUntil(
            "the lookup closed with 600309, the stock's list shown",
            [&] {
                return script.done() && lookups.codes == QStringList{"600309"} && !titles.isEmpty()
                       && titles.first().contains(QStringLiteral("润蓝石化"));
            },
            30000, [&] { return QTest::currentTestFailed() ? QStringLiteral("a step failed") : script.failure; });
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": lookups closed with (%1), titles (%2), the focus on %3")
                                                              .arg(lookups.codes.join(QLatin1Char(',')),
                                                                   titles.join(QStringLiteral(" | ")), focusText())));
        failure = waitUntil("the list taken back",
                            [&] { return getOrderHistoryCount() == depth && window->windowTitle() == listShown; }, 10000);
        const QString seen = QStringLiteral(": history %1 of %2, alert list %3, the focus on %4")
                                 .arg(getOrderHistoryCount()).arg(depth)
                                 .arg(alert->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"), focusText());
        QVERIFY2(failure.isEmpty(), qPrintable(failure + seen));
        QVERIFY2(alert->isVisible(), qPrintable("the alert list hidden" + seen));
        QCOMPARE(alert->alertList()->rowCount(), rows + 1);
        failure = waitUntil("the main window focused", [&] { return mainFocused(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        QVERIFY2(alertFocusIns.count == 0,
                 qPrintable(QStringLiteral("the X server gave the alert list the focus %1 times").arg(alertFocusIns.count)));
        waitAlertAboveMain();
    }

    // A click on the list gives it the keyboard: Escape then hides it, its rows kept, and the
    // main window's list stays where it was. A click on a title opens that report (its file
    // stalled, the download stays up), which then has the keyboard; a click on the list takes it
    // from there, and Escape hides the list, not the download.
    void clickGivesTheListTheKeyboard()
    {
        addAlert();
        waitAlertAboveMain();
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(mainFocused(), qPrintable("the focus on " + focusText()));
        const int depth = getOrderHistoryCount();
        QTableWidget *table = alert->alertList();
        QVERIFY(clickAt(table->viewport(), Qt::LeftButton, table->visualItemRect(table->item(0, 0)).center()));
        QString failure = waitUntil("the alert list focused",
                                    [&] { return xFocus() == alert->winId() && alert->isActiveWindow(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        QVERIFY(xdotool({"key", "Escape"}));
        WAIT_UNTIL("the alert list unmapped", !alert->isVisible() && !xWindowState(alert->winId()).mapped, 10000);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(getOrderHistoryCount(), depth);

        addAlert();
        waitAlertAboveMain();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        QSignalSpy opened(alert, &QDlgAlert::openFile);
        bool activated = false;
        QObject activationsSeen;
        connect(qApp, &QGuiApplication::focusWindowChanged, &activationsSeen,
                [&](QWindow *now) { activated = activated || now == alert->windowHandle(); });
        QVERIFY(clickAt(table->cellWidget(0, 2), Qt::LeftButton, QPoint(5, 5)));
        WAIT_UNTIL("the report opened", opened.count() == 1, 10000);
        QCOMPARE(opened.at(0).at(0).toString(), reportId);
        QVERIFY2(activated, qPrintable("the click left the focus on " + focusText()));
        auto *download = qobject_cast<QDlgDownloadFile *>(topLevelOf("QDlgDownloadFile"));
        failure = waitUntil("the download dialog focused", [&] { return xFocus() == download->winId(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));

        // With the download up and focused, a click on the list gives the list the keyboard:
        // Escape hides the list, and the download goes on.
        QVERIFY(clickAt(table->viewport(), Qt::LeftButton, table->visualItemRect(table->item(0, 0)).center()));
        failure = waitUntil("the alert list focused",
                            [&] { return xFocus() == alert->winId() && alert->isActiveWindow(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        QVERIFY(xdotool({"key", "Escape"}));
        WAIT_UNTIL("the alert list hidden", !alert->isVisible(), 10000);
        QVERIFY2(download->isDownloading() && download->isVisible(), "the download was cancelled");
    }
};

MANAGER_TEST_MAIN(TestAlertFocus, QApplication)

#include "tst_alertfocus.moc"
