#include "quotelistrow.h"

#include "analysisformat.h"
#include "quotelistquery.h"


using Q = QuoteListQuery;

QuoteListRow QuoteListRow::fromRecord(const ListRecord &q)
{
    QuoteListRow r;
    r.code = q.value(Q::ColCode).toString();
    r.name = q.value(Q::ColName).toString();
    r.industry = firstIndustry(q.value(Q::ColIndustry).toString());
    r.reports = q.value(Q::ColReports).toInt();
    r.price = positiveText(q.value(Q::ColPrice).toDouble());
    const double change = q.value(Q::ColChange).toDouble();
    r.change = nonZeroText(change);
    r.changeSign = change > 0 ? 1 : change < 0 ? -1 : 0;
    r.pe = ratioText(q.value(Q::ColPe).toDouble());
    r.pb = positiveText(q.value(Q::ColPb).toDouble());
    return r;
}
