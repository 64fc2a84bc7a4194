#include "listpointer.h"
#include "mainwindowtest.h"
#include "standinwindow.h"
#include "windowsontop.h"

#include "devserver.h"
#include "globalstate.h"
#include "managerdisplay.h"
#include "qwinmain.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "waiting.h"
#include "windowlayer.h"
#include "windowstacking.h"
#include "xwindows.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>
#include <QX11Info>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

// The boxes the program shows while one of its stay-on-top windows is up (the report download,
// the day-price download, the message strip, the alerts), under a real window manager (Xvfb
// with a window manager), read from the manager's stacking order: each must stand above that window,
// and a second box above the first, whatever window they belong to and whichever of those
// windows come and go while it is open. A window loosed from its parent for this has it back
// at its next showing, and one that went while the program was minimized shows as it should.

namespace {

ManagerDisplay *display = nullptr;

const QString kInst = QStringLiteral("置顶证券");

enum class OnTop { ReportDownload, DayDownload, MessageStrip, Alert };

// What happens to the windows on top while the box is open.
enum class Change { ReportDownloadFails, DayDownloadFails, AlertComes, AlertClicked, AlertRestacked, AlertComesOverTwoBoxes };

// How a download ends while the program is minimized.
enum class Ends { Fails, Completes, CancelledUnseen };

// The window moved, as its title bar is dragged, so that its centre lies on the point.
void moveCentreTo(QWidget *window, QPoint centre)
{
    const QPoint to = centre - QPoint(window->width() / 2, window->height() / 2);
    runXTool(QStringLiteral("xdotool"), {"windowmove", "--sync", QString::number(window->winId()), QString::number(to.x()),
                                         QString::number(to.y())});
}

// The window raised to the top of its layer as a pager asks (EWMH's _NET_RESTACK_WINDOW from
// source 2): the manager restacks it of its own accord, without the program asking.
void restackOnTop(const QWidget *window)
{
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = internedAtom("_NET_RESTACK_WINDOW");
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_WINDOW_NONE;
    event.data.data32[2] = XCB_STACK_MODE_ABOVE;
    xcb_send_event(QX11Info::connection(), 0, xcb_window_t(QX11Info::appRootWindow()),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(QX11Info::connection());
}

// The window's X id with its place in the manager's stacking (bottom 0), or "not stacked".
QString placeOf(const QString &name, const QWidget *window, const QList<WId> &order)
{
    const int at = order.indexOf(window->winId());
    return at < 0 ? name + QStringLiteral(" not stacked") : QStringLiteral("%1 at %2").arg(name).arg(at);
}

// The value of the window's WM_TRANSIENT_FOR, as the window manager reads it; 0 without one.
WId transientFor(const QWidget *window)
{
    QString out;
    runXTool(QStringLiteral("xprop"), {"-id", QString::number(window->winId()), "WM_TRANSIENT_FOR"}, &out);
    return out.section(QLatin1String("window id # "), 1).trimmed().toULong(nullptr, 16);
}

// Waits until window stands above each of the windows in the manager's stacking order, and
// still does 300 ms later; for a window that is shown without blocking the test.
QString standsAbove(QWidget *window, const QList<QPair<QString, QWidget *>> &below)
{
    QElapsedTimer clock;
    clock.start();
    qint64 clearSince = -1;
    QList<WId> order;
    while (clock.elapsed() < 10000) {
        order = stackingOrder();
        const int at = order.indexOf(window->winId());
        bool clear = at >= 0;
        for (const auto &other : below)
            clear = clear && order.indexOf(other.second->winId()) < at;
        if (!clear)
            clearSince = -1;
        else if (clearSince < 0)
            clearSince = clock.elapsed();
        else if (clock.elapsed() - clearSince > 300)
            return QString();
        QTest::qWait(50);
    }
    QStringList places{placeOf(QStringLiteral("it"), window, order)};
    for (const auto &other : below)
        places << placeOf(other.first, other.second, order);
    return QStringLiteral("covered: %1 of %2").arg(places.join(QStringLiteral(", "))).arg(order.size());
}

// Empty when the box stands over the middle of the window it belongs to (its parent's), as the
// screen shows them: their centres apart by at most half the larger one's size.
QString awayFromItsWindow(QWidget *box)
{
    if (!box->parentWidget())
        return QString();
    const XWindowState boxState = xWindowState(box->winId());
    const XWindowState itsWindow = xWindowState(box->parentWidget()->window()->winId());
    const QPoint apart = boxState.frame.center() - itsWindow.frame.center();
    if (boxState.mapped && std::abs(apart.x()) * 2 <= std::max(boxState.frame.width(), itsWindow.frame.width())
        && std::abs(apart.y()) * 2 <= std::max(boxState.frame.height(), itsWindow.frame.height()))
        return QString();
    return QStringLiteral("the box at %1 over its window at %2").arg(boxState.describe(), itsWindow.describe());
}

// A box is modal: the test's code waits while it is open. So a timer looks at each box the
// test expects, in turn: once the manager stacks it above the windows named (and still does
// 300 ms later, for a manager may restack a new window once it has framed it), or after 5 s,
// it is recorded and acted on, which may open the next box or close it.
class BoxSequence
{
public:
    struct Step
    {
        QString text;                              // the box's
        std::function<QList<QPair<QString, QWidget *>>()> below; // what it must stand above
        std::function<void(QMessageBox *)> then;   // once recorded
        bool whole = false;                        // and nothing at all covers it on the screen
    };

    explicit BoxSequence(const QList<Step> &steps) : m_steps(steps)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(50);
    }

    bool done() const { return m_next >= m_steps.size(); }
    QStringList failures;

private:
    void look()
    {
        if (done())
            return;
        const Step &step = m_steps.at(m_next);
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        // Another box (a download that failed meanwhile) would keep the ones expected waiting.
        if (box->text() != step.text) {
            failures << QStringLiteral("unexpected box: ") + box->text();
            box->reject();
            return;
        }
        if (!m_clock.isValid())
            m_clock.start();
        const QList<WId> order = stackingOrder();
        const int at = order.indexOf(box->winId());
        bool clear = at >= 0;
        const QList<QPair<QString, QWidget *>> below = step.below();
        for (const auto &window : below)
            clear = clear && window.second && order.indexOf(window.second->winId()) < at;
        clear = clear && (!step.whole || shownOnScreen(box));
        const QString away = awayFromItsWindow(box);
        clear = clear && away.isEmpty();
        if (!clear)
            m_clearSince = -1;
        else if (m_clearSince < 0)
            m_clearSince = m_clock.elapsed();
        const bool settled = m_clearSince >= 0 && m_clock.elapsed() - m_clearSince > 300;
        if (!settled && m_clock.elapsed() < 5000)
            return;
        if (!settled) {
            QStringList places{placeOf(QStringLiteral("the box"), box, order)};
            for (const auto &window : below)
                places << (window.second ? placeOf(window.first, window.second, order) : window.first + " gone");
            failures << QStringLiteral("%1 covered: %2 of %3%4%5")
                            .arg(step.text, places.join(QStringLiteral(", ")))
                            .arg(order.size())
                            .arg(step.whole && !shownOnScreen(box) ? QStringLiteral(", not shown whole") : QString())
                            .arg(away.isEmpty() ? QString() : QStringLiteral(", ") + away);
        }
        ++m_next;
        m_clock.invalidate();
        m_clearSince = -1;
        // Queued: the next box opens from the event loop, as the program opens its boxes.
        QTimer::singleShot(0, box, [box, then = step.then] { then(box); });
    }

    QList<Step> m_steps;
    int m_next = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_clearSince = -1;
};

} // namespace

