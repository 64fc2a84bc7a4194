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

#include <QToolButton>

#include <algorithm>

enum class OnTop { ReportDownload, DayDownload, MessageStrip, Alert };
Q_DECLARE_METATYPE(OnTop)

// The window's X id with its place in the manager's stacking (bottom 0), or "not stacked".
inline QString placeOf(const QString &name, const QWidget *window, const QList<WId> &order)
{
    const int at = order.indexOf(window->winId());
    return at < 0 ? name + QStringLiteral(" not stacked") : QStringLiteral("%1 at %2").arg(name).arg(at);
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
            clickAt(window->findChild<QWidget *>(QStringLiteral("lblVersion")), Qt::LeftButton);
            WAIT_UNTIL("the main window focused", xFocus() == window->winId(), 10000);
            return;
        }
        xdotool({"windowminimize", QString::number(table->winId())});
        if (!waitUntil("", [&] { return xWindowState(table->winId()).iconic; }, 5000).isEmpty() && display->is("mutter")) {
            *opened = nullptr;
            QSKIP("mutter minimizes no window without a minimize button");
        }
        QVERIFY2(xWindowState(table->winId()).iconic, "the award table not minimized");
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
        }, 3000);
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
