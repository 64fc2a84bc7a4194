// Syncs the stand-in's large data set and prints what the user waits for and what it costs:
//
// engine   the update engine alone on its thread, as the main window runs it, into a fresh folder:
//          the seconds of the first index cycle, rows per second of each package kind (inflate,
//          read and import), the status texts it sends per second, the peak memory, the WAL's
//          peak during the cycle and its size while the engine waits for the next;
// window   the real main window (style sheet and font of the program) shown while its own engine
//          syncs the set into another fresh folder: the gaps of the GUI thread's event loop
//          (a 5 ms timer) from the start of the cycle to "数据更新完毕！", with the seconds it took
//          and the GUI thread's CPU time in them; offscreen by default, under an X server with
//          QT_QPA_PLATFORM=xcb and DISPLAY;
// ratio    every package fetched from the stand-in, inflated and parsed, then imported side by
//          side with plain inserts of its values (taken out of the JSON beforehand) through
//          SQLite's C API, into two files with the schema and the engine's connection settings,
//          one transaction per package, in turns; per package kind the import against the plain
//          inserts, and the limit of a sync: download + inflate and parse + plain inserts;
// cut      the GUI's write of a read flag while the engine cuts a WAL of 64 MiB, before (one
//          TRUNCATE) and now (in steps): how long the write and a second one soon after it
//          wait, and the longest hold of the write lock in a cut (bench_updater_cut.h).
//
//   bench_updater [--data DIR] [--only engine|window|ratio|cut] [--slow-sync MS] [--slow-cut MS]
//                 DIR: a data set of `tamrel-devserver generate`; without it the large set is
//                 generated into a temporary folder first.
//                 --slow-sync MS: the engine alone (or the cut) on a slow disk, every fsync taking
//                 MS milliseconds (libslowsync.so beside the program, preloaded), with the count.
//                 --slow-cut MS: every cut of a file costs MS milliseconds more per 64 MiB
//                 (libslowsync.so too), as on a slow disk; for the cut.
// TAMREL_DEVSERVER names the stand-in; by default the one of this build tree.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "packageimport.h"
#include "packagerow.h"
#include "qupdater.h"
#include "qwinmain.h"
#include "safeuncompress.h"
#include "standinsession.h"
#include "startup.h"
#include "usersettings.h"

#include "bench_updater_cut.h"
#include "bench_updater_wal.h"
#include "benchsupport.h"
#include "plaininsert.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>
#include <sys/resource.h>

#include <algorithm>
#include <numeric>
#include <ctime>
#include <vector>

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// "min / median / max" of the values, with the given decimals.
QString spread(std::vector<double> v, int decimals)
{
    if (v.empty())
        return QStringLiteral("-");
    std::sort(v.begin(), v.end());
    return QStringLiteral("%1 / %2 / %3")
        .arg(v.front(), 0, 'f', decimals)
        .arg(v[v.size() / 2], 0, 'f', decimals)
        .arg(v.back(), 0, 'f', decimals);
}

const char *kindName(PackageKind kind)
{
    switch (kind) {
    case PackageKind::Report: return "report";
    case PackageKind::Rating: return "rating";
    case PackageKind::Estimate: return "estimate";
    default: return "other";
    }
}

// ---- engine: the engine alone on its thread ----

struct KindTally
{
    qint64 rows = 0;
    qint64 ms = 0;
    int packages = 0;
};

// The settings of the engine's own connection, read on its thread: the ratio runs its two files
// with the same. And the seconds of its first cycle.
int engineSync = -1, engineCache = -2000, engineAutocheckpoint = 1000;
double engineSeconds = 0, engineCpuSeconds = 0;

// The fsync calls of the process so far, when bench_updater runs with its slow disk preloaded.
long syncCount()
{
    using Count = long (*)();
    static const auto count = reinterpret_cast<Count>(dlsym(RTLD_DEFAULT, "slowsync_count"));
    return count ? count() : -1;
}

