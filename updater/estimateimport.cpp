// Estimate packages ("EST...") into T_Estimate, one row per report and forecast period, and
// "ESTDEL..." packages, which take single periods away.

#include "importrun.h"
#include "timetext.h"

void importEstimateRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *select = run.prepare("select Est_DtModify from T_Estimate where Rpt_ID = ? and Est_Period = ?");
    // Insert first: a stored period refuses it by its key and only then takes the select.
    QSqlQuery *insert = run.prepare("insert into T_Estimate (Rpt_ID, Est_Period, Stk_Code, Est_NetProfit, "
                                    "Est_DtModify) values (?, ?, ?, ?, ?) on conflict do nothing");
    QSqlQuery *update = run.prepare("update T_Estimate set Stk_Code = ?, Est_NetProfit = ?, Est_DtModify = ? "
                                    "where Rpt_ID = ? and Est_Period = ?");
    if (run.failed())
        return;
    run.forEachRow(QStringLiteral("导入"), rows, [&](const PackageRow &row) {
        const BareValue id = bareKey(row.text(QLatin1String("id")));
        const BareValue profit = bareValue(row.text(QLatin1String("np")));
        if (!id.valid || !profit.valid)
            return RowOutcome::Skipped;
        const QVariant period = ImportRun::text(row.text(QLatin1String("pr")));
        const QVariant stock = ImportRun::text(row.text(QLatin1String("cd")));
        const QString modified = row.text(QLatin1String("tM"));

        if (!run.exec(insert, {id.value, period, stock, profit.value, ImportRun::text(modified)}))
            return RowOutcome::Skipped;
        if (run.changes() == 1)
            return RowOutcome::Inserted;
        QVariantList stored;
        if (!run.fetch(select, {id.value, period}, 1, &stored) || stored.isEmpty())
            return RowOutcome::Skipped;
        if (dateTimeKey(stored.at(0).toString()) >= dateTimeKey(modified))
            return RowOutcome::Unchanged;
        if (!run.exec(update, {stock, profit.value, ImportRun::text(modified), id.value, period}))
            return RowOutcome::Skipped;
        return RowOutcome::Updated;
    });
}

void deleteEstimateRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *remove = run.prepare("delete from T_Estimate where Rpt_ID = ? and Est_Period = ?");
    if (run.failed())
        return;
    run.forEachRow(QStringLiteral("清理"), rows, [&](const PackageRow &row) {
        const BareValue id = bareKey(row.text(QLatin1String("id")));
        if (!id.valid)
            return RowOutcome::Skipped;
        if (!run.exec(remove, {id.value, ImportRun::text(row.text(QLatin1String("pr")))}))
            return RowOutcome::Skipped;
        return run.changes() > 0 ? RowOutcome::Deleted : RowOutcome::Unchanged;
    });
}
