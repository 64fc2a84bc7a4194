#include "engineconnection.h"

#include "dbconnection.h"
#include "updaterlog.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

namespace {

// The WAL past which a commit checkpoints: the WAL holds at most this and one package, and a
// first sync of several hundred MB checkpoints about a dozen times (three syncs each).
constexpr int kCheckpointBytes = 64 << 20;

// The most of the WAL's file that one lock cuts. The file system frees a cut file while the
// cut holds the write lock, and a GUI write waits for it: 64 MiB took 40-50 ms on a slow disk.
// A step also syncs the restarted WAL's header under the lock.
constexpr qint64 kCutStepBytes = 8 << 20;

// The write lock stays free this long between two steps. A waiting GUI write tries the lock
// again after sleeps of its busy handler that reach 15 ms before it has waited 33 ms: it comes
// in between two steps instead of missing the gap and waiting for the next step too.
constexpr unsigned long kCutPauseMs = 20;

// When the WAL starts again after a checkpoint, its file is cut back to 64 MiB.
const char kJournalSizeLimit[] = "PRAGMA journal_size_limit = 67108864";

const char *const kPragmas[] = {
    "PRAGMA synchronous = NORMAL",
    // 64 MiB: the biggest packages' pages and the indexes they touch stay in memory.
    "PRAGMA cache_size = -65536",
    kJournalSizeLimit,
    nullptr,
};

// Runs sql on db; its first row in *row when asked. False when it failed: said, unless another
// connection held the lock it needs (busy), which the cut of the WAL meets in passing.
bool run(QSqlDatabase db, const QString &sql, QVariantList *row = nullptr)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || (row && !query.next())) {
        if (query.lastError().nativeErrorCode() != QLatin1String("5"))
            qCWarning(lcUpdater) << sql << "failed:" << query.lastError().text();
        return false;
    }
    if (row) {
        row->clear();
        for (int i = 0; i < query.record().count(); ++i)
            row->append(query.value(i));
    }
    return true;
}

// Runs a checkpoint in mode; true when it copied everything the WAL holds. Its row: busy,
// frames, copied.
bool checkpoint(QSqlDatabase db, const char *mode)
{
    QVariantList row;
    return run(db, QStringLiteral("PRAGMA wal_checkpoint(%1)").arg(QLatin1String(mode)), &row)
        && row.at(0).toInt() == 0 && row.at(1).toInt() == row.at(2).toInt();
}

// A checkpoint in mode, which takes the write lock, that finds nothing to copy: PASSIVE ones first
// copy and sync, without the lock, what came into the WAL since the last copy (GUI writes in the
// pause between two steps). Otherwise that copy's two fsyncs come under the lock, and on a slow
// disk a GUI write waits for them as well as for the step's own. SQLite leaves data.s3 unsynced
// when a commit came during the copy, so another connection's commit meanwhile (a changed
// data_version) means one more copy, up to a few.
bool lockedCheckpoint(QSqlDatabase db, const char *mode)
{
    for (int copies = 0; copies < 3; ++copies) {
        QVariantList before, after;
        if (!run(db, QStringLiteral("PRAGMA data_version"), &before) || !checkpoint(db, "PASSIVE")
            || !run(db, QStringLiteral("PRAGMA data_version"), &after))
            return false;
        if (after == before)
            break;
    }
    return checkpoint(db, mode);
}

qint64 walBytes(QSqlDatabase db)
{
    return QFileInfo(db.databaseName() + QStringLiteral("-wal")).size();
}

// Cuts the WAL's file, all of it copied, to limit bytes. A RESTART checkpoint starts the WAL
// again at its head, and SQLite cuts the file to journal_size_limit at the first commit into
// it; that commit writes the schema version as it is, a page and no change, and its frame is
// copied into data.s3 before the next step. False when another connection is on the WAL.
bool cutWalTo(QSqlDatabase db, qint64 limit)
{
    if (!lockedCheckpoint(db, "RESTART"))
        return false;
    QVariantList version;
    bool ok = run(db, QStringLiteral("PRAGMA journal_size_limit = %1").arg(limit))
        && run(db, QStringLiteral("BEGIN IMMEDIATE"));
    if (ok) {
        ok = run(db, QStringLiteral("PRAGMA user_version"), &version)
            && run(db, QStringLiteral("PRAGMA user_version = %1").arg(version.at(0).toInt()))
            && run(db, QStringLiteral("COMMIT"));
        if (!ok)
            run(db, QStringLiteral("ROLLBACK"));
    }
    ok = run(db, QLatin1String(kJournalSizeLimit)) && ok;
    return ok && checkpoint(db, "PASSIVE");
}

} // namespace

bool setUpEngineConnection(QSqlDatabase db)
{
    bool ok = true;
    for (const char *const *pragma = kPragmas; *pragma; ++pragma)
        ok = run(db, QLatin1String(*pragma)) && ok;
    // SQLite's own checkpoint after a commit, counted in pages: between packages, never inside one.
    QVariantList pageSize;
    if (!run(db, QStringLiteral("PRAGMA page_size"), &pageSize) || pageSize.at(0).toInt() <= 0)
        return false;
    return run(db, QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(kCheckpointBytes / pageSize.at(0).toInt())) && ok;
}

QSqlDatabase openEngineConnection()
{
    setMainDatabaseSetUp([](QSqlDatabase db) { setUpEngineConnection(db); });
    return mainDatabase();
}

bool checkpointEngineConnection(QSqlDatabase db)
{
    if (!db.isOpen())
        return false;
    // PASSIVE takes no lock that the GUI waits for: the copy and its syncs happen here. Frames a
    // reader still needs stay in the WAL for a later checkpoint.
    if (!checkpoint(db, "PASSIVE"))
        return false;
    // Everything is copied; what is left is to cut the file. That takes the write lock and needs
    // every reader off the WAL: without a wait, so the GUI never waits behind the engine, and
    // when it cannot, the WAL stays as it is for a later try. A large file is cut in steps, the
    // last of them (TRUNCATE) to nothing.
    if (!run(db, QStringLiteral("PRAGMA busy_timeout = 0")))
        return false;
    bool cut = true;
    for (qint64 bytes = walBytes(db); cut && bytes > kCutStepBytes;) {
        cut = cutWalTo(db, bytes - kCutStepBytes);
        const qint64 left = walBytes(db);
        // Another connection's commit came first into the restarted WAL and nothing was cut.
        cut = cut && left < bytes;
        bytes = left;
        if (cut)
            QThread::msleep(kCutPauseMs);
    }
    cut = cut && lockedCheckpoint(db, "TRUNCATE");
    run(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(kSqliteBusyTimeoutMs));
    return cut;
}
