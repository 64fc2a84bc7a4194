#pragma once

#include "dayseries.h"
#include "reportfile.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <mutex>
#include <vector>

// A generated data folder as the server reads it: the manifest, the packages, the stock
// parameters for day prices and the report list for report files (indexed on first use).
class DataFolder
{
public:
    bool load(const QString &dir, QString *error);

    const QJsonObject &manifest() const { return m_manifest; }
    quint64 seed() const { return m_seed; }
    QString dir() const { return m_dir; }
    QJsonArray indexEntries() const;                   // {"dt","tM"} in index order
    bool readPackage(const QString &name, QByteArray *bytes) const;
    bool readUpgrade(const QString &name, QByteArray *bytes) const;
    bool dayPrices(const QString &code, QByteArray *json) const;
    // False for an unknown id; *deleted tells whether the service has withdrawn it.
    bool report(qint64 id, ReportFile::Info *info, bool *deleted);

private:
    bool indexReports();

    QString m_dir;
    QJsonObject m_manifest;
    quint64 m_seed = 0;
    QHash<QString, DaySeries::Params> m_stocks;
    std::mutex m_reportLock;
    bool m_reportsIndexed = false;
    std::vector<std::pair<qint64, qint64>> m_reportOffsets;   // id -> line offset, ascending id
};