bool runEngine(QApplication &app)
{
    QTemporaryDir folder;
    if (!initMainDatabase(folder.path())) {
        out() << "cannot create the data folder" << Qt::endl;
        return false;
    }
    auto *updater = new QUpdater();
    auto *thread = new QThread();
    updater->moveToThread(thread);

    QMap<QString, KindTally> kinds;
    int failed = 0;
    qint64 statuses = 0;
    QString lastStatus;
    QObject::connect(updater, &QUpdater::showStatus, &app, [&](const QString &text) {
        lastStatus = text;
        ++statuses;
    });
    QObject::connect(updater, &QUpdater::packageImported, &app, [&](const QString &name, bool ok, int rows, qint64 ms) {
        if (!ok) {
            ++failed;
            return;
        }
        KindTally &k = kinds[QLatin1String(kindName(packageKind(name)))];
        k.rows += rows;
        k.ms += ms;
        ++k.packages;
    });
    WalWatch wal(folder.filePath(QLatin1String(kMainDbFileName)));
    // On the engine's thread, right after the package's commit.
    QObject::connect(updater, &QUpdater::packageImported, updater, [&wal] { wal.sample(); }, Qt::DirectConnection);
    qint64 walWaiting = 0, databaseBytes = 0;
    QElapsedTimer total;
    double seconds = 0;
    long syncsInCycle = -1;
    const long syncsBefore = syncCount();
    QObject::connect(updater, &QUpdater::cycleFinished, &app, [&](bool complete) {
        seconds = double(total.nsecsElapsed()) / 1e9 - 1.0; // the first cycle starts a second in
        syncsInCycle = syncCount() - syncsBefore;
        if (!complete)
            out() << "the cycle did not complete: " << lastStatus << Qt::endl;
        // The engine waits for its next cycle; two of its ticks later it stops.
        QTimer::singleShot(2500, &app, [&] {
            walWaiting = wal.size();
            databaseBytes = QFileInfo(folder.filePath(QLatin1String(kMainDbFileName))).size();
            QMetaObject::invokeMethod(updater, "stop", Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(updater, [] {
            auto pragma = [](const char *name, int *value) {
                QSqlQuery q(mainDatabase());
                if (q.exec(QStringLiteral("PRAGMA ") + QLatin1String(name)) && q.next())
                    *value = q.value(0).toInt();
            };
            pragma("synchronous", &engineSync);
            pragma("cache_size", &engineCache);
            pragma("wal_autocheckpoint", &engineAutocheckpoint);
            engineCpuSeconds = threadCpuMs() / 1000;
        }, Qt::BlockingQueuedConnection);
    });
    QObject::connect(thread, SIGNAL(started()), updater, SLOT(start()));
    QObject::connect(updater, &QUpdater::exitSystem, thread, &QThread::quit);
    QObject::connect(thread, &QThread::finished, updater, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, &app, &QCoreApplication::quit);

    out() << "engine: importing ..." << Qt::endl;
    total.start();
    thread->start();
    app.exec();
    thread->wait();
    delete thread;
    closeMainDatabase();

    engineSeconds = seconds;
    out() << QStringLiteral("engine  first cycle:        %1 s, %2 s of it the engine thread's CPU (its limit: see \"sync\" below)")
                 .arg(seconds, 0, 'f', 1)
                 .arg(engineCpuSeconds, 0, 'f', 1)
          << Qt::endl;
    if (syncsBefore >= 0)
        out() << QStringLiteral("engine  slow disk (%1 ms per fsync): %2 fsyncs in the cycle, %3 s (goal <= 15)")
                     .arg(qEnvironmentVariable("TAMREL_SLOW_SYNC_MS"))
                     .arg(syncsInCycle)
                     .arg(seconds, 0, 'f', 1)
              << Qt::endl;
    out() << QStringLiteral("engine  WAL:                peak %1 MB in the cycle (goal <= 128), %2 MB while the engine "
                            "waits (goal <= %3), beside a data.s3 of %4 MB")
                 .arg(megabytes(wal.peak()), 0, 'f', 1)
                 .arg(megabytes(walWaiting), 0, 'f', 1)
                 .arg(megabytes(64 << 20), 0, 'f', 1)
                 .arg(megabytes(databaseBytes), 0, 'f', 1)
          << Qt::endl;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it) {
        const double rate = it->ms > 0 ? double(it->rows) * 1000.0 / double(it->ms) : 0;
        out() << QStringLiteral("engine  %1 %2 packages, %3 rows, %4 s, %5 rows/s")
                     .arg(it.key() + QLatin1Char(':'), -17)
                     .arg(it->packages, 3)
                     .arg(it->rows, 7)
                     .arg(double(it->ms) / 1000.0, 5, 'f', 1)
                     .arg(rate, 7, 'f', 0)
              << Qt::endl;
    }
    out() << QStringLiteral("engine  status texts:       %1 per second").arg(seconds > 0 ? statuses / seconds : 0, 0, 'f', 0)
          << Qt::endl;
    out() << QStringLiteral("engine  failed packages:    %1").arg(failed) << Qt::endl;
    out() << QStringLiteral("engine  connection:         synchronous %1, cache_size %2, wal_autocheckpoint %3")
                 .arg(engineSync).arg(engineCache).arg(engineAutocheckpoint)
          << Qt::endl;
    out() << QStringLiteral("engine  peak memory:        %1 MB").arg(peakMegabytes(), 0, 'f', 1) << Qt::endl;
    return failed == 0;
}

// ---- window: the main window's event loop while its engine syncs ----

// The application, noting every event of the GUI thread that took longer than 20 ms: what the
// longest stalls were busy with.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (depth++ > 0 || QThread::currentThread() != thread()) {
            const bool done = QApplication::notify(receiver, event);
            --depth;
            return done;
        }
        QElapsedTimer timer;
        timer.start();
        const QString what = describe(receiver, event);
        const bool done = QApplication::notify(receiver, event);
        --depth;
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (ms > 20 && slowEvents.size() < 20)
            slowEvents << QStringLiteral("%1 ms %2").arg(ms, 0, 'f', 1).arg(what);
        return done;
    }

    QStringList slowEvents;

