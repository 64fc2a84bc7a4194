#pragma once

// The main window with its windows that stay on top (the report download, the day-price
// download, the message strip, the alerts), against the local stand-in, as the tests of the
// boxes shown over them use it under a real window manager.

#include "listpointer.h"
#include "mainwindowtest.h"
#include "standinwindow.h"
#include "windowsontop.h"

#include "devserver.h"
#include "managerdisplay.h"
#include "qwinmain.h"
#include "waiting.h"
#include "windowstacking.h"
#include "xwindows.h"

#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>

enum class OnTop { ReportDownload, DayDownload, MessageStrip, Alert };
Q_DECLARE_METATYPE(OnTop)

// The window's X id with its place in the manager's stacking (bottom 0), or "not stacked".
inline QString placeOf(const QString &name, const QWidget *window, const QList<WId> &order)
{
    const int at = order.indexOf(window->winId());
    return at < 0 ? name + QStringLiteral(" not stacked") : QStringLiteral("%1 at %2").arg(name).arg(at);
}

// Calls act once, from the event loop, with the first modal window up that isIt() takes, whether
// or not it has the keyboard: the program runs a box in a loop of its own, in which the test
// looks at it and answers it.
class WhenBoxUp
{
public:
    WhenBoxUp(std::function<bool(QWidget *)> isIt, std::function<void(QWidget *)> act)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, isIt = std::move(isIt), act = std::move(act)] {
            QWidget *modal = QApplication::activeModalWidget();
            if (m_seen || !modal || !modal->isVisible() || !isIt(modal))
                return;
            m_seen = true;
            QTimer::singleShot(0, modal, [this, act, modal] {
                act(modal);
                m_done = true;
            });
        });
        m_timer.start(50);
    }
    // The box seen and act() done with it.
    bool done() const { return m_done; }

private:
    QTimer m_timer;
    bool m_seen = false, m_done = false;
};

// Which of the program's windows has the X keyboard focus, by its class; another's by its id.
inline QString xFocusText()
{
    const quint64 focus = xFocus();
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->winId() == focus)
            return QString::fromLatin1(window->metaObject()->className());
    }
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (window->handle() && window->winId() == focus) {
            QWindow *top = window;
            while (top->parent())
                top = top->parent();
            return QStringLiteral("%1 (%2%3)").arg(focus).arg(top->objectName(), top == window ? "" : ", a child");
        }
    }
    return QStringLiteral("window %1").arg(focus);
}

struct BoxesFixture
{
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

    // The main window up, its windows on top found: each test's initTestCase().
    void openWindow(const ManagerDisplay *display, const QString &inst)
    {
        openMainWindow(display, server, dir, inst, &reportId, window, &windowsOnTop);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(stripEntry());
        download = windowsOnTop.download;
        day = windowsOnTop.day;
        strip = windowsOnTop.strip;
        alert = windowsOnTop.alert;
    }

    QWidget *awardTable() const { return topLevelOf("QDlgAnalyst"); }

    // The side bar's 新财富 clicked as a user does: the award table, kept for the whole run.
    bool clickAwardButton() const
    {
        const QList<QToolButton *> buttons = window->findChildren<QToolButton *>();
        const auto award = std::find_if(buttons.cbegin(), buttons.cend(),
                                        [](QToolButton *b) { return b->text() == QStringLiteral("新财富"); });
        return award != buttons.cend() && clickAt(*award, Qt::LeftButton);
    }

    // Opened from the side bar, then left behind the main window by a click on it, or minimized
    // by the user (skipped where the manager declines: *opened is null then).
    void openAwardTable(const ManagerDisplay *display, bool minimizedByTheUser, QWidget **opened) const
    {
        QVERIFY(clickAwardButton());
        QWidget *table = *opened = awardTable();
        WAIT_UNTIL("the award table open", table && isShown(table->winId()), 10000);
        if (!minimizedByTheUser) {
            const QString focused = focusMainWindow();
            QVERIFY2(focused.isEmpty(), qPrintable(focused));
            return;
        }
        xdotool({"windowminimize", QString::number(table->winId())});
        if (!waitUntil("", [&] { return xWindowState(table->winId()).iconic; }, 10000).isEmpty() && display->is("mutter")) {
            *opened = nullptr;
            QSKIP("mutter minimizes no window without a minimize button");
        }
        QVERIFY2(xWindowState(table->winId()).iconic, "the award table not minimized");
    }

    // Minimized as ask() asks (a task bar, a title bar's button), asked again while a manager busy
    // with the window it has just focused passes the request by (openbox, mutter), as the user
    // would. True once minimized, as the X server and the program have it.
    static bool minimizedAskingAgain(QWidget *window, const std::function<void()> &ask)
    {
        const auto down = [window] { return !isShown(window->winId()) && window->isMinimized(); };
        for (int attempt = 0; attempt < 3 && !down(); ++attempt) {
            ask();
            waitUntil("", down, 3000);
        }
        return down();
    }

    // The user's click on the main window's status bar: it has the keyboard then. mutter, still
    // busy with a window it has just mapped, may let the click through without focusing the
    // window: the user clicks again. Empty when so.
    QString focusMainWindow() const
    {
        QWidget *version = window->findChild<QWidget *>(QStringLiteral("lblVersion"));
        const auto focused = [&] { return xFocus() == window->winId(); };
        clickAt(version, Qt::LeftButton);
        if (!waitUntil("", focused, 3000).isEmpty())
            clickAt(version, Qt::LeftButton);
        const QString failure = waitUntil("the main window focused", focused, 10000);
        return failure.isEmpty() ? failure : failure + QStringLiteral(": the X focus on %1").arg(xFocusText());
    }

    // The main window on the screen with the keyboard, as the user finds it: its shortcut Ctrl+D
    // opens 显示设置, which has the keys, and Escape closes it. Empty when so.
    QString mainWindowTakesTheKeys() const
    {
        QString failure =
            waitUntil("the main window up with the keys", [&] { return isShown(window->winId()) && xFocus() == window->winId(); }, 10000);
        if (!failure.isEmpty())
            return failure + QStringLiteral(": the main window %1, the X focus on %2").arg(xWindowState(window->winId()).describe()).arg(xFocusText());
        xdotool({"key", "ctrl+d"});
        failure = waitUntil("显示设置 open with the keys", [] {
            QWidget *modal = QApplication::activeModalWidget();
            return modal && modal->inherits("QDlgDisplay") && xFocus() == modal->winId();
        }, 10000);
        if (!failure.isEmpty())
            return failure + QStringLiteral(": the X focus on %1").arg(xFocusText());
        xdotool({"key", "Escape"});
        return waitUntil("显示设置 closed", [] { return !QApplication::activeModalWidget(); }, 10000);
    }

    // With the box down, nothing of the program on the screen: a window it blocks left up would
    // have dead buttons. (A manager may bring the box back with its windows at once: mutter.)
    // Empty when so.
    static QString nothingUpBut(QWidget *box)
    {
        QStringList up;
        const QString failure = waitUntil("nothing of the program on the screen with the box down", [&] {
            up.clear();
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w != box && w->isVisible() && w->windowHandle() && isShown(w->winId()))
                    up << QString::fromLatin1(w->metaObject()->className());
            }
            return up.isEmpty() || (box && isShown(box->winId()));
        }, 10000);
        return failure.isEmpty() ? failure : failure + QStringLiteral(": up are ") + up.join(QStringLiteral(", "));
    }

    // Each test's cleanup(): nothing held, on top, minimized or open is left for the next row.
    void tidyUp(const ManagerDisplay *display)
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
};
