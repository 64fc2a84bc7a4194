#pragma once

// The settings of the update engine's own connection to data.s3, and its one checkpoint per index
// cycle.
//
// Each package commits with its T_Data record, so whatever a power cut takes back is only fetched
// again: the connection syncs at checkpoints, not at commits (synchronous=NORMAL in WAL mode), and
// checkpoints once at the end of an index cycle (and when the engine stops) instead of every
// 1,000 pages. A cycle's packages are therefore durable once its checkpoint is done; a power cut
// before it leaves the file as the previous cycle left it, and the packages come again. The page
// cache is large enough that a big package's transaction does not spill into the WAL half-way.

#include <QSqlDatabase>

// Applies the engine's settings to db; false (said) when one of them cannot be set.
bool setUpEngineConnection(QSqlDatabase db);

// Copies what the WAL holds into data.s3 and syncs it, without blocking the GUI's readers or its
// writes; false (said) when the checkpoint could not run.
bool checkpointEngineConnection(QSqlDatabase db);