private:
    static QString describe(QObject *receiver, QEvent *event)
    {
        QString text = QLatin1String(receiver->metaObject()->className());
        if (!receiver->objectName().isEmpty())
            text += QLatin1Char(' ') + receiver->objectName();
        // A queued signal (MetaCall, 43) names only its receiver.
        text += QStringLiteral(" event ") + QString::number(int(event->type()));
        return text;
    }

    int depth = 0;
};


bool runWindow(QApplication &app)
{
    QTemporaryDir folder;
    loadOptionConfig();
    setDataDir(folder.path());
    if (!initMainDatabase(folder.path()) || !openStandInSession()) {
        out() << "window: no data folder or no session with the stand-in" << Qt::endl;
        return false;
    }
    const QString appDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../app");
    installAppFont(appDir);
    if (!installStyleSheet(&app, appDir))
        out() << "window: no skin.qss in " << appDir << Qt::endl;

    QWinMain window;
    window.show();
    auto *status = window.findChild<QLabel *>(QStringLiteral("lblStatus"));
    const QString initialText = status->text();
    constexpr int kProbeMs = 5;
    // Each gap with the GUI thread's own CPU time in it: on a busy machine a long gap with little
    // CPU is the thread waiting for a core, not work of the program.
    struct Gap
    {
        double wall, cpu;
        QString text;   // the status text the gap ended on
    };
    std::vector<Gap> gaps;
    double cpuAtTick = threadCpuMs();
    QElapsedTimer sinceTick, total;
    bool cycling = false, done = false;
    double seconds = 0;
    int shownTexts = 0;
    std::vector<double> idleCpus;   // the probe's own cost, before the cycle starts
    QString lastText;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        const double gap = double(sinceTick.nsecsElapsed()) / 1e6;
        const double cpu = threadCpuMs();
        const double gapCpu = cpu - cpuAtTick;
        cpuAtTick = cpu;
        sinceTick.start();
        const QString text = status->text();
        // A text seen twice in a row is one text shown (the probe may miss some between ticks).
        shownTexts += text != lastText;
        lastText = text;
        if (!cycling)
            idleCpus.push_back(gapCpu);
        // The engine's first text opens the cycle; the index itself may come and go between two ticks.
        if (!cycling && text != initialText) {
            cycling = true;
            total.start();
            return;
        }
        if (!cycling || done)
            return;
        gaps.push_back({gap, gapCpu, text});
        if (text == QStringLiteral("数据更新完毕！") || text == QStringLiteral("数据更新中止！")) {
            done = true;
            seconds = double(total.nsecsElapsed()) / 1e9;
            // As the close question's "yes" does; the window closes for good on exitSystem().
            QMetaObject::invokeMethod(&window, "stopUpdater");
        }
    });
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    out() << "window: syncing ..." << Qt::endl;
    sinceTick.start();
    probe.start(kProbeMs);
    app.exec();
    probe.stop();
    closeMainDatabase();

    std::vector<double> walls, cpus;
    for (const Gap &g : gaps) {
        walls.push_back(g.wall);
        cpus.push_back(g.cpu);
    }
    std::sort(gaps.begin(), gaps.end(), [](const Gap &a, const Gap &b) { return a.wall > b.wall; });
    const auto over = std::count_if(walls.begin(), walls.end(), [](double g) { return g > 16.0 + kProbeMs; });
    out() << QStringLiteral("window  sync:               %1 s (%2)")
                 .arg(seconds, 0, 'f', 1)
                 .arg(done ? status->text() : QStringLiteral("did not end"))
          << Qt::endl;
    if (!gaps.empty()) {
        std::sort(walls.begin(), walls.end());
        out() << QStringLiteral("window  event-loop gaps:    min / median / max %1 ms, 99th %2 ms (timer %3 ms)")
                     .arg(spread(walls, 1))
                     .arg(walls[walls.size() * 99 / 100], 0, 'f', 1)
                     .arg(kProbeMs)
              << Qt::endl;
        out() << QStringLiteral("window  longest stall:      %1 ms on %4 (goal <= 33); %2 of %3 gaps stalled over 16 ms")
                     .arg(walls.back() - kProbeMs, 0, 'f', 1)
                     .arg(over)
                     .arg(gaps.size())
                     .arg(QGuiApplication::platformName())
              << Qt::endl;
        out() << QStringLiteral("window  most GUI-thread CPU in one gap: %1 ms").arg(*std::max_element(cpus.begin(), cpus.end()), 0, 'f', 1)
              << Qt::endl;
        const double cpuSum = std::accumulate(cpus.begin(), cpus.end(), 0.0);
        const double probeCost = median(idleCpus) * double(gaps.size());
        out() << QStringLiteral("window  GUI-thread CPU in the sync: %1 s of %2 s (goal <= 0.5), of which the probe "
                                "itself about %3 s; %4 status texts shown")
                     .arg(cpuSum / 1000, 0, 'f', 2)
                     .arg(seconds, 0, 'f', 1)
                     .arg(probeCost / 1000, 0, 'f', 2)
                     .arg(shownTexts)
              << Qt::endl;
        for (const QString &slow : static_cast<TimedApplication *>(qApp)->slowEvents)
            out() << QStringLiteral("window    event over 20 ms: ") << slow << Qt::endl;
        for (size_t k = 0; k < gaps.size() && k < 3; ++k)
            out() << QStringLiteral("window    gap %1 ms, %2 ms of it GUI-thread CPU, ended on \"%3\"")
                         .arg(gaps[k].wall, 0, 'f', 1)
                         .arg(gaps[k].cpu, 0, 'f', 1)
                         .arg(gaps[k].text)
                  << Qt::endl;
    }
    return done;
}

