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
