#include "engineconnection.h"

#include "updaterlog.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const char *const kPragmas[] = {
    "PRAGMA synchronous = NORMAL",
    // 64 MiB: the biggest packages' pages and the indexes they touch stay in memory.
    "PRAGMA cache_size = -65536",
    // Checkpoints come from checkpointEngineConnection() only.
    "PRAGMA wal_autocheckpoint = 0",
    // The WAL of a big cycle is cut back when it starts again, not kept at its largest.
    "PRAGMA journal_size_limit = 67108864",
    nullptr,
};

} // namespace

bool setUpEngineConnection(QSqlDatabase db)
{
    bool ok = true;
    for (const char *const *pragma = kPragmas; *pragma; ++pragma) {
        QSqlQuery query(db);
        if (!query.exec(QLatin1String(*pragma))) {
            qCWarning(lcUpdater) << *pragma << "failed:" << query.lastError().text();
            ok = false;
        }
    }
    return ok;
}

bool checkpointEngineConnection(QSqlDatabase db)
{
    if (!db.isOpen())
        return false;
    // PASSIVE takes no lock that the GUI waits for; frames a reader still needs are copied by the
    // next cycle's checkpoint.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) || !query.next()) {
        qCWarning(lcUpdater) << "checkpoint failed:" << query.lastError().text();
        return false;
    }
    if (query.value(0).toInt() != 0)
        qCWarning(lcUpdater) << "checkpoint was busy";
    return true;
}
