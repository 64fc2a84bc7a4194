// Rating packages ("RAT...", "RATTDY...") into T_Rating. A rating is found by its publish date,
// stock and institution, not by its report id, and a stored rating is also rewritten when its
// previous report or its new flag changes.

#include "importrun.h"
#include "timetext.h"

#include <QHash>
#include <QVector>

namespace {

// The reset of older new flags looks, for one stock and institution, at every rating published
// in the window, and T_Rating's indexes lead with the publish date, not the stock or institution:
// a package of a few thousand new ratings would scan the window thousands of times. The ratings that can lose their flag in
// this package (new, published inside the window, which stays put since a rating package never
// writes T_Report) are therefore listed once, by stock and institution, and kept current as rows
// become new; the statement then runs, with all its conditions, only on those report ids.
class NewRatings
{
public:
    bool load(ImportRun &run, const QVariant &window)
    {
        QSqlQuery *q = run.prepare("select Rpt_ID, Stk_Code, Ins_Name from T_Rating where Rat_New = 1 "
                                   "and Rpt_DtPublish >= date((select max(Rpt_DtEntry) from T_Report), ?)");
        if (!run.select(q, {window}))
            return false;
        while (q->next())
            add(q->value(1).toString(), q->value(2).toString(), q->value(0));
        q->finish();
        return true;
    }

    void add(const QString &stock, const QString &institution, const QVariant &id)
    {
        m_ids[key(stock, institution)].append(id);
    }

    QVector<QVariant> ids(const QString &stock, const QString &institution) const
    {
        return m_ids.value(key(stock, institution));
    }

private:
    static QString key(const QString &stock, const QString &institution)
    {
        return stock + QChar(0x1f) + institution;
    }

    QHash<QString, QVector<QVariant>> m_ids;
};

} // namespace

