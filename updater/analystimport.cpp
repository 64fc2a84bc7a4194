// Recommendations ("RCM...") into T_Recommend, analyst records ("ANL...") into T_Analyst and
// "ANLDEL..." packages, which take analyst records away.

#include "importrun.h"
#include "timetext.h"

void importRecommendRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *remove = run.prepare("delete from T_Recommend where Rpt_ID = ?");
    QSqlQuery *select = run.prepare("select Rcm_DtModify from T_Recommend where Rpt_ID = ?");
    // Insert first: a stored recommendation refuses it by its key and only then takes the select.
    QSqlQuery *insert = run.prepare("insert into T_Recommend (Rpt_ID, Rcm_DtAdd, Rcm_DtModify) values (?, ?, ?) "
                                    "on conflict do nothing");
    // The time it was added stays that of the first insert.
    QSqlQuery *update = run.prepare("update T_Recommend set Rcm_DtModify = ? where Rpt_ID = ?");
    if (run.failed())
        return;
    run.forEachRow(QStringLiteral("导入"), rows, [&](const PackageRow &row) {
        const BareValue id = bareKey(row.text(QLatin1String("id")));
        if (!id.valid)
            return RowOutcome::Skipped;
        if (row.integer(QLatin1String("vl")) < 1) {
            if (!run.exec(remove, {id.value}))
                return RowOutcome::Skipped;
            return run.changes() > 0 ? RowOutcome::Deleted : RowOutcome::Unchanged;
        }
        const QString modified = row.text(QLatin1String("tM"));
        if (!run.exec(insert, {id.value, ImportRun::text(row.text(QLatin1String("tA"))), ImportRun::text(modified)}))
            return RowOutcome::Skipped;
        if (run.changes() == 1)
            return RowOutcome::Inserted;
        QVariantList stored;
        if (!run.fetch(select, {id.value}, 1, &stored) || stored.isEmpty())
            return RowOutcome::Skipped;
        if (dateTimeKey(stored.at(0).toString()) >= dateTimeKey(modified))
            return RowOutcome::Unchanged;
        if (!run.exec(update, {ImportRun::text(modified), id.value}))
            return RowOutcome::Skipped;
        return RowOutcome::Updated;
    });
}

void importAnalystRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *select = run.prepare("select Anl_DtModify, Anl_DtUpdate, Anl_New from T_Analyst where Anl_ID = ?");
    // Insert first: a stored record refuses it by its key and only then takes the select.
    QSqlQuery *insert = run.prepare("insert into T_Analyst (Anl_ID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, "
                                    "Anl_UID, Anl_New, Anl_DtUpdate, Anl_DtModify) values (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                                    "on conflict do nothing");
    // A new current record takes the mark from the person's other records.
    QSqlQuery *others = run.prepare("update T_Analyst set Anl_New = 0 where Anl_UID = ? and Anl_ID != ? and Anl_New = 1");
    QSqlQuery *update = run.prepare("update T_Analyst set Anl_Name = ?, Ins_Name = ?, Ind_Name = ?, Anl_Months = ?, "
                                    "Anl_UID = ?, Anl_New = ?, Anl_DtUpdate = ?, Anl_DtModify = ? where Anl_ID = ?");
    if (run.failed())
        return;
    run.forEachRow(QStringLiteral("导入"), rows, [&](const PackageRow &row) {
        const BareValue id = bareKey(row.text(QLatin1String("id")));
        const BareValue uid = bareValue(row.text(QLatin1String("ui")));
        if (!id.valid || !uid.valid)
            return RowOutcome::Skipped;
        const QVariant name = ImportRun::text(row.text(QLatin1String("nm")));
        const QVariant institution = ImportRun::text(row.text(QLatin1String("is")));
        const QVariant industry = ImportRun::text(row.text(QLatin1String("in")));
        const QVariant months = row.integer(QLatin1String("mn"));
        const int isNew = row.integer(QLatin1String("nw"));
        const QString updated = row.text(QLatin1String("dt"));
        const QString modified = row.text(QLatin1String("tM"));

        if (!run.exec(insert, {id.value, name, institution, industry, months, uid.value, isNew,
                               ImportRun::text(updated), ImportRun::text(modified)}))
            return RowOutcome::Skipped;
        if (run.changes() == 1) {
            if (isNew == 1)
                run.exec(others, {uid.value, id.value});
            return RowOutcome::Inserted;
        }
        QVariantList stored;
        if (!run.fetch(select, {id.value}, 3, &stored) || stored.isEmpty())
            return RowOutcome::Skipped;
        const bool newer = dateTimeKey(stored.at(0).toString()) < dateTimeKey(modified)
                           || dateKey(stored.at(1).toString()) < dateKey(updated);
        if (!newer)
            return RowOutcome::Unchanged;
        if (!run.exec(update, {name, institution, industry, months, uid.value, isNew, ImportRun::text(updated),
                               ImportRun::text(modified), id.value}))
            return RowOutcome::Skipped;
        return RowOutcome::Updated;
    });
}

void deleteAnalystRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *remove = run.prepare("delete from T_Analyst where Anl_ID = ?");
    if (run.failed())
        return;
    run.forEachRow(QStringLiteral("清理"), rows, [&](const PackageRow &row) {
        const BareValue id = bareKey(row.text(QLatin1String("id")));
        if (!id.valid)
            return RowOutcome::Skipped;
        if (!run.exec(remove, {id.value}))
            return RowOutcome::Skipped;
        return run.changes() > 0 ? RowOutcome::Deleted : RowOutcome::Unchanged;
    });
}
