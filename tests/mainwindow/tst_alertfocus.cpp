#include "mainwindowtest.h"
#include "standinwindow.h"

#include "devserver.h"
#include "focusscript.h"
#include "globalstate.h"
#include "listpointer.h"
#include "lookupsclosed.h"
#include "windowsontop.h"
#include "managerdisplay.h"
#include "orderhistory.h"
#include "qdlgalert.h"
#include "qdlgdownloadfile.h"
#include "qhttpclient.h"
#include "qwinmain.h"
#include "qwinreportlist.h"
#include "urlcatcher.h"
#include "waiting.h"
#include "windowstacking.h"
#include "xwindows.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableWidget>
#include <QThread>

// The alert list under a real window manager (Xvfb with a window manager), as alerts come while the user
// types into the main window: the list comes up above the main window and the keys stay where
// they were typed, with the manager quick or held up; once clicked, the list has the keyboard.
// When the report download the user is in closes while the list is up, the keys go back to the
// main window, not to the list; nor does a click on the message strip take them from there.

namespace {

ManagerDisplay *display = nullptr;

const QString kInst = QStringLiteral("提示证券");

// How the alert comes while the code is typed.
enum class Arrival {
    Quick,                 // shown while the lookup is open, the manager maps it at once
    HeldUp,                // ... the manager held up as it maps, resumed before the code is whole
    HeldUpFromTheFirstKey, // ... the manager held up as the lookup maps too
    AlreadyShown,          // on screen before the code is typed; the new alert raises it
    RestoredMeanwhile,     // on screen, the main window minimized and restored, then raised
    WhileMinimized,        // shown while the main window is minimized, which is restored then
};

// How the report download the user is in closes.
enum class DownloadEnd {
    Escape, // typed into it
    Fails,  // its stalled transfer given up (as the client's idle watchdog does), the box that says
            // so answered with Return
    Ends,   // its report stored and opened
};

// How the alert list is up when the download closes.
enum class ListUp {
    BeforeTheDownload,     // shown before the download was opened
    WhileTheDownloadIsUp,  // shown while the download has the keyboard
    ShownAgainAfterAClick, // ... once clicked (which lets it take the keyboard) and hidden
};

// Whether the window's ICCCM input hint lets the manager give it the keyboard, as xprop reads it.
bool acceptsInput(WId id)
{
    QString hints;
    runXTool(QStringLiteral("xprop"), {"-id", QString::number(id), "WM_HINTS"}, &hints);
    return !hints.contains(QLatin1String("Client accepts input or input focus: False"));
}

} // namespace

Q_DECLARE_METATYPE(Arrival)
Q_DECLARE_METATYPE(DownloadEnd)
Q_DECLARE_METATYPE(ListUp)

