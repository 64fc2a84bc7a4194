#include "stockstepping.h"

#include "globalstate.h"
#include "stockcache.h"

#include <QStringList>

QString getPreviousStockCode(const QString &code)
{
    const QStringList current = getCurrentStockList();
    const int i = current.indexOf(code);
    if (i >= 0)
        return i == 0 ? current.last() : current.at(i - 1);

    const QStringList cache = getStockCodeList();
    if (cache.isEmpty())
        return QString();
    const int j = cache.indexOf(code);
    return j > 0 ? cache.at(j - 1) : cache.first();
}

QString getNextStockCode(const QString &code)
{
    const QStringList current = getCurrentStockList();
    const int i = current.indexOf(code);
    if (i >= 0)
        return i == current.size() - 1 ? current.first() : current.at(i + 1);

    const QStringList cache = getStockCodeList();
    if (cache.isEmpty())
        return QString();
    const int j = cache.indexOf(code);
    return j >= 0 && j < cache.size() - 1 ? cache.at(j + 1) : cache.first();
}
