// Report packages ("RPT...", "RPTTDY...") into T_Report, and "RPTDEL..." packages, which take
// reports and their ratings away.

#include "importrun.h"
#include "storedtime.h"
#include "timetext.h"

namespace {

// Titles arrive with their double quotes and backslashes as entities; they are stored as the
// characters themselves.
QString treatedTitle(const QString &title)
{
    QString out = title;
    out.replace(QLatin1String("&quot;"), QLatin1String("\""));
    out.replace(QLatin1String("&#92;"), QLatin1String("\\"));
    return out;
}

} // namespace

void importReportRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *select = run.prepare("select Rpt_DtModify from T_Report where Rpt_ID = ?");
    // Most rows of a package are new: the insert goes first and costs them one statement instead
    // of a select and an insert; a stored report refuses it by its key and takes the select.
    QSqlQuery *insert = run.prepare(
        "insert or ignore into T_Report (Rpt_ID, Rpt_Code, Rpt_Imp, Rpt_Exclusive, Ind_Name, Stk_Code, Ins_Name, Anl_List, "
        "Rpt_Title, Rpt_DtPublish, Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, Rpt_Readed, Rpt_DtModify) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?)");
    // Neither the entry time nor the read flag changes: a report the user has read stays read.
    QSqlQuery *update = run.prepare(
        "update T_Report set Rpt_Code = ?, Rpt_Imp = ?, Rpt_Exclusive = ?, Ind_Name = ?, Stk_Code = ?, "
        "Ins_Name = ?, Anl_List = ?, Rpt_Title = ?, Rpt_DtPublish = ?, Rpt_Page_Count = ?, Rpt_Type = ?, "
        "Rpt_DtModify = ? where Rpt_ID = ?");
    if (run.failed())
        return;
    const bool today = run.name().startsWith(QLatin1String("RPTTDY"));
    const bool messages = today && run.context().messageShow;

    run.forEachRow(QStringLiteral("导入"), rows, [&](const PackageRow &row) {
        const QString idText = row.text(QLatin1String("id"));
        const BareValue id = bareKey(idText);
        if (!id.valid)
            return RowOutcome::Skipped;
        const QVariant code = ImportRun::text(row.text(QLatin1String("cd")));
        const QVariant important = row.integer(QLatin1String("im"));
        const QVariant exclusive = row.integer(QLatin1String("ex"));
        const QVariant industry = ImportRun::text(row.text(QLatin1String("in")));
        const QString stock = row.text(QLatin1String("sc"));
        const QString institution = row.text(QLatin1String("is"));
        const QVariant analysts = ImportRun::text(row.text(QLatin1String("an")));
        const QString title = treatedTitle(row.text(QLatin1String("tt")));
        const QString published = row.text(QLatin1String("dP"));
        const QVariant pages = row.integer(QLatin1String("pg"));
        const QString entered = row.text(QLatin1String("tE"));
        const QString type = row.text(QLatin1String("ty"));
        const QString modified = row.text(QLatin1String("tM"));

        if (!run.exec(insert, {id.value, code, important, exclusive, industry, ImportRun::text(stock),
                               ImportRun::text(institution), analysts, ImportRun::text(title),
                               ImportRun::text(published), pages, ImportRun::text(entered), ImportRun::text(type),
                               ImportRun::text(modified)}))
            return RowOutcome::Skipped;
        if (run.changes() != 1) {
            QVariantList stored;
            if (!run.fetch(select, {id.value}, 1, &stored) || stored.isEmpty())
                return RowOutcome::Skipped;
            if (dateTimeKey(stored.at(0).toString()) >= dateTimeKey(modified))
                return RowOutcome::Unchanged;
            if (!run.exec(update, {code, important, exclusive, industry, ImportRun::text(stock),
                                   ImportRun::text(institution), analysts, ImportRun::text(title),
                                   ImportRun::text(published), pages, ImportRun::text(type),
                                   ImportRun::text(modified), id.value}))
                return RowOutcome::Skipped;
            return RowOutcome::Updated;
        }

        if (messages && row.integer(QLatin1String("ms")) == 1) {
            // Not through QDateTime's parser: in the hour the user's zone skips it gives nothing,
            // and the strip would show no time.
            const QDate day = published.size() == 10 ? readStoredDate(published) : QDate();
            run.queueMessage(idText, title, institution, type, readStoredDateTime(entered),
                             storedLocalDateTime(day, QTime(0, 0)));
        }
        if (!stock.isEmpty() && run.isBlockedStock(stock))
            run.queueBlockTip(stock);
        return RowOutcome::Inserted;
    });
}

void deleteReportRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *report = run.prepare("delete from T_Report where Rpt_ID = ?");
    QSqlQuery *rating = run.prepare("delete from T_Rating where Rpt_ID = ?");
    if (run.failed())
        return;
    run.forEachRow(QStringLiteral("清理"), rows, [&](const PackageRow &row) {
        const BareValue id = bareKey(row.text(QLatin1String("id")));
        if (!id.valid)
            return RowOutcome::Skipped;
        if (!run.exec(report, {id.value}))
            return RowOutcome::Skipped;
        const int removed = run.changes();
        if (!run.exec(rating, {id.value}))
            return RowOutcome::Skipped;
        return removed + run.changes() > 0 ? RowOutcome::Deleted : RowOutcome::Unchanged;
    });
}
