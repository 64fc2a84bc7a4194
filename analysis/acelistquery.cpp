#include "acelistquery.h"

#include "analysislistrequest.h"
#include "analystcache.h"
#include "userlists.h"

namespace {

const char *const kYearFields[] = {
    "Stk_Count",    "Rat_Count",   "Short_Count",         "Short_SuccessCount", "Short_MaxRise",
    "Short_AvgRise", "Middle_Count", "Middle_SuccessCount", "Middle_MaxRise",     "Middle_AvgRise",
};
static_assert(std::size(kYearFields) == AceListQuery::YearFieldCount, "one name per year field");

const char kNewestAce[] = "(select max(Ace_DtUpdate) from T_Ace)";
const char kNewestAnalyst[] = "(select max(Anl_DtUpdate) from T_Analyst )";

// NULL when the term has no count or the year has no row, so every test on it is false.
QString rate(const char *year, const char *term)
{
    return QStringLiteral("cast( %1.%2_SuccessCount as float) / cast( %1.%2_Count as float ) * 100.0")
        .arg(QLatin1String(year), QLatin1String(term));
}

// The mark of a term: from year N's count of stocks and rate RL and year N+1's, T and RT.
// A comparison with NULL is false and falls through to the next branch.
QString mark(const char *term)
{
    const QString rl = rate("Ace_LastYear", term);
    const QString rt = rate("Ace_ThisYear", term);
    const QString t = QStringLiteral("Ace_ThisYear.Stk_Count > 3");
    return QStringLiteral("case when Ace_LastYear.Stk_Count > 3 then "
                          "case when %1 >= 80 then case when %3 then case when %2 >= 80 then 8 else 7 end else 8 end "
                          "when %1 >= 60 then case when %3 then "
                          "case when %2 >= 80 then 6 when %2 < 60 then 4 else 5 end else 5 end "
                          "else case when %3 then case when %2 >= 60 then 3 else 2 end else 2 end end "
                          "else 0 end")
        .arg(rl, rt, t);
}

QString selectList()
{
    QString text = QStringLiteral("select G_Ace.anl_UID ");
    for (const auto &[alias, prefix] : {std::pair{"Ace_ThisYear", "ThisYear_"}, std::pair{"Ace_LastYear", "LastYear_"}}) {
        for (const char *field : kYearFields)
            text += QStringLiteral(", %1.%2 as %3%2 ").arg(QLatin1String(alias), QLatin1String(field),
                                                           QLatin1String(prefix));
    }
    text += QStringLiteral(", %1 as aceShortMark , %2 as aceMiddleMark ").arg(mark("Short"), mark("Middle"));
    text += QStringLiteral(", %1 as ThisYear_ShortRate , %2 as ThisYear_MiddleRate "
                           ", %3 as LastYear_ShortRate , %4 as LastYear_MiddleRate ")
                .arg(rate("Ace_ThisYear", "Short"), rate("Ace_ThisYear", "Middle"), rate("Ace_LastYear", "Short"),
                     rate("Ace_LastYear", "Middle"));
    return text;
}

// The source; its two "?" are the years N+1 and N.
QString source()
{
    return QStringLiteral("from ( select distinct anl_UID from T_Ace where Ace_DtUpdate = %1 ) G_Ace "
                          "left join T_Analyst on T_Analyst.Anl_ID = ( select max(A.Anl_ID) from T_Analyst A "
                          "where A.Anl_UID = G_Ace.anl_UID and A.Anl_New = 1 and A.Anl_DtUpdate = %2 ) "
                          "left join T_Ace Ace_ThisYear on G_Ace.anl_UID = Ace_ThisYear.anl_UID "
                          "and Ace_ThisYear.Ace_Year = ? and Ace_ThisYear.Ace_DtUpdate = %1 "
                          "left join T_Ace Ace_LastYear on G_Ace.anl_UID = Ace_LastYear.anl_UID "
                          "and Ace_LastYear.Ace_Year = ? and Ace_LastYear.Ace_DtUpdate = %1 ")
        .arg(QLatin1String(kNewestAce), QLatin1String(kNewestAnalyst));
}

// " in (?, ...) " over the values.
BoundSql inList(const QVariantList &values)
{
    BoundSql list;
    for (int i = 0; i < values.size(); ++i)
        list.bind(i == 0 ? QStringLiteral(" in (?") : QStringLiteral(", ?"), values.at(i));
    return list << QStringLiteral(") ");
}

// The ids of the followed analysts the cache knows; unknown ones have no id to match.
QVariantList followedAnalystIds()
{
    QVariantList ids;
    for (const QString &uid : getConcernedAnalystList()) {
        const QString id = getAnalystId(uid);
        if (!id.isEmpty())
            ids << id.toLongLong();
    }
    return ids;
}

const char *const kSortKeys[] = {
    nullptr,
    nullptr,
    nullptr,
    "T_Analyst.Anl_Months",
    "LastYear_Stk_Count",
    "LastYear_Rat_Count",
    "ThisYear_Stk_Count",
    "ThisYear_Rat_Count",
    "aceMiddleMark",
    "LastYear_MiddleRate",
    "LastYear_Middle_AvgRise",
    "LastYear_Middle_MaxRise",
    "ThisYear_MiddleRate",
    "ThisYear_Middle_AvgRise",
    "ThisYear_Middle_MaxRise",
    "aceShortMark",
    "LastYear_ShortRate",
    "LastYear_Short_AvgRise",
    "LastYear_Short_MaxRise",
    "ThisYear_ShortRate",
    "ThisYear_Short_AvgRise",
    "ThisYear_Short_MaxRise",
};

constexpr int kMiddleMarkSection = 8;
constexpr int kShortMarkSection = 15;

} // namespace

