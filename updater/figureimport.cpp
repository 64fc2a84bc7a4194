// Per-stock and per-analyst figures: finance ("FIN"), consensus ("CNS"), value matrix ("MTX"),
// analyst performance ("ACE") and stocks ("STK"). Each kind is one table with a key, columns
// filled from the row, and a modification time; consensus, matrix and performance rows also win
// by a later snapshot date ("dt"), whatever their time.

#include "importrun.h"
#include "timetext.h"

#include <QStringList>

#include <vector>

namespace {

enum class Form {
    Quoted,    // text
    Bare,      // a number or null
    BareKey,   // a number
    Integer,   // the row's value as an integer
};

struct Field
{
    const char *key;
    const char *column;
    Form form;
};

struct FigureTable
{
    const char *table;
    std::vector<Field> keys;
    std::vector<Field> values;   // the modification time and the snapshot date among them
    const char *modifyColumn;
    const char *updateColumn;    // the snapshot date, or null
};

// The row's value of a field in its bound form; false for a malformed number.
bool readField(const PackageRow &row, const Field &field, QVariant *value)
{
    const QLatin1String key(field.key);
    switch (field.form) {
    case Form::Quoted:
        *value = ImportRun::text(row.text(key));
        return true;
    case Form::Integer:
        *value = row.integer(key);
        return true;
    case Form::Bare:
    case Form::BareKey: {
        const BareValue bare = field.form == Form::Bare ? bareValue(row.text(key)) : bareKey(row.text(key));
        *value = bare.value;
        return bare.valid;
    }
    }
    return false;
}

QString join(const std::vector<Field> &fields, const char *suffix, const char *separator)
{
    QStringList parts;
    for (const Field &field : fields)
        parts.append(QLatin1String(field.column) + QLatin1String(suffix));
    return parts.join(QLatin1String(separator));
}

QString placeholders(size_t count)
{
    QStringList marks;
    for (size_t i = 0; i < count; ++i)
        marks.append(QStringLiteral("?"));
    return marks.join(QLatin1String(", "));
}

void importFigures(ImportRun &run, const QJsonArray &rows, const FigureTable &t)
{
    const QString table = QLatin1String(t.table);
    const QString where = join(t.keys, " = ?", " and ");
    QString selected = QLatin1String(t.modifyColumn);
    if (t.updateColumn)
        selected += QStringLiteral(", ") + QLatin1String(t.updateColumn);
    std::vector<Field> all = t.keys;
    all.insert(all.end(), t.values.begin(), t.values.end());

    QSqlQuery *select = run.prepare(QStringLiteral("select %1 from %2 where %3").arg(selected, table, where));
    // Insert first: a stored key refuses it and only then takes the select.
    QSqlQuery *insert = run.prepare(QStringLiteral("insert into %1 (%2) values (%3) on conflict do nothing")
                                        .arg(table, join(all, "", ", "), placeholders(all.size())));
    QSqlQuery *update = run.prepare(
        QStringLiteral("update %1 set %2 where %3").arg(table, join(t.values, " = ?", ", "), where));
    if (run.failed())
        return;

    const int keyCount = int(t.keys.size());
    const int columns = t.updateColumn ? 2 : 1;
    QVector<QVariant> values(int(all.size()));
    run.forEachRow(QStringLiteral("导入"), rows, [&](const PackageRow &row) {
        for (int i = 0; i < values.size(); ++i) {
            if (!readField(row, all.at(size_t(i)), &values[i]))
                return RowOutcome::Skipped;
        }
        if (!run.exec(insert, values))
            return RowOutcome::Skipped;
        if (run.changes() == 1)
            return RowOutcome::Inserted;
        QVariantList stored;
        if (!run.fetch(select, values.mid(0, keyCount), columns, &stored) || stored.isEmpty())
            return RowOutcome::Skipped;
        bool newer = dateTimeKey(stored.at(0).toString()) < dateTimeKey(row.text(QLatin1String("tM")));
        if (!newer && t.updateColumn)
            newer = dateKey(stored.at(1).toString()) < dateKey(row.text(QLatin1String("dt")));
        if (!newer)
            return RowOutcome::Unchanged;
        // The update sets the values and takes the key in its where.
        return run.exec(update, values.mid(keyCount) + values.mid(0, keyCount)) ? RowOutcome::Updated
                                                                                : RowOutcome::Skipped;
    });
}

} // namespace

