#include "matrixlistquery.h"

#include "analysislistrequest.h"

namespace {

const char kSelect[] =
    "select T_Stock.Stk_Code , Stk_Name , Ind_Name , num , T_Matrix.Pre_Type , Prc_Close "
    ", case when FinLast2.Prf_5010>0 and FinLast2.Blc_3010>0 "
    "then FinLast2.Prf_5010 / FinLast2.Blc_3010 * 100.00 else 0 end as roeLast2 "
    ", case when FinLast1.Prf_5010>0 and FinLast1.Blc_3010>0 "
    "then FinLast1.Prf_5010 / FinLast1.Blc_3010 * 100.00 else 0 end as roeLast1 "
    ", case when FinLast.Prf_5010>0 and FinLast.Blc_3010>0 "
    "then FinLast.Prf_5010 / FinLast.Blc_3010 * 100.00 else 0 end as roeLast "
    ", case when Prf_5010_TTM>0 and T_Stock.Blc_3010_TTM>0 "
    "then Prf_5010_TTM / T_Stock.Blc_3010_TTM * 100.00 else 0 end as roeTTM "
    ", case when FinLast2.Prf_30>0 and FinLast3.Prf_30>0 "
    "then (FinLast2.Prf_30 / FinLast3.Prf_30 - 1.00) * 100.00 else 0 end as opgLast2 "
    ", case when FinLast1.Prf_30>0 and FinLast2.Prf_30>0 "
    "then (FinLast1.Prf_30 / FinLast2.Prf_30 - 1.00) * 100.00 else 0 end as opgLast1 "
    ", case when FinLast.Prf_30>0 and FinLast1.Prf_30>0 "
    "then (FinLast.Prf_30 / FinLast1.Prf_30 - 1.00) * 100.00 else 0 end as opgLast "
    ", OPG_TTM as opgTTM "
    ", CAGR_Last as cagrLast "
    ", IFNULL(FinLast.Prf_5010, 0) / Stk_Share as epsLast "
    ", IFNULL(FinNew.Prf_5010, 0) / Stk_Share as epsNew "
    ", IFNULL(T_Consensus.Prf_5010_Next_1, 0) / Stk_Share as epsNext1 "
    ", IFNULL(T_Consensus.Prf_5010_Next_2, 0) / Stk_Share as epsNext2 "
    ", IFNULL(T_Consensus.Prf_5010_Next_3, 0) / Stk_Share as epsNext3 "
    ", IFNULL(Prf_5010_TTM, 0) / Stk_Share as epsTTM "
    ", T_Consensus.CAGR_Next as cagrNext "
    ", case when Prf_5010_TTM>0 then Prc_Close * Stk_Share / Prf_5010_TTM else 0 end as peTTM "
    // The PEG's test is on the trailing profit, its divisor year Y's profit: the service's rule.
    ", case when Prf_5010_TTM>0 and T_Consensus.CAGR_Next>0 "
    "then Prc_Close * Stk_Share / IFNULL(FinLast.Prf_5010, 0) / T_Consensus.CAGR_Next else 0 end as peg "
    "from T_Stock "
    "left join (SELECT stk_Code, count(1) as num FROM T_Report "
    "where Rpt_DtPublish = date((select max(Rpt_DtEntry) from T_Report)) group by stk_Code) G_Report_Count "
    "on G_Report_Count.Stk_Code = T_Stock.Stk_Code "
    "left join T_Finance FinLast3 on FinLast3.Stk_Code = T_Stock.Stk_Code and FinLast3.Fin_Date = ? "
    "left join T_Finance FinLast2 on FinLast2.Stk_Code = T_Stock.Stk_Code and FinLast2.Fin_Date = ? "
    "left join T_Finance FinLast1 on FinLast1.Stk_Code = T_Stock.Stk_Code and FinLast1.Fin_Date = ? "
    "left join T_Finance FinLast on FinLast.Stk_Code = T_Stock.Stk_Code and FinLast.Fin_Date = ? "
    "left join T_Finance FinNew on FinNew.Stk_Code = T_Stock.Stk_Code and FinNew.Fin_Date = ? "
    "left join T_Matrix on T_Matrix.Stk_Code = T_Stock.Stk_Code "
    "and T_Matrix.Mtx_DtUpdate = (select max(Mtx_DtUpdate) from T_Matrix ) "
    "left join T_Consensus on T_Consensus.Stk_Code = T_Stock.Stk_Code "
    "and Cns_Type = 'TDY' "
    "and Cns_DtUpdate = (select max(Cns_DtUpdate) from T_Consensus where Cns_Type = 'TDY' ) "
    "where Stk_Quit = 0 ";

// Section 3 sorts by level with cagrLast as tie-break; see sortClause.
const char *const kSortKeys[] = {
    "T_Stock.Stk_Code", nullptr,    nullptr,    "Mtx_Level", "roeLast2", "roeLast1", "roeLast",
    "roeTTM",           "opgLast2", "opgLast1", "opgLast",   "opgTTM",   "cagrLast", "Prc_Close",
    "epsLast",          "epsNext1", "epsNext2", "epsNext3",  "epsTTM",   "cagrNext", "peTTM",
    "peg",
};

constexpr int kLevelSection = 3;

} // namespace

bool MatrixListQuery::parseLevels(const QString &text, QVariantList *levels)
{
    levels->clear();
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (part.trimmed().isEmpty())
            continue;
        const QVariant level = sqlNumber(part);
        if (!level.isValid()) {
            levels->clear();
            return false;
        }
        *levels << level;
    }
    return true;
}

QString MatrixListQuery::sortClause(int section, Qt::SortOrder order)
{
    const bool desc = order == Qt::DescendingOrder;
    const char *key = section >= 0 && section < int(std::size(kSortKeys)) ? kSortKeys[section] : nullptr;
    QString clause = QStringLiteral(" order by ") + QLatin1String(key ? key : "T_Stock.Stk_Code") + QLatin1Char(' ');
    if (desc)
        clause += QStringLiteral(" desc ");
    if (section == kLevelSection)
        clause += desc ? QStringLiteral(", cagrLast desc ") : QStringLiteral(", cagrLast ");
    return clause;
}

MatrixListQuery::MatrixListQuery(const AnalysisListRequest &r, int section, Qt::SortOrder order, int year)
{
    QVariantList levels;
    if (!parseLevels(r.matrix, &levels)) {
        m_nothing = true;
        return;
    }
    m_sql << QLatin1String(kSelect);
    for (int y = year - 3; y <= year + 1; ++y)
        m_sql.values << QString::number(y) + QStringLiteral("-12-31");
    m_sql << stockFilter(r);
    if (!levels.isEmpty()) {
        m_sql << QStringLiteral(" and T_Stock.Stk_Code in ( select stk_code from T_Matrix where Mtx_DtUpdate = "
                                "(select max(Mtx_DtUpdate) from T_Matrix ) and Mtx_Level in (");
        for (int i = 0; i < levels.size(); ++i)
            m_sql.bind(i == 0 ? QStringLiteral("?") : QStringLiteral(", ?"), levels.at(i));
        m_sql << QStringLiteral("))");
    }
    m_sql << sortClause(section, order);
}
