#pragma once

// bench_updater --only cut: the GUI's write of a read flag while the engine cuts a WAL of 64 MiB,
// as at the end of a cycle after a large sync (everything copied, no reader). Each round the
// engine's connection, on its own thread, writes reports until the WAL passes 64 MiB and copies
// them; then it cuts the WAL while the GUI thread writes one read flag at a random moment of the
// cut, and a second at a random moment of the 100 ms after it (reports opened one after another:
// on a slow disk the first one's copy into data.s3 may come under the lock that the second meets). The cut as the engine did it before (one
// TRUNCATE) and as it does it now (in steps), with the longest hold of the write lock in each cut.
// Preloaded with libslowsync.so and TAMREL_SLOW_CUT_MS, every cut of a file costs that many
// milliseconds more per 64 MiB, as on a slow disk.

#include "benchsupport.h"
#include "bench_updater_wal.h"
#include "dbconnection.h"
#include "engineconnection.h"
#include "watchedvfs.h"

#include <QMetaObject>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>

#include <atomic>
#include <functional>

namespace cutbench {

constexpr qint64 kWalBytes = 64 << 20;

// The engine's connection on a thread of its own, as the engine has it.
class EngineSide
{
public:
    EngineSide()
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        run([] { openEngineConnection(); });
    }
    ~EngineSide()
    {
        run([] { closeMainDatabase(); });
        m_thread.quit();
        m_thread.wait();
    }
    void run(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
    }
    void start(const std::function<void()> &work) { QMetaObject::invokeMethod(&m_context, work, Qt::QueuedConnection); }

private:
    QThread m_thread;
    QObject m_context;
};

// On the engine's thread: reports until the WAL passes 64 MiB, all of it copied into data.s3.
inline void fillWal(const WalWatch &wal)
{
    QSqlQuery remove(mainDatabase()), insert(mainDatabase());
    insert.prepare(QStringLiteral("with recursive n(i) as (select 2 union all select i + 1 from n where i < 2001) "
                                  "insert into T_Report (Rpt_ID, Rpt_Title) select i, hex(randomblob(1500)) from n"));
    while (wal.size() < kWalBytes) {
        remove.exec(QStringLiteral("delete from T_Report where Rpt_ID > 1"));
        insert.exec();
    }
    QSqlQuery(mainDatabase()).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
}

// The cut as the engine did it before: after the copy, one TRUNCATE without a wait.
inline bool truncateAtOnce(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")))
        return false;
    query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    const bool cut = query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && query.next() && query.value(0).toInt() == 0;
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kSqliteBusyTimeoutMs));
    return cut;
}

