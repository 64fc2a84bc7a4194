#include "mainwindowtest.h"
#include "standinwindow.h"

#include "devserver.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "listpointer.h"
#include "lookupsclosed.h"
#include "managerdisplay.h"
#include "orderhistory.h"
#include "qdlgdownloadfile.h"
#include "qwinmain.h"
#include "qwinreportlist.h"
#include "reportlistcolumns.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "waiting.h"
#include "windowstacking.h"
#include "xwindows.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyleHints>
#include <QTableWidget>

// The report download dialog under a real window manager (Xvfb with a window manager): where the
// keyboard goes once a title has opened it, and where the boxes the program shows meanwhile
// and afterwards stand against it.

namespace {

ManagerDisplay *display = nullptr;

const QString kInst = QStringLiteral("下载证券");

// Answers each message box and file dialog as it comes up, once the window manager has stacked
// it, and records whether it stood clear of the download dialog meanwhile: above it in the
// stacking order, or the dialog off the screen. A file dialog is given savePath.
class BoxStacking
{
public:
    struct Box
    {
        QString text; // a box's text, a file dialog's title
        bool clear = false;
        QString order;
    };

    BoxStacking(QWidget *download, const QString &savePath) : m_download(download), m_savePath(savePath)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
    }

    QList<Box> boxes;

    QString seen() const
    {
        QStringList lines;
        for (const Box &box : boxes)
            lines << box.text + (box.clear ? QStringLiteral(": clear, ") : QStringLiteral(": covered, ")) + box.order;
        return lines.join(QLatin1Char('\n'));
    }

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_answered || !modal->isVisible())
            return;
        const QList<WId> order = stackingOrder();
        const int boxAt = order.indexOf(modal->winId()), downloadAt = order.indexOf(m_download->winId());
        if (boxAt < 0)
            return; // not managed yet
        if (modal != m_current) {
            m_current = modal;
            m_clock.start();
            m_clearSince = -1;
        }
        // Clear once the manager has settled, and clear for a while after.
        const bool clear = downloadAt < boxAt;
        if (clear && m_clearSince < 0)
            m_clearSince = m_clock.elapsed();
        else if (!clear)
            m_clearSince = -1;
        const bool settled = m_clearSince >= 0 && m_clock.elapsed() - m_clearSince > 300;
        if (!settled && m_clock.elapsed() < 3000)
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        boxes << Box{box ? box->text() : modal->windowTitle(), settled,
                     QStringLiteral("download dialog at %1, box at %2 of %3").arg(downloadAt).arg(boxAt).arg(order.size())};
        m_answered = modal;
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            // The name as typed: selectFile() leaves a field with the focus alone.
            files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(m_savePath);
            QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        } else if (box) {
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        } else {
            static_cast<QDialog *>(modal)->reject();
        }
    }

    QWidget *m_download;
    QString m_savePath;
    QTimer m_timer;
    QPointer<QWidget> m_current, m_answered;
    QElapsedTimer m_clock;
    qint64 m_clearSince = -1;
};

// Counts the double-clicks that reach the program's windows.
struct DoubleClicks : QObject
{
    DoubleClicks() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        count += event->type() == QEvent::MouseButtonDblClick && watched->isWindowType();
        return false;
    }
    int count = 0;
};

// Counts the times the window it watches shows.
struct Shows : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Show;
        return false;
    }
    int count = 0;
};

// Holds the window manager up as the window it watches shows: a click before that still
// reaches the program (the manager replays each click it has grabbed).
struct PauseOnShow : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            display->pauseWindowManager();
        return false;
    }
};

// How the dialog's claim on the keyboard ends, or why it never starts: Hidden is the manager's
// minimize asked for as the dialog shows, Cancelled is Escape handed over to it.
enum class ClaimEnds { Restored, RestoredByTheManager, ClickedElsewhere, Hidden, Cancelled };

// When the window manager is held up: not at all, as the dialog shows (the clicks have reached
// the program), or before the clicks (it holds them up, and the X server gives the keys typed
// meanwhile to the window that has the focus).
enum class HeldUp { No, AsTheDialogShows, BeforeTheClicks };

} // namespace

