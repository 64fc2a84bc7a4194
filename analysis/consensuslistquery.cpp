#include "consensuslistquery.h"

#include "analysislistrequest.h"

namespace {

const char kSelect[] =
    "select T_Stock.Stk_Code , Stk_Name , Ind_Name , num "
    ", consToday.Ins_Count as insCountToday "
    ", consLast.Ins_Count as insCountLast "
    ", consToday.Rat_Count "
    ", consToday.Ins_Count_Bull as insCountBull "
    ", consToday.Ins_Count_Neutral as insCountNeutral "
    ", consToday.Ins_Count_Bear as insCountBear "
    ", consToday.Min_Price_Lower as minPriceLower "
    ", consToday.Max_Price_Upper as maxPriceUpper "
    ", consLast.Min_Price_Lower as lastPriceLower "
    ", consLast.Max_Price_Upper as lastPriceUpper "
    ", (consToday.Min_Price_Lower / Prc_Close - 1) * 100.0 as scopeLower "
    ", (consToday.Max_Price_Upper / Prc_Close - 1) * 100.0 as scopeUpper "
    ", Prc_Close "
    ", IFNULL(FinLast.Prf_5010, 0) / Stk_Share as epsLast "
    ", IFNULL(FinNew.Prf_5010, 0) / Stk_Share as epsNew "
    ", IFNULL(consToday.Prf_5010_Next_1, 0) / Stk_Share as epsNext1Today "
    ", IFNULL(consLast.Prf_5010_Next_1, 0) / Stk_Share as epsNext1Last "
    ", IFNULL(consToday.Prf_5010_Next_2, 0) / Stk_Share as epsNext2Today "
    ", IFNULL(consLast.Prf_5010_Next_2, 0) / Stk_Share as epsNext2Last "
    ", IFNULL(consToday.Prf_5010_Next_3, 0) / Stk_Share as epsNext3Today "
    ", IFNULL(consLast.Prf_5010_Next_3, 0) / Stk_Share as epsNext3Last "
    ", consToday.CAGR_Next as cagrNext "
    ", case when Prf_5010_TTM>0 then Prc_Close * Stk_Share / Prf_5010_TTM else 0 end as peTTM "
    // The PEG's test is on the trailing profit, its divisor year Y's profit: the service's rule.
    ", case when FinLast.Prf_5010>0 and consToday.CAGR_Next>0 "
    "then Prc_Close * Stk_Share / FinLast.Prf_5010 / consToday.CAGR_Next else 0 end as peg "
    ", consToday.Short_Success "
    ", consToday.Middle_Success "
    ", (IFNULL(consToday.Ins_Count, 0) - IFNULL(consLast.Ins_Count, 0)) as instCountDiff "
    "from T_Stock "
    "left join (SELECT stk_Code, count(1) as num FROM T_Report "
    "where Rpt_DtPublish = date((select max(Rpt_DtEntry) from T_Report)) group by stk_Code) G_Report_Count "
    "on G_Report_Count.Stk_Code = T_Stock.Stk_Code "
    "left join T_Consensus consToday on consToday.Stk_Code = T_Stock.Stk_Code "
    "and consToday.Cns_Type = 'TDY' "
    "and consToday.Cns_DtUpdate = (select max(Cns_DtUpdate) from T_Consensus where Cns_Type = 'TDY' ) "
    "left join T_Consensus consLast on consLast.Stk_Code = T_Stock.Stk_Code "
    "and consLast.Cns_Type = 'LST' "
    "and consLast.Cns_DtUpdate = (select max(Cns_DtUpdate) from T_Consensus where Cns_Type = 'LST' ) "
    "left join T_Finance FinLast on FinLast.Stk_Code = T_Stock.Stk_Code and FinLast.Fin_Date = ? "
    "left join T_Finance FinNew on FinNew.Stk_Code = T_Stock.Stk_Code and FinNew.Fin_Date = ? "
    "where Stk_Quit = 0 ";

const char *const kSortKeys[] = {
    "T_Stock.Stk_Code",     nullptr,          nullptr,        "insCountToday", "instCountDiff",
    "consToday.Rat_Count",  "insCountBull",   "insCountNeutral", "insCountBear", "scopeLower",
    "Prc_Close",            "epsLast",        "epsNext1Today",   "epsNext2Today", "epsNext3Today",
    "cagrNext",             "peTTM",          "peg",
};

QString yearEnd(int year)
{
    return QString::number(year) + QStringLiteral("-12-31");
}

} // namespace

QString ConsensusListQuery::sortKey(int section)
{
    const char *key = section >= 0 && section < int(std::size(kSortKeys)) ? kSortKeys[section] : nullptr;
    return QStringLiteral(" order by ") + QLatin1String(key ? key : "T_Stock.Stk_Code") + QLatin1Char(' ');
}

ConsensusListQuery::ConsensusListQuery(const AnalysisListRequest &r, int section, Qt::SortOrder order, int year)
{
    m_sql << QLatin1String(kSelect);
    m_sql.values << yearEnd(year) << yearEnd(year + 1);
    m_sql << stockFilter(r);
    // Scope is strictly above the bound, growth at least it: the service's rules.
    if (r.scope > 0)
        m_sql.bind(QStringLiteral(" and scopeLower > ? "), r.scope);
    if (r.tp > 0)
        m_sql << QStringLiteral(" and (minPriceLower > 0 and lastPriceLower > 0 and minPriceLower > lastPriceLower) ");
    if (r.est > 0)
        m_sql << QStringLiteral(" and ( epsNext1Today != 0 and epsNext1Last != 0 and epsNext1Today > epsNext1Last ) ");
    if (r.growth > 0)
        m_sql.bind(QStringLiteral(" and cagrNext >= ? "), r.growth);
    if (r.pe > 0)
        m_sql.bind(QStringLiteral(" and peTTM > 0 and peTTM < ? "), r.pe);
    if (r.peg > 0)
        m_sql.bind(QStringLiteral(" and peg > 0 and peg < ? "), r.peg);
    if (r.inc > 0)
        m_sql << QStringLiteral(" and instCountDiff > 0 ");
    m_sql << sortKey(section);
    if (order == Qt::DescendingOrder)
        m_sql << QStringLiteral(" desc ");
}
