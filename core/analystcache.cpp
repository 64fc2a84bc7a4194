#include "analystcache.h"

#include "corelog.h"
#include "dbconnection.h"
#include "publishedstate.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

#include <memory>

namespace {

// One published state: persons in load order with an index by uid, and the uid of every record id.
struct Cache
{
    QStringList uids;
    QVector<QAnalystRecord> records;
    QHash<QString, int> uidIndex;
    QHash<QString, QString> idToUid;

    const QAnalystRecord *find(const QString &uid) const
    {
        const auto it = uidIndex.constFind(uid);
        return it == uidIndex.constEnd() ? nullptr : &records.at(it.value());
    }

    void addRow(const QString &id, const QString &uid, const QString &name, const QString &inst,
                const QString &ind, int months, bool isNew)
    {
        if (!idToUid.contains(id))
            idToUid.insert(id, uid);
        auto it = uidIndex.constFind(uid);
        if (it == uidIndex.constEnd()) {
            it = uidIndex.insert(uid, records.size());
            uids << uid;
            records << QAnalystRecord(uid);
        }
        QAnalystRecord &record = records[it.value()];
        if (isNew)
            record.set(id, name, inst, ind, months);
        record.addId(id);
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
    "Anl_ID "
    ", Anl_UID "
    ", Anl_Name "
    ", Ins_Name "
    ", Ind_Name "
    ", Anl_Months "
    ", Anl_New "
    "from T_Analyst "
    "where Anl_DtUpdate = (select max(Anl_DtUpdate) from T_Analyst ) "
    "order by Anl_ID";

bool readAnalysts(Cache &cache)
{
    QSqlDatabase db = mainDatabase();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(kLoadQuery))) {
        qCWarning(lcCore) << "Cannot load the analyst cache:" << query.lastError().text();
        return false;
    }
    while (query.next()) {
        cache.addRow(query.value(0).toString(), query.value(1).toString(),
                     query.value(2).toString(), query.value(3).toString(),
                     query.value(4).toString(), query.value(5).toInt(), query.value(6).toInt() == 1);
    }
    if (query.lastError().isValid()) {
        qCWarning(lcCore) << "Analyst cache load broke off:" << query.lastError().text();
        return false;
    }
    return true;
}

template<typename T>
T lookup(const QString &uid, T (QAnalystRecord::*getter)() const, T unknown = T())
{
    const CachePtr cache = current();
    const QAnalystRecord *record = cache->find(uid);
    return record ? (record->*getter)() : unknown;
}

QStringList idListOf(const QAnalystRecord *record)
{
    return record ? record->getIds().split(QLatin1Char(','), Qt::SkipEmptyParts) : QStringList();
}

} // namespace

void loadAnalystCache()
{
    auto cache = std::make_shared<Cache>();
    if (!readAnalysts(*cache))
        cache = std::make_shared<Cache>();
    publish(std::move(cache));
}

QString getAnalystName(const QString &uid)
{
    return lookup(uid, &QAnalystRecord::getName);
}

QString getAnalystInst(const QString &uid)
{
    return lookup(uid, &QAnalystRecord::getInst);
}

QString getAnalystIndustry(const QString &uid)
{
    return lookup(uid, &QAnalystRecord::getIndustry);
}

int getAnalystMonths(const QString &uid)
{
    return lookup(uid, &QAnalystRecord::getMonths, 0);
}

QString getAnalystId(const QString &uid)
{
    return lookup(uid, &QAnalystRecord::getId);
}

QStringList getAnalystIdList(const QString &uid)
{
    return idListOf(current()->find(uid));
}

QString getAnalystNameById(const QString &id)
{
    const CachePtr cache = current();
    const auto it = cache->idToUid.constFind(id);
    if (it == cache->idToUid.constEnd())
        return QString();
    const QAnalystRecord *record = cache->find(it.value());
    return record ? record->getName() : QString();
}

QStringList getAnalystIdListById(const QString &id)
{
    const CachePtr cache = current();
    const auto it = cache->idToUid.constFind(id);
    if (it == cache->idToUid.constEnd())
        return {id};
    return idListOf(cache->find(it.value()));
}

QStringList searchAnalystList(const QString &keyword)
{
    const CachePtr cache = current();
    if (keyword.isEmpty())
        return cache->uids;
    QStringList found;
    for (int i = 0; i < cache->uids.size(); ++i) {
        if (cache->records.at(i).getName().contains(keyword))
            found << cache->uids.at(i);
    }
    return found;
}
