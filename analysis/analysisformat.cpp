#include "analysisformat.h"

#include "globalstate.h"
#include "reportlistrow.h"

#include <QtGlobal>

QString positiveText(double value)
{
    return value > 0 ? QString::number(value, 'f', 2) : QStringLiteral("-");
}

QString ratioText(double value)
{
    if (!(value > 0))
        return QStringLiteral("-");
    return QString::number(value, 'f', value >= 100 ? 0 : 2);
}

QString growthText(double value)
{
    if (value == 0)
        return QStringLiteral("-");
    return QString::number(value, 'f', value >= 100 || value <= -100 ? 0 : 2);
}

QString nonZeroText(double value)
{
    return value == 0 ? QStringLiteral("-") : QString::number(value, 'f', 2);
}

QString firstIndustry(const QString &industries)
{
    const int comma = industries.indexOf(QLatin1Char(','));
    return comma > 0 ? industries.left(comma) : industries;
}

QString stockNameHtml(const QString &name, const QString &code)
{
    return escapeHtml(name) + QStringLiteral("<br><font size='2' color='gray'>") + escapeHtml(code)
           + QStringLiteral("</font>");
}

QString redPointHtml()
{
    return QStringLiteral("<img src=':/images/redpoint.png'>");
}

QString yearCaption(int offset, bool estimate)
{
    return QString::number(getListYear() + offset) + (estimate ? QStringLiteral("E") : QString());
}

int rowsPerPage(int viewportHeight, int rowHeight)
{
    return rowHeight > 0 ? qMax(1, viewportHeight / rowHeight) : 1;
}

int lastPageOf(int count, int rowsPerPage)
{
    return qMax(0, (count - 1) / qMax(1, rowsPerPage));
}
