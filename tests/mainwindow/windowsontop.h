#pragma once

// The main window's windows that stay on top (the report download, the day-price download, the
// message strip, the alerts) as its window-manager tests use them, against the local stand-in.

#include "devserver.h"
#include "fixturerows.h"
#include "mainwindowtest.h"
#include "modalwatcher.h"
#include "managerdisplay.h"
#include "qdlgalert.h"
#include "qdlgdownloadday.h"
#include "qdlgdownloadfile.h"
#include "qhttpclient.h"
#include "standinwindow.h"
#include "waiting.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QJsonObject>
#include <QtTest>

struct WindowsOnTop
{
    QDlgDownloadFile *download = nullptr;
    QDlgDownloadDay *day = nullptr;
    QWidget *strip = nullptr;
    QDlgAlert *alert = nullptr;

    // The main window's, once it is up: they have no parent.
    static WindowsOnTop find()
    {
        WindowsOnTop windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *download = qobject_cast<QDlgDownloadFile *>(widget))
                windows.download = download;
            else if (auto *day = qobject_cast<QDlgDownloadDay *>(widget))
                windows.day = day;
            else if (auto *alert = qobject_cast<QDlgAlert *>(widget))
                windows.alert = alert;
            else if (widget->inherits("QDlgMessage"))
                windows.strip = widget;
        }
        for (QWidget *stalled : {static_cast<QWidget *>(windows.download), static_cast<QWidget *>(windows.day)})
            keepUpWhileStalled(stalled);
        return windows;
    }

    bool found() const { return download && day && strip && alert; }

    // A stalled download ended and its failure box answered: it would hold back the next one.
    void endDownloads()
    {
        if (download->isVisible() || download->isDownloading())
            download->reject();
        if (day->isBusy()) {
            ModalWatcher boxes;
            day->findChild<QHttpClient *>()->abort();
            WAIT_UNTIL("the day download ended", !day->isBusy() && !day->isVisible() && boxes.count() == 1, 10000);
        }
    }
};

// The stand-in's PDF report, listed under the institution as entered now: its id.
inline QString insertStandInReport(const DevServer &server, const QString &inst)
{
    const QString id = server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return insertReport({id.toLongLong(), now, "", inst, "", "银行业周报", "", "", ""}) ? id : QString();
}

// The main window on the test's display (its window manager's), against the stand-in, on the stand-in's
// report listed under the institution (its id in reportId) and two stocks to type (600309.SH,
// 600310.SH); no program opens a downloaded report. Its windows on top found in windowsOnTop.
inline void openMainWindow(const ManagerDisplay *display, DevServer &server, const QTemporaryDir &dir,
                           const QString &inst, QString *reportId, QScopedPointer<QWinMain> &window,
                           WindowsOnTop *windowsOnTop)
{
    QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
             ManagerDisplay::needed());
    startStandInForWindow(server, dir);
    if (QTest::currentTestFailed())
        return;
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    *reportId = insertStandInReport(server, inst);
    QVERIFY(!reportId->isEmpty());
    QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600309.SH', '润蓝石化', 0), "
                    "('600310.SH', '北辰电气', 0)"));
    QVERIFY(showMainWindow(window));
    *windowsOnTop = WindowsOnTop::find();
    QVERIFY(windowsOnTop->found());
}