void importFinanceRows(ImportRun &run, const QJsonArray &rows)
{
    static const FigureTable table{
        "T_Finance",
        {{"cd", "Stk_Code", Form::Quoted}, {"dt", "Fin_Date", Form::Quoted}},
        {{"blc3010", "Blc_3010", Form::Bare},
         {"prf30", "Prf_30", Form::Bare},
         {"prf5010", "Prf_5010", Form::Bare},
         {"tM", "Fin_DtModify", Form::Quoted}},
        "Fin_DtModify",
        nullptr,
    };
    importFigures(run, rows, table);
}

void importConsensusRows(ImportRun &run, const QJsonArray &rows)
{
    static const FigureTable table{
        "T_Consensus",
        {{"cd", "Stk_Code", Form::Quoted}, {"tp", "Cns_Type", Form::Quoted}},
        {{"ic", "Ins_Count", Form::Bare},
         {"uc", "Ins_Count_Bull", Form::Bare},
         {"nc", "Ins_Count_Neutral", Form::Bare},
         {"bc", "Ins_Count_Bear", Form::Bare},
         {"rc", "Rat_Count", Form::Bare},
         {"sr", "Short_Success", Form::Bare},
         {"mr", "Middle_Success", Form::Bare},
         {"pL", "Min_Price_Lower", Form::Bare},
         {"pU", "Max_Price_Upper", Form::Bare},
         {"p1", "Prf_5010_Next_1", Form::Bare},
         {"p2", "Prf_5010_Next_2", Form::Bare},
         {"p3", "Prf_5010_Next_3", Form::Bare},
         {"cn", "CAGR_Next", Form::Bare},
         {"dt", "Cns_DtUpdate", Form::Quoted},
         {"tM", "Cns_DtModify", Form::Quoted}},
        "Cns_DtModify",
        "Cns_DtUpdate",
    };
    importFigures(run, rows, table);
}

void importMatrixRows(ImportRun &run, const QJsonArray &rows)
{
    static const FigureTable table{
        "T_Matrix",
        {{"cd", "Stk_Code", Form::Quoted}},
        {{"mx", "Mtx_Level", Form::Bare},
         {"opgttm", "OPG_TTM", Form::Bare},
         {"cagrlast", "CAGR_Last", Form::Bare},
         {"pre", "Pre_Type", Form::Quoted},
         {"dt", "Mtx_DtUpdate", Form::Quoted},
         {"tM", "Mtx_DtModify", Form::Quoted}},
        "Mtx_DtModify",
        "Mtx_DtUpdate",
    };
    importFigures(run, rows, table);
}

void importAceRows(ImportRun &run, const QJsonArray &rows)
{
    static const FigureTable table{
        "T_Ace",
        {{"uid", "Anl_UID", Form::BareKey}, {"yr", "Ace_Year", Form::Integer}},
        {{"st", "Stk_Count", Form::Bare},
         {"rc", "Rat_Count", Form::Bare},
         {"sc", "Short_Count", Form::Bare},
         {"ss", "Short_SuccessCount", Form::Bare},
         {"sx", "Short_MaxRise", Form::Bare},
         {"si", "Short_MinRise", Form::Bare},
         {"sa", "Short_AvgRise", Form::Bare},
         {"mc", "Middle_Count", Form::Bare},
         {"ms", "Middle_SuccessCount", Form::Bare},
         {"mx", "Middle_MaxRise", Form::Bare},
         {"mi", "Middle_MinRise", Form::Bare},
         {"ma", "Middle_AvgRise", Form::Bare},
         {"dt", "Ace_DtUpdate", Form::Quoted},
         {"tM", "Ace_DtModify", Form::Quoted}},
        "Ace_DtModify",
        "Ace_DtUpdate",
    };
    importFigures(run, rows, table);
}

void importStockRows(ImportRun &run, const QJsonArray &rows)
{
    static const FigureTable table{
        "T_Stock",
        {{"cd", "Stk_Code", Form::Quoted}},
        {{"nm", "Stk_Name", Form::Quoted},
         {"sp", "Stk_Spell", Form::Quoted},
         {"qt", "Stk_Quit", Form::Integer},
         {"pD", "Prc_Date", Form::Quoted},
         {"pC", "Prc_Close", Form::Bare},
         {"pG", "Prc_Change", Form::Bare},
         {"pF", "Prc_Factor", Form::Bare},
         {"sh", "Stk_Share", Form::Bare},
         {"in", "Ind_Name", Form::Quoted},
         {"pN", "Prc_Count", Form::Bare},
         {"pM", "Prc_DtModify", Form::Quoted},
         {"b3010ttm", "Blc_3010_TTM", Form::Bare},
         {"p5010ttm", "Prf_5010_TTM", Form::Bare},
         {"tM", "Stk_DtModify", Form::Quoted}},
        "Stk_DtModify",
        nullptr,
    };
    importFigures(run, rows, table);
}