// ---- ratio: every importer against plain inserts of the values, package by package ----

// The engine's connection settings, read on its thread: the ratio sets the same on both files.
QString enginePragmas()
{
    return QStringLiteral("PRAGMA synchronous = %1; PRAGMA cache_size = %2; PRAGMA wal_autocheckpoint = %3;")
        .arg(engineSync)
        .arg(engineCache)
        .arg(engineAutocheckpoint);
}

// A fresh data.s3 with the schema in dir, closed again.
bool schemaFile(const QString &dir)
{
    if (!initMainDatabase(dir))
        return false;
    closeMainDatabase();
    return true;
}

QByteArray download(QNetworkAccessManager &network, const QString &url, double *ms)
{
    QElapsedTimer timer;
    timer.start();
    QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    reply->deleteLater();
    *ms = double(timer.nsecsElapsed()) / 1e6;
    return body;
}

struct Tally
{
    int packages = 0;
    qint64 rows = 0;
    double downloadMs = 0, readMs = 0, importMs = 0, plainMs = 0, importCpuMs = 0, plainCpuMs = 0, extractMs = 0;
    std::vector<double> ratios;

    void add(const Tally &t)
    {
        packages += t.packages;
        rows += t.rows;
        downloadMs += t.downloadMs;
        readMs += t.readMs;
        importMs += t.importMs;
        plainMs += t.plainMs;
        importCpuMs += t.importCpuMs;
        plainCpuMs += t.plainCpuMs;
        extractMs += t.extractMs;
        ratios.insert(ratios.end(), t.ratios.begin(), t.ratios.end());
    }
};