Q_DECLARE_METATYPE(ClaimEnds)
Q_DECLARE_METATYPE(HeldUp)

class TestDownloadDialog : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
    QDlgDownloadFile *download = nullptr;
    QTableWidget *table = nullptr;
    QString ids[2]; // a PDF and a DOC report of the stand-in

    int requestsFor(const QString &id) const { return requestsForReport(server, id); }

    int rowOf(const QString &id) const
    {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, reportlist::ColDate)->data(reportlist::RoleId).toString() == id)
                return row;
        }
        return -1;
    }

    QWidget *titleOf(const QString &id) const { return table->cellWidget(rowOf(id), reportlist::ColTitle); }

    QString localFile(const QString &id) const
    {
        return getLocalFilePath(table->item(rowOf(id), reportlist::ColDate)->data(reportlist::RoleFileName).toString());
    }

    QString savePath() const { return dir.filePath(QStringLiteral("saved/银行业周报.pdf")); }

    // Empty once the dialog stands framed and centred in the available area by its frame, where
    // it asked to be; otherwise where it stands.
    QString centredByItsFrame(WId id) const
    {
        const QRect area = download->screen()->availableGeometry();
        const QPoint doubleCentre = area.topLeft() * 2 + QPoint(area.width(), area.height());
        XWindowState dialog;
        const QString failure = waitUntil("the dialog centred by its frame", [&] {
            dialog = xWindowState(id);
            return dialog.framed && dialog.mapped && (dialog.doubleCentre() - doubleCentre).manhattanLength() <= 2;
        }, 10000);
        if (!failure.isEmpty())
            return failure + ": it stands at " + dialog.describe();
        return dialog.askedForWhereItStands() ? QString() : "the dialog asked for another place: " + dialog.describe();
    }

    QString focusText() const
    {
        const WId focus = xFocus();
        return focus == download->winId() ? QStringLiteral("the download dialog")
               : focus == window->winId() ? QStringLiteral("the main window")
                                          : QStringLiteral("window %1").arg(focus);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
                 ManagerDisplay::needed());
        startStandInForWindow(server, dir);
        if (QTest::currentTestFailed())
            return;
        setPdfReader(0);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        const QJsonObject files = server.manifest().value("facts").toObject().value("reportFiles").toObject();
        ids[0] = files.value("PDF").toString();
        ids[1] = files.value("DOC").toString();
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QVERIFY(insertReport({ids[0].toLongLong(), today + " 09:41:05", "", kInst, "", "银行业周报", "", "", ""}));
        FixtureReport doc{ids[1].toLongLong(), today + " 09:41:04", "", kInst, "", "钢铁行业点评", "", "", ""};
        doc.type = QStringLiteral("DOC");
        QVERIFY(insertReport(doc));
        // For the stock lookup that a code typed into the main window opens.
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600309.SH', '润蓝石化', 0), "
                        "('600310.SH', '北辰电气', 0)"));
        QVERIFY(showMainWindow(window));
        download = qobject_cast<QDlgDownloadFile *>(topLevelOf("QDlgDownloadFile"));
        QVERIFY(download);
        keepUpWhileStalled(download);
    }

    void init()
    {
        window->showReportListOfInst(kInst);
        table = window->findChild<QWinReportList *>()->findChild<QTableWidget *>();
        QVERIFY(table->isVisible() && rowOf(ids[0]) >= 0 && rowOf(ids[1]) >= 0);
        for (const QString &id : ids)
            QFile::remove(localFile(id));
        QFile::remove(savePath());
        server.clearRequestLog();
        // The pointer away first: a click where the last one was may be taken for its second.
        QVERIFY(pointAt(window->findChild<QWidget *>(QStringLiteral("btnBack"))));
    }

    void cleanup()
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(-1);
        display->resumeWindowManager();
        server.setFault(QStringLiteral("stall"), false);
        if (download->isVisible() || download->isDownloading())
            download->reject();
    }

    // A click on a title opens the dialog centred in the available area by its frame, the title
    // bar the manager draws around it included, on its first showing as on the next (first in
    // this file: the dialog is shown here for the first time). A first showing ends so too when
    // the manager, held up as it comes, takes it on with the main window minimized meanwhile:
    // mutter maps it minimized, exposed, and only marks it normal as the window is restored. A
    // new dialog of the kind stands for it, shown as the main window shows its own: that one has
    // shown by now, and Qt's record of its frame places it right from the start.
    void opensCentredByItsFrame_data()
    {
        QTest::addColumn<bool>("minimizedMeanwhile");
        QTest::newRow("first showing and the next") << false;
        QTest::newRow("manager held up, the main window minimized meanwhile") << true;
    }

    void opensCentredByItsFrame()
    {
        QFETCH(bool, minimizedMeanwhile);
        if (minimizedMeanwhile) {
            const WId main = window->winId();
            QDlgDownloadFile fresh;
            fresh.setAttribute(Qt::WA_DeleteOnClose, false);
            fresh.winId();
            fresh.windowHandle()->setTransientParent(window->windowHandle());
            QVERIFY(display->pauseWindowManager());
            showPlaced(&fresh, Qt::AlignCenter, window.data());
            QVERIFY(xdotool({"windowminimize", QString::number(main)}));
            QVERIFY(display->resumeWindowManager());
            WAIT_UNTIL("the windows minimized", xWindowState(main).iconic && !isShown(fresh.winId()), 10000);
            QVERIFY(xdotool({"windowactivate", QString::number(main)}));
            WAIT_UNTIL("the windows restored", isShown(main) && isShown(fresh.winId()), 10000);
            const QString failure = centredByItsFrame(fresh.winId());
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            return;
        }
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        for (const char *showing : {"first showing", "shown again"}) {
            server.clearRequestLog();
            QVERIFY(clickAt(titleOf(ids[0]), Qt::LeftButton));
            WAIT_UNTIL("the report's address and file asked for", requestsFor(ids[0]) == 2, 30000);
            const QString failure = centredByItsFrame(download->winId());
            QVERIFY2(failure.isEmpty(), qPrintable(QString::fromUtf8(showing) + ": " + failure));
            download->reject();
            WAIT_UNTIL("the dialog unmapped", !xWindowState(download->winId()).mapped, 10000);
            // Away, as in init(): a click where the last one was may be taken for its second.
            QVERIFY(pointAt(window->findChild<QWidget *>(QStringLiteral("btnBack"))));
        }
    }

    // A click or a double-click on a title opens the dialog, its file stalled: Escape typed then
    // stops the transfer without a box, and the list behind stays where it was. The dialog has
    // the keyboard once the manager has focused it, again after a second click (which the
    // manager gives to the main window), and before, while the manager is held up: as the dialog
    // shows, or before the clicks, which it then holds up with Escape typed behind them.
    void escapeCancelsTheDownload_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("apart"); // the second click once the dialog has the focus
        QTest::addColumn<HeldUp>("heldUp");
        QTest::newRow("click") << 1 << false << HeldUp::No;
        QTest::newRow("double-click") << 2 << false << HeldUp::No;
        QTest::newRow("double-click, dialog up between the clicks") << 2 << true << HeldUp::No;
        QTest::newRow("click, manager held up") << 1 << false << HeldUp::AsTheDialogShows;
        QTest::newRow("double-click, manager held up") << 2 << false << HeldUp::AsTheDialogShows;
        QTest::newRow("click, manager held up before it") << 1 << false << HeldUp::BeforeTheClicks;
        QTest::newRow("double-click, manager held up before it") << 2 << false << HeldUp::BeforeTheClicks;
    }

    void escapeCancelsTheDownload()
    {
        QFETCH(int, clicks);
        QFETCH(bool, apart);
        QFETCH(HeldUp, heldUp);
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        const int depth = getOrderHistoryCount();
        const QString listShown = window->windowTitle();
        QWidget *title = titleOf(ids[0]);
        QVERIFY(pointAt(title));
        PauseOnShow pauseOnShow;
        if (heldUp == HeldUp::AsTheDialogShows)
            download->installEventFilter(&pauseOnShow);
        ModalWatcher boxes;
        DoubleClicks doubleClicks;
        Shows shows;
        download->installEventFilter(&shows);
        const auto dialogFocused = [&] {
            return waitUntil("the dialog focused", [&] { return xFocus() == download->winId(); }, 10000);
        };
        // However busy the machine, two clicks here are a double-click.
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(60000);
        if (heldUp == HeldUp::BeforeTheClicks)
            QVERIFY(display->pauseWindowManager());
        if (apart) {
            QVERIFY(xdotool({"click", "1"}));
            const QString failure = dialogFocused();
            QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
            QVERIFY(xdotool({"click", "1"}));
        } else {
            QVERIFY(xdotool({"click", "--repeat", QString::number(clicks), "--delay", "60", "1"}));
        }
        if (heldUp == HeldUp::BeforeTheClicks) {
            // Typed a moment after the clicks, as a user does; none of them has reached the
            // program yet, and the main window has the focus.
            QTest::qWait(300);
            QVERIFY(xdotool({"key", "Escape"}));
            QTest::qWait(300);
            QVERIFY(display->resumeWindowManager());
            // Escape may stop the transfer before its first request has gone out.
            WAIT_UNTIL("the dialog opened", shows.count >= 1, 30000);
        } else {
            WAIT_UNTIL("the report's address and file asked for", requestsFor(ids[0]) == 2, 30000);
        }
        download->removeEventFilter(&pauseOnShow);
        if (heldUp == HeldUp::AsTheDialogShows) {
            // The manager has not framed the dialog, let alone focused it.
            QVERIFY(xFocus() != download->winId());
        } else if (heldUp == HeldUp::No) {
            // The manager has dealt with a second click by the time it reaches the program.
            if (clicks == 2)
                WAIT_UNTIL("the second click in the program", doubleClicks.count == 1, 10000);
            const QString failure = dialogFocused();
            QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
        }
        if (heldUp != HeldUp::BeforeTheClicks)
            QVERIFY(xdotool({"key", "Escape"}));
        // A second click the manager held up too: Escape, typed behind it, waits for it.
        if (heldUp == HeldUp::AsTheDialogShows && clicks == 2 && doubleClicks.count == 0)
            QVERIFY(display->resumeWindowManager());
        const QString failure = waitUntil("the download cancelled",
                                          [&] { return !download->isDownloading() && !download->isVisible(); }, 10000);
        const QString where = QStringLiteral(": history %1 of %2, the focus on %3")
                                  .arg(getOrderHistoryCount()).arg(depth).arg(focusText());
        display->resumeWindowManager();
        QVERIFY2(failure.isEmpty(), qPrintable(failure + where));
        QCOMPARE(getOrderHistoryCount(), depth);
        QCOMPARE(window->windowTitle(), listShown);
        // Gone from the screen, not only hidden in Qt's record.
        WAIT_UNTIL("the dialog unmapped", !xWindowState(download->winId()).mapped, 10000);
        QCOMPARE(boxes.count(), 0);
    }

    // Keys typed into the program while a mouse button is held down elsewhere, on the dialog's
    // title bar (the manager's) or in another program's window, arrive at once: Escape cancels
    // the download while the button is still down.
    void keysWhileAButtonIsHeldElsewhere_data()
    {
        QTest::addColumn<bool>("otherProgram");
        QTest::newRow("on the dialog's title bar") << false;
        QTest::newRow("in another program's window") << true;
    }

    void keysWhileAButtonIsHeldElsewhere()
    {
        QFETCH(bool, otherProgram);
        // The managers' own ways, whatever the program does: the keys reach no program.
        if (!otherProgram && (display->is("metacity") || display->is("mutter")))
            QSKIP("metacity and mutter take the keyboard while a title bar is held down");
        if (otherProgram && display->is("kwin"))
            QSKIP("kwin keeps the focus on the window a button is held down in");
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        QProcess other;
        if (otherProgram) {
            other.start(QStringLiteral("xmessage"), {"-geometry", "+20+20", "another program"});
            WAIT_UNTIL("the other program's window", !xWindowsNamed(QStringLiteral("^xmessage$")).isEmpty(), 10000);
        }
        QVERIFY(clickAt(titleOf(ids[0]), Qt::LeftButton));
        WAIT_UNTIL("the report's address and file asked for", requestsFor(ids[0]) == 2, 30000);
        WAIT_UNTIL("the dialog focused", xFocus() == download->winId(), 10000);
        XWindowState dialog;
        WAIT_UNTIL("the dialog framed", (dialog = xWindowState(download->winId())).framed, 10000);
        QPoint at = dialog.frame.topLeft() + QPoint(dialog.frame.width() / 2, dialog.extents().top() / 2);
        if (otherProgram)
            at = xWindowState(xWindowsNamed(QStringLiteral("^xmessage$")).value(0)).client.center();
        QVERIFY(xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "mousedown", "1"}));
        // A manager focuses the window clicked; the user goes back to the dialog, the button down.
        if (otherProgram)
            QVERIFY(xdotool({"windowfocus", "--sync", QString::number(download->winId())}));
        QVERIFY(xdotool({"key", "Escape"}));
        const QString failure = waitUntil("the download cancelled, the button still down",
                                          [&] { return !download->isDownloading() && !download->isVisible(); }, 10000);
        QVERIFY(xdotool({"mouseup", "1"}));
        if (otherProgram) {
            other.kill();
            other.waitForFinished();
        }
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": the focus on " + focusText()));
    }

    // Once the dialog has lost its claim on the keyboard, or never had it because the user did
    // not open it, the keys typed into the main window are the main window's: a code opens the
    // stock lookup, Escape there closes it, a second Escape takes the list back, and the stalled
    // download goes on. Its claim ends as it hides or at a click elsewhere; a restore of the
    // minimized main window, which shows the dialog again, starts none. A claim left on would
    // show at a later double-click in the main window, which would hand the dialog the focus and
    // the keys, and in a dialog shown again that was never focused. Typed with the window
    // manager held up, the focus stays where it was when typing began. The window is restored
    // as a task bar does, through the manager. (A click on the main window while the manager is
    // held up waits for it, so the click elsewhere comes once the dialog has had the focus.)
    void keysReachTheMainWindow_data()
    {
        QTest::addColumn<ClaimEnds>("how");
        QTest::addColumn<bool>("heldUp");
        QTest::addColumn<bool>("doubleClick"); // in the main window, before typing
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("lookups"); // the codes the lookups closed with
        QTest::addColumn<int>("wentBack");
        const QStringList codeEscape{"6", "0", "0", "Escape"};
        const QStringList codeEscapeEscape = codeEscape + QStringList{"Escape"};
        const QStringList code{"600"};
        QTest::newRow("minimized and restored") << ClaimEnds::Restored << false << false << codeEscape << code << 0;
        QTest::newRow("minimized and restored, manager held up")
            << ClaimEnds::Restored << true << false << codeEscapeEscape << code << 1;
        QTest::newRow("minimized and restored by the manager")
            << ClaimEnds::RestoredByTheManager << false << false << codeEscape << code << 0;
        QTest::newRow("clicked elsewhere, then a double-click")
            << ClaimEnds::ClickedElsewhere << false << true << QStringList{"Escape"} << QStringList() << 1;
        QTest::newRow("clicked elsewhere, then a double-click, manager held up")
            << ClaimEnds::ClickedElsewhere << true << true << codeEscapeEscape << code << 1;
        QTest::newRow("minimized by the manager as the dialog shows, restored")
            << ClaimEnds::Hidden << false << false << codeEscape << code << 0;
        QTest::newRow("minimized by the manager as the dialog shows, restored, then a double-click")
            << ClaimEnds::Hidden << false << true << codeEscape << code << 0;
        QTest::newRow("cancelled, manager held up")
            << ClaimEnds::Cancelled << true << false << codeEscapeEscape << code << 1;
    }

    void keysReachTheMainWindow()
    {
        QFETCH(ClaimEnds, how);
        QFETCH(bool, heldUp);
        QFETCH(bool, doubleClick);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, lookups);
        QFETCH(int, wentBack);
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        const int depth = getOrderHistoryCount();
        QVERIFY(depth > 1);
        const WId main = window->winId();
        QWidget *count = window->findChild<QWidget *>(QStringLiteral("lblReportCount"));
        PauseOnShow pauseOnShow;
        if (how == ClaimEnds::Cancelled || how == ClaimEnds::Hidden)
            download->installEventFilter(&pauseOnShow);
        QVERIFY(clickAt(titleOf(ids[0]), Qt::LeftButton));
        WAIT_UNTIL("the report's address and file asked for", requestsFor(ids[0]) == 2, 30000);
        download->removeEventFilter(&pauseOnShow);
        if (how == ClaimEnds::Hidden) {
            // Minimized by the manager as it comes back, the dialog with the main window,
            // before the dialog has had the focus.
            QVERIFY(xFocus() != download->winId());
            QVERIFY(xdotool({"windowminimize", QString::number(main)}));
            QVERIFY(display->resumeWindowManager());
        }
        if (how == ClaimEnds::Restored || how == ClaimEnds::RestoredByTheManager || how == ClaimEnds::Hidden) {
            if (how != ClaimEnds::Hidden)
                WAIT_UNTIL("the dialog focused", xFocus() == download->winId(), 10000);
            // The window's own button, or the manager's iconify (as its key binding does).
            if (how == ClaimEnds::Restored)
                QVERIFY(clickAt(window->findChild<QWidget *>(QStringLiteral("btnMinimize")), Qt::LeftButton));
            else if (how == ClaimEnds::RestoredByTheManager)
                QVERIFY(xdotool({"windowminimize", QString::number(main)}));
            const QString minimized = waitUntil("the windows minimized", [&] {
                return xWindowState(main).iconic && !isShown(download->winId());
            }, 10000);
            if (!minimized.isEmpty()) {
                QString wmState;
                runXTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(main), QStringLiteral("WM_STATE"),
                                                   QStringLiteral("_NET_WM_STATE")}, &wmState);
                QFAIL(qPrintable(minimized + QStringLiteral(": state %1 (window %2), main %3, dialog %4, focus on %5; %6")
                                                 .arg(int(window->windowState()))
                                                 .arg(int(window->windowHandle()->windowState()))
                                                 .arg(xWindowState(main).mapped)
                                                 .arg(xWindowState(download->winId()).mapped)
                                                 .arg(focusText(), wmState.simplified())));
            }
            QVERIFY(xdotool({"windowactivate", QString::number(main)}));
            WAIT_UNTIL("the windows restored, the main window focused",
                       xFocus() == main && isShown(download->winId()) && window->isActiveWindow(), 10000);
        } else if (how == ClaimEnds::ClickedElsewhere) {
            WAIT_UNTIL("the dialog focused", xFocus() == download->winId(), 10000);
            // Well away from the title, and later than a double-click.
            QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
            QVERIFY(clickAt(count, Qt::LeftButton));
            WAIT_UNTIL("the main window focused", xFocus() == main && window->isActiveWindow(), 10000);
        } else {
            QVERIFY(xdotool({"key", "Escape"}));
            WAIT_UNTIL("the download cancelled", !download->isDownloading() && !download->isVisible(), 10000);
            QCOMPARE(getOrderHistoryCount(), depth);
        }
        if (doubleClick) {
            // Away from the click elsewhere, which would make a double-click with the first.
            DoubleClicks doubleClicks;
            QGuiApplication::styleHints()->setMouseDoubleClickInterval(60000);
            QVERIFY(pointAt(count, QPoint(2, count->height() / 2)));
            QVERIFY(xdotool({"click", "--repeat", "2", "--delay", "60", "1"}));
            WAIT_UNTIL("the double-click in the program", doubleClicks.count == 1, 10000);
        }
        if (heldUp && how != ClaimEnds::Cancelled)
            QVERIFY(display->pauseWindowManager());
        LookupsClosed closed;
        QVERIFY(xdotool(QStringList{"key", "--delay", "60"} + typed));
        const QString failure = waitUntil("the lookups closed with (" + lookups.join(QLatin1Char(','))
                                              + "), the list back by " + QString::number(wentBack),
                                          [&] {
                                              return closed.codes == lookups
                                                     && getOrderHistoryCount() == depth - wentBack;
                                          },
                                          10000);
        const QString seen = QStringLiteral(": lookups closed with (%1), history %2 of %3, the focus on %4")
                                 .arg(closed.codes.join(QLatin1Char(','))).arg(getOrderHistoryCount()).arg(depth)
                                 .arg(focusText());
        display->resumeWindowManager();
        QVERIFY2(failure.isEmpty(), qPrintable(failure + seen));
        if (how != ClaimEnds::Cancelled)
            QVERIFY2(download->isDownloading() && download->isVisible(), "the download was cancelled");
        // The lookup gone, what the user types next goes where the code was typed.
        const QString back = waitUntil("the main window focused", [&] { return xFocus() == main; }, 10000);
        QVERIFY2(back.isEmpty(), qPrintable(back + ": the focus on " + focusText()));
    }

    // The boxes that come while a report downloads or once it has: each stands above the
    // download dialog, or the dialog has gone.
    void boxesStandAboveTheDialog_data()
    {
        QTest::addColumn<bool>("downloading"); // the DOC report's download stalls first
        QTest::addColumn<QString>("action");   // on the PDF report: its title clicked, or saved
        QTest::addColumn<QStringList>("boxes");
        const QString noProgram = QStringLiteral("您没有安装可打开pdf类型文件的程序！");
        QTest::newRow("title clicked, no program for the type") << false << "click" << QStringList{noProgram};
        QTest::newRow("saved, no program for the type") << false << "save" << QStringList{"保存报告", noProgram};
        QTest::newRow("another title clicked while one downloads")
            << true << "click" << QStringList{"上一份报告仍在下载，请稍后再试！"};
        QTest::newRow("saved while another downloads")
            << true << "save" << QStringList{"保存报告", "正在下载其他报告，请等下载完成后再保存。"};
    }

    void boxesStandAboveTheDialog()
    {
        QFETCH(bool, downloading);
        QFETCH(QString, action);
        QFETCH(QStringList, boxes);
        QVERIFY(QDir().mkpath(QFileInfo(savePath()).absolutePath()));
        if (downloading) {
            QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
            QVERIFY(clickAt(titleOf(ids[1]), Qt::LeftButton));
            WAIT_UNTIL("the DOC report's address and file asked for", requestsFor(ids[1]) == 2, 30000);
            QVERIFY(download->isVisible());
        }
        BoxStacking stacking(download, savePath());
        if (action == QLatin1String("click")) {
            QVERIFY(clickAt(titleOf(ids[0]), Qt::LeftButton));
        } else {
            MenuPicker picker(QStringLiteral("保存所选报告"));
            QVERIFY(clickAt(titleOf(ids[0]), Qt::RightButton));
            WAIT_UNTIL("the entry picked", picker.picked, 10000);
        }
        const QString failure = waitUntil("the boxes", [&] { return stacking.boxes.size() >= boxes.size(); }, 60000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + ": " + stacking.seen()));
        QStringList texts;
        for (const BoxStacking::Box &box : stacking.boxes)
            texts << box.text;
        QCOMPARE(texts, boxes);
        for (const BoxStacking::Box &box : stacking.boxes)
            QVERIFY2(box.clear, qPrintable(stacking.seen()));
    }
};

MANAGER_TEST_MAIN(TestDownloadDialog, QApplication)

#include "tst_downloaddialog.moc"
