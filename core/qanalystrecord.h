#pragma once

#include <QString>
#include <QStringList>

// One analyst (a person, Anl_UID) of the analyst cache: the fields of the current record and every
// record id of the person.
class QAnalystRecord
{
public:
    QAnalystRecord() = default;
    explicit QAnalystRecord(const QString &uid);

    // Takes the fields of a record and adds its id.
    void set(const QString &id, const QString &name, const QString &inst, const QString &ind,
             int months);
    // Adds id unless the record holds it.
    void addId(const QString &id);

    QString getId() const { return id; }
    QString getName() const { return name; }
    QString getInst() const { return inst; }
    QString getIndustry() const { return ind; }
    int getMonths() const { return months; }
    // The ids joined by ",", in the order added.
    QString getIds() const;

private:
    QString uid;
    QString id;
    QString name;
    QString inst;
    QString ind;
    int months = 0;
    QStringList ids;
};
