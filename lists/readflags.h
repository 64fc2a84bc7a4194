#pragma once

#include <QSqlDatabase>
#include <QStringList>

// Runs statement, which holds one "?" for a report id, once per id: the read flags of a list's
// rows. inTransaction: all ids in one transaction, rolled back when any of them fails, so a
// page is either read or unread as a whole. False (and logged) on any failure.
bool storeReadFlags(QSqlDatabase db, const QString &statement, const QStringList &ids, bool inTransaction);
