#pragma once

// The main window on the test's X display against the local stand-in, as the window-manager
// tests of the main window use it.

#include "devserver.h"
#include "mainwindowtest.h"
#include "qhttpclient.h"
#include "qwinmain.h"
#include "serviceapi.h"
#include "standinsession.h"

#include <QScopedPointer>

// The stand-in started, its data folder's database prepared in dir, a session open, the message
// strip off, and the engine's index refused: its cycles fail at their first step, so nothing
// the engine brings changes the windows meanwhile.
inline void startStandInForWindow(DevServer &server, const QTemporaryDir &dir)
{
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(prepareMainDatabase(dir));
    QVERIFY(openStandInSession());
    setMessageShow(0);
    QVERIFY(server.setFault(QStringLiteral("http_404"), true, QUrl(getIndexUrl()).path()));
}

// Not maximized: a frameless window that fills the whole screen is one the manager stacks as a
// full-screen one, with its dialogs, above every other layer.
inline bool showMainWindow(QScopedPointer<QWinMain> &window)
{
    window.reset(new QWinMain);
    window->resize(1280, 760);
    return showExposed(*window);
}

// A download the stand-in stalls stays up for as long as a row needs it: its client's watchdog
// would end it 15 s on, with a box that takes the keys, in the middle of a row a busy machine
// slows.
inline void keepUpWhileStalled(QWidget *download)
{
    if (auto *client = download ? download->findChild<QHttpClient *>() : nullptr)
        client->setTimeout(3600);
}
