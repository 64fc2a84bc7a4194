#include "stockcache.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex &cacheLock()
{
    static QMutex lock;
    return lock;
}

QStringList &cacheCodes()
{
    static QStringList codes;
    return codes;
}

} // namespace

QStringList getStockCodeList()
{
    QMutexLocker locker(&cacheLock());
    return cacheCodes();
}

void setStockCodeListForTest(const QStringList &codes)
{
    QStringList sorted = codes;
    sorted.sort();
    QMutexLocker locker(&cacheLock());
    cacheCodes() = sorted;
}
