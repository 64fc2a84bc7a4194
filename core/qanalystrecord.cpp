#include "qanalystrecord.h"

QAnalystRecord::QAnalystRecord(const QString &uid)
    : uid(uid)
{
}

void QAnalystRecord::set(const QString &id, const QString &name, const QString &inst,
                         const QString &ind, int months)
{
    this->id = id;
    this->name = name;
    this->inst = inst;
    this->ind = ind;
    this->months = months;
    addId(id);
}

void QAnalystRecord::addId(const QString &id)
{
    if (!ids.contains(id))
        ids << id;
}

QString QAnalystRecord::getIds() const
{
    return ids.join(QLatin1Char(','));
}
