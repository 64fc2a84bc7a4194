#pragma once

// The stand-in serving a data set to the engine tests, and the check of what a sync stored.

#include "enginerunner.h"

#include <memory>

// Starts the stand-in on the data set in dataDir and points the client's configuration at it;
// the stand-in's error when it does not start.
inline QString startStandIn(std::unique_ptr<DevServer> *server, const QString &dataDir)
{
    qputenv("TAMREL_DEVDATA", QFile::encodeName(dataDir));
    *server = std::make_unique<DevServer>();
    if (!(*server)->start())
        return (*server)->errorString();
    loadDefaultConfig();
    setHostIndex(0);
    return QString();
}

// The tables whose row count on db differs from the data set's manifest, with the difference
// ("T_Stock+1").
inline QStringList mismatchedTables(const DevServer &server, QSqlDatabase db = mainDatabase())
{
    QStringList out;
    const QJsonObject tables = server.manifest().value(QLatin1String("tables")).toObject();
    for (const QString &table : tables.keys()) {
        if (const int more = rowCount(table, db) - tables.value(table).toInt())
            out.append(table + (more > 0 ? "+" : "") + QString::number(more));
    }
    return out;
}
