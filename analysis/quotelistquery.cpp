#include "quotelistquery.h"

#include "analysislistrequest.h"

namespace {

const char kSelect[] =
    "SELECT T_Stock.stk_code , T_Stock.stk_name , T_Stock.ind_name , num "
    ", IFNULL(T_Stock.Prc_Close, 0) as price "
    ", case when T_Stock.Prc_Close>0 then IFNULL(Quote.Prc_Change, 0) / "
    "(T_Stock.Prc_Close - IFNULL(Quote.Prc_Change, 0)) * 100.00 else 0 end as chgPercent "
    ", case when T_Stock.Prf_5010_TTM>0 then T_Stock.Prc_Close * T_Stock.Stk_Share / T_Stock.Prf_5010_TTM "
    "else 0 end as pe "
    ", case when T_Stock.Blc_3010_TTM>0 then T_Stock.Prc_Close * T_Stock.Stk_Share / T_Stock.Blc_3010_TTM "
    "else 0 end as pb "
    "FROM T_Stock "
    "left join (SELECT stk_Code, count(1) as num FROM T_Report "
    "where Rpt_DtPublish = date((select max(Rpt_DtEntry) from T_Report)) group by stk_Code) G_Report_Count "
    "on G_Report_Count.Stk_Code = T_Stock.Stk_Code "
    // The change counts only for a price of the newest price date.
    "left join T_Stock quote on quote.stk_code = T_Stock.stk_code "
    "and quote.prc_date = (select max(prc_date) from T_Stock ) "
    "where T_Stock.Stk_Quit = 0 ";

} // namespace

QString QuoteListQuery::sortKey(int section)
{
    switch (section) {
    case 3:
        return QStringLiteral(" order by price ");
    case 4:
        return QStringLiteral(" order by chgPercent ");
    case 5:
        return QStringLiteral(" order by pe ");
    case 6:
        return QStringLiteral(" order by pb ");
    default:
        return QStringLiteral(" order by T_Stock.Stk_Code ");
    }
}

QuoteListQuery::QuoteListQuery(const AnalysisListRequest &r, int section, Qt::SortOrder order)
{
    m_sql << QLatin1String(kSelect) << stockFilter(r) << sortKey(section);
    if (order == Qt::DescendingOrder)
        m_sql << QStringLiteral(" desc ");
}