Q_DECLARE_METATYPE(OnTop)
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Ends)

class TestBoxesOnTop : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
    WindowsOnTop windowsOnTop;
    QDlgDownloadFile *download = nullptr;
    QDlgDownloadDay *day = nullptr;
    QWidget *strip = nullptr;
    QDlgAlert *alert = nullptr;
    QString reportId;

    QWidget *onTopWindow(OnTop which) const
    {
        switch (which) {
        case OnTop::ReportDownload:
            return download;
        case OnTop::DayDownload:
            return day;
        case OnTop::MessageStrip:
            return strip;
        case OnTop::Alert:
            return alert;
        }
        return nullptr;
    }

    // The menu's entry that switches the strip, Ctrl+M.
    QAction *stripEntry() const { return actionOf(*window, QStringLiteral("滚动提示(&M)")); }

    // As the program opens it: a report's title clicked (its file stalled), a chart's stock
    // without day prices (stalled too), the strip switched on, a new report's alert.
    void bringUp(OnTop which)
    {
        switch (which) {
        case OnTop::ReportDownload:
            QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
            server.clearRequestLog();
            window->openFile(reportId, dir.filePath(QStringLiteral("reports/r.pdf")));
            // Stalled for good once the file itself is asked for.
            WAIT_UNTIL("the report's address and file asked for", requestsForReport(server, reportId) == 2, 30000);
            break;
        case OnTop::DayDownload:
            QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/day")));
            day->downloadDay(QStringLiteral("600309.SH"));
            break;
        case OnTop::MessageStrip:
            if (!stripEntry()->isChecked())
                stripEntry()->trigger();
            break;
        case OnTop::Alert:
            alert->addAlert(QStringLiteral("RPT"), reportId);
            break;
        }
        QWidget *shown = onTopWindow(which);
        WAIT_UNTIL("the stay-on-top window stacked", stackingOrder().contains(shown->winId()), 10000);
    }

