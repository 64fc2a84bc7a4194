#pragma once

// The analysts of the latest T_Analyst snapshot (the rows with the greatest Anl_DtUpdate), one entry
// per person (Anl_UID) in the order of each person's lowest Anl_ID, and a map from every Anl_ID of the
// snapshot to its person. A person's current record is the row with Anl_New = 1 (the highest Anl_ID
// of those); a person without one has empty fields but keeps its ids.
//
// loadAnalystCache runs on the GUI thread and on the update engine's thread, each time through the
// calling thread's own connection to data.s3. A load builds the new cache aside and publishes it in
// one step; every lookup answers from one published cache. A failed load leaves the cache empty.

#include "qanalystrecord.h"

#include <QString>
#include <QStringList>

void loadAnalystCache();

// By uid; an unknown uid gives "", 0 or an empty list.
QString getAnalystName(const QString &uid);
QString getAnalystInst(const QString &uid);
QString getAnalystIndustry(const QString &uid);
int getAnalystMonths(const QString &uid);
QString getAnalystId(const QString &uid);
QStringList getAnalystIdList(const QString &uid); // ascending

// By Anl_ID, through the id's person: "" and a list of just id when the id is unknown.
QString getAnalystNameById(const QString &id);
QStringList getAnalystIdListById(const QString &id);

// Uids in cache order whose name contains keyword (case-sensitive); every uid for an empty keyword.
QStringList searchAnalystList(const QString &keyword);