// The GUI thread's write of a read flag; its milliseconds.
inline double guiWrite()
{
    static int flag = 0;
    flag ^= 1;
    QElapsedTimer timer;
    timer.start();
    QSqlQuery query(mainDatabase());
    query.prepare(QStringLiteral("update T_Report set Rpt_Readed = ? where Rpt_ID = 1"));
    query.addBindValue(flag);
    query.exec();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Figures
{
    std::vector<double> cuts, waits, nextWaits, holds;
    int failed = 0;
};

// rounds cuts done by cut() on the engine's thread, each with one GUI write at a random moment of
// it and a second within 100 ms after that one (no write when calibrating).
inline Figures measure(EngineSide &engine, const WalWatch &wal, const std::function<bool(QSqlDatabase)> &cut,
                       int rounds, double spanMs)
{
    Figures figures;
    for (int round = 0; round < rounds; ++round) {
        engine.run([&wal] { fillWal(wal); });
        std::atomic<bool> begun{false}, done{false};
        double cutMs = 0, holdMs = 0;
        bool ok = false;
        engine.start([&] {
            QElapsedTimer timer;
            timer.start();
            begun = true;
            watchedvfs::reset();
            ok = cut(mainDatabase());
            cutMs = double(timer.nsecsElapsed()) / 1e6;
            holdMs = double(watchedvfs::seen().longestHoldNs) / 1e6;
            done = true;
        });
        while (!begun)
            QThread::yieldCurrentThread();
        if (spanMs > 0) {
            QElapsedTimer since;
            since.start();
            const qint64 at = qint64(QRandomGenerator::global()->bounded(spanMs) * 1e6);
            while (since.nsecsElapsed() < at)
                ;
            // Only a write that starts while the cut is under way counts.
            if (!done)
                figures.waits.push_back(guiWrite());
            const qint64 next = since.nsecsElapsed() + qint64(QRandomGenerator::global()->bounded(100.0) * 1e6);
            while (since.nsecsElapsed() < next)
                ;
            if (!done)
                figures.nextWaits.push_back(guiWrite());
        }
        while (!done)
            QThread::msleep(1);
        figures.cuts.push_back(cutMs);
        figures.holds.push_back(holdMs);
        figures.failed += !ok;
    }
    return figures;
}

inline bool runCut(int rounds)
{
    QTemporaryDir folder;
    if (!watchedvfs::install() || !initMainDatabase(folder.path())) {
        out() << "cut: cannot create the data folder" << Qt::endl;
        return false;
    }
    QSqlQuery(mainDatabase()).exec(QStringLiteral("insert into T_Report (Rpt_ID, Rpt_Readed) values (1, 0)"));
    std::vector<double> alone;
    for (int i = 0; i < 20; ++i)
        alone.push_back(guiWrite());
    const WalWatch wal(mainDatabasePath());
    const QString slow = qEnvironmentVariable("TAMREL_SLOW_CUT_MS");
    const QString slowSync = qEnvironmentVariable("TAMREL_SLOW_SYNC_MS");
    out() << "cut: " << rounds << " rounds of each way"
          << (slowSync.isEmpty() ? QString() : QStringLiteral(", every fsync %1 ms").arg(slowSync))
          << (slow.isEmpty() ? QString() : QStringLiteral(", every cut of a file %1 ms slower per 64 MiB").arg(slow)) << " ..."
          << Qt::endl;
    auto maxOf = [](const std::vector<double> &values) {
        return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    };
    bool ok = true;
    {
        EngineSide engine;
        const std::pair<const char *, std::function<bool(QSqlDatabase)>> ways[] = {
            {"one TRUNCATE (before)", truncateAtOnce},
            {"in steps (now)       ", checkpointEngineConnection},
        };
        for (const auto &way : ways) {
            // Alone, every cut cuts; its time spans the moments of the writes.
            const Figures uninterrupted = measure(engine, wal, way.second, 3, 0);
            ok = ok && uninterrupted.failed == 0;
            const double span = median(uninterrupted.cuts);
            const Figures f = measure(engine, wal, way.second, rounds, span);
            const auto over = std::count_if(f.waits.begin(), f.waits.end(), [](double w) { return w > 33; });
            out() << QStringLiteral("cut     %1 the cut of 64 MiB %2 ms (median); a GUI write during it: "
                                    "median %3 ms, max %4 ms, %5 of %6 over 33 ms%7")
                         .arg(QLatin1String(way.first))
                         .arg(median(f.cuts), 0, 'f', 1)
                         .arg(median(f.waits), 0, 'f', 1)
                         .arg(maxOf(f.waits), 0, 'f', 1)
                         .arg(over)
                         .arg(f.waits.size())
                         .arg(f.failed ? QStringLiteral("; the write made %1 cuts wait for the next try").arg(f.failed) : QString())
                  << Qt::endl;
            out() << QStringLiteral("cut       a second write within 100 ms after it: median %1 ms, max %2 ms in %3; "
                                    "the longest hold of the write lock in a cut: median %4 ms, max %5 ms")
                         .arg(median(f.nextWaits), 0, 'f', 1)
                         .arg(maxOf(f.nextWaits), 0, 'f', 1)
                         .arg(f.nextWaits.size())
                         .arg(median(f.holds), 0, 'f', 1)
                         .arg(maxOf(f.holds), 0, 'f', 1)
                  << Qt::endl;
        }
    }
    out() << QStringLiteral("cut     the same GUI write alone: median %1 ms, max %2 ms")
                 .arg(median(alone), 0, 'f', 2)
                 .arg(*std::max_element(alone.begin(), alone.end()), 0, 'f', 2)
          << Qt::endl;
    closeMainDatabase();
    return ok;
}

} // namespace cutbench