private slots:
    void initTestCase()
    {
        openMainWindow(display, server, dir, kInst, &reportId, window, &windowsOnTop);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(stripEntry());
        download = windowsOnTop.download;
        day = windowsOnTop.day;
        strip = windowsOnTop.strip;
        alert = windowsOnTop.alert;
    }

    void cleanup()
    {
        display->resumeWindowManager();
        // Before the stand-in goes on: a download it held would end with a box no one answers.
        windowsOnTop.endDownloads();
        server.resume();
        server.setFault(QStringLiteral("stall"), false);
        if (!isShown(window->winId())) {
            xdotool({"windowactivate", QString::number(window->winId())});
            waitUntil("the main window restored", [&] { return isShown(window->winId()); }, 10000);
        }
        if (stripEntry()->isChecked())
            stripEntry()->trigger();
        alert->hide();
        WAIT_UNTIL("no box left", !QApplication::activeModalWidget(), 10000);
    }

    // The engine's notice that the login timed out, from the main window, while the window is
    // up; the close question on top of it while it is open.
    void boxesStandAboveTheWindowsOnTop_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::newRow("report download") << OnTop::ReportDownload;
        QTest::newRow("day-price download") << OnTop::DayDownload;
        QTest::newRow("message strip") << OnTop::MessageStrip;
        QTest::newRow("alerts") << OnTop::Alert;
    }

    void boxesStandAboveTheWindowsOnTop()
    {
        QFETCH(OnTop, onTop);
        bringUp(onTop);
        if (QTest::currentTestFailed())
            return;
        QWidget *up = onTopWindow(onTop);
        QPointer<QMessageBox> first;
        using Below = QList<QPair<QString, QWidget *>>;
        BoxSequence boxes({
            {QStringLiteral("登录超时，请重新登录！"),
             [&] { return Below{{"the window on top", up}, {"the main window", window.data()}}; },
             [&](QMessageBox *box) {
                 first = box;
                 window->close();
             }},
            {QStringLiteral("您确定要关闭程序吗?"),
             [&] { return Below{{"the window on top", up}, {"the time-out box", first.data()}}; },
             [](QMessageBox *box) { box->button(QMessageBox::No)->click(); }},
            {QStringLiteral("登录超时，请重新登录！"), [] { return Below(); },
             [](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); }},
        });
        QTimer::singleShot(0, window.data(), &QWinMain::showOuttimeDialog);
        // (The day-price dialog is modal itself.)
        WAIT_UNTIL("the boxes seen and answered",
                   boxes.done() && !qobject_cast<QMessageBox *>(QApplication::activeModalWidget()), 60000);
        QVERIFY2(boxes.failures.isEmpty(), qPrintable(boxes.failures.join(QLatin1Char('\n'))));
    }

    // The box stays above the windows on top for as long as it is open, whichever of them come
    // and go meanwhile: a download dialog goes once its failure box is answered, the alerts pop
    // up, or the user clicks them (the manager raises and activates what is clicked). The alerts
    // are dragged over the box, which must show whole all the same.
    void boxStaysAboveAsWindowsOnTopComeAndGo_data()
    {
        QTest::addColumn<QList<OnTop>>("up");
        QTest::addColumn<Change>("change");
        QTest::newRow("report download fails, strip and alerts stay")
            << QList<OnTop>{OnTop::MessageStrip, OnTop::Alert, OnTop::ReportDownload} << Change::ReportDownloadFails;
        QTest::newRow("day-price download fails, report download stays")
            << QList<OnTop>{OnTop::ReportDownload, OnTop::DayDownload} << Change::DayDownloadFails;
        QTest::newRow("alerts come") << QList<OnTop>{OnTop::ReportDownload} << Change::AlertComes;
        QTest::newRow("alerts come, nothing else on top") << QList<OnTop>{} << Change::AlertComes;
        QTest::newRow("alerts come again") << QList<OnTop>{OnTop::Alert} << Change::AlertComes;
        // The box stands over the download, shown after the alerts: the new alert only raises
        // the alerts, which must not go over the box.
        QTest::newRow("alerts come again, report download shown after them")
            << QList<OnTop>{OnTop::Alert, OnTop::ReportDownload} << Change::AlertComes;
        QTest::newRow("alerts clicked") << QList<OnTop>{OnTop::ReportDownload, OnTop::Alert} << Change::AlertClicked;
        // The box stands over the download, shown after the alerts; the manager then stacks the
        // alerts above it of its own accord, with no word to the program.
        QTest::newRow("alerts restacked over the box by the manager")
            << QList<OnTop>{OnTop::Alert, OnTop::ReportDownload} << Change::AlertRestacked;
        // The close question over the time-out box: both go above the alerts, the later above
        // the earlier, and neither below the strip.
        QTest::newRow("alerts come over two boxes, strip up")
            << QList<OnTop>{OnTop::MessageStrip} << Change::AlertComesOverTwoBoxes;
    }

    void boxStaysAboveAsWindowsOnTopComeAndGo()
    {
        QFETCH(QList<OnTop>, up);
        QFETCH(Change, change);
        for (OnTop which : up) {
            bringUp(which);
            if (QTest::currentTestFailed())
                return;
        }
        using Below = QList<QPair<QString, QWidget *>>;
        // The windows on top that are still up, by name.
        const auto stillUp = [this] {
            Below windows;
            const QList<QPair<QString, QWidget *>> all{{"the report download", download}, {"the day download", day},
                                                       {"the strip", strip}, {"the alerts", alert}};
            for (const auto &window : all) {
                if (window.second->isVisible())
                    windows << window;
            }
            return windows;
        };
        QPointer<QMessageBox> first;
        const auto alertOverTheBox = [&] { moveCentreTo(alert, first->frameGeometry().center() + QPoint(0, 40)); };
        const QString failed = change == Change::ReportDownloadFails
                                   ? QStringLiteral("报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)")
                                   : QStringLiteral("日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)");
        const QString timedOut = QStringLiteral("登录超时，请重新登录！");
        QList<BoxSequence::Step> steps{
            {timedOut, [&] { return stillUp() << qMakePair(QStringLiteral("the main window"), (QWidget *)window.data()); },
             [&](QMessageBox *box) {
                 first = box;
                 switch (change) {
                 case Change::ReportDownloadFails:
                     download->findChild<QHttpClient *>()->abort();
                     break;
                 case Change::DayDownloadFails:
                     day->findChild<QHttpClient *>()->abort();
                     break;
                 case Change::AlertComes: {
                     // Alerts up already are moved over the box before the new one raises them;
                     // moved again to where they stand, metacity would keep xdotool's --sync
                     // waiting (20 s), and a stalled download would time out meanwhile.
                     const bool wereUp = alert->isVisible();
                     if (wereUp)
                         alertOverTheBox();
                     alert->addAlert(QStringLiteral("RPT"), reportId);
                     waitUntil("the alerts stacked", [&] { return stackingOrder().contains(alert->winId()); }, 10000);
                     if (!wereUp)
                         alertOverTheBox();
                     break;
                 }
                 case Change::AlertClicked:
                     alertOverTheBox();
                     // Where the box leaves it free.
                     xClick(alert->winId(), QPoint(alert->width() / 2, alert->height() - 10));
                     break;
                 case Change::AlertRestacked:
                     alertOverTheBox();
                     restackOnTop(alert);
                     break;
                 case Change::AlertComesOverTwoBoxes:
                     window->close();
                     break;
                 }
             }},
        };
        if (change == Change::AlertComesOverTwoBoxes) {
            const QString question = QStringLiteral("您确定要关闭程序吗?");
            const auto aboveTheFirst = [&] { return stillUp() << qMakePair(QStringLiteral("the time-out box"), (QWidget *)first.data()); };
            steps << BoxSequence::Step{question, aboveTheFirst, [&](QMessageBox *) {
                                           alert->addAlert(QStringLiteral("RPT"), reportId);
                                           waitUntil("the alerts stacked", [&] { return stackingOrder().contains(alert->winId()); }, 10000);
                                           alertOverTheBox();
                                       }};
            steps << BoxSequence::Step{question, aboveTheFirst,
                                       [](QMessageBox *box) { box->button(QMessageBox::No)->click(); }};
        }
        if (change == Change::ReportDownloadFails || change == Change::DayDownloadFails) {
            steps << BoxSequence::Step{failed,
                                       [&] { return stillUp() << qMakePair(QStringLiteral("the time-out box"), (QWidget *)first.data()); },
                                       [&](QMessageBox *box) {
                                           if (alert->isVisible())
                                               alertOverTheBox();
                                           box->button(QMessageBox::Ok)->click();
                                       }};
        }
        steps << BoxSequence::Step{timedOut, stillUp, [](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); }, true};
        BoxSequence boxes(steps);
        QTimer::singleShot(0, window.data(), &QWinMain::showOuttimeDialog);
        WAIT_UNTIL("the boxes seen and answered",
                   boxes.done() && !qobject_cast<QMessageBox *>(QApplication::activeModalWidget()), 60000);
        QVERIFY2(boxes.failures.isEmpty(), qPrintable(boxes.failures.join(QLatin1Char('\n'))));
    }

    // A box or modal dialog minimized from its own title bar (the manager asked to iconify it, as
    // its minimize button does) while a window on top is up: once the user brings the main window
    // back, as a task bar does, the box is on the screen again, above its window and the window
    // on top, with the keyboard, and Escape closes it. The program is never left blocked with
    // nothing on the screen to answer.
    void minimizedBoxComesBackWithItsWindow_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::addColumn<QString>("box");
        QTest::newRow("close question, strip up") << OnTop::MessageStrip << QStringLiteral("您确定要关闭程序吗?");
        QTest::newRow("下载失败 over the day-price download")
            << OnTop::DayDownload << QStringLiteral("日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)");
        QTest::newRow("首选项, alert list up") << OnTop::Alert << QStringLiteral("QDlgOption");
    }

    void minimizedBoxComesBackWithItsWindow()
    {
        QFETCH(OnTop, onTop);
        QFETCH(QString, box);
        bringUp(onTop);
        if (QTest::currentTestFailed())
            return;
        QWidget *up = onTopWindow(onTop);
        const WId main = window->winId();
        const auto isTheBox = [&box](QWidget *modal) {
            auto *message = qobject_cast<QMessageBox *>(modal);
            return modal && modal->isVisible() && (message ? message->text() == box : modal->inherits(qPrintable(box)));
        };
        QStringList failures;
        bool seen = false, done = false;
        QTimer watch;
        QElapsedTimer open;
        connect(&watch, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (seen || !isTheBox(modal))
                return;
            if (!open.isValid())
                open.start();
            // Acted on once the manager has focused it; unfocused, it is a failure too, and the
            // test goes on, as the box holds it.
            if (xFocus() != modal->winId() && open.elapsed() < 10000)
                return;
            if (xFocus() != modal->winId())
                failures << QStringLiteral("the box never had the keyboard");
            seen = true;
            QTimer::singleShot(0, modal, [&, modal = QPointer<QWidget>(modal)] {
                const QScopeGuard ended([&done] { done = true; });
                const WId id = modal->winId();
                xdotool({"windowminimize", QString::number(id)});
                // (mutter minimizes no dialog.)
                const QString minimized = waitUntil("the box minimized", [&] { return !isShown(id); }, 5000);
                if (!minimized.isEmpty() && !display->is("mutter"))
                    failures << minimized;
                // The program goes down with it, unless the manager keeps it up; then the user brings
                // it back as a task bar does.
                waitUntil("the program minimized", [&] { return !isShown(main); }, 2000);
                xdotool({"windowactivate", QString::number(main)});
                QString back = waitUntil("the box back over its window, with the keyboard", [&] {
                    const QList<WId> order = stackingOrder();
                    const int at = order.indexOf(id);
                    return isShown(id) && isShown(main) && at > order.indexOf(main) && at > order.indexOf(up->winId())
                           && xFocus() == id && modal && modal->isActiveWindow();
                }, 10000);
                if (!back.isEmpty()) {
                    const QList<WId> order = stackingOrder();
                    failures << back + QStringLiteral(": the box %1, %2; the main window %3, %4; %5; the X focus on %6")
                                           .arg(xWindowState(id).describe(), QString::number(order.indexOf(id)),
                                                xWindowState(main).describe(), placeOf("it", window.data(), order),
                                                placeOf(QStringLiteral("the window on top"), up, order))
                                           .arg(xFocus());
                }
                xdotool({"key", "Escape"});
                if (!waitUntil("the box closed by Escape", [&] { return !modal || !modal->isVisible(); }, 5000).isEmpty()) {
                    failures << QStringLiteral("Escape did not close the box");
                    modal->hide();
                }
            });
        });
        watch.start(50);
        if (onTop == OnTop::DayDownload)
            QTimer::singleShot(0, day, [this] { day->findChild<QHttpClient *>()->abort(); });
        else if (onTop == OnTop::MessageStrip)
            QTimer::singleShot(0, window.data(), [this] { window->close(); });
        else
            QTimer::singleShot(0, window.data(), [this] { actionOf(*window, QStringLiteral("首 选 项(&O)"))->trigger(); });
        WAIT_UNTIL("the box seen and closed", done && !isTheBox(QApplication::activeModalWidget()), 60000);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        WAIT_UNTIL("the main window shown", isShown(main), 10000);
    }

    // The day-price download's window minimized from its own title bar while it downloads, the
    // message strip up (which the download's window then stands over): the program goes down
    // with it. The download fails meanwhile, and the user answers its box, brought back with the
    // program where the manager does not show it. Once the program is back, the main window has
    // the keys: its shortcut opens 显示设置.
    void keysAfterAMinimizedDownloadFailed()
    {
        bringUp(OnTop::MessageStrip);
        if (QTest::currentTestFailed())
            return;
        bringUp(OnTop::DayDownload);
        if (QTest::currentTestFailed())
            return;
        const WId main = window->winId();
        WAIT_UNTIL("the day download focused", xFocus() == day->winId(), 10000);
        QVERIFY(xdotool({"windowminimize", QString::number(day->winId())}));
        waitUntil("the program minimized", [&] { return !isShown(main); }, 3000);
        const QString text = QStringLiteral("日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)");
        bool answered = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (answered || !box || box->text() != text || !box->isVisible())
                return;
            answered = true;
            QTimer::singleShot(0, box, [&, box = QPointer<QMessageBox>(box)] {
                const WId id = box->winId();
                if (!waitUntil("the box shown", [&] { return isShown(id); }, 2000).isEmpty())
                    xdotool({"windowactivate", QString::number(main)});
                waitUntil("the box focused", [&] { return xFocus() == id; }, 10000);
                xdotool({"key", "Return"});
                if (!waitUntil("the box answered", [&] { return !box || !box->isVisible(); }, 5000).isEmpty())
                    box->hide();
            });
        });
        watch.start(50);
        QTimer::singleShot(0, day, [this] { day->findChild<QHttpClient *>()->abort(); });
        WAIT_UNTIL("the box answered", answered && !QApplication::activeModalWidget(), 30000);
        if (!isShown(main))
            QVERIFY(xdotool({"windowactivate", QString::number(main)}));
        QString failure =
            waitUntil("the main window back with the keys", [&] { return isShown(main) && xFocus() == main; }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": the X focus on %1").arg(xFocus())));
        QVERIFY(xdotool({"key", "ctrl+d"}));
        failure = waitUntil("显示设置 open", [] {
            QWidget *modal = QApplication::activeModalWidget();
            return modal && modal->inherits("QDlgDisplay") && xFocus() == modal->winId();
        }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": the X focus on %1").arg(xFocus())));
        QVERIFY(xdotool({"key", "Escape"}));
        WAIT_UNTIL("显示设置 closed", !QApplication::activeModalWidget(), 10000);
    }

    // The day-price download starts while a report downloads: the report's dialog stays on
    // top, so the day's dialog stands above it, loose from its parent. Once both have gone, the
    // day's next download, with nothing else on top, is the main window's own again.
    void windowLiftedForABoxHasItsOwnParentBack()
    {
        bringUp(OnTop::ReportDownload);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/day")));
        day->downloadDay(QStringLiteral("600309.SH"));
        QString failure = standsAbove(day, {{"the report download", download}});
        QVERIFY2(failure.isEmpty(), qPrintable("the day download " + failure));
        download->reject();
        WAIT_UNTIL("the report download gone", !xWindowState(download->winId()).mapped, 10000);
        // The next download starts as the window goes, before the program has taken in that the
        // focus left it: to Qt, the manager's focus on it then changes nothing.
        const auto next = connect(day->windowHandle(), &QWindow::visibleChanged, this, [this](bool visible) {
            if (!visible)
                QTimer::singleShot(0, day, [this] { day->downloadDay(QStringLiteral("600310.SH")); });
        });
        {
            ModalWatcher boxes;
            day->findChild<QHttpClient *>()->abort();
            WAIT_UNTIL("the day download ended", boxes.count() == 1 && day->isBusy(), 10000);
        }
        disconnect(next);
        failure = standsAbove(day, {{"the main window", window.data()}});
        QVERIFY2(failure.isEmpty(), qPrintable("the next day download " + failure));
        QCOMPARE(transientFor(day), window->winId());
        // Shown again right after it went, it has the keys once the manager focuses it, and the
        // program takes it for its active window (which its shortcuts go by).
        WAIT_UNTIL("the next day download focused", xFocus() == day->winId() && day->isActiveWindow(), 10000);
        QVERIFY(xdotool({"key", "Escape"}));
        WAIT_UNTIL("the next day download hidden by Escape", !day->isVisible(), 5000);
    }

    // A download ends while the program is minimized, by the main window's own button or as a
    // task bar does: it fails (its box answered) or completes; or it is cancelled before the
    // program has taken in the minimize, which it does only then, the manager held up meanwhile.
    // Once the window is restored as a task bar does, the next download's dialog shows over it,
    // and the main window stays as it is. (The day-price download is modal: the main window's
    // button takes no click meanwhile.)
    void nextDownloadShowsAfterMinimized_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<Ends>("ends");
        QTest::newRow("report download, its button, fails") << OnTop::ReportDownload << true << Ends::Fails;
        QTest::newRow("report download, its button, completes") << OnTop::ReportDownload << true << Ends::Completes;
        QTest::newRow("report download, the manager, fails") << OnTop::ReportDownload << false << Ends::Fails;
        QTest::newRow("report download, the manager, completes") << OnTop::ReportDownload << false << Ends::Completes;
        QTest::newRow("report download, the manager, cancelled before the program saw it")
            << OnTop::ReportDownload << false << Ends::CancelledUnseen;
        QTest::newRow("day-price download, the manager, fails") << OnTop::DayDownload << false << Ends::Fails;
        QTest::newRow("day-price download, the manager, completes") << OnTop::DayDownload << false << Ends::Completes;
    }

    void nextDownloadShowsAfterMinimized()
    {
        QFETCH(OnTop, onTop);
        QFETCH(bool, byButton);
        QFETCH(Ends, ends);
        const WId main = window->winId();
        QWidget *dialog = onTopWindow(onTop);
        ModalWatcher boxes;
        if (ends == Ends::Completes) {
            // Held until the program is minimized.
            const QString report = dir.filePath(QStringLiteral("reports/%1.pdf").arg(QTest::currentDataTag()));
            QFile::remove(report);
            QVERIFY(server.pause());
            if (onTop == OnTop::DayDownload)
                day->downloadDay(QStringLiteral("600003.SH"));
            else
                window->openFile(reportId, report);
        } else {
            bringUp(onTop);
        }
        // Minimized once the dialog has the focus, the program's record of it too: as Qt takes in
        // that the main window lost it, it asks the manager to activate the modal dialog.
        const QString unfocused = waitUntil("the dialog focused",
                                            [&] { return xFocus() == dialog->winId() && dialog->isActiveWindow(); }, 10000);
        QVERIFY2(unfocused.isEmpty(),
                 qPrintable(unfocused + QStringLiteral(": the X focus on %1, the dialog %2 (%3), Qt's active window %4, focus window %5")
                                            .arg(xFocus()).arg(dialog->winId())
                                            .arg(xWindowState(dialog->winId()).describe())
                                            .arg(QApplication::activeWindow() ? QApplication::activeWindow()->objectName()
                                                                              : QStringLiteral("none"))
                                            .arg(QGuiApplication::focusWindow() ? QGuiApplication::focusWindow()->objectName()
                                                                                : QStringLiteral("none"))));
        if (ends == Ends::CancelledUnseen && display->is("xfwm4"))
            QSKIP("xfwm4 leaves a dialog that stays on top up as it minimizes its window");
        if (byButton) {
            QWidget *minimize = window->findChild<QWidget *>(QStringLiteral("btnMinimize"));
            QVERIFY(clickAt(minimize, Qt::LeftButton));
            // mutter, still busy with the dialog it has just mapped, may take the click for
            // itself: the user clicks again.
            if (display->is("mutter")
                && !waitUntil("the main window minimized", [&] { return xWindowState(main).iconic; }, 3000).isEmpty())
                QVERIFY(clickAt(minimize, Qt::LeftButton));
        } else {
            QVERIFY(xdotool({"windowminimize", QString::number(main)}));
        }
        if (ends == Ends::CancelledUnseen) {
            // No event handled meanwhile: the program has not seen the minimize.
            const QDeadlineTimer deadline(10000);
            while (!xWindowState(dialog->winId()).iconic && !deadline.hasExpired())
                QThread::msleep(20);
            QVERIFY2(!deadline.hasExpired(), "the dialog was not minimized");
            QVERIFY(display->pauseWindowManager());
            bool seen = false;
            const auto seeing = connect(dialog->windowHandle(), &QWindow::windowStateChanged, this,
                                        [&seen](Qt::WindowState state) { seen = seen || state == Qt::WindowMinimized; });
            static_cast<QDialog *>(dialog)->reject();
            const QString failure = waitUntil("the program seeing the minimize", [&] { return seen; }, 10000);
            disconnect(seeing);
            QVERIFY(display->resumeWindowManager());
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        } else {
            // As the program has it too, as it would long before a download ends. (kwin leaves
            // a modal dialog up.)
            const QString notMinimized = waitUntil("the program minimized", [&] {
                return xWindowState(main).iconic && window->isMinimized()
                       && (dialog->isMinimized() || isShown(dialog->winId()));
            }, 10000);
            QVERIFY2(notMinimized.isEmpty(),
                     qPrintable(notMinimized + QStringLiteral(": the main window %1 (%2), the dialog %3 (%4)")
                                                   .arg(xWindowState(main).describe())
                                                   .arg(window->isMinimized() ? "minimized" : "not minimized")
                                                   .arg(xWindowState(dialog->winId()).describe())
                                                   .arg(dialog->isMinimized() ? "minimized" : "not minimized")));
            if (ends == Ends::Completes)
                QVERIFY(server.resume());
            else
                dialog->findChild<QHttpClient *>()->abort();
        }
        WAIT_UNTIL("the download ended, its box answered",
                   !download->isDownloading() && !day->isBusy() && !dialog->isVisible() && !QApplication::activeModalWidget(),
                   20000);
        QVERIFY(xdotool({"windowactivate", QString::number(main)}));
        WAIT_UNTIL("the main window restored", isShown(main), 10000);
        bringUp(onTop);
        if (QTest::currentTestFailed())
            return;
        const QString failure = waitUntil("the next dialog shown over the main window",
                                          [&] { return isShown(dialog->winId()) && isShown(main); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": main window %1, dialog %2")
                                                             .arg(xWindowState(main).describe(),
                                                                  xWindowState(dialog->winId()).describe())));
    }
};

MANAGER_TEST_MAIN(TestBoxesOnTop, QApplication)

#include "tst_boxesontop.moc"