void importRatingRows(ImportRun &run, const QJsonArray &rows)
{
    QSqlQuery *select = run.prepare("select Rat_DtModify, Rat_New, Rpt_ID_Pre from T_Rating "
                                    "where Rpt_DtPublish = ? and Stk_Code = ? and Ins_Name = ?");
    // The rating list keeps the read flag and the price factor of the first insert.
    QSqlQuery *update = run.prepare(
        "update T_Rating set Rat_Recomm = ?, Anl_List = ?, Rat_Score = ?, Rat_Action = ?, Rat_PrcPub = ?, "
        "Rat_PrcLower = ?, Rat_PrcUpper = ?, Rat_PerformShort = ?, Rat_PerformMiddle = ?, Rpt_ID = ?, "
        "Rpt_ID_Pre = ?, Rpt_DtEntry = ?, Rat_New = ?, Rat_DtModify = ? "
        "where Rpt_DtPublish = ? and Stk_Code = ? and Ins_Name = ?");
    QSqlQuery *rekey = run.prepare("delete from T_Rating where Rpt_ID = ? "
                                   "and (Stk_Code != ? or Ins_Name != ? or Rpt_DtPublish != ?)");
    const char *const columns =
        "insert into T_Rating (Stk_Code, Ins_Name, Anl_List, Rpt_DtPublish, Rat_Recomm, Rat_Score, Rat_Action, "
        "Rat_PrcPub, Rat_PrcFac, Rat_PrcLower, Rat_PrcUpper, Rat_PerformShort, Rat_PerformMiddle, Rat_New, "
        "Rpt_ID, Rpt_ID_Pre, Rat_Readed, Rpt_DtEntry, Rat_DtModify) ";
    QSqlQuery *insert = run.prepare(QLatin1String(columns)
                                    + QLatin1String("values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, ?)"));
    // Most rows of a package are new ratings: this insert goes first and costs them one statement.
    // It is refused (no row changed) when a rating of the same date, stock and institution is
    // stored, or when the report id is stored under another key; those rows take the select.
    QSqlQuery *insertNew = run.prepare(
        QLatin1String(columns)
        + QLatin1String("select ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, ? where not exists "
                        "(select 1 from T_Rating where Rpt_DtPublish = ? and Stk_Code = ? and Ins_Name = ?) "
                        "on conflict do nothing"));
    // The institution's earlier new ratings of the stock inside the rating window stop being new.
    QSqlQuery *older = run.prepare(
        "update T_Rating set Rat_New = 0 where Rpt_ID = ? and Rpt_DtPublish < ? "
        "and Rpt_DtPublish >= date((select max(Rpt_DtEntry) from T_Report), ?) "
        "and Stk_Code = ? and Ins_Name = ? and Rat_New = 1");
    if (run.failed())
        return;
    const bool today = run.name().startsWith(QLatin1String("RATTDY"));
    const QVariant window = QStringLiteral("-%1 day").arg(run.context().ratingDays);
    NewRatings newRatings;
    if (!newRatings.load(run, window)) {
        run.fail(QStringLiteral("the new ratings cannot be read"));
        return;
    }

    // The guarded insert's values and its key, refilled for each row in the same storage.
    QVector<QVariant> guarded;
    run.forEachRow(QStringLiteral("导入"), rows, [&](const PackageRow &row) {
        const QString idText = row.text(QLatin1String("id"));
        const BareValue id = bareKey(idText);
        const BareValue pricePub = bareValue(row.text(QLatin1String("pP")));
        const BareValue priceFactor = bareValue(row.text(QLatin1String("pF")));
        const BareValue priceLower = bareValue(row.text(QLatin1String("pL")));
        const BareValue priceUpper = bareValue(row.text(QLatin1String("pU")));
        const BareValue performShort = bareValue(row.text(QLatin1String("fs")));
        const BareValue performMiddle = bareValue(row.text(QLatin1String("fm")));
        QString previousText = row.text(QLatin1String("pr"));
        if (previousText.isEmpty())
            previousText = QStringLiteral("0");
        const BareValue previous = bareValue(previousText);
        if (!id.valid || !pricePub.valid || !priceFactor.valid || !priceLower.valid || !priceUpper.valid
            || !performShort.valid || !performMiddle.valid || !previous.valid)
            return RowOutcome::Skipped;

        const QString stockText = row.text(QLatin1String("cd"));
        const QString institutionText = row.text(QLatin1String("is"));
        const QVariant stock = ImportRun::text(stockText);
        const QVariant institution = ImportRun::text(institutionText);
        const QVariant analysts = ImportRun::text(row.text(QLatin1String("an")));
        const QVariant published = ImportRun::text(row.text(QLatin1String("dP")));
        const QVariant recommendation = ImportRun::text(row.text(QLatin1String("rc")));
        const QVariant score = ImportRun::text(row.text(QLatin1String("sc")));
        const QString action = row.text(QLatin1String("ac"));
        const int isNew = row.integer(QLatin1String("nw"));
        const QVariant entered = ImportRun::text(row.text(QLatin1String("tE")));
        const QString modified = row.text(QLatin1String("tM"));

        const std::initializer_list<QVariant> values = {
            stock, institution, analysts, published, recommendation, score, ImportRun::text(action), pricePub.value,
            priceFactor.value, priceLower.value, priceUpper.value, performShort.value, performMiddle.value, isNew,
            id.value, previous.value, entered, ImportRun::text(modified)};
        guarded.clear();
        for (const QVariant &value : values)
            guarded.append(value);
        guarded << published << stock << institution;
        if (!run.exec(insertNew, guarded))
            return RowOutcome::Skipped;
        const bool inserted = run.changes() == 1;

        QVariantList stored;
        if (!inserted && !run.fetch(select, {published, stock, institution}, 3, &stored))
            return RowOutcome::Skipped;
        if (!stored.isEmpty()) {
            bool write = false;
            if (dateTimeKey(stored.at(0).toString()) < dateTimeKey(modified))
                write = true;
            else if (previousText.toLongLong() != stored.at(2).toLongLong())
                write = true;
            else if (isNew != stored.at(1).toInt())
                write = isNew == 0;
            if (!write)
                return RowOutcome::Unchanged;
            if (!run.exec(update, {recommendation, analysts, score, ImportRun::text(action), pricePub.value,
                                   priceLower.value, priceUpper.value, performShort.value, performMiddle.value,
                                   id.value, previous.value, entered, isNew, ImportRun::text(modified), published,
                                   stock, institution}))
                return RowOutcome::Skipped;
            if (isNew == 1)
                newRatings.add(stockText, institutionText, id.value);
            return RowOutcome::Updated;
        }

        if (!inserted && (!run.exec(rekey, {id.value, stock, institution, published}) || !run.exec(insert, values)))
            return RowOutcome::Skipped;
        if (isNew == 1) {
            const QVector<QVariant> candidates = newRatings.ids(stockText, institutionText);
            for (const QVariant &candidate : candidates)
                run.exec(older, {candidate, published, window, stock, institution});
            newRatings.add(stockText, institutionText, id.value);
            if (today) {
                if (action == QLatin1String("I") && run.context().alertFirstRating)
                    run.queueAlert(QStringLiteral("RAT_ACT_INI"), idText);
                if (action == QLatin1String("U") && run.context().alertUpgrade)
                    run.queueAlert(QStringLiteral("RAT_ACT_UPG"), idText);
            }
        }
        return RowOutcome::Inserted;
    });
}