const char *ratioKindName(PackageKind kind)
{
    switch (kind) {
    case PackageKind::Report: return "report";
    case PackageKind::ReportDelete: return "report delete";
    case PackageKind::Rating: return "rating";
    case PackageKind::Estimate: return "estimate";
    case PackageKind::EstimateDelete: return "estimate delete";
    case PackageKind::Matrix: return "matrix";
    case PackageKind::Finance: return "finance";
    case PackageKind::Consensus: return "consensus";
    case PackageKind::Ace: return "performance";
    case PackageKind::Recommend: return "recommendation";
    case PackageKind::Stock: return "stock";
    case PackageKind::Analyst: return "analyst";
    case PackageKind::AnalystDelete: return "analyst delete";
    case PackageKind::Unknown: break;
    }
    return "other";
}

bool runRatio(const QString &dataDir)
{
    QTemporaryDir temp;
    const QString importDir = temp.filePath(QStringLiteral("import")), plainDir = temp.filePath(QStringLiteral("plain"));
    if (!schemaFile(importDir) || !schemaFile(plainDir)) {
        out() << "ratio: cannot create the two files" << Qt::endl;
        return false;
    }
    QSqlDatabase imported = sqliteConnection(QStringLiteral("Import"), importDir + QStringLiteral("/data.s3"));
    sqlite3 *handle = nullptr;
    if (!imported.isOpen()
        || sqlite3_open((plainDir + QStringLiteral("/data.s3")).toUtf8().constData(), &handle) != SQLITE_OK) {
        out() << "ratio: cannot open the two files" << Qt::endl;
        return false;
    }
    sqlite3_exec(handle, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    for (const QString &pragma : enginePragmas().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QSqlQuery(imported).exec(pragma);
        sqlite3_exec(handle, pragma.toUtf8().constData(), nullptr, nullptr, nullptr);
    }

    QNetworkAccessManager network;
    QMap<QString, Tally> kinds;
    ImportContext context;
    context.status = [](const QString &) {};
    const QJsonArray packages = QJsonDocument::fromJson([&] {
        QFile manifest(dataDir + QStringLiteral("/manifest.json"));
        return manifest.open(QIODevice::ReadOnly) ? manifest.readAll() : QByteArray();
    }()).object().value(QLatin1String("packages")).toArray();
    out() << "ratio: fetching and importing " << packages.size() << " packages side by side ..." << Qt::endl;
    int turn = 0;
    for (const QJsonValue &entry : packages) {
        const QString name = entry[QLatin1String("name")].toString();
        const PackageKind kind = packageKind(name);
        if (kind == PackageKind::Unknown || isSkippedMonthlyPackage(packageBaseName(name), getDataYear()))
            continue;
        Tally t;
        t.packages = 1;
        const QByteArray body = download(network, getDatUrl() + QLatin1Char('/') + name, &t.downloadMs);
        QByteArray text;
        QJsonArray rows;
        QElapsedTimer read;
        read.start();
        if (!safeUncompress(body, &text) || !readPackageRows(text, &rows)) {
            out() << "ratio: " << name << " does not read" << Qt::endl;
            continue;
        }
        t.readMs = double(read.nsecsElapsed()) / 1e6;
        t.rows = rows.size();
        const plain::Statement statement = plain::statementOf(kind);
        QElapsedTimer extract;
        extract.start();
        const std::vector<plain::Row> values = plain::extract(statement, rows);
        t.extractMs = double(extract.nsecsElapsed()) / 1e6;
        const DataRecord dataRecord{packageBaseName(name), entry[QLatin1String("tM")].toString()};
        // Wall milliseconds; the thread's CPU milliseconds added to *cpu.
        auto timed = [](const std::function<void()> &work, double *cpu) {
            QElapsedTimer timer;
            const double cpuStart = threadCpuMs();
            timer.start();
            work();
            *cpu += threadCpuMs() - cpuStart;
            return double(timer.nsecsElapsed()) / 1e6;
        };
        // In turns, so that drift of a shared machine falls on both.
        const std::function<void()> runs[] = {
            [&] {
                t.importMs = timed([&] { importPackageRows(imported, name, rows, context, &dataRecord); }, &t.importCpuMs);
            },
            [&] { t.plainMs = timed([&] { plain::write(handle, statement.sql, values); }, &t.plainCpuMs); },
        };
        runs[turn % 2]();
        runs[(turn + 1) % 2]();
        ++turn;
        if (t.plainMs > 0)
            t.ratios.push_back(t.importMs / t.plainMs);
        kinds[QLatin1String(ratioKindName(kind))].add(t);
    }
    // The one checkpoint of the cycle, on both files.
    Tally total;
    total.importMs += double([&] {
        QElapsedTimer timer;
        timer.start();
        QSqlQuery(imported).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
        return timer.nsecsElapsed();
    }()) / 1e6;
    total.plainMs += double([&] {
        QElapsedTimer timer;
        timer.start();
        sqlite3_exec(handle, "PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
        return timer.nsecsElapsed();
    }()) / 1e6;
    sqlite3_close(handle);

    out() << QStringLiteral("ratio   %1 %2 %3 %4 %5 %6")
                 .arg("kind", -16).arg("pkgs", 5).arg("rows", 8).arg("import s", 9).arg("plain s", 8)
                 .arg("ratio (all; min / median / max of packages)")
          << Qt::endl;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it) {
        total.add(it.value());
        out() << QStringLiteral("ratio   %1 %2 %3 %4 %5 %6 (%7)")
                     .arg(it.key(), -16)
                     .arg(it->packages, 5)
                     .arg(it->rows, 8)
                     .arg(it->importMs / 1000, 9, 'f', 2)
                     .arg(it->plainMs / 1000, 8, 'f', 2)
                     .arg(it->plainMs > 0 ? it->importMs / it->plainMs : 0, 5, 'f', 2)
                     .arg(spread(it->ratios, 2))
              << Qt::endl;
    }
    out() << QStringLiteral("ratio   all: import %1 s vs plain inserts %2 s (with the checkpoint): %3x")
                 .arg(total.importMs / 1000, 0, 'f', 2)
                 .arg(total.plainMs / 1000, 0, 'f', 2)
                 .arg(total.importMs / total.plainMs, 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("ratio   the same in thread CPU: import %1 s vs plain inserts %2 s: %3x")
                 .arg(total.importCpuMs / 1000, 0, 'f', 2)
                 .arg(total.plainCpuMs / 1000, 0, 'f', 2)
                 .arg(total.importCpuMs / total.plainCpuMs, 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("ratio   taking the values out of the JSON and converting them (as the importers do, "
                            "apart from the limit): %1 s")
                 .arg(total.extractMs / 1000, 0, 'f', 2)
          << Qt::endl;
    const double limit = (total.downloadMs + total.readMs + total.plainMs) / 1000;
    out() << QStringLiteral("ratio   limit of a sync: download %1 s + inflate and parse %2 s + plain inserts %3 s = %4 s")
                 .arg(total.downloadMs / 1000, 0, 'f', 2)
                 .arg(total.readMs / 1000, 0, 'f', 2)
                 .arg(total.plainMs / 1000, 0, 'f', 2)
                 .arg(limit, 0, 'f', 2)
          << Qt::endl;
    if (engineSeconds > 0)
        out() << QStringLiteral("sync    %1 s against its limit %2 s: %3x (goal <= 1.3)")
                     .arg(engineSeconds, 0, 'f', 1)
                     .arg(limit, 0, 'f', 1)
                     .arg(engineSeconds / limit, 0, 'f', 2)
              << Qt::endl;
    return total.packages > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    setUtf8LocaleCodec();
    if (qEnvironmentVariableIsEmpty("TAMREL_DEVSERVER"))
        qputenv("TAMREL_DEVSERVER",
                QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/../devserver/tamrel-devserver")));

    const QStringList args = app.arguments();
    auto option = [&args](const char *name) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
    };
    QString dataDir = option("--data");
    QString only = option("--only");
    const QString slowSync = option("--slow-sync");
    const QString slowCut = option("--slow-cut");
    if ((!slowSync.isEmpty() || !slowCut.isEmpty()) && syncCount() < 0) {
        // Runs itself again with the slow disk preloaded.
        QProcess self;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QCoreApplication::applicationDirPath() + QStringLiteral("/libslowsync.so"));
        env.insert(QStringLiteral("TAMREL_SLOW_SYNC_MS"), slowSync);
        env.insert(QStringLiteral("TAMREL_SLOW_CUT_MS"), slowCut);
        self.setProcessEnvironment(env);
        self.setProcessChannelMode(QProcess::ForwardedChannels);
        self.start(QCoreApplication::applicationFilePath(), args.mid(1));
        self.waitForFinished(-1);
        return self.exitCode();
    }
    if (!slowSync.isEmpty() && only != QLatin1String("cut"))
        only = QStringLiteral("engine");
    // The cut needs no data set nor the stand-in.
    if (only == QLatin1String("cut"))
        return cutbench::runCut(60) ? 0 : 2;
    QTemporaryDir generated;
    if (dataDir.isEmpty()) {
        dataDir = generated.path() + QStringLiteral("/large");
        out() << "generating the large data set..." << Qt::endl;
        QProcess generate;
        generate.start(DevServer::programPath(), {QStringLiteral("generate"), QStringLiteral("--size"),
                                                  QStringLiteral("large"), QStringLiteral("--seed"),
                                                  QStringLiteral("1"), QStringLiteral("--out"), dataDir});
        if (!generate.waitForFinished(300000) || generate.exitCode() != 0) {
            out() << "cannot generate the data set with " << DevServer::programPath() << Qt::endl;
            return 1;
        }
    }
    qputenv("TAMREL_DEVDATA", QFile::encodeName(dataDir));

    DevServer server;
    if (!server.start()) {
        out() << "the stand-in did not start: " << server.errorString() << Qt::endl;
        return 1;
    }
    loadDefaultConfig();
    setHostIndex(0);

    bool ok = true;
    if (only.isEmpty() || only == QLatin1String("engine") || only == QLatin1String("ratio"))
        ok = runEngine(app) && ok;
    if (only.isEmpty() || only == QLatin1String("window"))
        ok = runWindow(app) && ok;
    if (only.isEmpty() || only == QLatin1String("ratio"))
        ok = runRatio(dataDir) && ok;
    if (only.isEmpty())
        ok = cutbench::runCut(60) && ok;
    return ok ? 0 : 2;
}
