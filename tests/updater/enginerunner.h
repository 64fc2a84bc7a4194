#pragma once

// Runs a QUpdater on a thread of its own, wired as the main window wires it, and records on the
// test's thread everything it signals.

#include "jsonscript.h"
#include "qhttpclient.h"
#include "qupdater.h"
#include "serviceapi.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

struct CycleEnd
{
    bool complete = false;
    int fetched = 0;
    int failed = 0;
};

struct PackageEnd
{
    QString name;
    bool ok = false;
    int rows = 0;
};

class EngineRunner
{
public:
    // interval: seconds between index cycles; the first one starts a second after start().
    explicit EngineRunner(int interval = 3600)
        : updater(new QUpdater())
        , thread(new QThread())
    {
        updater->setCycleInterval(interval);
        QObject *c = &context;
        QObject::connect(updater, &QUpdater::showStatus, c, [this](const QString &text) { statuses.append(text); });
        QObject::connect(updater, &QUpdater::showNewestReport, c, [this] { events.append(QStringLiteral("showNewestReport")); });
        QObject::connect(updater, &QUpdater::showReportCount, c, [this] { events.append(QStringLiteral("showReportCount")); });
        QObject::connect(updater, &QUpdater::showNewestRating, c, [this] { events.append(QStringLiteral("showNewestRating")); });
        QObject::connect(updater, &QUpdater::loadConcernedAnalystListOfSidebar, c,
                         [this] { events.append(QStringLiteral("loadConcernedAnalystListOfSidebar")); });
        QObject::connect(updater, &QUpdater::showOuttimeDialog, c, [this] { ++outtimeDialogs; });
        QObject::connect(updater, &QUpdater::exitSystem, c, [this] { ++exits; });
        QObject::connect(updater, &QUpdater::showReportTipOfBlock, c, [this](const QString &code) { blockTips.append(code); });
        QObject::connect(updater, &QUpdater::addAlert, c, [this](const QString &kind, const QString &id) {
            alerts.append({kind, id});
        });
        QObject::connect(updater, &QUpdater::addMessage, c,
                         [this](const QString &id, const QString &title, const QString &, const QString &,
                                const QDateTime &, const QDateTime &) { messages.append({id, title}); });
        QObject::connect(updater, &QUpdater::packageImported, c, [this](const QString &name, bool ok, int rows, qint64) {
            packages.append({name, ok, rows});
        });
        QObject::connect(updater, &QUpdater::cycleFinished, c, [this](bool complete, int fetched, int failed) {
            cycles.append({complete, fetched, failed});
        });
        updater->moveToThread(thread);
        QObject::connect(thread, SIGNAL(started()), updater, SLOT(start()));
        QObject::connect(updater, &QUpdater::exitSystem, thread, &QThread::quit);
        QObject::connect(thread, &QThread::finished, updater, &QObject::deleteLater);
    }

    ~EngineRunner()
    {
        if (!started) {
            delete updater;
            delete thread;
            return;
        }
        stop();
        if (!thread->wait(30000)) {
            thread->quit();
            thread->wait();
        }
        delete thread;
    }

    void start()
    {
        started = true;
        thread->start(QThread::InheritPriority);
    }

    // Waits (processing events) until the condition holds or the time is up.
    template <typename Condition>
    static bool waitFor(Condition condition, int timeoutMs = 120000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!condition() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return condition();
    }

    bool waitForCycles(int count, int timeoutMs = 120000)
    {
        return waitFor([&] { return cycles.size() >= count; }, timeoutMs);
    }

    bool waitForStatus(const QString &text, int timeoutMs = 60000)
    {
        return waitFor([&] { return statuses.contains(text); }, timeoutMs);
    }

    // Asks the engine to stop as the main window does and waits for exitSystem and the thread's end.
    bool stop(int timeoutMs = 30000)
    {
        if (!thread->isRunning())
            return exits == 1;
        if (!stopAsked) {
            stopAsked = true;
            QMetaObject::invokeMethod(updater, "stop", Qt::QueuedConnection);
        }
        const bool exited = waitFor([&] { return exits > 0 && thread->isFinished(); }, timeoutMs);
        QCoreApplication::processEvents();
        return exited && exits == 1;
    }

    QStringList statuses;
    QStringList events;
    QStringList blockTips;
    QList<QStringList> alerts;
    QList<QStringList> messages;
    QList<PackageEnd> packages;
    QList<CycleEnd> cycles;
    int outtimeDialogs = 0;
    int exits = 0;

    QObject context;
    QUpdater *updater;
    QThread *thread;

private:
    bool started = false;
    bool stopAsked = false;
};

// Logs in to the stand-in and returns the session id, or an empty text.
inline QString loginToStandIn(const QString &account, const QString &password)
{
    QHttpClient client;
    QByteArray body;
    bool done = false;
    QObject::connect(&client, &QHttpClient::downloadFinished, [&](int code, const QByteArray &reply) {
        if (code == 0)
            body = reply;
        done = true;
    });
    const QString tms = getTimestamp();
    const QString url = getVerifyApiUrl() + QStringLiteral("?acc=") + account + QStringLiteral("&pwd=")
                        + getPasswordDigest(password) + QStringLiteral("&mac=00-00-00-00-00-00&tms=") + tms
                        + QStringLiteral("&sgn=") + getSignature(tms);
    if (!client.get(url, false))
        return QString();
    EngineRunner::waitFor([&] { return done; }, 20000);
    JsonScript json;
    return jsonText(json.parseBody(body).property(QStringLiteral("data")), QStringLiteral("ssn"));
}

// "ok" from PRAGMA integrity_check, or what it found.
inline QString integrityCheck(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA integrity_check")))
        return query.lastError().text();
    QStringList found;
    while (query.next())
        found.append(query.value(0).toString());
    return found.join(QLatin1Char('\n'));
}
