#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The analyst award table of the client's resources (INI groups per year, each key a JSON
// category {"cat","insts":[{"inst","medal","anls":"name[id],..."}]}). The generator reads it so
// that every awarded analyst id exists in the sample data with that name and institution.
class AwardTable
{
public:
    struct Analyst
    {
        int id = 0;
        QString name;
        QString institution;
        QString category;
    };

    // False when the file is missing or unreadable; warnings name entries that were skipped
    // or that contradict each other (the latest year wins).
    bool load(const QString &path, QStringList *warnings);

    const std::vector<Analyst> &analysts() const { return m_analysts; }
    QStringList institutions() const;

private:
    std::vector<Analyst> m_analysts;
};
