#include "matrixlistrow.h"

#include "analysisformat.h"
#include "matrixlistquery.h"


using Q = MatrixListQuery;

QString matrixLevelHtml(int level, const QString &grade)
{
    if (level <= 0)
        return QStringLiteral("&nbsp;-");
    return QStringLiteral("&nbsp;<img src=':/images/") + QString::number(level) + QStringLiteral(".png'>&nbsp;")
           + grade.toHtmlEscaped();
}

MatrixListRow MatrixListRow::fromRecord(const ListRecord &q)
{
    auto num = [&q](int column) { return q.value(column).toDouble(); };

    MatrixListRow r;
    r.code = q.value(Q::ColCode).toString();
    r.name = q.value(Q::ColName).toString();
    r.industry = firstIndustry(q.value(Q::ColIndustry).toString());
    r.reports = q.value(Q::ColReports).toInt();
    r.preType = q.value(Q::ColPreType).toString();
    r.price = positiveText(num(Q::ColClose));
    for (int i = 0; i < 4; ++i) {
        r.roe[i] = ratioText(num(Q::ColRoeLast2 + i));
        r.growth[i] = growthText(num(Q::ColOpgLast2 + i));
    }
    r.cagrLast = growthText(num(Q::ColCagrLast));
    // Once year Y+1 is reported its figure stands in for the estimate; the sort stays on the
    // consensus value.
    const double epsNew = num(Q::ColEpsNew);
    r.eps[0] = nonZeroText(num(Q::ColEpsLast));
    r.eps[1] = nonZeroText(epsNew != 0 ? epsNew : num(Q::ColEpsNext1));
    r.eps[2] = nonZeroText(num(Q::ColEpsNext2));
    r.eps[3] = nonZeroText(num(Q::ColEpsNext3));
    r.eps[4] = nonZeroText(num(Q::ColEpsTTM));
    r.cagrNext = nonZeroText(num(Q::ColCagrNext));
    r.pe = ratioText(num(Q::ColPeTTM));
    r.peg = positiveText(num(Q::ColPeg));
    return r;
}
