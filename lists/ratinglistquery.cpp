#include "ratinglistquery.h"

#include "analystcache.h"
#include "globalstate.h"
#include "ratinglistrequest.h"
#include "sqlclause.h"
#include "stockcache.h"
#include "userlists.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace {

const QString kSelect = QStringLiteral(
    "select T_Rating.Rpt_ID"
    ", julianday(date(maxDate)) - julianday(T_Rating.Rpt_DtPublish) as daysPassed"
    ", strftime('%Y', maxDate ) - strftime('%Y', T_Rating.Rpt_DtPublish ) as yearPassed"
    ", T_Rating.Rpt_DtPublish"
    ", 0"
    ", T_Rating.Ins_Name"
    ", T_Rating.Anl_List"
    ", T_Rating.Stk_Code"
    ", Stk_Name"
    ", T_Stock.Ind_Name"
    ", T_Rating.Rat_Recomm"
    ", T_Rating.Rat_Score"
    ", T_Rating.Rat_Action"
    ", Rpt_Page_Count"
    ", T_Rating.Rat_PrcPub * T_Rating.Rat_PrcFac / Prc_Factor"
    ", T_Rating.Rat_PrcLower * T_Rating.Rat_PrcFac / Prc_Factor as tpLower"
    ", T_Rating.Rat_PrcUpper * T_Rating.Rat_PrcFac / Prc_Factor as tpUpper"
    ", Rating_Pre.Rat_PrcLower * Rating_Pre.Rat_PrcFac / Prc_Factor as PreTpLower"
    ", Rating_Pre.Rat_PrcUpper * Rating_Pre.Rat_PrcFac / Prc_Factor as PreTpUpper"
    ", Prc_Factor / T_Rating.Rat_PrcFac"
    ", Prc_Close"
    ", (T_Rating.Rat_PrcLower * T_Rating.Rat_PrcFac / Prc_Factor / Prc_Close - 1) * 100.0 as scopeLower"
    ", (T_Rating.Rat_PrcUpper * T_Rating.Rat_PrcFac / Prc_Factor / Prc_Close - 1) * 100.0 as scopeUpper"
    ", (Prc_Close / (T_Rating.Rat_PrcPub * T_Rating.Rat_PrcFac / Prc_Factor ) - 1) * 100.0"
    ", finLast.Prf_5010 / Stk_Share as epsLast"
    ", finNew.Prf_5010 / Stk_Share as epsNew"
    ", est1.est_NetProfit / Stk_Share as eps1"
    ", est2.est_NetProfit / Stk_Share as eps2"
    ", est3.est_NetProfit / Stk_Share as eps3"
    ", Est1_Pre.Est_NetProfit / Stk_Share as PreEps1"
    ", Est2_Pre.Est_NetProfit / Stk_Share as PreEps2"
    ", Est3_Pre.Est_NetProfit / Stk_Share as PreEps3"
    ", case when Prf_5010_TTM>0 then Prc_Close * Stk_Share / Prf_5010_TTM else 0 end as peTTM"
    ", case when finLast.Prf_5010>0 then Prc_Close * Stk_Share / finLast.Prf_5010 else 0 end as peLast"
    ", T_Rating.Rat_PerformShort"
    ", T_Rating.Rat_PerformMiddle"
    ", T_Report.Rpt_Title"
    ", T_Report.Rpt_Type"
    ", T_Rating.Rat_Readed"
    ", T_Recommend.Rpt_ID");

const QString kNewestEntry = QStringLiteral("(select max(Rpt_DtEntry) from T_Report)");

QString daysBack(int days)
{
    return QStringLiteral("-%1 day").arg(days);
}