QString AceListQuery::sortClause(int section, Qt::SortOrder order)
{
    const char *key = section >= 0 && section < int(std::size(kSortKeys)) ? kSortKeys[section] : nullptr;
    const QString desc = order == Qt::DescendingOrder ? QStringLiteral(" desc ") : QString();
    QString clause = QStringLiteral(" order by ") + QLatin1String(key ? key : "ThisYear_ShortRate") + QLatin1Char(' ')
                     + desc;
    // Among equal marks, year N's rate of the term decides.
    if (section == kMiddleMarkSection)
        clause += QStringLiteral(", LastYear_MiddleRate ") + desc;
    else if (section == kShortMarkSection)
        clause += QStringLiteral(", LastYear_ShortRate ") + desc;
    return clause;
}

AceListQuery::AceListQuery(const AnalysisListRequest &r, int section, Qt::SortOrder order, int year)
{
    QList<BoundSql> conditions;
    if (!r.anls.isEmpty()) {
        // Compared as the number SQL would read: " 1001", "1001.0".
        const QVariant id = sqlNumber(r.anls);
        if (!id.isValid()) {
            m_nothing = true;
            return;
        }
        BoundSql c;
        c.bind(QStringLiteral("G_Ace.Anl_UID in (select Anl_UID from T_Analyst where Anl_New = 1 and Anl_ID = ? "
                              "and Anl_DtUpdate = %1 ) ")
                   .arg(QLatin1String(kNewestAnalyst)),
               id);
        conditions << c;
    }
    if (!r.inst.isEmpty())
        conditions << BoundSql().bind(QStringLiteral("T_Analyst.Ins_Name = ? "), r.inst);
    if (!r.ind.isEmpty())
        conditions << BoundSql().bind(QStringLiteral("T_Analyst.Ind_Name = ? "), r.ind);
    if (r.months > 0)
        conditions << BoundSql().bind(QStringLiteral("T_Analyst.Anl_Months >= ? "), r.months);
    if (r.shortRate > 0)
        conditions << BoundSql().bind(QStringLiteral("ThisYear_ShortRate >= ? "), r.shortRate);
    if (r.middleRate > 0)
        conditions << BoundSql().bind(QStringLiteral("ThisYear_MiddleRate >= ? "), r.middleRate);
    if (r.all == QLatin1String("INS")) {
        QVariantList names;
        for (const QString &name : getConcernedInstList())
            names << name;
        if (!names.isEmpty())
            conditions << (BoundSql() << QStringLiteral("T_Analyst.Ins_Name") << inList(names));
    }
    if (r.all == QLatin1String("ANL") && !getConcernedAnalystList().isEmpty()) {
        const QVariantList ids = followedAnalystIds();
        if (ids.isEmpty()) {
            m_nothing = true;
            return;
        }
        conditions << (BoundSql() << QStringLiteral("T_Analyst.Anl_ID") << inList(ids));
    }

    m_sql << selectList() << source();
    m_sql.values << year + 1 << year;
    for (int i = 0; i < conditions.size(); ++i)
        m_sql << (i == 0 ? QStringLiteral("where ") : QStringLiteral("and ")) << conditions.at(i);
    m_sql << sortClause(section, order);
}
