#pragma once

// Runs a QUpdater on a thread of its own, wired as the main window wires it, and records on the
// test's thread what it signals; plus the database checks the engine tests share.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "fixturerows.h"
#include "globalstate.h"
#include "qupdater.h"
#include "waiting.h"

#include <QtSql>
#include <QtTest>

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs = 120000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

class EngineRunner
{
public:
    // interval: seconds between index cycles; the first one starts a second after start().
    explicit EngineRunner(int interval = 3600)
        : updater(new QUpdater())
    {
        updater->setCycleInterval(interval);
        QObject *c = &context;
        auto note = [this](const char *event) { return [this, event] { events.append(QLatin1String(event)); }; };
        QObject::connect(updater, &QUpdater::showStatus, c, [this](const QString &text) { statuses.append(text); });
        QObject::connect(updater, &QUpdater::showNewestReport, c, note("showNewestReport"));
        QObject::connect(updater, &QUpdater::showReportCount, c, note("showReportCount"));
        QObject::connect(updater, &QUpdater::showNewestRating, c, note("showNewestRating"));
        QObject::connect(updater, &QUpdater::loadConcernedAnalystListOfSidebar, c, note("loadAnalysts"));
        QObject::connect(updater, &QUpdater::showOuttimeDialog, c, note("showOuttimeDialog"));
        QObject::connect(updater, &QUpdater::addMessage, c, note("addMessage"));
        QObject::connect(updater, &QUpdater::addAlert, c, [this](const QString &kind) { events.append(kind); });
        QObject::connect(updater, &QUpdater::showReportTipOfBlock, c, [this](const QString &code) { events << "tip " + code; });
        QObject::connect(updater, &QUpdater::exitSystem, c, [this] { ++exits; });
        QObject::connect(updater, &QUpdater::packageImported, c, [this](const QString &name, bool ok) {
            (ok ? imported : failed).append(name);
        });
        QObject::connect(updater, &QUpdater::cycleFinished, c, [this](bool complete) { cycles.append(complete); });
        updater->moveToThread(&thread);
        QObject::connect(&thread, SIGNAL(started()), updater, SLOT(start()));
        QObject::connect(updater, &QUpdater::exitSystem, &thread, &QThread::quit);
        QObject::connect(&thread, &QThread::finished, updater, &QObject::deleteLater);
    }

    ~EngineRunner()
    {
        if (!started)
            delete updater;
        stop();
        thread.wait();
    }

    void start() { started = true; thread.start(); }

    // Starts, waits for the end of the first index cycle and stops; says what went wrong when the
    // engine ended first or took too long.
    bool runCycle()
    {
        start();
        const QString failure = waitUntil(
            QStringLiteral("the engine's first index cycle"), [&] { return !cycles.isEmpty(); }, 180000, [&] {
                return thread.isFinished() ? QStringLiteral("the engine ended") : QString();
            });
        if (!failure.isEmpty()) {
            qWarning("%s; its last statuses: %s", qPrintable(failure), qPrintable(statuses.mid(statuses.size() - 5).join(" | ")));
            return false;
        }
        return stop();
    }

    // Asks the engine to stop as the main window does; true once exitSystem came exactly once and the
    // thread ended.
    bool stop()
    {
        if (started && thread.isRunning())
            QMetaObject::invokeMethod(updater, "stop", Qt::QueuedConnection);
        const bool ended = !started || waitFor([&] { return exits > 0 && thread.isFinished(); }, 30000);
        if (!ended)
            qWarning("the engine did not stop within 30 s (exitSystem came %d times)", exits);
        QCoreApplication::processEvents();
        return ended && exits == int(started);
    }

    QStringList statuses, events, imported, failed;
    QList<bool> cycles;   // each index cycle's end: true when it was complete
    int exits = 0;
    QObject context;
    QUpdater *updater;
    QThread thread;

private:
    bool started = false;
};

inline int rowCount(const QString &table, QSqlDatabase db = mainDatabase())
{
    return sqlText("select count(*) from " + table, db).toInt();
}

// The first line of PRAGMA integrity_check: "ok" for a sound file.
inline QString integrityCheck(QSqlDatabase db = mainDatabase()) { return sqlText("PRAGMA integrity_check", db); }