// The joins, with the years of the annual figures and estimates and the recommendation window.
SqlClause joins()
{
    const int y = getListYear();
    auto yearEnd = [](int year) { return QStringLiteral("%1-12-31").arg(year); };
    auto quarter4 = [](int year) { return QStringLiteral("%1Q4").arg(year); };

    SqlClause from;
    from.bind(QStringLiteral(" left join T_Finance finLast on finLast.Stk_Code = T_Rating.Stk_Code"
                             " and finLast.Fin_Date = ?"),
              yearEnd(y));
    from.bind(QStringLiteral(" left join T_Finance finNew on finNew.Stk_Code = T_Rating.Stk_Code"
                             " and finNew.Fin_Date = ?"),
              yearEnd(y + 1));
    for (int n = 1; n <= 3; ++n)
        from.bind(QStringLiteral(" left join T_Estimate est%1 on est%1.Rpt_ID = T_Rating.Rpt_ID"
                                 " and est%1.Stk_Code = T_Rating.Stk_Code and est%1.Est_Period = ?")
                      .arg(n),
                  quarter4(y + n));
    from << QStringLiteral(" left join T_Rating Rating_Pre on Rating_Pre.Rpt_ID = T_Rating.Rpt_ID_Pre");
    for (int n = 1; n <= 3; ++n)
        from.bind(QStringLiteral(" left join T_Estimate Est%1_Pre on Est%1_Pre.Rpt_ID = T_Rating.Rpt_ID_Pre"
                                 " and Est%1_Pre.Stk_Code = T_Rating.Stk_Code and Est%1_Pre.Est_Period = ?")
                      .arg(n),
                  quarter4(y + n));
    from << QStringLiteral(" left join T_Stock on T_Rating.Stk_Code = T_Stock.Stk_Code"
                           " left join T_Report on T_Report.Rpt_ID = T_Rating.Rpt_ID");
    from.bind(QStringLiteral(" left join T_Recommend on T_Recommend.Rpt_ID = T_Rating.Rpt_ID and Rcm_DtAdd >= date(")
                  + kNewestEntry + QStringLiteral(", ?)"),
              daysBack(getRecommendDays()));
    from << QStringLiteral(" left join (select max(Rpt_DtEntry) as maxDate from T_Report) Max_Report_Date");
    return from;
}

SqlClause inList(const QString &column, const QStringList &values)
{
    SqlClause in;
    in.text = column + QStringLiteral(" in (") + sqlPlaceholders(values.size()) + QLatin1Char(')');
    for (const QString &value : values)
        in.values << value;
    return in;
}

} // namespace

bool parseScoreComparison(const QString &text, QString *op, double *score)
{
    // The comparison operators SQLite knows and a plain decimal number, blanks around them.
    static const QRegularExpression comparison(
        QStringLiteral("^\\s*(==|=|!=|<>|<=|>=|<|>)\\s*([+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?)\\s*$"));
    const QRegularExpressionMatch match = comparison.match(text);
    bool ok = false;
    const double value = match.captured(2).toDouble(&ok);
    if (!match.hasMatch() || !ok)
        return false;
    *op = match.captured(1);
    *score = value;
    return true;
}