class TestAlertFocus : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
    QDlgAlert *alert = nullptr;
    QDlgDownloadFile *download = nullptr;
    QWidget *strip = nullptr;
    QString reportId;
    ModalLeftOpen leftOpen;

    // The menu's entry that switches the message strip, Ctrl+M.
    QAction *stripEntry() const { return actionOf(*window, QStringLiteral("滚动提示(&M)")); }

    void addAlert() { alert->addAlert(QStringLiteral("RAT_ACT_UPG"), reportId); }

    QString focusText() const
    {
        const WId focus = xFocus();
        QWidget *active = QApplication::activeWindow();
        const QString program = QStringLiteral(" (the program's active window: %1)")
                                    .arg(active ? QString::fromLatin1(active->metaObject()->className()) : QStringLiteral("none"));
        if (focus == alert->winId())
            return QStringLiteral("the alert list") + (active == alert ? QString() : program);
        if (focus == window->winId())
            return QStringLiteral("the main window") + (active == window.data() ? QString() : program);
        return QStringLiteral("window %1").arg(focus) + program;
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

    // The main window has the keyboard: a code typed there opens its stock, whose list's title
    // ends with the code.
    void mainWindowTakesTheNextCode()
    {
        QString failure = waitUntil("the main window focused", [&] { return mainFocused(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        QVERIFY(xdotool({"key", "--delay", "60", "6", "0", "0", "3", "1", "0", "Return"}));
        failure = waitUntil("the list of 600310.SH",
                            [&] { return window->windowTitle().endsWith(QLatin1String("(600310.SH)")); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the window shows " + window->windowTitle()
                                               + ", the focus on " + focusText()));
        failure = waitUntil("the main window focused", [&] { return mainFocused(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
    }

    // Waits up to 10 s without the event loop, so what the program would do meanwhile waits too.
    template <typename Done>
    static bool heldUntil(Done done)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000)
            QThread::msleep(50);
        return done();
    }

    // The report opened as a title clicked in the main window does: the download dialog has
    // the keyboard once the manager has focused it. Stalled, its file never comes; otherwise it
    // comes only then (the transfer starts from the event loop, held until the dialog is focused).
    void openDownload(bool stalled)
    {
        QVERIFY(server.setFault(QStringLiteral("stall"), stalled, QStringLiteral("/oss/fil")));
        server.clearRequestLog();
        window->openFile(reportId, dir.filePath(QStringLiteral("reports/r.pdf")));
        if (!stalled) {
            QVERIFY2(heldUntil([&] { return xFocus() == download->winId(); }),
                     qPrintable("the download dialog not focused: the focus on " + focusText()));
            return;
        }
        WAIT_UNTIL("the report's address and file asked for", requestsForReport(server, reportId) == 2, 30000);
        const QString failure = waitUntil("the download dialog focused", [&] { return xFocus() == download->winId(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
    }

    // Clicked, the list has the keyboard; Escape then hides it, and the user goes back to the
    // main window.
    void clickAndHideTheList()
    {
        QTableWidget *table = alert->alertList();
        QVERIFY(clickAt(table->viewport(), Qt::LeftButton, table->visualItemRect(table->item(0, 0)).center()));
        const QString failure = waitUntil("the alert list focused",
                                          [&] { return xFocus() == alert->winId() && alert->isActiveWindow(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        QVERIFY(xdotool({"key", "Escape"}));
        WAIT_UNTIL("the alert list unmapped", !alert->isVisible() && !xWindowState(alert->winId()).mapped, 10000);
        activateMain();
    }

private slots:
    void initTestCase()
    {
        WindowsOnTop windowsOnTop;
        openMainWindow(display, server, dir, kInst, &reportId, window, &windowsOnTop);
        alert = windowsOnTop.alert;
        download = windowsOnTop.download;
        strip = windowsOnTop.strip;
        QVERIFY(stripEntry());
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
        if (download->isVisible() || download->isDownloading())
            download->reject();
        if (stripEntry()->isChecked())
            stripEntry()->trigger();
        if (window->isMinimized())
            activateMain();
        alert->close();
        // A report stored would open at once next time, without the download.
        QFile::remove(dir.filePath(QStringLiteral("reports/r.pdf")));
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

    // A click on the list gives it the keyboard, and leaves its title bar's buttons as they were:
    // Escape then hides it, its rows kept, and the main window's list stays where it was. A click on a title opens that report (its file
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
        const QStringList buttons = allowedActions(alert->winId());
        QTableWidget *table = alert->alertList();
        QVERIFY(clickAt(table->viewport(), Qt::LeftButton, table->visualItemRect(table->item(0, 0)).center()));
        QString failure = waitUntil("the alert list focused",
                                    [&] { return xFocus() == alert->winId() && alert->isActiveWindow(); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        // Its title bar keeps its buttons: what the manager lets the user do with it is as before.
        QCOMPARE(allowedActions(alert->winId()), buttons);
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

    // The report download the user is in closes while the alert list is up: by Escape, as its
    // transfer fails and the box that says so is answered, or as its report opens. The keys go
    // back to the main window, never to the list, which tells the manager it takes no keyboard
    // until clicked: also when it was clicked before, hidden and shown again by a new alert.
    void keysGoToTheMainWindowAsTheDownloadCloses_data()
    {
        QTest::addColumn<DownloadEnd>("end");
        QTest::addColumn<ListUp>("listUp");
        QTest::newRow("Escape, list up before the download") << DownloadEnd::Escape << ListUp::BeforeTheDownload;
        QTest::newRow("Escape, list up meanwhile") << DownloadEnd::Escape << ListUp::WhileTheDownloadIsUp;
        QTest::newRow("Escape, list clicked once, up again meanwhile") << DownloadEnd::Escape << ListUp::ShownAgainAfterAClick;
        QTest::newRow("fails, list up before the download") << DownloadEnd::Fails << ListUp::BeforeTheDownload;
        QTest::newRow("fails, list up meanwhile") << DownloadEnd::Fails << ListUp::WhileTheDownloadIsUp;
        QTest::newRow("fails, list clicked once, up again meanwhile") << DownloadEnd::Fails << ListUp::ShownAgainAfterAClick;
        QTest::newRow("report opened, list up before the download") << DownloadEnd::Ends << ListUp::BeforeTheDownload;
        QTest::newRow("report opened, list up meanwhile") << DownloadEnd::Ends << ListUp::WhileTheDownloadIsUp;
    }

    void keysGoToTheMainWindowAsTheDownloadCloses()
    {
        QFETCH(DownloadEnd, end);
        QFETCH(ListUp, listUp);
        if (listUp == ListUp::ShownAgainAfterAClick) {
            addAlert();
            waitAlertAboveMain();
            if (QTest::currentTestFailed())
                return;
            clickAndHideTheList();
        }
        if (listUp == ListUp::BeforeTheDownload) {
            addAlert();
            waitAlertAboveMain();
        }
        if (QTest::currentTestFailed())
            return;
        // No reader: the report opens in the catcher.
        UrlCatcher reader;
        const int pdfReader = getPdfReader();
        setPdfReader(1);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &reader, "open");
        const auto restoreReader = qScopeGuard([pdfReader] {
            setPdfReader(pdfReader);
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        });
        const bool stalled = end != DownloadEnd::Ends;
        openDownload(stalled);
        if (QTest::currentTestFailed())
            return;
        if (listUp != ListUp::BeforeTheDownload) {
            addAlert();
            if (!stalled) {
                // Still held: the report comes once the manager has stacked the list.
                QVERIFY2(heldUntil([&] { return alertAboveMain().isEmpty(); }), qPrintable(alertAboveMain()));
            } else {
                waitAlertAboveMain();
                if (QTest::currentTestFailed())
                    return;
                const QString failure = waitUntil("the download dialog focused", [&] { return xFocus() == download->winId(); }, 10000);
                QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
            }
        }
        XFocusIns alertFocusIns(alert);

        if (end == DownloadEnd::Escape) {
            QVERIFY(xdotool({"key", "Escape"}));
        } else if (end == DownloadEnd::Fails) {
            // The box runs its own loop: it is answered from the event loop once focused.
            Script answer({{"the failure box focused",
                            [] {
                                QWidget *box = QApplication::activeModalWidget();
                                return qobject_cast<QMessageBox *>(box) && box->isVisible() && xFocus() == box->winId();
                            },
                            [] { QVERIFY(xdotool({"key", "Return"})); },
                            [&] { return QStringLiteral("the focus on ") + focusText(); }}});
            QTimer::singleShot(0, download, [this] { download->findChild<QHttpClient *>()->abort(); });
            const QString failure = waitUntil("the failure box answered", [&] { return answer.done(); }, 20000);
            QVERIFY2(failure.isEmpty() && answer.failure.isEmpty(), qPrintable(failure + answer.failure));
        } else {
            WAIT_UNTIL("the report opened", reader.urls.size() == 1, 10000);
        }
        WAIT_UNTIL("the download dialog unmapped",
                   !download->isVisible() && !download->isDownloading() && !xWindowState(download->winId()).mapped, 10000);
        mainWindowTakesTheNextCode();
        QVERIFY2(alertFocusIns.count == 0,
                 qPrintable(QStringLiteral("the X server gave the alert list the focus %1 times").arg(alertFocusIns.count)));
        QVERIFY2(alert->isVisible(), "the alert list hidden");
        // Said by the program as it shows the list, whatever a click let it take before.
        QVERIFY2(!acceptsInput(alert->winId()), "the alert list lets the manager give it the keyboard");
    }

    // The message strip takes no keyboard: a click on it where no report is, or a drag by its
    // logo, leaves the keys with the main window, where a code typed next opens its stock.
    void stripLeavesTheKeysWithTheMainWindow_data()
    {
        QTest::addColumn<bool>("drag");
        QTest::newRow("click beside the messages") << false;
        QTest::newRow("drag by the logo") << true;
    }

    void stripLeavesTheKeysWithTheMainWindow()
    {
        QFETCH(bool, drag);
        stripEntry()->trigger();
        const WId id = strip->winId();
        WAIT_UNTIL("the strip above the main window", xWindowState(id).managed && isShown(id)
                       && stackingOrder().indexOf(id) > stackingOrder().indexOf(window->winId()), 10000);
        activateMain();
        if (QTest::currentTestFailed())
            return;
        // The manager deals with a press (a click focuses where it may) before the program has it.
        int released = 0;
        struct Releases : QObject
        {
            int *count;
            explicit Releases(int *c) : count(c) {}
            bool eventFilter(QObject *, QEvent *event) override
            {
                *count += event->type() == QEvent::MouseButtonRelease ? 1 : 0;
                return false;
            }
        } releases(&released);
        strip->windowHandle()->installEventFilter(&releases);
        if (drag) {
            const QPoint from = xWindowState(id).frame.topLeft(), by(100, 150);
            QWidget *logo = strip->findChild<QWidget *>(QStringLiteral("lblLogo"));
            QVERIFY(xDrag(id, logo->geometry().center(), by));
            WAIT_UNTIL("the strip dragged", xWindowState(id).frame.topLeft() == from + by, 10000);
        } else {
            QVERIFY(xClick(id, QPoint(strip->width() - 20, strip->height() / 2)));
        }
        WAIT_UNTIL("the release on the strip seen", released == 1, 10000);
        strip->windowHandle()->removeEventFilter(&releases);
        mainWindowTakesTheNextCode();
        QVERIFY2(strip->isVisible(), "the strip was closed");
    }
};

MANAGER_TEST_MAIN(TestAlertFocus, QApplication)

#include "tst_alertfocus.moc"
