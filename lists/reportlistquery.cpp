#include "reportlistquery.h"

#include "analystcache.h"
#include "analystlistfunction.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "reportlistrequest.h"
#include "sqlclause.h"
#include "stockcache.h"
#include "userlists.h"

#include <QSqlQuery>


namespace {

using Clause = SqlClause;

QStringList words(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString contains(const QString &word)
{
    return QLatin1Char('%') + word + QLatin1Char('%');
}

// "a b +c -d": a and b (AND), +c (OR, by SQL's precedence over the flat text), not d.
void titleKeywordGroups(const QString &keywords, bool plusMeansOr, Clause *include, Clause *exclude)
{
    for (const QString &w : words(keywords)) {
        if (w.startsWith(QLatin1Char('-'))) {
            const QString word = w.mid(1);
            if (word.isEmpty())
                continue;
            exclude->bind(exclude->isEmpty() ? QStringLiteral("Rpt_Title not like ?")
                                             : QStringLiteral(" and Rpt_Title not like ?"),
                          contains(word));
        } else if (plusMeansOr && w.startsWith(QLatin1Char('+'))) {
            const QString word = w.mid(1);
            if (word.isEmpty())
                continue;
            include->bind(include->isEmpty() ? QStringLiteral("Rpt_Title like ?")
                                             : QStringLiteral(" or Rpt_Title like ?"),
                          contains(word));
        } else {
            include->bind(include->isEmpty() ? QStringLiteral("Rpt_Title like ?")
                                             : QStringLiteral(" and Rpt_Title like ?"),
                          contains(w));
        }
    }
}

// "Anl_List like ? or Anl_List like ? ..." for the words of names.
Clause analystNameList(const QString &names)
{
    Clause list;
    for (const QString &w : words(names))
        list.bind(list.isEmpty() ? QStringLiteral("Anl_List like ?") : QStringLiteral(" or Anl_List like ?"),
                  contains(w));
    return list;
}

// One stored subscription ({"ttl", "ins" or the older "ath", "anl", "cod"}, percent-encoded
// UTF-8) as a condition; empty when it sets nothing. Here "+" words are taken whole and every
// title word is required, and the code is always compared for equality.
Clause subscriptionCondition(JsonScript &json, const QString &content)
{
    const QString text = QString::fromUtf8(QByteArray::fromPercentEncoding(content.toUtf8()));
    const QScriptValue sub = json.parse(text);
    const QString ttl = jsonText(sub, QStringLiteral("ttl"));
    QString ins = jsonText(sub, QStringLiteral("ins"));
    const QString anl = jsonText(sub, QStringLiteral("anl"));
    const QString cod = jsonText(sub, QStringLiteral("cod"));
    if (ins.isEmpty())
        ins = jsonText(sub, QStringLiteral("ath"));

    Clause cond;
    auto join = [&cond](const QString &first, const QString &joined) {
        return cond.isEmpty() ? first : joined;
    };
    if (!ttl.isEmpty()) {
        Clause include, exclude;
        titleKeywordGroups(ttl, false, &include, &exclude);
        if (!include.isEmpty())
            cond << join(QStringLiteral("("), QStringLiteral(" and (")) << include << QStringLiteral(")");
        if (!exclude.isEmpty())
            cond << join(QStringLiteral("("), QStringLiteral(" and (")) << exclude << QStringLiteral(")");
    }
    if (!cod.isEmpty())
        cond.bind(join(QStringLiteral(" Rpt_Code = ? "), QStringLiteral(" and Rpt_Code = ? ")), cod);
    if (!anl.isEmpty()) {
        const Clause names = analystNameList(anl);
        if (!names.isEmpty())
            cond << join(QStringLiteral("("), QStringLiteral(" and (")) << names << QStringLiteral(")");
    }
    if (!ins.isEmpty())
        cond.bind(join(QStringLiteral(" Ins_Name like ? "), QStringLiteral(" and Ins_Name like ? ")),
                  contains(ins));
    return cond;
}

const QString kSelect = QStringLiteral(
    "select Rpt_ID "
    "  , Rpt_Type "
    "  , Rpt_DtEntry "
    "  , julianday(date(MaxDate)) - julianday(date(Rpt_DtEntry)) "
    "  , julianday(date(Rpt_DtEntry)) - julianday(date(Rpt_DtPublish)) "
    "  , Rpt_Exclusive "
    "  , Ins_Name "
    "  , Rpt_Code "
    "  , Rpt_Title "
    "  , Anl_List "
    "  , Rpt_DtPublish "
    "  , Rpt_Page_Count "
    "  , T_Report.Stk_Code "
    "  , Rpt_Readed "
    "from T_Report "
    "left join (select max(Rpt_DtEntry) as MaxDate from T_Report) MD ");

} // namespace

int ReportListQuery::pageSize()
{
    return listPageSize();
}

ReportListQuery::ReportListQuery(const ReportListRequest &r, int page, JsonScript &json, bool analystFunction)
{
    if (!r.valid) {
        m_nothing = true;
        return;
    }

    Clause where;
    if (r.yearStart.isEmpty())
        where << QStringLiteral(" Rpt_DtEntry >= date((select max(Rpt_DtEntry) from T_Report), '-24 month') ");
    else
        where.bind(QStringLiteral(" Rpt_DtEntry >= ? "), r.yearStart + QStringLiteral("-01-01"));
    if (!r.yearEnd.isEmpty())
        where.bind(QStringLiteral(" and Rpt_DtEntry <= ?"),
                   QString::number(r.yearEnd.toInt() + 1) + QStringLiteral("-01-01"));

    for (const QString &name : getMaskedInstList())
        where.bind(QStringLiteral(" and Ins_Name != ? "), name);

    if (r.imp > 0)
        where << QStringLiteral(" and rpt_imp = 1");

    if (!r.inst.isEmpty()) {
        // One institution's list takes its name whole, blanks included; the list of
        // international banks names several prefixes.
        const QStringList prefixes = r.id == QLatin1String("RPT_INS") ? QStringList{r.inst} : words(r.inst);
        Clause list;
        for (const QString &prefix : prefixes)
            list.bind(list.isEmpty() ? QStringLiteral("Ins_Name like ?") : QStringLiteral(" or Ins_Name like ?"),
                      prefix + QLatin1Char('%'));
        if (!list.isEmpty())
            where << QStringLiteral(" and ( ") << list << QStringLiteral(" )");
    }

    if (!r.ind.isEmpty()) {
        where.bind(QStringLiteral(" and ind_name = ?"), r.ind);
        if (getIncludeCompany() != 0)
            where << QStringLiteral(" and (rpt_code = 'STK.IND@CN' or rpt_code = 'STK.COM@CN') ");
        else
            where << QStringLiteral(" and rpt_code = 'STK.IND@CN' ");
    }

    if (r.all == QLatin1String("POR")) {
        // "0" keeps the list valid when the portfolio is empty: no report has that code.
        QVariantList codes{QStringLiteral("0")};
        for (const QString &code : getPortfolioList()) {
            if (!code.isEmpty())
                codes << code;
        }
        Clause in;
        in.text = QStringLiteral(" and T_Report.Stk_Code in (") + sqlPlaceholders(codes.size()) + QStringLiteral(")");
        in.values = codes;
        where << in;
    }

    if (!r.block.isEmpty()) {
        Clause list;
        list.bind(QStringLiteral("Stk_Code=?"), QStringLiteral("0"));
        for (const QString &code : getBlockStockList(r.block))
            list.bind(QStringLiteral(" or Stk_Code=?"), code);
        where << QStringLiteral(" and T_Report.Stk_Code in ( select stk_code from T_Stock where ") << list
              << QStringLiteral(" )");
    }

    if (!r.code.isEmpty()) {
        if (r.code.contains(QLatin1Char('%')))
            where.bind(QStringLiteral(" and rpt_code like ? "), r.code);
        else
            where.bind(QStringLiteral(" and rpt_code = ? "), r.code);
    }

    if (r.all == QLatin1String("INS")) {
        const QStringList names = getConcernedInstList();
        if (!names.isEmpty()) {
            Clause in;
            in.text = QStringLiteral(" and ins_name in (") + sqlPlaceholders(names.size()) + QStringLiteral(") ");
            for (const QString &name : names)
                in.values << name;
            where << in;
        }
    }

    if (r.all == QLatin1String("SUB")) {
        Clause list;
        for (const QString &name : getSubscribeNameList()) {
            const Clause cond = subscriptionCondition(json, getSubscribeContent(name));
            if (cond.isEmpty())
                continue;
            list << (list.isEmpty() ? QStringLiteral(" (") : QStringLiteral(" or (")) << cond << QStringLiteral(") ");
        }
        if (!list.isEmpty())
            where << QStringLiteral(" and ( ") << list << QStringLiteral(") ");
    }

    if (r.all == QLatin1String("ANL")) {
        bool noneKnown = false;
        const Clause analysts = concernedAnalystClause(QStringLiteral("anl_list"), analystFunction, &noneKnown);
        if (noneKnown) {
            m_nothing = true;
            return;
        }
        if (!analysts.isEmpty())
            where << QStringLiteral(" and ( ") << analysts << QStringLiteral(" ) ");
    }

    if (!r.anls.isEmpty())
        where << QStringLiteral(" and (")
              << analystIdClause(QStringLiteral("anl_list"), getAnalystIdListById(r.anls), analystFunction)
              << QStringLiteral(") ");

    if (!r.stkCode.isEmpty())
        where.bind(QStringLiteral(" and T_Report.Stk_Code = ? "), r.stkCode);

    if (!r.titleKeyword.isEmpty()) {
        Clause include, exclude;
        titleKeywordGroups(r.titleKeyword, true, &include, &exclude);
        if (!include.isEmpty())
            where << QStringLiteral(" and (") << include << QStringLiteral(")");
        if (!exclude.isEmpty())
            where << QStringLiteral(" and (") << exclude << QStringLiteral(")");
    }

    if (!r.instKeyword.isEmpty())
        where.bind(QStringLiteral(" and Ins_Name like ? "), contains(r.instKeyword));

    if (!r.analsKeyword.isEmpty()) {
        const Clause names = analystNameList(r.analsKeyword);
        if (!names.isEmpty())
            where << QStringLiteral(" and (") << names << QStringLiteral(")");
    }

    if (!r.fav.isEmpty()) {
        // Report ids are integers; anything else in a folder cannot name a report. An empty
        // folder leaves the id 0, which no report has.
        QVariantList ids;
        for (const QString &id : getFavoriteReportIds(r.fav)) {
            bool ok = false;
            const qlonglong value = id.trimmed().toLongLong(&ok);
            if (ok)
                ids << value;
        }
        if (ids.isEmpty())
            ids << 0;
        Clause in;
        in.text = QStringLiteral(" and rpt_id in (") + sqlPlaceholders(ids.size()) + QStringLiteral(")");
        in.values = ids;
        where << in;
    }

    if (getPageCount() > 0)
        where.bind(QStringLiteral(" and Rpt_Page_Count >= ?"), getPageCount());

    m_where = where;
    m_page = qMax(0, page);
    build(where, m_page);
}

void ReportListQuery::build(const SqlClause &where, int pagesToSkip)
{
    // The id breaks ties of the entry time the way the descending index scan already does,
    // so a page may go on after the last row of an earlier one.
    const int size = pageSize();
    m_statement = kSelect + QStringLiteral(" where ") + where.text
                  + QStringLiteral(" order by Rpt_DtEntry desc, Rpt_ID desc limit ")
                  + QString::number(qint64(pagesToSkip) * size) + QStringLiteral(", ") + QString::number(size);
    m_values = where.values;
}

QString ReportListQuery::listKey() const
{
    QString key = QString::number(pageSize()) + QLatin1Char('\x1f') + m_where.text;
    for (const QVariant &value : m_where.values)
        key += QLatin1Char('\x1f') + value.toString();
    return key;
}

void ReportListQuery::continueAfter(const ReportListKey &last, int pagesBefore)
{
    if (m_nothing || pagesBefore <= 0 || pagesBefore > m_page)
        return;
    // The range stays on the entry index; the id only decides among equal entry times.
    SqlClause where = m_where;
    where.bind(QStringLiteral(" and Rpt_DtEntry <= ?"), last.entry);
    where.bind(QStringLiteral(" and (Rpt_DtEntry < ?"), last.entry);
    where.bind(QStringLiteral(" or Rpt_ID < ?)"), last.id);
    build(where, m_page - pagesBefore);
}

ReportListKey ReportListKey::of(const QSqlQuery &query)
{
    return {query.value(ReportListQuery::ColEntry), query.value(ReportListQuery::ColId)};
}

bool ReportListQuery::exec(QSqlQuery &query) const
{
    return !m_nothing && execBound(query, m_statement, m_values);
}
