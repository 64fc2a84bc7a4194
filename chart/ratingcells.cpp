#include "ratingcells.h"

#include "ratinglistrow.h"

namespace {

QString priceText(double value)
{
    return QStringLiteral("%1").arg(value, 0, 'f', 2, QLatin1Char(' '));
}

} // namespace

QString ratingActionText(const QString &action)
{
    return ratingActionMark(action);
}

QString targetPriceText(double lower, double upper, double factorRatio)
{
    QString text;
    if (lower == upper)
        text = lower > 0 ? priceText(lower) : QString();
    else
        text = priceText(lower) + QStringLiteral(" ~ ") + priceText(upper);
    if (factorRatio > 1.0 && !text.isEmpty())
        text += QStringLiteral("(*)");
    return text;
}

QString ratingStyleSheet(int score)
{
    if (score == 3)
        return QStringLiteral("color:orange;");
    return score < 3 ? QStringLiteral("color:green;") : QString();
}
