#include "stockcache.h"

#include "corelog.h"
#include "dbconnection.h"
#include "publishedstate.h"
#include "storedtime.h"
#include "userlists_p.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

#include <memory>

namespace {

// One published state: codes and records are parallel, index maps a code to its position.
struct Cache
{
    QStringList codes;
    QVector<QStockRecord> records;
    QHash<QString, int> index;

    void add(const QString &code, const QStockRecord &record)
    {
        if (index.contains(code))
            return;
        index.insert(code, codes.size());
        codes << code;
        records << record;
    }

    const QStockRecord *find(const QString &code) const
    {
        const auto it = index.constFind(code);
        return it == index.constEnd() ? nullptr : &records.at(it.value());
    }
};

using CachePtr = std::shared_ptr<const Cache>;

PublishedState<Cache> &published()
{
    static PublishedState<Cache> state;
    return state;
}

CachePtr current()
{
    return published().current();
}

void publish(CachePtr cache)
{
    published().publish(std::move(cache));
}

const char kLoadQuery[] =
    "select "
    "T_Stock.Stk_Code "
    ", Stk_Name "
    ", Prc_Factor "
    ", Stk_Share "
    ", Ind_Name "
    ", Prc_Count "
    ", Prc_DtModify "
    ", Mtx_Level "
    "from T_Stock "
    "left join T_Matrix on T_Matrix.Stk_code = T_Stock.Stk_Code "
    "   and T_Matrix.Mtx_DtUpdate = (select max(Mtx_DtUpdate) from T_Matrix ) "
    "where stk_quit = 0 "
    "order by T_Stock.Stk_Code";

bool readStocks(Cache &cache)
{
    QSqlDatabase db = mainDatabase();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(kLoadQuery))) {
        qCWarning(lcCore) << "Cannot load the stock cache:" << query.lastError().text();
        return false;
    }
    // Parsing dominates the load, and stocks updated by one package share their time text. The
    // hand reader also keeps a time of the hour a change to summer time skips (storedtime.h).
    QHash<QString, QDateTime> parsedTimes;
    while (query.next()) {
        const QString code = query.value(0).toString();
        const QString timeText = query.value(6).toString();
        auto time = parsedTimes.constFind(timeText);
        if (time == parsedTimes.constEnd())
            time = parsedTimes.insert(timeText, readStoredDateTime(timeText));
        cache.add(code, QStockRecord(code, query.value(1).toString(), query.value(2).toDouble(),
                                     query.value(3).toDouble(), query.value(4).toString(),
                                     query.value(5).toInt(), time.value(), query.value(7).toInt()));
    }
    if (query.lastError().isValid()) {
        qCWarning(lcCore) << "Stock cache load broke off:" << query.lastError().text();
        return false;
    }
    return true;
}

template<typename T>
T lookup(const QString &code, T (QStockRecord::*getter)() const, T unknown = T())
{
    const CachePtr cache = current();
    const QStockRecord *record = cache->find(code);
    return record ? (record->*getter)() : unknown;
}

QString shortStockName(QString name)
{
    for (const char *part : {" ", "A", "*", "SST", "ST"})
        name.remove(QLatin1String(part));
    return name;
}

} // namespace

QString levelGrade(int level)
{
    static const char *const grades[] = {"C-", "C", "C+", "B-", "B", "B+", "A-", "A", "A+"};
    if (level < 1 || level > 9)
        return QString();
    return QString::fromLatin1(grades[level - 1]);
}

void loadStockCache()
{
    auto cache = std::make_shared<Cache>();
    if (!readStocks(*cache))
        cache = std::make_shared<Cache>();
    publish(std::move(cache));
    emit stockCacheNotice()->loaded();
}

StockCacheNotice *stockCacheNotice()
{
    static StockCacheNotice notice;
    return &notice;
}

bool containsStockCode(const QString &code)
{
    return current()->index.contains(code);
}

QString getStockName(const QString &code)
{
    return lookup(code, &QStockRecord::getName);
}

double getStockFactor(const QString &code)
{
    return lookup(code, &QStockRecord::getFactor, 0.0);
}

double getStockShare(const QString &code)
{
    return lookup(code, &QStockRecord::getShare, 0.0);
}

QString getStockIndustry(const QString &code)
{
    return lookup(code, &QStockRecord::getIndustry);
}

int getStockPriceCount(const QString &code)
{
    return lookup(code, &QStockRecord::getPriceCount, 0);
}

QDateTime getStockPriceModifyTime(const QString &code)
{
    return lookup(code, &QStockRecord::getPriceModifyTime);
}

int getStockMatrixLevel(const QString &code)
{
    return lookup(code, &QStockRecord::getMatrixLevel, 0);
}

QString getStockMatrixGrade(const QString &code)
{
    return levelGrade(getStockMatrixLevel(code));
}

QStringList getStockCodeList()
{
    return current()->codes;
}

QStringList getBlockStockList(const QString &block)
{
    const UserListsPrivate::BlockEntries blocks = UserListsPrivate::blockEntries();
    const CachePtr cache = current();
    QStringList result;
    for (int i = 0; i < blocks.names.size(); ++i) {
        if (blocks.names.at(i) != block)
            continue;
        const QStringList codes = blocks.values.at(i).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &code : codes) {
            if (cache->index.contains(code) && !result.contains(code))
                result << code;
        }
    }
    result.sort();
    return result;
}

bool containsBlockedStock(const QString &text)
{
    const UserListsPrivate::BlockEntries blocks = UserListsPrivate::blockEntries();
    const CachePtr cache = current();
    for (const QString &value : blocks.values) {
        const QStringList codes = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &code : codes) {
            if (code.size() != 9)
                continue;
            // A code that starts with "." has an empty key, which every text would contain.
            const QString key = code.section(QLatin1Char('.'), 0, 0);
            if (!key.isEmpty() && text.contains(key))
                return true;
            const QStockRecord *record = cache->find(code);
            const QString name = record ? shortStockName(record->getName()) : QString();
            if (!name.isEmpty() && text.contains(name))
                return true;
        }
    }
    return false;
}

void setStockCodeListForTest(const QStringList &codes)
{
    QStringList sorted = codes;
    sorted.sort();
    auto cache = std::make_shared<Cache>();
    for (const QString &code : qAsConst(sorted))
        cache->add(code, QStockRecord(code, QString(), 0.0, 0.0, QString(), 0, QDateTime(), 0));
    publish(std::move(cache));
}