// A list of one stock or one institution reads its ratings through their index; the clauses
// that admit many stocks or institutions are written "+column", which keeps SQLite from
// collecting every rating of the set through that index and sorting it: walking the ratings
// newest first stops after one page.
RatingListQuery::RatingListQuery(const RatingListRequest &r, int page, bool analystFunction)
{
    QList<SqlClause> where;
    bool onJoins = false; // a clause names a value of the joined tables
    auto add = [&where](const SqlClause &clause) { where << clause; };
    auto one = [](const QString &text, const QVariant &value) { return SqlClause().bind(text, value); };

    if (r.days > 0)
        add(one(QStringLiteral("T_Rating.Rpt_DtPublish >= date(") + kNewestEntry + QStringLiteral(", ?)"),
                daysBack(r.days)));
    for (const QString &name : getMaskedInstList())
        add(one(QStringLiteral("T_Rating.Ins_Name != ?"), name));
    if (r.count > 0) {
        // The stock's ratings are counted over RatingDays, whatever "days" says.
        SqlClause count;
        count.bind(QStringLiteral("+T_Rating.Stk_Code in (select Stk_Code from T_Rating where Rpt_DtPublish>=date(")
                       + kNewestEntry + QStringLiteral(", ?)"),
                   daysBack(getRatingDays()));
        count.bind(QStringLiteral(" group by +Stk_Code having count(1)=?)"), r.count);
        add(count);
    }
    if (r.isNew > 0)
        add(SqlClause() << QStringLiteral("T_Rating.Rat_New = 1"));
    if (r.all == QLatin1String("INS")) {
        const QStringList names = getConcernedInstList();
        if (!names.isEmpty())
            add(inList(QStringLiteral("+T_Rating.Ins_Name"), names));
    }
    if (r.all == QLatin1String("ANL")) {
        bool noneKnown = false;
        const SqlClause analysts =
            concernedAnalystClause(QStringLiteral("T_Rating.Anl_List"), analystFunction, &noneKnown);
        if (noneKnown) {
            m_nothing = true;
            return;
        }
        if (!analysts.isEmpty())
            add(SqlClause() << QStringLiteral("( ") << analysts << QStringLiteral(" )"));
    }
    if (r.scope > 0) {
        add(one(QStringLiteral("scopeLower >= ?"), r.scope));
        onJoins = true;
    }
    if (!r.ind.isEmpty())
        add(one(QStringLiteral("+T_Rating.Stk_Code in (select Stk_Code from T_Stock where Ind_Name like ?)"),
                r.ind + QLatin1Char('%')));
    if (!r.block.isEmpty()) {
        // "0" keeps the list valid for a block without known stocks: no stock has that code.
        QStringList codes{QStringLiteral("0")};
        codes += getBlockStockList(r.block);
        add(SqlClause() << QStringLiteral("+T_Rating.Stk_Code in (select Stk_Code from T_Stock where ")
                        << inList(QStringLiteral("Stk_Code"), codes) << QStringLiteral(")"));
    }
    if (!r.exchange.isEmpty())
        add(one(QStringLiteral("+T_Rating.Stk_Code in (select Stk_Code from T_Stock where Stk_Code like ?)"),
                QLatin1Char('%') + r.exchange));
    if (!r.preCode.isEmpty()) {
        SqlClause prefixes;
        for (const QString &prefix : r.preCode.split(QLatin1Char(','), Qt::SkipEmptyParts))
            prefixes.bind(prefixes.isEmpty() ? QStringLiteral("Stk_Code like ?") : QStringLiteral(" or Stk_Code like ?"),
                          prefix + QLatin1Char('%'));
        if (!prefixes.isEmpty())
            add(SqlClause() << QStringLiteral("+T_Rating.Stk_Code in (select Stk_Code from T_Stock where ") << prefixes
                            << QStringLiteral(")"));
    }
    if (!r.action.isEmpty())
        add(one(QStringLiteral("T_Rating.Rat_Action = ?"), r.action));
    if (!r.recomm.isEmpty()) {
        QString op;
        double score = 0;
        if (!parseScoreComparison(r.recomm, &op, &score)) {
            m_nothing = true;
            return;
        }
        add(one(QStringLiteral("T_Rating.Rat_Score ") + op + QStringLiteral(" ?"), score));
    }
    if (!r.stkCode.isEmpty())
        add(one(QStringLiteral("T_Rating.Stk_Code = ?"), r.stkCode));
    if (!r.inst.isEmpty())
        add(one(QStringLiteral("T_Rating.Ins_Name = ?"), r.inst));
    if (!r.anls.isEmpty())
        add(SqlClause() << QStringLiteral("( ")
                        << analystIdClause(QStringLiteral("T_Rating.Anl_List"), getAnalystIdListById(r.anls),
                                           analystFunction)
                        << QStringLiteral(" )"));
    if (r.tp > 0) {
        add(SqlClause() << QStringLiteral("( tpLower > 0 and PreTpLower > 0 and tpLower > PreTpLower )"));
        onJoins = true;
    }
    if (r.est > 0) {
        add(SqlClause() << QStringLiteral("( eps1 != 0 and PreEps1 != 0 and eps1 > PreEps1 )"));
        onJoins = true;
    }

    SqlClause filter;
    for (int i = 0; i < where.size(); ++i)
        filter << (i == 0 ? QStringLiteral(" where ") : QStringLiteral(" and ")) << where.at(i);
    const int size = listPageSize();
    const QString order = QStringLiteral(" order by T_Rating.Rpt_DtPublish desc");
    filter << order + QStringLiteral(" limit ") + QString::number(qint64(qMax(0, page)) * size) + QStringLiteral(", ")
                + QString::number(size);

    SqlClause statement;
    statement << kSelect;
    if (onJoins) {
        statement << QStringLiteral(" from T_Rating") << joins() << filter;
    } else {
        // The page is cut from T_Rating alone first: the joins then run for its rows only, not
        // for every row an offset skips.
        statement << QStringLiteral(" from (select * from T_Rating") << filter << QStringLiteral(") T_Rating")
                  << joins() << order;
    }
    m_statement = statement.text;
    m_values = statement.values;
}

bool RatingListQuery::exec(QSqlQuery &query) const
{
    return !m_nothing && execBound(query, m_statement, m_values);
}
