#include "engineconnection.h"

#include "dbconnection.h"
#include "updaterlog.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// The WAL past which a commit checkpoints: the WAL holds at most this and one package, and a
// first sync of several hundred MB checkpoints about a dozen times (three syncs each).
constexpr int kCheckpointBytes = 64 << 20;

const char *const kPragmas[] = {
    "PRAGMA synchronous = NORMAL",
    // 64 MiB: the biggest packages' pages and the indexes they touch stay in memory.
    "PRAGMA cache_size = -65536",
    // When the WAL starts again after a checkpoint, its file is cut back to 64 MiB.
    "PRAGMA journal_size_limit = 67108864",
    nullptr,
};

// Runs sql on db; its first row in *row when asked. False (said) when it failed.
bool run(QSqlDatabase db, const QString &sql, QVariantList *row = nullptr)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || (row && !query.next())) {
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
    // reader still needs stay in the WAL for a later checkpoint. Its row: busy, frames, copied.
    QVariantList passive;
    if (!run(db, QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"), &passive))
        return false;
    if (passive.at(0).toInt() != 0 || passive.at(1).toInt() != passive.at(2).toInt())
        return false;
    // Everything is copied; TRUNCATE has only the file to cut. It takes the write lock and needs
    // every reader off the WAL: without a wait, so the GUI never waits behind it, and when it
    // cannot, it leaves the WAL as it is.
    QVariantList truncate;
    const bool ran = run(db, QStringLiteral("PRAGMA busy_timeout = 0"))
        && run(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), &truncate);
    run(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(kSqliteBusyTimeoutMs));
    return ran && truncate.at(0).toInt() == 0;
}
