#pragma once

// The settings of the update engine's own connection to data.s3, and its checkpoints.
//
// Each package commits with its T_Data record, so whatever a power cut takes back is only fetched
// again: the connection syncs at checkpoints, not at commits (synchronous=NORMAL in WAL mode).
// It checkpoints after the commit of a package that brings the WAL past 64 MiB, and at the end
// of an index cycle (and when the engine stops), instead of every 1,000 pages: a finished cycle
// is on disk, and a power cut takes back at most the packages since the last checkpoint, which
// come again. The page cache is large enough that a big package's transaction does not spill
// into the WAL half-way.

#include <QSqlDatabase>

// Applies the engine's settings to db; false (said) when one of them cannot be set.
bool setUpEngineConnection(QSqlDatabase db);

// Makes the calling thread's connection to data.s3 the engine's: setUpEngineConnection() runs on
// it now and whenever it is opened again. The connection, open when the file can be opened.
QSqlDatabase openEngineConnection();

// Copies what the WAL holds into data.s3 and syncs it, without blocking the GUI's readers or its
// writes, then cuts the WAL to nothing without waiting for anyone: at most 8 MiB of its file
// under one lock, and no copy under it (GUI writes during the cut are copied between the locks),
// so that a GUI write waits for no more than that. True when the WAL was cut;
// false when a reader still holds part of it (what it does not hold is copied all the same),
// another connection came between two steps, or the checkpoint could not run (said).
bool checkpointEngineConnection(QSqlDatabase db);
