#pragma once

#include <QSqlDatabase>
#include <QString>

// The SQL function anl_any(Anl_List, ids) on a SQLite connection: 1 when the text holds "[id]"
// for one of the comma-separated ids, 0 when it does not, NULL for a NULL text. For ids of
// digits it selects exactly what "Anl_List like '%[id]%' or ..." selects, in one pass over the
// text instead of one pass per id: the analyst lists scan the whole entry window when their
// analysts wrote little, and a LIKE per id made that scan several times slower.

extern const char kAnalystListFunction[]; // "anl_any"

// False when the connection is not SQLite, its driver uses another SQLite library than this
// program, or the function cannot be added or does not answer afterwards: callers then use the
// LIKE form, which selects the same rows.
bool installAnalystListFunction(QSqlDatabase db);

// Whether a statement on this connection can call anl_any and gets its answers.
bool analystListFunctionWorks(QSqlDatabase db);

// Whether anl_any may stand for the LIKE test of this id: ASCII digits only.
bool analystIdFitsFunction(const QString &id);
